// The Compare dialog: opened from the chart's menu, a file added through the
// prompts, a shift, the difference, the statistics rows and the picture.
#include "ArchiveFormats.h"
#include "ArchiveGen.h"
#include "CompareDlg.h"
#include "LC.h"
#include "ScriptedPrompts.h"
#include "StringTable.h"
#include "TervikDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// A day of one-minute cycles from hour h of 2011-06-d, a zero every tenth,
// values rising by step a cycle.
std::vector<ArchiveRecord> Day(int d, int h, float step) {
    std::vector<ArchiveRecord> records;
    for (int i = 0; i < 120; ++i) {
        ArchiveRecord r{};
        r.SetDateTime(2011, 6, d, h + i / 60, i % 60, 0);
        r.SetSeriesNumber(static_cast<uint8_t>(d));
        r.SetFlags(i % 10 == 0 ? RF_ZERO : 0);
        r.SetConcentration(i % 10 == 0 ? 0.0f : step * static_cast<float>(i));
        r.SetTemperature(200);
        r.SetPressure(750);
        records.push_back(r);
    }
    return records;
}

QPushButton* Button(const QWidget& dlg, int offset) {
    for (QPushButton* b : dlg.findChildren<QPushButton*>())
        if (b->text() == QString::fromStdString(LoadUIString(offset)))
            return b;
    return nullptr;
}

} // namespace

class TestCompareDlg : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString Write(const QString& name, const std::vector<ArchiveRecord>& records) {
        const QString path = m_dir.filePath(name);
        if (!WriteMnrFile(path.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 1234),
                          records))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

  private slots:
    void init() {
        QSettings("Quorvex", "Tervik").clear();
        SetUILanguage(0);
    }

    // The chart's menu ends with Compare..., which opens the dialog on the
    // series on screen.
    void chartMenuOpensTheDialogOnTheShownSeries() {
        ScriptedPrompts prompts;
        DocumentWindow window;
        window.SetStartFile(Write("week1.mnr", Day(6, 9, 0.01f)));
        window.show();
        QMenu menu;
        window.Chart()->GetWnd()->BuildContextMenu(&menu);
        QAction* compare = menu.actions().last();
        QCOMPARE(compare->text(), QString("Compare..."));
        QString shownName;
        int plots = -1;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CCompareDlg*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            shownName = QString::fromStdString(dlg->Shown().names.at(0));
            plots = static_cast<int>(dlg->Chart()->Model().Plots().size());
            dlg->accept();
        });
        compare->trigger();
        QCOMPARE(shownName, QString("week1.mnr #1"));
        QCOMPARE(plots, 1);
    }

    void addedFileShiftDifferenceStatisticsAndPicture() {
        ScriptedPrompts prompts;
        TervikDocument document;
        SilentReporter reporter;
        std::vector<ArchiveRecord> week1 = Day(6, 9, 0.01f), next = Day(7, 9, 0.03f);
        week1.insert(week1.end(), next.begin(), next.end());
        document.Load(FormatForOpening("mnr"), Write("week1.mnr", week1).toStdString(),
                      DataProvenance::FromFile(DataProvenance::Way::File, "week1.mnr"), reporter);
        CurveOptions options;
        options.zeroCorrection = false;
        CCompareDlg dlg(document, options, "Hg");
        dlg.show();

        // A file that does not load is told and not offered.
        prompts.fileAnswers = {m_dir.filePath("none.mnr")};
        QVERIFY(!dlg.AddFile());
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(dlg.Sources().size(), size_t{1});

        // Week 2 goes to the first free row, the rows above keep their
        // series; then it is aligned by its start.
        dlg.SetRow(0, 0, 1);
        prompts.fileAnswers = {Write("week2.mnr", Day(13, 11, 0.02f))};
        Button(dlg, kUiCompareAddFile)->click();
        QCOMPARE(dlg.Sources().size(), size_t{2});
        QCOMPARE(dlg.findChild<QComboBox*>("file2")->currentText(), QString("week2.mnr"));
        QCOMPARE(dlg.Shown().names.at(0), std::string("week1.mnr #2"));
        dlg.SetRow(0, 0, 0);
        dlg.findChild<QComboBox*>("shift2")->setCurrentIndex(1);
        dlg.findChild<QCheckBox*>("difference")->click();
        const CompareSet& set = dlg.Shown();
        QCOMPARE(set.shifts.at(1), -(7 * 86400.0 + 2 * 3600));
        QCOMPARE(set.curves.at(1).times, set.curves.at(0).times);
        // Week 2 rises twice as fast: the difference is minus week 1.
        QCOMPARE(set.difference.times.size(), set.curves.at(0).times.size());
        for (size_t i = 0; i < set.difference.values.size(); ++i)
            QCOMPARE(set.difference.values[i], -static_cast<double>(set.curves.at(0).values[i]));
        QCOMPARE(dlg.Chart()->Model().Plots().size(), size_t{3});

        // One statistics row per series and the difference, of the view.
        QTableWidget* stats = dlg.StatisticsTable();
        QCOMPARE(stats->rowCount(), 3);
        QCOMPARE(stats->item(1, 0)->text(), QString("week2.mnr #1 -170h"));
        const Statistics s1 = CompareStatistics(set, -1e12, 1e12).at(0);
        QCOMPARE(stats->item(0, 3)->text(), QString::fromStdString(StatisticsCells(s1)[2]));
        const double mid = set.curves[0].times[60];
        dlg.Chart()->Core().Model().SetView(mid, -10, mid + 3600, 10);
        QCOMPARE(stats->item(0, 3)->text(),
                 QString::fromStdString(StatisticsCells(CompareStatistics(set, mid, mid + 3600)[0])[2]));
        QVERIFY(stats->item(0, 3)->text() != QString::fromStdString(StatisticsCells(s1)[2]));

        // The picture in the formats the chart exports.
        prompts.fileAnswers = {m_dir.filePath("cmp.svg")};
        Button(dlg, kUiCompareSavePicture)->click();
        QVERIFY(QFileInfo(m_dir.filePath("cmp.svg")).size() > 0);
    }
};

QTEST_MAIN(TestCompareDlg)
#include "test_compare_dlg.moc"
