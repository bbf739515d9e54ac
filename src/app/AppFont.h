#pragma once
// The font of the program's own windows: MS Sans Serif 8 point, or Liberation Sans where that
// font is missing.
#include <QFont>

QFont AppFont();
