// The window through a USB/Ethernet adapter: the emulator (logiremctl serve) on loopback TCP.
#include "AppHarness.h"
#include "support/Emulator.h"

TEST_F(WindowTest, ChosenInTheDialogTheAdapterCarriesEveryCommandAndIsStored) {
  Emulator e;
  ASSERT_FALSE(e.port().empty());
  onConf = [&](Conf& c) {
    c.AdapterChoice->setChecked(true);
    c.PortBox->setEditText(e.qport());
    c.Test_Click();
    c.OK_Click();
  };
  w->Cnf->click();
  w->GetDisplay->click();
  EXPECT_EQ(log, "conf, Test is OK, display");
  w->Form_Unload();
  EXPECT_EQ(stored(kMain, "Interface") + ' ' + stored(kMain, "Port"), "prologix " + e.qport());
  // The next start finds the analyser through the stored port (once the first window has
  // let go of it: the adapter serves one client at a time).
  w.reset();
  EXPECT_EQ(start()->Typ->text(), "TEK/1241");
}

// A read through an adapter whose analyser answers slowly: the window's timers go on running,
// the progress dialog comes up, and Cancel ends the read with the image as it was and no
// file dialog; the next read goes through and replaces the image.
TEST_F(WindowTest, ASlowReadKeepsTheWindowRunningAndCanBeCancelled) {
  Emulator e({"serve", "--listen", "tcp:127.0.0.1:0", "--fault", "delay:800"});
  ASSERT_FALSE(e.port().empty());
  onConf = [&](Conf& c) {
    c.AdapterChoice->setChecked(true);
    c.PortBox->setEditText(e.qport());
    c.OK_Click();
  };
  w->Cnf->click();
  ASSERT_TRUE(w->Cnx->isHidden());
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
  tick.start(10);
  QString shown;
  QTimer watch;  // cancels the first progress dialog it sees
  QObject::connect(&watch, &QTimer::timeout, [&shown] {
    auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (d == nullptr || !shown.isEmpty()) return;
    shown = d->labelText();
    d->findChild<QPushButton*>()->click();
  });
  watch.start(20);

  w->images().AcqMem[100] ^= 0x5A;
  const auto before = w->images().AcqMem;
  names = {QStringLiteral("cancelled.dat")};
  log.clear();
  w->Tek2RefCmd->click();
  EXPECT_EQ(shown.left(30), "Reading the reference: 0 bytes");
  EXPECT_GE(ticks, 30);  // a frozen window would have run none
  EXPECT_EQ(log, "");    // no save dialog, no message
  EXPECT_FALSE(QFile::exists(QStringLiteral("cancelled.dat")));
  EXPECT_EQ(w->images().AcqMem, before);
  EXPECT_TRUE(w->Cnx->isHidden());

  names = {QStringLiteral("after.dat")};
  w->Tek2RefCmd->click();
  EXPECT_EQ(log, "save Acquisition");
  EXPECT_NE(w->images().AcqMem, before);
  EXPECT_TRUE(QFile::exists(QStringLiteral("after.dat")));
}
