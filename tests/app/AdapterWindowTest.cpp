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
