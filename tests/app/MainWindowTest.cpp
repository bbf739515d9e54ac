// The main window's controls, its identification labels, and the way it answers the link
// and transfer code as their operator.
#include <QDialog>
#include <QFontInfo>
#include <QMessageBox>
#include <QTest>

#include "AppHarness.h"
#include "app/QtModalPresenter.h"
#include "app/WindowPlacement.h"

namespace {
QRect Twips(int32_t l, int32_t t, int32_t w, int32_t h) {
  const PixelRect r = TwipsRect(l, t, w, h);
  return QRect(r.x, r.y, r.width, r.height);
}
}  // namespace

TEST_F(WindowTest, ButtonsHaveTheirCaptionsTipsAndPlaces) {
  // The first four sit in the configuration frame, the rest in the data frame.
  struct Case {
    QPushButton* button;
    const char* caption;
    const char* tip;
    QRect place;
  } cases[] = {
      {w->Tek2ConfCmd, "&Tek. to File", "Save 124x current configuration to file",
       Twips(120, 240, 700, 465)},
      {w->Conf2TekCmd, "&File to Tek", "Load file configuration into 124x",
       Twips(825, 240, 700, 465)},
      {w->EditConfig, "&Edit Config.", "Configure GPIB parameters", Twips(1680, 240, 700, 465)},
      {w->Cnf, "&GPIB Config.", "Configure GPIB parameters", Twips(2400, 240, 700, 465)},
      {w->Tek2DatCmd, "&Save Acq", "Save current data acquisition into 124x",
       Twips(120, 240, 960, 315)},
      {w->Dat2TekCmd, "Load &Acq", "Load current data acquisition into 124x",
       Twips(1120, 240, 960, 315)},
      {w->Dat2RefCmd, "Load &Ref", "Load current data acquisition into 124x",
       Twips(2140, 240, 960, 315)},
      {w->GetDisplay, "Get Data and &Display", "Load current configuration into 124x",
       Twips(120, 600, 2985, 345)},
      {w->Tek2RefCmd, "&Save Ref", "Save current data acquisition into 124x",
       Twips(120, 1200, 960, 315)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(c.button->text().toStdString(), c.caption);
    EXPECT_EQ(c.button->toolTip().toStdString(), c.tip);
    EXPECT_EQ(c.button->parentWidget(), &c - cases < 4 ? w->Frame1 : w->Frame);
    EXPECT_EQ(c.button->geometry(), c.place);
    EXPECT_TRUE(c.button->isEnabled());
  }
  EXPECT_EQ(w->Frame1->title(), "Configuration");
  EXPECT_EQ(w->Frame->title(), "Data");
  EXPECT_EQ(w->Frame1->geometry(), Twips(0, 0, 3200, 1755));
  EXPECT_EQ(w->Frame->geometry(), Twips(0, 1720, 3200, 1005));
  // The reference save button lies below the frame's visible area, at the client's bottom.
  EXPECT_GT(w->Tek2RefCmd->geometry().top(), w->Frame->height());
  EXPECT_EQ(w->Frame->geometry().bottom() + 1, TwipsRect(0, 0, 3195, 2730).height);
  // The simulator's note sits below the designed area and covers none of its controls.
  EXPECT_TRUE(w->SimNote->isVisibleTo(w.get()));
  EXPECT_FALSE(w->SimNote->text().isEmpty());
  EXPECT_GE(w->SimNote->y(), w->Frame->geometry().bottom());
}

TEST_F(WindowTest, LabelsShowIdentificationInTheirColours) {
  const QColor blue(0, 0, 0xff);
  struct Case {
    QLabel* label;
    const char* text;
    QColor colour;
  } cases[] = {{w->Typ, "TEK/1241", QColor(0x80, 0, 0)},
               {w->Lbl[0], "Firmware", blue},
               {w->Lbl[1], "GPIB", blue},
               {w->Ver[0], "2.1", blue},
               {w->Ver[1], "1.4", blue},
               {w->Cnx, "Not connected", Qt::red}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.label->text().toStdString(), c.text);
    EXPECT_EQ(c.label->palette().color(QPalette::WindowText), c.colour) << c.text;
  }
  EXPECT_TRUE(w->Cnx->isHidden());
  const char* cards[] = {" 9 bits card", "18 bits card", "18 bits card", "None"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(w->Cards[i]->text().toStdString(), cards[i]);

  EXPECT_EQ(w->Ver[0]->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_TRUE(w->Ver[0]->autoFillBackground());
  EXPECT_EQ(w->Shape1->palette().color(QPalette::Window), QColor(Qt::white));
  // The white shape is behind the labels it frames.
  EXPECT_LT(w->Frame1->children().indexOf(w->Shape1), w->Frame1->children().indexOf(w->Typ));
  EXPECT_EQ(w->Typ->geometry(), Twips(165, 780, 960, 195));
  EXPECT_EQ(w->Ver[1]->geometry(), Twips(1080, 1200, 345, 255));
  EXPECT_EQ(w->Cards[3]->geometry(), Twips(1680, 1440, 1425, 255));
  EXPECT_EQ(w->Cnx->geometry(), Twips(240, 1440, 1095, 210));

  const QString family = QFontInfo(w->Typ->font()).family();
  EXPECT_TRUE(family == "MS Sans Serif" || family == "Liberation Sans") << family.toStdString();
  EXPECT_EQ(w->font().pointSize(), 8);
  EXPECT_EQ(QFontInfo(w->conf().vVal[0]->font()).family(), family);
}

TEST_F(WindowTest, AccessKeysRunTheirCommands) {
  w->show();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  // A button pressed through its access key clicks itself a moment later.
  QTest::keyClick(w->windowHandle(), Qt::Key_T, Qt::AltModifier);  // Tek. to File
  ASSERT_TRUE(QTest::qWaitFor([&] { return files.requests.size() == 1; }));
  EXPECT_EQ(files.requests[0].title, "Save FULL Configuration");
  QTest::keyClick(w->windowHandle(), Qt::Key_R, Qt::AltModifier);  // Load Ref
  ASSERT_TRUE(QTest::qWaitFor([&] { return files.requests.size() == 2; }));
  EXPECT_EQ(files.requests[1].title, "Load Acquisition");
  QTest::keyClick(w->windowHandle(), Qt::Key_G, Qt::AltModifier);  // GPIB Config.
  EXPECT_TRUE(QTest::qWaitFor([&] { return log.back() == "conf"; }));
}

TEST_F(WindowTest, OperatorRoutesMessagesAndShowsTheBusyPointerOnce) {
  Operator& op = *w;
  EXPECT_EQ(op.message("Data read error", "Local Error", MsgIcon::Information, MsgButtons::Ok),
            MsgAnswer::Ok);
  presenter.answers.push_back(MsgAnswer::Yes);
  EXPECT_EQ(op.message("Save?", "", MsgIcon::Question, MsgButtons::YesNo), MsgAnswer::Yes);
  ASSERT_EQ(presenter.messages.size(), 2u);
  EXPECT_EQ(presenter.messages[0].title, "Local Error");
  EXPECT_EQ(presenter.lastOwner, w.get());

  op.setBusy(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  op.setBusy(true);  // no second layer to undo
  op.message("Checksum Error on Frame:", "", MsgIcon::Critical, MsgButtons::Ok);
  EXPECT_EQ(presenter.lastPointer, Qt::ArrowCursor);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);  // back for the rest
  op.setBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  op.setBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtModalPresenterTest, MessageBoxesCarryTextTitleIconAndButtons) {
  QtModalPresenter presenter;
  struct Seen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* parent = nullptr;
    MsgAnswer answer = MsgAnswer::Ok;
  };
  // Shows a message, notes the box that came up and presses `press` in it.
  auto show = [&presenter](const char* text, const char* title, MsgIcon icon, MsgButtons buttons,
                           QMessageBox::StandardButton press) {
    Seen seen;
    QTimer::singleShot(0, [&seen, press] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
              box->parentWidget()};
      box->button(press)->click();
    });
    seen.answer = presenter.message(nullptr, QString::fromLatin1(text), QString::fromLatin1(title),
                                    icon, buttons);
    return seen;
  };

  Seen seen = show("Cleaning  registry context\r\nPlease", "", MsgIcon::None, MsgButtons::Ok,
                   QMessageBox::Ok);
  EXPECT_EQ(seen.answer, MsgAnswer::Ok);
  EXPECT_EQ(seen.title, "Logirem");
  EXPECT_EQ(seen.text, "Cleaning  registry context\nPlease");
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

  seen = show("Keep?", "GPIB Test", MsgIcon::Critical, MsgButtons::YesNo, QMessageBox::No);
  EXPECT_EQ(seen.answer, MsgAnswer::No);
  EXPECT_EQ(seen.title, "GPIB Test");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);

  // Raised while a modal window is up, the box belongs to that window.
  QDialog modal;
  modal.open();
  seen = show("Test is OK", "GPIB Test", MsgIcon::Information, MsgButtons::Ok, QMessageBox::Ok);
  EXPECT_EQ(seen.parent, &modal);
  EXPECT_EQ(seen.icon, QMessageBox::Information);
  modal.close();

  // A lone CR, as in the missing-driver message, also breaks the line.
  EXPECT_EQ(MessageBoxText(QStringLiteral("a\rb\r\nc")), "a\nb\nc");
}
