#include "app/Conf.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "adapter/SerialStream.h"
#include "app/AppFont.h"
#include "app/FrameBox.h"
#include "app/NumberText.h"
#include "app/WindowPlacement.h"
#include "link/GpibDriver.h"
#include "link/Operator.h"

namespace {
void Place(QWidget* widget, int32_t left, int32_t top, int32_t width, int32_t height) {
  const PixelRect r = TwipsRect(left, top, width, height);
  widget->setGeometry(r.x, r.y, r.width, r.height);
}

// The dialog's size in twips: the Device frame and the interface frame beside it, the two
// buttons below.
constexpr int32_t kClientWidth = 5685;
constexpr int32_t kClientHeight = 1935;
}  // namespace

Conf::Conf(QWidget* owner, Operator& op, DriverSource driverFor)
    : QDialog(owner), op_(op), driverFor_(std::move(driverFor)) {
  setWindowTitle(QStringLiteral("Configuration"));
  setFont(AppFont());
  const PixelRect client = TwipsRect(0, 0, kClientWidth, kClientHeight);
  setFixedSize(client.width, client.height);

  // Created first so that it comes first in the tab order.
  Test = new QPushButton(QStringLiteral("&Test"), this);
  Place(Test, 120, 1440, 735, 375);

  Frame = new FrameBox(QStringLiteral("Device"), this);
  Place(Frame, 120, 0, 1575, 1335);
  const char* captions[3] = {"Board:", "PAD:", "SAD:"};
  for (int i = 0; i < 3; ++i) {
    const int32_t top = 240 + 360 * i;
    Lbl[static_cast<size_t>(i)] = new QLabel(QString::fromLatin1(captions[i]), Frame);
    Place(Lbl[static_cast<size_t>(i)], 120, top + 30, 600, 255);
    vVal[static_cast<size_t>(i)] = new QLineEdit(Frame);
    Place(vVal[static_cast<size_t>(i)], 720, top, 615, 285);
  }

  OK = new QPushButton(QStringLiteral("&OK"), this);
  Place(OK, 960, 1440, 735, 375);
  OK->setDefault(true);

  InterfaceFrame = new FrameBox(QStringLiteral("Interface"), this);
  Place(InterfaceFrame, 1815, 0, 3750, 1335);
  GpibChoice = new QRadioButton(QStringLiteral("System GPIB library (NI-488.2 / linux-gpib)"),
                                InterfaceFrame);
  Place(GpibChoice, 120, 210, 3540, 255);
  AdapterChoice = new QRadioButton(QStringLiteral("USB/Ethernet adapter"), InterfaceFrame);
  Place(AdapterChoice, 120, 465, 3540, 255);
  PortLabel = new QLabel(QStringLiteral("Port:"), InterfaceFrame);
  Place(PortLabel, 390, 765, 480, 255);
  PortBox = new QComboBox(InterfaceFrame);
  PortBox->setEditable(true);
  PortBox->setInsertPolicy(QComboBox::NoInsert);
  PortBox->lineEdit()->setPlaceholderText(QStringLiteral("serial:DEVICE or tcp:HOST:PORT"));
  Place(PortBox, 870, 735, 2760, 315);
  SimChoice = new QRadioButton(QStringLiteral("Simulated analyser"), InterfaceFrame);
  Place(SimChoice, 120, 1035, 3540, 255);

  connect(OK, &QPushButton::clicked, this, &Conf::OK_Click);
  connect(Test, &QPushButton::clicked, this, &Conf::Test_Click);
}

void Conf::ensureLoaded() {
  if (loaded_) return;
  loaded_ = true;
  Form_Load();
}

void Conf::Form_Load() {
  QWidget* owner = parentWidget();
  const QScreen* screen = owner != nullptr && owner->screen() != nullptr
                              ? owner->screen()
                              : QGuiApplication::primaryScreen();
  if (owner != nullptr && screen != nullptr) {
    const QRect main = owner->frameGeometry();
    const TwipsPoint at = ConfDialogPosition(
        PixelsToTwips(main.x()), PixelsToTwips(main.y()), PixelsToTwips(main.height()),
        PixelsToTwips(frameGeometry().height()), PixelsToTwips(screen->geometry().height()));
    move(TwipsToPixels(at.left), TwipsToPixels(at.top));
  }
  for (int i = 0; i < 3; ++i) setBox(i, stored_[static_cast<size_t>(i)]);
  given_ = stored_;
  givenInterface_ = storedInterface_;
  givenPort_ = storedPort_;
  listPorts();
  PortBox->setEditText(QString::fromStdString(storedPort_));
  choose(storedInterface_);
}

void Conf::listPorts() {
  PortBox->clear();
  for (const SerialStream::Found& port : SerialStream::Available()) {
    const std::string text =
        port.description.empty() ? port.name : port.name + "  (" + port.description + ")";
    PortBox->addItem(QString::fromStdString(text));
  }
}

void Conf::choose(const std::string& name) {
  GpibChoice->setChecked(name != "sim" && name != "prologix");
  AdapterChoice->setChecked(name == "prologix");
  SimChoice->setChecked(name == "sim");
}

void Conf::setBox(int index, int16_t value) {
  vVal[static_cast<size_t>(index)]->setText(QString::number(value).trimmed());
}

void Conf::setBrd(int16_t value) {
  ensureLoaded();
  setBox(0, value);
  given_[0] = value;
}

void Conf::setPad(int16_t value) {
  ensureLoaded();
  setBox(1, value);
  given_[1] = value;
}

void Conf::setSad(int16_t value) {
  ensureLoaded();
  setBox(2, value);
  given_[2] = value;
}

void Conf::setInterfaceName(const std::string& name) {
  ensureLoaded();
  choose(name);
  givenInterface_ = name;
}

void Conf::setPort(const std::string& port) {
  ensureLoaded();
  PortBox->setEditText(QString::fromStdString(port));
  givenPort_ = port;
}

std::string Conf::chosenInterface() const {
  if (SimChoice->isChecked()) return "sim";
  return AdapterChoice->isChecked() ? "prologix" : "gpib";
}

std::string Conf::chosenPort() const {
  const QStringList words = PortBox->currentText().split(u' ', Qt::SkipEmptyParts);
  return words.isEmpty() ? std::string() : words.front().toStdString();
}

void Conf::showEvent(QShowEvent* event) {
  ensureLoaded();
  QDialog::showEvent(event);
  // Caret at the start of the board box with its first character selected, so that typing
  // a one-digit board replaces it.
  QLineEdit* board = vVal[0];
  board->setCursorPosition(board->text().isEmpty() ? 0 : 1);
  board->cursorBackward(true, board->text().isEmpty() ? 0 : 1);
  board->setFocus(Qt::OtherFocusReason);
}

void Conf::done(int result) {
  loaded_ = false;  // the next use places the dialog and refills the boxes again
  if (result != QDialog::Accepted) {
    // Esc or the close box cancels: the main window gets back what it put in.
    stored_ = given_;
    storedInterface_ = givenInterface_;
    storedPort_ = givenPort_;
  }
  QDialog::done(result);
}

int16_t Conf::boxValue(int index) const {
  return ToInt16Nearest(LeadingNumber(vVal[static_cast<size_t>(index)]->text().toStdString()));
}

void Conf::OK_Click() {
  const std::string name = chosenInterface();
  const std::string port = name == "prologix" ? chosenPort() : givenPort_;
  // A back end that cannot be used is never kept: the operator would be locked out at the
  // next start.
  GpibDriver* driver = driverFor_ ? driverFor_(name, port) : nullptr;
  const std::string problem = driver != nullptr ? driver->prepare() : "No such interface: " + name;
  if (!problem.empty()) {
    op_.message(problem, "", MsgIcon::Critical, MsgButtons::Ok);
    choose(givenInterface_);
    return;
  }
  for (int i = 0; i < 3; ++i) stored_[static_cast<size_t>(i)] = boxValue(i);
  storedInterface_ = name;
  storedPort_ = port;
  accept();
}

void Conf::Test_Click() {
  const std::string title = "GPIB Test";
  bool ok = false;
  std::string why;
  GpibDriver* driver = driverFor_ ? driverFor_(chosenInterface(), chosenPort()) : nullptr;
  if (driver != nullptr) {
    try {
      const int16_t dev =
          driver->ibdev(boxValue(0), boxValue(1), boxValue(2), kTestTimeout3s, 1, 0);
      if (!driver->status().failed()) {
        driver->ibwrt(dev, "XX");
        ok = !driver->status().failed();
        // The device is released whether or not it answered, so a failed test leaves no
        // descriptor behind.
        driver->ibonl(dev, 0);
      }
      // The same reason OK would give for these values: the port or the library.
      if (!ok) why = driver->prepare();
    } catch (const DriverUnavailable& e) {
      why = e.shownText();
    } catch (const std::exception& e) {
      why = e.what();
    }
  }
  if (ok) {
    op_.message("Test is OK", title, MsgIcon::Information, MsgButtons::Ok);
  } else {
    op_.message("Unable to open device" + (why.empty() ? std::string() : "\n" + why), title,
                MsgIcon::Critical, MsgButtons::Ok);
  }
}
