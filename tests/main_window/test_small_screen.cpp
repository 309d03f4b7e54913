// The main window on a small screen at 200 %: 800 x 470 logical pixels, less
// than the template's size in both directions.
#include "LC.h"
#include "LCWrp.h"
#include "TervikDlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QTest>

class TestSmallScreen : public QObject {
    Q_OBJECT

    // Every shown control lies inside the window, has room for what it
    // shows, and meets no other, except a frame and what it surrounds.
    static void CheckControls(const CTervikDlg& dlg) {
        QList<QWidget*> shown;
        for (QWidget* w : dlg.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (w->isVisible())
                shown << w;
        QVERIFY(shown.size() > 20);
        for (QWidget* w : shown) {
            QVERIFY2(dlg.rect().contains(w->geometry()), qPrintable(w->objectName()));
            if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w))
                QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(w->objectName()));
        }
        for (QWidget* a : shown)
            for (QWidget* b : shown) {
                if (a == b || !a->geometry().intersects(b->geometry()))
                    continue;
                const bool framed = (qobject_cast<QGroupBox*>(a) && a->geometry().contains(b->geometry())) ||
                                    (qobject_cast<QGroupBox*>(b) && b->geometry().contains(a->geometry()));
                QVERIFY2(framed, qPrintable(a->objectName() + " meets " + b->objectName()));
            }
    }

  private slots:
    void init() { QSettings("Quorvex", "Tervik").clear(); }

    void opensWholeWithEveryControlApart() {
        const QScreen* screen = QGuiApplication::primaryScreen();
        QCOMPARE(screen->devicePixelRatio(), 2.0);
        QCOMPARE(screen->availableGeometry().size(), QSize(800, 470));
        DocumentWindow dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCoreApplication::processEvents();
        QVERIFY(screen->availableGeometry().contains(dlg.frameGeometry()));
        QVERIFY(dlg.width() < dlg.TemplateSize().width() && dlg.height() < dlg.TemplateSize().height());
        CheckControls(dlg);
        // The chart is drawn in the screen's pixels at its new size.
        auto* chart = static_cast<CLC*>(dlg.Chart()->GetWnd());
        QVERIFY(chart->width() > 300 && chart->height() > 150);
        QCOMPARE(chart->Surface().size(), chart->size() * 2);

        // Every size down to the smallest keeps the controls apart.
        for (const QSize size : {QSize(850, 560), QSize(780, 480), QSize(1, 1)}) {
            dlg.resize(size);
            QCoreApplication::processEvents();
            CheckControls(dlg);
            if (QTest::currentTestFailed())
                qWarning() << "at" << dlg.size();
        }
    }

    // Dragging the window's edge: each step of the drag draws the plot at
    // most once, however many controls move.
    void dragResizeDrawsThePlotOncePerStep() {
        DocumentWindow dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* chart = static_cast<CLC*>(dlg.Chart()->GetWnd());
        auto* data = new CLCDataSet;
        QVERIFY(data->Allocate(20000));
        for (int i = 0; i < 20000; ++i) {
            data->m_pX[i] = 1.3e9 + 10.0 * i;
            data->m_pY[i] = i % 97;
        }
        data->SortByX();
        chart->Model().AddPlot(data);
        chart->Core().ShowAllData();
        chart->Redraw();
        QCoreApplication::processEvents();
        const int before = chart->Painter().PaintCount();
        const int steps = 12;
        for (int i = 1; i <= steps; ++i) {
            dlg.resize(dlg.minimumSize() + QSize(7 * i, 4 * i));
            QCoreApplication::processEvents();
        }
        QVERIFY(chart->Painter().PaintCount() > before);
        QVERIFY2(chart->Painter().PaintCount() - before <= steps,
                 qPrintable(QString::number(chart->Painter().PaintCount() - before)));
    }
};

QTEST_MAIN(TestSmallScreen)
#include "test_small_screen.moc"
