#include "DialogUnits.h"

#include <QFontMetrics>

namespace {
// a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}
} // namespace

int DialogUnitsToPixelsX(int dlu, const DialogBaseUnits& base) {
    return MulDiv(dlu, base.cx, 4);
}
int DialogUnitsToPixelsY(int dlu, const DialogBaseUnits& base) {
    return MulDiv(dlu, base.cy, 8);
}

DialogBaseUnits DialogFontBaseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    DialogBaseUnits b{(fm.horizontalAdvance(letters) / 26 + 1) / 2, fm.height()};
    if (b.cx < 1)
        b.cx = 1;
    if (b.cy < 1)
        b.cy = 1;
    return b;
}

DialogBaseUnits DialogFontBaseUnits() {
    return DialogFontBaseUnits(DialogGeometry::DialogFont());
}

QFont DialogGeometry::DialogFont() {
#ifndef _WIN32
    // Microsoft's dialog font is metrically Arial's; Liberation Sans matches it.
    QFont::insertSubstitution("MS Shell Dlg", "Liberation Sans");
#endif
    QFont font("MS Shell Dlg");
    font.setPointSize(8);
    return font;
}

PixelSize ChartPlaceholderSize() {
    const DialogGeometry du(DialogGeometry::DialogFont());
    return {du.X(474), du.Y(234)};
}
