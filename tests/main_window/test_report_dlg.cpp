// The Report dialog opened from the main window, and the window's CSV export.
#include "ArchiveFormats.h"
#include "ArchiveGen.h"
#include "DailyPages.h"
#include "DialogUnits.h"
#include "IntervalStats.h"
#include "LimitPresets.h"
#include "ReportDlg.h"
#include "ResultStats.h"
#include "ScriptedPrompts.h"
#include "StringTable.h"
#include "TervikDlg.h"
#include "UiText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Six hours of one-minute cycles with a zero every tenth, some bad points
// and a 40-minute gap, so that intervals differ in count and completeness.
std::vector<ArchiveRecord> GeneratedSeries() {
    std::mt19937 rng(12);
    std::uniform_real_distribution<float> conc(0.0f, 1.0f);
    std::vector<ArchiveRecord> records;
    for (int i = 0; i < 360; ++i) {
        if (i >= 100 && i < 140)
            continue;
        ArchiveRecord r{};
        r.SetDateTime(2011, 6, 3, 9 + i / 60, i % 60, 30);
        r.SetSeriesNumber(7);
        r.SetFlags(i % 10 == 0 ? RF_ZERO : i % 37 == 5 ? RF_BAD : 0);
        r.SetConcentration(i % 10 == 0 ? 0.05f : conc(rng));
        r.SetTemperature(static_cast<int16_t>(180 + i % 50));
        r.SetPressure(static_cast<uint16_t>(740 + i % 30));
        records.push_back(r);
    }
    return records;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The CSV's lines split at commas, header first.
QList<QStringList> CsvRows(const QString& path) {
    QList<QStringList> rows;
    for (const QByteArray& line : ReadAll(path).split('\n'))
        if (!line.isEmpty())
            rows << QString::fromUtf8(line).split(',');
    return rows;
}

double Num(const QString& text) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? v : std::nan("");
}

} // namespace

class TestReportDlg : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<CTervikDlg> m_dlg;

    CTervikDlg& Open() {
        const QString path = m_dir.filePath("gen.mnr");
        if (!WriteMnrFile(path.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 1234),
                          GeneratedSeries()))
            qFatal("cannot write %s", qPrintable(path));
        m_dlg = std::make_unique<DocumentWindow>();
        m_dlg->SetStartFile(path);
        m_dlg->show();
        return *m_dlg;
    }
    template <class T> T* C(int id) const { return m_dlg->findChild<T*>(QString::number(id)); }
    const SeriesInfo& Series() const { return *m_dlg->Document().Archive()->GetSeries(0); }

  private slots:
    void init() {
        QSettings("Quorvex", "Tervik").clear();
        SetUILanguage(0);
    }
    void cleanup() { m_dlg.reset(); }

    void buttonFollowsTheSelectionAndTheRightEdge() {
        ScriptedPrompts prompts;
        m_dlg = std::make_unique<DocumentWindow>();
        m_dlg->show();
        auto* report = C<QPushButton>(1034);
        QVERIFY(report);
        QCOMPARE(report->text(), QString("Report"));
        QVERIFY(!report->isEnabled());
        QVERIFY(!m_dlg->CreateReportDlg());
        m_dlg.reset();

        Open();
        report = C<QPushButton>(1034);
        QVERIFY(report->isEnabled());
        const DialogGeometry du(m_dlg->font());
        QCOMPARE(report->geometry(), du.Rect(504, 134, 62, 14));
        m_dlg->resize(m_dlg->size() + QSize(120, 40));
        QCOMPARE(report->geometry(), du.Rect(504, 134, 62, 14).translated(120, 0));
        // An archive without records empties the list, and the button goes
        // with it.
        const QString empty = m_dir.filePath("empty.mnr");
        QVERIFY(
            WriteMnrFile(empty.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 1), {}));
        QCOMPARE(m_dlg->LoadFile(*FormatByKey("mnr"), empty), 0);
        QCOMPARE(C<QComboBox>(1009)->count(), 0);
        QVERIFY(!report->isEnabled());
    }

    // The table is IntervalStats of the points the window shows: with its
    // corrections and, for points in view, only those in the chart's view.
    void tableIsTheIntervalsOfTheShownPoints() {
        ScriptedPrompts prompts;
        Open();
        C<QCheckBox>(1028)->click(); // to the standard temperature
        C<QCheckBox>(1029)->click();
        const double x1 = Series().GetRecord(30).GetTime(), x2 = Series().GetRecord(250).GetTime();
        QCOMPARE(m_dlg->Chart()->SetView(x1, -1, x2, 2), 0);
        m_dlg->SetReportPdfWriter({});
        std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
        QVERIFY(dlg);
        QVERIFY(!dlg->findChild<QPushButton*>("savePdf")->isVisibleTo(dlg.get()));
        dlg->findChild<QComboBox*>("interval")->setCurrentIndex(2);
        emit dlg->findChild<QComboBox*>("interval")->activated(2);
        dlg->findChild<QSpinBox*>("minutes")->setValue(45);
        dlg->findChild<QRadioButton*>("inView")->setChecked(true);

        CurveOptions curve;
        curve.stdTemp = 200;
        curve.stdPres = 760;
        IntervalOptions options;
        options.minutes = 45;
        options.xmin = x1;
        options.xmax = x2;
        IntervalTable want;
        QVERIFY(ComputeIntervals(Series(), curve, options, want));
        const IntervalTable& got = dlg->Table();
        QCOMPARE(got.rows.size(), want.rows.size());
        QVERIFY(want.rows.size() >= 4);
        auto* table = dlg->findChild<QTableWidget*>("table");
        QCOMPARE(table->rowCount(), static_cast<int>(want.rows.size()) + 1);
        for (size_t i = 0; i <= want.rows.size(); ++i) {
            const IntervalRow& w = i < want.rows.size() ? want.rows[i] : want.total;
            const IntervalRow& g = i < want.rows.size() ? got.rows[i] : got.total;
            QCOMPARE(g.start, w.start);
            QCOMPARE(g.count, w.count);
            QCOMPARE(g.mean, w.mean);
            const int r = static_cast<int>(i);
            QCOMPARE(table->item(r, 3)->text(), QString::number(w.count));
            QCOMPARE(table->item(r, 4)->text(),
                     w.count ? QString::fromStdString(ThreeDigitForm(w.mean)) : QString("-"));
            QCOMPARE(table->item(r, 9)->text(), QString(w.incomplete ? "*" : ""));
        }
        QCOMPARE(table->item(static_cast<int>(want.rows.size()), 0)->text(), QString("Total"));
        // The whole series again.
        dlg->findChild<QRadioButton*>("whole")->setChecked(true);
        QVERIFY(dlg->Table().total.count > want.total.count);
    }

    // The calendar and profile pages beside the table: computed when shown,
    // from the points and corrections of the table.
    void dailyPagesFollowTheTable() {
        ScriptedPrompts prompts;
        Open();
        C<QCheckBox>(1028)->click(); // to the standard temperature
        std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
        auto* pages = dlg->findChild<CDailyPages*>("dailyPages");
        QVERIFY(pages);
        auto* tabs = dlg->findChild<QTabWidget*>("pages");
        QCOMPARE(tabs->tabText(tabs->indexOf(pages->CalendarPage())), QString("Calendar"));
        QVERIFY(pages->Data().days.empty());
        tabs->setCurrentWidget(pages->ProfilesPage());
        DailyProfiles want;
        QVERIFY(ComputeDailyProfiles(Series(), dlg->Request().curve, 0.75, -INFINITY, INFINITY, want));
        QCOMPARE(pages->Data().days.size(), size_t{1});
        QCOMPARE(pages->Data().days[0].points, want.days[0].points);
        for (int h = 9; h < 15; ++h)
            QCOMPARE(pages->Data().hourOfDay[h].mean, want.hourOfDay[h].mean);
    }

    // Beyond ten thousand intervals the table stops; the total covers all.
    void longTablesAreCut() {
        ScriptedPrompts prompts;
        std::vector<ArchiveRecord> records;
        for (int m = 0; m < 8 * 1440; m += 1) {
            ArchiveRecord r{};
            r.SetDateTime(2011, 6, 3 + m / 1440, m / 60 % 24, m % 60, 0);
            r.SetSeriesNumber(1);
            r.SetFlags(m % 60 == 30 ? RF_ZERO : 0);
            r.SetConcentration(static_cast<float>(m % 7));
            records.push_back(r);
        }
        const QString path = m_dir.filePath("week.mnr");
        QVERIFY(WriteMnrFile(path.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 1),
                             records));
        QVERIFY(Open().LoadFile(*FormatByKey("mnr"), path) > 0);
        std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
        dlg->findChild<QSpinBox*>("minutes")->setValue(1);
        dlg->findChild<QComboBox*>("interval")->setCurrentIndex(2);
        emit dlg->findChild<QComboBox*>("interval")->activated(2);
        QCOMPARE(dlg->Table().rowCount, size_t{8 * 1440});
        QCOMPARE(dlg->Table().rows.size(), size_t{10000});
        auto* table = dlg->findChild<QTableWidget*>("table");
        QCOMPARE(table->rowCount(), 10001);
        QCOMPARE(table->item(10000, 3)->text(), QString::number(dlg->Table().total.count));
        QVERIFY(dlg->findChild<QLabel*>("summary")->text().contains("The first 10000 are shown"));
    }

    void limitIsRememberedAndCsvRoundTrips() {
        ScriptedPrompts prompts;
        Open();
        {
            std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
            auto* limit = dlg->findChild<QLineEdit*>("limit");
            QCOMPARE(limit->text(), QString());
            // Enter takes the typed limit and leaves the dialog open.
            dlg->show();
            QTest::keyClicks(limit, "0,62");
            QTest::keyClick(limit, Qt::Key_Return);
            QVERIFY(dlg->isVisible());
            QVERIFY(dlg->Table().total.above > 0);
            // Not a number: said so, and the remembered value stays.
            limit->setText("0.6x");
            limit->setModified(true);
            emit limit->editingFinished();
            QCOMPARE(prompts.messages, QStringList{"Enter the limit value as a number, or leave it empty."});
        }
        QCOMPARE(QSettings("Quorvex", "Tervik").value("ReportLimit").toString(), QString("0.62"));

        std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
        QCOMPARE(dlg->findChild<QLineEdit*>("limit")->text(), QString("0.62"));
        QVERIFY(dlg->Request().intervals.haveLimit);
        QCOMPARE(dlg->Request().intervals.limit, 0.62);
        const IntervalTable& table = dlg->Table();

        const QString out = m_dir.filePath("intervals.csv");
        prompts.fileAnswers = {out};
        dlg->findChild<QPushButton*>("exportCsv")->click();
        QCOMPARE(prompts.fileDialogs.last(), QString("save:csv:2011-06-03_090030_1h"));
        const QList<QStringList> rows = CsvRows(out);
        QCOMPARE(rows.size(), static_cast<int>(table.rows.size()) + 2);
        QCOMPARE(rows[0].size(), 18);
        for (int i = 1; i < rows.size(); ++i) {
            const IntervalRow& r = i <= static_cast<int>(table.rows.size()) ? table.rows[i - 1] : table.total;
            QCOMPARE(rows[i][3].toULongLong(), static_cast<qulonglong>(r.count));
            QCOMPARE(Num(rows[i][5]), r.coverage);
            if (r.count) {
                QCOMPARE(Num(rows[i][7]), r.mean);
                QCOMPARE(Num(rows[i][8]), r.sd);
                QCOMPARE(Num(rows[i][11]), r.max);
            }
            QCOMPARE(rows[i][13].toULongLong(), static_cast<qulonglong>(r.above));
            QCOMPARE(Num(rows[i][14]), r.aboveSeconds);
        }
        QCOMPARE(rows.last()[0], QString("total"));
    }

    void pdfButtonCallsTheWriterOfTheWindow() {
        ScriptedPrompts prompts;
        Open();
        QString writtenTo;
        ReportOptions seen;
        const TervikDocument* seenDocument = nullptr;
        m_dlg->SetReportPdfWriter([&](const TervikDocument& document, const ReportOptions& options,
                                      const IntervalTable&, const QString& path, QString& error) {
            seen = options;
            seenDocument = &document;
            writtenTo = path;
            error = "disk full";
            return false;
        });
        std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
        auto* pdf = dlg->findChild<QPushButton*>("savePdf");
        QVERIFY(pdf->isVisibleTo(dlg.get()) && pdf->isEnabled());
        dlg->findChild<QComboBox*>("interval")->setCurrentIndex(1);
        emit dlg->findChild<QComboBox*>("interval")->activated(1);
        prompts.fileAnswers = {m_dir.filePath("r.pdf")};
        pdf->click();
        QCOMPARE(writtenTo, m_dir.filePath("r.pdf"));
        QCOMPARE(seenDocument, &m_dlg->Document());
        QCOMPARE(seen.series, 0);
        QCOMPARE(seen.intervals.minutes, 1440);
        QVERIFY(seen.curve.zeroCorrection && seen.curve.filter);
        QCOMPARE(prompts.messages, QStringList{"disk full"});
    }

    // Raw results, though both standard conditions are ticked: the summary
    // lists no correction, states the filter, and names the source as the
    // window's Data caption does.
    void summaryStatesSourceAndCorrections() {
        ScriptedPrompts prompts;
        Open();
        C<QCheckBox>(1028)->click();
        C<QCheckBox>(1029)->click();
        C<QComboBox>(1010)->setCurrentIndex(0);
        emit C<QComboBox>(1010)->activated(0);
        const QString source = "file " + QDir::toNativeSeparators(m_dir.filePath("gen.mnr")) +
                               ", named on the command line; data read from instrument no. 1234";
        QCOMPARE(C<QGroupBox>(1019)->title(), "Data (" + source + ")");
        std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
        const QStringList lines = dlg->findChild<QLabel*>("summary")->text().split('\n');
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines[0], "Source: " + source);
        QCOMPARE(lines[1], QString("Corrections: none (raw results as stored); "
                                   "Bad data point filter: on (points marked bad left out)"));
    }

    // Without an injected writer the window writes the report itself, naming
    // the file it loaded.
    void windowWritesThePdfReportOfItsFile() {
        ScriptedPrompts prompts;
        Open();
        std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
        const QString out = m_dir.filePath("r.pdf");
        prompts.fileAnswers = {out};
        dlg->findChild<QPushButton*>("savePdf")->click();
        QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.messages.join('\n')));
#ifdef _WIN32
        // No pdftotext there: a PDF was written; its text is read on Linux.
        QFile pdf(out);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(pdf.read(5), QByteArray("%PDF-"));
#else
        QProcess text;
        text.start("pdftotext", {"-layout", out, "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString source = C<QGroupBox>(1019)->title().mid(6).chopped(1);
        QVERIFY(QString::fromUtf8(text.readAllStandardOutput()).simplified().contains("Source: " + source));
#endif
    }

    // Threshold, preset and rolling mean: the pages show the archive's
    // figures for the points of the table, the choices come back in the next
    // dialog, the PDF states them, and "none" brings the typed limit back.
    void resultChoicesShowTheArchiveFiguresAndAreKept() {
        ScriptedPrompts prompts;
        Open();
        const auto choose = [](QComboBox* list, int index) {
            list->setCurrentIndex(index);
            emit list->activated(index);
        };
        const LimitCheck check = PresetLimit(*FindLimitPreset("ru-daily"), 1);
        {
            std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
            auto* limit = dlg->findChild<QLineEdit*>("limit");
            auto* threshold = dlg->findChild<QSpinBox*>("threshold");
            auto* preset = dlg->findChild<QComboBox*>("preset");
            auto* rolling = dlg->findChild<QComboBox*>("rolling");
            QVERIFY(limit && threshold && preset && rolling);
            QCOMPARE(threshold->value(), 75);
            QCOMPARE(rolling->currentIndex(), 0);
            limit->setText("0.5");
            limit->setModified(true);
            emit limit->editingFinished();
            threshold->setValue(90);
            choose(preset, preset->findData("ru-daily"));
            choose(rolling, 3);
            dlg->findChild<QSpinBox*>("rollingHours")->setValue(6);
            choose(dlg->findChild<QComboBox*>("rollingAlign"), 1);
            QVERIFY(!limit->isEnabled());

            const ReportOptions& r = dlg->Request();
            QCOMPARE(r.intervals.minShare, 0.9);
            QCOMPARE(r.limitPreset, std::string("ru-daily"));
            QCOMPARE(r.intervals.limit, check.value);
            QCOMPARE(r.rollingHours, 6);
            QVERIFY(r.rollingAlign == WindowAlign::Centre);
            SummaryOptions so;
            so.threshold = 0.9;
            so.limit = check;
            SummaryStats want;
            QVERIFY(ComputeSummary(Series(), r.curve, so, want));
            const SummaryStats& got = dlg->Summary();
            QCOMPARE(got.p95, want.p95);
            QCOMPARE(got.validHours, want.validHours);
            QCOMPARE(got.averagesCompared, want.averagesCompared);
            auto* summary = dlg->findChild<QTableWidget*>("summaryTable");
            const auto valueOf = [summary](const QString& name) {
                for (int i = 0; i < summary->rowCount(); ++i)
                    if (summary->item(i, 0)->text() == name)
                        return summary->item(i, 1)->text();
                return QString("<none>");
            };
            QCOMPARE(valueOf("95th percentile"), QString::fromStdString(ThreeDigitForm(want.p95)));
            QCOMPARE(valueOf("Valid averages above the limit"),
                     QString("%1 of %2").arg(want.averagesAbove).arg(want.averagesCompared));

            std::vector<RollingMean> means;
            std::string error;
            QVERIFY(ComputeRollingMeans(Series(), r.curve, RollingOptions{6, WindowAlign::Centre, 0.9},
                                        -INFINITY, INFINITY, means, error));
            auto* table = dlg->findChild<QTableWidget*>("rollingTable");
            QCOMPARE(table->rowCount(), static_cast<int>(means.size()));
            QVERIFY(std::any_of(means.begin(), means.end(), [](const RollingMean& m) { return !m.valid; }));
            for (size_t i = 0; i < means.size(); ++i)
                QCOMPARE(table->item(static_cast<int>(i), 5)->text(),
                         means[i].valid ? QString::fromStdString(ThreeDigitForm(means[i].mean))
                                        : QString("*"));
        }
        QSettings settings("Quorvex", "Tervik");
        QCOMPARE(settings.value("ReportLimit").toString(), QString("0.5"));
        QCOMPARE(settings.value("ReportLimitPreset").toString(), QString("ru-daily"));
        QCOMPARE(settings.value("ReportCaptureThreshold").toInt(), 90);
        QCOMPARE(settings.value("ReportRollingHours").toInt(), 6);
        QCOMPARE(settings.value("ReportRollingAlign").toString(), QString("centre"));

        std::unique_ptr<CReportDlg> dlg = m_dlg->CreateReportDlg();
        QCOMPARE(dlg->findChild<QSpinBox*>("threshold")->value(), 90);
        QCOMPARE(dlg->findChild<QComboBox*>("preset")->currentData().toString(), QString("ru-daily"));
        QCOMPARE(dlg->findChild<QSpinBox*>("rollingHours")->value(), 6);
        QCOMPARE(dlg->Request().rollingHours, 6);
        QVERIFY(dlg->Request().rollingAlign == WindowAlign::Centre);
#ifndef _WIN32
        const QString out = m_dir.filePath("choices.pdf");
        prompts.fileAnswers = {out};
        dlg->findChild<QPushButton*>("savePdf")->click();
        QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.messages.join('\n')));
        QProcess text;
        text.start("pdftotext", {out, "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString pdf = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        const qsizetype top =
            pdf.indexOf("Summary Capture threshold: 90% Limit preset: " + UI(check.preset->nameOffset) +
                        " Time base: local time of this computer");
        QVERIFY2(top >= 0 && top < pdf.indexOf("Source:"), qPrintable(pdf.left(600)));
        QVERIFY(pdf.contains("Rolling 6-hour mean (window centred on the hour)"));
#endif
        auto* limit = dlg->findChild<QLineEdit*>("limit");
        choose(dlg->findChild<QComboBox*>("preset"), 0);
        QVERIFY(limit->isEnabled());
        QCOMPARE(limit->text(), QString("0.5"));
        QVERIFY(dlg->Request().limitPreset.empty() && dlg->Request().intervals.haveLimit);
        QCOMPARE(dlg->Request().intervals.limit, 0.5);
    }

    // Export writes the CSV of the command-line export when its filter is
    // chosen; the table stays the default.
    void exportWritesCsvByTheChosenFilter() {
        ScriptedPrompts prompts;
        Open();
        C<QComboBox>(1010)->setCurrentIndex(0);
        emit C<QComboBox>(1010)->activated(0); // raw results
        const QString out = m_dir.filePath("export");
        prompts.fileAnswers = {out};
        prompts.filterAnswers = {2};
        C<QPushButton>(1007)->click();
        QCOMPARE(prompts.filters.last()[1].pattern, QString("*.csv"));
        CurveOptions o;
        o.zeroCorrection = false;
        SeriesCurves curves;
        GetExportCurves(Series(), o, curves);
        const QList<QStringList> rows = CsvRows(out);
        QCOMPARE(rows.size(), static_cast<int>(curves.results.size()) + 1);
        QCOMPARE(rows[0].join(','), QString("time,epoch,result,temperature,pressure,zero,bad"));
        for (int i = 1; i < rows.size(); ++i) {
            QCOMPARE(Num(rows[i][1]), curves.times[static_cast<size_t>(i - 1)]);
            QCOMPARE(Num(rows[i][2]), curves.results[static_cast<size_t>(i - 1)]);
        }
        // A typed .txt is the table whatever the filter.
        prompts.fileAnswers = {m_dir.filePath("export.txt")};
        prompts.filterAnswers = {2};
        C<QPushButton>(1007)->click();
        QCOMPARE(ReadAll(m_dir.filePath("export.txt")), QByteArray::fromStdString(ExportTable(Series(), o)));
    }

    // In the real save dialog a name typed without extension gets the one of
    // the file type chosen.
    void typedNameGetsTheChosenTypesExtension() {
        Open();
        SetFileDialogFolder(m_dir.path());
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            auto* types = dlg->findChild<QComboBox*>("fileTypeCombo");
            auto* name = dlg->findChild<QLineEdit*>("fileNameEdit");
            if (!types || !name || types->count() < 2) {
                dlg->reject();
                return;
            }
            seen = true;
            types->setCurrentIndex(1);
            emit types->activated(1); // as a click on the entry does
            emit types->textActivated(types->itemText(1));
            name->setText("picked");
            QMetaObject::invokeMethod(dlg, "accept");
        });
        C<QPushButton>(1007)->click();
        QVERIFY(seen);
        QVERIFY(ReadAll(m_dir.filePath("picked.csv")).startsWith("time,epoch,"));
    }
};

QTEST_MAIN(TestReportDlg)
#include "test_report_dlg.moc"
