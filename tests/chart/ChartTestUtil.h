#pragma once

#include "ImageDC.h"
#include "LC.h"

#include <QImage>

#include <string>
#include <vector>

inline QImage WhiteImage(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

inline COLORREF At(const QImage& img, int x, int y) {
    return FromArgb(img.pixel(x, y));
}

// A raster context that also records the texts written.
class RecordingDC : public CImageDC {
  public:
    using CImageDC::CImageDC;
    struct Text {
        int x, y;
        std::string text;
    };
    std::vector<Text> texts;
    void TextOut(int x, int y, const std::string& s) override {
        texts.push_back({x, y, s});
        CImageDC::TextOut(x, y, s);
    }
};

// A data set from points in input order.
inline CLCDataSet* MakeDataSet(const std::vector<double>& x, const std::vector<double>& y) {
    auto* ds = new CLCDataSet;
    ds->Allocate(static_cast<int>(x.size()));
    for (size_t i = 0; i < x.size(); ++i) {
        ds->m_pX[i] = x[i];
        ds->m_pY[i] = y[i];
    }
    ds->SortByX();
    ds->SetInterpolation(0);
    return ds;
}

// A chart of 400 x 300 with default margins, plot (70, 30) .. (379, 239), W
// 310 and H 210, showing three points in the view 0..310 x 0..210; it records
// the view notifications (posted) and the immediate ones (sent).
struct GestureChart {
    CLC c;
    std::vector<int> posted, sent;
    GestureChart() {
        c.Layout(400, 300);
        c.Model().AddPlot(MakeDataSet({0, 155, 310}, {0, 105, 210}));
        c.Model().SetView(0, 0, 310, 210);
        c.Model().ResetViewHistory();
        c.Redraw();
        QObject::connect(&c, &CLC::viewChanged,
                         [this](LCViewNotice id) { posted.push_back(static_cast<int>(id)); });
        QObject::connect(&c, &CLC::chartNotify,
                         [this](LCNotify code) { sent.push_back(static_cast<int>(code)); });
    }
};
