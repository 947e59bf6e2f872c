// A source of text lines, as the format codecs see a file: line by line,
// each line without its end (LF or CR LF), already decoded to UTF-8.
// The engine implements it over files; tests over strings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vc::text {

class LineSource {
 public:
  virtual ~LineSource() = default;
  // True when no line is left to read.
  [[nodiscard]] virtual bool AtEnd() const = 0;
  // Reads the next line into `line`; false (and `line` empty) at the end.
  virtual bool ReadLine(std::string& line) = 0;
  // Appends the next line to what `text` holds, so that a block of lines
  // is gathered without a copy of each; false, with `text` as it was, at
  // the end.
  virtual bool AppendLine(std::string& text);
  // Reads the next line as a view, valid until the next reading of this
  // source: into the source's own buffer where the line lies whole in it,
  // otherwise into `storage`, which it is then read into. False at the end.
  virtual bool ReadLineView(std::string_view& line, std::string& storage);
  // Reads the lines up to the next empty line, which is consumed, or the end
  // of the text, as views in `lines` that are valid until the next reading:
  // into the source's own buffer where they lie whole in it, otherwise into
  // `storage`, which they are then read into. An empty line gives no line;
  // false, with `lines` empty, at the end.
  virtual bool ReadBlock(std::vector<std::string_view>& lines, std::string& storage);
};

// Lines held in memory; the text is split at LF, a CR before the LF is
// dropped, and a last line without its end still counts.
class StringLineSource final : public LineSource {
 public:
  explicit StringLineSource(std::string_view text);
  [[nodiscard]] bool AtEnd() const override;
  bool ReadLine(std::string& line) override;
  bool AppendLine(std::string& text) override;

 private:
  std::string text_;
  std::size_t position_ = 0;
};

}  // namespace vc::text
