#pragma once
// The "Listing" window beside the Data window: the state listing as a table with the trigger
// and marker rows marked, a search by group and pattern (Control+F, F3, Shift+F3), and
// Control+C copying the selected rows (all of them after Control+A) as logiremctl listing
// prints them. Choosing a row tells the Data window to put its cursor there.
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "display/ListingModel.h"

class QLabel;
class QTableView;

class ListingWindow : public QWidget {
  Q_OBJECT
 public:
  explicit ListingWindow(QWidget* owner);

  ListingModel& model() { return *model_; }
  QTableView* table() const { return table_; }
  QString statusText() const;

  void setListing(std::unique_ptr<Listing> listing);
  // Selects the row of sample s and shows it, without telling the Data window back.
  void selectSample(int32_t s);

  // Control+F: asks for a group and a pattern, then goes to the first match from the current
  // row on. The search itself, with the reason in the status line when it cannot be made.
  void Find();
  bool setFind(const QString& label, const QString& pattern);
  // F3 and Shift+F3: the next or previous match, around the end; false without one.
  bool findNext(bool forward);
  // Control+C: the header and the selected rows, tab-separated, a line feed after each.
  QString CopyText() const;

  using FindPrompt = std::function<bool(QWidget* parent, const QStringList& labels, QString& label,
                                        QString& pattern)>;
  void setFindPrompt(FindPrompt prompt) { prompt_ = std::move(prompt); }

 signals:
  void sampleChosen(int sample);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void goToRow(int row);
  int currentRow() const;

  ListingModel* model_ = nullptr;
  QTableView* table_ = nullptr;
  QLabel* status_ = nullptr;
  FindPrompt prompt_;
  std::optional<Listing::Pattern> pattern_;
  std::vector<int32_t> matches_;
  bool quiet_ = false;
};
