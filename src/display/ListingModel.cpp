#include "display/ListingModel.h"

#include <QBrush>
#include <algorithm>

const QColor ListingModel::kDiffers(255, 200, 140);

void ListingModel::setListing(std::unique_ptr<Listing> listing) {
  beginResetModel();
  listing_ = std::move(listing);
  endResetModel();
}

void ListingModel::setMarks(std::optional<int32_t> trigger,
                            const std::array<int32_t, 26>& markers) {
  if (trigger == trigger_ && markers == markers_) return;
  trigger_ = trigger;
  markers_ = markers;
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

void ListingModel::setDiffering(std::vector<int32_t> samples) {
  differing_ = std::move(samples);
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString ListingModel::MarkText(int row) const {
  QString text;
  if (trigger_ == row) text += QLatin1Char('T');
  for (size_t k = 0; k < markers_.size(); ++k) {
    if (markers_[k] == row) text += QChar(static_cast<char16_t>(u'A' + k));
  }
  return text;
}

int ListingModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !listing_ ? 0 : listing_->rows();
}

int ListingModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !listing_ ? 0 : listing_->columns() + 1;
}

QVariant ListingModel::data(const QModelIndex& index, int role) const {
  if (!listing_ || !index.isValid()) return {};
  if (role == Qt::DisplayRole) {
    if (index.column() == 0) return MarkText(index.row());
    return QString::fromStdString(listing_->Cell(index.row(), index.column() - 1));
  }
  if (role == Qt::BackgroundRole &&
      std::binary_search(differing_.begin(), differing_.end(), index.row())) {
    return QBrush(kDiffers);
  }
  return {};
}

QVariant ListingModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !listing_) return {};
  if (section == 0 || section > listing_->columns()) return QString();
  return QString::fromStdString(listing_->header()[static_cast<size_t>(section - 1)]);
}
