// The system's messages and the interface through which the engine shows
// them. The engine never shows anything itself: the window puts the texts in
// message boxes, the command line on standard error, tests record them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/options.hpp"
#include "text/datetime.hpp"

namespace vc::engine {

class PreviewSink;

enum class Message {
  kFileNameMissing,     // either file name empty
  kSameFileName,        // input and output are the same file
  kInputMissing,        // [name] missing, unreadable or empty
  kOutputTypeMissing,   // no output type chosen in the window
  kAppendNotice,        // [name] exists and will be appended to
  kOverwriteQuestion,   // [name] exists: overwrite?
  kAborted,             // the overwrite was refused
  kUnsupportedType,     // a name of no known type
  kInputUnsupported,    // a type that cannot be read
  kOutputUnsupported,   // a type that cannot be written
  kCannotConvertType,   // a log type chosen as the converted file
  kGroupFileMissing,    // header_mps_group.dat missing or unreadable
  kCannotWrite,         // [name] cannot be created or written
  kStepInvalid,         // the point step is not a 16-bit number
  kCannotStart,         // [program] of the map program did not start
  kUtcOffsetInvalid,    // the UTC offset is neither data priority nor -12 to +14
  kDatumInvalid,        // the datum is neither data priority, TOKYO nor WGS84
  kCoordFormatInvalid,  // the coordinate form is none of the known codes
  kVrmVrnDatumInvalid,  // the datum of VRM/VRN logs is neither TOKYO nor WGS84
  kGpxUnreadable,       // [name] is no well-formed GPX: its name is a PlaceInFile
  // [name], appended to, is in another encoding than the one asked for
  kAppendEncodingMismatch,
};

// The name of a message about a place in a file (kGpxUnreadable): the
// file's name with the line and column, which the text puts in their places.
std::string PlaceInFile(std::string_view name, std::int64_t line, std::int64_t column);

// The language of the texts shown: Japanese is the program's own; English
// when the desktop's message locale is English.
enum class Language {
  kJapanese,
  kEnglish,
};

// The fixed text; `name` fills the square brackets of the texts that have them.
std::string MessageText(Message message, std::string_view name = {},
                        Language language = Language::kJapanese);

// The environment variables that name the desktop's message language.
struct LocaleVariables {
  std::string_view lcAll;       // LC_ALL
  std::string_view lcMessages;  // LC_MESSAGES
  std::string_view lang;        // LANG
  std::string_view language;    // LANGUAGE, a list such as "en_GB:en"
};

// English when the message locale names English ("en", "en_US.UTF-8", ...),
// Japanese otherwise (also when nothing is set).
Language LanguageOfLocale(const LocaleVariables& variables);
// The same, of this process's environment: what both fronts show.
Language DesktopLanguage();

// Stage of a long record whose running point count the window shows.
enum class ProgressStage {
  kReadingTrack,
  kWritingTrack,
};

class Observer {
 public:
  virtual ~Observer() = default;
  // `detail` is the system's reason behind the message ("No space left on
  // device"), shown after the message's own text; empty when there is none.
  virtual void Show(Message message, std::string_view name, std::string_view detail) = 0;
  // The overwrite question; true for Yes.
  virtual bool AskOverwrite(std::string_view name) = 0;
  // A record starts showing progress; its points follow as 1, 2, ...
  virtual void BeginProgress(ProgressStage /*stage*/) {}
  virtual void PointProgress(std::int64_t /*pointNumber*/) {}
  // Polled between records and every few thousand points: true stops the
  // conversion and leaves the output as it was.
  virtual bool StopRequested() { return false; }
  // Local wall-clock time, once per conversion.
  virtual text::LocalSeconds Now();
  // The same moment in UTC.
  virtual text::LocalSeconds UtcNow();
  // The Convert command's checks have passed and `snapshot` is about to be
  // converted: the front may complete or check it (the window's point step),
  // and stops the command by returning false after saying why.
  virtual bool ConversionStarting(ConvertOptions& /*snapshot*/) { return true; }
  // Where the records written are handed for drawing (engine/preview.hpp),
  // asked once per conversion; none by default, which costs nothing.
  virtual PreviewSink* Preview() { return nullptr; }
};

}  // namespace vc::engine
