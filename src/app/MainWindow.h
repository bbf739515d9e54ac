#pragma once
// The program's main window: what the last identification found, and the eight commands
// built from reading and writing the analyser's memories and the data files. It is the
// operator for the link and transfer code and the session of the editor and the display.
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "app/SwitchableDriver.h"
#include "link/Operator.h"
#include "link/TekIdent.h"
#include "memory/MemoryImages.h"
#include "memory/Session.h"

class Conf;
class DeviceConnection;
class DisplayIt;
class Editit;
class FileChooser;
class GpibDriver;
class Info;
class InstanceLock;
class LinkThread;
class TransferRelay;
class ModalPresenter;
class QGroupBox;
class QFrame;
class QLabel;
class QPushButton;
class Registry;

class MainWindow : public QWidget, public Operator, public Session {
  Q_OBJECT

 public:
  // presenter and files default to the real message boxes, dialogs and windows.
  explicit MainWindow(Registry& registry, ModalPresenter* presenter = nullptr,
                      FileChooser* files = nullptr);
  ~MainWindow() override;

  // Start-up with the whole command line after the program name. False when the program is
  // to end at once: usage shown, an instance's settings cleared, or no usable driver.
  bool Form_Load(const QString& commandLine);
  // Closes the connection and stores the settings; runs once, on closing the window.
  void Form_Unload();

  // The commands, one per button.
  void Tek2ConfCmd_Click();
  void Conf2TekCmd_Click();
  void EditConfig_Click();
  void Cnf_Click();
  void Tek2DatCmd_Click();
  void Tek2RefCmd_Click();
  void Dat2TekCmd_Click();
  void Dat2RefCmd_Click();

  // The four operations the commands are made of. Config: 1 configuration, 2 acquisition,
  // 3 reference. The file operations return the chosen file without the extension of its
  // file name, or empty; a name chosen without any extension gets the kind's.
  bool Tek2Mem(int32_t Config);
  bool Mem2Tek(int32_t Config) override;
  std::string Mem2File(const std::string& File, int32_t Config, int16_t Off) override;
  std::string File2Mem(const std::string& File, int32_t Config);

  // A capture from its files in a Data window of its own (Control+O, or .dat files dropped on
  // the window): nothing reaches the analyser or this window's images. An empty capture asks
  // for it in the dialog "View Acquisition".
  void ViewCapture(std::string capture, const std::string& configuration = {});

  // Session
  MemoryImages& images() override { return images_; }
  Operator& op() override { return *this; }
  bool bCnf() const override { return bCnf_; }
  int16_t nNm09() const override { return identity_.nNm09; }
  int16_t nNm18() const override { return identity_.nNm18; }
  bool ReadReference(MemoryImages& into) override;

  // The folder last used for acquisitions: where a print without printer puts its PDF.
  std::string dataFolder() const override;

  // Operator
  MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                    MsgButtons buttons) override;
  void setBusy(bool busy) override;
  void beep() override;
  void openGpibSettings() override;
  // While a transfer runs on the link thread, the connection's calls from there reach the
  // window through that transfer's relay.
  void progress(int64_t done, int64_t expected) override;
  bool cancelled() const override;
  // Ten boxes of one damaged file or reply, then one that counts the rest.
  int checksumReportLimit() const override { return 10; }

  const QString& appKey() const { return appKey_; }
  // "gpib", "prologix" or "sim": the driver back end in use.
  const std::string& interfaceName() const { return interface_; }
  // The adapter's port (kept while another interface is in use).
  const std::string& portName() const { return port_; }
  // The back end in use (the simulated analyser's driver for "sim").
  GpibDriver& driver();
  DeviceConnection& connection() { return *connection_; }
  const TekIdentity& identity() const { return identity_; }
  Conf& conf();
  Editit* editor() { return editor_.get(); }
  DisplayIt* display() { return display_.get(); }

  // Controls, named as in the window's design.
  QGroupBox* Frame1;
  QPushButton* Tek2ConfCmd;
  QPushButton* Conf2TekCmd;
  QPushButton* EditConfig;
  QPushButton* Cnf;
  QFrame* Shape1;
  QLabel* Typ;
  std::array<QLabel*, 2> Lbl;
  std::array<QLabel*, 2> Ver;
  QLabel* Cnx;
  std::array<QLabel*, 4> Cards;
  QGroupBox* Frame;
  QPushButton* Tek2DatCmd;
  QPushButton* Dat2TekCmd;
  QPushButton* Dat2RefCmd;
  QPushButton* GetDisplay;
  QPushButton* Tek2RefCmd;
  // Shown below the design's area while the simulated analyser stands in for a real one.
  QLabel* SimNote;
  // Below everything: what the last command did, or why it failed.
  QLabel* Status;
  const QString& status() const { return status_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void GetDisplay_Click();
  // The save dialog and the write; the file written, or empty (with *failed set when the
  // write failed rather than the dialog was cancelled). Choosing `keep` (a file just saved)
  // asks before replacing it.
  std::string SaveToFile(const std::string& File, int32_t Config, int16_t Off,
                         const std::string& keep, bool* failed = nullptr);
  // An acquisition shorter than its header announces is sent only when the operator says so.
  bool SendCutAcquisition(const std::string& name);
  // Runs a transfer on the link thread while the window goes on painting; after 300 ms a
  // progress dialog offers Cancel. The images change only here, once it has returned, and
  // not at all when cancelled.
  // Reads go into the window's images, or into `readInto` where the caller keeps its own.
  bool runTransfer(int32_t Config, bool toAnalyser, MemoryImages* readInto = nullptr);
  void setStatus(const QString& text);
  // Writes the instance's settings; at once when they change, so a crash loses nothing.
  void storeSettings();
  // The folder of the last file of that kind opened or saved (kept per instance), else the
  // current one.
  static QString folderKey(int32_t Config);
  QString lastFolder(int32_t Config) const;
  void rememberFolder(int32_t Config, const QString& file);
  // Shows or hides "Not connected" after a transfer; passes its result on.
  bool linkResult(bool ok, bool linkFailed);
  void buildControls();
  void useInterface(const std::string& name, const std::string& port);
  GpibDriver* driverFor(const std::string& name, const std::string& port);
  void showIdentity();
  bool GetTekIdent();
  // The one place where the working windows are created (once per run) and shown.
  void openEditor();
  void openDisplay();

  // Whether another copy of this instance runs; true when the operator chose to let that
  // copy come to the front instead of starting this one.
  bool HandOverToRunningCopy();

  Registry& registry_;
  std::unique_ptr<InstanceLock> instance_;
  TransferRelay* relay_ = nullptr;  // the running transfer's
  QString status_;
  QTimer storeTimer_;  // stores the position once a move has ended
  std::unique_ptr<ModalPresenter> ownPresenter_;
  std::unique_ptr<FileChooser> ownFiles_;
  ModalPresenter* presenter_;
  FileChooser* files_;

  QString appKey_;
  bool settingsRead_ = false;
  bool unloaded_ = false;
  bool busy_ = false;
  bool bCnf_ = false;

  MemoryImages images_;
  TekIdentity identity_;
  std::string interface_;
  std::string port_;
  // Declared in the order they depend on each other; destroyed in reverse. Every back end
  // made in this run is kept, so that switching back finds the simulated analyser as it was;
  // only the adapter in use keeps its port open.
  std::unique_ptr<LinkThread> linkThread_;
  std::map<std::string, std::unique_ptr<GpibDriver>> drivers_;
  SwitchableDriver link_;
  std::unique_ptr<DeviceConnection> connection_;
  // Made on first use and kept for the run, so that what they hold survives reopening.
  std::unique_ptr<Conf> conf_;
  std::unique_ptr<Info> info_;
  std::unique_ptr<Editit> editor_;
  std::unique_ptr<DisplayIt> display_;
};
