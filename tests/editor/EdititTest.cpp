// The editor window driven as the operator drives it: mouse clicks on the real labels and
// strips, keys and pastes into the label boxes, scrolling of the lists, and both saves on a
// session with the simulated analyser behind it.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <filesystem>
#include <map>

#include "editor/ChannelLabel.h"
#include "editor/Editit.h"
#include "editor/GroupLists.h"
#include "editor/LabelBox.h"
#include "editor/OneLineList.h"
#include "editor/StripLabel.h"
#include "editor/Twips.h"
#include "memory/DataFiles.h"
#include "support/SimSession.h"
#include "support/TempDir.h"

namespace {
using Captions = std::vector<std::string>;
constexpr QRgb kYellowish = qRgb(255, 255, 192), kGreenish = qRgb(192, 255, 192),
               kBlack = 0xFF000000;

// Channels 7 down to 0 of each pod, as a group of the default setup lists them.
Captions Pods(std::initializer_list<int> pods) {
  Captions out;
  for (const int pod : pods) {
    for (int ch = 7; ch >= 0; --ch) out.push_back(std::to_string(pod) + std::to_string(ch));
  }
  return out;
}

class EdititTest : public ::testing::Test {
 protected:
  void Open(int16_t cards09, int16_t cards18, bool clearGroups = false) {
    session.cards09 = cards09;
    session.cards18 = cards18;
    for (int16_t g = 0; g < 10 && clearGroups; ++g) setup.SetWidth(g, 0);
    editor.Reload();
    editor.show();
  }
  ChannelLabel* Label(int s, const char* caption) {
    for (int i = 0; i < editor.poolCount(s); ++i) {
      if (editor.poolLabel(s, i)->caption() == QLatin1String(caption))
        return editor.poolLabel(s, i);
    }
    ADD_FAILURE() << "no label " << caption;
    return editor.poolLabel(s, 0);
  }
  // The captions standing on strip k of section s, left to right, read from the widgets.
  Captions OnStrip(int s, int k) {
    std::map<int, std::string> byX;
    for (int i = 0; i < editor.poolCount(s); ++i) {
      const ChannelLabel* l = editor.poolLabel(s, i);
      if (l->y() == editor.strip(s, k)->y()) byX[l->x()] = l->caption().toStdString();
    }
    Captions out;
    for (const auto& [x, caption] : byX) out.push_back(caption);
    return out;
  }
  static void Click(QWidget* w, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseClick(w, b); }
  void ClickStrip(int s, int k, int times = 1) {
    for (int i = 0; i < times; ++i) Click(editor.strip(s, k));
  }
  // The background pixel inside the border and the text colour.
  static std::pair<QRgb, QRgb> Look(ChannelLabel* l) {
    return {l->grab().toImage().pixel(1, 1), l->textColour().rgb()};
  }
  bool SaveEnabled() { return editor.save2Tek()->isEnabled() && editor.save2File()->isEnabled(); }

  SimSession session;
  SetupModel setup{session.images().SetupMem};
  QWidget owner;  // the main window
  Editit editor{session, &owner};
};

// A placed channel shows its polarity bit: set, section colour on black text; clear, the
// reverse.
TEST_F(EdititTest, DefaultSetupShowsItsGroupsOnTheStrips) {
  setup.SetPolarity(0, 3, false);
  Open(1, 2);
  const Captions strips[10] = {
      Pods({0}), {"08"}, {}, {}, {}, Pods({2, 3}), Pods({4, 5}), {"28", "38", "48", "58"}, {}, {}};
  for (int g = 0; g < 10; ++g) EXPECT_EQ(OnStrip(g / 5, g % 5), strips[g]) << "group " << g;
  // Labels stand in front of the strip, so a click on one reaches the label.
  EXPECT_EQ(editor.frame(1)->childAt(Label(1, "37")->geometry().center()), Label(1, "37"));
  EXPECT_EQ((std::tuple(editor.labelBox(0)->text(),
                        editor.labelBox(0)->palette().color(QPalette::Base).rgb(),
                        editor.labelBox(5)->palette().color(QPalette::Base).rgb(),
                        editor.list(GroupLists::kBase, 2)->currentItem()->text(),
                        editor.list(GroupLists::kInput, 1)->currentItem()->text())),
            (std::tuple(QString("GRPA"), qRgb(255, 255, 128), kGreenish, QString("   "),
                        QString("BIN"))));
  EXPECT_EQ(Look(Label(0, "03")), std::pair(kBlack, kYellowish));
  EXPECT_EQ(Look(Label(1, "58")), std::pair(kGreenish, kBlack));
  EXPECT_EQ(editor.strip(1, 4)->toolTip() + "|" + Label(1, "58")->toolTip(),
            "Click to add selected channel|Click left to select or delete this channel and right "
            "to change polarity");
}

// Labels stand 16 px apart with 6 more between pods, 36 to a row, rows at 120 and 136; a
// section without cards is greyed until reopened with a card.
TEST_F(EdititTest, PoolStandsInBlocksOfNinePerPodAndMissingCardsGreyTheirSection) {
  Open(0, 4, true);
  ASSERT_EQ(editor.poolCount(1), 72);
  for (int i = 0; i < 72; ++i) {
    const int c = i % 36;
    EXPECT_EQ(std::pair(editor.poolLabel(1, i)->caption(), editor.poolLabel(1, i)->pos()),
              std::pair(QString("%1%2").arg(i / 9).arg(i % 9),
                        QPoint(64 + 16 * c + 6 * (c / 9), 120 + 16 * (i / 36))));
  }
  EXPECT_FALSE(editor.frame(0)->isEnabled() || editor.labelBox(0)->isEnabled());
  EXPECT_TRUE(editor.labelBox(5)->isEnabled());
  Open(1, 2);
  EXPECT_TRUE(editor.frame(0)->isEnabled() && editor.labelBox(0)->isEnabled());
}

// The automatic advance continues after label 0 on a fresh start and, after reopening, after
// the last label added; removing the only channel stops it. The selected label shows in normal
// weight, the other section's selection stays; a removed label goes home and the ones right of
// it move one step left.
TEST_F(EdititTest, SelectAddAdvanceRemoveAndReselect) {
  Open(1, 2, true);
  EXPECT_FALSE(editor.save2Tek()->isEnabled() || editor.save2File()->isEnabled());
  ClickStrip(0, 4);
  EXPECT_EQ(OnStrip(0, 4), Captions{"01"});
  EXPECT_TRUE(SaveEnabled());
  Open(1, 2, true);
  ClickStrip(0, 4);
  EXPECT_EQ(OnStrip(0, 4), Captions{"02"});
  Click(Label(0, "02"));
  EXPECT_FALSE(editor.save2File()->isEnabled());
  ClickStrip(0, 4);
  EXPECT_TRUE(OnStrip(0, 4).empty());
  for (const char* c : {"30", "02", "03"}) Click(Label(c[0] == '3' ? 1 : 0, c));
  EXPECT_TRUE(Label(0, "02")->bold());
  EXPECT_FALSE(Label(0, "03")->bold() || Label(1, "30")->bold());
  ClickStrip(0, 0, 5);  // 03, then 04 05 06 07 follow
  EXPECT_TRUE(Label(0, "03")->bold());
  Click(Label(0, "05"));
  EXPECT_EQ(OnStrip(0, 0), (Captions{"03", "04", "06", "07"}));
  EXPECT_EQ(Label(0, "07")->x(), editor.strip(0, 0)->x() + 3 * 16);
  EXPECT_EQ(Label(0, "05")->pos(), QPoint(144, 120));
  ClickStrip(0, 0);     // nothing selected, advance stopped
  ClickStrip(1, 3, 2);  // the other section is independent
  EXPECT_EQ(OnStrip(0, 0), (Captions{"03", "04", "06", "07"}));
  EXPECT_EQ(OnStrip(1, 3), (Captions{"30", "31"}));
}

// A right click flips the bit at once. An unplaced label with a clear bit keeps the design
// colours until toggled: the first right click sets the bit (no visible change), the second
// shows it inverted, and so it stays when placed and removed again.
TEST_F(EdititTest, RightClickTogglesPolarityAtOnce) {
  setup.SetPolarity(3, 4, false);
  Open(1, 2, true);
  ChannelLabel* pooled = Label(1, "34");
  const QPoint home = pooled->pos();
  EXPECT_EQ(Look(pooled).first, kGreenish);
  Click(pooled, Qt::RightButton);
  EXPECT_EQ(std::tuple(setup.GetPolarity(3, 4), Look(pooled).first, pooled->bold(), pooled->pos()),
            std::tuple(true, kGreenish, true, home));  // not selected, not moved
  Click(pooled, Qt::RightButton);
  Click(pooled);
  ClickStrip(1, 0);
  Click(pooled);
  EXPECT_EQ(std::tuple(setup.GetPolarity(3, 4), pooled->pos(), Look(pooled)),
            std::tuple(false, home, std::pair(kBlack, kGreenish)));
}

// Refused keys beep; a fifth character does not fit; AltGr (Control with Alt on Windows) types
// characters as well, and a refused one is dropped like any other key. A pasted text is taken
// whole or not at all.
TEST_F(EdititTest, LabelBoxesTakeUpperCaseLabelCharactersOnly) {
  Open(1, 2);
  LabelBox* box = editor.labelBox(2);
  box->setFocus();
  for (const auto& [keys, text, beeps] : {std::tuple{"a", "A", 0},
                                          {"-", "A", 1},
                                          {"_", "A", 2},
                                          {" b$", "A B$", 2},
                                          {"c", "A B$", 2}}) {
    QTest::keyClicks(box, keys);
    EXPECT_EQ(std::pair(box->text(), session.op_.beeps), std::pair(QString(text), beeps)) << keys;
  }
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(editor.model().group(2).label, "A B");
  QKeyEvent altGr(QEvent::KeyPress, Qt::Key_At, Qt::ControlModifier | Qt::AltModifier,
                  QStringLiteral("@"));
  QApplication::sendEvent(box, &altGr);
  EXPECT_EQ(std::pair(box->text(), session.op_.beeps), std::pair(QString("A B"), 3));
  box->clear();
  for (const auto& [pasted, text, beeps] : {std::tuple{"ab#", "", 4}, {"ab", "AB", 4}}) {
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(std::pair(editor.model().group(2).label, session.op_.beeps),
              std::pair(std::string(text), beeps))
        << pasted;
  }
}

// The value is the item in the list's line: keys, one wheel notch and one step of the scroll
// bar each move one item, and stop at the last; a value past the last item shows the last.
TEST_F(EdititTest, ListValueIsTheItemInItsLine) {
  setup.SetGroupByte(1, SetupModel::kDisplayRadix, 9);
  Open(1, 2);
  const auto shown = [](OneLineList* l) { return l->itemAt(2, 2)->text(); };
  OneLineList* dis1 = editor.list(GroupLists::kDisplay, 1);
  EXPECT_EQ(shown(dis1), "ROM");
  dis1->resize(dis1->width(), 3 * dis1->height());  // laying the list out again keeps it
  dis1->resize(dis1->width(), dis1->height() / 3);
  EXPECT_EQ(editor.model().group(1).display, 6);
  OneLineList* inp = editor.list(GroupLists::kInput, 0);
  for (const char* item : {"OCT", "BIN", "BIN"}) {
    QTest::keyClick(inp, Qt::Key_Down);
    EXPECT_EQ(shown(inp), item);
  }
  EXPECT_EQ(editor.model().group(0).input, 2);
  OneLineList* tba = editor.list(GroupLists::kBase, 5);
  QWheelEvent down(QPointF(5, 5), tba->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(tba->viewport(), &down);
  EXPECT_EQ(std::pair(shown(tba), editor.model().group(5).base),
            std::pair(QString("T2"), int16_t{1}));
}

// Saving writes the groups packed in order; an empty group keeps its label but saves its lists
// as blank, HEX, HEX. Groups 2 and 3 get a label, T2 and OCT, group 2 also display OCT; group 3
// takes three channels from the end of group 0. The window keeps its state: a further edit goes
// to a file; a cancelled dialog writes nothing and the editor carries on.
TEST_F(EdititTest, BothSavesWriteTheEditedImage) {
  Open(1, 2);
  for (const auto& [g, label] : {std::pair{2, "x"}, {3, "bus"}}) {
    QTest::keyClicks(editor.labelBox(g), label);
    QTest::keyClick(editor.list(GroupLists::kBase, g), Qt::Key_Up);
    QTest::keyClick(editor.list(GroupLists::kInput, g), Qt::Key_Down);
  }
  QTest::keyClick(editor.list(GroupLists::kDisplay, 2), Qt::Key_Down);
  for (const char* c : {"02", "01", "00"}) {
    Click(Label(0, c));
    Click(Label(0, c));
    ClickStrip(0, 3);
  }
  Click(editor.save2Tek());
  const SetupModel tek(session.analyser().setupMemory());
  // First position, width, base, input and display radix of a group.
  for (const auto& [g, record] : {std::pair<int16_t, std::array<int, 5>>{0, {0, 5, 0, 0, 0}},
                                  {2, {0, 0, 2, 0, 0}},
                                  {3, {6, 3, 1, 1, 0}},
                                  {5, {9, 16, 0, 0, 0}}}) {
    EXPECT_EQ((std::array<int, 5>{tek.GetFirst(g), tek.GetWidth(g), tek.GetBase(g),
                                  tek.GetInputRadix(g), tek.GetDisplayRadix(g)}),
              record)
        << g;
  }
  EXPECT_EQ(tek.GetLabel(2) + tek.GetLabel(3), "X   BUS ");
  EXPECT_EQ(
      (std::array{tek.GetChanMap(5), tek.GetChanMap(6), tek.GetChanMap(8), tek.GetChanMap(45)}),
      (std::array<int16_t, 4>{8, 2, 0, 90}));  // group 1, group 3 from its top bit, unused
  TempDir dir;
  Click(Label(1, "58"));  // off group 7
  session.saveAs = dir.file("edited.cnf");
  Click(editor.save2File());
  MemoryImages read;
  ASSERT_TRUE(ReadFile(session.saveAs, read, 1, nullptr));
  EXPECT_EQ(SetupModel(read.SetupMem).GetWidth(7), 3);
  session.saveAs.clear();
  Click(editor.save2File());
  Click(editor.save2Tek());
  EXPECT_EQ(std::tuple(session.mem2FileCalls, session.mem2TekCalls, editor.model().Assigned()),
            std::tuple(2, 2, 44));
}

// runModal reloads from the image and opens the window below its owner, or above it when below
// would leave the screen, never above the screen's top. Escape does not close it.
TEST_F(EdititTest, RunModalReloadsAndOpensBelowOrAboveTheMainWindow) {
  owner.show();
  const auto openedAt = [this] {
    QPoint at;
    QTimer::singleShot(0, &editor, [this, &at] {
      QTest::keyClick(&editor, Qt::Key_Escape);
      EXPECT_TRUE(editor.isVisible());
      at = editor.pos();
      editor.close();
    });
    EXPECT_EQ(editor.runModal(), QDialog::Rejected);
    return at;
  };
  setup.SetLabel(3, "NEW");
  owner.setGeometry(30, 10, 400, 100);
  const QRect main = owner.frameGeometry();
  EXPECT_EQ(openedAt(), QPoint(main.left() + Px(100), main.bottom() + 1 + Px(20)));
  EXPECT_EQ(editor.labelBox(3)->text(), "NEW");
  owner.setGeometry(30, owner.screen()->geometry().height() - 150, 400, 100);
  const QRect low = owner.frameGeometry();
  EXPECT_EQ(openedAt(),
            QPoint(low.left() + Px(100), low.top() - editor.frameGeometry().height() - Px(20)));
  const int h = editor.frameGeometry().height();
  owner.setGeometry(30, h / 2, 400, owner.screen()->geometry().height() - h);
  EXPECT_EQ(openedAt().y(), owner.screen()->geometry().top());
}

}  // namespace

// Closing with edits neither saved nor sent asks "Save the changes?": Cancel, and Save with
// the save dialog cancelled, keep the window and the edit; Save writes the file, Discard
// drops it; a send, a save or no edit at all closes without asking.
TEST_F(EdititTest, ClosingWithUnsavedEditsAsksToSaveThem) {
  TempDir dir;
  const std::string file = dir.file("closing.cnf");
  struct Case {
    const char* edit;  // "pool": a channel taken off its strip, "label", "tek", "file", ""
    QMessageBox::StandardButton answer;
    const char* saveAs;
    bool asked, closed, written;
  } cases[] = {
      {"pool", QMessageBox::Cancel, "", true, false, false},
      {"label", QMessageBox::Save, "", true, false, false},
      {"label", QMessageBox::Save, "closing.cnf", true, true, true},
      {"pool", QMessageBox::Discard, "", true, true, false},
      {"tek", QMessageBox::Cancel, "", false, true, false},
      {"file", QMessageBox::Cancel, "other.cnf", false, true, false},
      {"", QMessageBox::Cancel, "", false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.edit) + " " + std::to_string(&c - cases));
    std::filesystem::remove(file);
    Open(1, 2);
    const std::string edit = c.edit;
    if (edit == "label") QTest::keyClicks(editor.labelBox(2), "x");
    if (edit != "label" && !edit.empty()) Click(Label(1, "58"));
    session.saveAs = *c.saveAs != 0 ? dir.file(c.saveAs) : std::string();
    if (edit == "tek") Click(editor.save2Tek());
    if (edit == "file") Click(editor.save2File());
    QString asked;
    QTimer answer;  // lives only as long as this case
    answer.setSingleShot(true);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        asked = box->text();
        box->button(c.answer)->click();
      }
    });
    answer.start(0);
    editor.close();
    EXPECT_EQ(asked, c.asked ? "Save the changes?" : "");
    EXPECT_EQ(editor.isVisible(), !c.closed);
    EXPECT_EQ(std::filesystem::exists(file), c.written);
    editor.hide();
  }
}
