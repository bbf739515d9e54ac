#pragma once
// The state of the acquisition display and every rule that changes it: the lines and names
// (built by LineRules from the two images), the cursor and page, the keys, the mouse in the name
// column, and the display order to write back. Plain C++: the window turns the returned effect into
// drawing, so each rule can be checked without a window.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "display/TimeAxis.h"
#include "model/AcqModel.h"
#include "model/ImageSizes.h"

class SetupModel;

class DisplayView {
 public:
  // What the window has to do after a rule changed the state.
  enum class Effect { kNothing, kMoveCursor, kRedrawNames, kRedraw, kPrint, kExport };

  struct Line {
    int16_t code = 0;       // pod * 10 + channel; LineRules::kNoChannel for none
    int16_t nameIndex = 0;  // entry of NameTable that names the line
    int16_t picked = 0;     // 1 while the line is picked for moving
  };

  static constexpr int kLines = 72;
  static constexpr int kRows = 24;
  static constexpr int kColumns = 104;
  static constexpr int kMarkers = 26;
  static constexpr int16_t kFirstColumnX = 772;
  static constexpr int16_t kLastColumnX = 11587;
  static constexpr int16_t kColumnWidth = 105;

  // Virtual-key codes and shift bits of the key rules.
  enum Key : int {
    kEnd = 35,
    kHome = 36,
    kLeft = 37,
    kUp = 38,
    kRight = 39,
    kDown = 40,
    kE = 69,
    kP = 80
  };
  enum ShiftBit : int { kShift = 1, kControl = 2 };
  enum Button : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

  // Rebuilds lines, names, markers, top line, cursor and trigger text from the images and
  // puts the cursor on sample 0. Keeps SignalNames, ZeroSample and OrderModified. The
  // acquisition image must outlive the view (it is the session's).
  void BuildView(const SetupModel& setup, std::span<const uint8_t, kAcqImageSize> acq, bool bCnf,
                 int16_t nNm09, int16_t nNm18);
  void GoToEnd(bool first);
  // Puts the cursor on sample s (within 0..LastSample), for the listing and the compare. The
  // page moves only when s lies off it, and then keeps the cursor's column where it can.
  Effect PutCursorOn(int32_t s);

  static std::string PeriodText(int32_t period);
  static std::string PeriodUnit(int32_t period);
  // The number PeriodText writes, for the time readouts; 0 for the synchronous clock.
  static double PeriodValue(int32_t period);

  Effect Form_KeyDown(int key, int shift);
  Effect Form_KeyPress(char character);
  // x and y in twips of the drawing area.
  Effect Form_MouseDown(int button, int shift, int32_t x, int32_t y);
  int16_t FindPickedLine() const;

  int32_t Column() const { return (CursorX - kFirstColumnX) / kColumnWidth; }
  // The page's first sample: the cursor's column gives it at the design's scale, where the
  // cursor always stays on the page; zoomed out the page keeps its own start.
  int32_t FirstSample() const { return Axis.DesignScale() ? CursorSample - Column() : First; }
  // The twips x of the column showing sample s on the page, for everything drawn on a sample;
  // OnPage tells whether it is shown at all.
  int32_t SampleX(int32_t s) const { return Axis.SampleX(s, FirstSample()); }
  bool OnPage(int32_t s) const;

  // Zoom, scrolling, resizing and clicks in the waveforms. Zoom keeps `anchor` (a sample) in
  // its pixel column where it can; the design's scale keeps the cursor on the page.
  Effect SetZoom(int level, int32_t anchor);
  // Moves the page to start at `first` (clamped to the capture); at the design's scale the
  // cursor keeps its column and moves with the page.
  Effect ScrollTo(int64_t first);
  Effect ScrollRowsTo(int64_t top);
  // The mouse wheel: `notches` away from the user (positive) go back in time or up.
  Effect Wheel(int notches, int shift);
  // The drawing area's new size in pixels; the cursor stays on the page.
  void Resize(int widthPx, int heightPx);
  // The page's last possible first sample, and the last possible top line.
  int64_t MaxFirst() const;
  int32_t MaxTopLine() const;
  // The cursor readouts: absolute time (status bar) and time from the zero reference, each a
  // number followed by the period unit.
  std::string CursorTimeText(int32_t sample) const;
  // The time from the cursor to every marker, then from marker A to B: "A 120ns B -40ns
  // B-A 160ns"; empty without markers.
  std::string MarkerReadout() const;
  // The previous cursor position becomes the current one, once the cursor has been drawn.
  void CursorDrawn();

  // The write-back is offered only when the order was changed and the lines carry group
  // label names; pod names say nothing about groups.
  bool OfferWriteBack() const { return OrderModified && Matched; }
  // Writes order tables A and B from the lines' label names. A line with no channel keeps
  // the entry it was built from: its name (the bare digits when its group has no label) could
  // otherwise name a real group's bit and give it a channel it never had.
  void WriteOrder(SetupModel& setup) const;

  const std::string& Name(int16_t line, bool podSet) const;
  const AcqModel* acq() const { return acq_ ? &*acq_ : nullptr; }

  // Fields of the display. Those above the blank line are rebuilt on every opening; the rest
  // keep their values for the whole run.
  // Widened from the design's 16 bits: an enlarged window reaches past 32767 twips.
  int32_t CursorX = kFirstColumnX;
  int32_t PrevCursorX = kFirstColumnX;
  int16_t CursorSample = 0;
  int16_t PrevCursorSample = 0;
  int16_t RelSample = 0;
  int16_t PrevRelSample = 0;
  int32_t LastSample = 0;
  int32_t LastLine = -1;
  int16_t TopLine = 0;
  std::array<Line, kLines> LineTable{};
  std::array<std::array<std::string, 2>, kLines> NameTable{};
  std::array<int32_t, kMarkers> Markers{};
  bool Matched = false;
  std::string TriggerText;
  int32_t Period = 0;  // sample period in ns, 0 for the synchronous clock
  bool IsTriggered = false;
  int16_t TrigPos = 0;

  TimeAxis Axis;      // size and zoom; both kept over reopening
  int32_t First = 0;  // the page's first sample while zoomed out

  int32_t ZeroSample = 0;
  bool SignalNames = false;
  bool OrderModified = false;

 private:
  Effect CursorLeft(int16_t step);
  Effect CursorRight(int16_t step);
  Effect MoveCursorBy(int32_t columns);
  Effect ZoomedKey(int key, int16_t step, bool control);
  // Zoomed out: the cursor's x from its sample, and the page moved to show the cursor.
  Effect PlaceZoomedCursor(int64_t sample);
  void SyncCursorX();
  Effect ClickWaveform(int32_t x, int32_t y);
  Effect ToggleMarker();
  Effect RightClick(int32_t y);

  std::optional<AcqModel> acq_;
  // The order-table entry each name index was built from, for lines with no channel.
  std::array<std::pair<int16_t, int16_t>, kLines> builtOrder_{};
};
