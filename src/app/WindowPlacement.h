#pragma once
// Window geometry in twips (1/1440 inch, 15 to a screen pixel) and the placement rules of the
// main window and the settings dialog.
#include <cstdint>

inline constexpr int32_t kTwipsPerPixel = 15;

int TwipsToPixels(int32_t twips);  // nearest pixel, halves to even
int32_t PixelsToTwips(int pixels);

// A pixel rectangle from a twips one whose edges land on the nearest pixels, so that
// neighbouring controls neither overlap nor leave gaps through rounding.
struct PixelRect {
  int x, y, width, height;
};
PixelRect TwipsRect(int32_t left, int32_t top, int32_t width, int32_t height);

// The stored left edge unless it is off the screen (negative, or within 100 twips of the
// right edge or beyond): then 100.
int32_t StartLeft(int32_t storedX, int32_t screenWidth);
// The stored top edge unless negative or beyond screen height - 100: then fallbackTop.
int32_t StartTop(int32_t storedY, int32_t screenHeight, int32_t fallbackTop);

struct TwipsPoint {
  int32_t left, top;
};
// The settings dialog goes 20 twips below the main window, or 20 twips above it when it
// would leave the bottom of the screen, but never above the screen's top; 100 twips in from
// the main window's left edge.
TwipsPoint ConfDialogPosition(int32_t mainLeft, int32_t mainTop, int32_t mainHeight,
                              int32_t dialogHeight, int32_t screenHeight);
