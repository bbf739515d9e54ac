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
  QStringList cards;
  for (QLabel* label : w->Cards) cards << label->text();
  EXPECT_EQ(
      w->Typ->text() + ' ' + w->Ver[0]->text() + ' ' + w->Ver[1]->text() + ' ' + cards.join(','),
      "TEK/1241 2.1 1.4  9 bits card,18 bits card,18 bits card,None");
  EXPECT_TRUE(w->Cnx->isHidden());
}

TEST_F(WindowTest, OperatorShowsMessagesWithTheArrowAndTheBusyPointerOnce) {
  Operator& op = *w;
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

// A question raised while a modal window is up belongs to that window; a lone CR, as in the
// missing-driver message, breaks the line like CR LF.
TEST(QtModalPresenterTest, MessageBoxesCarryTextTitleButtonsAndOwner) {
  QDialog modal;
  modal.open();
  QString seen;
  QTimer::singleShot(0, [&seen, &modal] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = box->windowTitle() + '|' + box->text() + (box->parentWidget() == &modal ? "" : "|?");
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(
      QtModalPresenter().message(nullptr, "a\rb\r\nc", "", MsgIcon::Question, MsgButtons::YesNo),
      MsgAnswer::No);
  EXPECT_EQ(seen, "Logirem|a\nb\nc");
}
