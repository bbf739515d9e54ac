// Command line, caption, settings store and the window's position at start.
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>

#include "AppHarness.h"
#include "app/StartRequest.h"
#include "app/WindowPlacement.h"
#include "sim/DriverFactory.h"

namespace {
const QString kUsage = QStringLiteral(
    "Usage:\tLogirem.exe (NUM) (-clean)\r\n     with\r\n\tNAME  = Instance name\r\n"
    "\t-clean = Registry clean option");

QStringList Groups(const QString& ini) {
  QSettings settings(ini, QSettings::IniFormat);
  return settings.childGroups();
}
}  // namespace

TEST(CommandLine, FormsOfTheCommandLine) {
  using A = StartRequest::Action;
  struct Case {
    const char* line;
    A action;
    const char* name;
  } cases[] = {
      {"", A::Run, ""},
      {"   ", A::Run, ""},
      {"  LAB  ", A::Run, "LAB"},
      {"bench 2", A::Run, "bench 2"},
      {"-?", A::Usage, ""},
      {"LAB -?", A::Usage, ""},
      {"-clean -?", A::Usage, ""},
      {"-clean", A::Clean, ""},
      {"LAB -clean", A::Clean, "LAB"},
      {"-clean LAB", A::Clean, "LAB"},
      {"  -clean   my lab ", A::Clean, "my lab"},
      {"-clean A-B", A::Usage, ""},
      {"-clean -clean", A::Usage, ""},
      {"A-B", A::Usage, ""},
      {"-x", A::Usage, ""},
      {"-CLEAN", A::Usage, ""},
  };
  for (const Case& c : cases) {
    const StartRequest r = ParseCommandLine(QString::fromLatin1(c.line));
    EXPECT_EQ(r.action, c.action) << c.line;
    EXPECT_EQ(r.instanceName.toStdString(), c.name) << c.line;
  }
  StartRequest lab;
  lab.instanceName = QStringLiteral("LAB");
  EXPECT_EQ(lab.AppKey().toStdString(), "Logirem - LAB");
  EXPECT_EQ(lab.InstanceSuffix().toStdString(), " - LAB");
  EXPECT_EQ(StartRequest{}.AppKey().toStdString(), "Logirem");
  EXPECT_EQ(StartRequest{}.InstanceSuffix().toStdString(), "");
}

TEST_F(AppTest, UsageIsShownForQuestionMarkAndDashedNamesAndNothingIsStored) {
  for (const char* line : {"-?", "A-B", "LAB -?", "-clean A-B"}) {
    presenter.messages.clear();
    auto window = std::make_unique<MainWindow>(registry, &presenter, &files);
    EXPECT_FALSE(window->Form_Load(QString::fromLatin1(line))) << line;
    ASSERT_EQ(presenter.messages.size(), 1u) << line;
    const auto& m = presenter.messages[0];
    EXPECT_EQ(QString::fromStdString(m.text), kUsage);
    EXPECT_EQ(m.title, "");  // the default title
    EXPECT_EQ(m.icon, MsgIcon::None);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    window->Form_Unload();
  }
  EXPECT_TRUE(Groups(ini).isEmpty());
}

TEST_F(AppTest, CleanRemovesOnlyTheNamedInstance) {
  registry.RegWrite(QStringLiteral("Logirem"), QStringLiteral("PAd"), 3);
  registry.RegWrite(QStringLiteral("Logirem - LAB"), QStringLiteral("PAd"), 4);
  registry.RegWrite(QStringLiteral("Logirem - OTHER"), QStringLiteral("PAd"), 5);

  auto window = std::make_unique<MainWindow>(registry, &presenter, &files);
  EXPECT_FALSE(window->Form_Load(QStringLiteral("-clean")));
  window->Form_Unload();  // closing after the notice must not store the settings again
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].text, "Cleaning  registry context\r\nPlease restart application");
  EXPECT_EQ(presenter.messages[0].title, "");
  EXPECT_EQ(presenter.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(Groups(ini),
            QStringList({QStringLiteral("Logirem - LAB"), QStringLiteral("Logirem - OTHER")}));

  for (const char* line : {"LAB -clean", "-clean LAB"}) {
    registry.RegWrite(QStringLiteral("Logirem - LAB"), QStringLiteral("PAd"), 4);
    presenter.messages.clear();
    auto again = std::make_unique<MainWindow>(registry, &presenter, &files);
    EXPECT_FALSE(again->Form_Load(QString::fromLatin1(line)));
    again->Form_Unload();
    ASSERT_EQ(presenter.messages.size(), 1u);
    EXPECT_EQ(presenter.messages[0].text,
              "Cleaning LAB registry context\r\nPlease restart application");
    EXPECT_EQ(Groups(ini), QStringList({QStringLiteral("Logirem - OTHER")})) << line;
  }
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem - OTHER"), QStringLiteral("PAd"), 0), 5);
}

TEST_F(AppTest, CaptionCarriesVersionAndInstance) {
  auto lab = start(QStringLiteral("LAB"));
  EXPECT_EQ(lab->windowTitle().toStdString(),
            std::string("Logirem V") + LOGIREM_VERSION + " - LAB");
  EXPECT_EQ(lab->appKey().toStdString(), "Logirem - LAB");
  auto plain = start();
  EXPECT_EQ(plain->windowTitle().toStdString(), std::string("Logirem V") + LOGIREM_VERSION);
}

TEST_F(AppTest, RegistryReadsWritesAndCleans) {
  const QString key = QStringLiteral("Logirem - T");
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("PAd"), 7), 7);  // no file yet
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Name"), QStringLiteral("x")), "x");
  EXPECT_FALSE(registry.RegClean(key));

  EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("X"), -50));
  EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("Big"), INT32_MIN));
  EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("Text"), QString(1030, u'a')));
  EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("Nul"), QStringLiteral("gpib") + QChar(u'\0')));
  EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("Word"), QStringLiteral("seven")));
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("X"), 100), -50);
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Big"), 0), INT32_MIN);
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Text"), QString()).size(), 1024);
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Nul"), QString()), "gpib");
  // A value that is no number reads as the default, as a wrongly typed value would.
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Word"), 7), 7);
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Missing"), 7), 7);

  // Slashes in an instance name do not nest one instance inside another.
  EXPECT_TRUE(registry.RegWrite(QStringLiteral("Logirem - a"), QStringLiteral("PAd"), 1));
  EXPECT_TRUE(registry.RegWrite(QStringLiteral("Logirem - a/b"), QStringLiteral("PAd"), 2));
  EXPECT_TRUE(registry.RegClean(QStringLiteral("Logirem - a/b")));
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem - a"), QStringLiteral("PAd"), 0), 1);

  EXPECT_TRUE(registry.RegClean(key));
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("X"), 100), 100);
  EXPECT_FALSE(registry.RegClean(key));

  // A store that cannot be written to (its folder is a file) fails silently.
  Registry broken(QString::fromStdString(dir.file("settings.ini/inner.ini")));
  EXPECT_FALSE(broken.RegWrite(key, QStringLiteral("X"), 1));
  EXPECT_EQ(broken.RegRead(key, QStringLiteral("X"), 9), 9);
}

TEST_F(AppTest, SettingsAreStoredAtCloseAndEachInstanceKeepsItsOwn) {
  auto one = start(QStringLiteral("1"));
  presenter.onConf = [](Conf& conf) {
    conf.vVal[1]->setText(QStringLiteral("3"));
    conf.vVal[2]->setText(QStringLiteral("96"));
    conf.OK_Click();
  };
  one->Cnf->click();
  one->move(300, 200);
  one->close();

  const QString key1 = QStringLiteral("Logirem - 1");
  EXPECT_EQ(registry.RegRead(key1, QStringLiteral("Board"), -1), 0);
  EXPECT_EQ(registry.RegRead(key1, QStringLiteral("PAd"), -1), 3);
  EXPECT_EQ(registry.RegRead(key1, QStringLiteral("SAd"), -1), 96);
  // The simulated analyser carries one 9-bit and two 18-bit cards.
  EXPECT_EQ(registry.RegRead(key1, QStringLiteral("Nm09"), -1), 1);
  EXPECT_EQ(registry.RegRead(key1, QStringLiteral("Nm18"), -1), 2);
  EXPECT_EQ(registry.RegRead(key1, QStringLiteral("X"), -1), 300 * 15);
  EXPECT_EQ(registry.RegRead(key1, QStringLiteral("Y"), -1), 200 * 15);
  EXPECT_EQ(registry.RegRead(key1, QStringLiteral("Interface"), QString()), "sim");

  auto two = start(QStringLiteral("2"));
  EXPECT_EQ(two->connection().PAd, 7);
  EXPECT_EQ(two->connection().SAd, 0);
  two->close();
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem - 2"), QStringLiteral("PAd"), -1), 7);

  auto again = start(QStringLiteral("1"));
  EXPECT_EQ(again->connection().PAd, 3);
  EXPECT_EQ(again->connection().SAd, 96);
  EXPECT_EQ(again->pos(), QPoint(300, 200));
}

TEST_F(AppTest, StoredCardCountsHoldUntilTheAnalyserAnswers) {
  const QString key = QStringLiteral("Logirem");
  registry.RegWrite(key, QStringLiteral("PAd"), 9);  // nothing answers there
  registry.RegWrite(key, QStringLiteral("Nm09"), 3);
  registry.RegWrite(key, QStringLiteral("Nm18"), 1);
  auto window = start();
  EXPECT_TRUE(presenter.messages.empty());  // a silent failure at start
  EXPECT_FALSE(window->Cnx->isHidden());
  EXPECT_EQ(window->nNm09(), 3);
  EXPECT_EQ(window->nNm18(), 1);
  EXPECT_EQ(window->Typ->text(), "Tek/124x");
  EXPECT_EQ(window->Cards[0]->text(), "none");
  window->close();
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Nm09"), -1), 3);
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("PAd"), -1), 9);
}

TEST_F(AppTest, ImpossibleStoredCardCountsCountAsNoCards) {
  const QString key = QStringLiteral("Logirem");
  registry.RegWrite(key, QStringLiteral("PAd"), 9);  // nothing answers: the stored counts stay
  struct Case {
    int32_t nm09, nm18;
    int16_t expect09, expect18;
  } cases[] = {{1000, 1, 0, 1}, {-3, 2, 0, 2}, {3, 2, 3, 0},
               {2, 2, 2, 2},    {4, -1, 4, 0}, {65537, 0, 0, 0}};
  for (const Case& c : cases) {
    registry.RegWrite(key, QStringLiteral("Nm09"), c.nm09);
    registry.RegWrite(key, QStringLiteral("Nm18"), c.nm18);
    auto window = start();
    EXPECT_EQ(window->nNm09(), c.expect09) << c.nm09 << "," << c.nm18;
    EXPECT_EQ(window->nNm18(), c.expect18) << c.nm09 << "," << c.nm18;
  }
}

TEST_F(AppTest, WindowPositionFallsBackWhenOffTheScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QString key = QStringLiteral("Logirem");

  auto fresh = start();  // nothing stored: X 100 twips, Y where the window system puts it
  const int defaultY = fresh->y();
  EXPECT_EQ(fresh->x(), TwipsToPixels(100));
  fresh.reset();

  struct Case {
    int32_t x, y;
    int expectX, expectY;
  } cases[] = {
      {-50, 1500, TwipsToPixels(100), 100},
      {3000, -1, 200, defaultY},
      {PixelsToTwips(screen.width()) - 99, PixelsToTwips(screen.height()) - 99, TwipsToPixels(100),
       defaultY},
      {PixelsToTwips(screen.width()) - 105, PixelsToTwips(screen.height()) - 105,
       screen.width() - 7, screen.height() - 7},
  };
  for (const Case& c : cases) {
    registry.RegWrite(key, QStringLiteral("X"), c.x);
    registry.RegWrite(key, QStringLiteral("Y"), c.y);
    auto window = start();
    EXPECT_EQ(window->pos(), QPoint(c.expectX, c.expectY)) << c.x << "," << c.y;
  }
}

TEST_F(AppTest, InterfaceDefaultsToTheSystemLibraryOnlyWhereItLoads) {
  auto window = start(QString(), false);
  const std::string expected = SystemGpibAvailable() ? "gpib" : "sim";
  EXPECT_EQ(window->interfaceName(), expected);
  EXPECT_EQ(window->SimNote->isVisibleTo(window.get()), expected == "sim");
  window->close();
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem"), QStringLiteral("Interface"), QString())
                .toStdString(),
            expected);
}

TEST_F(AppTest, SimulatedAnalyserIsAnnouncedBelowTheUnchangedWindow) {
  auto window = start();
  ASSERT_EQ(window->interfaceName(), "sim");
  EXPECT_TRUE(window->SimNote->isVisibleTo(window.get()));
  EXPECT_FALSE(window->SimNote->text().isEmpty());
  // The note sits below the window's designed area and covers none of its controls.
  EXPECT_GE(window->SimNote->y(), window->Frame->geometry().bottom());
  EXPECT_EQ(window->Frame1->title(), "Configuration");
  EXPECT_EQ(window->Frame->title(), "Data");
}
