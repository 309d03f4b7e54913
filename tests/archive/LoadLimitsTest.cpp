// Loading files of any size and content without aborting: the record limit,
// chunked reading and the decimal numbers of the text formats.

#include "TestUtil.h"
#include "TextLines.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class LoadLimits : public ::testing::Test {
  protected:
    ScopedTimeZone zone{"UTC"};
    TempDir dir;
    CollectingReporter reporter;
    CArchiveData archive;
    const ArchiveHeader header = ArchiveHeader::Build(0x20, 3, 42);

    void SetUp() override { archive.SetReporter(&reporter); }

    static ArchiveRecord Record(int i, uint8_t series = 1) {
        return MakeRecord(2011, 6, 3, 9, i / 60 % 60, i % 60, i % 10 == 0 ? RF_ZERO : 0, series, 215, 745,
                          static_cast<float>(i));
    }
};

TEST_F(LoadLimits, HugeSparseMnrIsRefusedAndTheArchiveKept) {
    WriteBytes(dir / "known.mnr", MnrBytes(&header, {Record(0), Record(1), Record(2)}));
    ASSERT_EQ(archive.LoadMnr(dir / "known.mnr"), 3);
    const std::string huge = dir / "huge.mnr";
    WriteBytes(huge, MnrBytes(&header, {Record(0)}));
    ASSERT_EQ(::truncate(huge.c_str(), 200LL << 30), 0); // sparse: no disk space taken
    EXPECT_EQ(archive.LoadMnr(huge), 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{kTooManyRecordsText});
    EXPECT_EQ(archive.GetRecordCount(), 3);
    EXPECT_EQ(archive.GetSeriesCount(), 1);
    EXPECT_EQ(archive.GetHeader().GetDeviceNumber(), 42u);
}

// Several read chunks of records with erased and invalid ones among them, a
// torn record at the end, with and without the header.
TEST_F(LoadLimits, ChunkedMnrReadKeepsEveryGoodRecordInOrder) {
    std::vector<ArchiveRecord> file, want;
    for (int i = 0; i < 10000; ++i) {
        ArchiveRecord r = Record(i, static_cast<uint8_t>(1 + i / 3000));
        if (i % 997 == 5)
            std::memset(r.raw, 0xFF, 4); // erased
        else if (i % 1009 == 7)
            r.raw[3] = 0; // day 0: invalid
        else
            want.push_back(r);
        file.push_back(r);
    }
    for (const ArchiveHeader* h : {&header, static_cast<const ArchiveHeader*>(nullptr)}) {
        WriteBytes(dir / "big.mnr", MnrBytes(h, file) + "torn");
        ASSERT_EQ(archive.LoadMnr(dir / "big.mnr"), static_cast<int>(want.size()));
        ASSERT_EQ(archive.GetSeriesCount(), 4);
        EXPECT_EQ(0, std::memcmp(archive.GetRecords().data(), want.data(), want.size() * 16));
    }
    EXPECT_TRUE(reporter.messages.empty());
}

// The pieces a small read chunk gives are the pieces of one whole read: CR LF
// split between chunks, a lone CR, an over-long line, a NUL, no final end.
TEST(TextLines, ChunkBoundariesChangeNothing) {
    TempDir dir;
    const std::string text = std::string("first\r\nsecond\rstill\r\n\r\n") + std::string(300, 'x') + "\r\n" +
                             std::string("nul\0gone\r\n", 10) + "last\r";
    WriteBytes(dir / "t.txt", text);
    const auto pieces = [&](size_t chunk) {
        TextLineReader reader(OpenRegularFileForReading(dir / "t.txt"), chunk);
        std::vector<std::string> all;
        std::string line;
        while (reader.Next(line))
            all.push_back(line);
        EXPECT_FALSE(reader.Failed());
        return all;
    };
    const std::vector<std::string> whole = pieces(1 << 20);
    ASSERT_EQ(whole.size(), 7u);
    EXPECT_EQ(whole[1], "second\rstill\n");
    EXPECT_EQ(whole[3].size(), 254u);
    EXPECT_EQ(whole[5], "nul");
    EXPECT_EQ(whole[6], "last\r");
    for (size_t chunk : {1, 2, 3, 5, 7, 64})
        EXPECT_EQ(pieces(chunk), whole) << "chunk " << chunk;
}

// Hexadecimal, inf and nan are not decimal numbers: they read as 0, in both
// text formats; a decimal exponent is still read.
TEST_F(LoadLimits, OnlyDecimalNumbersAreRead) {
    const auto dat = [](const char* conc, const char* temp, const char* pres) {
        return std::string("14.03.2007 10:07:30\t1\t") + conc + "\t0\t0\t" + temp + "\t" + pres +
               "\t0\t0\t0\t0\t0\t0\t20\r\n";
    };
    WriteBytes(dir / "a.dat", dat("0x10", "infinity", "0x2EB") + dat("nan", "-inf", "0X1p3") +
                                  dat("1.5e1", "2,5E1", "7.47e2"));
    ASSERT_EQ(archive.LoadDat(dir / "a.dat"), 3);
    WriteBytes(dir / "b.txt", "Date, Time\r\n"
                              "11.06.20, 10:00:00, F, 3, inf, 0x2EB, 0x10\r\n"
                              "11.06.20, 10:01:00, F, 3, 0x1A, nan, infinity\r\n"
                              "11.06.20, 10:02:00, F, 3, 2.5e1, 747, 1.5e1\r\n");
    CArchiveData orlo;
    orlo.SetReporter(&reporter);
    ASSERT_EQ(orlo.LoadOrlo2Txt(dir / "b.txt"), 3);
    for (const CArchiveData* a : {&archive, &orlo}) {
        for (int i = 0; i < 2; ++i) {
            const ArchiveRecord& r = a->GetRecords()[static_cast<size_t>(i)];
            EXPECT_EQ(r.GetConcentration(), 0.0f) << i;
            EXPECT_EQ(r.GetTemperature(), 0) << i;
            EXPECT_EQ(r.GetPressure(), 0) << i;
        }
        const ArchiveRecord& r = a->GetRecords()[2];
        EXPECT_EQ(r.GetConcentration(), 15.0f);
        EXPECT_EQ(r.GetTemperature(), 250);
        EXPECT_EQ(r.GetPressure(), 747);
    }
}

} // namespace
