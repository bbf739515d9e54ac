// The real file dialog behind the main window's file commands.
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <fstream>

#include "AppHarness.h"
#include "app/QtFileChooser.h"

// Once the dialog is up, notes what it shows, then chooses `name` (or cancels when empty).
static void Answer(QString& seen, const QString& name) {
  QTimer::singleShot(0, [&seen, name] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    seen = d->windowTitle() + '|' + d->nameFilters().join(',') + '|' + d->directory().path() + '|' +
           QString::number(d->acceptMode()) + '|' + d->selectedFiles().join(',');
    if (name.isEmpty()) return d->reject();
    d->selectFile(name);
    // A refused name brings up the dialog's own warning: dismissed, and the dialog cancelled.
    // The timer lives only as long as the answer, so it cannot touch a later test's box.
    QTimer dismiss;
    dismiss.setSingleShot(true);
    QObject::connect(&dismiss, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->reject();
    });
    dismiss.start(0);
    static_cast<QDialog*>(d)->accept();
    if (d->isVisible()) d->reject();
  });
}

TEST_F(AppTest, RealFileDialogsStartInTheCurrentFolderAndAddTheKindsExtension) {
  const QString here = QString::fromStdString(dir.path().string());
  QtFileChooser chooser;
  QString seen;
  Answer(seen, QStringLiteral("out"));  // typed without extension
  EXPECT_EQ(chooser.saveFileName(nullptr, {"Save FULL Configuration", "Configuration Files (*.cnf)",
                                           here, "proposal", "cnf"}),
            here + "/out.cnf");
  EXPECT_EQ(seen, "Save FULL Configuration|Configuration Files (*.cnf)|" + here + "|1|" + here +
                      "/proposal.cnf");
  // The proposal without extension, accepted as it stands, opens the kind's file.
  const FileRequest load{"Load Acquisition", "Acquisition Files (*.dat)", here, "run3", "dat"};
  std::ofstream(dir.file("run3.dat")) << "\r\n";
  Answer(seen, QStringLiteral("run3"));
  EXPECT_EQ(chooser.openFileName(nullptr, load), here + "/run3.dat");
  EXPECT_EQ(seen.section('|', 3), "0|" + here + "/run3");
}

// Names typed into the open dialog's own name box, as the operator does: without extension
// (alone or as a full path) they open the kind's file; a name that matches nothing gets the
// dialog's warning and the dialog stays until cancelled.
TEST_F(AppTest, OpenDialogTakesTypedNamesWithoutExtension) {
  const QString here = QString::fromStdString(dir.path().string());
  QDir().mkpath(QStringLiteral("sub"));
  std::ofstream(dir.file("setup1.cnf")) << "\r\n";
  std::ofstream(dir.file("sub/setup1.cnf")) << "\r\n";
  const std::array<QString, 3> cases[] = {
      {"setup1", here + "/setup1.cnf", ""},
      {here + "/sub/setup1", here + "/sub/setup1.cnf", ""},
      {"setup2", "", "File not found"},
  };
  for (const auto& [typed, opened, warned] : cases) {
    SCOPED_TRACE(typed.toStdString());
    QString warning;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      auto* box = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(box, nullptr);
      box->setFocus();
      box->selectAll();
      QTest::keyClicks(box, typed);
      QTimer::singleShot(0, [&warning] {
        if (auto* m = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          warning = m->text();
          m->accept();
        }
      });
      QTest::keyClick(box, Qt::Key_Return);
      if (d->isVisible()) d->reject();
    });
    EXPECT_EQ(QtFileChooser().openFileName(
                  nullptr, {"Load Configuration", "Configuration Files (*.cnf)", here, "", "cnf"}),
              opened);
    EXPECT_TRUE(warning.contains(warned)) << warning.toStdString();
    EXPECT_EQ(warning.isEmpty(), warned.isEmpty());
  }
}
