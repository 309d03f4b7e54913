#include "SeriesFormat.h"
#include "NumText.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>

namespace {

TEST(ThreeDigitForm, RoundsDigitByDigit) {
    EXPECT_EQ(ThreeDigitForm(1.234), "1.23");
    EXPECT_EQ(ThreeDigitForm(12.34), "12.3");
    EXPECT_EQ(ThreeDigitForm(10), "10.0");
    EXPECT_EQ(ThreeDigitForm(123.45), "124"); // 12345 -> 1235 -> 124
    EXPECT_EQ(ThreeDigitForm(1234.5), "1240");
    EXPECT_EQ(ThreeDigitForm(0.5), "0.50");
    EXPECT_EQ(ThreeDigitForm(0), "0.00");
    EXPECT_EQ(ThreeDigitForm(-0.0001), "-0.00");
    EXPECT_EQ(ThreeDigitForm(-2.5), "-2.50");
    EXPECT_EQ(ThreeDigitForm(10.005), "10.0"); // a = 1001 -> 100 -> 1000
    EXPECT_EQ(ThreeDigitForm(9.996), "10.0");
    EXPECT_EQ(ThreeDigitForm(999.5), "1000");
    EXPECT_EQ(ThreeDigitForm(99999.4), "100000");
    EXPECT_EQ(ThreeDigitForm(3e38), "300000000000000000000000000000000000000");
    EXPECT_EQ(ThreeDigitForm(NAN), "nan");
}

TEST(Statistics, OverTheView) {
    const std::vector<double> t = {10, 20, 30, 40, 50, 5};
    const std::vector<double> y = {1, 2, 4, 8, 16, 100};
    Statistics s;
    ASSERT_TRUE(ComputeStatistics(t, y, 20, 40, s));
    EXPECT_EQ(s.firstTime, 20);
    EXPECT_EQ(s.lastTime, 40);
    EXPECT_DOUBLE_EQ(s.mean, 14.0 / 3);
    EXPECT_DOUBLE_EQ(s.sd, std::sqrt(84.0 / 3 - 196.0 / 9));
    EXPECT_EQ(s.min, 2);
    EXPECT_EQ(s.max, 8);
    EXPECT_EQ(s.range, 6);
    // The walk stops at the first point past the view: the late 5 is not seen.
    ASSERT_TRUE(ComputeStatistics(t, y, 0, 45, s));
    EXPECT_EQ(s.max, 8);
    EXPECT_FALSE(ComputeStatistics(t, y, 51, 60, s));
    // One point: SD and range stay 0.
    ASSERT_TRUE(ComputeStatistics(t, y, 30, 30, s));
    EXPECT_EQ(s.sd, 0);
    EXPECT_EQ(s.range, 0);
}

TEST(Statistics, EqualValuesNeverGiveNanSd) {
    const std::vector<double> t(1000, 1.0);
    for (double v : {0.1, 0.7, 1.3, 123.456, 1e-3}) {
        const std::vector<double> y(1000, v);
        Statistics s;
        ASSERT_TRUE(ComputeStatistics(t, y, 0, 2, s));
        EXPECT_EQ(s.sd, s.sd) << v;
        EXPECT_LT(s.sd, 1e-6) << v;
    }
}

TEST(Statistics, CellsShowTheRangeOfTheShownMinAndMax) {
    ScopedTimeZone zone("Europe/Berlin");
    Statistics s;
    s.firstTime = 1307084730; // 2011-06-03 09:05:30 local
    s.lastTime = 1307084730 + 3600 * 10 + 59;
    s.mean = 2.5;
    s.sd = 0.1234;
    s.min = 1.004; // shows 1.00
    s.max = 12.36; // shows 12.4
    s.range = 11.356;
    const auto c = StatisticsCells(s);
    EXPECT_EQ(c[0], "2011-06-03");
    EXPECT_EQ(c[1], "09:05:30 - 19:06:29");
    EXPECT_EQ(c[2], "2.50");
    EXPECT_EQ(c[3], "0.12");
    EXPECT_EQ(c[4], "1.00");
    EXPECT_EQ(c[5], "12.4");
    EXPECT_EQ(c[6], "11.4"); // 12.4 - 1.00, not 11.356
}

class SeriesText : public ::testing::Test {
  protected:
    ScopedTimeZone zone{"Europe/Berlin"};
    CArchiveData archive;
};

TEST_F(SeriesText, ListEntriesNumberEachSeries) {
    std::vector<ArchiveRecord> recs = {
        MakeRecord(2011, 6, 3, 9, 5, 30, 0, 7, 0, 0, 0), MakeRecord(2011, 6, 3, 19, 4, 30, 0, 7, 0, 0, 0),
        MakeRecord(2011, 6, 4, 1, 0, 0, 0, 8, 0, 0, 0), MakeRecord(2011, 6, 4, 2, 0, 0, 0, 7, 0, 0, 0)};
    archive.AssignRecords(recs, true);
    const auto e = SeriesListEntries(archive, "Start", "Stop");
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0], "#1/3    Start: [  2011-06-03   09:05:30  ]     Stop: [  2011-06-03   19:04:30  ]");
    EXPECT_EQ(e[1].substr(0, 15), "#2/3    Start: ");
    EXPECT_EQ(e[2].substr(0, 15), "#3/3    Start: ");

    CArchiveData repeated;
    std::vector<ArchiveRecord> r2 = {MakeRecord(2011, 6, 3, 9, 0, 0, 0, 5, 0, 0, 0),
                                     MakeRecord(2011, 6, 3, 9, 1, 0, 0, 6, 0, 0, 0),
                                     MakeRecord(2011, 6, 3, 9, 2, 0, 0, 6, 0, 0, 0)};
    repeated.AssignRecords(r2, true);
    const auto ru = SeriesListEntries(repeated, "Начало", "Конец");
    ASSERT_EQ(ru.size(), 2u);
    EXPECT_EQ(ru[1].substr(0, 8), "#2/2    ");
    EXPECT_NE(ru[1].find("Начало: [  2011-06-03   09:01:00  ]"), std::string::npos);

    // The list's texts made one at a time, in any order, are the same entries.
    const SeriesListTexts texts(archive, "Start", "Stop");
    ASSERT_EQ(texts.Count(), 3);
    for (int i : {2, 0, 1})
        EXPECT_EQ(texts.Entry(i), e[static_cast<size_t>(i)]);
    archive.Clear();
    EXPECT_EQ(texts.Entry(1), ""); // the series went with a failed load
}

TEST_F(SeriesText, StartNamesAndSaveAllNamesNeverCollide) {
    std::vector<ArchiveRecord> recs = {
        MakeRecord(2011, 6, 3, 9, 5, 30, 0, 1, 0, 0, 0), MakeRecord(2011, 6, 3, 9, 5, 30, 0, 2, 0, 0, 0),
        MakeRecord(2011, 6, 3, 9, 5, 30, 0, 3, 0, 0, 0), MakeRecord(2011, 6, 3, 9, 6, 0, 0, 4, 0, 0, 0)};
    archive.AssignRecords(recs, true);
    EXPECT_EQ(SeriesStartName(*archive.GetSeries(0)), "2011-06-03_090530");
    const auto names = SaveAllFileNames(archive);
    EXPECT_EQ(names, (std::vector<std::string>{"2011-06-03_090530.mnr", "2011-06-03_090530_2.mnr",
                                               "2011-06-03_090530_3.mnr", "2011-06-03_090600.mnr"}));
}

TEST(YCaption, ByInstrumentKind) {
    const int want[][3] = {{0, 27, 56},   {1, 27, 56}, {2, 27, 55}, {3, 27, 56},
                           {4, 139, 140}, {5, 27, 56}, {6, 27, 55}, {255, 27, 55}};
    for (const auto& w : want) {
        EXPECT_EQ(YAxisCaptionOffsets(w[0]).stem, w[1]) << w[0];
        EXPECT_EQ(YAxisCaptionOffsets(w[0]).unit, w[2]) << w[0];
    }
}

class Export : public ::testing::Test {
  protected:
    ScopedTimeZone zone{"Europe/Berlin"};
    CArchiveData archive;

    void SetUp() override {
        archive.AssignRecords({MakeRecord(2011, 6, 3, 9, 0, 0, RF_ZERO, 1, 215, 745, 0.5f),
                               MakeRecord(2011, 6, 3, 9, 5, 0, 0, 1, 216, 745, 2.75f),
                               MakeRecord(2011, 6, 3, 9, 10, 0, RF_BAD, 1, -35, 746, 40.0f),
                               MakeRecord(2011, 6, 3, 9, 15, 0, RF_ZERO, 1, 217, 747, 0.5f),
                               MakeRecord(2011, 6, 3, 9, 20, 0, 0, 1, 217, 1234, 1234567.0f)},
                              true);
    }
    const SeriesInfo& Series() { return *archive.GetSeries(0); }
};

TEST_F(Export, FilterOnSkipsBadRecordsAndTheirNumbers) {
    const std::string t = ExportTable(Series(), CurveOptions{});
    // Expected lines as C's printf writes them for the same fields.
    EXPECT_EQ(t, "1       2011-06-03      09:00:00            0.000    21.5   745  \r\n"
                 "2       2011-06-03      09:05:00            2.250    21.6   745      2.250\r\n"
                 "4       2011-06-03      09:15:00            0.000    21.7   747  \r\n"
                 "5       2011-06-03      09:20:00        1234566.500    21.7  1234  1234566.500\r\n");
}

TEST_F(Export, FilterOffMarksBadTemperaturesAndRawValues) {
    CurveOptions o;
    o.filter = false;
    o.zeroCorrection = false;
    const std::string t = ExportTable(Series(), o);
    EXPECT_NE(t.find("3       2011-06-03      09:10:00           40.000   +-3.5   746     40.000\r\n"),
              std::string::npos)
        << t;
    EXPECT_NE(t.find("1       2011-06-03      09:00:00            0.500    21.5   745  \r\n"),
              std::string::npos);
    EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 5);
}

TEST_F(Export, WrittenInChunksEqualsTheWholeTable) {
    CArchiveData big;
    std::vector<ArchiveRecord> recs;
    for (int i = 0; i < 20000; ++i)
        recs.push_back(MakeRecord(2011, 6, 3 + i / 1440, i / 60 % 24, i % 60, 0, i % 7 == 0 ? RF_ZERO : 0, 1,
                                  215, 745, static_cast<float>(i % 100) / 3));
    big.AssignRecords(recs, true);
    TempDir dir;
    std::FILE* f = std::fopen((dir / "t.txt").c_str(), "wb");
    ASSERT_TRUE(f);
    EXPECT_TRUE(WriteExportTable(*big.GetSeries(0), CurveOptions{}, f));
    std::fclose(f);
    const std::string whole = ExportTable(*big.GetSeries(0), CurveOptions{});
    EXPECT_GT(whole.size(), 256u * 1024u * 2u);
    EXPECT_EQ(ReadBytes(dir / "t.txt"), whole);
    // A full device is reported, not taken as success.
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full) {
        EXPECT_FALSE(WriteExportTable(*big.GetSeries(0), CurveOptions{}, full));
        std::fclose(full);
    }
}

TEST_F(Export, NoZeroRecordWritesNothing) {
    CArchiveData a;
    a.AssignRecords({MakeRecord(2011, 6, 3, 9, 0, 0, 0, 1, 215, 745, 0.5f)}, true);
    EXPECT_EQ(ExportTable(*a.GetSeries(0), CurveOptions{}), "");
}

TEST_F(Export, CsvKeepsFullPrecision) {
    CurveOptions o;
    o.zeroCorrection = false;
    o.filter = false;
    const std::string csv = ExportCsv(Series(), o);
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "time,epoch,result,temperature,pressure,zero,bad");
    EXPECT_NE(csv.find("2011-06-03T09:00:00+02:00,1307084400,0.5,21.5,745,1,0\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("2011-06-03T09:10:00+02:00,1307085000,40,-3.5,746,0,1\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",1234567,21.7,1234,0,0\n"), std::string::npos) << csv;
}

} // namespace

namespace {

// The export's number fields must be exactly what printf writes, also for
// values next to rounding ties and for huge ones.
TEST(ExportNumbers, MatchPrintfOnRandomAndTieValues) {
    std::mt19937_64 rng(7);
    std::vector<double> values = {0.0,      -0.0,          0.0005, -0.0005, 0.0015, 2.5e-4, 1.0005,
                                  123.4565, 1e12 + 0.0005, 4e12,   5e13,    1e300,  -1e300, 0.05,
                                  0.25,     -0.05,         1e-320, 2.675,   1.45};
    std::uniform_real_distribution<double> uni(-1e4, 1e4);
    std::uniform_int_distribution<int> ties(-2000000, 2000000);
    for (int i = 0; i < 20000; ++i) {
        values.push_back(uni(rng));
        values.push_back(ties(rng) / 2000.0); // near x.xxx5
        values.push_back(ties(rng) / 20.0);   // near x.x5
    }
    for (double v : values) {
        char want3[400], want1[400];
        std::snprintf(want3, sizeof want3, "%9.3f", v);
        std::snprintf(want1, sizeof want1, "%.1f", v);
        std::string line;
        AppendExportLine(line, 1, LocalFields{2011, 1, 2, 3, 4, 5}, false, false, v, 0, v);
        // number 8, date 16, time 16, then the result field.
        const std::string result = line.substr(40, strlen(want3));
        ASSERT_EQ(result, want3) << v;
        const std::string temp = line.substr(40 + strlen(want3) + 4, strlen(want1));
        ASSERT_EQ(temp, want1) << v;
        ASSERT_EQ(line.substr(line.size() - strlen(want3)), want3) << v;
    }
}

} // namespace

namespace {

// The CSV's whole numbers and tenths skip to_chars: the same text at the
// edges of that path (digit counts, trailing zeros that make the exponent
// form shorter, the range's ends, neighbours that are no tenths).
TEST(ExportNumbers, ShortestFormMatchesToChars) {
    std::vector<double> values = {0.0, -0.0, 1e14, -1e14, 99999999999999.9, 1e15, 946684860, 1307084400};
    for (int n = -300000; n <= 300000; ++n)
        values.push_back(n / 10.0);
    for (double p = 1; p < 2e14; p *= 10)
        for (double m : {1.0, 2.0, 12.0, 123.0, 1001.0})
            for (double d : {-1.0, -0.1, 0.0, 0.1, 1.0})
                for (double v : {m * p + d, -(m * p + d)})
                    values.insert(values.end(), {v, std::nextafter(v, 0.0), std::nextafter(v, 1e300)});
    for (double v : values) {
        char want[64], got[64];
        const std::string_view expected(want,
                                        static_cast<size_t>(std::to_chars(want, want + 64, v).ptr - want));
        ASSERT_EQ(std::string_view(got, static_cast<size_t>(WriteShortest(got, v) - got)), expected);
    }
}

} // namespace
