// The title and notes dialog: shown beside its owner, its texts kept and taken back however
// it closes, notes with CR LF line ends. (OK is driven by the printing tests.)
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "app/Info.h"

TEST(InfoDialog, TextsAreKeptAndTakenBackOnEveryClose) {
  QWidget owner;
  owner.setGeometry(200, 150, 500, 400);
  owner.show();
  Info info;
  EXPECT_EQ(info.windowTitle(), "Informations");
  info.setTitle("Run 1");
  info.setNotes("one\r\ntwo");
  QPoint shownAt;
  QTimer::singleShot(0, [&] {
    shownAt = info.frameGeometry().topLeft();
    EXPECT_EQ(info.TitleData->selectedText(), "Run 1");  // typing replaces the title
    EXPECT_EQ(info.NotesData->toPlainText(), "one\ntwo");
    QTest::keyClicks(info.TitleData, "Run 2");
    info.NotesData->setPlainText("first\nsecond");
    info.close();  // the window's close box
  });
  info.showModal(&owner);
  EXPECT_EQ(shownAt, owner.frameGeometry().topLeft() + QPoint(6, 26));
  EXPECT_EQ(info.title(), "Run 2");
  EXPECT_EQ(info.notes(), "first\r\nsecond");

  QTimer::singleShot(0, [&] {
    info.TitleData->clear();
    QTest::keyClick(&info, Qt::Key_Escape);
  });
  info.showModal(&owner);
  EXPECT_EQ(info.title(), "");
  EXPECT_EQ(info.notes(), "first\r\nsecond");
}
