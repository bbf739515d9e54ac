// The real file dialog behind the main window's file commands.
#include <QFileDialog>
#include <QMessageBox>
#include <fstream>

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
    // A refused name brings up the dialog's own warning: dismissed, and the dialog cancelled.
    // The timer lives only as long as the answer, so it cannot touch a later test's box.
    QTimer dismiss;
    dismiss.setSingleShot(true);
    QObject::connect(&dismiss, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->reject();
    });
    dismiss.start(0);
    static_cast<QDialog*>(dialog)->accept();
    if (dialog->isVisible()) dialog->reject();
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
        EXPECT_EQ(d.selectedFiles(), QStringList{here + QStringLiteral("/proposal.cnf")});
      },
      QStringLiteral("out"));  // typed without extension
  EXPECT_EQ(chooser.saveFileName(nullptr, {QStringLiteral("Save FULL Configuration"),
                                           QStringLiteral("Configuration Files (*.cnf)"), here,
                                           QStringLiteral("proposal"), QStringLiteral("cnf")}),
            here + QStringLiteral("/out.cnf"));

  Answer(
      [&](QFileDialog& d) {
        ++shown;
        EXPECT_EQ(d.windowTitle(), "Load Acquisition");
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
      },
      QString());
  const FileRequest load{QStringLiteral("Load Acquisition"),
                         QStringLiteral("Acquisition Files (*.dat)"), here, QStringLiteral("run3"),
                         QStringLiteral("dat")};
  EXPECT_EQ(chooser.openFileName(nullptr, load), "");

  // The proposal without extension, accepted as it stands, opens the kind's file.
  std::ofstream(dir.file("run3.dat")) << "\r\n";
  Answer([](QFileDialog&) {}, QStringLiteral("run3"));
  EXPECT_EQ(chooser.openFileName(nullptr, load), here + QStringLiteral("/run3.dat"));
  EXPECT_EQ(shown, 2);
}
