#include "engine/text_file.hpp"

#include <algorithm>
#include <cstring>

#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::size_t kReadChunk = 1 << 18;
constexpr std::size_t kWriteChunk = 1 << 20;

// Copies the file at `path` into `out`; false on any failure.
bool CopyFileInto(const std::string& path, platform::FileHandle out) {
  const platform::FileHandle in = platform::OpenForReading(path);
  if (in == platform::kNoFile) return false;
  std::vector<char> buffer(kReadChunk);
  bool copied = true;
  while (copied) {
    const std::int64_t n = platform::ReadSome(in, buffer.data(), buffer.size());
    if (n <= 0) {
      copied = n == 0;
      break;
    }
    copied = platform::WriteAll(out, buffer.data(), static_cast<std::size_t>(n));
  }
  platform::CloseFile(in);
  return copied;
}

// The byte where a chunk may be cut without splitting a UTF-8 sequence.
std::size_t SafeCut(const char* data, std::size_t size) {
  for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
    const auto c = static_cast<unsigned char>(data[size - back]);
    if (c < 0x80) return size;
    if (c >= 0xC0) {
      const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
      return length > back ? size - back : size;
    }
  }
  return size;
}

constexpr std::string_view kByteOrderMarkUtf8 = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

void AppendUtf8(std::string& out, char32_t codePoint) {
  const auto byte = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
  if (codePoint < 0x80) {
    byte(codePoint);
  } else if (codePoint < 0x800) {
    byte(0xC0 | (codePoint >> 6));
    byte(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    byte(0xE0 | (codePoint >> 12));
    byte(0x80 | ((codePoint >> 6) & 0x3F));
    byte(0x80 | (codePoint & 0x3F));
  } else {
    byte(0xF0 | (codePoint >> 18));
    byte(0x80 | ((codePoint >> 12) & 0x3F));
    byte(0x80 | ((codePoint >> 6) & 0x3F));
    byte(0x80 | (codePoint & 0x3F));
  }
}

bool IsHighSurrogate(char16_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The encoding a byte-order mark at the start of a file names, if any.
bool HasUtf16Mark(std::string_view start, Encoding& encoding) noexcept {
  if (start.starts_with("\xFF\xFE")) {
    encoding = Encoding::kUtf16Le;
    return true;
  }
  if (start.starts_with("\xFE\xFF")) {
    encoding = Encoding::kUtf16Be;
    return true;
  }
  return false;
}

bool IsUtf16(Encoding encoding) noexcept {
  return encoding == Encoding::kUtf16Le || encoding == Encoding::kUtf16Be;
}

}  // namespace

// ---------------------------------------------------------------------------

void Utf16Decoder::Decode(std::string_view bytes, std::string& utf8) {
  const auto unitOf = [this](unsigned char first, unsigned char second) {
    return static_cast<char16_t>(bigEndian_ ? (first << 8) | second : (second << 8) | first);
  };
  std::size_t i = 0;
  if (hasOddByte_ && !bytes.empty()) {
    DecodeUnit(unitOf(oddByte_, static_cast<unsigned char>(bytes[0])), utf8);
    hasOddByte_ = false;
    i = 1;
  }
  for (; i + 1 < bytes.size(); i += 2) {
    DecodeUnit(
        unitOf(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1])),
        utf8);
  }
  if (i < bytes.size()) {
    hasOddByte_ = true;
    oddByte_ = static_cast<unsigned char>(bytes[i]);
  }
}

void Utf16Decoder::DecodeUnit(char16_t unit, std::string& utf8) {
  if (highSurrogate_ != 0) {
    const char16_t high = highSurrogate_;
    highSurrogate_ = 0;
    if (IsLowSurrogate(unit)) {
      AppendUtf8(utf8, 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) +
                           (static_cast<char32_t>(unit) - 0xDC00));
      return;
    }
    utf8.append(kReplacementCharacter);
  }
  if (IsHighSurrogate(unit)) {
    highSurrogate_ = unit;
  } else if (IsLowSurrogate(unit)) {
    utf8.append(kReplacementCharacter);
  } else {
    AppendUtf8(utf8, unit);
  }
}

void Utf16Decoder::Finish(std::string& utf8) {
  if (highSurrogate_ != 0) utf8.append(kReplacementCharacter);
  if (hasOddByte_) utf8.append(kReplacementCharacter);
  highSurrogate_ = 0;
  hasOddByte_ = false;
}

// ---------------------------------------------------------------------------

InputTextFile::~InputTextFile() { Close(); }

void InputTextFile::Close() {
  if (file_ != platform::kNoFile) platform::CloseFile(file_);
  file_ = platform::kNoFile;
  delete codec_;
  codec_ = nullptr;
}

bool InputTextFile::Open(const std::string& path) {
  Close();
  file_ = platform::OpenForReading(path);
  if (file_ == platform::kNoFile) return false;
  buffer_.resize(kReadChunk);
  begin_ = end_ = 0;
  endOfFile_ = failed_ = false;
  consumed_ = 0;
  if (!DetectEncoding()) {
    Close();
    return false;
  }
  if (encoding_ == Encoding::kCp932) codec_ = new Cp932Codec();
  if (IsUtf16(encoding_)) {
    utf16_ = Utf16Decoder(encoding_ == Encoding::kUtf16Be);
    utf16Chunk_.resize(kReadChunk);
  }
  // A UTF-16 mark is decoded like any character, into the UTF-8 mark.
  if (encoding_ != Encoding::kCp932 && Fill() &&
      std::string_view(buffer_.data() + begin_, end_ - begin_).starts_with(kByteOrderMarkUtf8)) {
    begin_ += kByteOrderMarkUtf8.size();
  }
  return true;
}

// One pass over the whole file before the first line: the encoding is a
// property of the file, not of a line.
bool InputTextFile::DetectEncoding() {
  encoding_ = Encoding::kUtf8;
  std::string chunk;
  std::size_t carry = 0;
  chunk.resize(kReadChunk + 4);
  for (bool first = true;; first = false) {
    const std::int64_t got = platform::ReadSome(file_, chunk.data() + carry, kReadChunk);
    if (got < 0) return false;
    const std::size_t size = carry + static_cast<std::size_t>(got);
    if (first && HasUtf16Mark(std::string_view(chunk.data(), size), encoding_)) break;
    if (got == 0) {
      if (!text::IsValidUtf8(std::string_view(chunk.data(), size))) encoding_ = Encoding::kCp932;
      break;
    }
    const std::size_t cut = SafeCut(chunk.data(), size);
    if (!text::IsValidUtf8(std::string_view(chunk.data(), cut))) {
      encoding_ = Encoding::kCp932;
      break;
    }
    carry = size - cut;
    std::memmove(chunk.data(), chunk.data() + cut, carry);
  }
  return platform::Rewind(file_);
}

bool InputTextFile::Fill() const {
  if (begin_ < end_) return true;
  if (endOfFile_ || file_ == platform::kNoFile) return false;
  if (IsUtf16(encoding_)) return FillUtf16();
  begin_ = end_ = 0;
  const std::int64_t got = platform::ReadSome(file_, buffer_.data(), buffer_.size());
  if (got < 0) failed_ = true;
  if (got <= 0) {
    endOfFile_ = true;
    return false;
  }
  end_ = static_cast<std::size_t>(got);
  return true;
}

// The buffer gets the UTF-8 of the next chunk, so lines are cut as in a
// UTF-8 file.
bool InputTextFile::FillUtf16() const {
  decoded_.clear();
  while (decoded_.empty() && !endOfFile_) {
    const std::int64_t got = platform::ReadSome(file_, utf16Chunk_.data(), utf16Chunk_.size());
    if (got < 0) failed_ = true;
    if (got <= 0) {
      endOfFile_ = true;
      utf16_.Finish(decoded_);
    } else {
      utf16_.Decode(std::string_view(utf16Chunk_.data(), static_cast<std::size_t>(got)), decoded_);
    }
  }
  buffer_.assign(decoded_.begin(), decoded_.end());
  begin_ = 0;
  end_ = buffer_.size();
  return end_ > 0;
}

bool InputTextFile::AtEnd() const { return !Fill(); }

bool InputTextFile::ReadLine(std::string& line) {
  line.clear();
  std::string& target = encoding_ == Encoding::kCp932 ? raw_ : line;
  raw_.clear();
  if (!Fill()) return false;
  while (Fill()) {
    const char* start = buffer_.data() + begin_;
    const std::size_t available = end_ - begin_;
    const void* newline = std::memchr(start, '\n', available);
    if (newline != nullptr) {
      const auto length = static_cast<std::size_t>(static_cast<const char*>(newline) - start);
      target.append(start, length);
      begin_ += length + 1;
      consumed_ += length + 1;
      break;
    }
    target.append(start, available);
    begin_ = end_;
    consumed_ += available;
  }
  if (!target.empty() && target.back() == '\r') target.pop_back();
  if (encoding_ == Encoding::kCp932) codec_->Decode(raw_, line);
  return true;
}

// ---------------------------------------------------------------------------

OutputTextFile::~OutputTextFile() {
  if (file_ != platform::kNoFile) Abort();
  delete codec_;
}

std::string OutputTextFile::TemporaryNameFor(const std::string& path) {
  const auto slash = path.find_last_of(platform::kPathSeparators);
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + base + ".vornconv-partial";
}

bool OutputTextFile::Open(const std::string& path, Mode mode, Encoding encoding) {
  path_ = path;
  mode_ = mode;
  // What is read as UTF-16 is written as UTF-8.
  encoding_ = IsUtf16(encoding) ? Encoding::kUtf8 : encoding;
  failed_ = false;
  replaced_ = 0;
  pending_.clear();
  if (encoding_ == Encoding::kCp932 && codec_ == nullptr) codec_ = new Cp932Codec();
  const platform::PathInfo target = platform::Inspect(path);
  const bool exists = target.error == platform::PathError::kNone;
  if (exists && target.isFolder) return false;
  temporaryPath_ = TemporaryNameFor(path);
  // The replaced file keeps its permissions.
  file_ = platform::CreateForWriting(temporaryPath_, exists ? &target : nullptr);
  if (file_ == platform::kNoFile) return false;
  // An addition is written after a copy of the output, not into the output
  // itself: a process killed half-way then leaves the output as it was.
  if (mode == Mode::kAppend && exists && !CopyFileInto(path, file_)) {
    Abort();
    return false;
  }
  return true;
}

void OutputTextFile::Write(std::string_view text) {
  if (file_ == platform::kNoFile || failed_) return;
  if (encoding_ == Encoding::kCp932) {
    // "?" is one byte in CP932 and never the second byte of a character, so
    // the ones the encoding added are the replaced characters.
    const std::size_t start = pending_.size();
    codec_->Encode(text, pending_);
    replaced_ +=
        std::count(pending_.begin() + static_cast<std::ptrdiff_t>(start), pending_.end(), '?') -
        std::count(text.begin(), text.end(), '?');
  } else {
    pending_.append(text);
  }
  if (pending_.size() >= kWriteChunk) Flush();
}

void OutputTextFile::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

bool OutputTextFile::Flush() {
  if (failed_) return false;
  if (!platform::WriteAll(file_, pending_.data(), pending_.size())) failed_ = true;
  pending_.clear();
  return !failed_;
}

void OutputTextFile::CloseDescriptor() {
  if (file_ != platform::kNoFile && !platform::CloseFile(file_)) failed_ = true;
  file_ = platform::kNoFile;
}

bool OutputTextFile::Commit() {
  if (file_ == platform::kNoFile) return false;
  Flush();
  if (!failed_ && !platform::SyncToDisk(file_)) failed_ = true;
  CloseDescriptor();
  if (!failed_ && !platform::MoveIntoPlace(temporaryPath_, path_)) failed_ = true;
  if (failed_) {
    platform::RemoveFile(temporaryPath_);
    return false;
  }
  return true;
}

void OutputTextFile::Abort() {
  pending_.clear();
  if (file_ == platform::kNoFile) return;
  CloseDescriptor();
  platform::RemoveFile(temporaryPath_);
}

}  // namespace vc::engine
