// Text files as the converter reads and writes them.
//
// Reading: line by line, LF or CR LF (a trailing CR is dropped). The encoding
// is decided once per file: a file that starts with a UTF-16 byte-order mark
// (FF FE little-endian, FE FF big-endian, as Windows editors save "Unicode"
// text) is UTF-16; a file that is valid UTF-8 (plain ASCII included) is
// UTF-8; any other is CP932, the code page of Japanese Windows that the
// receivers' companion programs wrote. Lines come out as UTF-8; a byte-order
// mark is dropped. Broken UTF-16 (a lone surrogate, an odd last byte) reads
// as U+FFFD.
//
// Writing: every line ends with CR LF, in UTF-8 or CP932. Characters that
// CP932 lacks are written as "?" and counted. The output is
// written to a temporary file in the same folder (for an addition, after a
// copy of the output's old content) and renamed over the target only when
// the conversion completes. So a conversion that stops, or a process that
// is killed, leaves the output exactly as it was; a killed process leaves
// the temporary file, which the next conversion of that output replaces.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/platform_files.hpp"
#include "text/line_source.hpp"

namespace vc::engine {

// UTF-16 is read only: an output is written in UTF-8 or CP932.
enum class Encoding { kUtf8, kCp932, kUtf16Le, kUtf16Be };

// Converts between UTF-8 and CP932. Bytes that do not decode become U+FFFD;
// characters CP932 lacks are written as "?", as Windows does. Built on iconv,
// or on Windows on its own code page conversions.
class Cp932Codec {
 public:
  Cp932Codec();
  ~Cp932Codec();
  Cp932Codec(const Cp932Codec&) = delete;
  Cp932Codec& operator=(const Cp932Codec&) = delete;
  void Decode(std::string_view cp932, std::string& utf8);  // appends
  void Encode(std::string_view utf8, std::string& cp932);  // appends

 private:
  void* decoder_;
  void* encoder_;
};

// UTF-16 code units to UTF-8, fed in pieces that may cut a code unit or a
// surrogate pair.
class Utf16Decoder {
 public:
  explicit Utf16Decoder(bool bigEndian = false) noexcept : bigEndian_(bigEndian) {}
  // Appends the UTF-8 of the complete characters in `bytes` and keeps the
  // rest for the next piece.
  void Decode(std::string_view bytes, std::string& utf8);
  // The end of the text: what is kept becomes U+FFFD.
  void Finish(std::string& utf8);

 private:
  void DecodeUnit(char16_t unit, std::string& utf8);

  bool bigEndian_;
  bool hasOddByte_ = false;
  unsigned char oddByte_ = 0;
  char16_t highSurrogate_ = 0;  // 0 when none is waiting for its pair
};

class InputTextFile final : public text::LineSource {
 public:
  InputTextFile() = default;
  ~InputTextFile() override;
  InputTextFile(const InputTextFile&) = delete;
  InputTextFile& operator=(const InputTextFile&) = delete;

  // False when the file cannot be opened or read.
  bool Open(const std::string& path);
  [[nodiscard]] Encoding encoding() const noexcept { return encoding_; }
  // True after a read error; the lines read so far are not the whole file.
  [[nodiscard]] bool Failed() const noexcept { return failed_; }
  // Bytes of the lines handed out (of their UTF-8 text for a UTF-16 file).
  [[nodiscard]] std::uint64_t BytesRead() const noexcept { return consumed_; }

  [[nodiscard]] bool AtEnd() const override;
  bool ReadLine(std::string& line) override;

 private:
  bool DetectEncoding();
  bool Fill() const;
  bool FillUtf16() const;
  void Close();

  platform::FileHandle file_ = platform::kNoFile;
  Encoding encoding_ = Encoding::kUtf8;
  mutable std::vector<char> buffer_;
  mutable std::size_t begin_ = 0;
  mutable std::size_t end_ = 0;
  mutable bool endOfFile_ = false;
  mutable bool failed_ = false;
  std::uint64_t consumed_ = 0;
  std::string raw_;
  Cp932Codec* codec_ = nullptr;
  mutable Utf16Decoder utf16_;
  mutable std::vector<char> utf16Chunk_;
  mutable std::string decoded_;
};

class OutputTextFile {
 public:
  enum class Mode { kReplace, kAppend };

  OutputTextFile() = default;
  ~OutputTextFile();
  OutputTextFile(const OutputTextFile&) = delete;
  OutputTextFile& operator=(const OutputTextFile&) = delete;

  // False when the file cannot be created or opened for writing. A UTF-16
  // `encoding` (the input's, when the input decides) writes UTF-8.
  bool Open(const std::string& path, Mode mode, Encoding encoding);
  // Writes the text and CR LF (the text may hold CR LF of its own).
  void WriteLine(std::string_view text);
  // Writes the text alone; it must end on a whole character.
  void Write(std::string_view text);
  // Makes the written text the file's content; false when that failed, and
  // then the target is as it was.
  bool Commit();
  // Leaves the target as it was before Open.
  void Abort();
  [[nodiscard]] bool Failed() const noexcept { return failed_; }
  [[nodiscard]] const std::string& path() const noexcept { return path_; }
  // Characters written as "?" because the output's encoding lacks them.
  [[nodiscard]] std::int64_t ReplacedCharacters() const noexcept { return replaced_; }

  // The name of the temporary file used while `path` is replaced.
  static std::string TemporaryNameFor(const std::string& path);

 private:
  bool Flush();
  void CloseDescriptor();

  platform::FileHandle file_ = platform::kNoFile;
  Mode mode_ = Mode::kReplace;
  Encoding encoding_ = Encoding::kUtf8;
  std::string path_;
  std::string temporaryPath_;
  std::string pending_;
  std::string encoded_;
  bool failed_ = false;
  std::int64_t replaced_ = 0;
  Cp932Codec* codec_ = nullptr;
};

}  // namespace vc::engine
