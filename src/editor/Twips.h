#pragma once
// The window is designed in twips; the screen counts 15 twips to the pixel.
#include <cmath>

inline int Px(int twips) { return static_cast<int>(std::nearbyint(twips / 15.0)); }
