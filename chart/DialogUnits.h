#pragma once

// Dialog units to pixels the way Windows converts them for a dialog in
// "MS Shell Dlg" 8 pt at 96 dpi, with the stand-in font of this platform:
// the horizontal base unit is the average width of "A".."Z" "a".."z"
// (rounded as GdiGetCharDimensions does), the vertical one the font height.

#include "GdiDC.h"

struct DialogBaseUnits {
    int cx = 0, cy = 0;
};

// Needs a QGuiApplication.
DialogBaseUnits DialogFontBaseUnits();
int DialogUnitsToPixelsX(int dlu, const DialogBaseUnits& base);
int DialogUnitsToPixelsY(int dlu, const DialogBaseUnits& base);

// The chart placeholder of the main window (control 1018, 474 x 234 dialog units) in pixels.
LCSize ChartPlaceholderSize();
