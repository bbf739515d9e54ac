#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QProgressDialog>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <span>

#include "app/AppFont.h"
#include "app/Conf.h"
#include "app/ConfinedDriver.h"
#include "app/FileChooser.h"
#include "app/FrameBox.h"
#include "app/Info.h"
#include "app/InstanceLock.h"
#include "app/LinkThread.h"
#include "app/ModalPresenter.h"
#include "app/QtFileChooser.h"
#include "app/QtModalPresenter.h"
#include "app/StartRequest.h"
#include "app/TransferRelay.h"
#include "app/WindowPlacement.h"
#include "app/WrapButton.h"
#include "backend/DriverFactory.h"
#include "backend/Registry.h"
#include "display/DisplayIt.h"
#include "display/FileSession.h"
#include "editor/Editit.h"
#include "link/DeviceConnection.h"
#include "link/GpibDriver.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/Transfer.h"
#include "model/AcqModel.h"

namespace {
// "configuration", "acquisition" or "reference", as the status line and progress name them.
QString KindWords(int32_t Config) {
  static const char* const kWords[] = {"configuration", "acquisition", "reference"};
  return QString::fromLatin1(kWords[std::clamp(Config, 1, 3) - 1]);
}

bool onWindowThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// The client area of the design, in twips.
constexpr int32_t kClientWidth = 3195;
constexpr int32_t kClientHeight = 2730;
// How long a transfer runs before its progress dialog shows.
constexpr int kProgressDelayMs = 300;

void Place(QWidget* widget, int32_t left, int32_t top, int32_t width, int32_t height) {
  const PixelRect r = TwipsRect(left, top, width, height);
  widget->setGeometry(r.x, r.y, r.width, r.height);
}

QLabel* MakeLabel(const QString& caption, QWidget* parent, const QColor& colour) {
  auto* label = new QLabel(caption, parent);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QPushButton* MakeButton(const QString& caption, const QString& tip, QWidget* parent) {
  auto* button = new WrapButton(caption, parent);
  button->setToolTip(tip);
  return button;
}

std::string FileText(const QString& name) { return QFile::encodeName(name).toStdString(); }
QString FileName(const std::string& name) { return QFile::decodeName(name.c_str()); }

FileRequest MakeRequest(bool save, int32_t Config, const std::string& File, const QString& folder) {
  const QString word = QString::fromStdString(KindWord(Config));
  const QString extension = QString::fromStdString(KindExtension(Config));
  FileRequest request;
  request.title = (save ? QStringLiteral("Save FULL ") : QStringLiteral("Load ")) + word;
  request.filter = word + QStringLiteral(" Files (*.") + extension + u')';
  request.startDir = folder;
  request.proposed = FileName(File);
  request.extension = extension;
  return request;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}
}  // namespace

MainWindow::MainWindow(Registry& registry, ModalPresenter* presenter, FileChooser* files)
    : registry_(registry),
      linkThread_(std::make_unique<LinkThread>()),
      connection_(std::make_unique<DeviceConnection>(link_, *this)) {
  if (presenter == nullptr) ownPresenter_ = std::make_unique<QtModalPresenter>();
  if (files == nullptr) ownFiles_ = std::make_unique<QtFileChooser>();
  presenter_ = presenter != nullptr ? presenter : ownPresenter_.get();
  files_ = files != nullptr ? files : ownFiles_.get();
  setFont(AppFont());
  buildControls();
  setAcceptDrops(true);
  connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this,
          [this] { ViewCapture({}); });
  storeTimer_.setSingleShot(true);
  storeTimer_.setInterval(500);
  connect(&storeTimer_, &QTimer::timeout, this, [this] {
    if (!unloaded_) storeSettings();
  });
}

MainWindow::~MainWindow() = default;

GpibDriver& MainWindow::driver() { return static_cast<ConfinedDriver*>(link_.target())->inner(); }

void MainWindow::buildControls() {
  const QColor darkRed(0x80, 0, 0), blue(0, 0, 0xff), red(0xff, 0, 0);

  Frame1 = new FrameBox(QStringLiteral("Configuration"), this);
  Place(Frame1, 0, 0, 3200, 1755);
  Tek2ConfCmd = MakeButton(QStringLiteral("&Tek. to File"),
                           QStringLiteral("Save 124x current configuration to file"), Frame1);
  Place(Tek2ConfCmd, 120, 240, 700, 465);
  Conf2TekCmd = MakeButton(QStringLiteral("&File to Tek"),
                           QStringLiteral("Load file configuration into 124x"), Frame1);
  Place(Conf2TekCmd, 825, 240, 700, 465);
  EditConfig = MakeButton(QStringLiteral("&Edit Config."),
                          QStringLiteral("Configure GPIB parameters"), Frame1);
  Place(EditConfig, 1680, 240, 700, 465);
  Cnf = MakeButton(QStringLiteral("&GPIB Config."), QStringLiteral("Configure GPIB parameters"),
                   Frame1);
  Place(Cnf, 2400, 240, 700, 465);

  // The white shape comes before the labels so that they are drawn on top of it.
  Shape1 = new QFrame(Frame1);
  Shape1->setFrameShape(QFrame::Box);
  Shape1->setLineWidth(1);
  Shape1->setAutoFillBackground(true);
  QPalette white = Shape1->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  Shape1->setPalette(white);
  Place(Shape1, 120, 720, 1395, 975);

  Typ = MakeLabel(QStringLiteral("Tek/124x"), Frame1, darkRed);
  Place(Typ, 165, 780, 960, 195);
  const QString lblCaptions[2] = {QStringLiteral("Firmware"), QStringLiteral("GPIB")};
  for (size_t i = 0; i < 2; ++i) {
    const int32_t top = i == 0 ? 975 : 1200;
    Lbl[i] = MakeLabel(lblCaptions[i], Frame1, blue);
    Place(Lbl[i], 240, top, 840, 255);
    Ver[i] = MakeLabel(QStringLiteral("___"), Frame1, blue);
    Ver[i]->setAutoFillBackground(true);
    QPalette p = Ver[i]->palette();
    p.setColor(QPalette::Window, Qt::white);
    Ver[i]->setPalette(p);
    Place(Ver[i], 1080, top, 345, 255);
  }
  Cnx = MakeLabel(QStringLiteral("Not connected"), Frame1, red);
  Place(Cnx, 240, 1440, 1095, 210);
  for (size_t k = 0; k < 4; ++k) {
    Cards[k] = MakeLabel(QStringLiteral("none"), Frame1, palette().color(QPalette::WindowText));
    Place(Cards[k], 1680, 720 + 240 * static_cast<int32_t>(k), 1425, 255);
  }

  Frame = new FrameBox(QStringLiteral("Data"), this);
  Place(Frame, 0, 1720, 3200, 1005);
  Tek2DatCmd = MakeButton(QStringLiteral("&Save Acq"),
                          QStringLiteral("Save current data acquisition into 124x"), Frame);
  Place(Tek2DatCmd, 120, 240, 960, 315);
  Dat2TekCmd = MakeButton(QStringLiteral("Load &Acq"),
                          QStringLiteral("Load current data acquisition into 124x"), Frame);
  Place(Dat2TekCmd, 1120, 240, 960, 315);
  Dat2RefCmd = MakeButton(QStringLiteral("Load &Ref"),
                          QStringLiteral("Load current data acquisition into 124x"), Frame);
  Place(Dat2RefCmd, 2140, 240, 960, 315);
  GetDisplay = MakeButton(QStringLiteral("Get Data and &Display"),
                          QStringLiteral("Load current configuration into 124x"), Frame);
  Place(GetDisplay, 120, 600, 2985, 345);
  // Lies below the frame's visible area, as in the window's design.
  Tek2RefCmd = MakeButton(QStringLiteral("&Save Ref"),
                          QStringLiteral("Save current data acquisition into 124x"), Frame);
  Place(Tek2RefCmd, 120, 1200, 960, 315);

  SimNote = new QLabel(QStringLiteral("Simulated analyser"), this);
  QFont noteFont = SimNote->font();
  noteFont.setItalic(true);
  SimNote->setFont(noteFont);
  SimNote->setAlignment(Qt::AlignCenter);
  SimNote->setAutoFillBackground(true);
  QPalette notePalette = SimNote->palette();
  notePalette.setColor(QPalette::Window, QColor(0xff, 0xff, 0xe1));
  notePalette.setColor(QPalette::WindowText, QColor(0x80, 0x50, 0x00));
  SimNote->setPalette(notePalette);
  SimNote->hide();

  Status = new QLabel(this);
  Status->setFrameShape(QFrame::StyledPanel);
  Status->setFrameShadow(QFrame::Sunken);
  Status->setIndent(2);

  const PixelRect client = TwipsRect(0, 0, kClientWidth, kClientHeight);
  setFixedSize(client.width, client.height);

  connect(Tek2ConfCmd, &QPushButton::clicked, this, &MainWindow::Tek2ConfCmd_Click);
  connect(Conf2TekCmd, &QPushButton::clicked, this, &MainWindow::Conf2TekCmd_Click);
  connect(EditConfig, &QPushButton::clicked, this, &MainWindow::EditConfig_Click);
  connect(Cnf, &QPushButton::clicked, this, &MainWindow::Cnf_Click);
  connect(Tek2DatCmd, &QPushButton::clicked, this, &MainWindow::Tek2DatCmd_Click);
  connect(Tek2RefCmd, &QPushButton::clicked, this, &MainWindow::Tek2RefCmd_Click);
  connect(Dat2TekCmd, &QPushButton::clicked, this, &MainWindow::Dat2TekCmd_Click);
  connect(Dat2RefCmd, &QPushButton::clicked, this, &MainWindow::Dat2RefCmd_Click);
  connect(GetDisplay, &QPushButton::clicked, this, &MainWindow::GetDisplay_Click);
}

// ---- start-up and closing -------------------------------------------------------------

bool MainWindow::Form_Load(const QString& commandLine) {
  const StartRequest request = ParseCommandLine(commandLine);
  if (request.action == StartRequest::Action::Usage) {
    message(UsageText().toStdString(), "", MsgIcon::None, MsgButtons::Ok);
    return false;
  }
  appKey_ = request.AppKey();
  if (request.action == StartRequest::Action::Clean) {
    message(CleanNotice(request.instanceName).toStdString(), "", MsgIcon::None, MsgButtons::Ok);
    registry_.RegClean(appKey_);
    return false;
  }
  setWindowTitle(WindowCaption(request.InstanceSuffix()));
  if (HandOverToRunningCopy()) return false;

  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
  // Where the window system would put a new window: centred on the screen.
  const int32_t currentTop = PixelsToTwips(area.y() + (area.height() - height()) / 2);
  int32_t x = registry_.RegRead(appKey_, QStringLiteral("X"), 100);
  int32_t y = registry_.RegRead(appKey_, QStringLiteral("Y"), currentTop);
  x = StartLeft(x, PixelsToTwips(area.width()));
  y = StartTop(y, PixelsToTwips(area.height()), currentTop);
  move(TwipsToPixels(x), TwipsToPixels(y));

  const auto read16 = [this](const char* name, int16_t def) {
    const int32_t value = registry_.RegRead(appKey_, QString::fromLatin1(name), def);
    // Written from 16-bit values; anything wider was not written by this program.
    return value < INT16_MIN || value > INT16_MAX ? def : static_cast<int16_t>(value);
  };
  const int16_t board = read16("Board", 0);
  const int16_t pad = read16("PAd", 7);
  const int16_t sad = read16("SAd", 0);
  identity_.nNm09 = read16("Nm09", 0);
  identity_.nNm18 = read16("Nm18", 0);
  // The settings file can be edited by hand: counts the four slots cannot hold would send
  // the editor and the display to pods that do not exist, so they count as absent.
  if (identity_.nNm09 < 0 || identity_.nNm09 > 4) identity_.nNm09 = 0;
  if (identity_.nNm18 < 0 || identity_.nNm18 > 4 - identity_.nNm09) identity_.nNm18 = 0;
  std::string name =
      registry_.RegRead(appKey_, QStringLiteral("Interface"), QString()).toStdString();
  if (name != "gpib" && name != "sim" && name != "prologix") {
    name = SystemGpibAvailable() ? "gpib" : "sim";
  }
  const std::string port =
      registry_.RegRead(appKey_, QStringLiteral("Port"), QString()).toStdString();
  settingsRead_ = true;

  useInterface(name, port);
  if (link_.target() == nullptr) useInterface(SystemGpibAvailable() ? "gpib" : "sim", port);
  connection_->Board = board;
  connection_->PAd = pad;
  connection_->SAd = sad;

  LoadDefaultImages(images_, this);
  GetTekIdent();
  return !connection_->DriverMissing;
}

bool MainWindow::HandOverToRunningCopy() {
  const QFileInfo settings(registry_.location());
  // Where the system keeps the settings in a registry, the lock goes to the program's own
  // data folder.
  const QString folder =
      settings.suffix().compare(QStringLiteral("ini"), Qt::CaseInsensitive) == 0
          ? settings.absolutePath()
          : QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  instance_ = std::make_unique<InstanceLock>(folder, appKey_);
  if (instance_->tryLock()) {
    instance_->listen([this] {
      showNormal();
      raise();
      activateWindow();
    });
    return false;
  }
  const std::string text = windowTitle().toStdString() +
                           " is already running.\nBring it to the front?\n(No starts "
                           "this copy anyway; the copy closed last keeps its settings.)";
  if (message(text, "", MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) return false;
  instance_->raiseRunning();
  return true;
}

void MainWindow::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  connection_->DevClose();
  storeSettings();
  instance_.reset();  // stored: a new copy of the instance may start
}

void MainWindow::storeSettings() {
  if (!settingsRead_) return;  // usage or clean: nothing was read, so nothing is stored
  registry_.RegWrite(appKey_, QStringLiteral("Board"), connection_->Board);
  registry_.RegWrite(appKey_, QStringLiteral("PAd"), connection_->PAd);
  registry_.RegWrite(appKey_, QStringLiteral("SAd"), connection_->SAd);
  registry_.RegWrite(appKey_, QStringLiteral("Nm09"), identity_.nNm09);
  registry_.RegWrite(appKey_, QStringLiteral("Nm18"), identity_.nNm18);
  registry_.RegWrite(appKey_, QStringLiteral("X"), PixelsToTwips(x()));
  registry_.RegWrite(appKey_, QStringLiteral("Y"), PixelsToTwips(y()));
  registry_.RegWrite(appKey_, QStringLiteral("Interface"), QString::fromStdString(interface_));
  if (!port_.empty())
    registry_.RegWrite(appKey_, QStringLiteral("Port"), QString::fromStdString(port_));
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  // Stored once the window has come to rest, not at every step of a drag.
  if (settingsRead_ && !unloaded_) storeTimer_.start();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

// ---- driver back end ------------------------------------------------------------------

void MainWindow::useInterface(const std::string& name, const std::string& port) {
  GpibDriver* next = driverFor(name, port);
  if (next == nullptr) return;  // an unknown name leaves the link as it is
  if (next != link_.target()) {
    connection_->DevClose();
    link_.setTarget(next);
    interface_ = name;
    // Only the back end that failed to load is unusable; the new one has yet to show it.
    connection_->DriverMissing = false;
  }
  if (!port.empty()) port_ = port;
  // An adapter not in use gives its port back (one the dialog's Test opened, say).
  for (auto it = drivers_.begin(); it != drivers_.end();) {
    const bool idleAdapter = it->first.rfind("prologix ", 0) == 0 && it->second.get() != next;
    it = idleAdapter ? drivers_.erase(it) : std::next(it);
  }
  const bool simulated = interface_ == "sim";
  const PixelRect client = TwipsRect(0, 0, kClientWidth, kClientHeight);
  const int lineHeight = fontMetrics().height() + 4;
  const int noteHeight = simulated ? lineHeight : 0;
  SimNote->setGeometry(0, client.height, client.width, noteHeight);
  SimNote->setVisible(simulated);
  Status->setGeometry(0, client.height + noteHeight, client.width, lineHeight);
  setFixedSize(client.width, client.height + noteHeight + lineHeight);
}

void MainWindow::setStatus(const QString& text) {
  status_ = text;
  // The window is narrow: the middle of a long path gives way, the tip shows it whole.
  Status->setText(Status->fontMetrics().elidedText(text, Qt::ElideMiddle, Status->width() - 6));
  Status->setToolTip(text);
}

GpibDriver* MainWindow::driverFor(const std::string& name, const std::string& port) {
  // One adapter per port: the dialog may try another port while this one stays in use.
  const std::string key = name == "prologix" ? name + " " + port : name;
  auto found = drivers_.find(key);
  if (found == drivers_.end()) {
    std::unique_ptr<GpibDriver> made = MakeDriver(name, port);
    if (!made) return nullptr;
    found = drivers_.emplace(key, std::make_unique<ConfinedDriver>(std::move(made), *linkThread_))
                .first;
  }
  return found->second.get();
}

bool MainWindow::GetTekIdent() {
  const bool ok = ::GetTekIdent(*connection_, identity_);
  showIdentity();
  return ok;
}

void MainWindow::showIdentity() {
  Typ->setText(QString::fromStdString(identity_.Typ));
  for (size_t i = 0; i < 2; ++i) Ver[i]->setText(QString::fromStdString(identity_.Ver[i]));
  for (size_t k = 0; k < 4; ++k) Cards[k]->setText(QString::fromStdString(identity_.Cards[k]));
  Cnx->setVisible(identity_.CnxVisible);
}

Conf& MainWindow::conf() {
  if (!conf_) {
    conf_ = std::make_unique<Conf>(
        this, *this,
        [this](const std::string& name, const std::string& port) { return driverFor(name, port); });
  }
  return *conf_;
}

// ---- the commands -----------------------------------------------------------------------

void MainWindow::Tek2ConfCmd_Click() {
  if (Tek2Mem(kConfiguration)) Mem2File("", kConfiguration, 0);
}

void MainWindow::Conf2TekCmd_Click() {
  const std::string name = File2Mem("", kConfiguration);
  if (!name.empty()) Mem2Tek(kConfiguration);
}

void MainWindow::EditConfig_Click() {
  Tek2Mem(kConfiguration);
  if (images_.SetupLen > 0) openEditor();
}

void MainWindow::Cnf_Click() {
  connection_->DevClose();
  Conf& dialog = conf();
  dialog.setBrd(connection_->Board);
  dialog.setPad(connection_->PAd);
  dialog.setSad(connection_->SAd);
  dialog.setInterfaceName(interface_);
  dialog.setPort(port_);
  presenter_->showConf(dialog);
  connection_->Board = dialog.Brd();
  connection_->PAd = dialog.pad();
  connection_->SAd = dialog.sad();
  useInterface(dialog.interfaceName(), dialog.port());
  GetTekIdent();
  storeSettings();  // a crash later must not lose what the operator just set
}

void MainWindow::Tek2DatCmd_Click() {
  if (!Tek2Mem(kAcquisition)) return;
  bool failed = false;
  const std::string acquisition = SaveToFile("", kAcquisition, 0, {}, &failed);
  // Going on to the configuration would read as if the acquisition had been kept.
  if (failed) return;
  if (Tek2Mem(kConfiguration)) {
    SaveToFile(NameWithoutExtension(acquisition), kConfiguration, 0, acquisition);
  }
}

void MainWindow::Tek2RefCmd_Click() {
  if (Tek2Mem(kReference)) Mem2File("", kReference, 0);
}

void MainWindow::Dat2TekCmd_Click() {
  bCnf_ = false;
  const std::string name = File2Mem("", kAcquisition);
  if (name.empty() || !SendCutAcquisition(name)) return;
  Mem2Tek(kAcquisition);
  const std::string name2 = File2Mem(name, kConfiguration);
  if (name2.empty()) return;
  Mem2Tek(kConfiguration);
  bCnf_ = true;
}

void MainWindow::Dat2RefCmd_Click() {
  const std::string name = File2Mem("", kReference);
  if (name.empty() || !SendCutAcquisition(name)) return;
  Mem2Tek(kReference);
  const std::string name2 = File2Mem(name, kConfiguration);
  if (!name2.empty()) Mem2Tek(kConfiguration);
}

void MainWindow::GetDisplay_Click() {
  if (Tek2Mem(kConfiguration) && Tek2Mem(kAcquisition)) {
    bCnf_ = true;
    if (images_.AcqLen > 0) openDisplay();
  }
}

// ---- the four operations ----------------------------------------------------------------

bool MainWindow::SendCutAcquisition(const std::string& name) {
  const int64_t announced = AcqModel(images_.AcqMem).AnnouncedBytes();
  if (images_.AcqLen >= announced) return true;
  // The analyser would show zeros where samples are missing, as if it had recorded them.
  const std::string text = name + "." + KindExtension(kAcquisition) + " holds " +
                           std::to_string(images_.AcqLen) + " of the " + std::to_string(announced) +
                           " bytes its header announces; missing samples read as 0.\n"
                           "Send it anyway?";
  return message(text, "Load " + KindWord(kAcquisition), MsgIcon::Exclamation, MsgButtons::YesNo) ==
         MsgAnswer::Yes;
}

bool MainWindow::Tek2Mem(int32_t Config) { return runTransfer(Config, false); }

bool MainWindow::Mem2Tek(int32_t Config) { return runTransfer(Config, true); }

bool MainWindow::runTransfer(int32_t Config, bool toAnalyser, MemoryImages* readInto) {
  // The link thread works on a copy, so the windows may paint the images meanwhile.
  MemoryImages work = images_;
  TransferRelay relay(*this, *this);
  relay_ = &relay;
  bool ok = false, linkFailed = false, finished = false;
  QEventLoop loop;
  setBusy(true);
  linkThread_->post([&] {
    Transfer transfer(*connection_, work, relay);
    ok = toAnalyser ? transfer.Mem2Tek(Config) : transfer.Tek2Mem(Config);
    linkFailed = transfer.LinkFailed;
    QMetaObject::invokeMethod(
        &loop,
        [&] {
          finished = true;
          loop.quit();
        },
        Qt::QueuedConnection);
  });
  // A short transfer shows nothing but the pointer; clicks meanwhile wait for its end.
  QTimer::singleShot(kProgressDelayMs, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  if (!finished) {
    const QString what = KindWords(Config);
    QWidget* modal = QApplication::activeModalWidget();
    QProgressDialog dialog(modal != nullptr ? modal : this);
    dialog.setWindowTitle(QStringLiteral("Logirem"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    connect(&dialog, &QProgressDialog::canceled, &dialog, [&relay, &dialog] {
      relay.cancel();
      dialog.setLabelText(QStringLiteral("Cancelling..."));
    });
    const auto show = [&] {
      if (relay.cancelled()) return;
      const int64_t done = relay.done(), expected = relay.expected();
      dialog.setLabelText(
          toAnalyser
              ? QStringLiteral("Sending the %1: %2 of %3 bytes").arg(what).arg(done).arg(expected)
              : QStringLiteral("Reading the %1: %2 bytes received").arg(what).arg(done));
      // Progress in thousandths: the counts may not fit the dialog's int range.
      dialog.setRange(0, expected > 0 ? 1000 : 0);
      if (expected > 0)
        dialog.setValue(static_cast<int>(std::min<int64_t>(done, expected) * 1000 / expected));
    };
    QTimer refresh;
    connect(&refresh, &QTimer::timeout, &dialog, show);
    refresh.start(100);
    show();
    dialog.show();
    loop.exec();
  }
  relay_ = nullptr;
  setBusy(false);
  const QString what = KindWords(Config);
  if (relay.cancelled()) {
    setStatus((toAnalyser ? QStringLiteral("Sending the ") : QStringLiteral("Reading the ")) +
              what + QStringLiteral(" cancelled"));
    return false;
  }
  if (ok) {
    setStatus((toAnalyser ? QStringLiteral("Sent the %1 (%2 bytes)")
                          : QStringLiteral("Read the %1 (%2 bytes)"))
                  .arg(what)
                  .arg(work.length(Config)));
  } else {
    setStatus((toAnalyser ? QStringLiteral("Sending the ") : QStringLiteral("Reading the ")) +
              what + QStringLiteral(" failed"));
  }
  if (!toAnalyser) {
    MemoryImages& target = readInto != nullptr ? *readInto : images_;
    const std::span<const uint8_t> read = work.image(Config);
    std::copy(read.begin(), read.end(), target.image(Config).begin());
    target.length(Config) = work.length(Config);
  }
  return linkResult(ok, linkFailed);
}

bool MainWindow::linkResult(bool ok, bool linkFailed) {
  // The label answers "is the analyser there?": a transfer that went through says yes
  // whatever the last identification found, a link that failed says no.
  if (ok || linkFailed) {
    identity_.CnxVisible = !ok;
    Cnx->setVisible(!ok);
  }
  return ok;
}

bool MainWindow::ReadReference(MemoryImages& into) {
  // The same link and protocol, into an image of the caller's: the acquisition on screen stays.
  return runTransfer(kReference, false, &into);
}

std::string MainWindow::Mem2File(const std::string& File, int32_t Config, int16_t Off) {
  return NameWithoutExtension(SaveToFile(File, Config, Off, {}));
}

std::string MainWindow::SaveToFile(const std::string& File, int32_t Config, int16_t Off,
                                   const std::string& keep, bool* failed) {
  std::string name;
  while (true) {
    const QString chosen =
        files_->saveFileName(this, MakeRequest(true, Config, File, lastFolder(Config)));
    if (chosen.isEmpty()) return {};
    name = NameWithExtension(FileText(chosen), Config);
    if (keep.empty() || !SameFile(name, keep)) break;
    // Replacing the file saved a moment ago would lose it; as a dialog that confirms
    // replacing does, No goes back to the choice.
    const std::string question = std::filesystem::path(name).filename().string() +
                                 " already exists.\nDo you want to replace it?";
    if (message(question, "Save FULL " + KindWord(Config), MsgIcon::Exclamation,
                MsgButtons::YesNo) == MsgAnswer::Yes) {
      break;
    }
  }
  if (std::string why; !WriteFile(name, images_, Config, Off, &why)) {
    // Saving is how the operator backs up the analyser: a save that silently fails would
    // leave them believing they hold a copy they do not.
    message(KindWord(Config) + " not saved: cannot write " + name + ": " + why, "Local Error",
            MsgIcon::Exclamation, MsgButtons::Ok);
    if (failed != nullptr) *failed = true;
    setStatus(QString::fromStdString(KindWord(Config) + " not saved: cannot write " + name));
    return {};
  }
  const QString path = QFileInfo(FileName(name)).absoluteFilePath();
  rememberFolder(Config, path);
  // Right after a read the line says where it went; otherwise what was saved.
  const QString read = QStringLiteral("Read the ") + KindWords(Config) + u' ';
  setStatus(status_.startsWith(read) && !status_.contains(QStringLiteral(") into "))
                ? status_ + QStringLiteral(" into ") + path
                : QStringLiteral("Saved the %1 into %2").arg(KindWords(Config), path));
  return name;
}

std::string MainWindow::File2Mem(const std::string& File, int32_t Config) {
  const QString chosen =
      files_->openFileName(this, MakeRequest(false, Config, File, lastFolder(Config)));
  if (chosen.isEmpty()) return {};
  std::string name = FileText(chosen);
  // The proposal is a name without extension: accepted as it stands it means the kind's file.
  std::error_code ec;
  if (!std::filesystem::exists(name, ec)) name = NameWithExtension(name, Config);
  if (ReadFile(name, images_, Config, this)) {
    const QString path = QFileInfo(FileName(name)).absoluteFilePath();
    rememberFolder(Config, path);
    setStatus(QStringLiteral("Loaded the %1 (%2 bytes) from %3")
                  .arg(KindWords(Config))
                  .arg(images_.length(Config))
                  .arg(path));
    return NameWithoutExtension(name);
  }
  setStatus(QString::fromStdString("Bad " + KindWord(Config) + " data in " + name));
  message("Bad " + KindWord(Config) + " data", "Local Error", MsgIcon::Information, MsgButtons::Ok);
  return {};
}

QString MainWindow::folderKey(int32_t Config) {
  QString extension = QString::fromStdString(KindExtension(Config));  // "FolderCnf", "FolderDat"
  extension[0] = extension[0].toUpper();
  return QStringLiteral("Folder") + extension;
}

QString MainWindow::lastFolder(int32_t Config) const {
  const QString folder = registry_.RegRead(appKey_, folderKey(Config), QString());
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::currentPath();
}

void MainWindow::rememberFolder(int32_t Config, const QString& file) {
  registry_.RegWrite(appKey_, folderKey(Config), QFileInfo(file).absolutePath());
}

std::string MainWindow::dataFolder() const { return FileText(lastFolder(kAcquisition)); }

// ---- operator -----------------------------------------------------------------------------

MsgAnswer MainWindow::message(const std::string& text, const std::string& title, MsgIcon icon,
                              MsgButtons buttons) {
  if (relay_ != nullptr && !onWindowThread()) return relay_->message(text, title, icon, buttons);
  // A message in the middle of a transfer (a checksum report) is answered with the normal
  // pointer; the hourglass comes back for the rest of the transfer.
  if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const MsgAnswer answer = presenter_->message(this, QString::fromStdString(text),
                                               QString::fromStdString(title), icon, buttons);
  if (busy_) QApplication::restoreOverrideCursor();
  return answer;
}

void MainWindow::setBusy(bool busy) {
  if (!onWindowThread()) return;  // the window shows the pointer for the whole transfer
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // One turn of the event loop so that the pointer shows before the driver blocks.
    QCoreApplication::processEvents();
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void MainWindow::beep() {
  if (relay_ != nullptr && !onWindowThread()) return relay_->beep();
  QApplication::beep();
}

void MainWindow::openGpibSettings() {
  if (relay_ != nullptr && !onWindowThread()) return relay_->openGpibSettings();
  Cnf_Click();
}

void MainWindow::progress(int64_t done, int64_t expected) {
  if (relay_ != nullptr) relay_->progress(done, expected);
}

bool MainWindow::cancelled() const { return relay_ != nullptr && relay_->cancelled(); }

// ---- captures viewed from files -----------------------------------------------------------

namespace {
// The capture and configuration among dropped files.
std::pair<QString, QString> DroppedCapture(const QMimeData* data) {
  std::pair<QString, QString> found;
  for (const QUrl& url : data->urls()) {
    const QString file = url.toLocalFile();
    if (file.endsWith(QStringLiteral(".dat"), Qt::CaseInsensitive) && found.first.isEmpty())
      found.first = file;
    if (file.endsWith(QStringLiteral(".cnf"), Qt::CaseInsensitive) && found.second.isEmpty())
      found.second = file;
  }
  return found;
}
}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedCapture(event->mimeData()).first.isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const auto [capture, configuration] = DroppedCapture(event->mimeData());
  if (capture.isEmpty()) return;
  event->acceptProposedAction();
  // The window opens once the drop has ended, so the program it came from is not kept waiting.
  QTimer::singleShot(0, this, [this, capture, configuration] {
    ViewCapture(FileText(capture), FileText(configuration));
  });
}

void MainWindow::ViewCapture(std::string capture, const std::string& configuration) {
  if (capture.empty()) {
    FileRequest request = MakeRequest(false, kAcquisition, {}, lastFolder(kAcquisition));
    request.title = QStringLiteral("View Acquisition");
    capture = FileText(files_->openFileName(this, request));
    if (capture.empty()) return;
  }
  FileSession files(*this);
  if (!files.Open(capture, configuration)) return;
  if (!info_) info_ = std::make_unique<Info>();
  DisplayIt view(files, *info_, this);
  view.setSourceFiles(FileName(capture), FileName(files.configurationFile()));
  presenter_->showWorkingWindow(WorkingWindow::AcqDisplay, [&view] { view.runModal(); });
}

// ---- the working windows ------------------------------------------------------------------

void MainWindow::openEditor() {
  if (!editor_) editor_ = std::make_unique<Editit>(*this, this);
  presenter_->showWorkingWindow(WorkingWindow::ConfigEditor, [this] { editor_->runModal(); });
}

void MainWindow::openDisplay() {
  // The title and notes dialog is owned by the display, which passes itself as the owner
  // each time it asks.
  if (!info_) info_ = std::make_unique<Info>();
  if (!display_) display_ = std::make_unique<DisplayIt>(*this, *info_, this);
  presenter_->showWorkingWindow(WorkingWindow::AcqDisplay, [this] { display_->runModal(); });
}
