#include "engine/text_file.hpp"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::size_t kReadChunk = 1 << 18;
constexpr std::size_t kWriteChunk = 1 << 20;
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

iconv_t AsIconv(void* handle) { return static_cast<iconv_t>(handle); }
bool IsOpen(void* handle) { return handle != reinterpret_cast<void*>(-1); }

// Runs one iconv conversion, replacing what cannot be converted.
void Convert(void* handle, std::string_view in, std::string& out, std::string_view replacement,
             bool skipWholeCharacter) {
  if (!IsOpen(handle)) {
    out.append(in);
    return;
  }
  iconv_t cd = AsIconv(handle);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  std::array<char, 4096> buf{};
  while (inLeft > 0) {
    char* outPtr = buf.data();
    std::size_t outLeft = buf.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buf.data(), buf.size() - outLeft);
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: an unconvertible or cut-off sequence.
    out.append(replacement);
    std::size_t skip = 1;
    if (skipWholeCharacter) {
      const std::string_view rest(inPtr, inLeft);
      skip = text::LeftChars(rest, 1).size();
    }
    inPtr += skip;
    inLeft -= skip;
  }
  char* outPtr = buf.data();
  std::size_t outLeft = buf.size();
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buf.data(), buf.size() - outLeft);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Copies the file at `path` to the descriptor; false on any failure.
bool CopyFileInto(const std::string& path, int fd) {
  const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  std::vector<char> buffer(kReadChunk);
  bool copied = true;
  while (copied) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      copied = n == 0;
      break;
    }
    copied = WriteAll(fd, buffer.data(), static_cast<std::size_t>(n));
  }
  ::close(in);
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

Cp932Codec::Cp932Codec()
    : decoder_(iconv_open("UTF-8", "CP932")), encoder_(iconv_open("CP932", "UTF-8")) {}

Cp932Codec::~Cp932Codec() {
  if (IsOpen(decoder_)) iconv_close(AsIconv(decoder_));
  if (IsOpen(encoder_)) iconv_close(AsIconv(encoder_));
}

void Cp932Codec::Decode(std::string_view cp932, std::string& utf8) {
  Convert(decoder_, cp932, utf8, kReplacementCharacter, false);
}

void Cp932Codec::Encode(std::string_view utf8, std::string& cp932) {
  Convert(encoder_, utf8, cp932, "?", true);
}

// ---------------------------------------------------------------------------

InputTextFile::~InputTextFile() { Close(); }

void InputTextFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  delete codec_;
  codec_ = nullptr;
}

bool InputTextFile::Open(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return false;
  }
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
    const ssize_t got = ::read(fd_, chunk.data() + carry, kReadChunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
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
  return ::lseek(fd_, 0, SEEK_SET) == 0;
}

bool InputTextFile::Fill() const {
  if (begin_ < end_) return true;
  if (endOfFile_ || fd_ < 0) return false;
  begin_ = end_ = 0;
  while (true) {
    const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) failed_ = true;
    if (got <= 0) {
      endOfFile_ = true;
      return false;
    }
    end_ = static_cast<std::size_t>(got);
    return true;
  }
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
  if (fd_ >= 0) Abort();
  delete codec_;
}

std::string OutputTextFile::TemporaryNameFor(const std::string& path) {
  const auto slash = path.find_last_of('/');
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
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return false;
  temporaryPath_ = TemporaryNameFor(path);
  fd_ = ::open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  // The replaced file keeps its permissions.
  if (exists) (void)::fchmod(fd_, st.st_mode & 07777);
  // An addition is written after a copy of the output, not into the output
  // itself: a process killed half-way then leaves the output as it was.
  if (mode == Mode::kAppend && exists && !CopyFileInto(path, fd_)) {
    Abort();
    return false;
  }
  return true;
}

void OutputTextFile::Write(std::string_view text) {
  if (fd_ < 0 || failed_) return;
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
  if (!WriteAll(fd_, pending_.data(), pending_.size())) failed_ = true;
  pending_.clear();
  return !failed_;
}

void OutputTextFile::CloseDescriptor() {
  if (fd_ >= 0 && ::close(fd_) != 0) failed_ = true;
  fd_ = -1;
}

bool OutputTextFile::Commit() {
  if (fd_ < 0) return false;
  Flush();
  if (!failed_ && ::fsync(fd_) != 0 && errno != EINVAL) failed_ = true;
  CloseDescriptor();
  if (!failed_ && ::rename(temporaryPath_.c_str(), path_.c_str()) != 0) failed_ = true;
  if (failed_) {
    fd_ = -1;
    ::unlink(temporaryPath_.c_str());
    return false;
  }
  return true;
}

void OutputTextFile::Abort() {
  pending_.clear();
  if (fd_ < 0) return;
  CloseDescriptor();
  ::unlink(temporaryPath_.c_str());
}

}  // namespace vc::engine
