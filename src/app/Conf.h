#pragma once
// The GPIB settings dialog: board, primary and secondary address, the driver back end (with
// an adapter's port), and a test of the values on the bus. What it keeps changes only when
// the user presses OK, and only to a back end that can be used; closed any other way it
// gives back what the main window put in.
#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

class GpibDriver;
class Operator;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class Conf : public QDialog {
  Q_OBJECT

 public:
  // driverFor gives the driver of an interface name ("gpib", "prologix" on a port, "sim"),
  // or null when there is none; Test and OK use it for the interface chosen in the dialog.
  using DriverSource = std::function<GpibDriver*(const std::string& name, const std::string& port)>;
  Conf(QWidget* owner, Operator& op, DriverSource driverFor);

  // Writing a property fills its text box (the first write of each showing also places the
  // dialog and refills every box from the stored values); reading gives the stored value.
  void setBrd(int16_t value);
  void setPad(int16_t value);
  void setSad(int16_t value);
  void setInterfaceName(const std::string& name);
  void setPort(const std::string& port);
  int16_t Brd() const { return stored_[0]; }
  int16_t pad() const { return stored_[1]; }
  int16_t sad() const { return stored_[2]; }
  // Empty until OK has been pressed once.
  const std::string& interfaceName() const { return storedInterface_; }
  const std::string& port() const { return storedPort_; }

  void OK_Click();
  void Test_Click();
  // The interface chosen in the dialog, not yet stored.
  std::string chosenInterface() const;
  // The port in the Port box: its first word, so that a listed port's description is left out.
  std::string chosenPort() const;

  static constexpr int16_t kTestTimeout3s = 12;

  QGroupBox* Frame;
  std::array<QLabel*, 3> Lbl;
  std::array<QLineEdit*, 3> vVal;
  QGroupBox* InterfaceFrame;
  QRadioButton* GpibChoice;
  QRadioButton* SimChoice;
  QRadioButton* AdapterChoice;
  QLabel* PortLabel;
  QComboBox* PortBox;
  QPushButton* Test;
  QPushButton* OK;

 protected:
  void showEvent(QShowEvent* event) override;

 public:
  void done(int result) override;

 private:
  void Form_Load();
  void ensureLoaded();
  void setBox(int index, int16_t value);
  void choose(const std::string& name);
  void listPorts();
  int16_t boxValue(int index) const;

  Operator& op_;
  DriverSource driverFor_;
  std::array<int16_t, 3> stored_{0, 0, 0};
  std::string storedInterface_;
  std::string storedPort_;
  // What the main window put in for this showing: given back when it closes without OK.
  std::array<int16_t, 3> given_{0, 0, 0};
  std::string givenInterface_;
  std::string givenPort_;
  bool loaded_ = false;
};
