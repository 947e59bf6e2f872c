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
// A file that became shorter while it was read (another program cut it)
// counts as a read error: its lines are not the whole file that was opened.
//
// Writing: every line ends with CR LF, in UTF-8 or CP932. Characters that
// CP932 lacks are written as "?" and counted. The output is
// written to a temporary file in the same folder (for an addition, after a
// copy of the output's old content) and renamed over the target only when
// the conversion completes. So a conversion that stops, or a process that
// is killed, leaves the output exactly as it was. The temporary file has a
// new random name each time (".vornconv-" and 8 letters or digits, short
// whatever the target's length), is created only if nothing is at that
// name, a planted symbolic link included, and only its owner may open it
// until it gets the target's permissions just before the rename. So another
// user who may write the folder can neither redirect nor read nor write the
// output, and two conversions of one output never share a file: the output
// is always one whole result. A process killed with SIGKILL leaves its
// temporary file behind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/platform_files.hpp"
#include "engine/read_ahead.hpp"
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
  // Empty when both directions can be converted; otherwise why not (the
  // system has no CP932 converter). Nothing may be converted then.
  [[nodiscard]] std::string Problem() const;
  void Decode(std::string_view cp932, std::string& utf8);  // appends
  void Encode(std::string_view utf8, std::string& cp932);  // appends

 private:
  void* decoder_;
  void* encoder_;
  int openError_ = 0;
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
// The encoding of an existing file by the rule for reading, and whether it
// holds plain ASCII only; false, with `reason` set, when it cannot be read.
bool DetectFileEncoding(const std::string& path, Encoding& encoding, bool& plainAscii,
                        std::string& reason);

// Which input files are read ahead on a second thread: those of at least
// `minimumBytes`, on a machine with a second core unless `anyMachine`. Below
// a few megabytes the reading costs less than a millisecond, and on a single
// core the two threads would only take turns. The worker reads chunks of
// `chunkBytes` (at least 3, for a UTF-8 byte-order mark in the first), a few
// ahead. Tests change it to read either way, with small chunks.
struct ReadAheadSetting {
  std::int64_t minimumBytes = std::int64_t{4} << 20;
  bool anyMachine = false;
  std::size_t chunkBytes = std::size_t{1} << 19;
};

// A UTF-16 file is always read on the calling thread.
class InputTextFile final : public text::LineSource {
 public:
  InputTextFile() = default;
  explicit InputTextFile(ReadAheadSetting setting) : readAheadSetting_(setting) {}
  ~InputTextFile() override;
  InputTextFile(const InputTextFile&) = delete;
  InputTextFile& operator=(const InputTextFile&) = delete;

  // False when the file cannot be opened or read; ErrorText says why.
  bool Open(const std::string& path);
  [[nodiscard]] Encoding encoding() const noexcept { return encoding_; }
  // Only bytes below 0x80: the same text in either encoding.
  [[nodiscard]] bool PlainAscii() const noexcept { return plainAscii_; }
  // True after a read error, or when the file ended before the length it
  // had when it was opened; the lines read so far are not the whole file.
  [[nodiscard]] bool Failed() const noexcept { return failed_; }
  // Why Open or the reading failed, in the system's words.
  [[nodiscard]] const std::string& ErrorText() const noexcept { return error_; }
  // Bytes of the lines handed out (of their UTF-8 text for a UTF-16 file).
  [[nodiscard]] std::uint64_t BytesRead() const noexcept { return consumed_; }
  // Whether a second thread reads the file ahead.
  [[nodiscard]] bool ReadsAhead() const noexcept { return readAhead_ != nullptr; }

  [[nodiscard]] bool AtEnd() const override;
  bool ReadLine(std::string& line) override;
  bool AppendLine(std::string& text) override;
  bool ReadLineView(std::string_view& line, std::string& storage) override;
  bool ReadBlock(std::vector<std::string_view>& lines, std::string& storage) override;

 private:
  bool DetectEncoding();
  [[nodiscard]] bool UsesSecondThread() const;
  void StartReadAhead();
  bool Fill() const;
  bool FillUtf16() const;
  void Close();

  platform::FileHandle file_ = platform::kNoFile;
  Encoding encoding_ = Encoding::kUtf8;
  bool plainAscii_ = true;
  mutable std::vector<char> buffer_;
  // The chunk in hand: `buffer_`, or one of the read-ahead's.
  mutable const char* data_ = nullptr;
  mutable std::size_t begin_ = 0;
  mutable std::size_t end_ = 0;
  mutable bool endOfFile_ = false;
  mutable bool failed_ = false;
  mutable std::string error_;
  std::int64_t lengthAtOpen_ = 0;
  mutable std::int64_t bytesFromFile_ = 0;
  std::uint64_t consumed_ = 0;
  std::string raw_;
  std::unique_ptr<Cp932Codec> codec_;
  mutable Utf16Decoder utf16_;
  mutable std::vector<char> utf16Chunk_;
  mutable std::string decoded_;
  ReadAheadSetting readAheadSetting_;
  // Declared last, so that it stops before anything it reads for is gone.
  mutable std::unique_ptr<ReadAhead> readAhead_;
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
  // Why opening or writing failed, in the system's words.
  [[nodiscard]] const std::string& ErrorText() const noexcept { return error_; }
  [[nodiscard]] const std::string& path() const noexcept { return path_; }
  // Characters written as "?" because the output's encoding lacks them.
  [[nodiscard]] std::int64_t ReplacedCharacters() const noexcept { return replaced_; }
  // The temporary file being written; empty when none is open.
  [[nodiscard]] const std::string& temporaryPath() const noexcept { return temporaryPath_; }

  // Whether a file name (without its folder) is one of the temporary files.
  static bool IsTemporaryName(std::string_view name);

 private:
  bool CreateTemporaryFile();
  bool Flush();
  void CloseDescriptor();
  void FailWithSystemError();

  platform::FileHandle file_ = platform::kNoFile;
  Encoding encoding_ = Encoding::kUtf8;
  std::string path_;
  std::string temporaryPath_;
  std::string pending_;
  std::string error_;
  std::uint32_t permissions_ = 0;
  bool failed_ = false;
  std::int64_t replaced_ = 0;
  // Bytes handed to the system, and how many of them it was asked to write
  // back to the disk already.
  std::int64_t written_ = 0;
  std::int64_t writtenBack_ = 0;
  std::unique_ptr<Cp932Codec> codec_;
};

}  // namespace vc::engine
