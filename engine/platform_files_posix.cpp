#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

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
    info.error = ErrorOf(errno);
    return info;
  }
  info.error = PathError::kNone;
  info.isFolder = S_ISDIR(st.st_mode);
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

FileHandle OpenForReading(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kNoFile;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kNoFile;
  }
  return fd;
}

FileHandle CreateForWriting(const std::string& path, const PathInfo* replaced) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return kNoFile;
  // A replaced file keeps its permissions; failing to is no reason to stop.
  if (replaced != nullptr) (void)::fchmod(fd, static_cast<mode_t>(replaced->permissions));
  return fd;
}

std::int64_t ReadSome(FileHandle file, char* data, std::size_t size) {
  while (true) {
    const ssize_t got = ::read(Descriptor(file), data, size);
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
