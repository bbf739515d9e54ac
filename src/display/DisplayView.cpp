#include "display/DisplayView.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <tuple>

#include "model/LineRules.h"
#include "model/SetupModel.h"

namespace {

// The cursor fields are 16-bit; anything computed wider is pinned to that range rather than
// wrapped, so a strange acquisition shows strange times but never wrong-signed ones.
int16_t Sat16(int64_t v) {
  return static_cast<int16_t>(std::clamp<int64_t>(v, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

// Shortest plain form of a number: no trailing zeros, no exponent for the values used here.
std::string Shortest(double v) {
  if (v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<int64_t>(v));
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

// The leading number of a text, as a BASIC Val reads it: 0 when there is none.
double LeadingNumber(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(v)) return 0;
  return v;
}

}  // namespace

void DisplayView::BuildView(const SetupModel& setup, std::span<const uint8_t, kAcqImageSize> acq,
                            bool bCnf, int16_t nNm09, int16_t nNm18) {
  acq_.emplace(acq);
  acq_->BuildPodOffsets();
  LastLine = LineRules::LastLine(*acq_);
  LastSample = std::min<int32_t>(LineRules::LastSample(*acq_), std::numeric_limits<int16_t>::max());
  Axis.SetLastSample(LastSample);
  First = 0;
  Markers.fill(-1);
  Matched = LineRules::Matched(*acq_, bCnf, nNm09, nNm18);

  const LineRules::Lines lines =
      Matched ? LineRules::MatchedLines(setup) : LineRules::PodOrderLines(*acq_);
  for (int16_t i = 0; i < kLines; ++i) {
    const LineRules::Line& line = lines[static_cast<size_t>(i)];
    LineTable[static_cast<size_t>(i)] = {line.code, i, 0};
    NameTable[static_cast<size_t>(i)] = {line.podName, line.labelName};
    builtOrder_[static_cast<size_t>(i)] = {line.group, line.bit};
  }

  Period = acq_->SamplePeriod();
  IsTriggered = acq_->Triggered();
  TrigPos = setup.TrigPosition();
  if (!IsTriggered) {
    TriggerText = "NO TRIG";
  } else {
    const double time =
        Period != 0 ? std::nearbyint(TrigPos * PeriodValue(Period)) : static_cast<double>(TrigPos);
    TriggerText = "TRIG@" + Shortest(time) + PeriodUnit(Period);
  }

  TopLine = 0;
  GoToEnd(true);
}

void DisplayView::GoToEnd(bool first) {
  if (!Axis.DesignScale()) {
    First = first ? 0 : static_cast<int32_t>(MaxFirst());
    CursorSample = first ? int16_t{0} : Sat16(LastSample);
    RelSample = Sat16(int64_t{CursorSample} - ZeroSample);
    SyncCursorX();
  } else if (first) {
    RelSample = Sat16(-int64_t{ZeroSample});
    CursorSample = 0;
    CursorX = kFirstColumnX;
  } else {
    RelSample = Sat16(int64_t{LastSample} - ZeroSample);
    CursorSample = Sat16(LastSample);
    CursorX = Axis.LastColumnX();
  }
  PrevCursorSample = CursorSample;
  PrevRelSample = RelSample;
  PrevCursorX = CursorX;
}

double DisplayView::PeriodValue(int32_t period) {
  if (period < 1000) return period;
  if (period < 1000000) return period / 1e3;
  if (period < 1000000000) return period / 1e6;
  return period / 1e9;
}

std::string DisplayView::PeriodText(int32_t period) {
  if (period == 0) return "SYNC";
  return Shortest(PeriodValue(period));
}

std::string DisplayView::PeriodUnit(int32_t period) {
  if (period == 0) return "";
  if (period < 1000) return "ns";
  if (period < 1000000) return "us";
  if (period < 1000000000) return "ms";
  return "s";
}

std::string DisplayView::CursorTimeText(int32_t sample) const {
  double value = sample;
  if (Period != 0) value = std::nearbyint(sample * PeriodValue(Period));
  return Shortest(value) + PeriodUnit(Period);
}

std::string DisplayView::MarkerReadout() const {
  std::string text;
  for (size_t k = 0; k < Markers.size(); ++k) {
    if (Markers[k] == -1) continue;
    if (!text.empty()) text += ' ';
    text += static_cast<char>('A' + k);
    text += ' ' + CursorTimeText(Markers[k] - CursorSample);
  }
  if (Markers[0] != -1 && Markers[1] != -1)
    text += " B-A " + CursorTimeText(Markers[1] - Markers[0]);
  return text;
}

void DisplayView::CursorDrawn() {
  PrevCursorSample = CursorSample;
  PrevRelSample = RelSample;
  PrevCursorX = CursorX;
}

DisplayView::Effect DisplayView::MoveCursorBy(int32_t columns) {
  CursorX += kColumnWidth * columns;
  CursorSample = Sat16(CursorSample + columns);
  RelSample = Sat16(RelSample + columns);
  return Effect::kMoveCursor;
}

DisplayView::Effect DisplayView::CursorLeft(int16_t step) {
  if (CursorX - kColumnWidth * step > kFirstColumnX) return MoveCursorBy(Sat16(-step));
  if (CursorX - kColumnWidth > kFirstColumnX) return MoveCursorBy(-1);
  if (CursorSample < Axis.Columns()) {
    GoToEnd(true);
    return Effect::kRedraw;
  }
  return Effect::kMoveCursor;
}

DisplayView::Effect DisplayView::CursorRight(int16_t step) {
  if (CursorX + kColumnWidth * step < Axis.RightLimit()) return MoveCursorBy(step);
  if (CursorX + kColumnWidth < Axis.RightLimit()) return MoveCursorBy(1);
  if (CursorSample > LastSample - Axis.Columns()) {
    GoToEnd(false);
    return Effect::kRedraw;
  }
  return Effect::kMoveCursor;
}

DisplayView::Effect DisplayView::Form_KeyDown(int key, int shift) {
  const int16_t step = (shift & kShift) ? 10 : 1;
  const bool control = (shift & kControl) != 0;
  if (!Axis.DesignScale() && (key == kLeft || key == kRight || key == kHome || key == kEnd)) {
    return ZoomedKey(key, step, control);
  }
  switch (key) {
    case kLeft:
      if (!control) return CursorLeft(step);
      if (Column() <= CursorSample - 10) {
        CursorSample = Sat16(CursorSample - 10);
        RelSample = Sat16(RelSample - 10);
        return Effect::kRedraw;
      }
      return Effect::kNothing;
    case kRight:
      if (!control) return CursorRight(step);
      if (Axis.Columns() - 1 - Column() <= int64_t{LastSample} - CursorSample - 10) {
        CursorSample = Sat16(CursorSample + 10);
        RelSample = Sat16(RelSample + 10);
        return Effect::kRedraw;
      }
      return Effect::kNothing;
    case kUp:
      if (TopLine - step >= 0) {
        TopLine = Sat16(TopLine - step);
      } else if (TopLine - 1 >= 0) {
        TopLine = Sat16(TopLine - 1);
      }
      return Effect::kRedraw;
    case kDown:
      if (TopLine + step < LastLine - (Axis.Rows() - 2)) {
        TopLine = Sat16(TopLine + step);
      } else if (TopLine + 1 < LastLine - (Axis.Rows() - 2)) {
        TopLine = Sat16(TopLine + 1);
      }
      return Effect::kRedraw;
    case kHome:
      GoToEnd(true);
      return Effect::kRedraw;
    case kEnd:
      GoToEnd(false);
      return Effect::kRedraw;
    case kP:
      return control ? Effect::kPrint : Effect::kNothing;
    case kE:  // a key the analyser's own key table leaves free
      return control ? Effect::kExport : Effect::kNothing;
    default:
      return Effect::kNothing;
  }
}

DisplayView::Effect DisplayView::ToggleMarker() {
  auto slot = std::find(Markers.begin(), Markers.end(), int32_t{CursorSample});
  if (slot != Markers.end()) {
    *slot = -1;
  } else {
    slot = std::find(Markers.begin(), Markers.end(), -1);
    if (slot != Markers.end()) *slot = CursorSample;
  }
  return Effect::kRedraw;
}

DisplayView::Effect DisplayView::Form_KeyPress(char character) {
  switch (character) {
    case 'G':
    case 'g':
      SignalNames = false;
      return Effect::kRedrawNames;
    case 'S':
    case 's':
      SignalNames = true;
      return Effect::kRedrawNames;
    case ' ':
      return ToggleMarker();
    case 'Z':
    case 'z':
      ZeroSample = CursorSample;
      RelSample = 0;
      return Effect::kRedraw;
    // Zoom: keys the analyser's own key table leaves free.
    case '+':
    case '=':
      return SetZoom(Axis.Zoom() - 1, CursorSample);
    case '-':
      return SetZoom(Axis.Zoom() + 1, CursorSample);
    case 'F':
    case 'f':
      return SetZoom(Axis.Levels() - 1, CursorSample);
    case '1':
      return SetZoom(0, CursorSample);
    default:
      return Effect::kNothing;
  }
}

int16_t DisplayView::FindPickedLine() const {
  for (int16_t i = 0; i < kLines; ++i) {
    if (LineTable[static_cast<size_t>(i)].picked == 1) return i;
  }
  return -1;
}

DisplayView::Effect DisplayView::Form_MouseDown(int button, int /*shift*/, int32_t x, int32_t y) {
  if (x >= 720) return button == kLeftButton ? ClickWaveform(x, y) : Effect::kNothing;
  if (button != kRightButton) {
    SignalNames = !SignalNames;
    return Effect::kRedrawNames;
  }
  return RightClick(y);
}

// Lines are picked and dropped only among the lines that are drawn, so a click below the
// last line (or a crafted header) can never touch an entry outside the table.
DisplayView::Effect DisplayView::RightClick(int32_t y) {
  if (8 * y <= 300 || 2 * y >= 2 * Axis.StripY() - 300) return Effect::kNothing;
  const int16_t r = FindPickedLine();
  auto floorDiv = [](int32_t a, int32_t b) {
    return static_cast<int32_t>(std::floor(static_cast<double>(a) / b));
  };
  if (r == -1) {
    const int32_t line = floorDiv(y - 120, 300) + TopLine;
    if (line < 0 || line > LastLine) return Effect::kNothing;
    LineTable[static_cast<size_t>(line)].picked = 1;
    // A whole redraw rather than the waveforms over the picture: waveforms painted over the
    // exclusive-or cursor and marker lines would leave dots behind when those move next.
    return Effect::kRedraw;
  }
  const int32_t dest = floorDiv(y, 300) + TopLine;
  const auto at = [this](int32_t i) -> Line& { return LineTable[static_cast<size_t>(i)]; };
  if (dest == r) {
    at(r).picked = 0;
    return Effect::kRedraw;
  }
  // Dropping just below the last line puts the picked line last.
  if (dest < 0 || dest > LastLine + 1) return Effect::kNothing;
  Line moved = at(r);
  moved.picked = 0;
  if (r < dest) {
    for (int32_t i = r; i < dest - 1; ++i) at(i) = at(i + 1);
    at(dest - 1) = moved;
  } else {
    for (int32_t i = r; i > dest; --i) at(i) = at(i - 1);
    at(dest) = moved;
  }
  OrderModified = true;
  return Effect::kRedraw;
}

void DisplayView::WriteOrder(SetupModel& setup) const {
  std::array<std::pair<int16_t, int16_t>, kLines> order{};
  for (size_t i = 0; i < order.size(); ++i) {
    const auto nameIndex =
        static_cast<size_t>(std::clamp<int16_t>(LineTable[i].nameIndex, 0, kLines - 1));
    const std::string& s = NameTable[nameIndex][1];
    const size_t cut = s.size() >= 2 ? s.size() - 2 : 0;
    int16_t g = setup.FindLabel(s.substr(0, cut));
    int16_t b = Sat16(static_cast<int64_t>(std::nearbyint(LeadingNumber(s.substr(cut)))));
    if (!LineRules::HasChannel(LineTable[i].code)) {
      // A group the table cannot hold becomes a bit no group has.
      std::tie(g, b) = builtOrder_[nameIndex];
      if (g < 0 || g >= SetupModel::kGroups) std::tie(g, b) = std::pair<int16_t, int16_t>{0, 255};
    }
    order[i] = {g, b};
    setup.SetOrderA(static_cast<int16_t>(i), g, b);
  }
  for (int16_t i = 0; i < SetupModel::kOrderBLines; ++i) {
    setup.SetOrderB(i, order[static_cast<size_t>(i)].first, order[static_cast<size_t>(i)].second);
  }
}

const std::string& DisplayView::Name(int16_t line, bool podSet) const {
  const auto l = static_cast<size_t>(std::clamp<int16_t>(line, 0, kLines - 1));
  const auto index =
      static_cast<size_t>(std::clamp<int16_t>(LineTable[l].nameIndex, 0, kLines - 1));
  return NameTable[index][podSet ? 0 : 1];
}

bool DisplayView::OnPage(int32_t s) const {
  const int64_t first = FirstSample();
  return s >= first && s < first + Axis.PageSamples();
}

int64_t DisplayView::MaxFirst() const {
  return std::max<int64_t>(0, int64_t{LastSample} + 1 - Axis.PageSamples());
}

int32_t DisplayView::MaxTopLine() const { return std::max(0, LastLine + 1 - Axis.Rows()); }

void DisplayView::SyncCursorX() {
  // Off the page the cursor has no line; its readouts still follow it.
  CursorX = OnPage(CursorSample) ? SampleX(CursorSample) : -1;
}

DisplayView::Effect DisplayView::PlaceZoomedCursor(int64_t sample) {
  sample = std::clamp<int64_t>(sample, 0, LastSample);
  CursorSample = Sat16(sample);
  RelSample = Sat16(int64_t{CursorSample} - ZeroSample);
  if (OnPage(CursorSample)) {
    SyncCursorX();
    return Effect::kMoveCursor;
  }
  const int64_t page = Axis.PageSamples();
  First = static_cast<int32_t>(
      std::clamp<int64_t>(sample < First ? sample : sample - page + 1, 0, MaxFirst()));
  SyncCursorX();
  return Effect::kRedraw;
}

DisplayView::Effect DisplayView::ZoomedKey(int key, int16_t step, bool control) {
  const int64_t column = Axis.ColumnSamples();
  switch (key) {
    case kHome:
    case kEnd:
      GoToEnd(key == kHome);
      return Effect::kRedraw;
    case kLeft:
    case kRight: {
      const int64_t sign = key == kLeft ? -1 : 1;
      if (control) {
        // The page moves a tenth of its width, the cursor riding along in its column.
        const int32_t before = First;
        if (ScrollTo(First + sign * std::max<int64_t>(1, Axis.PageSamples() / 10)) ==
            Effect::kNothing) {
          return Effect::kNothing;
        }
        CursorSample = Sat16(std::clamp<int64_t>(CursorSample + (First - before), 0, LastSample));
        RelSample = Sat16(int64_t{CursorSample} - ZeroSample);
        SyncCursorX();
        return Effect::kRedraw;
      }
      return PlaceZoomedCursor(CursorSample + sign * column * step);
    }
    default:
      return Effect::kNothing;
  }
}

DisplayView::Effect DisplayView::ScrollTo(int64_t first) {
  const int64_t now = FirstSample();
  first = std::clamp<int64_t>(first, 0, MaxFirst());
  if (first == now) return Effect::kNothing;
  if (Axis.DesignScale()) {
    CursorSample = Sat16(CursorSample + (first - now));
    RelSample = Sat16(RelSample + (first - now));
  } else {
    // Zoomed out the page has its own start: the cursor stays on its sample, on the page or
    // off it.
    First = static_cast<int32_t>(first);
    SyncCursorX();
  }
  return Effect::kRedraw;
}

DisplayView::Effect DisplayView::ScrollRowsTo(int64_t top) {
  top = std::clamp<int64_t>(top, 0, MaxTopLine());
  if (top == TopLine) return Effect::kNothing;
  TopLine = static_cast<int16_t>(top);
  return Effect::kRedraw;
}

DisplayView::Effect DisplayView::Wheel(int notches, int shift) {
  if (notches == 0) return Effect::kNothing;
  if (shift & kControl) return SetZoom(Axis.Zoom() + (notches > 0 ? -1 : 1), CursorSample);
  if (shift & kShift) return ScrollRowsTo(int64_t{TopLine} - notches);
  return ScrollTo(FirstSample() - int64_t{notches} * std::max<int64_t>(1, Axis.PageSamples() / 10));
}

DisplayView::Effect DisplayView::SetZoom(int level, int32_t anchor) {
  level = std::clamp(level, 0, Axis.Levels() - 1);
  if (level == Axis.Zoom()) return Effect::kNothing;
  const int64_t first = FirstSample();
  const auto pixelOf = [&](int32_t s) {
    return OnPage(s) ? Axis.Pixels(s, first).from : int64_t{Axis.WavePixels() / 2};
  };
  const int64_t pixel = pixelOf(anchor);
  const int64_t cursorPixel = pixelOf(CursorSample);
  Axis.SetZoom(level);
  if (Axis.DesignScale()) {
    // The page follows the cursor here: its sample stays on screen, as near its old place as
    // the columns allow.
    const int64_t column = std::clamp<int64_t>(cursorPixel / 7, 0, Axis.Columns() - 1);
    CursorX = kFirstColumnX + kColumnWidth * static_cast<int32_t>(column);
  } else {
    const int64_t offset = pixel * Axis.ScaleSamples() / Axis.ScalePixels();
    First = static_cast<int32_t>(std::clamp<int64_t>(anchor - offset, 0, MaxFirst()));
    SyncCursorX();
  }
  return Effect::kRedraw;
}

void DisplayView::Resize(int widthPx, int heightPx) {
  Axis.Resize(widthPx, heightPx);
  TopLine = static_cast<int16_t>(std::min<int32_t>(TopLine, MaxTopLine()));
  if (Axis.DesignScale()) {
    CursorX = std::min(CursorX, Axis.LastColumnX());
  } else {
    First = static_cast<int32_t>(std::min<int64_t>(First, MaxFirst()));
    SyncCursorX();
  }
  CursorDrawn();
}

DisplayView::Effect DisplayView::ClickWaveform(int32_t x, int32_t y) {
  if (y >= Axis.StripY()) return Effect::kNothing;
  const int64_t p = x / 15 - TimeAxis::kWaveLeftPx;
  if (p < 0 || p >= Axis.WavePixels()) return Effect::kNothing;
  if (Axis.DesignScale()) {
    const int32_t column = (x - 720) / kColumnWidth;
    if (column >= Axis.Columns()) return Effect::kNothing;
    return MoveCursorBy(column - Column());
  }
  return PlaceZoomedCursor(Axis.Samples(p, First).from);
}

DisplayView::Effect DisplayView::PutCursorOn(int32_t s) {
  if (LastSample < 0) return Effect::kNothing;  // no pod, no sample to go to
  // The cursor fields are 16-bit; a crafted header can announce a longer time axis.
  s = std::clamp(s, int32_t{0}, std::min(LastSample, int32_t{INT16_MAX}));
  if (!Axis.DesignScale()) return PlaceZoomedCursor(s);
  const int32_t columns = Axis.Columns();
  const int32_t first = FirstSample();
  const bool onPage = s >= first && s < first + columns;
  const int32_t newFirst =
      onPage ? first
             : std::clamp(s - Column(), int32_t{0}, std::max(0, LastSample - (columns - 1)));
  CursorX = kFirstColumnX + kColumnWidth * (s - newFirst);
  CursorSample = static_cast<int16_t>(s);
  RelSample = static_cast<int16_t>(s - ZeroSample);
  return onPage ? Effect::kMoveCursor : Effect::kRedraw;
}
