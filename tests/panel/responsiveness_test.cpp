// A long conversion from the window: the window's thread keeps turning its
// event loop and repainting while a long track is converted.
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include "panel_support.hpp"

namespace vc::testing {
namespace {

// Notes the time of every paint of a control.
class PaintClock final : public QObject {
 public:
  PaintClock(QElapsedTimer& clock, QWidget* control) : clock_(clock) {
    control->installEventFilter(this);
  }
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) times.push_back(clock_.elapsed());
    return false;
  }
  std::vector<qint64> times;

 private:
  QElapsedTimer& clock_;
};

qint64 LongestGap(const std::vector<qint64>& times) {
  qint64 longest = 0;
  for (std::size_t i = 1; i < times.size(); ++i) {
    longest = std::max(longest, times[i] - times[i - 1]);
  }
  return longest;
}

using PanelResponsiveness = PanelTest;

TEST_F(PanelResponsiveness, LongConversionKeepsTheWindowRepainting) {
  // Enough points that reading them outlasts a few counts of the caption:
  // an optimised build reads 100 000 fixes in about a tenth of a second.
#ifdef __SANITIZE_ADDRESS__
  constexpr int kPoints = 100000;
#else
  constexpr int kPoints = 500000;
#endif
  const std::string input = dir.Write("long.vrc", VrcTrack(kPoints));
  const std::string output = dir.Path("long.mps");
  Click("FileTypeLists(0)");
  SetText("OrgFileName", input);
  SetText("NewFileName", output);
  Tick("TrkLineOp(0)", true);
  Tick("TrkPntOp(4)", true);

  QElapsedTimer clock;
  clock.start();
  // A timer due every 5 ms fires on each turn of the event loop it gets, and
  // asks for a repaint of the Convert button each time.
  std::vector<qint64> turns;
  QTimer ticker;
  ticker.setInterval(5);
  QWidget* button = Get<QWidget>("Convert");
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    turns.push_back(clock.elapsed());
    button->update();
  });
  PaintClock paints(clock, button);
  std::vector<qint64> captionTimes;
  QObject::connect(window.get(), &panel::VornConverterPanel::ConvertCaptionChanged,
                   [&] { captionTimes.push_back(clock.elapsed()); });
  ticker.start();
  Click("Convert");
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsConverting(); }, 120000));
  const qint64 took = clock.elapsed();
  ticker.stop();

  EXPECT_TRUE(services.shown.empty());
  ASSERT_GE(captions.size(), 3u);
  const std::string all = std::to_string(kPoints);
  EXPECT_EQ(captions[captions.size() - 2], "...ing[" + all + "][" + all + "]");
  // Regression: the counts showed only while the track was written, and
  // stood still while it was read (writing is too quick here to be sure of
  // a count on its way; running_test.cpp paces both stages).
  const auto shown = [this, &all](const std::string& prefix) {
    return std::count_if(captions.begin(), captions.end(), [&](const std::string& caption) {
      return caption.rfind(prefix, 0) == 0 && caption.size() > prefix.size() &&
             caption.find(']') == caption.size() - 1 && caption != prefix + all + "]";
    });
  };
  EXPECT_GT(shown("...ing["), 0) << "no count while reading";
  const qint64 turnGap = LongestGap(turns);
  const qint64 paintGap = LongestGap(paints.times);
  // From the running caption to the last count.
  const std::vector<qint64> running(captionTimes.begin(), captionTimes.end() - 1);
  const qint64 captionGap = LongestGap(running);
  std::printf(
      "conversion of %d points took %lld ms: %zu loop turns, longest gap %lld ms; "
      "%zu paints of Convert, longest gap %lld ms; %zu captions, longest gap %lld ms\n",
      kPoints, static_cast<long long>(took), turns.size(), static_cast<long long>(turnGap),
      paints.times.size(), static_cast<long long>(paintGap), captions.size(),
      static_cast<long long>(captionGap));
  // The window must never wait for the conversion. The bound leaves room for
  // a loaded machine; the typical figure is a few milliseconds.
  EXPECT_LT(turnGap, 250);
  EXPECT_LT(paintGap, 250);
  // At least five counts a second while reading and writing alike. Once
  // written, the track is handed to the preview without counts: a few
  // milliseconds here, but the sanitizers make that a hundred times slower.
#ifdef __SANITIZE_ADDRESS__
  EXPECT_LT(captionGap, 2000);
#else
  EXPECT_LT(captionGap, 200);
#endif
}

}  // namespace
}  // namespace vc::testing
