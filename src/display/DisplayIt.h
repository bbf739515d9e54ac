#pragma once
// The acquisition display window "Data": a timing diagram of the acquisition image with a
// cursor, markers and time readouts, driven by keys and by clicks in the name column. The
// main window keeps one for the whole run; each opening rebuilds the view from the images.
#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "display/CompareOverlay.h"
#include "display/DisplayDrawing.h"
#include "display/DisplayView.h"
#include "display/GroupReadout.h"

class Capture;
class DisplayCanvas;
class ListingWindow;
class QLabel;
class QScrollBar;
class QStatusBar;
class Session;
class TitleNotesPrompt;

class DisplayIt : public QDialog {
  Q_OBJECT
 public:
  DisplayIt(Session& session, TitleNotesPrompt& prompt, QWidget* owner);

  // Rebuilds the view from the current images, draws the first page and shows the window
  // modally. Returns the dialog result.
  int runModal();
  // The rebuild alone (what runModal does before showing).
  void BuildView();

  // Prints the current page: on the default printer, or into a PDF file in the current
  // folder when there is none. Returns the PDF's path, or the empty text when it went to a
  // printer or nowhere.
  QString PrintDisplay();

  // Control+E: asks for a file in the dialog "Export" and writes the lines on screen, in
  // their order and under the names shown, as VCD, a sigrok session or CSV, or the drawing
  // area as a PNG picture. Returns the file written, or the empty text.
  QString ExportDisplay();
  // The export itself, the format chosen by its extension (vcd, sr, csv, png). The file is
  // replaced only once it is complete; a failure is reported to the operator.
  bool ExportTo(const QString& path);
  static const char* const kExportFilters;
  // How ExportDisplay asks for the file; the standard save dialog unless replaced.
  using SaveChooser = std::function<QString(QWidget* parent, const QString& caption,
                                            const QString& filters, QString* selectedFilter)>;
  void setSaveChooser(SaveChooser chooser) { chooser_ = std::move(chooser); }

  // L: the "Listing" window beside this one, its rows linked to the cursor.
  ListingWindow* OpenListing();
  ListingWindow* listing() const { return listing_; }
  // Control+D: a compare with a file chosen in the dialog "Compare", or, when one runs, its
  // end; Control+R: a compare with the analyser's reference memory. N and Shift+N go to the
  // next and previous differing sample.
  void CompareWithFile();
  bool CompareWith(const QString& path);
  bool CompareWithReference();
  void StopCompare();
  const CompareOverlay& compare() const { return compare_; }
  using OpenChooser =
      std::function<QString(QWidget* parent, const QString& caption, const QString& filters)>;
  void setOpenChooser(OpenChooser chooser) { openChooser_ = std::move(chooser); }

  DisplayView& view() { return view_; }
  const QImage& picture() const { return drawing_.image(); }
  DisplayCanvas* canvas() const { return canvas_; }
  QStatusBar* statusBar() const { return status_; }
  // Status bar panels 1 (cursor time), 2 (trigger), 3 (keys), 4 (times to the markers),
  // 5 (group values at the cursor, Matched views only).
  QString panelText(int panel) const;
  QScrollBar* pageBar() const { return pageBar_; }
  QScrollBar* rowBar() const { return rowBar_; }

  // A capture read from files rather than from the analyser: the caption names the file, and
  // a moved order is offered for saving into the configuration file (when there is one)
  // instead of being sent.
  void setSourceFiles(const QString& capture, const QString& configuration);

  QString PrintTitle;
  QString PrintNotes;

  static const char* const kHelpText;

 public slots:
  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Apply(DisplayView::Effect effect);
  bool TableKey(QKeyEvent* event);
  void StartCompare(std::unique_ptr<MemoryImages> other);
  void Form_Unload();
  // Whether the operator wants the paired bits of two-bit pods exported; asked only when a
  // line lies on one.
  bool ExportPairedQuestion(const Capture& capture);
  void SaveOrderToFile();
  // Scroll bars and readouts after the view changed.
  void ShowPosition();
  // The lines' name entries from top to bottom, to see whether lines were moved.
  std::array<int16_t, DisplayView::kLines> LineOrder() const;

  Session& session_;
  TitleNotesPrompt& prompt_;
  DisplayView view_;
  DisplayDrawing drawing_;
  DisplayCanvas* canvas_ = nullptr;
  QStatusBar* status_ = nullptr;
  QLabel* panel1_ = nullptr;
  QLabel* panel2_ = nullptr;
  QLabel* panel3_ = nullptr;
  QLabel* panel4_ = nullptr;
  QLabel* panel5_ = nullptr;
  QScrollBar* pageBar_ = nullptr;
  QScrollBar* rowBar_ = nullptr;
  GroupReadout groups_;
  QString orderFile_;
  SaveChooser chooser_;
  OpenChooser openChooser_;
  ListingWindow* listing_ = nullptr;
  CompareOverlay compare_;
  QLabel* compareStatus_ = nullptr;
  // The order when the view was built, or when the operator was last told that a moved
  // order cannot be written back.
  std::array<int16_t, DisplayView::kLines> toldOrder_{};
};
