#pragma once

#include <QFont>
#include <QRect>

// Dialog-template geometry: dialog units converted with the dialog font's
// own metrics (horizontal base = average width of A-Z and a-z, vertical base
// = the font's line height; x in quarters, y in eighths of them).
class DialogGeometry {
public:
    explicit DialogGeometry(const QFont& font);

    int X(int dlu) const;
    int Y(int dlu) const;
    QRect Rect(int left, int top, int width, int height) const;

    // "MS Shell Dlg" 8 points, substituted by a metric-compatible font.
    static QFont DialogFont();

private:
    int m_baseX;
    int m_baseY;
};
