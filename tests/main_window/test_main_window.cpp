// The main window with scripted prompts: texts in both languages, layout,
// loading from every route, the series list, exit and replace guards,
// export and saving.
#include "ArchiveGen.h"
#include "DeviceDlg.h"
#include "DialogUnits.h"
#include "LC.h"
#include "LCWrp.h"
#include "ScriptedPrompts.h"
#include "SimInstrument.h"
#include "StringTable.h"
#include "TervikDlg.h"
#include "TimeBase.h"
#include "Transport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <memory>
#include <span>
#include <sys/stat.h>

namespace {

ArchiveRecord Rec(int day, int h, int m, int s, uint8_t series, uint8_t flags, float conc, int16_t temp = 200,
                  uint16_t pres = 760) {
    ArchiveRecord r{};
    r.SetDateTime(2011, 6, day, h, m, s);
    r.SetSeriesNumber(series);
    r.SetFlags(flags);
    r.SetConcentration(conc);
    r.SetTemperature(temp);
    r.SetPressure(pres);
    return r;
}

// Series 7 (a zero, a measurement, a bad measurement, a zero), series 8 and
// series 7 again.
std::vector<ArchiveRecord> SevenEightSeven() {
    return {
        Rec(3, 9, 5, 30, 7, RF_ZERO, 2.0f, 215, 750), Rec(3, 9, 7, 10, 7, 0, 10.0f, 300, 745),
        Rec(3, 9, 8, 50, 7, RF_BAD, 50.0f, 220, 751), Rec(3, 9, 10, 30, 7, RF_ZERO, 4.0f, 230, 752),
        Rec(3, 10, 0, 0, 8, RF_ZERO, 1.0f),           Rec(3, 10, 1, 0, 8, 0, 3.0f),
        Rec(4, 11, 0, 0, 7, RF_ZERO, 1.0f),           Rec(4, 11, 0, 30, 7, 0, 2.0f),
    };
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray RecordBytes(std::span<const ArchiveRecord> records, size_t first, size_t count) {
    return QByteArray(reinterpret_cast<const char*>(records.data() + first),
                      static_cast<qsizetype>(count * 16));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TervikDocument> m_doc;
    std::unique_ptr<CTervikDlg> m_dlg;

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString WriteArchive(const QString& name, const std::vector<ArchiveRecord>& records, uint8_t kind = 1) {
        const QString p = Path(name);
        if (!WriteMnrFile(p.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, kind, 1234),
                          records))
            qFatal("cannot write %s", qPrintable(p));
        return p;
    }
    static void SetLanguage(int language) {
        QSettings("Quorvex", "Tervik").setValue("Language", language == 1 ? "Russian" : "English");
        SetUILanguage(language);
    }
    CTervikDlg& Open(const QString& startFile = QString()) {
        m_dlg.reset();
        m_doc = std::make_unique<TervikDocument>();
        m_dlg = std::make_unique<CTervikDlg>(*m_doc);
        if (!startFile.isNull())
            m_dlg->SetStartFile(startFile);
        m_dlg->show();
        return *m_dlg;
    }
    template <class T> T* C(int id) const { return m_dlg->findChild<T*>(QString::number(id)); }
    QPushButton* B(int id) const { return C<QPushButton>(id); }
    QStringList SeriesEntries() const {
        QStringList s;
        auto* list = C<QComboBox>(1009);
        for (int i = 0; i < list->count(); ++i)
            s << list->itemText(i);
        return s;
    }
    void Drop(const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        // Straight to the window's handlers: without a drag in progress the
        // application would not route a drop at all.
        QObject* target = m_dlg.get();
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        target->event(&enter);
        QVERIFY(enter.isAccepted());
        QDropEvent ev(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        target->event(&ev);
    }
    // An archive in memory that was read from the instrument and not saved.
    void LoadUnsaved() {
        m_doc->EnsureArchive().AssignRecords(SevenEightSeven(), false);
        m_dlg->Refresh();
    }

  private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() {
        QSettings("Quorvex", "Tervik").clear();
        SetLanguage(0);
    }
    void cleanup() {
        m_dlg.reset();
        // The window no longer listens: a change now would reach a deleted window.
        if (m_doc)
            m_doc->Adopt(nullptr, {});
        m_doc.reset();
        SetActiveTimeBase(TimeBase{});
    }

    // The device dialog reports "No Devices Found" before it is shown; the
    // box then belongs to the window the user sees, not to the screen corner.
    void messageOfAHiddenDialogSitsOnItsVisibleOwner() {
        Open();
        QDialog hidden(m_dlg.get());
        QWidget* owner = nullptr;
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = true;
            owner = box->parentWidget();
            box->button(QMessageBox::Ok)->click();
        });
        QCOMPARE(Prompts().Message(&hidden, "text", IPrompts::Ok, IPrompts::Exclamation), IPrompts::Ok);
        QVERIFY(shown);
        QCOMPARE(owner, m_dlg.get());
    }

    void startsWithDefaultsOrStoredConditions() {
        ScriptedPrompts prompts;
        Open();
        QCOMPARE(C<QLineEdit>(1030)->text(), QString("20.0"));
        QCOMPARE(C<QLineEdit>(1031)->text(), QString("760"));
        QCOMPARE(C<QComboBox>(1010)->currentIndex(), 1);
        QVERIFY(!B(1018)->isVisible());
        for (int id = 1012; id <= 1017; ++id)
            QVERIFY(!B(id)->isEnabled());
        QCOMPARE(SeriesEntries(), QStringList());
        m_dlg.reset();
        QSettings s("Quorvex", "Tervik");
        s.setValue("Std/Temp", static_cast<qlonglong>(uint32_t(-55)));
        s.setValue("Std/Pres", 742);
        s.sync();
        Open();
        QCOMPARE(C<QLineEdit>(1030)->text(), QString("-5.5"));
        QCOMPARE(C<QLineEdit>(1031)->text(), QString("742"));
        QCOMPARE(m_dlg->StdTemp(), -55);
        QVERIFY(prompts.messages.isEmpty());
    }

    void layoutFollowsTheTemplate() {
        Open();
        const DialogGeometry du(m_dlg->font());
        QCOMPARE(m_dlg->size(), QSize(du.X(586), du.Y(398)));
        const int table[][5] = {
            {1, 504, 372, 62, 16},     {1009, 18, 18, 336, 0},   {1019, 6, 6, 570, 36},
            {1010, 288, 73, 78, 0},    {1020, 282, 60, 96, 30},  {1007, 366, 18, 56, 14},
            {1012, 504, 167, 62, 14},  {1013, 504, 185, 62, 14}, {1014, 504, 209, 62, 14},
            {1015, 504, 228, 62, 14},  {1016, 504, 252, 62, 14}, {1017, 504, 270, 62, 14},
            {1022, 492, 156, 84, 138}, {1018, 6, 156, 474, 234}, {1023, 432, 18, 62, 14},
            {1024, 504, 342, 62, 18},  {1011, 18, 114, 450, 27}, {1025, 6, 102, 474, 48},
            {1006, 498, 60, 72, 14},   {1008, 498, 78, 72, 14},  {1021, 492, 48, 84, 78},
            {1026, 504, 18, 62, 14},   {1027, 6, 48, 474, 48},   {1028, 18, 60, 174, 10},
            {1029, 18, 78, 174, 10},   {1030, 198, 60, 58, 14},  {1031, 198, 78, 58, 14},
            {1032, 396, 72, 62, 14},   {1033, 498, 102, 72, 14},
        };
        for (const auto& row : table) {
            QWidget* w = C<QWidget>(row[0]);
            QVERIFY2(w, qPrintable(QString::number(row[0])));
            const QRect want = du.Rect(row[1], row[2], row[3], row[4]);
            QCOMPARE(w->pos(), want.topLeft());
            QCOMPARE(w->width(), want.width());
            if (row[4]) // drop-down lists are as high as their closed box
                QCOMPARE(w->height(), want.height());
        }
        // No default button: Enter elsewhere must not reach Exit.
        QVERIFY(!B(1)->isDefault());
        // Statistics columns: 100, 150 and five of (client width - 275) / 5.
        auto* stats = C<QTableWidget>(1011);
        QCOMPARE(stats->columnCount(), 7);
        const int w = (stats->width() - 2 * stats->frameWidth() - 25 - 100 - 150) / 5;
        QCOMPARE(stats->columnWidth(0), 100);
        QCOMPARE(stats->columnWidth(1), 150);
        for (int c = 2; c < 7; ++c)
            QCOMPARE(stats->columnWidth(c), w);
        QCOMPARE(stats->rowCount(), 0);
    }

    void everyControlInBothLanguages_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("texts");
        // Window caption, six groups, the buttons, the check boxes, the
        // zero-correction items, the statistics headings.
        QTest::newRow("English") << 0
                                 << QStringList{"Tervik v1.61",
                                                "Data",
                                                "Results correction",
                                                "Statistics",
                                                "Zero correction",
                                                "Data source",
                                                "Graph control",
                                                "Scroll right",
                                                "Scroll left",
                                                "All data",
                                                "Auto Y",
                                                "Prev view",
                                                "Next view",
                                                "Device",
                                                "File",
                                                "File (Orlo2)",
                                                "Export",
                                                "Save",
                                                "Save All",
                                                "Language/Язык",
                                                "Exit",
                                                "Setup",
                                                "to the standard temperature (C)",
                                                "to the standard pressure (mm Hg)",
                                                "No",
                                                "Yes",
                                                "Date",
                                                "Time",
                                                "Mean",
                                                "SD",
                                                "Min",
                                                "Max",
                                                "Range"};
        QTest::newRow("Russian") << 1
                                 << QStringList{"Tervik v1.61",
                                                "Данные",
                                                "Корректировка результатов",
                                                "Статистика",
                                                "Коррекция нуля",
                                                "Загрузить данные",
                                                "Управление графиком",
                                                "Вправо ->",
                                                "Влево <-",
                                                "Все данные",
                                                "Авто Y",
                                                "Пред. масштаб",
                                                "След. масштаб",
                                                "Из прибора",
                                                "Из файла",
                                                "Из файла (Орло2)",
                                                "Экспорт",
                                                "Сохранить",
                                                "Сохранить все",
                                                "Language/Язык",
                                                "Выход",
                                                "Настройка",
                                                "На стандартное значение температуры (С)",
                                                "На стандартное значение давления (мм рт. ст.)",
                                                "Нет",
                                                "Да",
                                                "Дата",
                                                "Время",
                                                "Среднее",
                                                "СКО",
                                                "Минимум",
                                                "Максимум",
                                                "Размах"};
    }
    void everyControlInBothLanguages() {
        QFETCH(int, language);
        QFETCH(QStringList, texts);
        SetLanguage(language);
        Open();
        QStringList seen{m_dlg->windowTitle()};
        for (int id : {1019, 1027, 1025, 1020, 1021, 1022})
            seen << C<QGroupBox>(id)->title();
        for (int id : {1012, 1013, 1014, 1015, 1016, 1017, 1006, 1008, 1033, 1007, 1023, 1026, 1024, 1, 1032})
            seen << B(id)->text();
        seen << C<QCheckBox>(1028)->text() << C<QCheckBox>(1029)->text();
        seen << C<QComboBox>(1010)->itemText(0) << C<QComboBox>(1010)->itemText(1);
        auto* stats = C<QTableWidget>(1011);
        for (int c = 0; c < 7; ++c)
            seen << stats->horizontalHeaderItem(c)->text();
        QCOMPARE(seen, texts);
        QCOMPARE(C<QComboBox>(1010)->count(), 2);
    }

    void seriesListNamesEverySeries() {
        ScriptedPrompts prompts;
        Open(WriteArchive("a.mnr", SevenEightSeven()));
        QCOMPARE(SeriesEntries(),
                 (QStringList{
                     "#1/3    Start: [  2011-06-03   09:05:30  ]     Stop: [  2011-06-03   09:10:30  ]",
                     "#2/3    Start: [  2011-06-03   10:00:00  ]     Stop: [  2011-06-03   10:01:00  ]",
                     "#3/3    Start: [  2011-06-04   11:00:00  ]     Stop: [  2011-06-04   11:00:30  ]"}));
        QCOMPARE(C<QComboBox>(1009)->currentIndex(), 0);
        // The group caption says how the data came and where they first came from.
        QCOMPARE(C<QGroupBox>(1019)->title(),
                 "Data (file " + QDir::toNativeSeparators(Path("a.mnr")) +
                     ", named on the command line; data read from instrument no. 1234)");
        // The first series is shown: its measurement points, filtered, zero-corrected.
        QCOMPARE(m_dlg->TimeValues().size(), size_t(1));
        QVERIFY(qAbs(m_dlg->ResultValues()[0] - (10.0 - (2.0 + 2.0 * 100 / 300))) < 1e-4);
        QVERIFY(prompts.messages.isEmpty());
        m_dlg.reset();
        SetLanguage(1);
        Open(Path("a.mnr"));
        QVERIFY(SeriesEntries()[1].startsWith(
            QString::fromUtf8("#2/3    Начало: [  2011-06-03   10:00:00  ]     Конец: [")));
    }

    void yCaptionFollowsTheInstrumentKind_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::newRow("0") << 0 << "Hg concentration, ug/m3";
        QTest::newRow("1") << 1 << "Hg concentration, ug/m3";
        QTest::newRow("2") << 2 << "Hg concentration, ng/m3";
        QTest::newRow("3") << 3 << "Hg concentration, ug/m3";
        QTest::newRow("4") << 4 << "Benzene concentration, mg/m3";
        QTest::newRow("5") << 5 << "Hg concentration, ug/m3";
        QTest::newRow("6") << 6 << "Hg concentration, ng/m3";
        QTest::newRow("200") << 200 << "Hg concentration, ng/m3";
    }
    void yCaptionFollowsTheInstrumentKind() {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        Open();
        QCOMPARE(m_dlg->YAxisCaption(), QString("Concentration"));
        Drop({QUrl::fromLocalFile(WriteArchive("k.mnr", SevenEightSeven(), static_cast<uint8_t>(kind)))});
        QCOMPARE(m_dlg->YAxisCaption(), caption);
        QCOMPARE(m_dlg->XAxisCaption(), QString("Time"));
    }

    void loadRefusesWhatIsNotARegularFile() {
        ScriptedPrompts prompts;
        Open();
        Drop({QUrl::fromLocalFile(WriteArchive("kept.mnr", SevenEightSeven()))});
        const QStringList before = SeriesEntries();
        QCOMPARE(before.size(), 3);
        // A FIFO would block the window until some writer came; a folder is no archive.
#ifdef _WIN32
        const char* names[] = {"folder.mnr"}; // no FIFOs there
#else
        QVERIFY(mkfifo(QFile::encodeName(Path("pipe.mnr")).constData(), 0600) == 0);
        const char* names[] = {"pipe.mnr", "folder.mnr"};
#endif
        QVERIFY(QDir(m_dir.path()).mkdir("folder.mnr"));
        for (const char* name : names) {
            prompts.messages.clear();
            prompts.fileAnswers = {Path(name)};
            B(1008)->click();
            QCOMPARE(prompts.messages,
                     QStringList{QDir::toNativeSeparators(Path(name)) + ": Can't open file"});
            QCOMPARE(SeriesEntries(), before);
        }
    }

    void fileButtonsLoadByExtension() {
        ScriptedPrompts prompts;
        Open();
        const QString a = WriteArchive("a.mnr", SevenEightSeven());
        // An upper-case extension loads like a lower-case one.
        QFile::copy(a, Path("DATA.MNR"));
        prompts.fileAnswers = {Path("DATA.MNR")};
        B(1008)->click();
        QCOMPARE(prompts.fileDialogs, QStringList{"open:mnr"});
        QCOMPARE(prompts.filters[0].size(), 2);
        QCOMPARE(prompts.filters[0][0].name, QString("Monitoring data (*.mnr)"));
        QCOMPARE(prompts.filters[0][0].pattern, QString("*.mnr"));
        QCOMPARE(prompts.filters[0][1].name, QString("Monitoring data, old format (*.dat)"));
        QCOMPARE(prompts.filters[0][1].pattern, QString("*.dat"));
        QCOMPARE(SeriesEntries().size(), 3);
        QCOMPARE(C<QGroupBox>(1019)->title(), "Data (file " + QDir::toNativeSeparators(Path("DATA.MNR")) +
                                                  "; data read from instrument no. 1234)");

        // Old format by the File button.
        prompts.fileAnswers = {SAMPLES_DIR "/old-format.dat"};
        B(1008)->click();
        QVERIFY(!SeriesEntries().isEmpty());
        QVERIFY(C<QGroupBox>(1019)->title().endsWith("old-format.dat; imported data)"));

        // Any other extension loads nothing and changes nothing.
        const QStringList before = SeriesEntries();
        QFile::copy(a, Path("a.bin"));
        prompts.fileAnswers = {Path("a.bin")};
        B(1008)->click();
        QCOMPARE(SeriesEntries(), before);
        QVERIFY(C<QGroupBox>(1019)->title().endsWith("old-format.dat; imported data)"));

        // Cancel changes nothing.
        prompts.fileAnswers = {QString()};
        B(1008)->click();
        QCOMPARE(SeriesEntries(), before);

        // Orlo2 text files by their own button.
        prompts.fileAnswers = {SAMPLES_DIR "/orlo2.txt"};
        prompts.filters.clear();
        prompts.fileDialogs.clear();
        B(1033)->click();
        QCOMPARE(prompts.fileDialogs, QStringList{"open:txt"});
        QCOMPARE(prompts.filters[0].size(), 1);
        QCOMPARE(prompts.filters[0][0].name, QString("Orlo2 monitoring data (*.txt)"));
        QCOMPARE(prompts.filters[0][0].pattern, QString("*.txt"));
        QVERIFY(!SeriesEntries().isEmpty());
        QVERIFY(SeriesEntries() != before);
        QVERIFY(C<QGroupBox>(1019)->title().startsWith("Data (Orlo2 file "));
        QVERIFY(C<QGroupBox>(1019)->title().endsWith("orlo2.txt; imported data)"));
        QVERIFY(prompts.messages.isEmpty());
    }

    void dropLoadsTheFirstFileByItsExtension() {
        ScriptedPrompts prompts;
        Open();
        const QString a = WriteArchive("a.mnr", SevenEightSeven());
        const QString b = WriteArchive("b.mnr", {Rec(5, 8, 0, 0, 3, RF_ZERO, 1.0f)});
        prompts.messageAnswers = {IPrompts::No}; // not as one campaign
        Drop({QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)});
        QCOMPARE(SeriesEntries().size(), 1);
        QVERIFY(SeriesEntries()[0].startsWith("#1/1    Start: [  2011-06-05   08:00:00  ]"));
        QCOMPARE(C<QGroupBox>(1019)->title(),
                 "Data (file " + QDir::toNativeSeparators(b) +
                     ", dropped on the window; data read from instrument no. 1234)");
        // Old-format and Orlo2 files are read as the File buttons read them.
        Drop({QUrl::fromLocalFile(SAMPLES_DIR "/old-format.dat")});
        QCOMPARE(m_doc->Archive()->GetKind(), uint8_t{2});
        Drop({QUrl::fromLocalFile(SAMPLES_DIR "/orlo2.txt")});
        QCOMPARE(m_doc->Archive()->GetKind(), uint8_t{5});
        QCOMPARE(prompts.messages.size(), 1);
    }

    // Several files dropped, opened as one campaign: the report shown once,
    // the caption naming the campaign, the series list of the merged archive.
    void severalDroppedFilesOpenAsOneCampaign() {
        ScriptedPrompts prompts;
        Open();
        const std::vector<ArchiveRecord> all = SevenEightSeven();
        const QString a = WriteArchive("read1.mnr", {all.begin(), all.begin() + 5});
        const QString b = WriteArchive("read2.mnr", {all.begin() + 3, all.end()});
        const QString merged = m_dir.filePath("merged.mnr");
        prompts.messageAnswers = {IPrompts::Yes, IPrompts::Yes}; // as one campaign, then saved
        prompts.fileAnswers = {merged};
        Drop({QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)});
        QCOMPARE(prompts.messages.size(), 2);
        QCOMPARE(prompts.messages[0], QString("2 files: open them as one campaign, merged into one timeline? "
                                              "No opens only the first one."));
        QCOMPARE(prompts.messages[1],
                 QString("Campaign of 2 files: 8 records, 0 conflicts, 2011-06-03 09:05:30 to "
                         "2011-06-04 11:00:30\n"
                         "read1.mnr: 5 records, 5 new, 0 repeats, 0 conflicts\n"
                         "read2.mnr: 5 records, 3 new, 2 repeats, 0 conflicts\n\n"
                         "Save the campaign as one *.mnr file?"));
        QCOMPARE(RecordBytes(m_doc->Archive()->GetRecords(), 0, 8), RecordBytes(all, 0, 8));
        CArchiveData saved;
        QCOMPARE(saved.LoadMnr(merged.toStdString()), 8);
        QCOMPARE(RecordBytes(saved.GetRecords(), 0, 8), RecordBytes(all, 0, 8));
        QCOMPARE(SeriesEntries().size(), 3);
        QCOMPARE(
            C<QGroupBox>(1019)->title(),
            QString(
                "Data (campaign of 2 files, 2011-06-03 to 2011-06-04; data read from instrument no. 1234)"));
    }

    // A file named at start opens by its extension, and a failure names it.
    void startFileOpensByItsExtension() {
        ScriptedPrompts prompts;
        Open(SAMPLES_DIR "/orlo2.txt");
        QCOMPARE(m_doc->Archive()->GetKind(), uint8_t{5});
        m_dlg.reset();
        Open(SAMPLES_DIR "/old-format.dat");
        QCOMPARE(m_doc->Archive()->GetKind(), uint8_t{2});
        QVERIFY(!SeriesEntries().isEmpty());
        QVERIFY(prompts.messages.isEmpty());
        m_dlg.reset();
        QFile bad(Path("foo.txt"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("no Orlo2 text\n") > 0);
        bad.close();
        Open(Path("foo.txt"));
        QCOMPARE(prompts.messages,
                 QStringList{QDir::toNativeSeparators(Path("foo.txt")) + ": Wrong Orlo2 file format"});
    }

    void dataCommandsAreDisabledUntilDataIsLoaded() {
        ScriptedPrompts prompts;
        Open();
        for (int id : {1007, 1023, 1026})
            QVERIFY2(!B(id)->isEnabled(), qPrintable(B(id)->text()));
        prompts.fileAnswers = {WriteArchive("a.mnr", SevenEightSeven())};
        B(1008)->click();
        for (int id : {1007, 1023, 1026})
            QVERIFY2(B(id)->isEnabled(), qPrintable(B(id)->text()));
    }

    void failedLoadThatEmptiesTheArchiveEmptiesTheList() {
        ScriptedPrompts prompts;
        Open(WriteArchive("a.mnr", SevenEightSeven()));
        QCOMPARE(SeriesEntries().size(), 3);
        ArchiveRecord erased;
        std::memset(erased.raw, 0xFF, sizeof erased.raw);
        Drop({QUrl::fromLocalFile(WriteArchive("empty.mnr", {erased, erased}))});
        QCOMPARE(m_doc->Archive()->GetSeriesCount(), 0);
        QCOMPARE(SeriesEntries(), QStringList());
        QCOMPARE(C<QGroupBox>(1019)->title(), QString("Data"));
        // With nothing selected the data commands do nothing and ask nothing.
        prompts.messages.clear();
        B(1007)->click();
        B(1023)->click();
        B(1026)->click();
        QVERIFY(prompts.fileDialogs.isEmpty());
    }

    void zeroCorrectionNoHidesTheConditions() {
        Open(WriteArchive("a.mnr", SevenEightSeven()));
        C<QCheckBox>(1028)->setChecked(true);
        auto* zero = C<QComboBox>(1010);
        zero->setCurrentIndex(0);
        emit zero->activated(0);
        for (int id : {1028, 1029, 1030, 1031})
            QVERIFY(!C<QWidget>(id)->isVisible());
        // Raw results now.
        QCOMPARE(m_dlg->ResultValues(), std::vector<double>{10.0});
        zero->setCurrentIndex(1);
        emit zero->activated(1);
        for (int id : {1028, 1029, 1030, 1031})
            QVERIFY(C<QWidget>(id)->isVisible());
        QVERIFY(C<QCheckBox>(1028)->isChecked());
        QVERIFY(!C<QCheckBox>(1029)->isChecked());
    }

    void exitGuardAsksWhileReadSeriesAreUnsaved() {
        ScriptedPrompts prompts;
        Open();
        LoadUnsaved();
        const QString question = "Some data are read from device but not saved. Do you really want to exit?";

        prompts.messageAnswers = {IPrompts::No};
        B(1)->click();
        QVERIFY(m_dlg->isVisible());
        prompts.messageAnswers = {IPrompts::No};
        QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
        QVERIFY(m_dlg->isVisible());
        prompts.messageAnswers = {IPrompts::No};
        m_dlg->close();
        QVERIFY(m_dlg->isVisible());
        prompts.messageAnswers = {IPrompts::No};
        B(1)->setFocus();
        QTest::keyClick(B(1), Qt::Key_Return);
        QVERIFY(m_dlg->isVisible());
        QCOMPARE(prompts.messages, QStringList(4, question));

        prompts.messageAnswers = {IPrompts::Yes};
        QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
    }

    void exitAfterSaveAllAsksNothing() {
        ScriptedPrompts prompts;
        Open();
        LoadUnsaved();
        const QString folder = Path("all");
        QDir().mkpath(folder);
        prompts.folderAnswers = {folder};
        B(1026)->click();
        QCOMPARE(prompts.fileDialogs, QStringList{"folder:Select a folder for data"});
        prompts.messages.clear(); // what Save All wrote
        m_dlg->close();
        QVERIFY(!m_dlg->isVisible());
        QVERIFY(prompts.messages.isEmpty());
    }

    void loadingOverUnsavedSeriesAsksFirst() {
        ScriptedPrompts prompts;
        Open();
        LoadUnsaved();
        const QString b = WriteArchive("b.mnr", {Rec(5, 8, 0, 0, 3, RF_ZERO, 1.0f)});
        prompts.fileAnswers = {b};
        prompts.messageAnswers = {IPrompts::No};
        B(1008)->click();
        QCOMPARE(prompts.messages,
                 QStringList{"Some data are read from device but not saved. Replace them?"});
        QCOMPARE(SeriesEntries().size(), 3);
        QCOMPARE(m_doc->Archive()->GetSeriesCount(), 3);
        // A drop asks the same.
        prompts.messageAnswers = {IPrompts::No};
        Drop({QUrl::fromLocalFile(b)});
        QCOMPARE(m_doc->Archive()->GetSeriesCount(), 3);
        prompts.messageAnswers = {IPrompts::Yes};
        Drop({QUrl::fromLocalFile(b)});
        QCOMPARE(SeriesEntries().size(), 1);
        QCOMPARE(prompts.messages.size(), 3);
        // Loaded from a file: saved, so neither question comes again.
        Drop({QUrl::fromLocalFile(b)});
        m_dlg->close();
        QCOMPARE(prompts.messages.size(), 3);
    }

    void exportWritesTheFixedColumnTable() {
        ScriptedPrompts prompts;
        Open(WriteArchive("a.mnr", SevenEightSeven()));
        const QString out = Path("export.txt");

        // Zero correction on, filter on: the bad record and its number are missing.
        prompts.fileAnswers = {out};
        B(1007)->click();
        QCOMPARE(prompts.fileDialogs, QStringList{"save:txt:2011-06-03_090530"});
        QCOMPARE(prompts.filters[0][0].name, QString("Text files (*.txt)"));
        QCOMPARE(prompts.filters[0][0].pattern, QString("*.txt"));
        QCOMPARE(ReadAll(out),
                 QByteArray("1       2011-06-03      09:05:30            0.000    21.5   750  \r\n"
                            "2       2011-06-03      09:07:10            7.333    30.0   745      7.333\r\n"
                            "4       2011-06-03      09:10:30            0.000    23.0   752  \r\n"));

        // Zero correction off: raw results, "R" in the proposed name.
        auto* zero = C<QComboBox>(1010);
        zero->setCurrentIndex(0);
        emit zero->activated(0);
        prompts.fileDialogs.clear();
        prompts.fileAnswers = {out};
        B(1007)->click();
        QCOMPARE(prompts.fileDialogs, QStringList{"save:txt:2011-06-03_090530R"});
        QCOMPARE(ReadAll(out),
                 QByteArray("1       2011-06-03      09:05:30            2.000    21.5   750  \r\n"
                            "2       2011-06-03      09:07:10           10.000    30.0   745     10.000\r\n"
                            "4       2011-06-03      09:10:30            4.000    23.0   752  \r\n"));

        // A cancelled dialog writes nothing.
        QFile::remove(out);
        prompts.fileAnswers = {QString()};
        B(1007)->click();
        QVERIFY(!QFile::exists(out));

        // A file that cannot be created: a message, nothing written.
        prompts.fileAnswers = {Path("no-such-folder/x.txt")};
        B(1007)->click();
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.messages[0].contains("no-such-folder"));
    }

    // Runs Setup, reads what it shows, types the texts and closes it.
    QStringList RunSetup(const QString& temp, const QString& pres, bool filter, bool ok) {
        QStringList shown;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            auto* t = dlg->findChild<QLineEdit*>("1031");
            auto* p = dlg->findChild<QLineEdit*>("1032");
            auto* f = dlg->findChild<QCheckBox*>("1036");
            shown << dlg->windowTitle() << t->text() << p->text() << (f->isChecked() ? "on" : "off")
                  << f->text() << dlg->findChild<QPushButton*>("1")->text()
                  << dlg->findChild<QPushButton*>("2")->text();
            t->setText(temp);
            p->setText(pres);
            f->setChecked(filter);
            dlg->findChild<QPushButton*>(ok ? "1" : "2")->click();
        });
        B(1032)->click();
        return shown;
    }

    void setupSetsConditionsAndTheFilter() {
        // A decimal comma locale must change nothing.
        const std::string savedLocale = std::setlocale(LC_NUMERIC, nullptr);
        const bool comma = std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") ||
                           std::setlocale(LC_NUMERIC, "ru_RU.utf8") ||
                           std::setlocale(LC_NUMERIC, "Russian_Russia.1251");
        auto restore = qScopeGuard([&] { std::setlocale(LC_NUMERIC, savedLocale.c_str()); });
        if (!comma)
            qInfo("no ru_RU locale here: decimal points checked in the C locale only");
        ScriptedPrompts prompts;
        Open(WriteArchive("a.mnr", SevenEightSeven()));
        QCOMPARE(RunSetup("21.55", "750", false, true),
                 (QStringList{"Setup", "20.0", "760", "on", "filter bad data points", "OK", "Cancel"}));
        QCOMPARE(m_dlg->StdTemp(), 215);
        QCOMPARE(m_dlg->StdPres(), 750);
        QVERIFY(!m_dlg->FilterOn());
        QCOMPARE(C<QLineEdit>(1030)->text(), QString("21.50"));
        QCOMPARE(C<QLineEdit>(1031)->text(), QString("750"));
        QSettings s("Quorvex", "Tervik");
        QCOMPARE(s.value("Std/Temp").toLongLong(), 215);
        QCOMPARE(s.value("Std/Pres").toLongLong(), 750);
        // The filter is off: the bad measurement is shown and exported, marked.
        QCOMPARE(m_dlg->TimeValues().size(), size_t(2));
        const QString out = Path("nofilter.txt");
        prompts.fileAnswers = {out};
        B(1007)->click();
        QCOMPARE(ReadAll(out),
                 QByteArray("1       2011-06-03      09:05:30            0.000    21.5   750  \r\n"
                            "2       2011-06-03      09:07:10            7.333    30.0   745      7.333\r\n"
                            "3       2011-06-03      09:08:50           46.667   +22.0   751     46.667\r\n"
                            "4       2011-06-03      09:10:30            0.000    23.0   752  \r\n"));

        // Cancel changes nothing.
        QCOMPARE(RunSetup("99", "1", true, false)[1], QString("21.5"));
        QCOMPARE(m_dlg->StdTemp(), 215);
        QVERIFY(!m_dlg->FilterOn());
        QVERIFY(prompts.messages.isEmpty());
    }

    // Runs Setup on its time base: shows the kind (0 this computer's zone,
    // 1 a fixed offset, 2 a named zone), its text and whether it can be
    // edited; chooses kind and text, then OK, and Cancel after a refusal.
    QStringList RunTimeBaseSetup(int kind, const QString& text, bool refused) {
        QStringList shown;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            auto* k = dlg->findChild<QComboBox*>("1038");
            auto* v = dlg->findChild<QLineEdit*>("1039");
            shown << QString::number(k->currentIndex()) << v->text() << (v->isEnabled() ? "edit" : "-");
            k->setCurrentIndex(kind);
            v->setText(text);
            dlg->findChild<QPushButton*>("1")->click();
            if (refused)
                dlg->findChild<QPushButton*>("2")->click();
        });
        B(1032)->click();
        return shown;
    }

    void setupSetsTheTimeBaseAndStartUpAppliesIt() {
        ScriptedPrompts prompts;
        Open(WriteArchive("a.mnr", SevenEightSeven()));
        const double t0 = m_dlg->TimeValues().at(0);
        // The instrument's clock reading as if it were UTC.
        const double naive = t0 + static_cast<double>(TimeRules::SystemOffsetAt(static_cast<int64_t>(t0)));
        const QStringList entries = SeriesEntries();
        QCOMPARE(RunTimeBaseSetup(1, "+03:00", false), (QStringList{"0", "", "-"}));
        QCOMPARE(m_dlg->TimeValues().at(0), naive - 10800);
        QCOMPARE(SeriesEntries(), entries); // the instrument's clock reads as before
        QCOMPARE(QSettings("Quorvex", "Tervik").value("Std/TimeBase").toString(), QString("UTC+03:00"));
        // Refused, and the time base stays: an offset out of range, an unknown zone.
        QCOMPARE(RunTimeBaseSetup(1, "UTC+15:00", true), (QStringList{"1", "UTC+03:00", "edit"}));
        QCOMPARE(RunTimeBaseSetup(2, "Mars/Base", true)[0], QString("1"));
#ifdef Q_OS_WIN
        // No zone database without TZDIR.
        const QString unknown = QString::fromStdString(UIString(kUiTimeBaseNoDatabase, 0));
#else
        const QString unknown = "There is no time zone Mars/Base.";
#endif
        QCOMPARE(prompts.messages,
                 (QStringList{QString::fromStdString(UIString(kUiTimeBaseEnterOffset, 0)), unknown}));
        QCOMPARE(m_dlg->TimeValues().at(0), naive - 10800);

        // A stored time base is applied before the start file is shown; one
        // that cannot be used is told, and this computer's zone is kept.
        QSettings("Quorvex", "Tervik").setValue("Std/TimeBase", "UTC+05:45");
        Open(WriteArchive("a.mnr", SevenEightSeven()));
        QCOMPARE(m_dlg->TimeValues().at(0), naive - 5 * 3600 - 45 * 60);
        QCOMPARE(RunTimeBaseSetup(0, "", false), (QStringList{"1", "UTC+05:45", "edit"}));
        QCOMPARE(m_dlg->TimeValues().at(0), t0);
        QCOMPARE(QSettings("Quorvex", "Tervik").value("Std/TimeBase").toString(), QString("local"));
        QSettings("Quorvex", "Tervik").setValue("Std/TimeBase", "UTC+99");
        prompts.messages.clear();
        Open(WriteArchive("a.mnr", SevenEightSeven()));
        QCOMPARE(prompts.messages, QStringList{QString::fromStdString(UIString(kUiTimeBaseEnterOffset, 0))});
        QCOMPARE(m_dlg->TimeValues().at(0), t0);
    }

    // One series: a zero of 0 and ten measurements 1..10, one minute apart.
    QString OneToTen() {
        std::vector<ArchiveRecord> r = {Rec(3, 9, 0, 0, 5, RF_ZERO, 0.0f)};
        for (int i = 1; i <= 10; ++i)
            r.push_back(Rec(3, 9, i, 0, 5, 0, static_cast<float>(i)));
        return WriteArchive("ten.mnr", r);
    }
    QStringList StatRow() const {
        auto* t = C<QTableWidget>(1011);
        QStringList row;
        if (t->rowCount() == 0)
            return row;
        for (int c = 0; c < 7; ++c)
            row << (t->item(0, c) ? t->item(0, c)->text() : QString());
        return row;
    }

    void chartTakesThePlaceholdersPlace() {
        Open();
        CLCWrp* chart = m_dlg->Chart();
        QVERIFY(chart && chart->GetWnd());
        QCOMPARE(chart->GetWnd()->parentWidget(), m_dlg.get());
        QCOMPARE(chart->GetWnd()->geometry(), B(1018)->geometry());
        // The size tervik-cli renders pictures at is the window's.
        const PixelSize cli = ChartPlaceholderSize();
        QCOMPARE(QSize(cli.cx, cli.cy), B(1018)->size());
        QVERIFY(chart->GetWnd()->isVisible());
        double x1, y1, x2, y2;
        QCOMPARE(chart->GetView(x1, y1, x2, y2), 0);
        // 2010-01-01 00:00 to 06:00 in UTC (TZ of this test), 0 to 1.02.
        QCOMPARE(x1, 1262304000.0);
        QCOMPARE(x2, 1262304000.0 + 6 * 3600);
        QCOMPARE(y1, 0.0);
        QCOMPARE(y2, 1.02);
        QCOMPARE(StatRow(), QStringList());
    }

    void seriesShowsCurvesAndTheStatisticsOfTheView() {
        ScriptedPrompts prompts;
        Open(OneToTen());
        const SeriesPlots& plots = m_dlg->Plots();
        QVERIFY(plots.zero);
        QVERIFY(plots.measurement);
        QVERIFY(!plots.bad); // filter on
        // Everything in view: n = 10, mean 5.5, SD sqrt(99/12) = 2.87.
        QCOMPARE(StatRow(),
                 (QStringList{"2011-06-03", "09:01:00 - 09:10:00", "5.50", "2.87", "1.00", "10.0", "9.00"}));
        for (int id = 1012; id <= 1015; ++id)
            QVERIFY(B(id)->isEnabled());
        QVERIFY(!B(1016)->isEnabled());
        QVERIFY(!B(1017)->isEnabled());

        // View changes by button: scrolled right, the later and larger values
        // remain in view; scrolled left, the earlier and smaller ones.
        const QStringList all = StatRow();
        for (int i = 0; i < 10 && StatRow() == all; ++i)
            B(1012)->click();
        QVERIFY2(!StatRow().isEmpty() && StatRow()[2].toDouble() > 5.5, qPrintable(StatRow().join('|')));
        QVERIFY(B(1016)->isEnabled());
        QVERIFY(!B(1017)->isEnabled());
        B(1016)->click();
        QVERIFY(B(1017)->isEnabled());
        B(1017)->click();
        QVERIFY(StatRow()[2].toDouble() > 5.5);
        B(1014)->click();
        QCOMPARE(StatRow(), all);
        for (int i = 0; i < 10 && StatRow() == all; ++i)
            B(1013)->click();
        QVERIFY2(!StatRow().isEmpty() && StatRow()[2].toDouble() < 5.5, qPrintable(StatRow().join('|')));
        B(1015)->click(); // Auto Y keeps the time range
        QVERIFY(StatRow()[2].toDouble() < 5.5);
        B(1014)->click();
        QCOMPARE(StatRow(), all);

        // A view change the chart makes itself (its menu) reaches the window
        // through the chart's notification.
        for (int i = 0; i < 3; ++i)
            m_dlg->Chart()->GetWnd()->OnCommand(CLC::CmdScrollRight);
        QTRY_VERIFY(!StatRow().isEmpty() && StatRow()[2].toDouble() > 5.5);
        QVERIFY(B(1016)->isEnabled());

        // A zoom by the mouse: a band drawn in the plot, then a double-click
        // inside it. The view narrows and the statistics follow.
        B(1014)->click();
        QWidget* w = m_dlg->Chart()->GetWnd();
        double vx1, vy1, vx2, vy2;
        m_dlg->Chart()->GetView(vx1, vy1, vx2, vy2);
        QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(330, 60));
        QTest::mouseMove(w, QPoint(400, 150));
        QTest::mouseMove(w, QPoint(480, 250));
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(480, 250));
        QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(400, 150));
        double zx1, zy1, zx2, zy2;
        m_dlg->Chart()->GetView(zx1, zy1, zx2, zy2);
        QVERIFY2(zx2 - zx1 < vx2 - vx1, "the double-click did not zoom");
        QTRY_VERIFY(StatRow() != all);
        QVERIFY(B(1016)->isEnabled());

        // Filter off in Setup: the bad-point curve joins (none here, so none added).
        RunSetup("20.0", "760", false, true);
        QVERIFY(m_dlg->Plots().measurement);
        QCOMPARE(StatRow()[2], QString("5.50")); // a new show fits the view to all data again
        QVERIFY(prompts.messages.isEmpty());
    }

    void badCurveOnlyWithTheFilterOff() {
        ScriptedPrompts prompts;
        Open(WriteArchive("a.mnr", SevenEightSeven()));
        QVERIFY(!m_dlg->Plots().bad);
        RunSetup("20.0", "760", false, true);
        QVERIFY(m_dlg->Plots().bad);
        QVERIFY(m_dlg->Plots().zero);
        // The bad point counts in the statistics now: 7.333 and 46.667.
        QCOMPARE(StatRow(),
                 (QStringList{"2011-06-03", "09:07:10 - 09:08:50", "27.0", "19.7", "7.33", "46.7", "39.4"}));
        // A series without zero records under zero correction: no curves, no statistics.
        RunSetup("20.0", "760", true, true);
        ArchiveRecord erased;
        std::memset(erased.raw, 0xFF, sizeof erased.raw);
        Drop({QUrl::fromLocalFile(WriteArchive("nozero.mnr", {Rec(3, 9, 0, 0, 1, 0, 5.0f)}))});
        QVERIFY(!m_dlg->Plots().zero && !m_dlg->Plots().measurement && !m_dlg->Plots().bad);
        QCOMPARE(StatRow(), QStringList());
        QVERIFY(B(1012)->isEnabled());
        // Emptied by a failed load: the curves go too.
        Drop({QUrl::fromLocalFile(WriteArchive("a.mnr", SevenEightSeven()))});
        QVERIFY(m_dlg->Plots().measurement);
        Drop({QUrl::fromLocalFile(WriteArchive("empty.mnr", {erased}))});
        QVERIFY(!m_dlg->Plots().zero && !m_dlg->Plots().measurement);
    }

    // Runs the device dialog from the Device button, reads the simulated
    // instrument and ends with OK or Cancel; true when the dialog appeared.
    bool ReadDevice(bool ok) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* dev = qobject_cast<CDeviceDlg*>(QApplication::activeModalWidget());
            if (!dev)
                return;
            shown = true;
            dev->OnRead();
            QVERIFY(QTest::qWaitFor([dev] { return !dev->IsReading(); }, 10000));
            if (ok)
                dev->accept();
            else
                dev->reject();
        });
        B(1006)->click();
        return shown;
    }

    void deviceReadsIntoTheListAndTheGuardsKnowIt() {
        QDir::setCurrent(m_dir.path()); // read_backup.mnr lands here
        ScriptedPrompts prompts;
        Open(WriteArchive("b.mnr", {Rec(5, 8, 0, 0, 3, RF_ZERO, 1.0f)}));
        CDeviceList& devices = m_dlg->DeviceList();
        devices.Sources().SetHardwareScan(false);
        devices.Connection().PortSetTimeouts(100, 100);
        devices.Sources().AddSimulated(std::make_shared<CKx208mSim>(SimConfig{}, SevenEightSeven()));
        QVERIFY(B(1006)->isEnabled());
        // Read, then cancelled: nothing changes, on screen or behind it.
        QVERIFY(ReadDevice(false));
        QCOMPARE(SeriesEntries().size(), 1);
        QCOMPARE(m_doc->Archive()->GetRecordCount(), 1);
        QCOMPARE(m_doc->Archive()->GetSeries(0)->saved, uint8_t{1});
        QVERIFY(ReadDevice(true));
        QCOMPARE(SeriesEntries().size(), 3);
        QVERIFY(SeriesEntries()[2].startsWith("#3/3    Start: [  2011-06-04   11:00:00  ]"));
        // Read in this run: the instrument as listed, its number and the time of the read.
        const QString caption = C<QGroupBox>(1019)->title();
        QVERIFY2(caption.startsWith("Data (read in this run from instrument KX-208M") &&
                     caption.contains(QString(" no. %1 at %2")
                                          .arg(m_doc->Archive()->GetHeader().GetDeviceNumber())
                                          .arg(QDateTime::currentDateTime().toString("yyyy-MM-dd"))),
                 qPrintable(caption));
        QVERIFY(m_dlg->Plots().measurement);
        QVERIFY(QFile::exists(m_dir.filePath("read_backup.mnr")));
        prompts.messages.clear();
        // Unsaved now: reading again or opening a file asks first.
        prompts.messageAnswers = {IPrompts::No};
        QVERIFY(!ReadDevice(true));
        QCOMPARE(prompts.messages,
                 QStringList{"Some data are read from device but not saved. Replace them?"});
        prompts.messageAnswers = {IPrompts::No};
        B(1)->click();
        QVERIFY(m_dlg->isVisible());
        QCOMPARE(prompts.messages.size(), 2);
        prompts.messageAnswers = {IPrompts::Yes};
        B(1)->click();
        QVERIFY(!m_dlg->isVisible());
    }

    void saveWritesTheSelectedSeries() {
        ScriptedPrompts prompts;
        const std::vector<ArchiveRecord> records = SevenEightSeven();
        Open(WriteArchive("a.mnr", records, 2));
        auto* list = C<QComboBox>(1009);
        list->setCurrentIndex(1);
        emit list->activated(1);
        const QString out = Path("one.mnr");
        prompts.fileAnswers = {out};
        B(1023)->click();
        QCOMPARE(prompts.fileDialogs, QStringList{"save:mnr:2011-06-03_100000"});
        QCOMPARE(prompts.filters[0][0].name, QString("Monitoring data (*.mnr)"));
        const QByteArray file = ReadAll(out);
        QCOMPARE(file.size(), 16 + 16 + 2 * 16);
        QCOMPARE(file.left(16), QByteArray("KX208M__ARC_DATA"));
        QCOMPARE(static_cast<uint8_t>(file[16 + 3]), uint8_t(2)); // the instrument kind goes along
        QCOMPARE(file.mid(32), RecordBytes(records, 4, 2));
        prompts.fileAnswers = {QString()};
        QFile::remove(out);
        B(1023)->click();
        QVERIFY(!QFile::exists(out));
        QVERIFY(prompts.messages.isEmpty());
    }

    void saveAllKeepsSeriesStartingInTheSameSecond() {
        ScriptedPrompts prompts;
        // Two series starting at the same second, and a third.
        const std::vector<ArchiveRecord> records = {
            Rec(3, 9, 5, 30, 1, RF_ZERO, 1.0f),
            Rec(3, 9, 6, 30, 1, 0, 2.0f),
            Rec(3, 9, 5, 30, 2, RF_ZERO, 3.0f),
            Rec(3, 12, 0, 0, 3, RF_ZERO, 4.0f),
        };
        Open();
        m_doc->EnsureArchive().AssignRecords(records, false);
        m_dlg->Refresh();
        const QString folder = Path("saveall");
        QDir().mkpath(folder);
        prompts.folderAnswers = {QString()};
        B(1026)->click();
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
        QVERIFY(prompts.messages.isEmpty());
        prompts.folderAnswers = {folder};
        B(1026)->click();
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
                 (QStringList{"2011-06-03_090530.mnr", "2011-06-03_090530_2.mnr", "2011-06-03_120000.mnr"}));
        QCOMPARE(prompts.messages,
                 QStringList{"Files saved: 3 of 3, in the folder " + QDir::toNativeSeparators(folder)});
        QCOMPARE(ReadAll(folder + "/2011-06-03_090530.mnr").mid(32), RecordBytes(records, 0, 2));
        QCOMPARE(ReadAll(folder + "/2011-06-03_090530_2.mnr").mid(32), RecordBytes(records, 2, 1));
        QCOMPARE(ReadAll(folder + "/2011-06-03_120000.mnr").mid(32), RecordBytes(records, 3, 1));
        for (int i = 0; i < 3; ++i)
            QVERIFY(m_doc->Archive()->GetSeries(i)->saved);
    }

    void languageButtonStoresAndAsksForARestart() {
        ScriptedPrompts prompts;
        Open();
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            auto* list = dlg->findChild<QComboBox*>("1023");
            list->setCurrentIndex(1);
            dlg->findChild<QPushButton*>("1")->click();
        });
        B(1024)->click();
        QCOMPARE(QSettings("Quorvex", "Tervik").value("Language").toString(), QString("Russian"));
        QCOMPARE(prompts.messages, QStringList{"Please restart application / Перезапустите программу"});
        // The window keeps its language.
        QCOMPARE(B(1)->text(), QString("Exit"));
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->findChild<QPushButton*>("2")->click();
        });
        B(1024)->click();
        QCOMPARE(prompts.messages.size(), 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
