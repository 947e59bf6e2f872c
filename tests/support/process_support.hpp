// Test support for starting a built program (vornconv) as a user would: its
// standard input empty, its standard output and error in files, a few
// environment variables of its own. fork and exec on POSIX, CreateProcessW
// on Windows.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/engine_support.hpp"

namespace vc::testing {

// The built vornconv, or empty when the programs' folder is unknown.
inline std::string VornconvProgram() {
  const std::string folder = ProgramsFolder();
  if (folder.empty()) return {};
#ifdef _WIN32
  return folder + "/vornconv.exe";
#else
  return folder + "/vornconv";
#endif
}

struct ProgramRun {
  std::vector<std::string> argv;                                 // argv[0] is the program's path
  std::string stdoutPath;                                        // empty: thrown away
  std::string stderrPath;                                        // empty: thrown away
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child only
  std::uint64_t fileSizeLimit = 0;                               // bytes, 0 for none; POSIX only
};

// A started program: a process id on POSIX, a process handle on Windows;
// -1 when it could not be started.
using ProgramId = std::intptr_t;

#ifdef _WIN32

namespace detail {

inline std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

// One argument as the C runtime's parser reads it back: in double quotes,
// with the backslashes before a quote (and before the closing one) doubled.
inline void AppendQuoted(std::wstring& commandLine, const std::wstring& argument) {
  commandLine += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    commandLine.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    commandLine += c;
  }
  commandLine.append(backslashes * 2, L'\\');
  commandLine += L'"';
}

// The parent's environment with `changes` replacing variables of the same
// name (names compare without regard to case, as Windows does).
inline std::wstring EnvironmentBlock(
    const std::vector<std::pair<std::string, std::string>>& changes) {
  std::vector<std::wstring> names;
  for (const auto& change : changes) names.push_back(Wide(change.first));
  std::wstring block;
  wchar_t* const current = GetEnvironmentStringsW();
  for (const wchar_t* entry = current; entry != nullptr && *entry != L'\0';
       entry += wcslen(entry) + 1) {
    const std::wstring_view text(entry);
    bool replaced = false;
    for (const std::wstring& name : names) {
      replaced = replaced || (text.size() > name.size() && text[name.size()] == L'=' &&
                              _wcsnicmp(entry, name.c_str(), name.size()) == 0);
    }
    if (!replaced) block.append(text).push_back(L'\0');
  }
  if (current != nullptr) FreeEnvironmentStringsW(current);
  for (const auto& change : changes) {
    block += Wide(change.first) + L"=" + Wide(change.second);
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

inline HANDLE OpenInherited(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const std::wstring name = path.empty() ? std::wstring(L"NUL") : Wide(path);
  return CreateFileW(name.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace detail

inline ProgramId StartProgram(const ProgramRun& run) {
  if (run.argv.empty()) return -1;
  std::wstring commandLine;
  for (const std::string& argument : run.argv) {
    if (!commandLine.empty()) commandLine += L' ';
    detail::AppendQuoted(commandLine, detail::Wide(argument));
  }
  std::wstring environment = detail::EnvironmentBlock(run.environment);
  const HANDLE in = detail::OpenInherited({}, false);
  const HANDLE out = detail::OpenInherited(run.stdoutPath, true);
  const HANDLE err = detail::OpenInherited(run.stderrPath, true);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const std::wstring program = detail::Wide(run.argv[0]);
  const bool started =
      CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                     CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &process);
  for (const HANDLE handle : {in, out, err}) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  if (!started) return -1;
  CloseHandle(process.hThread);
  return reinterpret_cast<ProgramId>(process.hProcess);
}

// The exit status, or -1 when the program did not start.
inline int WaitForProgram(ProgramId id) {
  if (id == -1) return -1;
  const auto process = reinterpret_cast<HANDLE>(id);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  const bool known = GetExitCodeProcess(process, &code) != 0;
  CloseHandle(process);
  return known ? static_cast<int>(code) : -1;
}

#else

inline ProgramId StartProgram(const ProgramRun& run) {
  if (run.argv.empty()) return -1;
  std::vector<std::string> arguments = run.argv;
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDWR);
    const int out = run.stdoutPath.empty()
                        ? in
                        : open(run.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = run.stderrPath.empty()
                        ? in
                        : open(run.stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (run.fileSizeLimit > 0) {
      const rlimit limit{run.fileSizeLimit, run.fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    for (const auto& [name, value] : run.environment) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// The exit status, or -1 when the program did not start or was killed.
inline int WaitForProgram(ProgramId id) {
  if (id <= 0) return -1;
  int status = 0;
  waitpid(static_cast<pid_t>(id), &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

inline int RunProgram(const ProgramRun& run) { return WaitForProgram(StartProgram(run)); }

// What a program wrote to standard output or error, as text: Windows' C
// library writes each LF of a text stream as CR LF, and here it is LF again.
inline std::string StreamText(std::string written) {
#ifdef _WIN32
  std::size_t kept = 0;
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (written[i] == '\r' && i + 1 < written.size() && written[i + 1] == '\n') continue;
    written[kept++] = written[i];
  }
  written.resize(kept);
#endif
  return written;
}

}  // namespace vc::testing
