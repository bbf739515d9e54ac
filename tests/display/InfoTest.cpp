// The title and notes dialog: kept texts, refreshed however it closes, CR LF notes, layout.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/Info.h"

namespace {

// Shows the dialog modally and lets `act` work on it while it is up.
void ShowAndDo(Info& info, QWidget* owner, std::function<void(Info&)> act) {
  QTimer::singleShot(0, [&info, act] { act(info); });
  info.showModal(owner);
}

TEST(InfoDialog, CaptionLabelsAndLayout) {
  Info info;
  EXPECT_EQ(info.windowTitle(), "Informations");
  QStringList bold;
  for (QLabel* label : info.findChildren<QLabel*>()) {
    if (label->font().bold()) bold << label->text();
  }
  bold.sort();
  EXPECT_EQ(bold, QStringList({"NOTES", "TITLE"}));
  EXPECT_EQ(info.TitleData->geometry(), QRect(8, 16, 425, 19));
  EXPECT_EQ(info.NotesData->geometry(), QRect(8, 56, 425, 105));
  EXPECT_EQ(info.OK->text(), "&OK");
  EXPECT_EQ(info.OK->geometry().topLeft(), QPoint(384, 168));
  EXPECT_EQ(info.title(), "");
  EXPECT_EQ(info.notes(), "");
}

TEST(InfoDialog, TextsAreKeptAndRefreshedOnEveryClose) {
  QWidget owner;
  owner.setGeometry(200, 150, 500, 400);
  owner.show();
  Info info;
  info.setTitle("Run 1");
  info.setNotes("one\r\ntwo");
  QPoint shownAt;
  ShowAndDo(info, &owner, [&](Info& i) {
    shownAt = i.frameGeometry().topLeft();
    EXPECT_EQ(i.TitleData->selectedText(), "Run 1");  // typing replaces the title
    EXPECT_EQ(i.NotesData->toPlainText(), "one\ntwo");
    i.NotesData->setPlainText("first\nsecond\nthird");
    i.OK->click();
  });
  EXPECT_EQ(shownAt, owner.frameGeometry().topLeft() + QPoint(6, 26));
  EXPECT_EQ(info.notes(), "first\r\nsecond\r\nthird");
  EXPECT_EQ(info.title(), "Run 1");

  // Shown again without writing: the texts of the first showing. Closed by the window's
  // close box: the edits count just the same.
  ShowAndDo(info, &owner, [](Info& i) {
    EXPECT_EQ(i.NotesData->toPlainText(), "first\nsecond\nthird");
    QTest::keyClicks(i.TitleData, "Run 2");
    i.close();
  });
  EXPECT_EQ(info.title(), "Run 2");

  // Escape closes it too, and a cleared title reads back empty.
  ShowAndDo(info, &owner, [](Info& i) {
    i.TitleData->clear();
    QTest::keyClick(&i, Qt::Key_Escape);
  });
  EXPECT_EQ(info.title(), "");
  EXPECT_EQ(info.notes(), "first\r\nsecond\r\nthird");
}

}  // namespace
