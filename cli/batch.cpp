#include "cli/batch.hpp"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/context.hpp"
#include "engine/driver.hpp"
#include "engine/messages.hpp"
#include "engine/platform_files.hpp"
#include "text/strings.hpp"

namespace vc::cli {
namespace {

using engine::Message;

// Lines written whole, one thread at a time, and flushed at once, so a
// line of one conversion never breaks into another's.
class Console {
 public:
  Console(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  void Out(const std::string& line) { Write(out_, line); }
  void Err(const std::string& line) { Write(err_, line); }

 private:
  void Write(std::ostream& stream, const std::string& line) {
    const std::lock_guard<std::mutex> lock(mutex_);
    stream << line << '\n' << std::flush;
  }

  std::mutex mutex_;
  std::ostream& out_;
  std::ostream& err_;
};

// The observer of one file's conversion: its messages say which file they
// are about. Nobody can answer a question for each of hundreds of files, so
// an existing output is replaced only with --force, and otherwise left alone.
class BatchObserver final : public engine::Observer {
 public:
  BatchObserver(Console& console, std::string_view input, bool force,
                const std::function<bool()>& stopRequested)
      : console_(console), input_(input), force_(force), stopRequested_(stopRequested) {}

  // The system's reason follows on a line of its own, as for one file.
  void Show(Message message, std::string_view name, std::string_view detail) override {
    console_.Err(input_ + ": " + engine::MessageText(message, name, language_));
    if (detail.empty()) return;
    console_.Err(input_ + ": " + (name.empty() ? "" : std::string(name) + ": ") +
                 std::string(detail));
  }

  bool StopRequested() override { return stopRequested_ && stopRequested_(); }

  bool AskOverwrite(std::string_view name) override {
    if (force_) return true;
    console_.Err(input_ + ": " + engine::MessageText(Message::kOverwriteQuestion, name, language_));
    return false;
  }

 private:
  Console& console_;
  std::string input_;
  bool force_;
  std::function<bool()> stopRequested_;
  engine::Language language_ = engine::DesktopLanguage();
};

struct FileResult {
  bool converted = false;
  std::string reason;  // why it stopped
  engine::KindCounts written;
};

// Why a conversion stopped, in a few words for the file's line and the
// summary; the message itself has been shown already.
std::string ReasonText(const engine::ConversionResult& result) {
  if (result.outcome == engine::Outcome::kCancelled) return "cancelled";
  if (!result.reason) return "stopped before converting";
  switch (*result.reason) {
    case Message::kFileNameMissing:
      return "a file name is empty";
    case Message::kSameFileName:
      return "the input and the output are the same file";
    case Message::kInputMissing:
      return "the input is missing, unreadable or empty";
    case Message::kAborted:
      return "the output exists (--force replaces it)";
    case Message::kUnsupportedType:
      return "a file name of no known type";
    case Message::kInputUnsupported:
      return "the input's type cannot be read";
    case Message::kOutputUnsupported:
      return "the output's type cannot be written";
    case Message::kGroupFileMissing:
      return "header_mps_group.dat is missing";
    case Message::kCannotWrite:
      return "the output cannot be written";
    default:
      // Messages about option values and those added later.
      return "stopped with the message above";
  }
}

std::string Plural(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string CountsText(const engine::KindCounts& w) {
  return Plural(w.waypoints, "waypoint", "waypoints") + ", " + Plural(w.routes, "route", "routes") +
         ", " + Plural(w.tracks, "track", "tracks") + ", " +
         Plural(w.routePoints + w.trackPoints, "point", "points");
}

std::string FileLine(const BatchFile& file, const FileResult& result) {
  if (result.converted)
    return file.input + " -> " + file.output + ": " + CountsText(result.written);
  return file.input + ": stopped: " + result.reason;
}

void ConvertOne(const CommandLine& commandLine, const BatchFile& file, Console& console,
                const std::function<bool()>& stopRequested, FileResult& result) {
  if (!file.refusal.empty()) {
    console.Err(file.input + ": not converted: " + file.refusal);
    // One reason for all refusals, so the summary counts them together.
    result.reason = "its output is another input's output, or one of the inputs";
  } else {
    engine::ConvertOptions options = commandLine.options;
    options.inputName = file.input;
    options.outputName = file.output;
    BatchObserver observer(console, file.input, commandLine.force, stopRequested);
    engine::ConversionContext context;
    const engine::ConversionResult converted =
        engine::RunConvertCommand(options, context, observer);
    result.converted = converted.outcome == engine::Outcome::kConverted;
    if (!result.converted) result.reason = ReasonText(converted);
    result.written = converted.report.written;
  }
  if (!commandLine.quiet) console.Out(FileLine(file, result));
}

void WriteSummary(const std::vector<FileResult>& results, Console& console) {
  engine::KindCounts total;
  std::int64_t converted = 0;
  // Reasons in the order they first occur among the inputs.
  std::vector<std::pair<std::string, std::int64_t>> reasons;
  for (const FileResult& result : results) {
    total.waypoints += result.written.waypoints;
    total.routes += result.written.routes;
    total.tracks += result.written.tracks;
    total.routePoints += result.written.routePoints;
    total.trackPoints += result.written.trackPoints;
    if (result.converted) {
      ++converted;
      continue;
    }
    auto found = std::find_if(reasons.begin(), reasons.end(),
                              [&](const auto& reason) { return reason.first == result.reason; });
    if (found == reasons.end()) {
      reasons.emplace_back(result.reason, 1);
    } else {
      ++found->second;
    }
  }
  const auto stopped = static_cast<std::int64_t>(results.size()) - converted;
  console.Out("vornconv: " + Plural(static_cast<std::int64_t>(results.size()), "file", "files") +
              ", " + std::to_string(converted) + " converted, " + std::to_string(stopped) +
              " stopped; " + CountsText(total) + " written");
  for (const auto& [reason, count] : reasons) {
    console.Out("vornconv: " + std::to_string(count) + " stopped: " + reason);
  }
}

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The key under which two output names mean one file before either exists:
// Windows does not tell letter cases apart.
std::string NameKey(const std::string& name) {
#ifdef _WIN32
  return text::UpperAscii(name);
#else
  return name;
#endif
}

using IdentityKey = std::pair<std::uint64_t, std::uint64_t>;

std::optional<IdentityKey> IdentityOf(const std::string& path) {
  engine::platform::FileIdentity identity;
  if (!engine::platform::IdentifyFile(path, identity)) return std::nullopt;
  return IdentityKey{identity.device, identity.index};
}

}  // namespace

std::string BatchOutputName(std::string_view folder, std::string_view input,
                            engine::FileType type) {
  const auto slash = input.find_last_of(engine::platform::kPathSeparators);
  const std::string_view base = slash == std::string_view::npos ? input : input.substr(slash + 1);
  std::string name(folder);
  if (!name.empty() && engine::platform::kPathSeparators.find(name.back()) == std::string::npos) {
    name += '/';
  }
  return name + engine::NameForType(base, type);
}

std::vector<BatchFile> PlanBatch(const std::vector<std::string>& inputs, std::string_view folder,
                                 engine::FileType type) {
  std::vector<BatchFile> plan;
  plan.reserve(inputs.size());
  std::map<std::string, std::size_t> inputByName;
  std::map<IdentityKey, std::size_t> inputByIdentity;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    inputByName.emplace(NameKey(inputs[i]), i);
    if (const auto identity = IdentityOf(inputs[i])) inputByIdentity.emplace(*identity, i);
  }
  std::map<std::string, std::size_t> outputByName;
  std::map<IdentityKey, std::size_t> outputByIdentity;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    BatchFile file{inputs[i], BatchOutputName(folder, inputs[i], type), {}};
    const std::optional<IdentityKey> identity = IdentityOf(file.output);
    // Its own input as its output is the engine's to refuse, as in a single call.
    auto isOtherInput = [&](const auto& map, const auto& key) {
      const auto found = map.find(key);
      return found != map.end() && inputs[found->second] != inputs[i];
    };
    const auto sameName = outputByName.find(NameKey(file.output));
    const auto sameFile = identity ? outputByIdentity.find(*identity) : outputByIdentity.end();
    if (sameName != outputByName.end() || sameFile != outputByIdentity.end()) {
      const std::size_t first =
          sameName != outputByName.end() ? sameName->second : sameFile->second;
      file.refusal = file.output + " is already the output of " + inputs[first];
    } else if (isOtherInput(inputByName, NameKey(file.output)) ||
               (identity && isOtherInput(inputByIdentity, *identity))) {
      file.refusal = "its output " + file.output + " is one of the inputs";
    } else {
      outputByName.emplace(NameKey(file.output), i);
      if (identity) outputByIdentity.emplace(*identity, i);
    }
    plan.push_back(std::move(file));
  }
  return plan;
}

int RunBatch(const CommandLine& commandLine, std::ostream& out, std::ostream& err,
             const std::function<bool()>& stopRequested) {
  Console console(out, err);
  std::error_code error;
  std::filesystem::create_directories(PathOf(commandLine.outputFolder), error);
  if (!std::filesystem::is_directory(PathOf(commandLine.outputFolder), error)) {
    console.Err(engine::MessageText(Message::kCannotWrite, commandLine.outputFolder));
    return 1;
  }
  const std::vector<BatchFile> plan =
      PlanBatch(commandLine.inputs, commandLine.outputFolder, commandLine.outputType);
  std::vector<FileResult> results(plan.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < plan.size(); i = next++) {
      ConvertOne(commandLine, plan[i], console, stopRequested, results[i]);
    }
  };
  const std::size_t jobs = std::min<std::size_t>(std::max(1u, commandLine.jobs), plan.size());
  std::vector<std::thread> helpers;
  for (std::size_t i = 1; i < jobs; ++i) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer threads than asked for: the rest share the work
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  if (!commandLine.quiet) WriteSummary(results, console);
  const bool allConverted = std::all_of(results.begin(), results.end(),
                                        [](const FileResult& result) { return result.converted; });
  return allConverted ? 0 : 1;
}

}  // namespace vc::cli
