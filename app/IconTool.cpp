// Writes the application icon as <dir>/<size>/tervik.png for each size given.
#include "AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: tervik-icon DIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = QString(argv[i]).toInt();
        if (size <= 0)
            return 2;
        const QString dir = QString("%1/%2").arg(argv[1]).arg(size);
        if (!QDir().mkpath(dir) || !DrawAppIcon(size).save(dir + "/tervik.png", "PNG")) {
            std::fprintf(stderr, "cannot write %s/tervik.png\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
