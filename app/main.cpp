#include "TervikApp.h"
#include "TervikDlg.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Documentation screenshots: TERVIK_SCREENSHOT=file.png saves a picture of
    // the main window shortly after it is shown, then closes it.
    const QString shot = qEnvironmentVariable("TERVIK_SCREENSHOT");
    if (!shot.isEmpty()) {
        QObject::connect(&TheApp(), &CTervikApp::mainWindowReady, [shot](CTervikDlg* dlg) {
            QTimer::singleShot(1500, dlg, [dlg, shot] {
                const bool ok = dlg->grab().save(shot, "PNG");
                dlg->done(ok ? 0 : 1);
            });
        });
    }
    return TheApp().InitInstance(QCoreApplication::arguments());
}
