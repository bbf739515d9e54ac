#include "editor/ChannelPool.h"

namespace {
constexpr int16_t kFirstRowTop = 1800;
constexpr int16_t kRowGap = 24;
constexpr int16_t kPoolLeft = 960;
constexpr int16_t kBlockGap = 90;  // one block of nine labels per pod
constexpr int16_t kBlock = 9;
constexpr int kMaxCards = 4;
}  // namespace

int16_t ChannelPool::PoolTop(int16_t index) {
  return index < kRowLength ? kFirstRowTop : int16_t{kFirstRowTop + kHeight + kRowGap};
}

int16_t ChannelPool::HomeLeft(int16_t index) {
  const int c = index % kRowLength;
  return static_cast<int16_t>(kPoolLeft + kStep * c + kBlockGap * (c / kBlock));
}

void ChannelPool::BuildPool(int16_t cards, int16_t perCard, int16_t firstCard) {
  labels_.clear();
  // The channel map has room for pods 0..7 only, that is four cards in all; counts from a
  // damaged store must not create captions with a pod of two digits.
  const int room = kMaxCards - (firstCard > 0 ? firstCard : 0);
  if (cards > room) cards = static_cast<int16_t>(room);
  if (cards <= 0 || perCard <= 0 || perCard > 18) return;
  labels_.reserve(static_cast<size_t>(cards * perCard));
  for (int card = 0; card < cards; ++card) {
    for (int ch = 0; ch < perCard; ++ch) {
      Label l;
      l.caption = std::to_string(ch / 9 + 2 * (card + firstCard)) + std::to_string(ch % 9);
      labels_.push_back(l);
      PlaceHome(static_cast<int16_t>(labels_.size() - 1));
    }
  }
}

void ChannelPool::PlaceHome(int16_t index) {
  Label& l = label(index);
  l.left = HomeLeft(index);
  l.top = PoolTop(index);
}

bool ChannelPool::AtHome(int16_t index) const { return label(index).top == PoolTop(index); }

int16_t ChannelPool::Code(int16_t index) const {
  return static_cast<int16_t>(std::stoi(label(index).caption));
}

int16_t ChannelPool::Pod(int16_t index) const {
  return static_cast<int16_t>(label(index).caption.at(0) - '0');
}

int16_t ChannelPool::Channel(int16_t index) const {
  return static_cast<int16_t>(label(index).caption.at(1) - '0');
}

int16_t ChannelPool::FindChannel(int16_t code) const {
  for (int16_t i = 0; i < count(); ++i) {
    if (Code(i) == code) return i;
  }
  return -1;
}
