// The main window's controls, its identification labels, and the way it answers the link
// and transfer code as their operator.
#include <QDialog>
#include <QMessageBox>

#include "AppHarness.h"
#include "app/QtModalPresenter.h"

TEST_F(WindowTest, ControlsCarryTheirCaptionsTipsAndIdentification) {
  // The first four sit in the configuration frame, the rest in the data frame.
  const std::pair<QPushButton*, const char*> buttons[] = {
      {w->Tek2ConfCmd, "&Tek. to File|Save 124x current configuration to file"},
      {w->Conf2TekCmd, "&File to Tek|Load file configuration into 124x"},
      {w->EditConfig, "&Edit Config.|Configure GPIB parameters"},
      {w->Cnf, "&GPIB Config.|Configure GPIB parameters"},
      {w->Tek2DatCmd, "&Save Acq|Save current data acquisition into 124x"},
      {w->Dat2TekCmd, "Load &Acq|Load current data acquisition into 124x"},
      {w->Dat2RefCmd, "Load &Ref|Load current data acquisition into 124x"},
      {w->GetDisplay, "Get Data and &Display|Load current configuration into 124x"},
      {w->Tek2RefCmd, "&Save Ref|Save current data acquisition into 124x"}};
  for (size_t i = 0; i < std::size(buttons); ++i) {
    QPushButton* b = buttons[i].first;
    EXPECT_EQ((b->text() + '|' + b->toolTip()).toStdString(), buttons[i].second);
    EXPECT_EQ(b->parentWidget(), i < 4 ? w->Frame1 : w->Frame);
  }
  // The reference save button lies below the frame's visible area; the simulator's note
  // below the designed area.
  EXPECT_GT(w->Tek2RefCmd->geometry().top(), w->Frame->height());
  EXPECT_GE(w->SimNote->y(), w->Frame->geometry().bottom());
  EXPECT_TRUE(w->SimNote->isVisibleTo(w.get()));
  QStringList cards;
  for (QLabel* label : w->Cards) cards << label->text();
  EXPECT_EQ(
      w->Typ->text() + ' ' + w->Ver[0]->text() + ' ' + w->Ver[1]->text() + ' ' + cards.join(','),
      "TEK/1241 2.1 1.4  9 bits card,18 bits card,18 bits card,None");
  EXPECT_TRUE(w->Cnx->isHidden());
}

TEST_F(WindowTest, OperatorShowsMessagesWithTheArrowAndTheBusyPointerOnce) {
  Operator& op = *w;
  answers.push_back(MsgAnswer::Yes);
  EXPECT_EQ(op.message("Save?", "", MsgIcon::Question, MsgButtons::YesNo), MsgAnswer::Yes);
  op.setBusy(true);
  op.setBusy(true);  // no second layer to undo
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  op.message("Checksum Error on Frame:", "", MsgIcon::Critical, MsgButtons::Ok);
  EXPECT_EQ(lastPointer, Qt::ArrowCursor);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);  // back for the rest
  op.setBusy(false);
  op.setBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtModalPresenterTest, MessageBoxesCarryTextTitleIconButtonsAndOwner) {
  QtModalPresenter presenter;
  // Shows a message, describes the box that came up and presses `press` in it.
  auto show = [&presenter](const char* text, const char* title, MsgIcon icon, MsgButtons buttons,
                           QMessageBox::StandardButton press, QWidget* owner = nullptr) {
    QString seen;
    QTimer::singleShot(0, [&seen, press, owner] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = box->windowTitle() + '|' + box->text() + '|' + QString::number(box->icon()) + '|' +
             QString::number(box->standardButtons()) + (box->parentWidget() == owner ? "" : "|?");
      box->button(press)->click();
    });
    const MsgAnswer answer = presenter.message(nullptr, QString::fromLatin1(text),
                                               QString::fromLatin1(title), icon, buttons);
    return seen + '|' + QString::number(static_cast<int>(answer));
  };
  const QString ok = QString::number(QMessageBox::Ok),
                yesNo = QString::number(QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(show("Cleaning  \r\nPlease\rdo", "", MsgIcon::None, MsgButtons::Ok, QMessageBox::Ok),
            "Logirem|Cleaning  \nPlease\ndo|0|" + ok + '|' + QString::number(int(MsgAnswer::Ok)));
  EXPECT_EQ(show("Keep?", "GPIB Test", MsgIcon::Critical, MsgButtons::YesNo, QMessageBox::No),
            "GPIB Test|Keep?|3|" + yesNo + '|' + QString::number(int(MsgAnswer::No)));
  // Raised while a modal window is up, the box belongs to that window.
  QDialog modal;
  modal.open();
  EXPECT_EQ(show("OK", "T", MsgIcon::Information, MsgButtons::Ok, QMessageBox::Ok, &modal),
            "T|OK|1|" + ok + '|' + QString::number(int(MsgAnswer::Ok)));
  modal.close();
}
