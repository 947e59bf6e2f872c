#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/platform_files.hpp"

namespace vc::engine::platform {
namespace {

int Descriptor(FileHandle file) { return static_cast<int>(file); }

PathError ErrorOf(int error) {
  switch (error) {
    case ENOENT:
      return PathError::kNotFound;
    case ENOTDIR:
      return PathError::kNotAFolder;
    case ENAMETOOLONG:
    case EINVAL:
      return PathError::kBadName;
    default:
      return PathError::kOther;
  }
}

}  // namespace

PathInfo Inspect(const std::string& path) {
  PathInfo info;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    info.systemError = errno;
    info.error = ErrorOf(info.systemError);
    return info;
  }
  info.error = PathError::kNone;
  info.isFolder = S_ISDIR(st.st_mode);
  info.isSpecial = !info.isFolder && !S_ISREG(st.st_mode);
  info.size = static_cast<std::int64_t>(st.st_size);
  info.permissions = static_cast<std::uint32_t>(st.st_mode & 07777);
  return info;
}

bool IdentifyFile(const std::string& path, FileIdentity& identity) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  identity.device = static_cast<std::uint64_t>(st.st_dev);
  identity.index = static_cast<std::uint64_t>(st.st_ino);
  return true;
}

int LastError() { return errno; }

std::string ErrorText(int code) {
  if (code == kErrorNotARegularFile) return "Not a regular file";
  if (code == kErrorIsAFolder) code = EISDIR;
  std::array<char, 256> buffer{};
  // The GNU strerror_r, which may answer with a text of its own.
  return ::strerror_r(code, buffer.data(), buffer.size());
}

FileHandle OpenForReading(const std::string& path) {
  // O_NONBLOCK: opening a FIFO would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return kNoFile;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int error = S_ISDIR(st.st_mode) ? EISDIR : kErrorNotARegularFile;
    ::close(fd);
    errno = error;
    return kNoFile;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

FileHandle CreateNew(const std::string& path) {
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
  return fd < 0 ? kNoFile : fd;
}

bool SetPermissions(FileHandle file, std::uint32_t permissions) {
  return ::fchmod(Descriptor(file), static_cast<mode_t>(permissions & 07777)) == 0;
}

// Linux tells the mask in /proc; elsewhere it can only be read by setting
// it, which is briefly wrong for other threads creating files.
std::uint32_t NewFilePermissions() {
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    std::array<char, 256> line{};
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line.data(), static_cast<int>(line.size()), status) != nullptr) {
      found = std::sscanf(line.data(), "Umask: %o", &mask) == 1;
    }
    std::fclose(status);
    if (found) return 0666U & ~mask;
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666U & ~static_cast<std::uint32_t>(mask);
}

std::int64_t FileSize(FileHandle file) {
  struct stat st {};
  if (::fstat(Descriptor(file), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::int64_t ReadSome(FileHandle file, char* data, std::size_t size) {
  while (true) {
    const ssize_t got = ::read(Descriptor(file), data, size);
    if (got < 0 && errno == EINTR) continue;
    return got < 0 ? -1 : static_cast<std::int64_t>(got);
  }
}

std::int64_t ReadSomeAt(FileHandle file, std::int64_t offset, char* data, std::size_t size) {
  while (true) {
    const ssize_t got = ::pread(Descriptor(file), data, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    return got < 0 ? -1 : static_cast<std::int64_t>(got);
  }
}

bool WriteAll(FileHandle file, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(Descriptor(file), data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool Rewind(FileHandle file) { return ::lseek(Descriptor(file), 0, SEEK_SET) == 0; }

// Linux starts writing the given range to the disk without waiting for it,
// so the sync at the end finds little left; elsewhere the sync does it all.
void StartWriteBack(FileHandle file, std::int64_t offset, std::int64_t size) {
#ifdef __linux__
  (void)::sync_file_range(Descriptor(file), offset, size, SYNC_FILE_RANGE_WRITE);
#else
  (void)file;
  (void)offset;
  (void)size;
#endif
}

// glibc keeps what a thread frees in that thread's arena, and only the top
// of an arena goes back by itself; the pages of free chunks within go back
// here.
void ReturnFreedMemory() {
#ifdef __GLIBC__
  (void)::malloc_trim(0);
#endif
}

// Some file systems (pipes, a few network mounts) cannot sync: that is no
// failure of the written data.
bool SyncToDisk(FileHandle file) { return ::fsync(Descriptor(file)) == 0 || errno == EINVAL; }

bool CloseFile(FileHandle file) { return ::close(Descriptor(file)) == 0; }

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::string ProgramPath() {
  std::array<char, 4096> buf{};
  const ssize_t length = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (length <= 0) return {};
  return std::string(buf.data(), static_cast<std::size_t>(length));
}

}  // namespace vc::engine::platform
