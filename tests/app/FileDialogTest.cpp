// The real file dialog behind the main window's file commands.
#include <QFileDialog>

#include "AppHarness.h"
#include "app/QtFileChooser.h"

namespace {
// Once the dialog is up, lets `inspect` look at it, then chooses `name` (or cancels when empty).
void Answer(const std::function<void(QFileDialog&)>& inspect, const QString& name) {
  QTimer::singleShot(0, [inspect, name] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    inspect(*dialog);
    if (name.isEmpty()) return dialog->reject();
    dialog->selectFile(name);
    static_cast<QDialog*>(dialog)->accept();
  });
}
}  // namespace

TEST_F(AppTest, RealFileDialogsStartInTheCurrentFolderWithTitleAndFilter) {
  const QString here = QString::fromStdString(dir.path().string());
  QtFileChooser chooser;
  int shown = 0;
  Answer(
      [&](QFileDialog& d) {
        ++shown;
        EXPECT_EQ(d.windowTitle(), "Save FULL Configuration");
        EXPECT_EQ(d.nameFilters(), QStringList{QStringLiteral("Configuration Files (*.cnf)")});
        EXPECT_EQ(d.directory().absolutePath(), here);
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(d.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(d.selectedFiles(), QStringList{here + QStringLiteral("/proposal")});
      },
      QStringLiteral("out.cnf"));
  EXPECT_EQ(chooser.saveFileName(nullptr, {QStringLiteral("Save FULL Configuration"),
                                           QStringLiteral("Configuration Files (*.cnf)"), here,
                                           QStringLiteral("proposal")}),
            here + QStringLiteral("/out.cnf"));

  Answer(
      [&](QFileDialog& d) {
        ++shown;
        EXPECT_EQ(d.windowTitle(), "Load Acquisition");
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
      },
      QString());
  EXPECT_EQ(
      chooser.openFileName(nullptr, {QStringLiteral("Load Acquisition"),
                                     QStringLiteral("Acquisition Files (*.dat)"), here, QString()}),
      "");
}
