// A stand-in for the map program in the launcher's tests on Windows: it
// writes the command line it was started with, then each argument, one a
// line in UTF-8, to the file that VC_ARGUMENTS_FILE names. The file appears
// whole (written beside it, then renamed), so a test can wait for it.
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const wchar_t* wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
  text.pop_back();  // the NUL
  return text;
}

bool WriteWhole(const std::wstring& path, const std::string& content) {
  const std::wstring partial = path + L".part";
  const HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) != 0 &&
      written == content.size();
  CloseHandle(file);
  return ok && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace

int main() {
  wchar_t target[MAX_PATH * 4] = {};
  if (GetEnvironmentVariableW(L"VC_ARGUMENTS_FILE", target, MAX_PATH * 4) == 0) return 2;
  const wchar_t* commandLine = GetCommandLineW();
  std::string content = Utf8(commandLine) + "\n";
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
  for (int i = 0; arguments != nullptr && i < count; ++i) content += Utf8(arguments[i]) + "\n";
  LocalFree(arguments);
  return WriteWhole(target, content) ? 0 : 1;
}
