#pragma once
// The GPIB settings dialog: board, primary and secondary address, the driver back end, and a
// test of the values on the bus. The three numbers and the interface it keeps change only
// when the user presses OK; they survive closing the dialog.
#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

class GpibDriver;
class Operator;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class Conf : public QDialog {
  Q_OBJECT

 public:
  // driverFor gives the driver of an interface name ("gpib", "sim"), or null when there is
  // none; Test uses it for the interface chosen in the dialog.
  using DriverSource = std::function<GpibDriver*(const std::string&)>;
  Conf(QWidget* owner, Operator& op, DriverSource driverFor);

  // Writing a property fills its text box (the first write of each showing also places the
  // dialog and refills every box from the stored values); reading gives the stored value.
  void setBrd(int16_t value);
  void setPad(int16_t value);
  void setSad(int16_t value);
  void setInterfaceName(const std::string& name);
  int16_t Brd() const { return stored_[0]; }
  int16_t pad() const { return stored_[1]; }
  int16_t sad() const { return stored_[2]; }
  // Empty until OK has been pressed once.
  const std::string& interfaceName() const { return storedInterface_; }

  void OK_Click();
  void Test_Click();
  // The interface chosen in the dialog, not yet stored.
  std::string chosenInterface() const;

  static constexpr int16_t kTestTimeout3s = 12;

  QGroupBox* Frame;
  std::array<QLabel*, 3> Lbl;
  std::array<QLineEdit*, 3> vVal;
  QGroupBox* InterfaceFrame;
  QRadioButton* GpibChoice;
  QRadioButton* SimChoice;
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
  int16_t boxValue(int index) const;

  Operator& op_;
  DriverSource driverFor_;
  std::array<int16_t, 3> stored_{0, 0, 0};
  std::string storedInterface_;
  bool loaded_ = false;
};
