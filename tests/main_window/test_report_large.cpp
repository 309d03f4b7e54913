// The Report dialog with large tables: a typed number of minutes is computed
// when entered, not for each keystroke on the way (typing 1440 would first
// compute one-minute intervals of the whole series), and a table too long for
// a PDF report is said before a file is asked for.
#include "ArchiveGen.h"
#include "ReportDlg.h"
#include "ScriptedPrompts.h"
#include "SeriesReport.h"
#include "StringTable.h"
#include "TervikDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestReportLarge : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

  private slots:
    void typedMinutesComputeOnceEntered() {
        QSettings("Quorvex", "Tervik").clear();
        ScriptedPrompts prompts;
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

    void tooLongForAReportIsSaidFirst() {
        QSettings("Quorvex", "Tervik").clear();
        ScriptedPrompts prompts;
        // Ten days of five-minute cycles: 14,400 one-minute intervals.
        GenOptions g;
        g.series = 1;
        g.recordsPerSeries = 2880;
        const QString file = m_dir.filePath("days.mnr");
        QVERIFY(WriteMnrFile(file.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207),
                             GenerateRecords(g)));
        DocumentWindow main;
        main.SetStartFile(file);
        main.show();
        QCoreApplication::processEvents();
        std::unique_ptr<CReportDlg> dlg = main.CreateReportDlg();
        auto* minutes = dlg->findChild<QSpinBox*>("minutes");
        minutes->setValue(1);
        auto* interval = dlg->findChild<QComboBox*>("interval");
        interval->setCurrentIndex(2);
        emit interval->activated(2);
        QVERIFY(dlg->Table().rowCount > kMaxReportIntervals);
        prompts.fileAnswers = {m_dir.filePath("r.pdf")};
        dlg->findChild<QPushButton*>("savePdf")->click();
        QVERIFY(prompts.fileDialogs.isEmpty());
        QCOMPARE(prompts.messages, QStringList{QString::fromStdString(UIString(310, 0))
                                                   .replace("%s", QString::number(kMaxReportIntervals))});
        QVERIFY(!QFile::exists(m_dir.filePath("r.pdf")));
    }
};

QTEST_MAIN(TestReportLarge)
#include "test_report_large.moc"
