#include "engine/text_file.hpp"

#include <cstring>
#include <random>

#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::size_t kReadChunk = 1 << 18;
constexpr std::size_t kWriteChunk = 1 << 20;

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

bool IsPlainAscii(std::string_view bytes) {
  unsigned char high = 0;
  for (const char c : bytes) high |= static_cast<unsigned char>(c);
  return high < 0x80;
}

}  // namespace

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
    error_ = LastErrorText();
    Close();
    return false;
  }
  if (encoding_ == Encoding::kCp932) {
    codec_ = new Cp932Codec();
    // Undecoded CP932 bytes would pass for UTF-8 text.
    error_ = codec_->Problem();
    if (!error_.empty()) {
      Close();
      return false;
    }
  }
  if (encoding_ == Encoding::kUtf8 && Fill() && end_ - begin_ >= 3 &&
      std::memcmp(buffer_.data() + begin_, "\xEF\xBB\xBF", 3) == 0) {
    begin_ += 3;
  }
  return true;
}

// One pass over the whole file before the first line: the encoding is a
// property of the file, not of a line.
bool InputTextFile::DetectEncoding() {
  encoding_ = Encoding::kUtf8;
  plainAscii_ = true;
  std::string chunk;
  std::size_t carry = 0;
  chunk.resize(kReadChunk + 4);
  while (true) {
    const std::int64_t got = platform::ReadSome(file_, chunk.data() + carry, kReadChunk);
    if (got < 0) return false;
    const std::size_t size = carry + static_cast<std::size_t>(got);
    if (got == 0) {
      if (!text::IsValidUtf8(std::string_view(chunk.data(), size))) {
        encoding_ = Encoding::kCp932;
        plainAscii_ = false;
      }
      break;
    }
    plainAscii_ = plainAscii_ && IsPlainAscii(std::string_view(chunk.data(), size));
    const std::size_t cut = SafeCut(chunk.data(), size);
    if (!text::IsValidUtf8(std::string_view(chunk.data(), cut))) {
      encoding_ = Encoding::kCp932;
      plainAscii_ = false;
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
  begin_ = end_ = 0;
  const std::int64_t got = platform::ReadSome(file_, buffer_.data(), buffer_.size());
  if (got < 0) {
    failed_ = true;
    error_ = LastErrorText();
  } else if (got == 0 && bytesFromFile_ < lengthAtOpen_) {
    failed_ = true;
    error_ = "The file became shorter while it was read";
  }
  if (got <= 0) {
    endOfFile_ = true;
    return false;
  }
  bytesFromFile_ += got;
  end_ = static_cast<std::size_t>(got);
  return true;
}

bool InputTextFile::AtEnd() const { return !Fill(); }

bool InputTextFile::ReadLine(std::string& line) {
  line.clear();
  std::string& target = encoding_ == Encoding::kUtf8 ? line : raw_;
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
  mode_ = mode;
  encoding_ = encoding;
  failed_ = false;
  error_.clear();
  temporaryPath_.clear();
  pending_.clear();
  if (encoding_ == Encoding::kCp932) {
    if (codec_ == nullptr) codec_ = new Cp932Codec();
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
  return true;
}

void OutputTextFile::Write(std::string_view text) {
  if (file_ == platform::kNoFile || failed_) return;
  if (encoding_ == Encoding::kCp932) {
    codec_->Encode(text, pending_);
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
