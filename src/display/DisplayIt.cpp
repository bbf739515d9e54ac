#include "display/DisplayIt.h"

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <sstream>

#include "display/DisplayCanvas.h"
#include "display/ListingWindow.h"
#include "display/PrintPage.h"
#include "display/TitleNotesPrompt.h"
#include "display/Twips.h"
#include "export/Capture.h"
#include "export/CsvWriter.h"
#include "export/Listing.h"
#include "export/SigrokSession.h"
#include "export/VcdWriter.h"
#include "link/Operator.h"
#include "memory/DataFiles.h"
#include "memory/MemoryImages.h"
#include "memory/Session.h"
#include "model/AcqModel.h"
#include "model/SetupModel.h"

const char* const DisplayIt::kHelpText =
    "Use Arrows and S-Arrow to move cursor, C-Arrows to move page, C-P to Print, HOME or END to "
    "go to first or last sample, SPACE to add or delete a cursor, Z to reset cursor, G or S to "
    "switch between Group or Signal names.";

const char* const DisplayIt::kExportFilters =
    "VCD (*.vcd);;sigrok session (*.sr);;CSV (*.csv);;PNG picture (*.png)";

namespace {
// The key help of the design, and the keys added since.
QString KeyHelp() {
  return QString::fromLatin1(DisplayIt::kHelpText) +
         QStringLiteral(
             " C-E to Export the lines to VCD, sigrok, CSV or a PNG picture. + and - (or C-wheel) "
             "to zoom, F to fit the whole capture, 1 for one sample a column; the wheel scrolls "
             "(S-wheel the lines), a click puts the cursor.");
}
}  // namespace

DisplayIt::DisplayIt(Session& session, TitleNotesPrompt& prompt, QWidget* owner)
    : QDialog(owner), session_(session), prompt_(prompt), drawing_(view_) {
  setWindowTitle(QStringLiteral("Data"));
  setModal(true);
  setFocusPolicy(Qt::StrongFocus);
  // The drawing area (black) and the status bar cover the whole window.
  setFont(DisplayDrawing::DisplayFont());

  canvas_ = new DisplayCanvas(drawing_.image(), this);
  canvas_->setMouseHandler([this](int button, int shift, int32_t x, int32_t y) {
    Apply(view_.Form_MouseDown(button, shift, x, y));
  });
  canvas_->setWheelHandler([this](int notches, int shift) { Apply(view_.Wheel(notches, shift)); });
  canvas_->setResizeHandler([this](QSize size) {
    drawing_.Resize(size.width(), size.height());
    Apply(DisplayView::Effect::kRedraw);
  });
  // The rows' bar lies over the waveforms' right edge and shows only while the pointer is
  // over them: at the design's size the window is the drawing area and the status bar alone.
  rowBar_ = new QScrollBar(Qt::Vertical, canvas_);
  rowBar_->setFocusPolicy(Qt::NoFocus);
  rowBar_->hide();
  canvas_->installEventFilter(this);
  connect(rowBar_, &QScrollBar::valueChanged, this,
          [this](int top) { Apply(view_.ScrollRowsTo(top)); });

  status_ = new QStatusBar(this);
  status_->setSizeGripEnabled(false);
  status_->setFocusPolicy(Qt::NoFocus);
  status_->setFont(QApplication::font());
  panel1_ = new QLabel(status_);
  panel2_ = new QLabel(status_);
  panel3_ = new QLabel(QString::fromLatin1(kHelpText), status_);
  panel4_ = new QLabel(status_);
  panel5_ = new QLabel(status_);
  // The readouts take what room the window has and never widen it: at the design's size the
  // window stays the drawing area's width. Their whole texts come up as tooltips.
  for (QLabel* panel : {panel4_, panel5_}) {
    panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panel->hide();
  }
  panel1_->setMinimumWidth(110);
  panel2_->setMinimumWidth(110);
  // The help text is longer than the window is wide: the panel shows what fits and the
  // whole text comes up as a tooltip.
  panel3_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  panel3_->setToolTip(KeyHelp());
  status_->setToolTip(KeyHelp());
  // The page's bar runs under the waveforms, on the status bar's own row.
  pageBar_ = new QScrollBar(Qt::Horizontal, status_);
  pageBar_->setFocusPolicy(Qt::NoFocus);
  pageBar_->setMinimumWidth(120);
  connect(pageBar_, &QScrollBar::valueChanged, this,
          [this](int first) { Apply(view_.ScrollTo(first)); });
  status_->addWidget(panel1_);
  status_->addWidget(panel2_);
  status_->addWidget(panel4_, 3);
  status_->addWidget(panel5_, 3);
  status_->addWidget(pageBar_, 2);
  status_->addWidget(panel3_, 1);
  compareStatus_ = new QLabel(status_);
  status_->addPermanentWidget(compareStatus_);
  compareStatus_->hide();

  // The window is the drawing area above the status bar; enlarging it enlarges the area.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(canvas_, 1);
  layout->addWidget(status_);
  setSizeGripEnabled(true);
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
}

void DisplayIt::setSourceFiles(const QString& capture, const QString& configuration) {
  setWindowTitle(QStringLiteral("Data - ") + QFileInfo(capture).fileName());
  orderFile_ = configuration;
}

bool DisplayIt::eventFilter(QObject* watched, QEvent* event) {
  if (watched == canvas_) {
    if (event->type() == QEvent::Enter) rowBar_->setVisible(view_.MaxTopLine() > 0);
    if (event->type() == QEvent::Leave) rowBar_->hide();
    if (event->type() == QEvent::Resize) {
      const int w = rowBar_->sizeHint().width();
      rowBar_->setGeometry(canvas_->width() - w, 0, w, twips::ToPixel(view_.Axis.StripY()));
    }
  }
  return QDialog::eventFilter(watched, event);
}

void DisplayIt::ShowPosition() {
  {
    const QSignalBlocker block(pageBar_);
    pageBar_->setRange(0, static_cast<int>(view_.MaxFirst()));
    pageBar_->setPageStep(static_cast<int>(view_.Axis.PageSamples()));
    pageBar_->setSingleStep(static_cast<int>(std::max<int64_t>(1, view_.Axis.PageSamples() / 10)));
    pageBar_->setValue(view_.FirstSample());
  }
  {
    const QSignalBlocker block(rowBar_);
    rowBar_->setRange(0, view_.MaxTopLine());
    rowBar_->setPageStep(static_cast<int>(view_.Axis.Rows()));
    rowBar_->setValue(view_.TopLine);
  }
  const auto show = [](QLabel* panel, const std::string& text) {
    panel->setText(QString::fromStdString(text));
    panel->setToolTip(panel->text());
    panel->setVisible(!text.empty());
  };
  show(panel4_, view_.MarkerReadout());
  show(panel5_, view_.Matched ? groups_.Text(view_.CursorSample) : std::string());
}

QString DisplayIt::panelText(int panel) const {
  switch (panel) {
    case 1:
      return panel1_->text();
    case 2:
      return panel2_->text();
    case 3:
      return panel3_->text();
    case 4:
      return panel4_->text();
    case 5:
      return panel5_->text();
    default:
      return {};
  }
}

void DisplayIt::BuildView() {
  MemoryImages& images = session_.images();
  SetupModel setup(images.SetupMem);
  view_.BuildView(setup, images.AcqMem, session_.bCnf(), session_.nNm09(), session_.nNm18());
  if (view_.Matched) {
    groups_.Build(setup, images.AcqMem);
  } else {
    groups_.Clear();
  }
  toldOrder_ = LineOrder();
  panel2_->setText(QString::fromStdString(view_.TriggerText));
  Apply(DisplayView::Effect::kRedraw);
}

int DisplayIt::runModal() {
  BuildView();
  return exec();
}

void DisplayIt::Apply(DisplayView::Effect effect) {
  switch (effect) {
    case DisplayView::Effect::kNothing:
      return;
    case DisplayView::Effect::kMoveCursor:
      drawing_.MoveCursor();
      break;
    case DisplayView::Effect::kRedrawNames:
      drawing_.RedrawNames();
      break;
    case DisplayView::Effect::kRedraw:
      drawing_.Redraw();
      compare_.Draw(drawing_.image(), view_);
      break;
    case DisplayView::Effect::kPrint:
      PrintDisplay();
      return;
    case DisplayView::Effect::kExport:
      ExportDisplay();
      return;
  }
  panel1_->setText(drawing_.cursorTimeText());
  ShowPosition();
  canvas_->update();
  if (listing_ != nullptr) {
    listing_->model().setMarks(
        view_.IsTriggered ? std::optional<int32_t>(view_.TrigPos) : std::nullopt, view_.Markers);
    listing_->selectSample(view_.CursorSample);
  }
}

bool DisplayIt::TableKey(QKeyEvent* event) {
  const bool control = event->modifiers() & Qt::ControlModifier;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  if (event->key() == Qt::Key_L && !control) {
    OpenListing();
  } else if (event->key() == Qt::Key_D && control) {
    compare_.active() ? StopCompare() : CompareWithFile();
  } else if (event->key() == Qt::Key_R && control) {
    CompareWithReference();
  } else if (event->key() == Qt::Key_N && !control) {
    if (const auto s = compare_.Next(view_.CursorSample, !shift)) Apply(view_.PutCursorOn(*s));
  } else {
    return false;
  }
  return true;
}

ListingWindow* DisplayIt::OpenListing() {
  if (listing_ == nullptr) {
    listing_ = new ListingWindow(this);
    connect(listing_, &ListingWindow::sampleChosen, this,
            [this](int sample) { Apply(view_.PutCursorOn(sample)); });
  }
  MemoryImages& images = session_.images();
  SetupModel setup(images.SetupMem);
  // Group columns where the lines carry the groups' labels, else one column per pod.
  listing_->setListing(std::make_unique<Listing>(images.AcqMem, view_.Matched ? &setup : nullptr));
  listing_->model().setDiffering(compare_.active() ? compare_.result()->samples()
                                                   : std::vector<int32_t>{});
  listing_->move(frameGeometry().topRight());
  listing_->show();
  Apply(DisplayView::Effect::kNothing);
  listing_->model().setMarks(
      view_.IsTriggered ? std::optional<int32_t>(view_.TrigPos) : std::nullopt, view_.Markers);
  listing_->selectSample(view_.CursorSample);
  return listing_;
}

void DisplayIt::CompareWithFile() {
  const QString filters = QStringLiteral("Acquisition (*.dat);;All files (*)");
  const QString path = openChooser_ ? openChooser_(this, QStringLiteral("Compare"), filters)
                                    : QFileDialog::getOpenFileName(this, QStringLiteral("Compare"),
                                                                   QString(), filters);
  if (!path.isEmpty()) CompareWith(path);
}

bool DisplayIt::CompareWith(const QString& path) {
  auto other = std::make_unique<MemoryImages>();
  if (!ReadFile(path.toStdString(), *other, kAcquisition, &session_.op())) {
    session_.op().message("Cannot compare with " + path.toStdString() + ": Bad Acquisition data",
                          "Compare", MsgIcon::Exclamation, MsgButtons::Ok);
    return false;
  }
  StartCompare(std::move(other));
  return true;
}

bool DisplayIt::CompareWithReference() {
  auto other = std::make_unique<MemoryImages>();
  if (!session_.ReadReference(*other)) return false;
  StartCompare(std::move(other));
  return true;
}

void DisplayIt::StartCompare(std::unique_ptr<MemoryImages> other) {
  compare_.Start(view_, session_.images().AcqMem, std::move(other));
  compareStatus_->setText(QString::fromStdString(compare_.StatusText()));
  compareStatus_->show();
  if (listing_ != nullptr) listing_->model().setDiffering(compare_.result()->samples());
  Apply(DisplayView::Effect::kRedraw);
  if (const std::string header = compare_.HeaderText(); !header.empty()) {
    session_.op().message("The captures were not recorded alike:\n" + header, "Compare",
                          MsgIcon::Information, MsgButtons::Ok);
  }
}

void DisplayIt::StopCompare() {
  if (!compare_.active()) return;
  compare_.Stop();
  compareStatus_->hide();
  if (listing_ != nullptr) listing_->model().setDiffering({});
  Apply(DisplayView::Effect::kRedraw);
}

void DisplayIt::keyPressEvent(QKeyEvent* event) {
  if (TableKey(event)) return event->accept();
  int shift = 0;
  if (event->modifiers() & Qt::ShiftModifier) shift |= DisplayView::kShift;
  if (event->modifiers() & Qt::ControlModifier) shift |= DisplayView::kControl;
  int key = 0;
  switch (event->key()) {
    case Qt::Key_End:
      key = DisplayView::kEnd;
      break;
    case Qt::Key_Home:
      key = DisplayView::kHome;
      break;
    case Qt::Key_Left:
      key = DisplayView::kLeft;
      break;
    case Qt::Key_Up:
      key = DisplayView::kUp;
      break;
    case Qt::Key_Right:
      key = DisplayView::kRight;
      break;
    case Qt::Key_Down:
      key = DisplayView::kDown;
      break;
    case Qt::Key_P:
      key = DisplayView::kP;
      break;
    case Qt::Key_E:
      key = DisplayView::kE;
      break;
    default:
      break;
  }
  if (key != 0) Apply(view_.Form_KeyDown(key, shift));
  // The character the key types, as a separate event would bring it; with Control held a
  // key types a control character, which no command uses.
  const QString text = event->text();
  if ((shift & DisplayView::kControl) == 0 && text.size() == 1 && text[0].unicode() >= 32 &&
      text[0].unicode() < 127) {
    Apply(view_.Form_KeyPress(static_cast<char>(text[0].unicode())));
  }
  // Every key stays here: Escape and Return do not close the window.
  event->accept();
}

QString DisplayIt::PrintDisplay() {
  // The picture is the drawing area exactly as shown; the status bar is not part of it.
  const QImage picture = PrintPage::MakePicture(drawing_.image());

  if (!PrintTitle.isEmpty()) prompt_.setTitle(PrintTitle);
  if (!PrintNotes.isEmpty()) prompt_.setNotes(PrintNotes);
  const bool accepted = prompt_.showModal(this);
  if (!prompt_.title().isEmpty()) PrintTitle = prompt_.title();
  if (!prompt_.notes().isEmpty()) PrintNotes = prompt_.notes();
  if (!accepted) return {};

  const QDateTime now = QDateTime::currentDateTime();
  const QString header = PrintPage::Header(now);
  const QStringList notes = PrintPage::SplitNotes(PrintNotes);
  Operator& op = session_.op();

  QString failedPrinter;
  const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
  if (!printerInfo.isNull()) {
    QPrinter printer(printerInfo, QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QStringLiteral("Data"));
    if (PrintPage::Paint(printer, picture, header, PrintTitle, notes)) return {};
    failedPrinter = printerInfo.printerName();
  }

  // No printer, or it failed: the same page goes into a PDF file where the acquisitions go.
  const std::string folder = session_.dataFolder();
  const QDir into = folder.empty() ? QDir::current() : QDir(QFile::decodeName(folder.c_str()));
  const QString path = into.absoluteFilePath(QStringLiteral("Data-") +
                                              now.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                                              QStringLiteral(".pdf"));
  QPdfWriter writer(path);
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
  writer.setTitle(QStringLiteral("Data"));
  writer.setCreator(QStringLiteral("Logirem"));
  if (!PrintPage::Paint(writer, picture, header, PrintTitle, notes)) {
    op.message("The page could not be printed, nor saved as " + path.toStdString(), "",
               MsgIcon::Exclamation, MsgButtons::Ok);
    return {};
  }
  const std::string where = failedPrinter.isEmpty()
                                ? std::string("No printer is installed.")
                                : "The printer " + failedPrinter.toStdString() + " failed.";
  op.message(where + " The page was saved as " + path.toStdString(), "", MsgIcon::Information,
             MsgButtons::Ok);
  return path;
}

QString DisplayIt::ExportDisplay() {
  QString filter;
  const QString filters = QString::fromLatin1(kExportFilters);
  QString path = chooser_ ? chooser_(this, QStringLiteral("Export"), filters, &filter)
                          : QFileDialog::getSaveFileName(this, QStringLiteral("Export"), QString(),
                                                         filters, &filter);
  if (path.isEmpty()) return {};
  // A name typed without one of the formats' extensions gets the chosen filter's.
  static const QStringList kExtensions{"vcd", "sr", "csv", "png"};
  if (!kExtensions.contains(QFileInfo(path).suffix().toLower())) {
    const qsizetype star = filter.indexOf(QStringLiteral("*."));
    const QString extension =
        star < 0 ? QStringLiteral("vcd") : filter.mid(star + 2).chopped(1).toLower();
    path += QStringLiteral(".") + extension;
  }
  return ExportTo(path) ? path : QString();
}

bool DisplayIt::ExportTo(const QString& path) {
  const QString format = QFileInfo(path).suffix().toLower();
  std::string bytes;
  std::string why = "The file could not be written.";
  if (format == QStringLiteral("png")) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (drawing_.image().save(&buffer, "PNG")) bytes.assign(png.constData(), png.size());
  } else {
    MemoryImages& images = session_.images();
    Capture capture(images.AcqMem, "the Data window");
    for (int32_t line = 0; line <= view_.LastLine; ++line) {
      capture.AddChannel(view_.Name(static_cast<int16_t>(line), view_.SignalNames),
                         view_.LineTable[static_cast<size_t>(line)].code);
    }
    if (!capture.HoldsSamples()) {
      session_.op().message("nothing to export: the capture holds no channel", "Export",
                            MsgIcon::Exclamation, MsgButtons::Ok);
      return false;
    }
    if (ExportPairedQuestion(capture)) capture.AddPairedChannels();
    capture.SetTrigger(view_.IsTriggered ? std::optional<int32_t>(view_.TrigPos) : std::nullopt);
    capture.AddTriggerChannel();
    if (format == QStringLiteral("sr")) {
      // PulseView aborts on more channels; lines can be moved up to be among those kept.
      const auto dropped = capture.LimitChannels(Capture::kSigrokChannels);
      if (!dropped.empty()) {
        std::string names;
        for (const auto& name : dropped) names += (names.empty() ? "" : ", ") + name;
        session_.op().message("PulseView reads at most " +
                                  std::to_string(Capture::kSigrokChannels) +
                                  " channels: the session holds the first lines on screen and "
                                  "leaves out " +
                                  names + ".",
                              "Export", MsgIcon::Information, MsgButtons::Ok);
      }
    }
    if (format == QStringLiteral("sr")) {
      if (!SigrokSession::Write(capture, bytes, why)) bytes.clear();
    } else {
      std::ostringstream out;
      if (format == QStringLiteral("csv")) {
        // Group values only where the lines carry the groups' label names.
        if (view_.Matched) capture.AddGroups(SetupModel(images.SetupMem));
        CsvWriter::Write(capture, out);
      } else {
        VcdWriter::Write(capture, out, false);
      }
      bytes = std::move(out).str();
    }
  }
  if (!bytes.empty() && SaveWholeFile(path.toStdString(), bytes)) return true;
  session_.op().message("Cannot export to " + path.toStdString() + ": " + why, "Export",
                        MsgIcon::Exclamation, MsgButtons::Ok);
  return false;
}

bool DisplayIt::ExportPairedQuestion(const Capture& capture) {
  const AcqModel acq(session_.images().AcqMem);
  const auto& channels = capture.channels();
  if (std::none_of(channels.begin(), channels.end(),
                   [&](const Capture::Channel& c) { return acq.PodTwoBit(c.pod); })) {
    return false;
  }
  return session_.op().message(
             "Add the paired bit (drawn in red) of each line of a two-bit pod as a channel of its "
             "own, named after the line with ~ (CSV) or _p?",
             "Export", MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes;
}

std::array<int16_t, DisplayView::kLines> DisplayIt::LineOrder() const {
  std::array<int16_t, DisplayView::kLines> order{};
  for (size_t i = 0; i < order.size(); ++i) order[i] = view_.LineTable[i].nameIndex;
  return order;
}

void DisplayIt::Form_Unload() {
  if (!view_.Matched) {
    // Pod names carry no group, so the order cannot go back to the analyser. Moving lines
    // here is still useful on screen, but the operator is told once that it stays there.
    if (LineOrder() != toldOrder_) {
      toldOrder_ = LineOrder();
      session_.op().message(
          "The new line order stays in this display: the acquisition was not read together "
          "with a matching configuration, so the analyser's display order is not updated.",
          "", MsgIcon::Information, MsgButtons::Ok);
    }
    return;
  }
  if (!view_.OfferWriteBack()) return;
  if (!orderFile_.isEmpty()) {
    SaveOrderToFile();
    return;
  }
  const MsgAnswer answer =
      session_.op().message("Do you want to update analyser display order ?",
                            "Configuration modified", MsgIcon::Question, MsgButtons::YesNo);
  if (answer != MsgAnswer::Yes) return;
  SetupModel setup(session_.images().SetupMem);
  view_.WriteOrder(setup);
  session_.Mem2Tek(kConfiguration);
}

// A viewed capture never reaches an analyser: its new order can only go into its file.
void DisplayIt::SaveOrderToFile() {
  Operator& op = session_.op();
  const std::string file = QFile::encodeName(orderFile_).toStdString();
  const std::string name = QFileInfo(orderFile_).fileName().toStdString();
  if (op.message("Do you want to save the new display order into " + name + " ?",
                 "Configuration modified", MsgIcon::Question,
                 MsgButtons::YesNo) != MsgAnswer::Yes) {
    return;
  }
  MemoryImages& images = session_.images();
  SetupModel setup(images.SetupMem);
  view_.WriteOrder(setup);
  if (!WriteFile(file, images, kConfiguration, 0)) {
    op.message("Configuration not saved: cannot write " + file, "Local Error", MsgIcon::Exclamation,
               MsgButtons::Ok);
  }
}

void DisplayIt::done(int result) {
  StopCompare();
  if (listing_ != nullptr) listing_->close();
  Form_Unload();
  QDialog::done(result);
}
