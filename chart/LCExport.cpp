// Exporting the chart as a picture: the file dialog and the messages.

#include "LC.h"

#include "LCPicture.h"
#include "Prompts.h"

#include <QFileInfo>

namespace {

const char* const kFilterExtensions[] = {".jpg", ".bmp", ".gif", ".png", ".emf", ".svg", ".pdf"};

QList<IPrompts::Filter> ImageFilters() {
    return {{"JPEG image", "*.jpg"},  {"Bitmap image", "*.bmp"}, {"GIF image", "*.gif"},
            {"PNG image", "*.png"},   {"Windows EMF", "*.emf"},  {"SVG image", "*.svg"},
            {"PDF document", "*.pdf"}};
}

} // namespace

bool CLC::SaveImage(const std::string& path) {
    return WriteChartPicture(m_core, path);
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
            Prompts().Message(this, QStringLiteral("Failed to create EMF"), IPrompts::Ok,
                              IPrompts::Exclamation);
        else
            Prompts().Message(this, QStringLiteral("Failed to save image"), IPrompts::Ok,
                              IPrompts::Exclamation);
    }
    Redraw();
}
