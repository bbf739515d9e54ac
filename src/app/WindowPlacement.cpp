#include "app/WindowPlacement.h"

#include <cmath>

int TwipsToPixels(int32_t twips) {
  return static_cast<int>(std::nearbyint(static_cast<double>(twips) / kTwipsPerPixel));
}

int32_t PixelsToTwips(int pixels) { return static_cast<int32_t>(pixels) * kTwipsPerPixel; }

PixelRect TwipsRect(int32_t left, int32_t top, int32_t width, int32_t height) {
  const int x = TwipsToPixels(left);
  const int y = TwipsToPixels(top);
  return {x, y, TwipsToPixels(left + width) - x, TwipsToPixels(top + height) - y};
}

int32_t StartLeft(int32_t storedX, int32_t screenWidth) {
  return (storedX > screenWidth - 100 || storedX < 0) ? 100 : storedX;
}

int32_t StartTop(int32_t storedY, int32_t screenHeight, int32_t fallbackTop) {
  return (storedY < 0 || storedY > screenHeight - 100) ? fallbackTop : storedY;
}

TwipsPoint ConfDialogPosition(int32_t mainLeft, int32_t mainTop, int32_t mainHeight,
                              int32_t dialogHeight, int32_t screenHeight) {
  int32_t top = mainTop + mainHeight + 20;
  if (top + dialogHeight > screenHeight) top = mainTop - dialogHeight - 20;
  // Above a main window near the top it would start off the screen, its title bar out of
  // reach; the top edge is as far as it goes.
  if (top < 0) top = 0;
  return {mainLeft + 100, top};
}
