// Writing the chart to a picture file.

#include "LC.h"

#include "AtomicFile.h"
#include "EmfDC.h"
#include "GifWriter.h"
#include "ImageDC.h"
#include "Prompts.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

namespace {

const char* const kFilterExtensions[] = {".jpg", ".bmp", ".gif", ".png", ".emf"};

QList<IPrompts::Filter> ImageFilters() {
    return {{"JPEG image", "*.jpg"}, {"Bitmap image", "*.bmp"}, {"GIF image", "*.gif"}, {"PNG image", "*.png"},
            {"Windows EMF", "*.emf"}};
}

} // namespace

// Neither the encoders nor libEMF may take the window down with an exception.
bool CLC::SaveImage(const std::string& path) try {
    const int cx = m_rcClient.right - m_rcClient.left + 1, cy = m_rcClient.bottom - m_rcClient.top + 1;
    if (cx <= 0 || cy <= 0)
        return false;
    const QString qpath = QString::fromStdString(path);
    const QString ext = QFileInfo(qpath).suffix().toLower();
    if (ext == "emf") {
        CEmfDC dc;
        if (!dc.Create(path))
            return false;
        PaintTo(dc);
        return dc.Close();
    }
    const char* format = ext == "jpg" || ext == "jpeg" ? "JPEG" : ext == "bmp" ? "BMP" : ext == "png" ? "PNG" : nullptr;
    if (!format && ext != "gif")
        return false;
    // The picture has the window's size and the display's 32 bits per pixel.
    QImage picture(cx, cy, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        CImageDC dc(picture);
        PaintTo(dc);
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

void CLC::ExportImage() {
    QString path;
    int filter = 0;
    if (!Prompts().SaveFile(this, ImageFilters(), QString(), QString(), path, &filter))
        return;
    // A typed extension wins; otherwise the chosen entry's is appended.
    if (QFileInfo(path).suffix().isEmpty()) {
        if (filter < 1 || filter > static_cast<int>(std::size(kFilterExtensions)))
            return;
        path += kFilterExtensions[filter - 1];
    }
    const bool emf = QFileInfo(path).suffix().toLower() == "emf";
    if (!SaveImage(path.toStdString())) {
        if (emf)
            Prompts().Message(this, QStringLiteral("Failed to create EMF"), IPrompts::Ok, IPrompts::Exclamation);
        else
            Prompts().Message(this, QStringLiteral("Failed to save image"), IPrompts::Ok, IPrompts::Exclamation);
    }
    Redraw();
}
