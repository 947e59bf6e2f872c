// VornConverterPanel: the program's one window. It holds the original and
// the converted file names, the output type, every option of a conversion
// and the commands. Convert runs the engine on a worker thread and shows the
// running point counts in its own caption; the window keeps one conversion
// context for its lifetime, so track numbering continues from one
// conversion to the next until Init.TrkNo.
//
// Controls carry their design names as Qt object names; members of a
// control array are named with their index, "FileTypeLists(0)". The FileType
// frame's type buttons and type names follow the engine's file-type table:
// a button for each type that can be written, a name for each that can only
// be read.
#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/context.hpp"
#include "engine/file_types.hpp"
#include "engine/messages.hpp"
#include "engine/options.hpp"
#include "panel/conversion_runner.hpp"
#include "panel/panel_services.hpp"
#include "panel/preview_data.hpp"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace vc::panel {

class PreviewView;

class VornConverterPanel final : public QWidget {
  Q_OBJECT

 public:
  explicit VornConverterPanel(PanelServices& services,
                              ConvertCommand convert = DefaultConvertCommand(),
                              QWidget* parent = nullptr);
  ~VornConverterPanel() override;

  [[nodiscard]] bool IsConverting() const { return runner_->Running(); }
  [[nodiscard]] const engine::ConversionContext& Context() const { return context_; }
  // A look at the original file is being read.
  [[nodiscard]] bool IsPreviewing() const { return previewRunner_->Running(); }

 signals:
  // Every caption the Convert button is given, in order.
  void ConvertCaptionChanged(const QString& caption);
  // A Convert command has ended, whether it converted, stopped or was cancelled.
  void ConversionFinished();
  // The preview pane shows something new.
  void PreviewShown();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ConnectHandlers();
  void ArrangeForDesktop();
  void BuildPreviewPane();
  void ShowPreviewPane(bool shown);
  // Reads the original file for the preview unless it is the one shown
  // already; `again` reads it also then (a file chosen anew may have changed).
  void PreviewOriginal(bool again);
  void OriginalPreviewed(const engine::ConversionResult& result, const std::string& name);
  void ShowReport(const engine::ConversionReport& report);

  void Form_Load();
  void GetOrgFile_Click();
  void GetNewFile_Click();
  // What choosing a file with a Ref. button does, and dropping one on its row.
  void OrgFileChosen(const std::string& path);
  void NewFileChosen(const std::string& path);
  bool FileDragEvent(QObject* watched, QEvent* event);
  // Several files dropped on the Original File row at once: each is
  // converted in turn into the chosen type beside itself, then one report
  // lists them all.
  void OrgFilesDropped(const std::vector<std::string>& paths);
  void ConvertNextDropped();
  void ReportDropped();
  // True when the key was swallowed.
  bool OrgFileName_KeyPress(int keyAscii);
  bool NewFileName_KeyPress(int keyAscii);
  void ApplyTypedName(bool isOriginal);
  void FileTypeLists_Click(int index);
  void ViewProAtlas_Click(int index);
  void StartProAtlas(const std::string& name);
  void InitTrkNo_Click();
  void ExitVornConverter_Click();
  void Convert_Click();

  // The chosen path, or nothing when the dialog was cancelled.
  std::optional<std::string> ShowFileDialog(std::string_view mode, engine::FileType type);
  void ShowFileType(const std::string& name, bool isOriginal);
  // The type of a name; a name of no known type is reported to the user.
  engine::FileType FileTypeOf(const std::string& name);
  // The same for an original file, which is read: a .log holding NMEA
  // sentences is an NMEA log.
  engine::FileType InputTypeOf(const std::string& name);
  // The type button of an output type, or -1.
  [[nodiscard]] int OutputIndexOf(engine::FileType type) const;
  // The type name of a type that can only be read, or nullptr.
  [[nodiscard]] QLabel* InputOnlyLabelOf(engine::FileType type) const;
  void ShowOriginalType(engine::FileType type);

  // `detail`: the system's reason, the message box's detailed text.
  void ShowMessage(engine::Message message, const std::string& name = {},
                   const std::string& detail = {});
  [[nodiscard]] bool OutputTypeChosen() const;
  [[nodiscard]] engine::ConvertOptions TakeSnapshot(std::int16_t pointStep) const;
  void SetConvertCaption(const QString& caption);
  void LockControls(bool locked);
  void ConversionBegan();
  void ConversionEnded(const engine::ConversionResult& result, bool started);

  PanelServices& services_;
  ConvertCommand convertCommand_;
  engine::ConversionContext context_;
  std::unique_ptr<ConversionRunner> runner_;
  bool closing_ = false;
  engine::Language language_;
  // The records of the running conversion, and of the original file read
  // for a look before converting (with a context of its own).
  PreviewCollector written_;
  PreviewCollector original_;
  std::unique_ptr<ConversionRunner> previewRunner_;
  engine::ConversionContext previewContext_;
  std::string previewedName_;
  std::string convertedName_;
  // The converted name is one the user chose, dropped or typed.
  bool outputNamedByUser_ = false;

  QPlainTextEdit* orgFileName_ = nullptr;
  QPlainTextEdit* newFileName_ = nullptr;
  QPushButton* getOrgFile_ = nullptr;
  QPushButton* getNewFile_ = nullptr;
  std::array<QPushButton*, 2> viewProAtlas_{};
  // FileTypeLists(i) is the button of outputTypes_[i]; FileTypeLists2(i)
  // the name of inputOnlyTypes_[i].
  std::vector<engine::FileType> outputTypes_;
  std::vector<engine::FileType> inputOnlyTypes_;
  std::vector<QRadioButton*> fileTypeLists_;
  std::vector<QLabel*> fileTypeLists2_;
  QCheckBox* autoFileName_ = nullptr;
  QComboBox* utcOfsOp_ = nullptr;
  QComboBox* datumOp_ = nullptr;
  QComboBox* coordOp_ = nullptr;
  QComboBox* datumVrmVrnOp_ = nullptr;
  std::array<QCheckBox*, 3> convData_{};
  QPushButton* initTrkNo_ = nullptr;
  QPushButton* convert_ = nullptr;
  QPushButton* exitVornConverter_ = nullptr;
  QCheckBox* appendFg_ = nullptr;
  QCheckBox* autoProAtlas_ = nullptr;
  std::array<QRadioButton*, 2> rtePntNoOp_{};
  std::array<QCheckBox*, 4> trkLineOp_{};
  QLineEdit* trkPntStepOp_ = nullptr;
  std::array<QCheckBox*, 7> trkPntOp_{};
  // The widgets of the Original File and Converted File rows, which take
  // dropped files: the text box, its viewport, the Ref. button, the caption.
  std::array<QWidget*, 4> orgRow_{};
  std::array<QWidget*, 4> newRow_{};
  // The dropped files still to convert, and the report's lines so far.
  std::vector<std::string> dropped_;
  std::vector<std::string> droppedReport_;
  std::shared_ptr<std::optional<engine::ConversionResult>> droppedResult_;
  QToolButton* previewToggle_ = nullptr;
  QWidget* previewPane_ = nullptr;
  PreviewView* preview_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
  int designWidth_ = 0;
  // What a running conversion locks: everything but Convert and Exit.
  std::vector<QWidget*> lockedWhileConverting_;
};

}  // namespace vc::panel
