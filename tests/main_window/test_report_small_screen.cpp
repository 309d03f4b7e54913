// The Report dialog on a small screen at 200 % (800 x 470 logical pixels,
// less than the dialog's own size): it opens on the screen, with every
// control inside it and apart, the table taking what room there is.
#include "ArchiveGen.h"
#include "ReportDlg.h"
#include "TervikDlg.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestReportSmallScreen : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

  private slots:
    void opensOnTheScreenWithEveryControlApart() {
        QSettings("Quorvex", "Tervik").clear();
        const QString file = m_dir.filePath("gen.mnr");
        QVERIFY(WriteMnrFile(file.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207),
                             GenerateRecords(GenOptions{})));
        DocumentWindow main;
        main.SetStartFile(file);
        main.show();
        QCoreApplication::processEvents();
        std::unique_ptr<CReportDlg> dlg = main.CreateReportDlg();
        QVERIFY(dlg);
        dlg->show();
        QCoreApplication::processEvents();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(dlg->frameGeometry()),
                 qPrintable(QString("%1 x %2").arg(dlg->width()).arg(dlg->height())));

        QList<QWidget*> shown;
        for (QWidget* w : dlg->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (w->isVisible())
                shown << w;
        QVERIFY(shown.size() > 10);
        for (QWidget* a : shown) {
            QVERIFY2(dlg->rect().contains(a->geometry()), qPrintable(a->objectName()));
            for (QWidget* b : shown)
                QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + " meets " + b->objectName()));
        }
        QVERIFY(dlg->findChild<QTableWidget*>("table")->height() > 100);
    }
};

QTEST_MAIN(TestReportSmallScreen)
#include "test_report_small_screen.moc"
