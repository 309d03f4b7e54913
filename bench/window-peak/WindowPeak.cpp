// Opens a file in the real main window offscreen, shows it and quits, for
// bench/peak-memory.sh to measure the window's peak memory with GNU time.
// Usage: tervik-window-peak FILE

#include "TervikDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tervik-window-peak FILE\n", stderr);
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Settings of its own, so the stored window geometry is not the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    DocumentWindow dlg;
    dlg.SetStartFile(QString::fromLocal8Bit(argv[1]));
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg)) {
        std::fputs("tervik-window-peak: the window was not shown\n", stderr);
        return 1;
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const QComboBox* series = dlg.findChild<QComboBox*>(QStringLiteral("1009"));
    std::printf("series: %d\n", series ? series->count() : -1);
    return series && series->count() > 0 ? 0 : 1;
}
