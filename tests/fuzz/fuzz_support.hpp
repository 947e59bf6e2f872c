// Shared by the fuzz targets: the input as text, and a bound on loops that
// must consume input on every turn.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace vc::fuzz {

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Every reading of a record consumes at least one line, so no reader may be
// asked for more records than the text has bytes (plus the end). More means
// a reader that stopped consuming: a hang in a real file.
class TurnLimit {
 public:
  explicit TurnLimit(std::size_t size) : left_(size + 4) {}
  void Turn() {
    if (left_-- == 0) std::abort();
  }

 private:
  std::size_t left_;
};

}  // namespace vc::fuzz
