// Writing the chart to a picture file.

#include "LC.h"

#include "EmfDC.h"
#include "GifWriter.h"
#include "ImageDC.h"
#include "Prompts.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace {

const char* const kFilterExtensions[] = {".jpg", ".bmp", ".gif", ".png", ".emf"};

QList<IPrompts::Filter> ImageFilters() {
    return {{"JPEG image", "*.jpg"}, {"Bitmap image", "*.bmp"}, {"GIF image", "*.gif"}, {"PNG image", "*.png"},
            {"Windows EMF", "*.emf"}};
}

} // namespace

bool CLC::SaveImage(const std::string& path) {
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
    QSaveFile file(qpath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, format);
    if (!writer.write(picture)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
