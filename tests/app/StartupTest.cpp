// Command line, caption, settings store and the window's position at start.
#include <QSettings>
#include <QTest>

#include "AppHarness.h"
#include "app/WindowPlacement.h"
#include "backend/DriverFactory.h"

TEST(CommandLine, FormsOfTheCommandLine) {
  using A = StartRequest::Action;
  const std::tuple<const char*, A, const char*> cases[] = {
      // clang-format off
      {"", A::Run, ""}, {"  LAB  ", A::Run, "LAB"}, {"bench 2", A::Run, "bench 2"},
      {"-?", A::Usage, ""}, {"-clean -?", A::Usage, ""}, {"-clean", A::Clean, ""},
      {"LAB -clean", A::Clean, "LAB"}, {"  -clean   my lab ", A::Clean, "my lab"},
      {"-clean A-B", A::Usage, ""}, {"-clean -clean", A::Usage, ""}, {"-CLEAN", A::Usage, ""}};
  // clang-format on
  for (const auto& [line, action, name] : cases) {
    const StartRequest r = ParseCommandLine(QString::fromLatin1(line));
    EXPECT_EQ(r.action, action) << line;
    EXPECT_EQ(r.instanceName.toStdString(), name) << line;
  }
}

// Usage and clean show their notice, end the start and store nothing at close; clean
// removes the named instance only.
TEST_F(AppTest, UsageAndCleanStoreNothing) {
  const QStringList all{kMain, QStringLiteral("Logirem - LAB"), QStringLiteral("Logirem - X")};
  const QString restart = QStringLiteral(" registry context\r\nPlease restart application");
  const std::tuple<const char*, QString, QStringList> cases[] = {
      {"-clean A-B",
       "Usage:\tLogirem.exe (NUM) (-clean)\r\n     with\r\n\tNAME  = Instance name\r\n\t-clean = "
       "Registry clean option",
       all},
      {"-clean", "Cleaning " + restart, {all[1], all[2]}},
      {"LAB -clean", "Cleaning LAB" + restart, {all[0], all[2]}}};
  for (const auto& [line, notice, left] : cases) {
    SCOPED_TRACE(line);
    for (const QString& key : all) store(key, "Board", 4);
    log.clear();
    auto window = std::make_unique<MainWindow>(registry, this, this);
    EXPECT_FALSE(window->Form_Load(QString::fromLatin1(line)));
    window->Form_Unload();
    EXPECT_EQ(log, notice.toStdString());
    EXPECT_EQ(messages.back().title, "");
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).childGroups(), left);
    for (const QString& key : left) EXPECT_EQ(stored(key, "PAd"), "<none>");
  }
}

// Instance names with slashes stay apart; values of the wrong type read as the default.
TEST_F(AppTest, RegistryKeepsInstancesApart) {
  const QString key = QStringLiteral("Logirem - a"), nested = QStringLiteral("Logirem - a/b");
  store(key, "Word", QStringLiteral("seven"));
  store(key, "Nul", QStringLiteral("gpib") + QChar(u'\0'));
  store(nested, "PAd", 2);
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Word"), 7), 7);
  EXPECT_EQ(stored(key, "Nul"), "gpib");
  EXPECT_TRUE(registry.RegClean(key));
  EXPECT_FALSE(registry.RegClean(key));
  EXPECT_EQ(stored(nested, "PAd"), "2");
}

TEST_F(AppTest, SettingsAreStoredAtCloseAndEachInstanceKeepsItsOwn) {
  auto one = start(QStringLiteral("1"));
  EXPECT_EQ(one->windowTitle().toStdString(), std::string("Logirem V") + LOGIREM_VERSION + " - 1");
  onConf = [](Conf& conf) {
    conf.vVal[1]->setText(QStringLiteral("3"));
    conf.vVal[2]->setText(QStringLiteral("96"));
    conf.OK_Click();
  };
  one->Cnf->click();
  one->move(300, 200);
  one->close();
  // The simulated analyser carries one 9-bit and two 18-bit cards.
  QStringList values;
  for (const char* name : {"Board", "PAd", "SAd", "Nm09", "Nm18", "X", "Y", "Interface"}) {
    values << stored(QStringLiteral("Logirem - 1"), name);
  }
  EXPECT_EQ(values.join(' '), "0 3 96 1 2 4500 3000 sim");
  EXPECT_EQ(start(QStringLiteral("2"))->connection().PAd, 7);
  auto again = start(QStringLiteral("1"));
  EXPECT_EQ(again->connection().SAd, 96);
  EXPECT_EQ(again->pos(), QPoint(300, 200));
}

// Counts stay as stored until the analyser answers; counts the slots cannot hold, or values
// outside 16 bits, count as no cards.
TEST_F(AppTest, StoredCardCountsHoldUntilTheAnalyserAnswers) {
  store(kMain, "PAd", 9);  // nothing answers at PAD 9
  const std::array<int32_t, 4> cases[] = {{3, 1, 3, 1},  {1000, 1, 0, 1},  {-3, 2, 0, 2},
                                          {3, 2, 3, 0},  {2, 2, 2, 2},     {5, 0, 0, 0},
                                          {4, -1, 4, 0}, {65537, 0, 0, 0}, {0, 65540, 0, 0}};
  for (const auto& c : cases) {
    store(kMain, "Nm09", c[0]);
    store(kMain, "Nm18", c[1]);
    auto window = start();
    EXPECT_EQ(window->nNm09(), c[2]) << c[0] << "," << c[1];
    EXPECT_EQ(window->nNm18(), c[3]) << c[0] << "," << c[1];
  }
  EXPECT_TRUE(messages.empty());  // a silent failure at start
}

// A stored position (in twips) off the screen or too near its far edge falls back: the left
// edge to 100 twips, the top to where the window system puts the window.
TEST_F(AppTest, WindowPositionFallsBackWhenOffTheScreen) {
  const std::array<int32_t, 4> cases[] = {{-50, 100, 11520, 555},
                                          {3000, 3000, 11520, 3000},
                                          {11420, 11420, 11520, 11420},
                                          {11421, 100, 11520, 555},
                                          {0, 0, 11520, 0}};
  for (const auto& [stored, left, screen, top] : cases) {
    EXPECT_EQ(StartLeft(stored, screen), left) << stored;
    EXPECT_EQ(StartTop(stored, screen, 555), top) << stored;
  }
  const int defaultY = start()->y();
  store(kMain, "X", -50);
  store(kMain, "Y", -1);
  EXPECT_EQ(start()->pos(), QPoint(TwipsToPixels(100), defaultY));
}

TEST_F(AppTest, InterfaceDefaultsToTheSystemLibraryOnlyWhereItLoads) {
  auto window = start(QString(), false);
  const QString expected = SystemGpibAvailable() ? "gpib" : "sim";
  EXPECT_EQ(window->SimNote->isVisibleTo(window.get()), expected == "sim");
  window->close();
  EXPECT_EQ(stored(kMain, "Interface"), expected);
}

// A second copy of an instance asks: Yes brings the running copy to the front and ends the
// start (storing nothing), No starts anyway. Another instance, or the same one once the
// first has closed, starts without a word.
TEST_F(AppTest, ASecondCopyOfAnInstanceOffersTheRunningOne) {
  auto first = start(QStringLiteral("LAB"));
  first->hide();
  const std::string question = first->windowTitle().toStdString() +
                               " is already running.\nBring it to the front?\n(No starts this "
                               "copy anyway; the copy closed last keeps its settings.)";
  answers = {MsgAnswer::Yes};
  auto second = std::make_unique<MainWindow>(registry, this, this);
  EXPECT_FALSE(second->Form_Load(QStringLiteral("LAB")));
  EXPECT_EQ(log, question);
  EXPECT_TRUE(QTest::qWaitFor([&] { return first->isVisible(); }, 5000));
  second->move(900, 900);
  second->Form_Unload();
  EXPECT_EQ(stored(QStringLiteral("Logirem - LAB"), "X"), "<none>");

  log.clear();
  answers = {MsgAnswer::No};
  EXPECT_TRUE(std::make_unique<MainWindow>(registry, this, this)->Form_Load("LAB"));
  EXPECT_TRUE(start(QStringLiteral("OTHER"))->isEnabled());
  EXPECT_EQ(log, question);
  first->close();
  log.clear();
  start(QStringLiteral("LAB"));
  EXPECT_EQ(log, "");
}

// The settings dialog's OK and a move are stored at once, not only at close.
TEST_F(AppTest, SettingsAreStoredWhenTheyChange) {
  auto w = start();
  onConf = [](Conf& conf) {
    conf.vVal[1]->setText(QStringLiteral("3"));
    conf.OK_Click();
  };
  w->Cnf->click();
  EXPECT_EQ(stored(kMain, "PAd"), "3");
  w->show();
  w->move(300, 200);
  const auto position = [&] { return stored(kMain, "X") + ' ' + stored(kMain, "Y"); };
  EXPECT_TRUE(QTest::qWaitFor([&] { return position() == "4500 3000"; }, 5000))
      << position().toStdString();
}
