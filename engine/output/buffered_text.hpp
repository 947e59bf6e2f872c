// Text made in a buffer on the stack and appended to its string in one
// piece. A writer that puts a statement together from a dozen short pieces
// (numbers, units, separators) then pays for one append instead of one per
// piece; a piece of unknown length goes to the string itself, after what
// the buffer holds, so the bytes come out in order whatever their length.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace vc::engine {

class BufferedText {
 public:
  static constexpr std::size_t kSize = 512;

  explicit BufferedText(std::string& out) noexcept : out_(out) {}
  BufferedText(const BufferedText&) = delete;
  BufferedText& operator=(const BufferedText&) = delete;

  // Room for `size` bytes (at most kSize) at the pointer returned; Commit
  // then says where the bytes written there end.
  char* Room(std::size_t size) {
    if (size > Free()) Flush();
    return end_;
  }
  void Commit(char* end) noexcept { end_ = end; }

  // Always inline: most pieces are literals, whose copy then folds into a
  // few moves of known size.
  [[gnu::always_inline]] void Append(std::string_view text) {
    if (text.size() > Free()) {
      Flush();
      out_.append(text);
      return;
    }
    CopyShort(end_, text.data(), text.size());
    end_ += text.size();
  }
  void Append(char c) {
    char* const p = Room(1);
    *p = c;
    end_ = p + 1;
  }

  // The string with everything so far in it, for a piece of unknown length.
  std::string& String() {
    Flush();
    return out_;
  }
  // Hands the buffered bytes to the string; the owner calls it at the end.
  void Flush() {
    out_.append(buf_.data(), static_cast<std::size_t>(end_ - buf_.data()));
    end_ = buf_.data();
  }

 private:
  // Most pieces are a unit or a separator of a few bytes: two fixed-size
  // copies that may overlap cost less than a call of the library's copy.
  static void CopyShort(char* to, const char* from, std::size_t size) noexcept {
    if (size >= 8 && size <= 16) {
      std::memcpy(to, from, 8);
      std::memcpy(to + size - 8, from + size - 8, 8);
    } else if (size >= 4 && size < 8) {
      std::memcpy(to, from, 4);
      std::memcpy(to + size - 4, from + size - 4, 4);
    } else if (size < 4) {
      for (std::size_t i = 0; i < size; ++i) to[i] = from[i];
    } else {
      std::memcpy(to, from, size);
    }
  }

  [[nodiscard]] std::size_t Free() const noexcept {
    return static_cast<std::size_t>(buf_.data() + buf_.size() - end_);
  }

  std::string& out_;
  std::array<char, kSize> buf_;  // written before it is read
  char* end_ = buf_.data();
};

}  // namespace vc::engine
