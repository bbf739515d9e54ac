// The display on the simulated analyser: the program's own default images, and the display
// order written back into the analyser's setup memory through the real transfer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <algorithm>

#include "app/Info.h"
#include "display/DisplayCanvas.h"
#include "display/DisplayIt.h"
#include "model/SetupModel.h"
#include "support/SimSession.h"

namespace {

struct SimWindow {
  SimSession session;
  Info info;
  DisplayIt display{session, info, nullptr};
  SimWindow() { display.BuildView(); }
  void click(int x, int y) {
    QTest::mouseClick(display.canvas(), Qt::RightButton, Qt::NoModifier, QPoint(x, y));
  }
  // GRPA07 (line 0) goes below CTL100 (line 8).
  void moveFirstLineDown() {
    click(10, 10);
    click(10, 182);
  }
  bool sentConfiguration() {
    const auto& t = session.analyser().transcript();
    return std::any_of(t.begin(), t.end(), [](const std::string& call) {
      return call.find("INSET ") != std::string::npos;
    });
  }
};

TEST(DisplayOnSimulatedAnalyser, DefaultImagesBuildTheDocumentedView) {
  SimWindow w;
  const DisplayView& v = w.display.view();
  EXPECT_EQ(v.LastLine, 44);
  EXPECT_EQ(v.LastSample, 512);
  EXPECT_EQ(v.TriggerText, "TRIG@5120ns");
  EXPECT_EQ(w.display.panelText(2), "TRIG@5120ns");
  EXPECT_TRUE(v.Matched);
  EXPECT_EQ(v.Name(0, false), "GRPA07");
  EXPECT_EQ(v.Name(0, true), "Pod0.7");

  // The demonstration capture draws waveforms in every row of the first page.
  const QImage& picture = w.display.picture();
  for (int row = 0; row < 24; ++row) {
    int lit = 0;
    for (int y = 20 * row + 1; y <= 20 * (row + 1); ++y) {
      for (int x = 55; x < 780; ++x) {
        const QColor c = picture.pixelColor(x, y);
        lit += (c == DisplayDrawing::kWhite || c == DisplayDrawing::kRed) ? 1 : 0;
      }
    }
    if (w.display.view().LineTable[static_cast<size_t>(row)].code / 10 == 0)
      continue;  // pod 0 starts later
    EXPECT_GT(lit, 100) << "row " << row;
  }

  w.session.cnf = false;
  w.display.BuildView();
  EXPECT_FALSE(w.display.view().Matched);
  EXPECT_EQ(w.display.view().Name(9, false), "Pod2.0");
}

TEST(DisplayOnSimulatedAnalyser, WriteBackYesReachesTheAnalyser) {
  SimWindow w;
  const auto before = w.session.analyser().setupMemory();
  w.moveFirstLineDown();
  w.session.op_.answers = {MsgAnswer::Yes};
  w.display.done(QDialog::Rejected);
  ASSERT_EQ(w.session.op_.messages.size(), 1u);
  EXPECT_EQ(w.session.op_.messages[0].text, "Do you want to update analyser display order ?");
  EXPECT_EQ(w.session.mem2TekCalls, 1);
  EXPECT_TRUE(w.sentConfiguration());
  SetupModel analyser(w.session.analyser().setupMemory());
  SetupModel original(const_cast<std::array<uint8_t, kSetupImageSize>&>(before));
  for (int16_t i = 0; i < 8; ++i) {
    EXPECT_EQ(analyser.GetOrderGroup(i), original.GetOrderGroup(static_cast<int16_t>(i + 1)));
    EXPECT_EQ(analyser.GetOrderBit(i), original.GetOrderBit(static_cast<int16_t>(i + 1)));
  }
  EXPECT_EQ(analyser.GetOrderGroup(8), 0);
  EXPECT_EQ(analyser.GetOrderBit(8), 7);
  EXPECT_EQ(analyser.GetOrderBGroup(8), 0);
  EXPECT_EQ(analyser.GetOrderBBit(8), 7);
  for (int16_t i = 9; i < 72; ++i) {
    EXPECT_EQ(analyser.GetOrderGroup(i), original.GetOrderGroup(i)) << i;
  }
}

TEST(DisplayOnSimulatedAnalyser, PodNamesAreNeverWrittenBack) {
  SimWindow w;
  w.session.cnf = false;  // configuration and acquisition not read together
  w.display.BuildView();
  const auto before = w.session.analyser().setupMemory();
  w.moveFirstLineDown();
  ASSERT_TRUE(w.display.view().OrderModified);
  w.display.done(QDialog::Rejected);
  EXPECT_TRUE(w.session.op_.messages.empty());
  EXPECT_EQ(w.session.mem2TekCalls, 0);
  EXPECT_FALSE(w.sentConfiguration());
  EXPECT_EQ(w.session.analyser().setupMemory(), before);
}

}  // namespace
