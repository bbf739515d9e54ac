// The window through a USB/Ethernet adapter: the emulator (logiremctl serve) on loopback TCP.
#include "AppHarness.h"
#include "support/Emulator.h"

TEST_F(WindowTest, ChosenInTheDialogTheAdapterCarriesEveryCommandAndIsStored) {
  Emulator e;
  ASSERT_FALSE(e.port().empty());
  presenter.onConf = [&](Conf& c) {
    c.AdapterChoice->setChecked(true);
    c.PortBox->setEditText(e.qport());
    c.Test_Click();
    c.OK_Click();
  };
  w->Cnf->click();
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].text, "Test is OK");
  EXPECT_EQ(w->interfaceName(), "prologix");
  EXPECT_EQ(w->Typ->text(), "TEK/1241");
  EXPECT_TRUE(w->Cnx->isHidden());
  EXPECT_TRUE(w->SimNote->isHidden());

  log.clear();
  w->GetDisplay->click();
  EXPECT_EQ(log, (EventLog{"display"}));
  EXPECT_TRUE(w->bCnf());
  w->Form_Unload();
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem"), QStringLiteral("Interface"), QString()),
            "prologix");
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem"), QStringLiteral("Port"), QString()),
            e.qport());

  // The next start finds the analyser through the stored port (once the first window has
  // let go of it: the adapter serves one client at a time).
  w.reset();
  auto again = start();
  EXPECT_EQ(again->interfaceName(), "prologix");
  EXPECT_EQ(again->Typ->text(), "TEK/1241");
}
