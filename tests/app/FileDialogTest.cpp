// The real file dialog behind the main window's file commands.
#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include "AppHarness.h"
#include "app/QtFileChooser.h"

namespace {
struct SeenDialog {
  QString title;
  QStringList filters;
  QString directory;
  QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
  bool confirmsOverwrite = true;
  QStringList selected;
};

// Inspects the dialog once it is up, then chooses `name` in it (or cancels when empty).
void Answer(SeenDialog& seen, const QString& name) {
  QTimer::singleShot(0, [&seen, name] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    seen.title = dialog->windowTitle();
    seen.filters = dialog->nameFilters();
    seen.directory = dialog->directory().absolutePath();
    seen.mode = dialog->acceptMode();
    seen.confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    seen.selected = dialog->selectedFiles();
    if (name.isEmpty()) {
      dialog->reject();
    } else {
      dialog->selectFile(name);
      static_cast<QDialog*>(dialog)->accept();
    }
  });
}
}  // namespace

TEST_F(AppTest, RealFileDialogsStartInTheCurrentFolderWithTitleAndFilter) {
  const QString here = QString::fromStdString(dir.path().string());
  QtFileChooser chooser;
  FileRequest request{QStringLiteral("Save FULL Configuration"),
                      QStringLiteral("Configuration Files (*.cnf)"), here,
                      QStringLiteral("proposal")};
  SeenDialog seen;
  Answer(seen, QStringLiteral("out.cnf"));
  const QString chosen = chooser.saveFileName(nullptr, request);
  EXPECT_EQ(seen.title, "Save FULL Configuration");
  EXPECT_EQ(seen.filters, QStringList{QStringLiteral("Configuration Files (*.cnf)")});
  EXPECT_EQ(seen.directory, here);
  EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
  EXPECT_FALSE(seen.confirmsOverwrite);
  ASSERT_EQ(seen.selected.size(), 1);
  EXPECT_TRUE(seen.selected[0].endsWith(QStringLiteral("/proposal")));
  EXPECT_EQ(chosen, here + QStringLiteral("/out.cnf"));

  request.title = QStringLiteral("Load Acquisition");
  request.filter = QStringLiteral("Acquisition Files (*.dat)");
  request.proposed.clear();
  Answer(seen, QString());
  EXPECT_EQ(chooser.openFileName(nullptr, request), "");
  EXPECT_EQ(seen.title, "Load Acquisition");
  EXPECT_EQ(seen.mode, QFileDialog::AcceptOpen);
}
