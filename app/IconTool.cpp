// Writes the application icon as <dir>/<size>/tervik.png for each size
// given, or with --ico as one Windows icon file holding every size.
#include "AppIcon.h"

#include "AtomicFile.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, unsigned v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// An icon file: the directory, then each size as a PNG image (read since Vista).
bool WriteIco(const QString& path, const std::vector<int>& sizes) {
    std::vector<QByteArray> images;
    for (int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        if (size > 256 || !buffer.open(QIODevice::WriteOnly) || !DrawAppIcon(size).save(&buffer, "PNG"))
            return false;
        images.push_back(png);
    }
    std::string out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(sizes.size()));
    unsigned offset = static_cast<unsigned>(6 + 16 * sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        out += static_cast<char>(sizes[i] & 0xFF); // 256 is written as 0
        out += static_cast<char>(sizes[i] & 0xFF);
        Put16(out, 0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<unsigned>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<unsigned>(images[i].size());
    }
    for (const QByteArray& png : images)
        out.append(png.constData(), static_cast<size_t>(png.size()));
    AtomicFile file(QFile::encodeName(path).toStdString());
    return file.Open() && file.Write(out) && file.Commit();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: tervik-icon DIR SIZE...\n       tervik-icon --ico FILE SIZE...\n");
        return 2;
    }
    const bool ico = QString(argv[1]) == "--ico";
    std::vector<int> sizes;
    for (int i = ico ? 3 : 2; i < argc; ++i) {
        const int size = QString(argv[i]).toInt();
        if (size <= 0)
            return 2;
        sizes.push_back(size);
    }
    if (ico) {
        if (sizes.empty() || !WriteIco(QString::fromLocal8Bit(argv[2]), sizes)) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    for (int size : sizes) {
        const QString dir = QString("%1/%2").arg(argv[1]).arg(size);
        if (!QDir().mkpath(dir) || !DrawAppIcon(size).save(dir + "/tervik.png", "PNG")) {
            std::fprintf(stderr, "cannot write %s/tervik.png\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
