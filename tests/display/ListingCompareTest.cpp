// The Listing window and the compare in the real Data window offscreen: the listing copied
// through the clipboard equals logiremctl's, the cursor and the selected row follow each other,
// searches, and the compare marks (pixels), N and Shift+N, and the analyser's reference memory
// read without touching the acquisition.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "FlatSession.h"
#include "app/Info.h"
#include "cli/Ctl.h"
#include "display/DisplayIt.h"
#include "display/ListingWindow.h"
#include "display/Twips.h"

namespace {
template <class Session>
struct Shown {
  Session session;
  Info info;
  DisplayIt display{session, info, nullptr};
  TempDir dir;
  explicit Shown(bool matched) {
    session.cnf = matched;
    display.BuildView();
  }
  DisplayView& view() { return display.view(); }
  void key(QWidget* w, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(w, k, m);
  }
  // The session's images after a change, as a file.
  QString file(const std::string& name, const std::function<void(MemoryImages&)>& change,
               int32_t kind = kAcquisition) {
    auto images = std::make_unique<MemoryImages>(session.images());
    change(*images);
    EXPECT_TRUE(WriteFile(dir.file(name), *images, kind, 0));
    return Q(dir.file(name));
  }
};

// Pod 2 channel 0 high at samples 0 and 300 on the flat capture (bytes 0 and 38 of its row).
void TwoPulses(MemoryImages& m) {
  SetDemoSample(m, 2, 0, 0, 0x80);
  SetDemoSample(m, 2, 0, 38, 0x08);
}
}  // namespace

TEST(ListingWindow, CopyEqualsTheCommandLineAndRowsFollowTheCursor) {
  Shown<SimSession> w(true);
  const QString acq = w.file("now.dat", [](MemoryImages&) {});
  const QString cnf = w.file(
      "now.cnf", [](MemoryImages&) {}, kConfiguration);
  w.key(&w.display, Qt::Key_L);
  ListingWindow* listing = w.display.listing();
  ASSERT_NE(listing, nullptr);
  EXPECT_EQ(listing->windowTitle(), "Listing");
  QTableView* table = listing->table();
  w.key(table, Qt::Key_A, Qt::ControlModifier);
  w.key(table, Qt::Key_C, Qt::ControlModifier);
  const CtlRun cli = Ctl({"listing", acq, "--setup", cnf});
  ASSERT_EQ(cli.status, 0);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), cli.out);

  // The cursor moves the row; a chosen row moves the cursor, and its page when off it.
  w.key(&w.display, Qt::Key_Right);
  EXPECT_EQ(table->currentIndex().row(), 1);
  table->selectRow(300);
  EXPECT_EQ(w.view().CursorSample, 300);
  EXPECT_EQ(w.view().FirstSample(), 299);
  table->selectRow(310);
  EXPECT_EQ(w.view().CursorSample, 310);
  EXPECT_EQ(w.view().FirstSample(), 299);  // on the page: only the cursor moved
  w.key(&w.display, Qt::Key_Space);
  EXPECT_EQ(listing->model().MarkText(310), "A");
  EXPECT_EQ(listing->model().MarkText(256), "T");
  // A copy of two chosen rows is the header and those rows.
  table->selectRow(2);
  table->selectionModel()->select(listing->model().index(5, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const auto lines = Split(cli.out, '\n');
  EXPECT_EQ(listing->CopyText().toStdString(), lines[0] + "\n" + lines[3] + "\n" + lines[6] + "\n");
}

TEST(ListingWindow, SearchWithTheFindKeys) {
  Shown<SimSession> w(true);
  const QString acq = w.file("now.dat", [](MemoryImages&) {});
  const QString cnf = w.file(
      "now.cnf", [](MemoryImages&) {}, kConfiguration);
  ListingWindow* listing = w.display.OpenListing();
  listing->setFindPrompt([](QWidget*, const QStringList& labels, QString& label, QString& pattern) {
    EXPECT_EQ(labels, (QStringList{"GRPA", "CTL1", "GRPB", "GRPC", "CTL2"}));
    label = "GRPB";
    pattern = "4x00";
    return true;
  });
  QTableView* table = listing->table();
  w.key(table, Qt::Key_F, Qt::ControlModifier);
  std::vector<int> rows;
  for (const auto& line :
       Split(Ctl({"listing", acq, "--setup", cnf, "--find", "GRPB=4X00"}).out, '\n'))
    rows.push_back(std::atoi(line.c_str()));
  rows.erase(rows.begin());  // the header
  ASSERT_GT(rows.size(), 2u);
  EXPECT_EQ(listing->statusText(), QString("%1 rows match GRPB=4X00").arg(rows.size()));
  EXPECT_EQ(table->currentIndex().row(), rows[0]);
  w.key(table, Qt::Key_F3);
  EXPECT_EQ(table->currentIndex().row(), rows[1]);
  EXPECT_EQ(w.view().CursorSample, rows[1]);
  w.key(table, Qt::Key_F3, Qt::ShiftModifier);
  w.key(table, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(table->currentIndex().row(), rows.back());  // around the start
  EXPECT_FALSE(listing->setFind("GRPB", "4"));
  EXPECT_EQ(listing->statusText(), "GRPB shows 4 digits, the pattern 4 has 1");
}

TEST(CompareWindow, MarksDifferingSamplesAndGoesToThem) {
  Shown<FlatSession> w(false);  // pod order: line 9 is Pod2.0
  const QString other = w.file("other.dat", TwoPulses);
  w.display.setOpenChooser([&](QWidget*, const QString& caption, const QString&) {
    EXPECT_EQ(caption, "Compare");
    return other;
  });
  w.key(&w.display, Qt::Key_D, Qt::ControlModifier);
  ASSERT_TRUE(w.display.compare().active());
  EXPECT_EQ(w.display.compare().StatusText(), "2 samples differ");
  EXPECT_TRUE(w.session.op_.messages.empty());  // alike headers: nothing to tell
  // Sample 0 in row 9 is marked; sample 1 and row 10 are not.
  const auto px = [&](int x, int y) { return w.display.picture().pixelColor(x, y); };
  const int y9 = twips::ToPixel(10 * 300 - 270), y10 = twips::ToPixel(11 * 300 - 270);
  EXPECT_EQ(px(50, y9 + 1), CompareOverlay::kMark);
  EXPECT_NE(px(58, y9 + 1), CompareOverlay::kMark);
  EXPECT_NE(px(50, y10 + 1), CompareOverlay::kMark);

  w.key(&w.display, Qt::Key_N);
  EXPECT_EQ(w.view().CursorSample, 300);
  const int x300 = twips::ToPixel(w.view().SampleX(300));
  EXPECT_EQ(px(x300 + 2, y9 + 1), CompareOverlay::kMark);
  w.key(&w.display, Qt::Key_N);  // no further difference: stays
  EXPECT_EQ(w.view().CursorSample, 300);
  w.key(&w.display, Qt::Key_N, Qt::ShiftModifier);
  EXPECT_EQ(w.view().CursorSample, 0);
  ListingWindow* listing = w.display.OpenListing();
  EXPECT_EQ(listing->model().data(listing->model().index(300, 1), Qt::BackgroundRole),
            QVariant(QBrush(ListingModel::kDiffers)));
  EXPECT_FALSE(listing->model().data(listing->model().index(299, 1), Qt::BackgroundRole).isValid());

  w.key(&w.display, Qt::Key_F);  // fitted: each one-sample difference keeps its pixel column
  const auto fitX = [&](int32_t s) {
    return TimeAxis::kWaveLeftPx +
           static_cast<int>(w.view().Axis.Pixels(s, w.view().FirstSample()).from);
  };
  EXPECT_EQ(px(fitX(0), y9 + 1), CompareOverlay::kMark);
  EXPECT_EQ(px(fitX(300), y9 + 1), CompareOverlay::kMark);
  EXPECT_NE(px(fitX(150), y9 + 1), CompareOverlay::kMark);
  w.key(&w.display, Qt::Key_1);

  w.key(&w.display, Qt::Key_D, Qt::ControlModifier);  // ends it
  EXPECT_FALSE(w.display.compare().active());
  EXPECT_NE(px(50, y9 + 1), CompareOverlay::kMark);
}

TEST(CompareWindow, ReferenceMemoryReadBesideTheAcquisition) {
  Shown<FlatSession> w(false);
  MemoryImages reference = w.session.images();
  TwoPulses(reference);
  reference.AcqMem[581] = 2;  // 50 ns
  w.session.analyser().refMemory() = reference.AcqMem;
  w.session.analyser().setRefLength(w.session.images().AcqLen);
  const auto before = w.session.images().AcqMem;
  w.key(&w.display, Qt::Key_R, Qt::ControlModifier);
  ASSERT_TRUE(w.display.compare().active());
  EXPECT_EQ(w.session.images().AcqMem, before);
  EXPECT_EQ(w.display.compare().StatusText(), "2 samples differ");
  ASSERT_EQ(w.session.op_.messages.size(), 1u);
  EXPECT_EQ(w.session.op_.messages[0].title, "Compare");
  EXPECT_EQ(w.session.op_.messages[0].text,
            "The captures were not recorded alike:\nperiod: 20ns | 50ns\n");
  w.display.done(0);  // closing ends the compare
  EXPECT_FALSE(w.display.compare().active());
}
