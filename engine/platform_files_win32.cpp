// The engine's file calls on Windows. Handles are opened without
// inheritance, so a started program (the map program) holds none of them.
#include <windows.h>

#include <algorithm>
#include <string>

#include "engine/platform_files.hpp"

namespace vc::engine::platform {
namespace {

// ReadFile and WriteFile take a 32-bit count.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 30;

HANDLE AsHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(handle);
}

PathError ErrorOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return PathError::kNotFound;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return PathError::kBadName;
    default:
      return PathError::kOther;
  }
}

std::int64_t SizeOf(DWORD high, DWORD low) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

// Opened for its attributes only, so a file another program holds open
// without sharing can still be looked at.
HANDLE OpenForAttributes(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// A link is followed by opening what it leads to.
PathInfo InspectThroughLink(const std::wstring& path) {
  PathInfo info;
  const HANDLE handle = OpenForAttributes(path);
  if (handle == INVALID_HANDLE_VALUE) {
    info.systemError = static_cast<int>(GetLastError());
    info.error = ErrorOf(GetLastError());
    return info;
  }
  BY_HANDLE_FILE_INFORMATION data{};
  if (GetFileInformationByHandle(handle, &data)) {
    info.error = PathError::kNone;
    info.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
  }
  CloseHandle(handle);
  return info;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
  std::wstring wide;
  if (utf8.empty()) return wide;
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (length <= 0) return wide;
  wide.resize(static_cast<std::size_t>(length));
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
  std::string utf8;
  if (wide.empty()) return utf8;
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return utf8;
  utf8.resize(static_cast<std::size_t>(length));
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

PathInfo Inspect(const std::string& path) {
  const std::wstring wide = WideFromUtf8(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    PathInfo info;
    info.systemError = static_cast<int>(GetLastError());
    info.error = ErrorOf(GetLastError());
    return info;
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return InspectThroughLink(wide);
  PathInfo info;
  info.error = PathError::kNone;
  info.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info.size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
  return info;
}

bool IdentifyFile(const std::string& path, FileIdentity& identity) {
  const HANDLE handle = OpenForAttributes(WideFromUtf8(path));
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION data{};
  const bool known = GetFileInformationByHandle(handle, &data) != 0;
  CloseHandle(handle);
  if (!known) return false;
  identity.device = data.dwVolumeSerialNumber;
  identity.index = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
  return true;
}

int LastError() { return static_cast<int>(GetLastError()); }

std::string ErrorText(int code) {
  if (code == kErrorNotARegularFile) return "Not a regular file";
  if (code == kErrorIsAFolder) return "Is a folder";
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string utf8 = length == 0 ? "Error " + std::to_string(static_cast<DWORD>(code))
                                 : Utf8FromWide(std::wstring_view(text, length));
  if (text != nullptr) LocalFree(text);
  // The system's texts end with a full stop and CR LF.
  while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == '.')) {
    utf8.pop_back();
  }
  return utf8;
}

FileHandle OpenForReading(const std::string& path) {
  // Shared for writing and deleting too: the file may be open in the program
  // that records it.
  const HANDLE handle =
      CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return kNoFile;
  // Folders do not open without FILE_FLAG_BACKUP_SEMANTICS; devices and pipes
  // are refused here.
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    SetLastError(static_cast<DWORD>(kErrorNotARegularFile));
    return kNoFile;
  }
  return FromHandle(handle);
}

// CREATE_NEW fails on anything already there, a link included; the file is
// not shared for writing, so no other process can write into it meanwhile.
FileHandle CreateNew(const std::string& path) {
  return FromHandle(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool SetPermissions(FileHandle /*file*/, std::uint32_t /*permissions*/) { return true; }

std::uint32_t NewFilePermissions() { return 0; }

std::int64_t FileSize(FileHandle file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(AsHandle(file), &size)) return -1;
  return static_cast<std::int64_t>(size.QuadPart);
}

std::int64_t ReadSome(FileHandle file, char* data, std::size_t size) {
  DWORD got = 0;
  const auto wanted = static_cast<DWORD>(std::min(size, kLargestTransfer));
  if (!ReadFile(AsHandle(file), data, wanted, &got, nullptr)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return static_cast<std::int64_t>(got);
}

std::int64_t ReadSomeAt(FileHandle file, std::int64_t offset, char* data, std::size_t size) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  DWORD got = 0;
  const auto wanted = static_cast<DWORD>(std::min(size, kLargestTransfer));
  if (!ReadFile(AsHandle(file), data, wanted, &got, &at)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return static_cast<std::int64_t>(got);
}

bool WriteAll(FileHandle file, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min(size, kLargestTransfer));
    if (!WriteFile(AsHandle(file), data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool Rewind(FileHandle file) {
  LARGE_INTEGER start{};
  return SetFilePointerEx(AsHandle(file), start, nullptr, FILE_BEGIN) != 0;
}

// Windows writes back on its own; FlushFileBuffers does the rest.
void StartWriteBack(FileHandle /*file*/, std::int64_t /*offset*/, std::int64_t /*size*/) {}

void ReturnFreedMemory() {}

// A file system that cannot flush (some network shares) loses nothing by it.
bool SyncToDisk(FileHandle file) {
  return FlushFileBuffers(AsHandle(file)) != 0 || GetLastError() == ERROR_INVALID_FUNCTION;
}

bool CloseFile(FileHandle file) { return CloseHandle(AsHandle(file)) != 0; }

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(WideFromUtf8(path).c_str()) != 0; }

std::string ProgramPath() {
  std::wstring buffer(MAX_PATH, L'\0');
  while (buffer.size() <= 32768) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    // A full buffer means the name was cut.
    if (length < buffer.size()) return Utf8FromWide(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

}  // namespace vc::engine::platform
