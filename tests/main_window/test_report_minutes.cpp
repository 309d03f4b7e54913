// The Report dialog's number of minutes as typed: the table is computed for
// the number when it is entered, not for each keystroke on the way (typing
// 1440 would first compute one-minute intervals of the whole series).
#include "ArchiveGen.h"
#include "ReportDlg.h"
#include "ScriptedPrompts.h"
#include "TervikDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestReportMinutes : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

  private slots:
    void typedMinutesComputeOnceEntered() {
        QSettings("Quorvex", "Tervik").clear();
        ScriptedPrompts prompts;
        const QString file = m_dir.filePath("gen.mnr");
        QVERIFY(WriteMnrFile(file.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207),
                             GenerateRecords(GenOptions{})));
        CTervikDlg main;
        main.SetStartFile(file);
        main.show();
        QCoreApplication::processEvents();
        std::unique_ptr<CReportDlg> dlg = main.CreateReportDlg();
        QVERIFY(dlg);
        dlg->show();
        auto* interval = dlg->findChild<QComboBox*>("interval");
        interval->setCurrentIndex(2);
        emit interval->activated(2);
        QCOMPARE(dlg->Request().intervals.minutes, 15);

        auto* minutes = dlg->findChild<QSpinBox*>("minutes");
        minutes->setFocus();
        minutes->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(minutes, "144");
        QCOMPARE(dlg->Request().intervals.minutes, 15);
        QTest::keyClicks(minutes, "0");
        QTest::keyClick(minutes, Qt::Key_Return);
        QCOMPARE(dlg->Request().intervals.minutes, 1440);
        QVERIFY(dlg->isVisible());
    }
};

QTEST_MAIN(TestReportMinutes)
#include "test_report_minutes.moc"
