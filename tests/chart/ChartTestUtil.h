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
