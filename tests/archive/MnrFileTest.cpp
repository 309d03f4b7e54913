#include "TestUtil.h"

#include <gtest/gtest.h>

#include "FifoFeeder.h"

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class MnrFile : public ::testing::Test {
  protected:
    ScopedTimeZone zone{"Europe/Berlin"};
    TempDir dir;
    CollectingReporter reporter;
    CArchiveData archive;

    void SetUp() override { archive.SetReporter(&reporter); }

    std::vector<ArchiveRecord> Records(int n, uint8_t series = 1) {
        std::vector<ArchiveRecord> v;
        for (int i = 0; i < n; ++i)
            v.push_back(MakeRecord(2011, 6, 3, 9, i % 60, 0, i % 10 == 0 ? RF_ZERO : 0, series, 215, 745,
                                   1.0f + static_cast<float>(i)));
        return v;
    }

    // Loads a known archive first, so failures can show it unchanged.
    void LoadKnown() {
        const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 42);
        WriteBytes(dir / "known.mnr", MnrBytes(&h, Records(4)));
        ASSERT_EQ(archive.LoadMnr(dir / "known.mnr"), 4);
        reporter.messages.clear();
    }
};

TEST_F(MnrFile, FailuresReportAndLeaveTheArchiveUnchanged) {
    LoadKnown();
    const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 42);
    std::string wrong = MnrBytes(&h, Records(2));
    wrong[3] = '9';
    const struct {
        std::string name, bytes, message;
    } cases[] = {
        {"short.mnr", "KX208M__ARC_DAT", "Can't read file signature"},
        {"empty.mnr", "", "Can't read file signature"},
        {"wrong.mnr", wrong, "Wrong file signature"},
        {"nohead.mnr", std::string(kMnrSignature, 16) + std::string(15, '\x77'), "Can't read file header"},
    };
    for (const auto& c : cases) {
        WriteBytes(dir / c.name, c.bytes);
        reporter.messages.clear();
        EXPECT_EQ(archive.LoadMnr(dir / c.name), 0) << c.name;
        ASSERT_EQ(reporter.messages.size(), 1u) << c.name;
        EXPECT_EQ(reporter.messages[0], c.message);
        EXPECT_EQ(archive.GetRecordCount(), 4) << c.name;
        EXPECT_EQ(archive.GetKind(), 3) << c.name;
    }
    reporter.messages.clear();
    EXPECT_EQ(archive.LoadMnr(dir / "missing.mnr"), 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't open file"});
    EXPECT_EQ(archive.GetSeriesCount(), 1);
}

// A folder, a FIFO or a device is no archive: a FIFO would block the open
// until a writer comes and /dev/zero never ends. Each is refused at once and
// the archive in memory stays as it was.
TEST_F(MnrFile, LoadersRefuseWhatIsNotARegularFile) {
    using Loader = int (CArchiveData::*)(const std::string&);
    const struct {
        const char* name;
        Loader load;
        std::string content;
    } loaders[] = {
        {"mnr", &CArchiveData::LoadMnr, MnrBytes(nullptr, Records(3))},
        {"dat", &CArchiveData::LoadDat, ReadBytes(std::string(TERVIK_SAMPLES) + "/old-format.dat")},
        {"orlo2", &CArchiveData::LoadOrlo2Txt, ReadBytes(std::string(TERVIK_SAMPLES) + "/orlo2.txt")},
    };
    // The feeder may write just as a reader closes.
    const auto oldHandler = std::signal(SIGPIPE, SIG_IGN);
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder");
    for (const auto& l : loaders) {
        LoadKnown();
        FifoFeeder feeder(dir / "pipe", l.content);
        for (const std::string& path : {dir / "folder", dir / "pipe", std::string("/dev/null")}) {
            reporter.messages.clear();
            EXPECT_EQ((archive.*l.load)(path), 0) << l.name << " " << path;
            EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't open file"})
                << l.name << " " << path;
            EXPECT_EQ(archive.GetRecordCount(), 4) << l.name << " " << path;
        }
    }
    reporter.messages.clear();
    EXPECT_EQ(archive.LoadMnr("/dev/zero"), 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't open file"});
    std::signal(SIGPIPE, oldHandler);
}

TEST_F(MnrFile, HeaderOnlyFileEmptiesTheArchiveAndKeepsItsHeader) {
    LoadKnown();
    const ArchiveHeader h = ArchiveHeader::Build(0x20, 4, 7);
    WriteBytes(dir / "a.mnr", MnrBytes(&h, {}));
    EXPECT_EQ(archive.LoadMnr(dir / "a.mnr"), 0);
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(archive.GetRecordCount(), 0);
    EXPECT_EQ(archive.GetSeriesCount(), 0);
    EXPECT_EQ(0, memcmp(archive.GetHeader().raw, h.raw, 16));
}

TEST_F(MnrFile, TrailingPartialRecordIsIgnored) {
    const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 42);
    WriteBytes(dir / "a.mnr", MnrBytes(&h, Records(3)) + "\x01\x02\x03\x04\x05");
    EXPECT_EQ(archive.LoadMnr(dir / "a.mnr"), 3);
}

TEST_F(MnrFile, FileWithoutHeaderReadsItsFirstRecordFromOffset16) {
    WriteBytes(dir / "a.mnr", MnrBytes(nullptr, Records(3)));
    EXPECT_EQ(archive.LoadMnr(dir / "a.mnr"), 3);
    const ArchiveHeader want = ArchiveHeader::Build(0, 0, 0);
    EXPECT_EQ(0, memcmp(archive.GetHeader().raw, want.raw, 16));
    // A header of origin 0 (saved from a text import) is read as a record,
    // fails the validity test and the kind falls back to 0.
    const ArchiveHeader text = ArchiveHeader::Build(0, 5, 0);
    WriteBytes(dir / "b.mnr", MnrBytes(&text, Records(2)));
    EXPECT_EQ(archive.LoadMnr(dir / "b.mnr"), 2);
    EXPECT_EQ(archive.GetKind(), 0);
}

TEST_F(MnrFile, SaveAndLoadRoundTrip) {
    const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 42);
    std::vector<ArchiveRecord> recs = Records(5, 1);
    const std::vector<ArchiveRecord> second = Records(3, 2);
    recs.insert(recs.end(), second.begin(), second.end());
    archive.SetHeader(h);
    archive.AssignRecords(recs, false);
    ASSERT_EQ(archive.GetSeriesCount(), 2);
    EXPECT_EQ(archive.SaveSeries(1, dir / "s.mnr"), 3);
    EXPECT_EQ(archive.GetSeries(1)->saved, 1);
    EXPECT_EQ(archive.GetSeries(0)->saved, 0);
    EXPECT_EQ(ReadBytes(dir / "s.mnr"), MnrBytes(&h, second));
    EXPECT_EQ(std::filesystem::file_size(dir / "s.mnr"), 80u);
    EXPECT_EQ(archive.SaveSeries(2, dir / "none.mnr"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.mnr"));

    CArchiveData back;
    EXPECT_EQ(back.LoadMnr(dir / "s.mnr"), 3);
    ASSERT_EQ(back.GetSeriesCount(), 1);
    EXPECT_EQ(back.GetSeries(0)->saved, 1);
    EXPECT_EQ(0, memcmp(back.GetRecords().data(), second.data(), 48));
    EXPECT_EQ(0, memcmp(back.GetHeader().raw, h.raw, 16));
    // No temporary file is left beside the target.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(MnrFile, FailedWriteKeepsTheOldFileAndTheSavedFlagClear) {
    archive.AssignRecords(Records(3000), false);
    WriteBytes(dir / "s.mnr", "precious");
    // A file-size limit makes writes fail as a full disk would.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int written = archive.SaveSeries(0, dir / "s.mnr");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't write file"});
    EXPECT_EQ(archive.GetSeries(0)->saved, 0);
    EXPECT_EQ(ReadBytes(dir / "s.mnr"), "precious");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(MnrFile, UnwritableTargetsAreReported) {
    archive.AssignRecords(Records(3), false);
    EXPECT_EQ(archive.SaveSeries(0, dir / "no/such/folder.mnr"), 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't open file for writing"});
    EXPECT_EQ(archive.GetSeries(0)->saved, 0);
    if (geteuid() != 0) { // root may write anything
        WriteBytes(dir / "ro.mnr", "keep");
        chmod((dir / "ro.mnr").c_str(), 0444);
        reporter.messages.clear();
        EXPECT_EQ(archive.SaveSeries(0, dir / "ro.mnr"), 0);
        EXPECT_EQ(ReadBytes(dir / "ro.mnr"), "keep");
    }
}

TEST_F(MnrFile, BackupIsWrittenInChunks) {
    const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 42);
    archive.SetHeader(h);
    archive.SetBackupPath(dir / "read_backup.mnr");
    const std::vector<ArchiveRecord> recs = Records(600);
    EXPECT_EQ(archive.WriteBackup(recs.data(), 0, 0), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "read_backup.mnr"));
    EXPECT_EQ(archive.WriteBackup(recs.data(), 0, 250), 1);
    EXPECT_EQ(archive.WriteBackup(recs.data(), 250, 250), 1);
    EXPECT_EQ(archive.WriteBackup(recs.data(), 500, 100), 1);
    EXPECT_EQ(ReadBytes(dir / "read_backup.mnr"), MnrBytes(&h, recs));
    EXPECT_EQ(std::filesystem::file_size(dir / "read_backup.mnr"), 32u + 600u * 16u);
    // Starting again replaces the file.
    EXPECT_EQ(archive.WriteBackup(recs.data(), 0, 2), 1);
    EXPECT_EQ(std::filesystem::file_size(dir / "read_backup.mnr"), 64u);
}

TEST_F(MnrFile, BackupFailureIsReportedOncePerRead) {
    archive.SetBackupPath(dir / "missing-folder/read_backup.mnr");
    const std::vector<ArchiveRecord> recs = Records(600);
    archive.ResetBackupErrorReport();
    EXPECT_EQ(archive.WriteBackup(recs.data(), 0, 250), 0);
    EXPECT_EQ(archive.WriteBackup(recs.data(), 250, 250), 0);
    EXPECT_EQ(archive.WriteBackup(recs.data(), 500, 100), 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't open file for writing"});
    archive.ResetBackupErrorReport();
    EXPECT_EQ(archive.WriteBackup(recs.data(), 0, 250), 0);
    EXPECT_EQ(reporter.messages.size(), 2u);
}

// A file read straight into the records: the same archive from the
// huge-page blocks (2 MiB-aligned on Linux) and from plain malloc, with
// erased records among them and a trailing partial record.
TEST_F(MnrFile, LoadSplitsSeriesAsTheRecordsInMemoryDo) {
    // Series changes on and beside the reader's piece boundaries, invalid
    // records among them, and more series than the loader notes on the way.
    for (const int stride : {16383, 16384, 3, 1}) {
        std::vector<ArchiveRecord> records = Records(70000);
        for (size_t i = 0; i < records.size(); ++i) {
            records[i].SetSeriesNumber(static_cast<uint8_t>(i / static_cast<size_t>(stride) % 3));
            if (i % 16384 == 0 || i % 16384 == 16383)
                records[i].raw[4] = 0x13;
        }
        const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 42);
        WriteBytes(dir / "series.mnr", MnrBytes(&h, records));
        CArchiveData inMemory;
        ASSERT_EQ(archive.LoadMnr(dir / "series.mnr"), inMemory.AssignRecords(records, true));
        ASSERT_EQ(archive.GetSeriesCount(), inMemory.GetSeriesCount()) << stride;
        for (int k = 0; k < archive.GetSeriesCount(); ++k) {
            EXPECT_EQ(archive.GetSeries(k)->first, inMemory.GetSeries(k)->first);
            EXPECT_EQ(archive.GetSeries(k)->last, inMemory.GetSeries(k)->last);
            EXPECT_EQ(archive.GetSeries(k)->number, inMemory.GetSeries(k)->number);
        }
    }
}

// Records dropped, series changing and fields valid but not BCD anywhere
// among their neighbours: the loader and the in-memory building keep what a
// record-by-record filter keeps, the loader splitting where the series
// number changes.
TEST_F(MnrFile, KeepsAndSplitsAsARecordByRecordWalkWhereverTheChangesFall) {
    // (field, byte): out of range, some of them below the range's highest
    // byte; then in range though not BCD.
    const std::pair<int, uint8_t> invalid[] = {{0, 0x5A}, {1, 0x60}, {2, 0x1E}, {2, 0x24},
                                               {3, 0x00}, {3, 0x2C}, {4, 0x00}, {4, 0x0D}};
    const std::pair<int, uint8_t> odd[] = {{0, 0x4F}, {1, 0x3A}, {2, 0x1D}, {3, 0x1F}, {4, 0x0C}};
    std::mt19937 random(24);
    std::vector<ArchiveRecord> records = Records(40000);
    uint8_t series = 0;
    for (ArchiveRecord& r : records) {
        series = static_cast<uint8_t>(series + (random() % 40 == 0));
        r.SetSeriesNumber(series);
        const unsigned roll = random() % 96;
        if (roll == 0)
            std::memset(r.raw, 0xFF, 16);
        else if (roll < 9)
            r.raw[invalid[roll - 1].first] = invalid[roll - 1].second;
        else if (roll < 14)
            r.raw[odd[roll - 9].first] = odd[roll - 9].second;
    }
    std::vector<ArchiveRecord> kept;
    std::vector<int> starts;
    for (const ArchiveRecord& r : records)
        if (r.IsValid() && !r.IsErased()) {
            if (kept.empty() || r.GetSeriesNumber() != kept.back().GetSeriesNumber())
                starts.push_back(static_cast<int>(kept.size()));
            kept.push_back(r);
        }
    const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 42);
    WriteBytes(dir / "mixed.mnr", MnrBytes(&h, records));
    CArchiveData inMemory;
    ASSERT_EQ(inMemory.AssignRecords(records, true), static_cast<int>(kept.size()));
    ASSERT_EQ(archive.LoadMnr(dir / "mixed.mnr"), static_cast<int>(kept.size()));
    EXPECT_EQ(0, std::memcmp(inMemory.GetRecords().data(), kept.data(), kept.size() * sizeof(ArchiveRecord)));
    EXPECT_EQ(0, std::memcmp(archive.GetRecords().data(), kept.data(), kept.size() * sizeof(ArchiveRecord)));
    ASSERT_EQ(archive.GetSeriesCount(), static_cast<int>(starts.size()));
    for (int k = 0; k < archive.GetSeriesCount(); ++k)
        EXPECT_EQ(archive.GetSeries(k)->first, starts[static_cast<size_t>(k)]) << k;
}

TEST_F(MnrFile, HugePagesOnAndOffLoadTheSameArchive) {
    std::vector<ArchiveRecord> records = Records(100000);
    for (size_t i = 0; i < records.size(); i += 997)
        std::memset(records[i].raw, 0xFF, 16);
    for (size_t i = 50000; i < records.size(); ++i)
        records[i].SetSeriesNumber(2);
    const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 42);
    WriteBytes(dir / "big.mnr", MnrBytes(&h, records) + "partial");
    const bool was = HugePagesEnabled();
    CArchiveData off;
    SetHugePages(false);
    ASSERT_EQ(off.LoadMnr(dir / "big.mnr"), 100000 - 101);
    SetHugePages(true);
    ASSERT_EQ(archive.LoadMnr(dir / "big.mnr"), off.GetRecordCount());
    SetHugePages(was);
    EXPECT_EQ(0, std::memcmp(archive.GetRecords().data(), off.GetRecords().data(),
                             off.GetRecords().size() * sizeof(ArchiveRecord)));
    ASSERT_EQ(archive.GetSeriesCount(), 2);
    EXPECT_EQ(archive.GetSeries(1)->first, off.GetSeries(1)->first);
#ifdef __linux__
    EXPECT_EQ(reinterpret_cast<uintptr_t>(archive.GetRecords().data()) % (2u << 20), 0u);
#endif
    EXPECT_TRUE(reporter.messages.empty());
}

} // namespace
