// Without a Windows registry the map program can only run under Wine: its
// installers' keys are read from the user's prefix, and `wine` starts it.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "launcher/launcher.hpp"
#include "launcher/locate.hpp"
#include "launcher/wine_paths.hpp"
#include "launcher/wine_registry.hpp"

namespace vc::launcher {

namespace {

constexpr const char* kWine = "wine";

struct Installation {
  std::filesystem::path prefix;
  std::string program;
};

std::optional<Installation> FindInstallation() {
  auto prefix = CurrentWinePrefix();
  if (!prefix) return std::nullopt;
  const auto registry = WineRegistry::Load(*prefix / "system.reg");
  if (!registry) return std::nullopt;
  std::string program = LocateProAtlas(*registry);
  if (program.empty()) return std::nullopt;
  return Installation{std::move(*prefix), std::move(program)};
}

// The same search posix_spawnp makes, done first so that a machine without
// Wine stays silent instead of reporting a failed start.
bool IsOnPath(std::string_view name) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/bin:/usr/bin";
  while (true) {
    const std::size_t colon = std::min(folders.find(':'), folders.size());
    // An empty entry is the working folder.
    std::string candidate(colon == 0 ? std::string_view(".") : folders.substr(0, colon));
    candidate += '/';
    candidate += name;
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error) &&
        access(candidate.c_str(), X_OK) == 0) {
      return true;
    }
    if (colon == folders.size()) return false;
    folders.remove_prefix(colon + 1);
  }
}

// The child gets default signal handlers and an empty mask whatever the
// caller had set (a window may ignore SIGPIPE), and its own session, so that
// it outlives the terminal that ran the command line.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    posix_spawnattr_init(&attributes_);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes_, &all);
    posix_spawnattr_setsigmask(&attributes_, &none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    posix_spawnattr_setflags(&attributes_, flags);
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  const posix_spawnattr_t* Get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

// The launcher does not wait for the map program, yet an exited child stays a
// zombie until someone collects it. A detached thread collects this one
// child: forking a second time would leave the child of a threaded window
// limited to async-signal-safe calls, and ignoring SIGCHLD would change the
// whole process and break every other waitpid in it.
void CollectWhenDone(pid_t child) {
  try {
    std::thread([child] {
      int status = 0;
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the program still runs, and its zombie goes when
    // this process ends.
  }
}

}  // namespace

std::string LocateProAtlas() {
  auto installation = FindInstallation();
  return installation ? std::move(installation->program) : std::string();
}

LaunchResult LaunchProAtlas(std::string_view scriptPath) {
  LaunchResult result;
  auto installation = FindInstallation();
  if (!installation || !IsOnPath(kWine)) return result;
  result.program = installation->program;
  // Wine reports a missing program only once it runs, to nobody; the
  // prefix's drives show it beforehand.
  if (FindInPrefix(installation->prefix, result.program) == PrefixFile::kMissing) {
    result.status = LaunchStatus::kStartFailed;
    result.systemError = ENOENT;
    return result;
  }

  std::string wine = kWine;
  std::string script = WindowsPathForWine(scriptPath);
  char* const arguments[] = {wine.data(), result.program.data(), script.data(), nullptr};
  SpawnAttributes attributes;
  pid_t child = 0;
  const int error = posix_spawnp(&child, kWine, nullptr, attributes.Get(), arguments, environ);
  if (error != 0) {
    result.status = LaunchStatus::kStartFailed;
    result.systemError = error;
    return result;
  }
  CollectWhenDone(child);
  result.status = LaunchStatus::kStarted;
  return result;
}

std::string SystemErrorText(int systemError) { return std::strerror(systemError); }

}  // namespace vc::launcher
