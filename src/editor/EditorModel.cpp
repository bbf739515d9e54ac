#include "editor/EditorModel.h"

#include <algorithm>
#include <utility>

#include "editor/GroupLists.h"

namespace {
std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Digits of the largest value of n bits in the input radix 0 HEX, 1 OCT, 2 BIN.
int16_t DigitsOf(int16_t n, int16_t radix) {
  switch (radix) {
    case 0:
      return static_cast<int16_t>((n + 3) / 4);
    case 1:
      return static_cast<int16_t>((n + 2) / 3);
    default:
      return n;
  }
}
}  // namespace

EditorModel::EditorModel(std::span<uint8_t, kSetupImageSize> setup, std::function<void()> beep)
    : setup_(setup), beep_(std::move(beep)) {}

int16_t EditorModel::RowLength(int16_t s, int16_t k) const {
  const Row& row = section(s).table.at(static_cast<size_t>(k));
  return static_cast<int16_t>(std::find(row.begin(), row.end(), int16_t{-1}) - row.begin());
}

void EditorModel::Load(int16_t nNm09, int16_t nNm18) {
  for (Section& x : sections_) {
    x.sel = -1;
    for (Row& row : x.table) row.fill(-1);
  }
  for (int16_t g = 0; g < kGroups; ++g) {
    GroupSettings& gs = group(g);
    gs.label = Trimmed(setup_.GetLabel(g));
    gs.base = GroupLists::ShownItem(GroupLists::kBase, setup_.GetBase(g));
    gs.input = GroupLists::ShownItem(GroupLists::kInput, setup_.GetInputRadix(g));
    gs.display = GroupLists::ShownItem(GroupLists::kDisplay, setup_.GetDisplayRadix(g));
  }
  const int16_t cards09 = std::max<int16_t>(nNm09, 0);
  sec(0).pool.BuildPool(cards09, 9, 0);
  sec(1).pool.BuildPool(nNm18, 18, cards09);

  assigned_ = 0;
  for (int16_t g = 0; g < kGroups; ++g) {
    const int16_t w = setup_.GetWidth(g);
    const int16_t first = setup_.GetFirst(g);
    const int16_t s = SectionOf(g);
    const int16_t k = RowOf(g);
    ChannelPool& pool = sec(s).pool;
    for (int16_t j = 0; j < w; ++j) {
      const int16_t idx = pool.FindChannel(setup_.GetChanMap(static_cast<int16_t>(first + j)));
      if (idx < 0) continue;
      // A label can stand in one place only: a channel the image lists again is dropped, and
      // a damaged width cannot overfill a strip.
      if (!pool.AtHome(idx) || RowLength(s, k) >= kMaxChannels) continue;
      ShowPolarity(s, idx);
      int16_t sel = idx;
      int16_t last = -1;
      AddToGroup(s, sel, last, k);
    }
  }
}

int16_t EditorModel::AddToGroup(int16_t s, int16_t k) {
  return AddToGroup(s, sec(s).sel, last_.at(static_cast<size_t>(s)), k);
}

int16_t EditorModel::AddToGroup(int16_t s, int16_t& sel, int16_t& last, int16_t k) {
  ChannelPool& pool = sec(s).pool;
  const int16_t entrySel = sel;
  const int16_t entryLast = last;
  if (sel == -1) {
    if (last == -1) return -1;
    for (;;) {
      sel = static_cast<int16_t>(last + 1);
      if (sel > pool.count() - 1) {
        sel = -1;
        return -1;
      }
      if (pool.AtHome(sel)) break;
      last = static_cast<int16_t>(last + 1);
    }
  }
  if (sel < 0 || sel >= pool.count()) return -1;

  const int16_t j = RowLength(s, k);
  if (j >= kMaxChannels) {
    // The width field cannot hold a 34th channel: refuse, and leave the selection and the
    // advance as they were so that the next click behaves the same.
    if (beep_) beep_();
    sel = entrySel;
    last = entryLast;
    return -1;
  }
  Row& row = sec(s).table.at(static_cast<size_t>(k));
  ChannelPool::Label& l = pool.label(sel);
  l.top = StripTop(k);
  l.left = j == 0 ? kStripLeft
                  : static_cast<int16_t>(pool.label(row.at(static_cast<size_t>(j - 1))).left +
                                         ChannelPool::kWidth - 15);
  l.bold = true;
  row.at(static_cast<size_t>(j)) = sel;
  const int16_t placed = sel;
  last = sel;
  sel = -1;
  ++assigned_;
  return placed;
}

void EditorModel::SigClick(int16_t s, int16_t idx, int button) {
  Section& x = sec(s);
  if (idx < 0 || idx >= x.pool.count()) return;
  if (button == kRight) {
    TogglePolarity(s, idx);
    return;
  }
  if (x.pool.AtHome(idx)) {
    if (x.sel != -1 && x.sel != idx) x.pool.label(x.sel).bold = true;
    x.pool.label(idx).bold = false;
    last_.at(static_cast<size_t>(s)) = -1;
    x.sel = idx;
    return;
  }
  Remove(s, idx);
}

void EditorModel::Remove(int16_t s, int16_t idx) {
  Section& x = sec(s);
  const int16_t top = x.pool.label(idx).top;
  int16_t k = 0;
  while (k < kRows && StripTop(k) != top) ++k;
  if (k == kRows) return;
  Row& row = x.table.at(static_cast<size_t>(k));
  const auto it = std::find(row.begin(), row.end(), idx);
  if (it == row.end()) return;
  const auto j = static_cast<size_t>(it - row.begin());
  // Right to left, so that each label takes its left neighbour's old place.
  for (size_t m = kSlots - 2; m + 1 > j; --m) {
    if (row[m] != -1 && row[m + 1] != -1) {
      x.pool.label(row[m + 1]).left = x.pool.label(row[m]).left;
    }
  }
  for (size_t m = j; m < kSlots - 1; ++m) row[m] = row[m + 1];
  row[kSlots - 1] = -1;
  x.pool.PlaceHome(idx);
  --assigned_;
  last_.at(static_cast<size_t>(s)) = x.sel;
}

void EditorModel::TogglePolarity(int16_t s, int16_t idx) {
  const ChannelPool& pool = section(s).pool;
  const int16_t pod = pool.Pod(idx);
  const int16_t ch = pool.Channel(idx);
  setup_.SetPolarity(pod, ch, !setup_.GetPolarity(pod, ch));
  ShowPolarity(s, idx);
}

void EditorModel::ShowPolarity(int16_t s, int16_t idx) {
  ChannelPool& pool = sec(s).pool;
  pool.label(idx).colour = setup_.GetPolarity(pool.Pod(idx), pool.Channel(idx))
                               ? ChannelPool::Colour::Normal
                               : ChannelPool::Colour::Inverted;
}

void EditorModel::Edit2Mem() {
  for (int16_t p = 0; p < SetupModel::kPositions; ++p) setup_.SetChanMap(p, 255);
  int16_t pos = 0;
  int16_t col = 0;
  for (int16_t g = 0; g < kGroups; ++g) {
    const GroupSettings& gs = group(g);
    setup_.SetLabel(g, gs.label);
    setup_.SetBase(g, gs.base);
    setup_.SetInputRadix(g, gs.input);
    setup_.SetDisplayRadix(g, gs.display);

    int16_t first = pos;
    int16_t n = 0;
    const Section& x = section(SectionOf(g));
    const Row& row = x.table.at(static_cast<size_t>(RowOf(g)));
    for (size_t j = 0; j < kSlots && row[j] != -1 && n < kMaxChannels; ++j) {
      setup_.SetChanMap(pos, x.pool.Code(row[j]));
      ++pos;
      ++n;
    }
    setup_.SetWidth(g, n);

    int16_t digits = 0;
    if (n == 0) {
      first = 0;
      setup_.SetBase(g, 2);
      setup_.SetInputRadix(g, 0);
      setup_.SetDisplayRadix(g, 0);
    }
    setup_.SetFirst(g, first);
    setup_.SetColumn(g, col);
    if (n > 0) {
      digits = DigitsOf(n, setup_.GetInputRadix(g));
      col = static_cast<int16_t>(col + std::max<int16_t>(digits, 4) + 1);
    }
    setup_.SetDigits(g, digits);
  }
}
