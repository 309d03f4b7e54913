// Window places in the settings file as a hand edit may leave them: numbers
// whose far corner lies beyond the range of screen coordinates are not a
// place, and the window opens at its template's size on the screen.
#include "TervikDlg.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <memory>

class TestStoredGeometry : public QObject {
    Q_OBJECT

  private slots:
    void farCornersAreNoPlace_data() {
        QTest::addColumn<qlonglong>("x");
        QTest::addColumn<qlonglong>("width");
        QTest::newRow("far right") << qlonglong{2147483000} << qlonglong{2000};
        QTest::newRow("huge width") << qlonglong{100} << qlonglong{2147483647};
        QTest::newRow("far left") << qlonglong{-2147483000} << qlonglong{-2000};
    }
    void farCornersAreNoPlace() {
        QFETCH(qlonglong, x);
        QFETCH(qlonglong, width);
        QSettings settings("Quorvex", "Tervik");
        settings.clear();
        settings.setValue("WindowX", x);
        settings.setValue("WindowY", 10);
        settings.setValue("WindowWidth", width);
        settings.setValue("WindowHeight", 700);
        settings.sync();
        auto dlg = std::make_unique<DocumentWindow>();
        dlg->show();
        QCoreApplication::processEvents();
        QCOMPARE(dlg->size(), dlg->TemplateSize());
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(dlg->geometry()));
    }
};

QTEST_MAIN(TestStoredGeometry)
#include "test_stored_geometry.moc"
