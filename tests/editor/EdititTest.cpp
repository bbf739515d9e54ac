// The editor window driven as the operator drives it: mouse clicks on the real labels and
// strips, keys and pastes into the label boxes, scrolling of the lists, and both saves on a
// session with the simulated analyser behind it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "editor/ChannelLabel.h"
#include "editor/Editit.h"
#include "editor/GroupLists.h"
#include "editor/LabelBox.h"
#include "editor/OneLineList.h"
#include "editor/StripLabel.h"
#include "editor/Twips.h"
#include "memory/HexCodec.h"
#include "support/SimSession.h"
#include "support/TempDir.h"

namespace {

constexpr QRgb kYellowish = qRgb(255, 255, 192);  // the 9-bit section colour
constexpr QRgb kGreenish = qRgb(192, 255, 192);   // the 18-bit section colour

class EdititTest : public ::testing::Test {
 protected:
  SetupModel setup() { return SetupModel(session.images().SetupMem); }

  void Open(int16_t cards09, int16_t cards18, bool clearGroups = false) {
    session.cards09 = cards09;
    session.cards18 = cards18;
    if (clearGroups) {
      for (int16_t g = 0; g < 10; ++g) setup().SetWidth(g, 0);
    }
    editor.Reload();
    editor.show();
  }

  ChannelLabel* Label(int s, const char* caption) {
    for (int i = 0; i < editor.poolCount(s); ++i) {
      if (editor.poolLabel(s, i)->caption() == QLatin1String(caption)) {
        return editor.poolLabel(s, i);
      }
    }
    ADD_FAILURE() << "no label " << caption;
    return editor.poolLabel(s, 0);
  }

  // The captions standing on strip k of section s, left to right, read from the widgets.
  std::vector<std::string> OnStrip(int s, int k) {
    std::map<int, std::string> byX;
    const int y = editor.strip(s, k)->y();
    for (int i = 0; i < editor.poolCount(s); ++i) {
      const ChannelLabel* l = editor.poolLabel(s, i);
      if (l->y() == y) byX[l->x()] = l->caption().toStdString();
    }
    std::vector<std::string> out;
    for (const auto& [x, caption] : byX) out.push_back(caption);
    return out;
  }

  void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(w, button, {}, QPoint(w->width() / 2, w->height() / 2));
  }
  void ClickStrip(int s, int k, int times = 1) {
    for (int i = 0; i < times; ++i)
      QTest::mouseClick(editor.strip(s, k), Qt::LeftButton, {}, {5, 5});
  }

  static QRgb Background(ChannelLabel* l) { return l->grab().toImage().pixel(1, 1); }
  static int HomeX(int idx) { return Px(ChannelPool::HomeLeft(static_cast<int16_t>(idx))); }

  SimSession session;
  Editit editor{session, nullptr};
};

std::vector<std::string> Captions(std::initializer_list<int> pods, int from, int to) {
  std::vector<std::string> out;
  for (const int pod : pods) {
    for (int ch = from; ch >= to; --ch) out.push_back(std::to_string(pod) + std::to_string(ch));
  }
  return out;
}

TEST_F(EdititTest, DefaultSetupShowsItsGroupsOnTheStrips) {
  Open(1, 2);
  EXPECT_EQ(editor.windowTitle(), "Edit configuration");
  EXPECT_EQ(editor.frame(0)->title(), "9 Bits card(s) groups");
  EXPECT_EQ(editor.frame(1)->title(), "18 Bits card(s) groups");
  EXPECT_EQ(editor.save2Tek()->text(), "Save To &Tek");
  EXPECT_TRUE(editor.save2Tek()->isDefault());

  EXPECT_EQ(OnStrip(0, 0), Captions({0}, 7, 0));
  EXPECT_EQ(OnStrip(0, 1), std::vector<std::string>{"08"});
  for (const int k : {2, 3, 4}) EXPECT_TRUE(OnStrip(0, k).empty());
  EXPECT_EQ(OnStrip(1, 0), Captions({2, 3}, 7, 0));
  EXPECT_EQ(OnStrip(1, 1), Captions({4, 5}, 7, 0));
  EXPECT_EQ(OnStrip(1, 2), (std::vector<std::string>{"28", "38", "48", "58"}));
  for (const int k : {3, 4}) EXPECT_TRUE(OnStrip(1, k).empty());
  EXPECT_EQ(editor.model().Assigned(), 45);
  EXPECT_TRUE(editor.save2Tek()->isEnabled());
  EXPECT_TRUE(editor.save2File()->isEnabled());

  // Labels line up from the strip's left end, one pixel of overlap between neighbours.
  const int left = editor.strip(1, 0)->x();
  EXPECT_EQ(Label(1, "27")->x(), left);
  EXPECT_EQ(Label(1, "37")->x(), left + 8 * 16);
  EXPECT_EQ(Label(1, "37")->width(), 17);

  EXPECT_EQ(editor.labelBox(0)->text(), "GRPA");
  EXPECT_EQ(editor.labelBox(2)->text(), "");
  EXPECT_EQ(editor.labelBox(0)->palette().color(QPalette::Base).rgb(), qRgb(255, 255, 128));
  EXPECT_EQ(editor.labelBox(5)->palette().color(QPalette::Base).rgb(), kGreenish);
  EXPECT_EQ(editor.list(GroupLists::kBase, 2)->currentItem()->text(), "   ");
  EXPECT_EQ(editor.list(GroupLists::kInput, 1)->currentItem()->text(), "BIN");
  EXPECT_EQ(editor.list(GroupLists::kDisplay, 5)->value(), 0);
  // Every placed channel has its polarity bit set: section colour, black text.
  EXPECT_EQ(Background(Label(0, "03")), kYellowish);
  EXPECT_EQ(Label(0, "03")->textColour(), QColor(Qt::black));
  EXPECT_EQ(Background(Label(1, "58")), kGreenish);
  EXPECT_TRUE(Label(1, "58")->bold());
  EXPECT_EQ(editor.strip(1, 4)->toolTip(), "Click to add selected channel");
  EXPECT_EQ(Label(1, "58")->toolTip(),
            "Click left to select or delete this channel and right to change polarity");
}

TEST_F(EdititTest, FourEighteenBitCardsFillTheSecondPoolRow) {
  Open(0, 4);
  ASSERT_EQ(editor.poolCount(1), 72);
  EXPECT_EQ(editor.poolCount(0), 0);
  // Pods 6 and 7 are in no group of the default setup: they stand in the second row.
  for (int idx = 54; idx < 72; ++idx) {
    EXPECT_EQ(editor.poolLabel(1, idx)->y(), Px(2044)) << idx;
    EXPECT_EQ(editor.poolLabel(1, idx)->x(), HomeX(idx)) << idx;
  }
  EXPECT_EQ(editor.poolLabel(1, 71)->caption(), "78");
  EXPECT_EQ(editor.poolLabel(1, 0)->y(), Px(1800));
  EXPECT_EQ(editor.poolLabel(1, 0)->x(), Px(960));
  // No 9-bit card: its section is greyed but still shown.
  EXPECT_FALSE(editor.frame(0)->isEnabled());
  EXPECT_TRUE(editor.frame(0)->isVisible());
  EXPECT_FALSE(editor.labelBox(0)->isEnabled());
  EXPECT_FALSE(editor.strip(0, 0)->isEnabled());
  EXPECT_TRUE(editor.frame(1)->isEnabled());
  EXPECT_TRUE(editor.labelBox(5)->isEnabled());
  EXPECT_EQ(editor.model().Assigned(), 36);
  // Reopened with the card back, the section works again.
  Open(1, 2);
  EXPECT_TRUE(editor.frame(0)->isEnabled());
  EXPECT_TRUE(editor.labelBox(0)->isEnabled());
}

TEST_F(EdititTest, SelectAddAdvanceRemoveAndReselect) {
  Open(1, 2, true);
  EXPECT_EQ(editor.model().Assigned(), 0);
  EXPECT_FALSE(editor.save2Tek()->isEnabled());
  EXPECT_FALSE(editor.save2File()->isEnabled());

  // Fresh start: the automatic advance continues after label 0.
  ClickStrip(0, 4);
  EXPECT_EQ(OnStrip(0, 4), std::vector<std::string>{"01"});
  EXPECT_TRUE(editor.save2Tek()->isEnabled());
  Click(Label(0, "01"));  // removing the only channel stops the advance
  EXPECT_TRUE(OnStrip(0, 4).empty());
  EXPECT_FALSE(editor.save2File()->isEnabled());
  ClickStrip(0, 4);
  EXPECT_TRUE(OnStrip(0, 4).empty());

  // Selecting shows the label in normal weight; a second selection returns the first to bold,
  // and the other section's selection stays.
  Click(Label(1, "30"));
  Click(Label(0, "02"));
  EXPECT_FALSE(Label(0, "02")->bold());
  Click(Label(0, "03"));
  EXPECT_TRUE(Label(0, "02")->bold());
  EXPECT_FALSE(Label(0, "03")->bold());
  Click(Label(0, "03"));
  EXPECT_FALSE(Label(0, "03")->bold());
  EXPECT_FALSE(Label(1, "30")->bold());

  ClickStrip(0, 0);
  EXPECT_TRUE(Label(0, "03")->bold());
  ClickStrip(0, 0, 4);  // 04 05 06 07 follow
  EXPECT_EQ(OnStrip(0, 0), (std::vector<std::string>{"03", "04", "05", "06", "07"}));
  const int x = editor.strip(0, 0)->x();
  EXPECT_EQ(Label(0, "07")->x(), x + 4 * 16);
  EXPECT_EQ(editor.model().Assigned(), 5);

  // Removing the middle label: the last two move one step left; 05 goes home.
  Click(Label(0, "05"));
  EXPECT_EQ(OnStrip(0, 0), (std::vector<std::string>{"03", "04", "06", "07"}));
  EXPECT_EQ(Label(0, "06")->x(), x + 2 * 16);
  EXPECT_EQ(Label(0, "07")->x(), x + 3 * 16);
  EXPECT_EQ(Label(0, "05")->x(), HomeX(5));
  EXPECT_EQ(Label(0, "05")->y(), Px(1800));
  EXPECT_EQ(editor.model().Assigned(), 4);
  EXPECT_EQ(editor.model().section(0).table[0][4], -1);
  ClickStrip(0, 0);  // nothing selected, advance stopped
  EXPECT_EQ(OnStrip(0, 0).size(), 4u);

  // Reselecting 05 and adding it elsewhere; removing while a label is selected keeps it.
  Click(Label(0, "05"));
  ClickStrip(0, 1);
  EXPECT_EQ(OnStrip(0, 1), std::vector<std::string>{"05"});
  Click(Label(0, "08"));
  Click(Label(0, "04"));
  ClickStrip(0, 0);
  EXPECT_EQ(OnStrip(0, 0), (std::vector<std::string>{"03", "06", "07", "08"}));
  ClickStrip(0, 0);  // advance: 8 was the last label of the pool
  EXPECT_EQ(OnStrip(0, 0).size(), 4u);
  EXPECT_EQ(editor.model().Assigned(), 5);

  // The other section is independent.
  ClickStrip(1, 3);
  EXPECT_EQ(OnStrip(1, 3), std::vector<std::string>{"30"});
  ClickStrip(1, 3);
  EXPECT_EQ(OnStrip(1, 3), (std::vector<std::string>{"30", "31"}));
}

TEST_F(EdititTest, LastAddedLabelSurvivesReopening) {
  Open(1, 2, true);
  Click(Label(0, "03"));
  ClickStrip(0, 0);
  Open(1, 2, true);  // everything back in the pool, the advance remembered
  EXPECT_TRUE(OnStrip(0, 0).empty());
  ClickStrip(0, 2);
  EXPECT_EQ(OnStrip(0, 2), std::vector<std::string>{"04"});

  // runModal reloads from the image and comes back when the window is closed through its
  // frame; Escape does not close it.
  setup().SetLabel(3, "NEW");
  bool openAfterEscape = false;
  QTimer::singleShot(0, &editor, [this, &openAfterEscape] {
    QTest::keyClick(&editor, Qt::Key_Escape);
    openAfterEscape = editor.isVisible();
    editor.close();
  });
  EXPECT_EQ(editor.runModal(), QDialog::Rejected);
  EXPECT_TRUE(openAfterEscape);
  EXPECT_EQ(editor.labelBox(3)->text(), "NEW");
  ClickStrip(0, 2);
  EXPECT_EQ(OnStrip(0, 2), std::vector<std::string>{"05"});
}

TEST_F(EdititTest, RightClickTogglesPolarityAtOnce) {
  Open(1, 2);
  ChannelLabel* placed = Label(0, "07");
  const QPoint where = placed->pos();
  Click(placed, Qt::RightButton);
  EXPECT_FALSE(setup().GetPolarity(0, 7));
  EXPECT_EQ(session.images().SetupMem[471], 0x7F);
  EXPECT_EQ(session.images().SetupMem[472], 0x01);
  EXPECT_EQ(Background(placed), qRgb(0, 0, 0));
  EXPECT_EQ(placed->textColour().rgb(), kYellowish);
  EXPECT_EQ(placed->pos(), where);
  EXPECT_EQ(editor.model().Assigned(), 45);
  Click(placed, Qt::RightButton);
  EXPECT_TRUE(setup().GetPolarity(0, 7));
  EXPECT_EQ(Background(placed), kYellowish);
  EXPECT_EQ(placed->textColour(), QColor(Qt::black));

  // An unplaced label with a clear bit keeps the design colours until it is toggled: the
  // first right click sets the bit (no visible change), the second shows it inverted.
  setup().SetPolarity(3, 4, false);
  Open(1, 2, true);
  ChannelLabel* pooled = Label(1, "34");
  const QColor design = pooled->textColour();
  EXPECT_EQ(Background(pooled), kGreenish);
  Click(pooled, Qt::RightButton);
  EXPECT_TRUE(setup().GetPolarity(3, 4));
  EXPECT_EQ(Background(pooled), kGreenish);
  EXPECT_EQ(pooled->textColour(), design);
  EXPECT_EQ(pooled->y(), Px(1800));
  EXPECT_TRUE(pooled->bold());  // not selected
  Click(pooled, Qt::RightButton);
  EXPECT_FALSE(setup().GetPolarity(3, 4));
  EXPECT_EQ(Background(pooled), qRgb(0, 0, 0));
  EXPECT_EQ(pooled->textColour().rgb(), kGreenish);
  // Removing a placed label keeps its colours.
  Click(pooled);
  ClickStrip(1, 0);
  Click(pooled);
  EXPECT_EQ(pooled->y(), Px(1800));
  EXPECT_EQ(Background(pooled), qRgb(0, 0, 0));
}

TEST_F(EdititTest, LabelBoxesTakeUpperCaseLabelCharactersOnly) {
  Open(1, 2);
  LabelBox* box = editor.labelBox(2);
  box->setFocus();
  QTest::keyClicks(box, "a");
  EXPECT_EQ(box->text(), "A");
  EXPECT_EQ(session.op_.beeps, 0);
  QTest::keyClicks(box, "-");
  EXPECT_EQ(box->text(), "A");
  EXPECT_EQ(session.op_.beeps, 1);
  QTest::keyClicks(box, "_");
  EXPECT_EQ(session.op_.beeps, 2);
  QTest::keyClicks(box, " b$");
  EXPECT_EQ(box->text(), "A B$");
  QTest::keyClicks(box, "c");  // a fifth character does not fit
  EXPECT_EQ(box->text(), "A B$");
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text(), "A B");
  EXPECT_EQ(editor.model().group(2).label, "A B");
  // AltGr (Control with Alt on Windows) types characters as well: a refused one is dropped
  // like any other key, and the label stays.
  QKeyEvent altGr(QEvent::KeyPress, Qt::Key_At, Qt::ControlModifier | Qt::AltModifier,
                  QStringLiteral("@"));
  QApplication::sendEvent(box, &altGr);
  EXPECT_EQ(box->text(), "A B");
  EXPECT_EQ(session.op_.beeps, 3);

  box->clear();
  QApplication::clipboard()->setText("ab#");
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(box->text(), "");
  EXPECT_EQ(session.op_.beeps, 4);
  EXPECT_EQ(editor.model().group(2).label, "");
  QApplication::clipboard()->setText("ab");
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(box->text(), "AB");
  EXPECT_EQ(editor.model().group(2).label, "AB");
  EXPECT_EQ(session.op_.beeps, 4);
}

TEST_F(EdititTest, ListValueIsTheItemInItsLine) {
  setup().SetGroupByte(1, SetupModel::kDisplayRadix, 9);  // past the last item
  Open(1, 2);
  OneLineList* dis = editor.list(GroupLists::kDisplay, 1);
  EXPECT_EQ(dis->value(), 6);
  EXPECT_EQ(dis->currentItem()->text(), "ROM");
  EXPECT_EQ(dis->itemAt(2, 2)->text(), "ROM");

  OneLineList* inp = editor.list(GroupLists::kInput, 0);
  EXPECT_EQ(inp->value(), 0);
  inp->setFocus();
  QTest::keyClick(inp, Qt::Key_Down);
  EXPECT_EQ(inp->value(), 1);
  EXPECT_EQ(inp->itemAt(2, 2)->text(), "OCT");
  EXPECT_EQ(editor.model().group(0).input, 1);
  QTest::keyClick(inp, Qt::Key_Down);
  QTest::keyClick(inp, Qt::Key_Down);  // already at the last item
  EXPECT_EQ(inp->value(), 2);
  EXPECT_EQ(inp->currentItem()->text(), "BIN");

  // One wheel notch moves one item.
  OneLineList* tba = editor.list(GroupLists::kBase, 5);
  QWheelEvent down(QPointF(5, 5), tba->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(tba->viewport(), &down);
  EXPECT_EQ(tba->value(), 1);
  EXPECT_EQ(tba->currentItem()->text(), "T2");
  EXPECT_EQ(editor.model().group(5).base, 1);

  // The scroll bar.
  OneLineList* dis6 = editor.list(GroupLists::kDisplay, 6);
  dis6->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  dis6->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(dis6->value(), 2);
  EXPECT_EQ(dis6->currentItem()->text(), "BIN");
  EXPECT_EQ(editor.model().group(6).display, 2);
}

TEST_F(EdititTest, ThirtyFourthChannelIsRefusedWithTheBeep) {
  Open(0, 4, true);
  Click(editor.poolLabel(1, 0));
  ClickStrip(1, 0, 33);
  EXPECT_EQ(editor.model().RowLength(1, 0), 33);
  EXPECT_EQ(session.op_.beeps, 0);
  ClickStrip(1, 0);
  EXPECT_EQ(session.op_.beeps, 1);
  EXPECT_EQ(editor.model().RowLength(1, 0), 33);
  EXPECT_EQ(editor.poolLabel(1, 33)->y(), Px(1800));
  // A selected label is refused too, and stays selected for another group.
  Click(editor.poolLabel(1, 40));
  ClickStrip(1, 0);
  EXPECT_EQ(session.op_.beeps, 2);
  ClickStrip(1, 1);
  EXPECT_EQ(OnStrip(1, 1), std::vector<std::string>{"44"});
  // The advance still continues after the last added label.
  ClickStrip(1, 1);
  EXPECT_EQ(OnStrip(1, 1), (std::vector<std::string>{"44", "45"}));
  Click(editor.save2Tek());
  EXPECT_EQ(setup().GetWidth(5), 33);
  EXPECT_EQ(setup().GetDigits(5), 9);
  EXPECT_EQ(setup().GetChanMap(32), 35);  // label 32: card 1, pod 3 channel 5
}

TEST_F(EdititTest, SaveToTekSendsTheEditedImage) {
  Open(1, 2);
  // Group 3 gets a label, T2, OCT and three channels from the end of group 0.
  editor.labelBox(3)->setFocus();
  QTest::keyClicks(editor.labelBox(3), "bus");
  QTest::keyClick(editor.list(GroupLists::kBase, 3), Qt::Key_Up);  // from the blank item
  editor.list(GroupLists::kInput, 3)->setFocus();
  QTest::keyClick(editor.list(GroupLists::kInput, 3), Qt::Key_Down);
  for (const char* c : {"02", "01", "00"}) {
    Click(Label(0, c));
    Click(Label(0, c));
    ClickStrip(0, 3);
  }
  ASSERT_EQ(OnStrip(0, 3), (std::vector<std::string>{"02", "01", "00"}));
  Click(editor.save2Tek());
  EXPECT_EQ(session.mem2TekCalls, 1);
  EXPECT_EQ(session.mem2FileCalls, 0);

  SetupModel tek(session.analyser().setupMemory());
  EXPECT_EQ(tek.GetLabel(3), "BUS ");
  EXPECT_EQ(tek.GetBase(3), 1);
  EXPECT_EQ(tek.GetInputRadix(3), 1);
  EXPECT_EQ(tek.GetWidth(0), 5);
  EXPECT_EQ(tek.GetWidth(3), 3);
  EXPECT_EQ(tek.GetFirst(3), 6);
  EXPECT_EQ(tek.GetDigits(3), 1);
  EXPECT_EQ(tek.GetColumn(3), 10);
  EXPECT_EQ(tek.GetColumn(5), 15);
  EXPECT_EQ(tek.GetFirst(5), 9);
  EXPECT_EQ(tek.GetChanMap(5), 8);  // group 1
  EXPECT_EQ(tek.GetChanMap(6), 2);  // group 3, most significant first
  EXPECT_EQ(tek.GetChanMap(8), 0);
  EXPECT_EQ(tek.GetChanMap(45), 90);
  // The analyser now holds exactly the image the editor wrote.
  const auto& mem = session.images().SetupMem;
  EXPECT_TRUE(std::equal(mem.begin(), mem.begin() + session.images().SetupLen,
                         session.analyser().setupMemory().begin()));
  // The window keeps its state and can save again.
  EXPECT_EQ(editor.model().Assigned(), 45);
  Click(editor.save2Tek());
  EXPECT_EQ(session.mem2TekCalls, 2);
}

TEST_F(EdititTest, SaveToFileWritesTheFramesOfTheEditedImage) {
  TempDir dir;
  Open(1, 2);
  Click(Label(1, "58"));  // off group 7
  session.saveAs = dir.file("edited.cnf");
  Click(editor.save2File());
  EXPECT_EQ(session.mem2FileCalls, 1);
  EXPECT_EQ(session.mem2TekCalls, 0);

  std::ifstream in(session.saveAs, std::ios::binary);
  ASSERT_TRUE(in);
  std::string line;
  std::getline(in, line);
  std::array<uint8_t, kSetupImageSize> decoded{};
  const int16_t n = Hex2Mem(line, decoded, kSetupBase, nullptr);
  EXPECT_EQ(n, session.images().SetupLen);
  SetupModel file(decoded);
  EXPECT_EQ(file.GetWidth(7), 3);
  EXPECT_EQ(file.GetDigits(7), 3);  // binary
  EXPECT_EQ(file.GetChanMap(43), 48);
  EXPECT_EQ(file.GetChanMap(44), 90);
  EXPECT_EQ(file.GetLabel(0), "GRPA");
  const auto& mem = session.images().SetupMem;
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.begin() + n, mem.begin()));

  // A cancelled dialog writes nothing and the editor carries on.
  session.saveAs.clear();
  Click(editor.save2File());
  EXPECT_EQ(session.mem2FileCalls, 2);
  EXPECT_EQ(editor.model().Assigned(), 44);
}

}  // namespace

namespace {

// The window opens below its owner, or above it when below would leave the screen.
TEST(EdititPlacementTest, OpensBelowOrAboveTheMainWindow) {
  SimSession session;
  QWidget owner;
  owner.show();
  Editit editor(session, &owner);
  const int screenHeight = owner.screen()->geometry().height();
  const auto openedAt = [&] {
    QPoint at;
    QTimer::singleShot(0, &editor, [&] {
      at = editor.pos();
      editor.close();
    });
    editor.runModal();
    return at;
  };
  owner.setGeometry(30, 10, 400, 100);
  const QRect main = owner.frameGeometry();
  EXPECT_EQ(openedAt(), QPoint(main.left() + Px(100), main.bottom() + 1 + Px(20)));

  owner.setGeometry(30, screenHeight - 150, 400, 100);
  const QRect low = owner.frameGeometry();
  EXPECT_EQ(openedAt(),
            QPoint(low.left() + Px(100), low.top() - editor.frameGeometry().height() - Px(20)));
}

}  // namespace
