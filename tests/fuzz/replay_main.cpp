// Makes a fuzz target an ordinary program: every file named on the command
// line, or found in a folder named there, is passed once to the target. CI
// runs each target over its corpus this way, with whatever sanitizers the
// build has; libFuzzer builds link their own main instead of this one.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  // An empty input is passed as libFuzzer passes it: a valid pointer, size 0.
  static const std::uint8_t kNothing = 0;
  const auto* data =
      bytes.empty() ? &kNothing : reinterpret_cast<const std::uint8_t*>(bytes.data());
  LLVMFuzzerTestOneInput(data, bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        if (!entry.is_regular_file()) continue;
        if (!Replay(entry.path())) {
          std::fprintf(stderr, "cannot read %s\n", entry.path().c_str());
          return 1;
        }
        ++replayed;
      }
    } else if (Replay(path)) {
      ++replayed;
    } else {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 1;
    }
  }
  // A corpus that went missing would otherwise pass unnoticed.
  if (replayed == 0) {
    std::fprintf(stderr, "no input replayed\n");
    return 1;
  }
  std::printf("%d inputs replayed\n", replayed);
  return 0;
}
