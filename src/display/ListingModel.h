#pragma once
// The state listing as a Qt table model: a first column of marks (T for the trigger row, the
// letters of the markers on the row), then the listing's own columns. Cells are read from the
// listing as the view asks for them; nothing is made per cell in advance.
#include <QAbstractTableModel>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "export/Listing.h"

class ListingModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static const QColor kDiffers;

  explicit ListingModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void setListing(std::unique_ptr<Listing> listing);
  const Listing* listing() const { return listing_.get(); }
  // The trigger sample (when the capture triggered) and the 26 marker slots (-1 empty).
  void setMarks(std::optional<int32_t> trigger, const std::array<int32_t, 26>& markers);
  // The samples a compare found different, ascending; their rows are shaded.
  void setDiffering(std::vector<int32_t> samples);
  QString MarkText(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::unique_ptr<Listing> listing_;
  std::optional<int32_t> trigger_;
  std::array<int32_t, 26> markers_{};
  std::vector<int32_t> differing_;
};
