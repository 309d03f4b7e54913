#include "DialogGeometry.h"

#include <QFontMetrics>

namespace {
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}
} // namespace

DialogGeometry::DialogGeometry(const QFont& font) {
    const QFontMetrics fm(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
    m_baseY = fm.height();
    if (m_baseX < 1)
        m_baseX = 1;
    if (m_baseY < 1)
        m_baseY = 1;
}

int DialogGeometry::X(int dlu) const { return MulDiv(dlu, m_baseX, 4); }
int DialogGeometry::Y(int dlu) const { return MulDiv(dlu, m_baseY, 8); }

QRect DialogGeometry::Rect(int left, int top, int width, int height) const {
    return QRect(X(left), Y(top), X(width), Y(height));
}

QFont DialogGeometry::DialogFont() {
    // Microsoft's dialog font is metrically Arial's; Liberation Sans matches it.
    QFont::insertSubstitution("MS Shell Dlg", "Liberation Sans");
    QFont font("MS Shell Dlg");
    font.setPointSize(8);
    return font;
}
