#include "panel/vornconverter_panel.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "engine/driver.hpp"
#include "engine/installation.hpp"
#include "engine/report.hpp"
#include "panel/preview_view.hpp"
#include "text/strings.hpp"
#include "vc/version.hpp"

namespace vc::panel {
namespace {

constexpr int kTwipsPerPixel = 15;  // at 96 dpi; Qt scales pixels by the device pixel ratio
constexpr int kClientWidth = 5808;
constexpr int kClientHeight = 6636;
constexpr int kEnterKey = 13;
constexpr int kLineEditMargins = 6;
constexpr int kFrameCaptionIndent = 6;
const char* const kConvertCaption = "Convert";
const char* const kRunningCaption = "...ing";
constexpr QRgb kRed = qRgb(255, 0, 0);

// Positions in twips: left, top, width, height, within the enclosing frame.
struct Twips {
  int left;
  int top;
  int width;
  int height;
};

// The window's own texts, Japanese in the source; English through Qt's
// translation when the desktop's messages are English.
QString Tr(const char* text) { return QCoreApplication::translate("VornConverterPanel", text); }

int Pixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

// Both edges are rounded, so neighbours that touch in twips touch in pixels.
QRect FromTwips(Twips at) {
  return {QPoint(Pixels(at.left), Pixels(at.top)),
          QPoint(Pixels(at.left + at.width) - 1, Pixels(at.top + at.height) - 1)};
}

QRect Scaled(const QRect& rect, double scale) {
  const auto edge = [scale](int pixels) { return static_cast<int>(std::lround(pixels * scale)); };
  return {QPoint(edge(rect.left()), edge(rect.top())),
          QPoint(edge(rect.right() + 1) - 1, edge(rect.bottom() + 1) - 1)};
}

QString Indexed(const char* name, std::size_t index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// The box's text exactly as typed: toPlainText() would turn a non-breaking
// space into a plain one, and then name another file.
std::string Text(const QPlainTextEdit* box) {
  QString text = box->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text.toStdString();
}

void SetText(QPlainTextEdit* box, const std::string& text) {
  box->setPlainText(QString::fromStdString(text));
}

void SetTextColour(QWidget* control, const QColor& colour) {
  QPalette palette = control->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::ButtonText, colour);
  control->setPalette(palette);
}

// One entry of the file dialogs' filter lists.
struct TypeFilter {
  engine::FileType type;  // kNone: all files
  const char* description;
  const char* patterns;  // separated by spaces
};

// The design's list, which both dialogs offer whole, all files first.
constexpr TypeFilter kDesignFilters[] = {
    {engine::FileType::kNone, "すべてのファイル (*.*)", "*.*"},
    {engine::FileType::kMps, "プロアトラスファイル（*.mps）", "*.mps"},
    {engine::FileType::kWpt, "Waypoint+ファイル（*.txt）", "*.txt"},
    {engine::FileType::kVrc, "VornConnect[標準]ファイル（*.vrc）", "*.vrc"},
    {engine::FileType::kVrp, "VornPointer[標準]ファイル（*.vrp）", "*.vrp"},
    {engine::FileType::kVrm, "VornPointer[Garmin]ファイル（*.vrm）", "*.vrm"},
    {engine::FileType::kVrn, "VornPointer[GarminNmea]ファイル（*.vrn）", "*.vrn"},
};

// The types added since, after the design's list: each in the dialog that
// can use it, the Open dialog when it has a reader, the Save dialog when it
// has a writer.
constexpr TypeFilter kAddedFilters[] = {
    {engine::FileType::kGpx, "GPXファイル（*.gpx）", "*.gpx"},
    {engine::FileType::kKml, "KMLファイル（*.kml）", "*.kml"},
    {engine::FileType::kNmea, "NMEAファイル（*.nmea;*.log）", "*.nmea *.log"},
};

std::vector<TypeFilter> FiltersOf(FileDialogMode mode) {
  std::vector<TypeFilter> filters(std::begin(kDesignFilters), std::end(kDesignFilters));
  for (const engine::FileTypeInfo& info : engine::FileTypes()) {
    const bool offered =
        mode == FileDialogMode::kOpen ? info.makeReader != nullptr : info.makeWriter != nullptr;
    if (!offered) continue;
    for (const TypeFilter& added : kAddedFilters) {
      if (added.type == info.type) filters.push_back(added);
    }
  }
  return filters;
}

std::vector<FileFilter> FileFilters(const std::vector<TypeFilter>& filters) {
  std::vector<FileFilter> offered;
  for (const TypeFilter& filter : filters) {
    offered.push_back({Tr(filter.description).toStdString(), filter.patterns});
  }
  return offered;
}

// The filter a dialog starts with (from 0): the type's own, else all files.
std::size_t FilterOf(engine::FileType type, const std::vector<TypeFilter>& filters) {
  if (type == engine::FileType::kNone) return 0;
  for (std::size_t i = 0; i < filters.size(); ++i) {
    if (filters[i].type == type) return i;
  }
  return 0;
}

// The FileType frame's types in the table's order: a type button for each
// type that can be written, a type name for each that can only be read.
// LOG, neither read as itself nor written, has neither.
std::vector<engine::FileType> TypesWhere(bool written) {
  std::vector<engine::FileType> types;
  for (const engine::FileTypeInfo& info : engine::FileTypes()) {
    const bool read = info.makeReader != nullptr;
    const bool writes = info.makeWriter != nullptr;
    if (written ? writes : read && !writes) types.push_back(info.type);
  }
  return types;
}

// A type's caption in the FileType frame: its code, except that Waypoint+
// is drawn "WPT+".
std::string CaptionOf(engine::FileType type) {
  return type == engine::FileType::kWpt ? "WPT+" : engine::InfoOf(type).code;
}

// The FileType frame's grid. The design has one row: three type buttons,
// then three type names, each behind an "(X)". Further rows repeat the
// row's columns, a row lower each.
constexpr std::size_t kTypesPerRow = 3;
constexpr int kTypeRowPitch = 240;
constexpr Twips kButtonCells[kTypesPerRow] = {
    {96, 240, 732, 228}, {912, 240, 828, 228}, {1824, 240, 732, 228}};
constexpr Twips kNameCells[kTypesPerRow] = {
    {2736, 240, 732, 204}, {3552, 240, 732, 204}, {4416, 240, 684, 204}};
constexpr Twips kCrossCells[kTypesPerRow] = {
    {2640, 240, 252, 204}, {3456, 240, 252, 204}, {4320, 240, 252, 204}};

Twips CellOf(const Twips (&cells)[kTypesPerRow], std::size_t index) {
  Twips cell = cells[index % kTypesPerRow];
  cell.top += static_cast<int>(index / kTypesPerRow) * kTypeRowPitch;
  return cell;
}

// How much taller than the design (in twips) the FileType frame is, and so
// how far everything below its type rows lies lower.
int TypeRowsGrowth() {
  const std::size_t most = std::max(TypesWhere(true).size(), TypesWhere(false).size());
  const std::size_t rows = std::max<std::size_t>(1, (most + kTypesPerRow - 1) / kTypesPerRow);
  return static_cast<int>(rows - 1) * kTypeRowPitch;
}

Twips Lowered(Twips at, int by) {
  at.top += by;
  return at;
}

// A check box whose caption wraps onto a second line within its width, as
// "Auto start up (ProAtlas)" does in its two-line box.
class WrapCheckBox final : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

  [[nodiscard]] QSize sizeHint() const override {
    QStyleOptionButton option;
    initStyleOption(&option);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    const QRect lines = fontMetrics().boundingRect(
        QRect(0, 0, std::max(1, width() - indicator), 1 << 16), Qt::TextWordWrap, text());
    return {indicator + lines.width(), std::max(lines.height(), indicator)};
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, option);
    const QRect area = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    painter.drawItemText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, option.palette,
                         isEnabled(), caption, QPalette::WindowText);
  }
};

// A frame whose caption sits on its top line, as the design draws frames
// (most styles put the title above the line and so take a line of room).
class Frame final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, metrics.height() / 2, -1, -1));
    const QRect caption(kFrameCaptionIndent, 0, metrics.horizontalAdvance(title()) + 4,
                        metrics.height());
    painter.fillRect(caption, palette().color(QPalette::Window));
    style()->drawItemText(&painter, caption, Qt::AlignCenter, palette(), isEnabled(), title(),
                          QPalette::WindowText);
  }
};

template <typename Control>
Control* Place(QWidget* parent, const QString& name, Twips at) {
  auto* control = new Control(parent);
  control->setObjectName(name);
  control->setGeometry(FromTwips(at));
  return control;
}

QLabel* AddLabel(QWidget* parent, const QString& name, const char* caption, Twips at) {
  auto* label = Place<QLabel>(parent, name, at);
  label->setTextFormat(Qt::PlainText);
  label->setText(QString::fromUtf8(caption));
  return label;
}

template <typename Control>
Control* AddCaptioned(QWidget* parent, const QString& name, const char* caption, Twips at) {
  auto* control = Place<Control>(parent, name, at);
  control->setText(QString::fromUtf8(caption));
  return control;
}

QGroupBox* AddFrame(QWidget* parent, const char* name, const char* caption, Twips at) {
  auto* frame = Place<Frame>(parent, QLatin1String(name), at);
  frame->setTitle(QString::fromUtf8(caption));
  return frame;
}

QComboBox* AddCombo(QWidget* parent, const char* name, Twips at, const QFont& font) {
  auto* combo = Place<QComboBox>(parent, QLatin1String(name), at);
  combo->setFont(font);
  combo->setEditable(true);
  // Typed text is passed on as it stands; it does not join the list.
  combo->setInsertPolicy(QComboBox::NoInsert);
  return combo;
}

QPlainTextEdit* AddTextBox(QWidget* parent, const char* name, Twips at) {
  auto* box = Place<QPlainTextEdit>(parent, QLatin1String(name), at);
  box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  box->document()->setDocumentMargin(2);
  box->setTabChangesFocus(true);
  return box;
}

// How much larger than the design the arrangement must be drawn so that the
// desktop's combo boxes show their longest item whole ("データ優先" in a box
// drawn for a narrower arrow and frame than most styles have).
double ScaleForCombos(const QWidget* root) {
  double scale = 1.0;
  for (const QComboBox* combo : root->findChildren<QComboBox*>()) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    option.frame = true;
    option.rect = QRect(QPoint(0, 0), combo->size());
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i) {
      widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
    }
    // The line edit keeps a margin of a few pixels on each side of its text.
    const int missing = widest + kLineEditMargins - field.width();
    if (missing > 0) scale = std::max(scale, 1.0 + double(missing) / combo->width());
  }
  return scale;
}

void ScaleArrangement(QWidget* root, double scale) {
  for (QWidget* control : root->findChildren<QWidget*>()) {
    if (control->objectName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_"))) {
      continue;  // the inner parts of a control follow the control
    }
    control->setGeometry(Scaled(control->geometry(), scale));
  }
}

// Labels and check boxes whose captions are longer than their box in this
// font get the room they need from the same left edge, so no caption is cut;
// they draw no background, so the room they take from a neighbour shows.
void WidenToCaptions(QWidget* root) {
  for (QWidget* control : root->findChildren<QWidget*>()) {
    const bool grows = qobject_cast<QLabel*>(control) != nullptr ||
                       qobject_cast<QCheckBox*>(control) != nullptr ||
                       qobject_cast<QRadioButton*>(control) != nullptr;
    if (!grows || dynamic_cast<WrapCheckBox*>(control) != nullptr) continue;
    const QSize wanted = control->sizeHint();
    // A taller caption keeps its middle where the design has it.
    const int taller = std::max(0, wanted.height() - control->height());
    control->setGeometry(control->x(), control->y() - taller / 2,
                         std::max(control->width(), wanted.width()), control->height() + taller);
  }
}

}  // namespace

VornConverterPanel::VornConverterPanel(PanelServices& services, ConvertCommand convert,
                                       QWidget* parent)
    : QWidget(parent),
      services_(services),
      convertCommand_(std::move(convert)),
      language_(engine::DesktopLanguage()),
      outputTypes_(TypesWhere(true)),
      inputOnlyTypes_(TypesWhere(false)) {
  runner_ = std::make_unique<ConversionRunner>(
      *this, RunnerEvents{
                 [this](engine::Message message, const std::string& name,
                        const std::string& detail) { ShowMessage(message, name, detail); },
                 [this](const std::string& name) {
                   return services_.AskYesNo(
                       this,
                       engine::MessageText(engine::Message::kOverwriteQuestion, name, language_));
                 },
                 [this](const std::string& caption) {
                   SetConvertCaption(QString::fromStdString(caption));
                 },
                 [this](const engine::ConversionResult& result, bool started) {
                   ConversionEnded(result, started);
                 },
                 [this] { ConversionBegan(); },
             });
  // A look at the original file says nothing while it reads: what it finds
  // is shown in the pane, and Convert says the rest.
  previewRunner_ = std::make_unique<ConversionRunner>(
      *this, RunnerEvents{nullptr, nullptr, nullptr,
                          [this](const engine::ConversionResult& result, bool /*started*/) {
                            OriginalPreviewed(result, previewedName_);
                          },
                          nullptr});
  BuildControls();
  ConnectHandlers();
  Form_Load();
  ArrangeForDesktop();
  BuildPreviewPane();
}

VornConverterPanel::~VornConverterPanel() {
  closing_ = true;
  previewRunner_->Cancel();
  runner_->Cancel();
}

void VornConverterPanel::BuildControls() {
  setObjectName(QStringLiteral("VornConverterPanel"));
  // Captions are set in Times New Roman; the name boxes and combo boxes keep
  // the desktop's own family, at the size the arrangement was drawn for.
  setFont(QFont(QStringLiteral("Times New Roman"), 9));
  QFont boxFont = QApplication::font();
  boxFont.setPointSize(9);

  QWidget* top = this;
  // The FileType frame takes a row for every three types beyond the
  // design's first; what lies below its type rows moves down as far.
  const int grown = TypeRowsGrowth();
  SetTextColour(AddLabel(top, "Label1", "Original File", {48, 96, 1212, 204}), kRed);
  orgFileName_ = AddTextBox(top, "OrgFileName", {1248, 48, 3564, 448});
  getOrgFile_ = AddCaptioned<QPushButton>(top, "GetOrgFile", "Ref.", {4896, 48, 828, 204});
  viewProAtlas_[0] =
      AddCaptioned<QPushButton>(top, Indexed("ViewProAtlas", 0), "ProAtlas", {4896, 288, 828, 228});
  QGroupBox* fileTypeList = AddFrame(top, "FileTypeList", "FileType", {48, 528, 5676, 924 + grown});
  QGroupBox* frame4 =
      AddFrame(top, "Frame4", "Genaral Option", Lowered({48, 1536, 5676, 1308}, grown));
  convert_ = AddCaptioned<QPushButton>(top, "Convert", kConvertCaption,
                                       Lowered({48, 2928, 4764, 300}, grown));
  exitVornConverter_ = AddCaptioned<QPushButton>(top, "ExitVornConverter", "Exit",
                                                 Lowered({4896, 2928, 828, 300}, grown));
  AddLabel(top, "Label2", "Converted File", Lowered({48, 3312, 1212, 204}, grown));
  newFileName_ = AddTextBox(top, "NewFileName", Lowered({1248, 3312, 3564, 448}, grown));
  getNewFile_ =
      AddCaptioned<QPushButton>(top, "GetNewFile", "Ref.", Lowered({4896, 3312, 828, 204}, grown));
  appendFg_ =
      AddCaptioned<QCheckBox>(top, "AppendFg", "Append", Lowered({48, 3552, 972, 228}, grown));
  viewProAtlas_[1] = AddCaptioned<QPushButton>(top, Indexed("ViewProAtlas", 1), "ProAtlas",
                                               Lowered({4896, 3552, 828, 228}, grown));
  QGroupBox* frame1 =
      AddFrame(top, "Frame1", "Option for MPS", Lowered({48, 3984, 5676, 2604}, grown));
  orgFileName_->setFont(boxFont);
  newFileName_->setFont(boxFont);

  // The output types are option buttons; the log types, which can only be
  // read, are labels with an "(X)" drawn in the blank before their names.
  for (std::size_t i = 0; i < outputTypes_.size(); ++i) {
    fileTypeLists_.push_back(AddCaptioned<QRadioButton>(fileTypeList, Indexed("FileTypeLists", i),
                                                        CaptionOf(outputTypes_[i]).c_str(),
                                                        CellOf(kButtonCells, i)));
  }
  for (std::size_t i = 0; i < inputOnlyTypes_.size(); ++i) {
    const std::string caption = "    " + CaptionOf(inputOnlyTypes_[i]);
    fileTypeLists2_.push_back(AddLabel(fileTypeList, Indexed("FileTypeLists2", i), caption.c_str(),
                                       CellOf(kNameCells, i)));
    // The design's "label" array has no index 2; later ones follow on.
    constexpr std::size_t kDesignCrossIndex[kTypesPerRow] = {3, 0, 1};
    const std::size_t crossIndex = i < kTypesPerRow ? kDesignCrossIndex[i] : i + 1;
    AddLabel(fileTypeList, Indexed("label", crossIndex), "(X)", CellOf(kCrossCells, i))->raise();
  }
  SetTextColour(AddLabel(fileTypeList, "Label3", "\"Red\" Color is FileType of OriginalFile",
                         Lowered({96, 480, 3372, 204}, grown)),
                kRed);
  AddLabel(fileTypeList, "Label4", "\"Normal\" Color is FileType of ConvertedFile",
           Lowered({96, 672, 3468, 204}, grown));
  autoFileName_ = AddCaptioned<QCheckBox>(fileTypeList, "AutoFileName", "AutoFileName",
                                          Lowered({4080, 528, 1548, 300}, grown));

  AddLabel(frame4, "Label5", "UTC Offset", {144, 240, 1164, 204});
  utcOfsOp_ = AddCombo(frame4, "UtcOfsOp", {144, 528, 1212, 276}, boxFont);
  AddLabel(frame4, "Label6", "Datum", {1440, 240, 1164, 204});
  datumOp_ = AddCombo(frame4, "DatumOp", {1440, 528, 1212, 276}, boxFont);
  AddLabel(frame4, "Label7", "Coord.Format", {2736, 240, 1164, 204});
  coordOp_ = AddCombo(frame4, "CoordOp", {2736, 528, 1212, 276}, boxFont);
  AddLabel(frame4, "Label10", "Datum of VRM/VRN", {3936, 240, 1692, 252});
  datumVrmVrnOp_ = AddCombo(frame4, "DatumVrmVrnOp", {4416, 528, 1164, 276}, boxFont);
  AddLabel(frame4, "Label9", "Convert Data", {144, 960, 1116, 204});
  const char* const dataKinds[] = {"Waypoints", "Routes", "Tracklogs"};
  const Twips dataAt[] = {{1248, 960, 1116, 204}, {2448, 960, 924, 204}, {3408, 960, 1116, 204}};
  for (std::size_t i = 0; i < convData_.size(); ++i) {
    convData_[i] = AddCaptioned<QCheckBox>(frame4, Indexed("ConvData", i), dataKinds[i], dataAt[i]);
  }
  initTrkNo_ = AddCaptioned<QPushButton>(frame4, "InitTrkNo", "Init.TrkNo", {4560, 960, 1020, 228});

  autoProAtlas_ = AddCaptioned<WrapCheckBox>(frame1, "AutoProAtlas", "Auto start up (ProAtlas)",
                                             {192, 1152, 1356, 444});
  QGroupBox* frame2 = AddFrame(frame1, "Frame2", "Route to MPS", {96, 192, 1596, 828});
  QGroupBox* frame5 = AddFrame(frame2, "Frame5", "RtePntNo", {96, 192, 1404, 540});
  rtePntNoOp_[0] =
      AddCaptioned<QRadioButton>(frame5, Indexed("RtePntNoOp", 0), "Up", {48, 240, 588, 204});
  rtePntNoOp_[1] =
      AddCaptioned<QRadioButton>(frame5, Indexed("RtePntNoOp", 1), "Down", {576, 240, 780, 204});
  QGroupBox* frame3 = AddFrame(frame1, "Frame3", "Track to MPS", {1776, 192, 3804, 2316});
  QGroupBox* frame6 = AddFrame(frame3, "Frame6", "TrkLineOp", {96, 192, 1836, 1068});
  const char* const lineOptions[] = {"Total num of Pnt", "Total Trip Time", "Total Trip Length",
                                     "Total Velocity"};
  const int lineTops[] = {240, 432, 624, 816};
  for (std::size_t i = 0; i < trkLineOp_.size(); ++i) {
    trkLineOp_[i] = AddCaptioned<QCheckBox>(frame6, Indexed("TrkLineOp", i), lineOptions[i],
                                            {96, lineTops[i], 1692, 204});
  }
  // The legend of the units the track annotations are written in.
  auto* legend = Place<QPlainTextEdit>(frame3, QStringLiteral("Text1"), {96, 1344, 1836, 924});
  legend->setPlainText(
      QStringLiteral("Date :\n   yyyy/mm/dd hh:nn:ss\nVelocity : km/hr\nDegree : north dir. = 0"));
  legend->setReadOnly(true);
  legend->setLineWrapMode(QPlainTextEdit::NoWrap);
  legend->document()->setDocumentMargin(2);
  legend->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  legend->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QGroupBox* frame7 = AddFrame(frame3, "Frame7", "TrkPntOp", {2016, 192, 1692, 2028});
  AddLabel(frame7, "Label8", "[  ] Step", {96, 288, 972, 204});
  trkPntStepOp_ = Place<QLineEdit>(frame7, QStringLiteral("TrkPntStepOp"), {945, 240, 555, 264});
  const char* const pointOptions[] = {"Past Date",    "Past Velocity", "Past Degree",
                                      "Head Degree",  "Leg. Time(s)",  "Leg. Length(m)",
                                      "Leg. Velocity"};
  const int pointTops[] = {528, 720, 912, 1104, 1344, 1536, 1728};
  for (std::size_t i = 0; i < trkPntOp_.size(); ++i) {
    trkPntOp_[i] = AddCaptioned<QCheckBox>(frame7, Indexed("TrkPntOp", i), pointOptions[i],
                                           {96, pointTops[i], 1548, 204});
  }

  lockedWhileConverting_ = {
      orgFileName_,     newFileName_, getOrgFile_, getNewFile_, viewProAtlas_[0],
      viewProAtlas_[1], fileTypeList, frame4,      appendFg_,   frame1};
}

// The design's arrangement, drawn larger when the desktop's combo boxes need
// it, then with every caption given the room it needs.
void VornConverterPanel::ArrangeForDesktop() {
  const double scale = ScaleForCombos(this);
  if (scale > 1.0) ScaleArrangement(this, scale);
  WidenToCaptions(this);
  const Twips client{0, 0, kClientWidth, kClientHeight + TypeRowsGrowth()};
  setFixedSize(Scaled(FromTwips(client), scale).size());
}

// The preview pane lies to the right of the design's controls, behind a
// narrow toggle that hides it again; the controls keep their places.
void VornConverterPanel::BuildPreviewPane() {
  designWidth_ = width();
  const int height = this->height();
  previewToggle_ = new QToolButton(this);
  previewToggle_->setObjectName(QStringLiteral("PreviewToggle"));
  previewToggle_->setCheckable(true);
  previewToggle_->setChecked(true);
  previewToggle_->setAutoRaise(true);
  const int toggleWidth = std::max(16, previewToggle_->sizeHint().width());
  previewToggle_->setGeometry(designWidth_, 0, toggleWidth, height);
  connect(previewToggle_, &QToolButton::toggled, this,
          [this](bool shown) { ShowPreviewPane(shown); });

  previewPane_ = new QWidget(this);
  previewPane_->setObjectName(QStringLiteral("PreviewPane"));
  const int paneWidth = height;
  previewPane_->setGeometry(designWidth_ + toggleWidth, 0, paneWidth, height);
  const int margin = Pixels(48);
  const int pictureHeight = height * 7 / 10;
  preview_ = new PreviewView(previewPane_);
  preview_->setObjectName(QStringLiteral("Preview"));
  preview_->setGeometry(0, margin, paneWidth - margin, pictureHeight - margin);
  report_ = new QPlainTextEdit(previewPane_);
  report_->setObjectName(QStringLiteral("Report"));
  report_->setReadOnly(true);
  report_->setFont(orgFileName_->font());
  report_->setGeometry(0, pictureHeight + margin, paneWidth - margin,
                       height - pictureHeight - 2 * margin);
  ShowPreviewPane(true);
}

void VornConverterPanel::ShowPreviewPane(bool shown) {
  previewPane_->setVisible(shown);
  previewToggle_->setArrowType(shown ? Qt::LeftArrow : Qt::RightArrow);
  previewToggle_->setToolTip(shown ? Tr("プレビューを隠す") : Tr("プレビューを表示"));
  const int pane = shown ? previewPane_->width() : 0;
  setFixedSize(designWidth_ + previewToggle_->width() + pane, height());
}

void VornConverterPanel::PreviewOriginal(bool again) {
  if (runner_->Running() || closing_) return;
  const std::string name = Text(orgFileName_);
  if (name.empty() || (!again && name == previewedName_)) return;
  // Only a type with a reader can be looked at; any other name is left to
  // the Convert checks to report.
  if (engine::InfoOf(engine::GetInputFileType(name)).makeReader == nullptr) return;
  previewRunner_->Cancel();
  previewedName_ = name;
  original_.data = {};
  engine::ConvertOptions options;
  options.inputName = name;
  options.vrmVrnDatumOption = datumVrmVrnOp_->currentText().toStdString();
  const ConvertCommand look = [this](const engine::ConvertOptions& snapshot,
                                     engine::ConversionContext& /*context*/,
                                     engine::Observer& observer, bool /*outputTypeChosen*/) {
    return engine::PreviewFile(snapshot, observer, original_);
  };
  previewRunner_->Start(look, std::move(options), previewContext_, true, true, {});
}

void VornConverterPanel::OriginalPreviewed(const engine::ConversionResult& result,
                                           const std::string& name) {
  // A look stopped for a newer one, a conversion or the closing shows nothing.
  if (closing_ || result.outcome == engine::Outcome::kCancelled) return;
  const QString title = Tr("元のファイル: %1").arg(QString::fromStdString(name));
  if (result.outcome == engine::Outcome::kConverted) {
    preview_->SetContent(std::move(original_.data), title);
    ShowReport(result.report);
  } else {
    const std::string why =
        result.reason ? engine::MessageText(*result.reason, name, language_) : std::string();
    preview_->SetContent({}, title, QString::fromStdString(why));
    report_->clear();
  }
  emit PreviewShown();
}

void VornConverterPanel::ShowReport(const engine::ConversionReport& report) {
  QStringList lines;
  for (const std::string& line : engine::FormatReport(report, language_)) {
    lines << QString::fromStdString(line);
  }
  report_->setPlainText(lines.join(QLatin1Char('\n')));
}

void VornConverterPanel::ConnectHandlers() {
  connect(getOrgFile_, &QPushButton::clicked, this, [this] { GetOrgFile_Click(); });
  connect(getNewFile_, &QPushButton::clicked, this, [this] { GetNewFile_Click(); });
  for (int i = 0; i < 2; ++i) {
    connect(viewProAtlas_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
            [this, i] { ViewProAtlas_Click(i); });
  }
  for (std::size_t i = 0; i < fileTypeLists_.size(); ++i) {
    connect(fileTypeLists_[i], &QRadioButton::clicked, this, [this, i] {
      outputNamedByUser_ = false;
      FileTypeLists_Click(static_cast<int>(i));
    });
  }
  connect(initTrkNo_, &QPushButton::clicked, this, [this] { InitTrkNo_Click(); });
  connect(convert_, &QPushButton::clicked, this, [this] { Convert_Click(); });
  connect(exitVornConverter_, &QPushButton::clicked, this, [this] { ExitVornConverter_Click(); });
  orgFileName_->installEventFilter(this);
  newFileName_->installEventFilter(this);
  // The text box's drops arrive at its viewport.
  orgRow_ = {orgFileName_, orgFileName_->viewport(), getOrgFile_, findChild<QLabel*>("Label1")};
  newRow_ = {newFileName_, newFileName_->viewport(), getNewFile_, findChild<QLabel*>("Label2")};
  for (const auto& row : {orgRow_, newRow_}) {
    for (QWidget* widget : row) {
      if (widget == nullptr) continue;
      widget->setAcceptDrops(true);
      widget->installEventFilter(this);
    }
  }
}

void VornConverterPanel::Form_Load() {
  setWindowTitle(QStringLiteral("%1 [Ver.%2.%3.%4]")
                     .arg(QLatin1String(kAppTitle))
                     .arg(kVersionMajor)
                     .arg(kVersionMinor)
                     .arg(kVersionRevision));
  orgFileName_->clear();
  newFileName_->clear();
  autoFileName_->setChecked(true);
  const auto fill = [](QComboBox* combo, std::initializer_list<const char*> items) {
    combo->clear();
    for (const char* item : items) combo->addItem(QString::fromUtf8(item));
    combo->setCurrentIndex(0);
    combo->setEditText(combo->itemText(0));
  };
  fill(utcOfsOp_, {engine::kDataPriority, "+9", "0"});
  fill(datumOp_, {engine::kDataPriority, "TOKYO", "WGS84"});
  fill(coordOp_, {engine::kDataPriority, "D", "DMS", "MPS"});
  fill(datumVrmVrnOp_, {"TOKYO", "WGS84"});
  rtePntNoOp_[0]->setChecked(true);
  convData_[0]->setChecked(false);
  convData_[1]->setChecked(false);
  convData_[2]->setChecked(true);
  for (QCheckBox* option : trkLineOp_) option->setChecked(false);
  for (QCheckBox* option : trkPntOp_) option->setChecked(false);
  trkPntStepOp_->setText(QStringLiteral("1"));
  appendFg_->setChecked(false);
  autoProAtlas_->setChecked(false);
  // An exclusive set of option buttons cannot be emptied while it is
  // exclusive.
  for (QRadioButton* type : fileTypeLists_) {
    type->setAutoExclusive(false);
    type->setChecked(false);
    type->setAutoExclusive(true);
  }
  const QColor normal = QApplication::palette().color(QPalette::ButtonText);
  for (QRadioButton* type : fileTypeLists_) SetTextColour(type, normal);
  for (QLabel* type : fileTypeLists2_) SetTextColour(type, normal);
  SetConvertCaption(QLatin1String(kConvertCaption));
}

std::optional<std::string> VornConverterPanel::ShowFileDialog(std::string_view mode,
                                                              engine::FileType type) {
  FileDialogMode dialogMode;
  if (text::EqualsUpper(mode, "OPEN")) {
    dialogMode = FileDialogMode::kOpen;
  } else if (text::EqualsUpper(mode, "SAVE")) {
    dialogMode = FileDialogMode::kSave;
  } else {
    return std::nullopt;
  }
  const std::vector<TypeFilter> filters = FiltersOf(dialogMode);
  return services_.ChooseFile(this, dialogMode, FileFilters(filters), FilterOf(type, filters));
}

void VornConverterPanel::GetOrgFile_Click() {
  const std::optional<std::string> path = ShowFileDialog("Open", InputTypeOf(Text(orgFileName_)));
  if (path) OrgFileChosen(*path);
}

void VornConverterPanel::OrgFileChosen(const std::string& path) {
  SetText(orgFileName_, path);
  ShowFileType(Text(orgFileName_), true);
  // The converted file name follows the new original file.
  outputNamedByUser_ = false;
  FileTypeLists_Click(0);
  PreviewOriginal(true);
}

void VornConverterPanel::GetNewFile_Click() {
  const std::optional<std::string> path = ShowFileDialog("Save", FileTypeOf(Text(newFileName_)));
  if (path) NewFileChosen(*path);
}

void VornConverterPanel::NewFileChosen(const std::string& path) {
  SetText(newFileName_, path);
  outputNamedByUser_ = true;
  ShowFileType(Text(newFileName_), false);
}

// A file dragged from a file manager onto the Original File or Converted File
// row. Only local files are taken; the text boxes would otherwise paste the
// URL as text.
bool VornConverterPanel::FileDragEvent(QObject* watched, QEvent* event) {
  const bool isOrg = std::find(orgRow_.begin(), orgRow_.end(), watched) != orgRow_.end();
  const bool isNew = std::find(newRow_.begin(), newRow_.end(), watched) != newRow_.end();
  if (!isOrg && !isNew) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QList<QUrl> urls = drop->mimeData()->urls();
  const bool hasFile = !urls.isEmpty() && urls.front().isLocalFile();
  std::vector<std::string> localFiles;
  for (const QUrl& url : urls) {
    if (url.isLocalFile()) localFiles.push_back(url.toLocalFile().toStdString());
  }
  if (event->type() == QEvent::Drop && isOrg && localFiles.size() > 1) {
    OrgFilesDropped(localFiles);
  } else if (event->type() == QEvent::Drop && hasFile) {
    const std::string path = urls.front().toLocalFile().toStdString();
    if (isOrg) {
      OrgFileChosen(path);
    } else {
      NewFileChosen(path);
    }
  }
  if (hasFile) {
    drop->acceptProposedAction();
  } else {
    drop->ignore();
  }
  return true;
}

void VornConverterPanel::OrgFilesDropped(const std::vector<std::string>& paths) {
  if (runner_->Running() || !dropped_.empty()) return;
  if (!OutputTypeChosen()) {
    ShowMessage(engine::Message::kOutputTypeMissing);
    return;
  }
  dropped_ = paths;
  droppedReport_.clear();
  ConvertNextDropped();
}

// Each file goes through Convert as if chosen and converted by hand (its
// checks, the overwrite question), named beside itself as AutoFileName
// names it whether or not that is ticked.
void VornConverterPanel::ConvertNextDropped() {
  if (dropped_.empty() || closing_) {
    dropped_.clear();
    return;
  }
  if (runner_->Running()) {
    // Convert was pressed between two of the files: go on once it has ended.
    connect(
        this, &VornConverterPanel::ConversionFinished, this, [this] { ConvertNextDropped(); },
        static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    return;
  }
  const std::string path = dropped_.front();
  dropped_.erase(dropped_.begin());
  const bool autoName = autoFileName_->isChecked();
  autoFileName_->setChecked(true);
  OrgFileChosen(path);
  autoFileName_->setChecked(autoName);

  droppedResult_ = std::make_shared<std::optional<engine::ConversionResult>>();
  // The runner hands the result to the window thread only after the command
  // has returned, so the slot is read once the worker is done with it.
  auto recording = [command = convertCommand_, slot = droppedResult_](
                       const engine::ConvertOptions& options, engine::ConversionContext& context,
                       engine::Observer& observer, bool outputTypeChosen) {
    engine::ConversionResult result = command(options, context, observer, outputTypeChosen);
    *slot = result;
    return result;
  };
  std::int16_t pointStep = 1;
  const bool stepValid = engine::ParsePointStep(trkPntStepOp_->text().toStdString(), pointStep);
  LockControls(true);
  runner_->Start(recording, TakeSnapshot(pointStep), context_, OutputTypeChosen(), stepValid,
                 kRunningCaption);
}

bool VornConverterPanel::OrgFileName_KeyPress(int keyAscii) {
  if (keyAscii != kEnterKey) return false;
  ShowFileType(Text(orgFileName_), true);
  PreviewOriginal(false);
  return true;
}

bool VornConverterPanel::NewFileName_KeyPress(int keyAscii) {
  if (keyAscii != kEnterKey) return false;
  outputNamedByUser_ = true;
  ShowFileType(Text(newFileName_), false);
  return true;
}

// A name typed without Enter is taken as Enter would take it, once the box
// is left or Convert is pressed. Nothing is said here: a name of no known
// type is reported by the Convert checks in their place, and a message box
// popping up while the user clicks elsewhere would swallow the click. A
// converted name is kept exactly as typed, since it already names its type.
void VornConverterPanel::ApplyTypedName(bool isOriginal) {
  const std::string name = Text(isOriginal ? orgFileName_ : newFileName_);
  const engine::FileType type = engine::GetFileType(name);
  if (type == engine::FileType::kNone) return;
  if (isOriginal) {
    ShowFileType(name, true);
    return;
  }
  const int index = OutputIndexOf(type);
  if (index < 0) return;
  outputNamedByUser_ = true;
  fileTypeLists_[static_cast<std::size_t>(index)]->setChecked(true);
}

engine::FileType VornConverterPanel::FileTypeOf(const std::string& name) {
  const engine::FileType type = engine::GetFileType(name);
  if (type == engine::FileType::kNone && !name.empty()) {
    ShowMessage(engine::Message::kUnsupportedType);
  }
  return type;
}

engine::FileType VornConverterPanel::InputTypeOf(const std::string& name) {
  const engine::FileType type = FileTypeOf(name);
  return type == engine::FileType::kLog ? engine::GetInputFileType(name) : type;
}

int VornConverterPanel::OutputIndexOf(engine::FileType type) const {
  const auto found = std::find(outputTypes_.begin(), outputTypes_.end(), type);
  return found == outputTypes_.end() ? -1 : static_cast<int>(found - outputTypes_.begin());
}

QLabel* VornConverterPanel::InputOnlyLabelOf(engine::FileType type) const {
  const auto found = std::find(inputOnlyTypes_.begin(), inputOnlyTypes_.end(), type);
  if (found == inputOnlyTypes_.end()) return nullptr;
  return fileTypeLists2_[static_cast<std::size_t>(found - inputOnlyTypes_.begin())];
}

void VornConverterPanel::ShowFileType(const std::string& name, bool isOriginal) {
  if (isOriginal) {
    const engine::FileType type = InputTypeOf(name);
    if (type != engine::FileType::kNone) ShowOriginalType(type);
    return;
  }
  const engine::FileType type = FileTypeOf(name);
  if (type == engine::FileType::kNone) return;
  const int outputIndex = OutputIndexOf(type);
  if (outputIndex >= 0) {
    // Selecting the button is taken as a click on it, also when it was
    // selected already: the converted file name is derived again.
    fileTypeLists_[static_cast<std::size_t>(outputIndex)]->setChecked(true);
    FileTypeLists_Click(outputIndex);
  } else if (InputOnlyLabelOf(type) != nullptr) {
    ShowMessage(engine::Message::kCannotConvertType);
  }
}

// The original file's type in red, every other type name in the normal
// colour; a type without a control (LOG) leaves them all normal.
void VornConverterPanel::ShowOriginalType(engine::FileType type) {
  const QColor normal = QApplication::palette().color(QPalette::ButtonText);
  for (QRadioButton* button : fileTypeLists_) SetTextColour(button, normal);
  for (QLabel* label : fileTypeLists2_) SetTextColour(label, normal);
  const int outputIndex = OutputIndexOf(type);
  if (outputIndex >= 0) SetTextColour(fileTypeLists_[static_cast<std::size_t>(outputIndex)], kRed);
  if (QLabel* label = InputOnlyLabelOf(type)) SetTextColour(label, kRed);
}

void VornConverterPanel::FileTypeLists_Click(int /*index*/) {
  const auto checked = std::find_if(fileTypeLists_.begin(), fileTypeLists_.end(),
                                    [](const QRadioButton* type) { return type->isChecked(); });
  if (checked == fileTypeLists_.end()) return;
  const engine::FileType type =
      outputTypes_[static_cast<std::size_t>(checked - fileTypeLists_.begin())];

  // With AutoFileName the converted name follows the original name;
  // otherwise the converted name only changes its type. A converted name
  // the user gave (chosen, dropped or typed) stands until the user changes
  // the type or the original file.
  const bool followOriginal = autoFileName_->isChecked() && !outputNamedByUser_;
  const std::string source = Text(followOriginal ? orgFileName_ : newFileName_);
  if (source.empty()) return;
  FileTypeOf(source);  // says so when the name is of no known type
  const std::string_view trimmed = text::TrimSpaces(source);
  // A name of fewer than three characters has no type to replace.
  if (text::CharCount(trimmed) < 3) return;
  SetText(newFileName_, engine::NameForType(trimmed, type));
}

void VornConverterPanel::ViewProAtlas_Click(int index) {
  const std::string name = Text(index == 0 ? orgFileName_ : newFileName_);
  if (FileTypeOf(name) != engine::FileType::kMps) return;
  StartProAtlas(name);
}

void VornConverterPanel::StartProAtlas(const std::string& name) {
  const launcher::LaunchResult launch = services_.StartProAtlas(name);
  // Not installed is no news to the user; a program that would not start is.
  if (launch.status == launcher::LaunchStatus::kStartFailed) {
    ShowMessage(engine::Message::kCannotStart, launch.program);
  }
}

void VornConverterPanel::InitTrkNo_Click() { context_.ResetNumbering("TRK"); }

void VornConverterPanel::ExitVornConverter_Click() { close(); }

void VornConverterPanel::closeEvent(QCloseEvent* event) {
  // No question is asked: a running conversion is cancelled, and the engine
  // leaves its output as it was before the conversion.
  closing_ = true;
  previewRunner_->Cancel();
  runner_->Cancel();
  event->accept();
}

bool VornConverterPanel::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
    if (FileDragEvent(watched, event)) return true;
  }
  if (type == QEvent::FocusOut && (watched == orgFileName_ || watched == newFileName_)) {
    ApplyTypedName(watched == orgFileName_);
    if (watched == orgFileName_) PreviewOriginal(false);
  }
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int keyAscii = key == Qt::Key_Return || key == Qt::Key_Enter ? kEnterKey : 0;
    if (watched == orgFileName_) return OrgFileName_KeyPress(keyAscii);
    if (watched == newFileName_) return NewFileName_KeyPress(keyAscii);
  }
  return QWidget::eventFilter(watched, event);
}

bool VornConverterPanel::OutputTypeChosen() const {
  return std::any_of(fileTypeLists_.begin(), fileTypeLists_.end(),
                     [](const QRadioButton* type) { return type->isChecked(); });
}

engine::ConvertOptions VornConverterPanel::TakeSnapshot(std::int16_t pointStep) const {
  const auto ticked = [](const QCheckBox* box) { return box->checkState() == Qt::Checked; };
  engine::ConvertOptions options;
  options.inputName = Text(orgFileName_);
  options.outputName = Text(newFileName_);
  options.utcOffset = utcOfsOp_->currentText().toStdString();
  options.datum = datumOp_->currentText().toStdString();
  options.coordFormat = coordOp_->currentText().toStdString();
  options.routeOrder.clear();
  if (rtePntNoOp_[0]->isChecked()) options.routeOrder = "昇順";
  if (rtePntNoOp_[1]->isChecked()) options.routeOrder = "降順";
  options.lineTotalPoints = ticked(trkLineOp_[0]);
  options.lineTotalTime = ticked(trkLineOp_[1]);
  options.lineTotalLength = ticked(trkLineOp_[2]);
  options.lineTotalVelocity = ticked(trkLineOp_[3]);
  options.pointStep = pointStep;
  options.pointPastDate = ticked(trkPntOp_[0]);
  options.pointPastVelocity = ticked(trkPntOp_[1]);
  options.pointPastDegree = ticked(trkPntOp_[2]);
  options.pointHeadDegree = ticked(trkPntOp_[3]);
  options.pointLegTime = ticked(trkPntOp_[4]);
  options.pointLegLength = ticked(trkPntOp_[5]);
  options.pointLegVelocity = ticked(trkPntOp_[6]);
  options.append = ticked(appendFg_);
  options.convertWaypoints = ticked(convData_[0]);
  options.convertRoutes = ticked(convData_[1]);
  options.convertTracks = ticked(convData_[2]);
  options.vrmVrnDatumOption = datumVrmVrnOp_->currentText().toStdString();
  options.groupFilePath = engine::FindGroupDefinitionsFile();
  return options;
}

void VornConverterPanel::Convert_Click() {
  // One conversion at a time: the press is ignored while one runs.
  if (runner_->Running()) return;
  ApplyTypedName(true);
  ApplyTypedName(false);
  std::int16_t pointStep = 1;
  const bool stepValid = engine::ParsePointStep(trkPntStepOp_->text().toStdString(), pointStep);
  // The controls are locked once the checks have passed (ConversionBegan),
  // not while a check shows its message.
  previewRunner_->Cancel();
  written_.data = {};
  convertedName_ = Text(newFileName_);
  runner_->Start(convertCommand_, TakeSnapshot(pointStep), context_, OutputTypeChosen(), stepValid,
                 kRunningCaption, &written_);
}

void VornConverterPanel::ConversionBegan() { LockControls(true); }

void VornConverterPanel::ConversionEnded(const engine::ConversionResult& result, bool started) {
  // What was written, and the report under it, once the checks had passed.
  if (started && !closing_) {
    const QString title = Tr("変換したファイル: %1").arg(QString::fromStdString(convertedName_));
    if (result.outcome == engine::Outcome::kConverted) {
      preview_->SetContent(std::move(written_.data), title);
    } else {
      // The output was left as it was: nothing new was written.
      preview_->SetContent({}, title, Tr("変換は完了しませんでした"));
    }
    ShowReport(result.report);
    emit PreviewShown();
  }
  // Only a completed conversion has written the file the map should show; a
  // stopped one left the old output. The converted name's type was decided
  // (and any complaint about it made) by the conversion: nothing is said again.
  const bool converted = result.outcome == engine::Outcome::kConverted;
  if (converted && !closing_ && autoProAtlas_->isChecked()) {
    const std::string name = Text(newFileName_);
    if (engine::GetFileType(name) == engine::FileType::kMps) StartProAtlas(name);
  }
  SetConvertCaption(QLatin1String(kConvertCaption));
  LockControls(false);
  if (droppedResult_) ReportDropped();
  emit ConversionFinished();
}

// One line of the dropped files' report: what the file became, or the
// message it stopped with.
void VornConverterPanel::ReportDropped() {
  const std::optional<engine::ConversionResult> result = *droppedResult_;
  droppedResult_.reset();
  const std::string input = Text(orgFileName_);
  std::string line;
  if (result && result->outcome == engine::Outcome::kConverted) {
    line = input + " → " + Text(newFileName_) + ":";
    const char* separator = " ";
    for (const std::string& reportLine : engine::FormatReport(result->report)) {
      line += separator + reportLine;
      separator = "; ";
    }
  } else {
    const engine::Message reason =
        result && result->reason ? *result->reason : engine::Message::kAborted;
    // The one stop message that names a file other than the input.
    const std::string named = reason == engine::Message::kCannotWrite ? Text(newFileName_) : input;
    line = input + ": " + engine::MessageText(reason, named);
  }
  droppedReport_.push_back(line);
  if (!dropped_.empty() && !closing_) {
    // After the runner has finished with this one.
    QMetaObject::invokeMethod(
        this, [this] { ConvertNextDropped(); }, Qt::QueuedConnection);
    return;
  }
  std::string report;
  for (const std::string& reportLine : droppedReport_) report += reportLine + "\n";
  report.pop_back();
  droppedReport_.clear();
  if (!closing_) services_.ShowMessage(this, report, {});
}

void VornConverterPanel::ShowMessage(engine::Message message, const std::string& name,
                                     const std::string& detail) {
  services_.ShowMessage(this, engine::MessageText(message, name, language_), detail);
}

void VornConverterPanel::SetConvertCaption(const QString& caption) {
  convert_->setText(caption);
  emit ConvertCaptionChanged(caption);
}

void VornConverterPanel::LockControls(bool locked) {
  for (QWidget* control : lockedWhileConverting_) control->setEnabled(!locked);
}

}  // namespace vc::panel
