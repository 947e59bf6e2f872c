// The operating system's file calls that the engine needs, behind one small
// interface with a POSIX and a Win32 implementation (platform_files_posix.cpp,
// platform_files_win32.cpp; the build picks one). Names are UTF-8 everywhere;
// the Win32 side turns them into UTF-16 at the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vc::engine::platform {

// A POSIX descriptor or a Windows HANDLE; kNoFile when nothing is open.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// The characters that end a folder name in a path.
#ifdef _WIN32
inline constexpr std::string_view kPathSeparators = "/\\";
#else
inline constexpr std::string_view kPathSeparators = "/";
#endif

enum class PathError : std::uint8_t {
  kNone,
  kNotFound,    // nothing of that name (the folder may be missing too)
  kNotAFolder,  // a part of the path before the last is not a folder
  kBadName,     // a name that cannot name a file (too long, invalid characters)
  kOther,
};

struct PathInfo {
  PathError error = PathError::kOther;
  bool isFolder = false;
  std::int64_t size = 0;
  // Neither a folder nor a regular file: a FIFO, a device, a socket.
  bool isSpecial = false;
  // The POSIX permission bits; 0 on Windows, where nothing is carried over.
  std::uint32_t permissions = 0;
  // The system's code for `error` (see ErrorText); 0 when there is none.
  int systemError = 0;
};

// What is at `path`, following links.
PathInfo Inspect(const std::string& path);

// Which file a path leads to: the device and inode on POSIX, the volume
// serial number and file index on Windows.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// False when the path leads to nothing.
bool IdentifyFile(const std::string& path, FileIdentity& identity);

// Why the last failed call of this layer failed on this thread: errno on
// POSIX, GetLastError on Windows, or one of the codes below. Take it right
// after the call; the next call may change it.
int LastError();
// The system's own words for a code ("No space left on device").
std::string ErrorText(int code);
// Codes of this layer's own refusals.
inline constexpr int kErrorNotARegularFile = -1;  // a FIFO, a device, a socket
inline constexpr int kErrorIsAFolder = -2;

// Opens an existing regular file for reading; kNoFile for anything else
// (without waiting for a writer when it is a FIFO).
FileHandle OpenForReading(const std::string& path);
// Creates a new file that nothing else can have opened: it fails when
// anything, a symbolic link included, is already at `path`. Only the
// caller's user may read or write it (mode 0600 on POSIX).
FileHandle CreateNew(const std::string& path);
// Gives an open file the permission bits `permissions` (POSIX; nothing to do
// on Windows, where new files take their folder's).
bool SetPermissions(FileHandle file, std::uint32_t permissions);
// The permission bits a file newly created by this process gets.
std::uint32_t NewFilePermissions();
// The byte count of an open file.
std::int64_t FileSize(FileHandle file);

// Reads up to `size` bytes: their count, 0 at the end, -1 on an error.
std::int64_t ReadSome(FileHandle file, char* data, std::size_t size);
// Reads up to `size` bytes from `offset`, like ReadSome, so that two threads
// can read one file at two places. On Windows it moves the file's position.
std::int64_t ReadSomeAt(FileHandle file, std::int64_t offset, char* data, std::size_t size);
bool WriteAll(FileHandle file, const char* data, std::size_t size);
// Back to the first byte.
bool Rewind(FileHandle file);
// The written bytes on the disk, where the file system can do that.
bool SyncToDisk(FileHandle file);
// Asks the system to begin writing `size` bytes from `offset` to the disk,
// without waiting; a hint, so it cannot fail.
void StartWriteBack(FileHandle file, std::int64_t offset, std::int64_t size);
bool CloseFile(FileHandle file);

// Gives the pages of freed memory back to the system, where the allocator
// would keep them for the thread that first took them; a hint.
void ReturnFreedMemory();

// Puts `from` in the place of `to` in one step, replacing a file there.
bool MoveIntoPlace(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// The path of the running program, or empty when it cannot be told.
std::string ProgramPath();

#ifdef _WIN32
// UTF-8 and the UTF-16 of the Win32 API; bytes that are not UTF-8 become
// U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
#endif

}  // namespace vc::engine::platform
