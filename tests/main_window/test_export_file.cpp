// The main window's text export on a full disk and into a linked file, and
// its openair and Excel file types.
#include "ArchiveGen.h"
#include "ScriptedPrompts.h"
#include "TervikDlg.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

ArchiveRecord Rec(int minute, uint8_t flags, float conc) {
    ArchiveRecord r{};
    r.SetDateTime(2011, 6, 3, 9, minute, 0);
    r.SetSeriesNumber(7);
    r.SetFlags(flags);
    r.SetConcentration(conc);
    r.SetTemperature(215);
    r.SetPressure(750);
    return r;
}

} // namespace

class TestExportFile : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

  private slots:
    void failedWriteKeepsTheFileAndALinkStays() {
        ScriptedPrompts prompts;
        const QString archive = m_dir.filePath("a.mnr");
        QVERIFY(WriteMnrFile(archive.toStdString(),
                             ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 1234),
                             {Rec(5, RF_ZERO, 2.0f), Rec(7, 0, 10.0f), Rec(9, RF_ZERO, 4.0f)}));
        DocumentWindow dlg;
        dlg.SetStartFile(archive);
        dlg.show();
        auto* exportButton = dlg.findChild<QPushButton*>("1007");
        QVERIFY(exportButton);

        // Writes beyond 64 bytes fail as on a full disk.
        const QString out = m_dir.filePath("export.txt");
        WriteAll(out, "precious");
        prompts.fileAnswers = {out};
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &small);
        exportButton->click();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(prompts.messages, QStringList{"There is not enough space on the disk for " +
                                               QDir::toNativeSeparators(out) + "."});
        QCOMPARE(ReadAll(out), QByteArray("precious"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).size(), 2);

        // A link as the target stays a link to the replaced file.
        const QString link = m_dir.filePath("link.txt");
        QVERIFY(QFile::link(out, link));
        prompts.fileAnswers = {link};
        exportButton->click();
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(ReadAll(out).startsWith("1       2011-06-03      09:05:00"));
    }

    // The openair type by its filter; the workbook by its filter, its numbers
    // read back as numbers while the process's numbers are Russian (a decimal
    // comma), as a window started in a Russian locale has them.
    void openairAndWorkbookTypes() {
        ScriptedPrompts prompts;
        const QString archive = m_dir.filePath("b.mnr");
        QVERIFY(WriteMnrFile(archive.toStdString(),
                             ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 1234),
                             {Rec(5, RF_ZERO, 2.0f), Rec(7, 0, 10.5f), Rec(9, RF_ZERO, 2.0f)}));
        DocumentWindow dlg;
        dlg.SetStartFile(archive);
        dlg.show();
        auto* exportButton = dlg.findChild<QPushButton*>("1007");
        QVERIFY(exportButton);
        const QString openair = m_dir.filePath("openair.csv");
        prompts.fileAnswers = {openair};
        prompts.filterAnswers = {3};
        exportButton->click();
        QCOMPARE(ReadAll(openair), QByteArray("date,hg\n2011-06-03T09:07:00+00:00,8.5\n"));
        if (prompts.filters.last().size() < 4)
            return; // a build without the workbook writer
        QCOMPARE(prompts.filters.last()[3].pattern, QString("*.xlsx"));
        const QString book = m_dir.filePath("book.xlsx");
        prompts.fileAnswers = {book};
        prompts.filterAnswers = {4};
        QVERIFY(std::setlocale(LC_NUMERIC, "ru_RU.UTF-8"));
        exportButton->click();
        std::setlocale(LC_NUMERIC, "C");
        QProcess read;
        read.start("/usr/bin/python3",
                   {"-c",
                    "import openpyxl, sys; s = openpyxl.load_workbook(sys.argv[1]).worksheets[0]; "
                    "print([r for r in s.iter_rows(values_only=True) if r[5] == 0][0][2])",
                    book});
        QVERIFY(read.waitForFinished(30000));
        QCOMPARE(read.readAllStandardError(), QByteArray());
        QCOMPARE(read.readAllStandardOutput().trimmed(), QByteArray("8.5"));
        QCOMPARE(prompts.messages, QStringList{});
    }
};

QTEST_MAIN(TestExportFile)
#include "test_export_file.moc"
