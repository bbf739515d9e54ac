// The GPIB settings dialog: parsing of the boxes, what OK stores, the bus test, placement,
// and the choice of the driver back end.
#include <cmath>

#include "AppHarness.h"
#include "app/NumberText.h"
#include "app/WindowPlacement.h"
#include "backend/DriverFactory.h"

TEST(NumberText, LeadingNumberOfABoxRoundedAndClampedTo16Bits) {
  // clang-format off
  const std::pair<const char*, int16_t> cases[] = {
      {"12abc", 12}, {"", 0}, {"abc", 0}, {"  7 ", 7}, {"1 2", 12}, {"+7", 7}, {"-3", -3},
      {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {".5", 0}, {"0.51", 1}, {"1e3", 1000},
      {"1.5D1", 15}, {"4e", 4}, {"-", 0}, {"12-3", 12}, {"32767", 32767}, {"32768", 32767},
      {"-40000", -32768}, {"1e999", 32767}, {"-1e999", -32768}, {"&H10", 0}, {"7.9.9", 8}};
  // clang-format on
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(ToInt16Nearest(LeadingNumber(text)), value) << '"' << text << '"';
  }
  EXPECT_EQ(ToInt16Nearest(std::nan("")), 0);
}

TEST(WindowPlacementTest, DialogGoesBelowTheMainWindowOrAboveButNeverOffTheScreenTop) {
  // main left, top, height, dialog height, screen height -> dialog left, top
  // clang-format off
  const std::array<int32_t, 7> cases[] = {
      {1500, 3000, 3000, 2000, 11520, 1600, 6020}, {1500, 8000, 3000, 2000, 11520, 1600, 5980},
      {0, 0, 1000, 980, 2000, 100, 1020}, {0, 0, 1000, 981, 2000, 100, 0}};
  // clang-format on
  for (const auto& c : cases) {
    const TwipsPoint at = ConfDialogPosition(c[0], c[1], c[2], c[3], c[4]);
    EXPECT_EQ(std::pair(at.left, at.top), std::pair(c[5], c[6])) << c[1] << " " << c[3];
  }
}

TEST_F(WindowTest, OnlyOkStoresTheBoxesAndClosingOtherwiseKeepsWhatWasPassedIn) {
  // Edited and then closed without OK, even the very first time: the main window keeps its
  // address and interface, still finds the analyser, and stores them unchanged at exit.
  onConf = [](Conf& c) {
    EXPECT_EQ(c.vVal[1]->text(), "7");      // the main window's address was put in the box
    EXPECT_TRUE(c.SimChoice->isChecked());  // and its interface chosen
    c.vVal[1]->setText(QStringLiteral("3"));
    c.AdapterChoice->setChecked(true);
    c.reject();
  };
  w->Cnf->click();
  EXPECT_EQ(w->conf().interfaceName(), "sim");
  EXPECT_TRUE(w->Cnx->isHidden());
  w->Form_Unload();
  EXPECT_EQ(stored(kMain, "PAd"), "7");
  EXPECT_EQ(stored(kMain, "Interface"), "sim");
}

TEST_F(WindowTest, TestReportsWhetherTheDeviceAnswersReleasesItAndStoresNothing) {
  Conf& conf = w->conf();
  conf.setInterfaceName(w->interfaceName());
  const char* unable = "Unable to open device";
  const std::tuple<const char*, const char*, const char*, std::vector<std::string>> cases[] = {
      {"0", "7", "Test is OK", {"ibdev 0 7 0", "ibwrt XX", "ibonl 0"}},
      {"0", "9xyz", unable, {"ibdev 0 9 0", "ibwrt XX", "ibonl 0"}},  // nobody at PAD 9
      {"3", "7", unable, {"ibdev 3 7 0"}},  // no such board: the open itself fails
  };
  for (const auto& [board, pad, text, transcript] : cases) {
    SCOPED_TRACE(std::string(board) + " " + pad);
    conf.vVal[0]->setText(QString::fromLatin1(board));
    conf.vVal[1]->setText(QString::fromLatin1(pad));
    sim(*w).transcript().clear();
    log.clear();
    conf.Test_Click();
    EXPECT_EQ(log, text);
    EXPECT_EQ(messages.back().title, "GPIB Test");
    EXPECT_EQ(sim(*w).transcript(), transcript);
    EXPECT_EQ(conf.pad(), 0);  // nothing stored
  }
  conf.reject();
}

TEST_F(WindowTest, DialogIsPlacedUnderTheMainWindowWithTheBoardSelected) {
  w->move(200, 100);
  w->show();
  Conf& conf = w->conf();
  conf.setBrd(12);
  // 100 twips in from the main window's left edge and 20 twips below it.
  EXPECT_EQ(conf.pos(), w->frameGeometry().bottomLeft() + QPoint(7, 2));
  conf.show();
  EXPECT_EQ(conf.vVal[0]->selectedText(), "1");
  conf.reject();
}

TEST_F(AppTest, MissingLibraryEndsTheStartUntilAnotherInterfaceIsChosen) {
  if (SystemGpibAvailable()) GTEST_SKIP() << "a GPIB library is installed here";
  store(kMain, "Interface", QStringLiteral("gpib"));
  auto w = std::make_unique<MainWindow>(registry, this, this);
  EXPECT_FALSE(w->Form_Load(QString()));
  EXPECT_NE(log.find("\rInstall the Linux GPIB library (linux-gpib, libgpib.so.0)"),
            std::string::npos);
  // Test on the system interface cannot open anything; the simulator chosen instead works.
  onConf = [](Conf& conf) {
    conf.Test_Click();
    conf.SimChoice->setChecked(true);
    conf.OK_Click();
  };
  w->Cnf->click();
  // The first line as before, then the same reason OK would give.
  EXPECT_EQ(messages.back().text.rfind("Unable to open device\nFile not found: ", 0), 0u);
  EXPECT_TRUE(messages.back().text.ends_with("(linux-gpib, libgpib.so.0)"));
  // On the simulator a failed read opens the settings again rather than giving up silently.
  onConf = nullptr;
  sim(*w).setAddress(0, 9, 0);
  log.clear();
  w->GetDisplay->click();
  EXPECT_EQ(log, "conf, Data read error");
}

TEST_F(WindowTest, AnInterfaceThatCannotBeUsedIsRefusedAndNeverStored) {
  const QByteArray previous = qgetenv("LOGIREM_GPIB_LIBRARY");
  qputenv("LOGIREM_GPIB_LIBRARY", "/nonexistent/libgpib-gone.so");
  const std::tuple<const char*, const char*, std::string> cases[] = {
      {"gpib", "",
       "File not found: /nonexistent/libgpib-gone.so\rInstall the Linux GPIB library (linux-gpib, "
       "libgpib.so.0)"},
      {"prologix", "serial:/nonexistent/ttyUSB9  (FT232R USB UART)",
       "Cannot open /nonexistent/ttyUSB9: "},
      {"prologix", "", "no port given"},
  };
  for (const auto& [name, port, why] : cases) {
    SCOPED_TRACE(std::string(name) + " " + port);
    log.clear();
    onConf = [&](Conf& conf) {
      conf.show();
      conf.vVal[1]->setText(QStringLiteral("9"));
      (std::string(name) == "gpib" ? conf.GpibChoice : conf.AdapterChoice)->setChecked(true);
      conf.PortBox->setEditText(QString::fromLatin1(port));
      // Test says why too, below its own first line.
      conf.Test_Click();
      EXPECT_EQ(messages.back().text.substr(0, 22 + why.size()), "Unable to open device\n" + why);
      log.clear();
      conf.OK_Click();
      // Said why, still open, and back on the interface it had.
      EXPECT_EQ(log.substr(0, why.size()), why);
      EXPECT_TRUE(conf.isVisible());
      EXPECT_TRUE(conf.SimChoice->isChecked());
      conf.reject();
    };
    w->Cnf->click();
    EXPECT_EQ(w->interfaceName(), "sim");
  }
  w->Form_Unload();
  EXPECT_EQ(stored(kMain, "Interface"), "sim");
  EXPECT_EQ(stored(kMain, "Port"), "<none>");
  qputenv("LOGIREM_GPIB_LIBRARY", previous);
}
