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
#include <QStatusBar>
#include <QVBoxLayout>
#include <sstream>

#include "display/DisplayCanvas.h"
#include "display/PrintPage.h"
#include "display/TitleNotesPrompt.h"
#include "export/Capture.h"
#include "export/CsvWriter.h"
#include "export/SigrokSession.h"
#include "export/VcdWriter.h"
#include "link/Operator.h"
#include "memory/DataFiles.h"
#include "memory/MemoryImages.h"
#include "memory/Session.h"
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
         QStringLiteral(" C-E to Export the lines to VCD, sigrok, CSV or a PNG picture.");
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

  status_ = new QStatusBar(this);
  status_->setSizeGripEnabled(false);
  status_->setFocusPolicy(Qt::NoFocus);
  status_->setFont(QApplication::font());
  panel1_ = new QLabel(status_);
  panel2_ = new QLabel(status_);
  panel3_ = new QLabel(QString::fromLatin1(kHelpText), status_);
  panel1_->setMinimumWidth(110);
  panel2_->setMinimumWidth(110);
  // The help text is longer than the window is wide: the panel shows what fits and the
  // whole text comes up as a tooltip.
  panel3_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  panel3_->setToolTip(KeyHelp());
  status_->setToolTip(KeyHelp());
  status_->addWidget(panel1_);
  status_->addWidget(panel2_);
  status_->addWidget(panel3_, 1);

  // The window is exactly the drawing area above the status bar.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(canvas_);
  layout->addWidget(status_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString DisplayIt::panelText(int panel) const {
  switch (panel) {
    case 1:
      return panel1_->text();
    case 2:
      return panel2_->text();
    case 3:
      return panel3_->text();
    default:
      return {};
  }
}

void DisplayIt::BuildView() {
  MemoryImages& images = session_.images();
  SetupModel setup(images.SetupMem);
  view_.BuildView(setup, images.AcqMem, session_.bCnf(), session_.nNm09(), session_.nNm18());
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
      break;
    case DisplayView::Effect::kPrint:
      PrintDisplay();
      return;
    case DisplayView::Effect::kExport:
      ExportDisplay();
      return;
  }
  panel1_->setText(drawing_.cursorTimeText());
  canvas_->update();
}

void DisplayIt::keyPressEvent(QKeyEvent* event) {
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
    capture.SetTrigger(view_.IsTriggered ? std::optional<int32_t>(view_.TrigPos) : std::nullopt);
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
  const MsgAnswer answer =
      session_.op().message("Do you want to update analyser display order ?",
                            "Configuration modified", MsgIcon::Question, MsgButtons::YesNo);
  if (answer != MsgAnswer::Yes) return;
  SetupModel setup(session_.images().SetupMem);
  view_.WriteOrder(setup);
  session_.Mem2Tek(kConfiguration);
}

void DisplayIt::done(int result) {
  Form_Unload();
  QDialog::done(result);
}
