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

bool WriteVector(CLCCore& chart, const std::string& path, bool pdf, int cx, int cy,
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
        PaintChartVector(chart, painter, QRectF(0, 0, writer.width(), writer.height()));
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
        PaintChartVector(chart, painter, target);
        if (drawn)
            drawn();
        if (!painter.end())
            return false;
    }
    buffer.close();
    return !bytes.isEmpty() && WriteBytes(path, bytes);
}

} // namespace

void PaintChartVector(CLCCore& chart, QPainter& painter, const QRectF& target) {
    const LCRect& client = chart.Painter().ClientRect();
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
        chart.PaintTo(dc);
    }
    painter.restore();
}

bool IsChartPictureName(const std::string& path) {
    const QString ext = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    for (const char* known : {"jpg", "jpeg", "bmp", "gif", "png", "emf", "svg", "pdf"})
        if (ext == QLatin1String(known))
            return true;
    return false;
}

// Neither the encoders nor libEMF may take the window down with an exception.
bool WriteChartPicture(CLCCore& chart, const std::string& path, const std::function<void()>& drawn) try {
    const LCRect& client = chart.Painter().ClientRect();
    const int cx = client.right - client.left + 1, cy = client.bottom - client.top + 1;
    if (cx <= 0 || cy <= 0)
        return false;
    const QString qpath = QString::fromStdString(path);
    const QString ext = QFileInfo(qpath).suffix().toLower();
    if (ext == "emf") {
        CEmfDC dc;
        if (!dc.Create(path))
            return false;
        chart.PaintTo(dc);
        if (drawn)
            drawn();
        return dc.Close();
    }
    if (ext == "svg" || ext == "pdf") {
        // A vector page is as large as the window in logical pixels, however
        // many device pixels the chart was laid out in.
        const double ratio = chart.Painter().PixelRatio();
        return WriteVector(chart, path, ext == "pdf", std::max(1, static_cast<int>(std::lround(cx / ratio))),
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
        chart.PaintTo(dc);
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
