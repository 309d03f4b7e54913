#include "LCPicture.h"

#include "AtomicFile.h"
#include "EmfDC.h"
#include "GifWriter.h"
#include "ImageDC.h"
#include "PainterDC.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace {

bool WriteBytes(const std::string& path, const QByteArray& bytes) {
    return WriteFileAtomically(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// What a picture draws: the client rectangle (inclusive) and the paint steps.
struct Drawing {
    LCRect client;
    double ratio = 1;
    std::function<void(IGdiDC&)> paint;
};

void PaintDrawingVector(const Drawing& d, QPainter& painter, const QRectF& target) {
    const LCRect& client = d.client;
    const int cx = client.right - client.left + 1, cy = client.bottom - client.top + 1;
    if (cx <= 0 || cy <= 0)
        return;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / cx, target.height() / cy);
    painter.translate(-client.left, -client.top);
    painter.setClipRect(QRectF(client.left, client.top, cx, cy));
    {
        CPainterDC dc(painter);
        d.paint(dc);
    }
    painter.restore();
}

bool WriteVector(const Drawing& drawing, const std::string& path, bool pdf, int cx, int cy,
                 const std::function<void()>& drawn) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return false;
    const QRectF target(0, 0, cx, cy);
    if (pdf) {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Tervik"));
        writer.setResolution(96);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        // 96 pixels to the inch, 72 points.
        if (!writer.setPageSize(
                QPageSize(QSizeF(cx * 0.75, cy * 0.75), QPageSize::Point, QString(), QPageSize::ExactMatch)))
            return false;
        QPainter painter;
        if (!painter.begin(&writer))
            return false;
        PaintDrawingVector(drawing, painter, QRectF(0, 0, writer.width(), writer.height()));
        if (drawn)
            drawn();
        if (!painter.end())
            return false;
    } else {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(QSize(cx, cy));
        generator.setViewBox(target);
        generator.setResolution(96);
        QPainter painter;
        if (!painter.begin(&generator))
            return false;
        PaintDrawingVector(drawing, painter, target);
        if (drawn)
            drawn();
        if (!painter.end())
            return false;
    }
    buffer.close();
    return !bytes.isEmpty() && WriteBytes(path, bytes);
}

Drawing ChartDrawing(CLCCore& chart) {
    return {chart.Painter().ClientRect(), chart.Painter().PixelRatio(),
            [&chart](IGdiDC& dc) { chart.PaintTo(dc); }};
}

// Neither the encoders nor libEMF may take the window down with an exception.
bool WriteDrawing(const Drawing& drawing, const std::string& path, const std::function<void()>& drawn) try {
    const LCRect& client = drawing.client;
    const int cx = client.right - client.left + 1, cy = client.bottom - client.top + 1;
    if (cx <= 0 || cy <= 0)
        return false;
    const QString qpath = QString::fromStdString(path);
    const QString ext = QFileInfo(qpath).suffix().toLower();
    if (ext == "emf") {
        CEmfDC dc;
        if (!dc.Create(path))
            return false;
        drawing.paint(dc);
        if (drawn)
            drawn();
        return dc.Close();
    }
    if (ext == "svg" || ext == "pdf") {
        // A vector page is as large as the window in logical pixels, however
        // many device pixels the chart was laid out in.
        const double ratio = drawing.ratio;
        return WriteVector(drawing, path, ext == "pdf",
                           std::max(1, static_cast<int>(std::lround(cx / ratio))),
                           std::max(1, static_cast<int>(std::lround(cy / ratio))), drawn);
    }
    const char* format = ext == "jpg" || ext == "jpeg" ? "JPEG"
                         : ext == "bmp"                ? "BMP"
                         : ext == "png"                ? "PNG"
                                                       : nullptr;
    if (!format && ext != "gif")
        return false;
    // The picture has the window's size and the display's 32 bits per pixel.
    QImage picture(cx, cy, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        CImageDC dc(picture);
        drawing.paint(dc);
    }
    if (drawn)
        drawn();
    if (!format)
        return WriteGif(picture, qpath);
    // Encoded in memory, then written with every write checked.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, format).write(picture))
            return false;
    }
    return WriteBytes(path, bytes);
} catch (...) {
    return false;
}

} // namespace

void PaintChartVector(CLCCore& chart, QPainter& painter, const QRectF& target) {
    PaintDrawingVector(ChartDrawing(chart), painter, target);
}

void PaintPictureVector(const PicturePaint& paint, int cx, int cy, QPainter& painter, const QRectF& target) {
    PaintDrawingVector({{0, 0, cx - 1, cy - 1}, 1, paint}, painter, target);
}

bool WritePicture(const PicturePaint& paint, int cx, int cy, double ratio, const std::string& path) {
    return WriteDrawing({{0, 0, cx - 1, cy - 1}, ratio, paint}, path, {});
}

bool IsChartPictureName(const std::string& path) {
    const QString ext = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    for (const char* known : {"jpg", "jpeg", "bmp", "gif", "png", "emf", "svg", "pdf"})
        if (ext == QLatin1String(known))
            return true;
    return false;
}

bool WriteChartPicture(CLCCore& chart, const std::string& path, const std::function<void()>& drawn) {
    return WriteDrawing(ChartDrawing(chart), path, drawn);
}
