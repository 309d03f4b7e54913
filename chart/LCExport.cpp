// Writing the chart to a picture file.

#include "LC.h"

#include "ImageDC.h"
#include "Prompts.h"

#include <QFileInfo>
#include <QImageWriter>

namespace {

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
    QImage picture(cx, cy, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        CImageDC dc(picture);
        PaintTo(dc);
    }
    const char* format = ext == "jpg" || ext == "jpeg" ? "JPEG" : ext == "bmp" ? "BMP" : ext == "png" ? "PNG" : nullptr;
    if (!format)
        return false;
    QImageWriter writer(qpath, format);
    return writer.write(picture);
}

void CLC::ExportImage() {
    QString path;
    if (!Prompts().SaveFile(this, ImageFilters(), QString(), QString(), path))
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += ".png";
    if (!SaveImage(path.toStdString()))
        Prompts().Message(this, QStringLiteral("Failed to save image"), IPrompts::Ok, IPrompts::Exclamation);
    Redraw();
}
