#include "LCPicture.h"

#include "AtomicFile.h"
#include "EmfDC.h"
#include "GifWriter.h"
#include "ImageDC.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>

// Neither the encoders nor libEMF may take the window down with an exception.
bool WriteChartPicture(CLCCore& chart, const std::string& path) try {
    const LCRect& client = chart.ClientRect();
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
        return dc.Close();
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
    if (!format)
        return WriteGif(picture, qpath);
    // Encoded in memory, then written with every write checked.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, format).write(picture))
            return false;
    }
    return WriteFileAtomically(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
} catch (...) {
    return false;
}
