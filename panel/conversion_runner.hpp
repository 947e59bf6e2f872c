// Runs one Convert command on a worker thread, so the window repaints and
// answers while a long file is converted. The engine reports to an observer
// on that thread; the runner carries its messages and running counts over to
// the window's thread. A message holds the conversion until the user has
// answered it, as a modal box does; the counts are sent a few dozen times a
// second at most, and the last count of every record is always sent.
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/context.hpp"
#include "engine/driver.hpp"
#include "engine/messages.hpp"
#include "engine/options.hpp"

namespace vc::panel {

// What the Convert button runs: the engine's checks and conversion, or a
// stand-in handed in by a test.
using ConvertCommand = std::function<engine::ConversionResult(
    const engine::ConvertOptions& options, engine::ConversionContext& context,
    engine::Observer& observer, bool outputTypeChosen)>;

ConvertCommand DefaultConvertCommand();

// Called back on the window's thread.
struct RunnerEvents {
  std::function<void(engine::Message message, const std::string& name, const std::string& detail)>
      show;
  // True for Yes.
  std::function<bool(const std::string& name)> askOverwrite;
  // The caption the Convert button should show: the running caption once the
  // checks have passed and the conversion itself begins, then with counts.
  std::function<void(const std::string& caption)> caption;
  // `started`: the checks passed and the conversion ran.
  std::function<void(const engine::ConversionResult& result, bool started)> finished;
  // The checks have passed and the conversion itself begins.
  std::function<void()> began;
};

class ConversionRunner final {
 public:
  ConversionRunner(QObject& window, RunnerEvents events);
  ~ConversionRunner();
  ConversionRunner(const ConversionRunner&) = delete;
  ConversionRunner& operator=(const ConversionRunner&) = delete;

  [[nodiscard]] bool Running() const { return running_; }

  // `context` must outlive the run. `stepValid`: whether the point step typed
  // in the window is a number (said after the other checks when it is not).
  // `runningCaption` is the caption noted before the first count ("...ing").
  // `preview`, when given, receives the records written (on the worker
  // thread) and must outlive the run.
  void Start(const ConvertCommand& command, engine::ConvertOptions options,
             engine::ConversionContext& context, bool outputTypeChosen, bool stepValid,
             std::string runningCaption, engine::PreviewSink* preview = nullptr);

  // Asks a running conversion to stop and waits until it has ended (the
  // engine leaves the output as it was). An open question counts as No and
  // later messages are dropped. The finished event runs before this returns.
  void Cancel();

 private:
  class Forwarder;

  bool AskOnWindow(std::uint64_t run, std::function<bool()> question);
  void PostCaption(std::uint64_t run, std::string caption);
  void PostBegan(std::uint64_t run);
  void Finish();

  QObject& window_;
  RunnerEvents events_;
  std::thread worker_;
  bool running_ = false;   // window thread only
  std::uint64_t run_ = 0;  // window thread only: numbers the runs
  std::atomic<bool> stop_{false};
  std::atomic<bool> started_{false};
  bool stepValid_ = true;                   // set before the worker starts
  engine::PreviewSink* preview_ = nullptr;  // set before the worker starts
  engine::ConversionResult result_;         // written by the worker before it ends

  std::mutex mutex_;
  std::condition_variable answered_;
  bool closing_ = false;
  std::uint64_t questionId_ = 0;
  std::optional<bool> answer_;
};

}  // namespace vc::panel
