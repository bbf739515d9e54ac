// The GPIB settings dialog: parsing of the boxes, what OK stores, the bus test, placement,
// and the choice of the driver back end.
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "AppHarness.h"
#include "app/NumberText.h"
#include "app/WindowPlacement.h"
#include "backend/DriverFactory.h"

TEST(NumberText, LeadingNumberOfABox) {
  struct Case {
    const char* text;
    int16_t value;
  } cases[] = {{"12abc", 12},    {"", 0},
               {"abc", 0},       {"  7 ", 7},
               {"1 2", 12},      {"+7", 7},
               {"-3", -3},       {"2.5", 2},
               {"3.5", 4},       {"-2.5", -2},
               {".5", 0},        {"0.51", 1},
               {"1e3", 1000},    {"1.5D1", 15},
               {"4e", 4},        {"-", 0},
               {"12-3", 12},     {"32767", 32767},
               {"32768", 32767}, {"-40000", -32768},
               {"1e999", 32767}, {"-1e999", -32768},
               {"&H10", 0},      {"7.9.9", 8}};
  for (const Case& c : cases) {
    EXPECT_EQ(ToInt16Nearest(LeadingNumber(c.text)), c.value) << '"' << c.text << '"';
  }
  EXPECT_EQ(ToInt16Nearest(std::nan("")), 0);
}

TEST(WindowPlacementTest, DialogGoesBelowTheMainWindowOrAboveAtTheScreenEdge) {
  const TwipsPoint below = ConfDialogPosition(1500, 3000, 3000, 2000, 11520);
  EXPECT_EQ(below.left, 1600);
  EXPECT_EQ(below.top, 6020);
  EXPECT_EQ(ConfDialogPosition(1500, 8000, 3000, 2000, 11520).top, 8000 - 2000 - 20);
  // Exactly fitting stays below.
  EXPECT_EQ(ConfDialogPosition(0, 0, 1000, 980, 2000).top, 1020);
  // Fitting neither below nor above: it stays on the screen, at its top.
  EXPECT_EQ(ConfDialogPosition(0, 0, 1000, 981, 2000).top, 0);

  EXPECT_EQ(TwipsToPixels(100), 7);
  EXPECT_EQ(TwipsToPixels(1720), 115);
  EXPECT_EQ(TwipsToPixels(7), 0);
  EXPECT_EQ(TwipsToPixels(-50), -3);
  const PixelRect r = TwipsRect(825, 240, 700, 465);
  EXPECT_EQ(r.x, 55);
  EXPECT_EQ(r.x + r.width, TwipsToPixels(1525));
}

TEST_F(WindowTest, OnlyOkStoresTheBoxesAndClosingOtherwiseKeepsWhatWasPassedIn) {
  Conf& conf = w->conf();
  EXPECT_EQ(conf.windowTitle(), "Configuration");
  EXPECT_EQ(conf.GpibChoice->text(), "System GPIB library (NI-488.2 / linux-gpib)");
  EXPECT_EQ(conf.AdapterChoice->text(), "USB/Ethernet adapter");
  EXPECT_EQ(conf.SimChoice->text(), "Simulated analyser");
  // Edited and then closed without OK, even the very first time: the main window keeps its
  // address and interface, still finds the analyser, and stores them unchanged at exit.
  presenter.onConf = [](Conf& c) {
    EXPECT_EQ(c.vVal[1]->text(), "7");      // the main window's address was put in the box
    EXPECT_TRUE(c.SimChoice->isChecked());  // and its interface chosen
    c.vVal[1]->setText(QStringLiteral("3"));
    c.AdapterChoice->setChecked(true);
    c.reject();
  };
  w->Cnf->click();
  EXPECT_EQ(w->connection().PAd, 7);
  EXPECT_TRUE(w->Cnx->isHidden());
  EXPECT_EQ(w->interfaceName(), "sim");
  w->Form_Unload();
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem"), QStringLiteral("PAd"), -1), 7);
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem"), QStringLiteral("Interface"), QString()),
            "sim");

  conf.setBrd(0);
  conf.setPad(1);
  conf.setSad(0);
  EXPECT_EQ(conf.vVal[1]->text(), "1");
  EXPECT_EQ(conf.pad(), 7);  // writing fills the box only
  conf.OK_Click();
  EXPECT_EQ(std::vector<int16_t>({conf.Brd(), conf.pad(), conf.sad()}),
            std::vector<int16_t>({0, 1, 0}));

  conf.setBrd(0);
  conf.vVal[0]->setText(QString());
  conf.vVal[1]->setText(QStringLiteral("12abc"));
  conf.vVal[2]->setText(QStringLiteral("100000"));
  conf.OK_Click();
  EXPECT_EQ(std::vector<int16_t>({conf.Brd(), conf.pad(), conf.sad()}),
            std::vector<int16_t>({0, 12, 32767}));

  // Closed another way: the reads give back what was written before showing, not the box.
  conf.setPad(5);
  conf.vVal[1]->setText(QStringLiteral("6"));
  conf.reject();
  EXPECT_EQ(std::vector<int16_t>({conf.Brd(), conf.pad(), conf.sad()}),
            std::vector<int16_t>({0, 5, 32767}));
  // And the next showing starts again from those values.
  conf.setSad(1);
  EXPECT_EQ(conf.vVal[1]->text(), "5");
  EXPECT_EQ(conf.vVal[2]->text(), "1");
  conf.reject();

  // OK from the main window also stores the interface it put in.
  presenter.onConf = nullptr;
  w->Cnf->click();
  EXPECT_EQ(conf.interfaceName(), "sim");
  EXPECT_EQ(w->interfaceName(), "sim");
}

TEST_F(WindowTest, TestReportsWhetherTheDeviceAnswersAndStoresNothing) {
  Conf& conf = w->conf();
  conf.setSad(0);  // the rows fill the other boxes
  conf.setInterfaceName(w->interfaceName());
  const char* unable = "Unable to open device";
  struct Case {
    const char *board, *pad, *text;
    MsgIcon icon;
    std::vector<std::string> transcript;
  } cases[] = {
      {"0", "7", "Test is OK", MsgIcon::Information, {"ibdev 0 7 0", "ibwrt XX", "ibonl 0"}},
      // Nobody at PAD 9: the write fails, and the device opened for the test is released.
      {"0", "9xyz", unable, MsgIcon::Critical, {"ibdev 0 9 0", "ibwrt XX", "ibonl 0"}},
      // A board that does not exist: the open itself fails.
      {"3", "7", unable, MsgIcon::Critical, {"ibdev 3 7 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.board) + " " + c.pad);
    conf.vVal[0]->setText(QString::fromLatin1(c.board));
    conf.vVal[1]->setText(QString::fromLatin1(c.pad));
    sim(*w).transcript().clear();
    presenter.messages.clear();
    conf.Test_Click();
    ASSERT_EQ(presenter.messages.size(), 1u);
    EXPECT_EQ(presenter.messages[0].text, c.text);
    EXPECT_EQ(presenter.messages[0].title, "GPIB Test");
    EXPECT_EQ(presenter.messages[0].icon, c.icon);
    EXPECT_EQ(sim(*w).transcript(), c.transcript);
    EXPECT_EQ(std::vector<int16_t>({conf.Brd(), conf.pad(), conf.sad()}),
              std::vector<int16_t>({0, 0, 0}));  // nothing stored
  }
  // The main window's own connection was not touched.
  EXPECT_FALSE(w->connection().Connected);
  conf.reject();
}

TEST_F(WindowTest, DialogIsPlacedUnderTheMainWindowWithTheBoardSelected) {
  w->move(200, 100);
  w->show();
  Conf& conf = w->conf();
  conf.setBrd(12);
  conf.setPad(7);
  conf.setSad(0);
  conf.setInterfaceName("sim");
  // 100 twips in from the main window's left edge and 20 twips below it.
  EXPECT_EQ(conf.pos(), w->frameGeometry().bottomLeft() + QPoint(7, 2));

  conf.show();
  EXPECT_EQ(conf.vVal[0]->cursorPosition(), 0);
  EXPECT_EQ(conf.vVal[0]->selectedText(), "1");
  // Test comes first in the tab order, OK after the boxes.
  std::vector<QWidget*> tabOrder;
  for (QWidget* next = conf.nextInFocusChain(); next != &conf; next = next->nextInFocusChain()) {
    if ((next->focusPolicy() & Qt::TabFocus) != 0) tabOrder.push_back(next);
  }
  ASSERT_GE(tabOrder.size(), 5u);
  EXPECT_EQ(tabOrder[0], conf.Test);
  EXPECT_LT(std::find(tabOrder.begin(), tabOrder.end(), conf.vVal[2]),
            std::find(tabOrder.begin(), tabOrder.end(), conf.OK));
  const QStringList captions{conf.Test->text(),   conf.OK->text(),     conf.Frame->title(),
                             conf.Lbl[0]->text(), conf.Lbl[1]->text(), conf.Lbl[2]->text()};
  EXPECT_EQ(captions.join('|'), "&Test|&OK|Device|Board:|PAD:|SAD:");
  EXPECT_LT(conf.Test->x(), conf.OK->x());
  EXPECT_GT(conf.Test->y(), conf.Frame->geometry().bottom());
  conf.OK_Click();
  EXPECT_FALSE(conf.isVisible());
  EXPECT_EQ(conf.Brd(), 12);

  // Near the bottom of the screen the dialog goes above the main window.
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  w->move(200, screen.height() - w->frameGeometry().height() - 5);
  conf.setBrd(0);
  EXPECT_LT(conf.y() + conf.frameGeometry().height(), w->y());
  conf.reject();
}

TEST_F(AppTest, MissingLibraryEndsTheStartAndTestCannotOpenIt) {
  if (SystemGpibAvailable()) GTEST_SKIP() << "a GPIB library is installed here";
  registry.RegWrite(QStringLiteral("Logirem"), QStringLiteral("Interface"), QStringLiteral("gpib"));
  auto first = std::make_unique<MainWindow>(registry, &presenter, &files);
  EXPECT_FALSE(first->Form_Load(QString()));
  ASSERT_EQ(presenter.messages.size(), 1u);
  const std::string missing = presenter.messages[0].text;
  EXPECT_NE(missing.find("\rInstall National Instruments drivers"), std::string::npos);
  EXPECT_EQ(presenter.messages[0].icon, MsgIcon::Critical);
  EXPECT_EQ(presenter.messages[0].title, "");
  first->Form_Unload();
  // The settings had been read, so they are stored again unchanged.
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem"), QStringLiteral("PAd"), -1), 7);

  registry.RegWrite(QStringLiteral("Logirem"), QStringLiteral("Interface"), QStringLiteral("sim"));
  auto w = start();
  SimAnalyser* simulated = &sim(*w);
  // Testing on the system interface cannot open anything, and the simulator is not asked.
  Conf& conf = w->conf();
  conf.setPad(7);
  conf.GpibChoice->setChecked(true);
  simulated->transcript().clear();
  presenter.messages.clear();
  conf.Test_Click();
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].text, "Unable to open device");
  EXPECT_TRUE(simulated->transcript().empty());
  conf.reject();
}

TEST_F(WindowTest, AnInterfaceThatCannotBeUsedIsRefusedAndNeverStored) {
  const QByteArray previous = qgetenv("LOGIREM_GPIB_LIBRARY");
  qputenv("LOGIREM_GPIB_LIBRARY", "/nonexistent/libgpib-gone.so");
  struct Case {
    const char* interfaceName;
    const char* port;
    std::string why;  // the start of the message
  } cases[] = {
      {"gpib", "",
       "File not found: /nonexistent/libgpib-gone.so\rInstall National Instruments drivers"},
      {"prologix", "tcp:127.0.0.1:1", "Cannot connect to 127.0.0.1:1: "},
      {"prologix", "serial:/nonexistent/ttyUSB9  (FT232R USB UART)",
       "Cannot open /nonexistent/ttyUSB9: "},
      {"prologix", "", "no port given"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.interfaceName) + " " + c.port);
    presenter.messages.clear();
    presenter.onConf = [&](Conf& conf) {
      conf.show();
      conf.vVal[1]->setText(QStringLiteral("9"));
      (std::string(c.interfaceName) == "gpib" ? conf.GpibChoice : conf.AdapterChoice)
          ->setChecked(true);
      conf.PortBox->setEditText(QString::fromLatin1(c.port));
      conf.OK_Click();
      // Said why, still open, and back on the interface it had.
      ASSERT_EQ(presenter.messages.size(), 1u);
      EXPECT_EQ(presenter.messages[0].text.substr(0, c.why.size()), c.why);
      EXPECT_EQ(presenter.messages[0].icon, MsgIcon::Critical);
      EXPECT_TRUE(conf.isVisible());
      EXPECT_TRUE(conf.SimChoice->isChecked());
      conf.reject();
    };
    w->Cnf->click();
    EXPECT_EQ(w->interfaceName(), "sim");
    EXPECT_EQ(w->connection().PAd, 7);
  }
  w->Form_Unload();
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem"), QStringLiteral("Interface"), QString()),
            "sim");
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem"), QStringLiteral("Port"), QString()), "");
  qputenv("LOGIREM_GPIB_LIBRARY", previous);
}
