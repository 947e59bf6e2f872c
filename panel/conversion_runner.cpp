#include "panel/conversion_runner.hpp"

#include <chrono>
#include <exception>
#include <utility>

namespace vc::panel {
namespace {

using Clock = std::chrono::steady_clock;

// How often the running count may change the caption: enough to look alive,
// few enough repaints not to slow a conversion of a hundred thousand points.
constexpr Clock::duration kCaptionInterval = std::chrono::milliseconds(40);

}  // namespace

ConvertCommand DefaultConvertCommand() {
  return [](const engine::ConvertOptions& options, engine::ConversionContext& context,
            engine::Observer& observer, bool outputTypeChosen) {
    return engine::RunConvertCommand(options, context, observer, outputTypeChosen);
  };
}

// The observer the engine sees, on the worker thread. The caption follows
// the rule of the progress reports: a record that starts showing progress
// notes the caption as it stands, and each point count is shown in square
// brackets behind that noted caption.
class ConversionRunner::Forwarder final : public engine::Observer {
 public:
  Forwarder(ConversionRunner& runner, std::uint64_t run, std::string caption)
      : runner_(runner), run_(run), noted_(std::move(caption)) {}

  void Show(engine::Message message, std::string_view name, std::string_view detail) override {
    ConversionRunner& runner = runner_;
    runner.AskOnWindow(run_,
                       [&runner, message, text = std::string(name), reason = std::string(detail)] {
                         if (runner.events_.show) runner.events_.show(message, text, reason);
                         return true;
                       });
  }

  bool AskOverwrite(std::string_view name) override {
    ConversionRunner& runner = runner_;
    return runner.AskOnWindow(run_, [&runner, text = std::string(name)] {
      return runner.events_.askOverwrite && runner.events_.askOverwrite(text);
    });
  }

  void BeginProgress(engine::ProgressStage /*stage*/) override {
    Flush();
    noted_ = Caption();
    count_ = -1;
  }

  void PointProgress(std::int64_t pointNumber) override {
    count_ = pointNumber;
    dirty_ = true;
    if (Clock::now() - lastSent_ >= kCaptionInterval) Send();
  }

  bool StopRequested() override { return runner_.stop_.load(std::memory_order_relaxed); }

  engine::PreviewSink* Preview() override { return runner_.preview_; }

  // The checks have passed: the point step typed in the window is checked
  // now, in its place after them, and the caption turns to the running one.
  bool ConversionStarting(engine::ConvertOptions& /*snapshot*/) override {
    if (!runner_.stepValid_) {
      Show(engine::Message::kStepInvalid, {}, {});
      return false;
    }
    runner_.started_ = true;
    runner_.PostBegan(run_);
    Send();
    return true;
  }

  // Sends the last count when it has not been shown yet.
  void Flush() {
    if (dirty_) Send();
  }

 private:
  [[nodiscard]] std::string Caption() const {
    if (count_ < 0) return noted_;
    return noted_ + "[" + std::to_string(count_) + "]";
  }

  void Send() {
    runner_.PostCaption(run_, Caption());
    lastSent_ = Clock::now();
    dirty_ = false;
  }

  ConversionRunner& runner_;
  std::uint64_t run_;
  std::string noted_;
  std::int64_t count_ = -1;
  bool dirty_ = false;
  Clock::time_point lastSent_{};
};

ConversionRunner::ConversionRunner(QObject& window, RunnerEvents events)
    : window_(window), events_(std::move(events)) {}

ConversionRunner::~ConversionRunner() {
  // The window is going away: nothing may be called back into it.
  events_ = {};
  Cancel();
}

void ConversionRunner::Start(const ConvertCommand& command, engine::ConvertOptions options,
                             engine::ConversionContext& context, bool outputTypeChosen,
                             bool stepValid, std::string runningCaption,
                             engine::PreviewSink* preview) {
  if (running_) return;
  running_ = true;
  stepValid_ = stepValid;
  preview_ = preview;
  const std::uint64_t run = ++run_;
  stop_ = false;
  started_ = false;
  {
    std::lock_guard lock(mutex_);
    closing_ = false;
    answer_.reset();
  }
  worker_ = std::thread([this, run, command, options = std::move(options), &context,
                         outputTypeChosen, caption = std::move(runningCaption)]() mutable {
    Forwarder forwarder(*this, run, std::move(caption));
    engine::ConversionResult result;
    try {
      result = command(options, context, forwarder, outputTypeChosen);
    } catch (const std::exception&) {
      // Out of memory on a huge record: the engine has left the output as it
      // was; the window must not go down with the conversion.
      result = {engine::Outcome::kStopped, std::nullopt, {}};
    }
    forwarder.Flush();
    result_ = result;
    QMetaObject::invokeMethod(
        &window_,
        [this, run] {
          if (running_ && run == run_) Finish();
        },
        Qt::QueuedConnection);
  });
}

void ConversionRunner::Cancel() {
  if (!running_) return;
  stop_ = true;
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  answered_.notify_all();
  Finish();
}

void ConversionRunner::Finish() {
  if (worker_.joinable()) worker_.join();
  running_ = false;
  if (events_.finished) events_.finished(result_, started_.load());
}

bool ConversionRunner::AskOnWindow(std::uint64_t run, std::function<bool()> question) {
  std::unique_lock lock(mutex_);
  if (closing_) return false;
  const std::uint64_t id = ++questionId_;
  answer_.reset();
  lock.unlock();
  QMetaObject::invokeMethod(
      &window_,
      [this, run, id, question = std::move(question)] {
        if (!running_ || run != run_) return;
        {
          std::lock_guard guard(mutex_);
          if (closing_) return;
        }
        const bool answer = question();
        std::lock_guard guard(mutex_);
        if (id != questionId_) return;
        answer_ = answer;
        answered_.notify_all();
      },
      Qt::QueuedConnection);
  lock.lock();
  answered_.wait(lock, [this] { return answer_.has_value() || closing_; });
  return answer_.value_or(false);
}

void ConversionRunner::PostBegan(std::uint64_t run) {
  QMetaObject::invokeMethod(
      &window_,
      [this, run] {
        if (running_ && run == run_ && events_.began) events_.began();
      },
      Qt::QueuedConnection);
}

void ConversionRunner::PostCaption(std::uint64_t run, std::string caption) {
  QMetaObject::invokeMethod(
      &window_,
      [this, run, caption = std::move(caption)] {
        if (running_ && run == run_ && events_.caption) events_.caption(caption);
      },
      Qt::QueuedConnection);
}

}  // namespace vc::panel
