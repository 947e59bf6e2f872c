// The map program's keys in the Windows registry, and its start with
// CreateProcessW. Texts cross the API as UTF-16.
#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "launcher/launcher.hpp"
#include "launcher/locate.hpp"
#include "launcher/win32_registry.hpp"

namespace vc::launcher {

namespace {

// The 32-bit view first, then the native one (the same view on 32-bit Windows).
constexpr std::array<REGSAM, 2> kViews = {KEY_WOW64_32KEY, 0};

// A value that grows between the size query and the read is asked again,
// but not forever.
constexpr int kReadAttempts = 3;

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

HKEY RootKey(RegistryRoot /*root*/) { return HKEY_LOCAL_MACHINE; }

// A key opened for reading in one view; closed on every way out.
class OpenKey {
 public:
  OpenKey(RegistryRoot root, const std::wstring& subkey, REGSAM view) {
    isOpen_ = RegOpenKeyExW(RootKey(root), subkey.c_str(), 0, KEY_QUERY_VALUE | view, &key_) ==
              ERROR_SUCCESS;
  }
  ~OpenKey() {
    if (isOpen_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  [[nodiscard]] bool IsOpen() const { return isOpen_; }
  [[nodiscard]] HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
  bool isOpen_ = false;
};

// Installers that write a path with %ProgramFiles% or the like store it as
// REG_EXPAND_SZ; it names the same file once its variables are expanded.
bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

std::optional<std::wstring> ExpandVariables(const std::wstring& text) {
  // The value read may hold NULs; like the system, expansion stops at the first.
  const std::wstring untilNul(text.c_str());
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    const DWORD needed = ExpandEnvironmentStringsW(untilNul.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(untilNul.c_str(), expanded.data(), needed);
    if (written == 0) return std::nullopt;
    if (written > needed) continue;  // a variable grew in between
    expanded.resize(written - 1);    // less the closing NUL
    return expanded;
  }
  return std::nullopt;
}

// The whole value: a buffer too small leaves its content undefined, so the
// size is asked first; the cut to the lookup's buffer is made by the caller.
std::optional<std::wstring> ReadString(const OpenKey& key, const std::wstring& name) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        !IsStringType(type)) {
      return std::nullopt;
    }
    std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS || !IsStringType(type)) return std::nullopt;
    buffer.resize(bytes / sizeof(wchar_t));
    if (type == REG_EXPAND_SZ) return ExpandVariables(buffer);
    return buffer;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> ReadDword(const OpenKey& key, const std::wstring& name) {
  DWORD type = 0;
  DWORD number = 0;
  DWORD bytes = sizeof(number);
  if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number),
                       &bytes) != ERROR_SUCCESS ||
      type != REG_DWORD || bytes != sizeof(number)) {
    return std::nullopt;
  }
  return number;
}

}  // namespace

std::optional<std::string> Win32Registry::QueryString(RegistryRoot root, std::string_view subkey,
                                                      std::string_view valueName) const {
  const std::wstring wideKey = Widen(subkey);
  const std::wstring wideName = Widen(valueName);
  for (const REGSAM view : kViews) {
    const OpenKey key(root, wideKey, view);
    if (!key.IsOpen()) continue;
    if (auto value = ReadString(key, wideName)) return Narrow(*value);
  }
  return std::nullopt;
}

std::optional<std::uint32_t> Win32Registry::QueryDword(RegistryRoot root, std::string_view subkey,
                                                       std::string_view valueName) const {
  const std::wstring wideKey = Widen(subkey);
  const std::wstring wideName = Widen(valueName);
  for (const REGSAM view : kViews) {
    const OpenKey key(root, wideKey, view);
    if (!key.IsOpen()) continue;
    if (auto number = ReadDword(key, wideName)) return number;
  }
  return std::nullopt;
}

std::string LocateProAtlas() { return LocateProAtlas(Win32Registry()); }

LaunchResult LaunchProAtlas(std::string_view scriptPath) {
  LaunchResult result;
  result.program = LocateProAtlas();
  if (result.program.empty()) return result;

  // The program is named as the application to start, so a path with blanks
  // cannot start whatever sits at its first blank; it is quoted again as the
  // command line's first word, which the program sees as its own name.
  const std::wstring program = Widen(result.program);
  std::wstring commandLine = L"\"" + program + L"\" \"" + Widen(scriptPath) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    result.status = LaunchStatus::kStartFailed;
    result.systemError = static_cast<int>(GetLastError());
    return result;
  }
  // Not waited for: the handles are only let go.
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.status = LaunchStatus::kStarted;
  return result;
}

std::string SystemErrorText(int systemError) {
  std::array<wchar_t, 512> buffer{};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(systemError), 0, buffer.data(),
                                static_cast<DWORD>(buffer.size()), nullptr);
  // The system's sentences end with CR LF.
  while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' ||
                        buffer[length - 1] == L' ')) {
    --length;
  }
  if (length == 0) return "error " + std::to_string(systemError);
  return Narrow(std::wstring_view(buffer.data(), length));
}

}  // namespace vc::launcher
