#include "engine/text_file.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <stop_token>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::size_t kReadChunk = 1 << 18;
// A few chunks ahead at most, whatever the file's size.
constexpr std::size_t kReadAheadChunks = 4;
constexpr std::size_t kWriteChunk = 1 << 20;
constexpr std::int64_t kWriteBackChunk = std::int64_t{8} << 20;

constexpr std::string_view kTemporaryPrefix = ".vornconv-";
constexpr std::string_view kTemporaryLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kTemporaryRandomLength = 8;
// 36^8 names: a name already taken twice in a row is someone at work on the
// folder, and a hundred tries are more than enough.
constexpr int kTemporaryAttempts = 100;

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of(platform::kPathSeparators);
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string LastErrorText() { return platform::ErrorText(platform::LastError()); }

// Copies the file at `path` into `out`; false on any failure, with `reason`.
bool CopyFileInto(const std::string& path, platform::FileHandle out, std::string& reason) {
  const platform::FileHandle in = platform::OpenForReading(path);
  if (in == platform::kNoFile) {
    reason = LastErrorText();
    return false;
  }
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
  if (!copied) reason = LastErrorText();
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

// Eight bytes at a time: the files are logs of hundreds of megabytes.
bool IsPlainAscii(std::string_view bytes) {
  std::uint64_t high = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // The whole file is looked at before its first line is read: 64 bytes at
  // a time where the processor has 16-byte registers.
  __m128i a = _mm_setzero_si128();
  __m128i b = _mm_setzero_si128();
  __m128i c = _mm_setzero_si128();
  __m128i d = _mm_setzero_si128();
  const auto* const data = reinterpret_cast<const __m128i*>(bytes.data());
  for (; i + 64 <= bytes.size(); i += 64) {
    const std::size_t k = i / 16;
    a = _mm_or_si128(a, _mm_loadu_si128(data + k));
    b = _mm_or_si128(b, _mm_loadu_si128(data + k + 1));
    c = _mm_or_si128(c, _mm_loadu_si128(data + k + 2));
    d = _mm_or_si128(d, _mm_loadu_si128(data + k + 3));
  }
  if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0) return false;
#endif
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + i, sizeof word);
    high |= word;
  }
  for (; i < bytes.size(); ++i) high |= static_cast<unsigned char>(bytes[i]);
  return (high & 0x8080808080808080ULL) == 0;
}

// What the bytes of a stretch of a file say of its encoding.
struct EncodingScan {
  bool readFailed = false;
  std::string error;  // the system's words for the failed read
  bool utf8 = true;
  bool plainAscii = true;
};

// Looks at the bytes from `from`, a character's first, up to `to`, or to the
// end of the file when `to` is negative; it gives up early when `stop` asks.
EncodingScan ScanStretch(platform::FileHandle file, std::int64_t from, std::int64_t to,
                         const std::stop_token& stop) {
  EncodingScan scan;
  std::string chunk(kReadChunk + 4, '\0');
  std::size_t carry = 0;
  for (std::int64_t at = from; !stop.stop_requested();) {
    const std::size_t wanted =
        to < 0 ? kReadChunk : std::min(kReadChunk, static_cast<std::size_t>(to - at));
    const std::int64_t got =
        wanted == 0 ? 0 : platform::ReadSomeAt(file, at, chunk.data() + carry, wanted);
    if (got < 0) {
      scan.readFailed = true;
      scan.error = LastErrorText();
      break;
    }
    at += got;
    const std::size_t size = carry + static_cast<std::size_t>(got);
    if (got == 0) {
      scan.utf8 = text::IsValidUtf8(std::string_view(chunk.data(), size));
      break;
    }
    const bool plainChunk = IsPlainAscii(std::string_view(chunk.data(), size));
    scan.plainAscii = scan.plainAscii && plainChunk;
    const std::size_t cut = plainChunk ? size : SafeCut(chunk.data(), size);
    if (!plainChunk && !text::IsValidUtf8(std::string_view(chunk.data(), cut))) {
      scan.utf8 = false;
      break;
    }
    carry = size - cut;
    std::memmove(chunk.data(), chunk.data() + cut, carry);
  }
  return scan;
}

// Where the second half of a file begins for a look at its encoding: at its
// middle, or just after, past the continuation bytes of a UTF-8 character
// there. More than three in a row cannot be UTF-8, and the second half says
// so. 0 when the middle cannot be read: then one pass says why.
std::int64_t SecondHalfStart(platform::FileHandle file, std::int64_t length) {
  const std::int64_t middle = length / 2;
  std::array<char, 3> bytes{};
  const std::int64_t got = platform::ReadSomeAt(file, middle, bytes.data(), bytes.size());
  if (middle == 0 || got < 0) return 0;
  std::int64_t skipped = 0;
  while (skipped < got &&
         (static_cast<unsigned char>(bytes[static_cast<std::size_t>(skipped)]) & 0xC0) == 0x80) {
    ++skipped;
  }
  return middle + skipped;
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
  // The worker reads the file until it is stopped.
  readAhead_.reset();
  if (file_ != platform::kNoFile) platform::CloseFile(file_);
  file_ = platform::kNoFile;
  codec_.reset();
}

bool InputTextFile::Open(const std::string& path) {
  Close();
  error_.clear();
  file_ = platform::OpenForReading(path);
  if (file_ == platform::kNoFile) {
    error_ = LastErrorText();
    return false;
  }
  buffer_.resize(kReadChunk);
  begin_ = end_ = 0;
  endOfFile_ = failed_ = false;
  consumed_ = 0;
  bytesFromFile_ = 0;
  lengthAtOpen_ = platform::FileSize(file_);
  if (!DetectEncoding()) {
    Close();
    return false;
  }
  if (encoding_ == Encoding::kCp932) {
    codec_ = std::make_unique<Cp932Codec>();
    // Undecoded CP932 bytes would pass for UTF-8 text.
    error_ = codec_->Problem();
    if (!error_.empty()) {
      Close();
      return false;
    }
  }
  if (IsUtf16(encoding_)) {
    utf16_ = Utf16Decoder(encoding_ == Encoding::kUtf16Be);
    utf16Chunk_.resize(kReadChunk);
  } else {
    StartReadAhead();
  }
  // A UTF-16 mark is decoded like any character, into the UTF-8 mark.
  if (encoding_ != Encoding::kCp932 && Fill() &&
      std::string_view(data_ + begin_, end_ - begin_).starts_with(kByteOrderMarkUtf8)) {
    begin_ += kByteOrderMarkUtf8.size();
  }
  return true;
}

// One pass over the whole file before the first line: the encoding is a
// property of the file, not of a line. A large file is looked at in two
// halves at once, the second on another thread.
bool InputTextFile::DetectEncoding() {
  encoding_ = Encoding::kUtf8;
  plainAscii_ = true;
  std::array<char, 2> start{};
  const std::int64_t got = platform::ReadSomeAt(file_, 0, start.data(), start.size());
  if (got < 0) {
    error_ = LastErrorText();
    return false;
  }
  if (!HasUtf16Mark(std::string_view(start.data(), static_cast<std::size_t>(got)), encoding_)) {
    std::int64_t half = UsesSecondThread() ? SecondHalfStart(file_, lengthAtOpen_) : 0;
    EncodingScan first;
    EncodingScan second;
    std::exception_ptr secondFailure;
    {
      std::jthread other;
      try {
        if (half > 0) {
          other = std::jthread([&](const std::stop_token& stop) {
            try {
              second = ScanStretch(file_, half, -1, stop);
            } catch (...) {
              secondFailure = std::current_exception();
            }
          });
        }
      } catch (const std::system_error&) {
        half = 0;  // no thread to be had now: one pass
      }
      first = ScanStretch(file_, 0, half > 0 ? half : -1, {});
      // What the second half says no longer counts. (Leaving the block
      // would ask the same, whatever the first half said.)
      if (first.readFailed || !first.utf8) other.request_stop();
      if (other.joinable()) other.join();
    }
    // In the file's order, as one pass would have met them.
    if (!first.readFailed && first.utf8 && half > 0) {
      if (secondFailure) std::rethrow_exception(secondFailure);
      first.readFailed = second.readFailed;
      first.error = second.error;
      first.utf8 = second.utf8;
      first.plainAscii = first.plainAscii && second.plainAscii;
    }
    if (first.readFailed) {
      error_ = first.error;
      return false;
    }
    if (!first.utf8) encoding_ = Encoding::kCp932;
    plainAscii_ = first.utf8 && first.plainAscii;
  }
  if (!platform::Rewind(file_)) {
    error_ = LastErrorText();
    return false;
  }
  return true;
}

bool InputTextFile::UsesSecondThread() const {
  return lengthAtOpen_ >= readAheadSetting_.minimumBytes &&
         (readAheadSetting_.anyMachine || std::thread::hardware_concurrency() > 1);
}

void InputTextFile::StartReadAhead() {
  if (!UsesSecondThread()) return;
  try {
    readAhead_ = std::make_unique<ReadAhead>(file_, readAheadSetting_.chunkBytes, kReadAheadChunks);
  } catch (const std::system_error&) {
    // A system that cannot start another thread now: this one reads.
  }
}

bool InputTextFile::Fill() const {
  if (begin_ < end_) return true;
  if (endOfFile_ || file_ == platform::kNoFile) return false;
  if (IsUtf16(encoding_)) return FillUtf16();
  begin_ = end_ = 0;
  std::int64_t got = 0;
  if (readAhead_ != nullptr) {
    const ReadAhead::Chunk& chunk = readAhead_->Next();
    data_ = chunk.data;
    got = chunk.size;
    if (got < 0) error_ = chunk.error;
  } else {
    data_ = buffer_.data();
    got = platform::ReadSome(file_, buffer_.data(), buffer_.size());
    if (got < 0) error_ = LastErrorText();
  }
  if (got < 0) {
    failed_ = true;
  } else if (got == 0 && bytesFromFile_ < lengthAtOpen_) {
    failed_ = true;
    error_ = "The file became shorter while it was read";
  }
  if (got <= 0) {
    // The read-ahead stays until Close: views into its last chunks are
    // still good after the end.
    endOfFile_ = true;
    return false;
  }
  bytesFromFile_ += got;
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
  data_ = buffer_.data();
  begin_ = 0;
  end_ = buffer_.size();
  return end_ > 0;
}

bool InputTextFile::AtEnd() const { return !Fill(); }

bool InputTextFile::ReadLine(std::string& line) {
  line.clear();
  return AppendLine(line);
}

bool InputTextFile::ReadLineView(std::string_view& line, std::string& storage) {
  // The buffer holds UTF-8 but for CP932, which is decoded line by line.
  if (encoding_ != Encoding::kCp932 && Fill()) {
    const char* from = data_ + begin_;
    const std::size_t available = end_ - begin_;
    if (const void* newline = std::memchr(from, '\n', available)) {
      auto length = static_cast<std::size_t>(static_cast<const char*>(newline) - from);
      begin_ += length + 1;
      consumed_ += length + 1;
      if (length > 0 && from[length - 1] == '\r') --length;
      line = std::string_view(from, length);
      return true;
    }
  }
  if (!ReadLine(storage)) return false;
  line = storage;
  return true;
}

bool InputTextFile::ReadBlock(std::vector<std::string_view>& lines, std::string& storage) {
  lines.clear();
  if (encoding_ != Encoding::kCp932 && Fill()) {
    const char* const data = data_;
    for (std::size_t at = begin_;;) {
      const void* newline = std::memchr(data + at, '\n', end_ - at);
      // A block that runs past the buffer, or the file's last line without
      // its end, is read the copying way, from its first line.
      if (newline == nullptr) break;
      const auto next = static_cast<std::size_t>(static_cast<const char*>(newline) - data) + 1;
      std::size_t length = next - 1 - at;
      if (length > 0 && data[at + length - 1] == '\r') --length;
      if (length == 0) {
        consumed_ += next - begin_;
        begin_ = next;
        return true;
      }
      lines.emplace_back(data + at, length);
      at = next;
    }
    lines.clear();
  }
  return LineSource::ReadBlock(lines, storage);
}

bool InputTextFile::AppendLine(std::string& text) {
  const bool cp932 = encoding_ == Encoding::kCp932;
  std::string& target = cp932 ? raw_ : text;
  raw_.clear();
  if (!Fill()) return false;
  const std::size_t start = target.size();
  while (Fill()) {
    const char* from = data_ + begin_;
    const std::size_t available = end_ - begin_;
    const void* newline = std::memchr(from, '\n', available);
    if (newline != nullptr) {
      const auto length = static_cast<std::size_t>(static_cast<const char*>(newline) - from);
      target.append(from, length);
      begin_ += length + 1;
      consumed_ += length + 1;
      break;
    }
    target.append(from, available);
    begin_ = end_;
    consumed_ += available;
  }
  if (target.size() > start && target.back() == '\r') target.pop_back();
  if (cp932) codec_->Decode(raw_, text);
  return true;
}

// ---------------------------------------------------------------------------

OutputTextFile::~OutputTextFile() {
  if (file_ != platform::kNoFile) Abort();
}

bool OutputTextFile::IsTemporaryName(std::string_view name) {
  return name.size() == kTemporaryPrefix.size() + kTemporaryRandomLength &&
         name.starts_with(kTemporaryPrefix);
}

void OutputTextFile::FailWithSystemError() {
  if (!failed_) error_ = LastErrorText();
  failed_ = true;
}

// A fresh random name each time, created only when nothing is there: no
// other process can have it open or have put a link in its place.
bool OutputTextFile::CreateTemporaryFile() {
  const std::string folder = FolderOf(path_);
  std::random_device random;
  std::uniform_int_distribution<std::size_t> letter(0, kTemporaryLetters.size() - 1);
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    std::string name = folder + std::string(kTemporaryPrefix);
    for (std::size_t i = 0; i < kTemporaryRandomLength; ++i)
      name += kTemporaryLetters[letter(random)];
    file_ = platform::CreateNew(name);
    if (file_ != platform::kNoFile) {
      temporaryPath_ = std::move(name);
      return true;
    }
    error_ = LastErrorText();
    // Anything but a name that is taken will fail again.
    if (platform::Inspect(name).error != platform::PathError::kNone) break;
  }
  return false;
}

bool OutputTextFile::Open(const std::string& path, Mode mode, Encoding encoding) {
  path_ = path;
  // What is read as UTF-16 is written as UTF-8.
  encoding_ = IsUtf16(encoding) ? Encoding::kUtf8 : encoding;
  failed_ = false;
  replaced_ = 0;
  error_.clear();
  temporaryPath_.clear();
  pending_.clear();
  written_ = 0;
  writtenBack_ = 0;
  if (encoding_ == Encoding::kCp932) {
    if (codec_ == nullptr) codec_ = std::make_unique<Cp932Codec>();
    // Without a converter the bytes would be UTF-8 in a file declared CP932.
    error_ = codec_->Problem();
    if (!error_.empty()) return false;
  }
  const platform::PathInfo target = platform::Inspect(path);
  const bool exists = target.error == platform::PathError::kNone;
  if (exists && target.isFolder) {
    error_ = platform::ErrorText(platform::kErrorIsAFolder);
    return false;
  }
  // A replaced file keeps its permissions; a new one gets what the user's
  // file-creation mask gives. They are set only just before the rename.
  permissions_ = exists ? target.permissions : platform::NewFilePermissions();
  if (!CreateTemporaryFile()) return false;
  // An addition is written after a copy of the output, not into the output
  // itself: a process killed half-way then leaves the output as it was.
  if (mode == Mode::kAppend && exists && !CopyFileInto(path, file_, error_)) {
    Abort();
    return false;
  }
  written_ = std::max<std::int64_t>(platform::FileSize(file_), 0);
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
  if (!platform::WriteAll(file_, pending_.data(), pending_.size())) FailWithSystemError();
  written_ += static_cast<std::int64_t>(pending_.size());
  // The disk writes what is done while the rest is made, so the sync before
  // the rename waits only for the last part.
  if (written_ - writtenBack_ >= kWriteBackChunk) {
    platform::StartWriteBack(file_, writtenBack_, written_ - writtenBack_);
    writtenBack_ = written_;
  }
  pending_.clear();
  return !failed_;
}

void OutputTextFile::CloseDescriptor() {
  if (file_ != platform::kNoFile && !platform::CloseFile(file_)) FailWithSystemError();
  file_ = platform::kNoFile;
}

bool OutputTextFile::Commit() {
  if (file_ == platform::kNoFile) return false;
  Flush();
  if (!failed_ && !platform::SetPermissions(file_, permissions_)) FailWithSystemError();
  if (!failed_ && !platform::SyncToDisk(file_)) FailWithSystemError();
  CloseDescriptor();
  if (!failed_ && !platform::MoveIntoPlace(temporaryPath_, path_)) FailWithSystemError();
  if (failed_) {
    platform::RemoveFile(temporaryPath_);
    return false;
  }
  return true;
}

void OutputTextFile::Abort() {
  pending_.clear();
  if (file_ == platform::kNoFile) return;
  // The reason of an earlier failure is kept; closing a file that is thrown
  // away cannot fail the conversion.
  const std::string reason = error_;
  CloseDescriptor();
  error_ = reason;
  platform::RemoveFile(temporaryPath_);
}

bool DetectFileEncoding(const std::string& path, Encoding& encoding, bool& plainAscii,
                        std::string& reason) {
  InputTextFile file;
  if (!file.Open(path)) {
    reason = file.ErrorText();
    return false;
  }
  encoding = file.encoding();
  plainAscii = file.PlainAscii();
  return true;
}

}  // namespace vc::engine
