#include "engine/text_file.hpp"

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
  std::string chunk;
  std::size_t carry = 0;
  chunk.resize(kReadChunk + 4);
  while (true) {
    const std::int64_t got = platform::ReadSome(file_, chunk.data() + carry, kReadChunk);
    if (got < 0) return false;
    const std::size_t size = carry + static_cast<std::size_t>(got);
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

std::string OutputTextFile::TemporaryNameFor(const std::string& path) {
  const auto slash = path.find_last_of(platform::kPathSeparators);
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + base + ".vornconv-partial";
}

bool OutputTextFile::Open(const std::string& path, Mode mode, Encoding encoding) {
  path_ = path;
  mode_ = mode;
  encoding_ = encoding;
  failed_ = false;
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
