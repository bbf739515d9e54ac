// The acquisition model and the display's view model over any acquisition and setup image,
// driven by any keys and clicks. The acquisition image is never written; the model's reads
// agree with one another; after every event the line table is a permutation of the lines
// built, at most one line is picked, LastLine, TopLine and the cursor stay in range; and
// writing the order back touches only the two display-order tables.
#include <algorithm>
#include <array>
#include <memory>

#include "FuzzCheck.h"
#include "FuzzImages.h"
#include "display/DisplayView.h"
#include "model/AcqModel.h"
#include "model/SetupModel.h"

namespace {
using AcqImage = std::array<uint8_t, kAcqImageSize>;

void checkModel(const AcqModel& acq, FuzzInput& in) {
  FUZZ_CHECK(acq.MaxPodLength() >= 0);
  for (int16_t pod = 0; pod < 8; ++pod) {
    FUZZ_CHECK((acq.PodOffset()[static_cast<size_t>(pod)] == -1) == acq.PodAbsent(pod));
    FUZZ_CHECK(acq.PodAbsent(pod) || acq.PodLength(pod) <= acq.MaxPodLength());
  }
  FUZZ_CHECK(acq.PodAbsent(-1) && acq.PodAbsent(8) && acq.PodLength(8) == 0);
  // A few samples anywhere: a level exists exactly where the pod has that sample.
  for (int i = 0; i < 8; ++i) {
    const auto pod = static_cast<int16_t>(static_cast<int8_t>(in.byte()) % 10);
    const auto channel = static_cast<int16_t>(static_cast<int8_t>(in.byte()) % 11);
    const int32_t s = static_cast<int16_t>(in.word());
    const auto level = acq.Level(pod, channel, s);
    // A channel outside 0..8 reads low wherever its pod has samples.
    const bool exists = !acq.PodAbsent(pod) && s >= acq.PodStart(pod) && s <= acq.PodEnd(pod);
    FUZZ_CHECK(level.has_value() == exists);
    FUZZ_CHECK(!level || !*level || (channel >= 0 && channel <= 8));
    const double b = acq.PodSampleByte(pod, channel, s);
    FUZZ_CHECK(b >= 0 && b <= 255);
  }
}

// The names each line was built with, by name index.
using Built = std::array<int16_t, DisplayView::kLines>;

void checkView(const DisplayView& view, const Built& built) {
  FUZZ_CHECK(view.LastLine >= -1 && view.LastLine < DisplayView::kLines);
  FUZZ_CHECK(view.TopLine >= 0 && view.TopLine <= std::max(0, view.LastLine - 23));
  if (view.Axis.DesignScale()) {
    FUZZ_CHECK(view.CursorX >= DisplayView::kFirstColumnX &&
               view.CursorX <= DisplayView::kLastColumnX);
    FUZZ_CHECK((view.CursorX - DisplayView::kFirstColumnX) % DisplayView::kColumnWidth == 0);
    FUZZ_CHECK(view.Column() >= 0 && view.Column() < DisplayView::kColumns);
    FUZZ_CHECK(view.FirstSample() == view.CursorSample - view.Column());
  } else {
    // Zoomed out the page stays inside the capture; the cursor is on it or has no line.
    FUZZ_CHECK(view.First >= 0 && view.First <= view.MaxFirst());
    FUZZ_CHECK(view.CursorX == -1 || (view.CursorX >= 720 && view.CursorX < 11692));
    FUZZ_CHECK((view.CursorX == -1) != view.OnPage(view.CursorSample));
  }
  std::array<bool, DisplayView::kLines> seen{};
  int picked = 0;
  for (int16_t i = 0; i < DisplayView::kLines; ++i) {
    const DisplayView::Line& line = view.LineTable[static_cast<size_t>(i)];
    FUZZ_CHECK(line.nameIndex >= 0 && line.nameIndex < DisplayView::kLines);
    FUZZ_CHECK(!seen[static_cast<size_t>(line.nameIndex)]);
    seen[static_cast<size_t>(line.nameIndex)] = true;
    FUZZ_CHECK(line.code == built[static_cast<size_t>(line.nameIndex)]);
    FUZZ_CHECK(line.picked == 0 || line.picked == 1);
    if (line.picked == 1) {
      ++picked;
      FUZZ_CHECK(i <= view.LastLine);
    }
  }
  FUZZ_CHECK(picked <= 1);
  FUZZ_CHECK(view.FindPickedLine() == -1 || picked == 1);
  for (const int32_t marker : view.Markers) {
    FUZZ_CHECK(marker == -1 || std::count(view.Markers.begin(), view.Markers.end(), marker) == 1);
  }
}

Built build(DisplayView& view, SetupModel& setup, const AcqImage& acq, uint8_t flags) {
  view.BuildView(setup, acq, flags & 1, static_cast<int16_t>((flags >> 1) % 5),
                 static_cast<int16_t>((flags >> 4) % 5));
  Built built{};
  for (size_t i = 0; i < built.size(); ++i) built[i] = view.LineTable[i].code;
  return built;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t flags = in.byte();
  FuzzImages images(in, flags & 0x80);
  auto& acq = images.acq;
  SetupModel setup(*images.setup);
  const AcqImage original = *acq;

  checkModel(AcqModel(*acq), in);

  DisplayView view{};  // value-initialised: clang 14 crashes compiling `DisplayView view;`
  Built built = build(view, setup, *acq, flags);
  checkView(view, built);
  constexpr int kKeys[] = {DisplayView::kEnd, DisplayView::kHome,  DisplayView::kLeft,
                           DisplayView::kUp,  DisplayView::kRight, DisplayView::kDown,
                           DisplayView::kP};
  for (int events = 0; in.left() > 0 && events < 512; ++events) {
    const uint8_t what = in.byte();
    const uint8_t a = in.byte();
    switch (what % 6) {
      case 0:
        view.Form_KeyDown(a < 224 ? kKeys[a % 7] : a, in.byte() & 3);
        break;
      case 1:
        view.Form_KeyPress(static_cast<char>(a));
        break;
      case 2: {
        const int32_t x = (a & 1) ? 360 : static_cast<int16_t>(in.word());
        const int32_t y = static_cast<int16_t>(in.word());
        view.Form_MouseDown(a & 2 ? DisplayView::kRightButton : DisplayView::kLeftButton, 0, x, y);
        break;
      }
      case 3:
        view.CursorDrawn();
        view.CursorTimeText(view.CursorSample);
        view.Name(static_cast<int16_t>(a) - 100, a & 1);
        view.Wheel(static_cast<int8_t>(a) % 4, in.byte() & 3);
        break;
      case 4:
        if (view.OfferWriteBack()) {
          // Only the two display-order tables (setup bytes 540 to 707) may change.
          const auto before = *images.setup;
          view.WriteOrder(setup);
          FUZZ_CHECK(std::equal(before.begin(), before.begin() + 540, images.setup->begin()));
          FUZZ_CHECK(std::equal(before.begin() + 708, before.end(), images.setup->begin() + 708));
        }
        break;
      default:
        built = build(view, setup, *acq, a);  // opened again: some fields carry over
        break;
    }
    checkView(view, built);
  }
  FUZZ_CHECK(*acq == original);
  return 0;
}
