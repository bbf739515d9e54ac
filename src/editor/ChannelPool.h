#pragma once
// One section's pool of channel labels: their captions and where each label stands. A label
// is either at its home cell in the pool or lined up on a group strip; which of the two is
// told only by its Top, exactly as the window shows it. Positions are twips within the frame.
#include <cstdint>
#include <string>
#include <vector>

class ChannelPool {
 public:
  // How a label is coloured: the design colours until its polarity is first shown, then
  // by its polarity bit (set: section colour on black text; clear: the reverse).
  enum class Colour { Design, Normal, Inverted };

  struct Label {
    std::string caption;  // pod digit then channel digit
    int16_t left = 0;
    int16_t top = 0;
    bool bold = true;
    Colour colour = Colour::Design;
  };

  static constexpr int16_t kWidth = 255;
  static constexpr int16_t kHeight = 220;
  static constexpr int16_t kStep = 240;  // neighbours overlap by 15 so their borders merge
  static constexpr int16_t kRowLength = 36;

  static int16_t PoolTop(int16_t index);
  static int16_t HomeLeft(int16_t index);

  // Creates the labels of cards x perCard channels, all at home, bold, in design colours.
  // firstCard is the number of cards of other kinds before this pool's first card.
  void BuildPool(int16_t cards, int16_t perCard, int16_t firstCard);

  int16_t count() const { return static_cast<int16_t>(labels_.size()); }
  const Label& label(int16_t index) const { return labels_.at(static_cast<size_t>(index)); }
  Label& label(int16_t index) { return labels_.at(static_cast<size_t>(index)); }

  void PlaceHome(int16_t index);
  bool AtHome(int16_t index) const;
  // The channel code of the caption (pod * 10 + channel), its pod and channel.
  int16_t Code(int16_t index) const;
  int16_t Pod(int16_t index) const;
  int16_t Channel(int16_t index) const;
  // The first label whose caption read as a number equals the code; -1 if none.
  int16_t FindChannel(int16_t code) const;

 private:
  std::vector<Label> labels_;
};
