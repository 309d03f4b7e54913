#include "DialogUnits.h"

#include <QFont>
#include <QFontMetrics>

namespace {
// MulDiv: a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
    const long long n = static_cast<long long>(a) * b;
    const long long q = ((n < 0 ? -n : n) * 2 + c) / (2LL * c);
    return static_cast<int>(n < 0 ? -q : q);
}
} // namespace

DialogBaseUnits DialogFontBaseUnits() {
    QFont f(QString::fromStdString(ResolveFontFace("MS Shell Dlg")));
    f.setPixelSize(PointFontPixelHeight(80));
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
    f.setHintingPreference(QFont::PreferFullHinting);
    const QFontMetrics fm(f);
    const int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, fm.height()};
}

int DialogUnitsToPixelsX(int dlu, const DialogBaseUnits& base) { return MulDiv(dlu, base.cx, 4); }
int DialogUnitsToPixelsY(int dlu, const DialogBaseUnits& base) { return MulDiv(dlu, base.cy, 8); }

LCSize ChartPlaceholderSize() {
    const DialogBaseUnits b = DialogFontBaseUnits();
    return {DialogUnitsToPixelsX(474, b), DialogUnitsToPixelsY(234, b)};
}
