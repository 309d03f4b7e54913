// tervik-cli report: the PDF holds the series' times, its mean and the
// Russian captions, and renders; its usage errors.

#include "CliRun.h"
#include "IntervalStats.h"
#include "LocalTime.h"
#include "ResultStats.h"
#include "Samples.h"
#include "SeriesFormat.h"
#include "StringTable.h"
#include "TestUtil.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

namespace {

std::string Stamp(double t) {
    const LocalFields f = ToLocalFields(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute,
                  f.second);
    return buf;
}

TEST(CliReport, PdfHoldsTimesMeanAndRussianCaptions) {
    ScopedTimeZone zone("Europe/Berlin");
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    CurveOptions c;
    c.stdTemp = 200;
    Statistics stats;
    ASSERT_TRUE(ComputeSeriesStatistics(*a.GetSeries(1), c, -INFINITY, INFINITY, stats));
    TempDir dir;
    const std::string pdf = dir / "r.pdf";
    ASSERT_EQ(Cli("report " + kDemo + " --series 2 --std-temp 20 --limit 2.5 --lang ru -o " + pdf).code, 0);
    const std::string text = ShellOutput("pdftotext '" + pdf + "' - 2>/dev/null");
    for (const std::string& want :
         {Stamp(a.GetSeries(1)->GetStartTime()), Stamp(a.GetSeries(1)->GetEndTime()),
          StatisticsCells(stats)[2], UIString(240, 1), UIString(48, 1), UIString(263, 1)})
        EXPECT_NE(text.find(want), std::string::npos) << want << " in\n" << text;
    ASSERT_EQ(std::system(
                  ("pdftoppm -f 1 -l 1 -r 30 -png -singlefile '" + pdf + "' '" + (dir / "p") + "'").c_str()),
              0);
    EXPECT_GT(std::filesystem::file_size(dir / "p.png"), 1000u);
}

// A table longer than a page goes on over the next ones, its header on each.
TEST(CliReport, IntervalTableContinuesOverPages) {
    ScopedTimeZone zone("Europe/Berlin");
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    IntervalOptions o;
    o.minutes = 15;
    IntervalTable table;
    ASSERT_TRUE(ComputeIntervals(*a.GetSeries(0), CurveOptions{}, o, table));
    TempDir dir;
    const std::string pdf = dir / "r.pdf";
    ASSERT_EQ(Cli("report " + kDemo + " --series 1 --interval 15 -o " + pdf).code, 0);
    std::string all;
    int pages = 0;
    for (std::string page; pages < 10; all += page) {
        page = ShellOutput("pdftotext -f " + std::to_string(pages + 1) + " -l " + std::to_string(pages + 1) +
                           " '" + pdf + "' - 2>/dev/null");
        if (page.empty())
            break;
        ++pages;
        // Every later page that holds rows of the table starts with its header.
        const bool rows = std::any_of(table.rows.begin(), table.rows.end(), [&page](const IntervalRow& r) {
            return page.find(Stamp(static_cast<double>(r.start)).substr(0, 16)) != std::string::npos;
        });
        if (pages > 1 && rows) {
            EXPECT_NE(page.find(UIString(258, 0)), std::string::npos) << "header on page " << pages;
        }
    }
    EXPECT_GE(pages, 2);
    for (const IntervalRow& r : table.rows)
        EXPECT_NE(all.find(Stamp(static_cast<double>(r.start)).substr(0, 16)), std::string::npos) << r.start;
}

// Each interval's row gives the clock times of its minimum and maximum, and
// the widest table (Russian captions, a limit) stays inside its pages.
TEST(CliReport, IntervalRowsGiveTimesOfExtremesWithinThePage) {
    ScopedTimeZone zone("Europe/Berlin");
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    IntervalOptions o;
    o.minutes = 15;
    IntervalTable table;
    ASSERT_TRUE(ComputeIntervals(*a.GetSeries(1), CurveOptions{}, o, table));
    TempDir dir;
    const std::string pdf = dir / "r.pdf";
    // With a limit the table takes landscape pages; without, it fits portrait ones.
    for (const std::string limit : {" --limit 2.5", ""}) {
        SCOPED_TRACE(limit);
        ASSERT_EQ(Cli("report " + kDemo + " --series 2 --interval 15 --lang ru" + limit + " -o " + pdf).code,
                  0);
        const std::string xml = ShellOutput("pdftotext -bbox '" + pdf + "' - 2>/dev/null");
        std::multiset<std::string> words;
        double pageWidth = 0;
        int pages = 0;
        const auto attr = [&](size_t at, const char* name) {
            return std::atof(xml.c_str() + xml.find(name, at) + std::strlen(name));
        };
        for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
            if (xml.compare(at, 6, "<page ") == 0) {
                pageWidth = attr(at, "width=\"");
                ++pages;
            } else if (xml.compare(at, 6, "<word ") == 0) {
                // Inside the right margin.
                EXPECT_LE(attr(at, "xMax=\""), pageWidth - 40) << xml.substr(at, 120);
                const size_t text = xml.find('>', at) + 1;
                words.insert(xml.substr(text, xml.find('<', text) - text));
            }
        }
        EXPECT_GE(pages, 3);
        for (const IntervalRow& r : table.rows) {
            if (r.count == 0)
                continue;
            EXPECT_TRUE(words.count(Stamp(r.minTime).substr(11)))
                << "min of " << Stamp(static_cast<double>(r.start));
            EXPECT_TRUE(words.count(Stamp(r.maxTime).substr(11)))
                << "max of " << Stamp(static_cast<double>(r.start));
        }
    }
}

// The total row spans days: its minimum and maximum carry their dates, also
// one on the first day (series 1's maximum).
TEST(CliReport, TotalRowDatesItsExtremes) {
    ScopedTimeZone zone("Europe/Berlin");
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    IntervalTable table;
    ASSERT_TRUE(ComputeIntervals(*a.GetSeries(0), CurveOptions{}, IntervalOptions{}, table));
    TempDir dir;
    const std::string pdf = dir / "r.pdf";
    ASSERT_EQ(Cli("report " + kDemo + " --series 1 --lang ru -o " + pdf).code, 0);
    const std::string text = ShellOutput("pdftotext '" + pdf + "' - 2>/dev/null");
    for (const double t : {table.total.minTime, table.total.maxTime})
        EXPECT_NE(text.find(Stamp(t)), std::string::npos) << Stamp(t) << " in\n" << text;
}

// Raw results list no corrections, whatever standard conditions were given;
// corrected ones list those applied. The filter's state is said either way.
TEST(CliReport, ListsExactlyTheCorrectionsApplied) {
    TempDir dir;
    const std::string pdf = dir / "r.pdf";
    const std::string cmd = "report " + kDemo + " --series 4 --std-temp 25.5 --std-pres 750 -o " + pdf;
    ASSERT_EQ(Cli(cmd + " --zero-correction no").code, 0);
    std::string text = ShellOutput("pdftotext '" + pdf + "' - 2>/dev/null");
    EXPECT_NE(text.find(UIString(400, 0)), std::string::npos) << text;
    EXPECT_NE(text.find(UIString(401, 0)), std::string::npos) << text;
    EXPECT_EQ(text.find("25.5"), std::string::npos) << text;
    EXPECT_EQ(text.find("750"), std::string::npos) << text;
    ASSERT_EQ(Cli(cmd + " --no-filter").code, 0);
    text = ShellOutput("pdftotext '" + pdf + "' - 2>/dev/null");
    EXPECT_EQ(text.find(UIString(400, 0)), std::string::npos) << text;
    for (const char* want : {"25.5 C", "750 mm Hg", "off (points marked bad included)"})
        EXPECT_NE(text.find(want), std::string::npos) << want << " in\n" << text;
}

// The source says how the file was loaded and where its data first came from.
TEST(CliReport, SourceNamesTheFileAndTheOrigin) {
    TempDir dir;
    const std::string pdf = dir / "r.pdf";
    ASSERT_EQ(Cli("report " + kDemo + " --series 1 -o " + pdf).code, 0);
    const std::string text = ShellOutput("pdftotext -layout '" + pdf + "' - 2>/dev/null");
    const std::string want = "file " + kDemo + "; data read from instrument no. 1207";
    EXPECT_NE(text.find(want), std::string::npos) << want << " in\n" << text;
}

// A source longer than a line wraps inside the page, path and all.
TEST(CliReport, LongSourceWrapsInsideThePage) {
    TempDir dir;
    const std::string folder = dir / (std::string(70, 'd') + "/" + std::string(60, 'e'));
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(kDemo, folder + "/demo.mnr");
    const std::string pdf = dir / "r.pdf";
    ASSERT_EQ(Cli("report " + folder + "/demo.mnr --series 1 -o " + pdf).code, 0);
    const std::string xml = ShellOutput("pdftotext -f 1 -l 1 -bbox '" + pdf + "' - 2>/dev/null");
    const auto attr = [&](size_t at, const char* name) {
        return std::atof(xml.c_str() + xml.find(name, at) + std::strlen(name));
    };
    const double pageWidth = attr(xml.find("<page "), "width=\"");
    ASSERT_GT(pageWidth, 0);
    for (size_t at = xml.find("<word "); at != std::string::npos; at = xml.find("<word ", at + 1))
        EXPECT_LE(attr(at, "xMax=\""), pageWidth - 40) << xml.substr(at, 200);
    EXPECT_NE(xml.find("instrument"), std::string::npos);
}

// The report opens with the summary: what it rests on, then the figures
// the archive computes for the same points, before the data's source.
TEST(CliReport, OpensWithTheSummaryAndItsBasis) {
    ScopedTimeZone zone("Europe/Berlin");
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    SummaryOptions o;
    o.limit = FreeLimit(2.5);
    SummaryStats s;
    ASSERT_TRUE(ComputeSummary(*a.GetSeries(1), CurveOptions{}, o, s));
    ASSERT_GT(s.averagesCompared, 0u);
    TempDir dir;
    const std::string pdf = dir / "r.pdf";
    ASSERT_EQ(Cli("report " + kDemo + " --series 2 --limit 2.5 -o " + pdf).code, 0);
    const std::string text = ShellOutput("pdftotext -layout '" + pdf + "' - 2>/dev/null");
    const size_t summary = text.find(UIString(kUiSummaryHeading, 0) + "\n");
    EXPECT_LT(summary, text.find("Source:")) << text;
    size_t at = summary;
    for (const std::string& want : std::vector<std::string>{
             "Capture threshold: 75%", "Limit preset:      none (the limit value typed)",
             "Time base:         local time of this computer", "Median", ThreeDigitForm(s.median),
             "99th percentile", ThreeDigitForm(s.p99), "Highest valid hourly mean",
             ThreeDigitForm(s.maxHourly.value), DateTimeText(s.maxHourly.time, false),
             "Valid averages above the limit",
             std::to_string(s.averagesAbove) + " of " + std::to_string(s.averagesCompared),
             "Daily figures"}) {
        at = text.find(want, at);
        ASSERT_NE(at, std::string::npos) << want << " in\n" << text.substr(summary, 2500);
    }
}

TEST(CliReport, ExitCodes) {
    TempDir dir;
    const std::string cmd = "report " + kDemo + " --series 1 ";
    EXPECT_EQ(Cli(cmd + "--lang de -o " + (dir / "a.pdf")).code, 2);
    EXPECT_EQ(Cli(cmd + "--interval 2h -o " + (dir / "a.pdf")).code, 2);
    EXPECT_EQ(Cli(cmd).code, 2);                                      // no -o
    EXPECT_EQ(Cli(cmd + "--view 0 1 -o " + (dir / "a.pdf")).code, 1); // no point in view
    const CliRun missing = CliErr(cmd + "-o " + (dir / "no/a.pdf"));
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.out.find(dir / "no/a.pdf"), std::string::npos) << missing.out;
    EXPECT_EQ(FileCount(dir), 0u);
}

} // namespace
