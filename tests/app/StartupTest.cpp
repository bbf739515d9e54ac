// Command line, caption, settings store and the window's position at start.
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include "AppHarness.h"
#include "app/WindowPlacement.h"
#include "backend/DriverFactory.h"

namespace {
QStringList Groups(const QString& ini) {
  return QSettings(ini, QSettings::IniFormat).childGroups();
}
}  // namespace

TEST(CommandLine, FormsOfTheCommandLine) {
  using A = StartRequest::Action;
  struct Case {
    const char* line;
    A action;
    const char* name;
  } cases[] = {{"", A::Run, ""},
               {"   ", A::Run, ""},
               {"  LAB  ", A::Run, "LAB"},
               {"bench 2", A::Run, "bench 2"},
               {"-?", A::Usage, ""},
               {"-clean -?", A::Usage, ""},
               {"-clean", A::Clean, ""},
               {"LAB -clean", A::Clean, "LAB"},
               {"-clean LAB", A::Clean, "LAB"},
               {"  -clean   my lab ", A::Clean, "my lab"},
               {"-clean A-B", A::Usage, ""},
               {"-clean -clean", A::Usage, ""},
               {"-x", A::Usage, ""},
               {"-CLEAN", A::Usage, ""}};
  for (const Case& c : cases) {
    const StartRequest r = ParseCommandLine(QString::fromLatin1(c.line));
    EXPECT_EQ(r.action, c.action) << c.line;
    EXPECT_EQ(r.instanceName.toStdString(), c.name) << c.line;
  }
}

TEST_F(AppTest, UsageIsShownForQuestionMarkAndDashedNamesAndNothingIsStored) {
  for (const char* line : {"-?", "A-B", "LAB -?", "-clean A-B"}) {
    presenter.messages.clear();
    auto window = std::make_unique<MainWindow>(registry, &presenter, &files);
    EXPECT_FALSE(window->Form_Load(QString::fromLatin1(line))) << line;
    window->Form_Unload();
    ASSERT_EQ(presenter.messages.size(), 1u) << line;
    const auto& m = presenter.messages[0];
    EXPECT_EQ(m.text,
              "Usage:\tLogirem.exe (NUM) (-clean)\r\n     with\r\n\tNAME  = Instance name\r\n"
              "\t-clean = Registry clean option");
    EXPECT_EQ(m.title, "");  // the default title
    EXPECT_EQ(m.icon, MsgIcon::None);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
  }
  EXPECT_TRUE(Groups(ini).isEmpty());
}

TEST_F(AppTest, CleanRemovesOnlyTheNamedInstance) {
  const QStringList all{QStringLiteral("Logirem"), QStringLiteral("Logirem - LAB"),
                        QStringLiteral("Logirem - OTHER")};
  struct Case {
    const char* line;
    int cleaned;
    const char* notice;
  } cases[] = {{"-clean", 0, "Cleaning  registry context\r\nPlease restart application"},
               {"LAB -clean", 1, "Cleaning LAB registry context\r\nPlease restart application"},
               {"-clean LAB", 1, "Cleaning LAB registry context\r\nPlease restart application"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    for (const QString& key : all) registry.RegWrite(key, QStringLiteral("PAd"), 4);
    presenter.messages.clear();
    auto window = std::make_unique<MainWindow>(registry, &presenter, &files);
    EXPECT_FALSE(window->Form_Load(QString::fromLatin1(c.line)));
    window->Form_Unload();  // closing after the notice must not store the settings again
    ASSERT_EQ(presenter.messages.size(), 1u);
    EXPECT_EQ(presenter.messages[0].text, c.notice);
    EXPECT_EQ(presenter.messages[0].title, "");
    EXPECT_EQ(presenter.messages[0].buttons, MsgButtons::Ok);
    QStringList left = all;
    left.removeAt(c.cleaned);
    EXPECT_EQ(Groups(ini), left);
  }
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

  EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("Big"), INT32_MIN));
  EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("Text"), QString(1030, u'a')));
  EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("Nul"), QStringLiteral("gpib") + QChar(u'\0')));
  EXPECT_TRUE(registry.RegWrite(key, QStringLiteral("Word"), QStringLiteral("seven")));
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Big"), 0), INT32_MIN);
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Text"), QString()).size(), 1024);
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Nul"), QString()), "gpib");
  // A value that is no number reads as the default, as a wrongly typed value would.
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Word"), 7), 7);

  // Slashes in an instance name do not nest one instance inside another.
  EXPECT_TRUE(registry.RegWrite(QStringLiteral("Logirem - a"), QStringLiteral("PAd"), 1));
  EXPECT_TRUE(registry.RegWrite(QStringLiteral("Logirem - a/b"), QStringLiteral("PAd"), 2));
  EXPECT_TRUE(registry.RegClean(QStringLiteral("Logirem - a/b")));
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem - a"), QStringLiteral("PAd"), 0), 1);

  EXPECT_TRUE(registry.RegClean(key));
  EXPECT_EQ(registry.RegRead(key, QStringLiteral("Big"), 100), 100);
  EXPECT_FALSE(registry.RegClean(key));

  // A store that cannot be written to (its folder is a file) fails silently.
  Registry broken(QString::fromStdString(dir.file("settings.ini/inner.ini")));
  EXPECT_FALSE(broken.RegWrite(key, QStringLiteral("X"), 1));
  EXPECT_EQ(broken.RegRead(key, QStringLiteral("X"), 9), 9);
}

class StoredSettings : public AppTest {
 protected:
  std::vector<int32_t> read(const char* key) {
    std::vector<int32_t> values;
    for (const char* name : {"Board", "PAd", "SAd", "Nm09", "Nm18", "X", "Y"}) {
      values.push_back(registry.RegRead(QString::fromLatin1(key), QString::fromLatin1(name), -1));
    }
    return values;
  }
  void store(int32_t pad, int32_t nm09, int32_t nm18) {
    registry.RegWrite(QStringLiteral("Logirem"), QStringLiteral("PAd"), pad);
    registry.RegWrite(QStringLiteral("Logirem"), QStringLiteral("Nm09"), nm09);
    registry.RegWrite(QStringLiteral("Logirem"), QStringLiteral("Nm18"), nm18);
  }
};

TEST_F(StoredSettings, AreStoredAtCloseAndEachInstanceKeepsItsOwn) {
  auto one = start(QStringLiteral("1"));
  presenter.onConf = [](Conf& conf) {
    conf.vVal[1]->setText(QStringLiteral("3"));
    conf.vVal[2]->setText(QStringLiteral("96"));
    conf.OK_Click();
  };
  one->Cnf->click();
  one->move(300, 200);
  one->close();
  // The simulated analyser carries one 9-bit and two 18-bit cards.
  EXPECT_EQ(read("Logirem - 1"), (std::vector<int32_t>{0, 3, 96, 1, 2, 300 * 15, 200 * 15}));
  EXPECT_EQ(registry.RegRead(QStringLiteral("Logirem - 1"), QStringLiteral("Interface"), QString()),
            "sim");

  auto two = start(QStringLiteral("2"));
  EXPECT_EQ(two->connection().PAd, 7);
  EXPECT_EQ(two->connection().SAd, 0);
  two->close();
  EXPECT_EQ(read("Logirem - 2")[1], 7);

  auto again = start(QStringLiteral("1"));
  EXPECT_EQ(again->connection().PAd, 3);
  EXPECT_EQ(again->connection().SAd, 96);
  EXPECT_EQ(again->pos(), QPoint(300, 200));
}

TEST_F(StoredSettings, CardCountsHoldUntilTheAnalyserAnswers) {
  store(9, 3, 1);  // nothing answers at PAD 9: the stored counts stay
  auto window = start();
  EXPECT_TRUE(presenter.messages.empty());  // a silent failure at start
  EXPECT_FALSE(window->Cnx->isHidden());
  EXPECT_EQ(window->nNm09(), 3);
  EXPECT_EQ(window->nNm18(), 1);
  window->close();
  EXPECT_EQ(read("Logirem")[1], 9);
  EXPECT_EQ(read("Logirem")[3], 3);

  // Impossible stored counts count as no cards.
  struct Case {
    int32_t nm09, nm18;
    int16_t expect09, expect18;
  } cases[] = {{1000, 1, 0, 1}, {-3, 2, 0, 2}, {3, 2, 3, 0},
               {2, 2, 2, 2},    {4, -1, 4, 0}, {65537, 0, 0, 0}};
  for (const Case& c : cases) {
    store(9, c.nm09, c.nm18);
    window = start();
    EXPECT_EQ(window->nNm09(), c.expect09) << c.nm09 << "," << c.nm18;
    EXPECT_EQ(window->nNm18(), c.expect18) << c.nm09 << "," << c.nm18;
  }
}

TEST_F(AppTest, WindowPositionFallsBackWhenOffTheScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  auto fresh = start();  // nothing stored: X 100 twips, Y where the window system puts it
  const int defaultY = fresh->y();
  EXPECT_EQ(fresh->x(), TwipsToPixels(100));
  fresh.reset();

  const int32_t width = PixelsToTwips(screen.width()), height = PixelsToTwips(screen.height());
  struct Case {
    int32_t x, y;
    int expectX, expectY;
  } cases[] = {
      {-50, 1500, TwipsToPixels(100), 100},
      {3000, -1, 200, defaultY},
      {width - 99, height - 99, TwipsToPixels(100), defaultY},
      {width - 105, height - 105, screen.width() - 7, screen.height() - 7},
  };
  for (const Case& c : cases) {
    registry.RegWrite(QStringLiteral("Logirem"), QStringLiteral("X"), c.x);
    registry.RegWrite(QStringLiteral("Logirem"), QStringLiteral("Y"), c.y);
    EXPECT_EQ(start()->pos(), QPoint(c.expectX, c.expectY)) << c.x << "," << c.y;
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
