#include "display/ListingWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "display/DisplayDrawing.h"

namespace {
bool AskFind(QWidget* parent, const QStringList& labels, QString& label, QString& pattern) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Find"));
  auto* group = new QComboBox(&dialog);
  group->addItems(labels);
  group->setCurrentText(label);
  auto* digits = new QLineEdit(pattern, &dialog);
  digits->setPlaceholderText(QStringLiteral("digits, X for any"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* form = new QFormLayout(&dialog);
  form->addRow(QStringLiteral("Group"), group);
  form->addRow(QStringLiteral("Pattern"), digits);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  label = group->currentText();
  pattern = digits->text();
  return true;
}
}  // namespace

ListingWindow::ListingWindow(QWidget* owner) : QWidget(owner, Qt::Window), prompt_(AskFind) {
  setWindowTitle(QStringLiteral("Listing"));
  model_ = new ListingModel(this);
  table_ = new QTableView(this);
  table_->setModel(model_);
  table_->setFont(DisplayDrawing::DisplayFont());
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->verticalHeader()->hide();
  // Fixed row heights: the view never measures 20,000 rows.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(QFontMetrics(table_->font()).height() + 4);
  table_->horizontalHeader()->setDefaultSectionSize(72);
  table_->installEventFilter(this);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!quiet_ && current.isValid()) emit sampleChosen(current.row());
          });
  status_ = new QLabel(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(table_);
  layout->addWidget(status_);
  resize(560, 520);
}

QString ListingWindow::statusText() const { return status_->text(); }

void ListingWindow::setListing(std::unique_ptr<Listing> listing) {
  model_->setListing(std::move(listing));
  pattern_.reset();
  matches_.clear();
  // Columns as wide as their header or their first rows' values need (a column's values all
  // have one width), and the window wide enough for them all.
  const QFontMetrics metrics(table_->font());
  const Listing* shown = model_->listing();
  int total = 0;
  for (int c = 0; c < model_->columnCount(); ++c) {
    qsizetype chars = c == 0 ? 3 : static_cast<qsizetype>(shown->header()[c - 1].size());
    for (int32_t row = 0; c > 0 && row < std::min(shown->rows(), 64); ++row) {
      chars = std::max(chars, static_cast<qsizetype>(shown->Cell(row, c - 1).size()));
    }
    const int width = metrics.horizontalAdvance(QString(chars + 2, QLatin1Char('0'))) + 8;
    table_->setColumnWidth(c, width);
    total += width;
  }
  resize(std::min(total + table_->verticalScrollBar()->sizeHint().width() + 4, 1200), height());
  status_->setText(QStringLiteral("%1 rows").arg(model_->rowCount()));
}

void ListingWindow::selectSample(int32_t s) {
  if (s < 0 || s >= model_->rowCount() || currentRow() == s) return;
  quiet_ = true;
  goToRow(s);
  quiet_ = false;
}

int ListingWindow::currentRow() const {
  const QModelIndex current = table_->selectionModel()->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void ListingWindow::goToRow(int row) {
  const QModelIndex index = model_->index(row, 0);
  table_->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  table_->scrollTo(index);
}

void ListingWindow::Find() {
  const Listing* listing = model_->listing();
  if (listing == nullptr) return;
  QStringList labels;
  for (size_t c = Listing::kFirstGroupColumn; c < listing->header().size(); ++c) {
    labels << QString::fromStdString(listing->header()[c]);
  }
  QString label =
      pattern_ ? labels.value(pattern_->column - Listing::kFirstGroupColumn) : QString();
  QString pattern = pattern_ ? QString::fromStdString(pattern_->digits) : QString();
  if (prompt_(this, labels, label, pattern)) setFind(label, pattern);
}

bool ListingWindow::setFind(const QString& label, const QString& pattern) {
  const Listing* listing = model_->listing();
  if (listing == nullptr) return false;
  std::string why;
  pattern_ = listing->ParseFind(label.toStdString(), pattern.toStdString(), why);
  matches_.clear();
  if (!pattern_) {
    status_->setText(QString::fromStdString(why));
    return false;
  }
  matches_ = listing->Find(*pattern_);
  status_->setText(QStringLiteral("%1 rows match %2=%3")
                       .arg(matches_.size())
                       .arg(label, QString::fromStdString(pattern_->digits)));
  // The first match from the current row on.
  const auto it = std::lower_bound(matches_.begin(), matches_.end(), std::max(currentRow(), 0));
  if (!matches_.empty()) goToRow(it == matches_.end() ? matches_.front() : *it);
  return !matches_.empty();
}

bool ListingWindow::findNext(bool forward) {
  if (matches_.empty()) return false;
  const int row = currentRow();
  if (forward) {
    const auto it = std::upper_bound(matches_.begin(), matches_.end(), row);
    goToRow(it == matches_.end() ? matches_.front() : *it);
  } else {
    const auto it = std::lower_bound(matches_.begin(), matches_.end(), row);
    goToRow(it == matches_.begin() ? matches_.back() : *std::prev(it));
  }
  return true;
}

QString ListingWindow::CopyText() const {
  const Listing* listing = model_->listing();
  if (listing == nullptr) return {};
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  if (static_cast<int32_t>(rows.size()) == listing->rows()) {
    return QString::fromStdString(listing->Text());
  }
  std::sort(rows.begin(), rows.end());
  std::string text = listing->HeaderText();
  for (int row : rows) text += listing->RowText(row);
  return QString::fromStdString(text);
}

bool ListingWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == table_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy)) {
      QApplication::clipboard()->setText(CopyText());
      return true;
    }
    if (key->matches(QKeySequence::Find)) {
      Find();
      return true;
    }
    if (key->key() == Qt::Key_F3) {
      findNext(!(key->modifiers() & Qt::ShiftModifier));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
