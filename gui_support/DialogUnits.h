#pragma once

// Dialog units to pixels, the one conversion every dialog of the program and
// the CLI's default picture size use: the horizontal base unit is half of
// (the average width of "A".."Z" "a".."z" + 1), the vertical one the font's
// line height; x counts quarters and y eighths of them, each rounded half
// away from zero as MapDialogRect does. Needs QtGui only (and a
// QGuiApplication for the font metrics).

#include <QFont>
#include <QRect>
#include <QSize>

struct DialogBaseUnits {
    int cx = 0, cy = 0;
};

int DialogUnitsToPixelsX(int dlu, const DialogBaseUnits& base);
int DialogUnitsToPixelsY(int dlu, const DialogBaseUnits& base);

// The base units of a font, and of the dialog font.
DialogBaseUnits DialogFontBaseUnits(const QFont& font);
DialogBaseUnits DialogFontBaseUnits();

// A dialog template's geometry in the pixels of its font.
class DialogGeometry {
  public:
    explicit DialogGeometry(const QFont& font) : m_base(DialogFontBaseUnits(font)) {}

    int X(int dlu) const { return DialogUnitsToPixelsX(dlu, m_base); }
    int Y(int dlu) const { return DialogUnitsToPixelsY(dlu, m_base); }
    QRect Rect(int left, int top, int width, int height) const {
        return QRect(X(left), Y(top), X(width), Y(height));
    }
    QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }

    // "MS Shell Dlg" 8 points, substituted by a metric-compatible font.
    static QFont DialogFont();

  private:
    DialogBaseUnits m_base;
};

struct PixelSize {
    int cx = 0, cy = 0;
};

// The chart placeholder of the main window (control 1018, 474 x 234 dialog
// units) in pixels of the dialog font: the window's chart size, and the size
// tervik-cli renders at by default.
PixelSize ChartPlaceholderSize();
