// What the main window's chart writes beyond the plots: the dates under the
// time labels of a view across days.

#include "ChartLabels.h"
#include "ImageDC.h"
#include "LocalTime.h"
#include "SeriesPlots.h"
#include "StringTable.h"

#include "ArchiveData.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class RecordingDC : public CImageDC {
  public:
    using CImageDC::CImageDC;
    std::vector<std::string> texts;
    void TextOut(int x, int y, const std::string& s) override {
        texts.push_back(s);
        CImageDC::TextOut(x, y, s);
    }
};

// Runs the body with TZ set to zone, then puts the old zone back.
template <class Body> void InZone(const char* zone, Body body) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", zone, 1);
    tzset();
    body();
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

std::vector<std::string> Dates(const std::vector<std::string>& texts) {
    std::vector<std::string> d;
    for (const std::string& t : texts)
        if (t.size() == 10 && t[4] == '-' && t[7] == '-')
            d.push_back(t);
    return d;
}

std::vector<std::string> DrawnDates(double x1, double x2) {
    CLCCore chart;
    chart.Layout(711, 351);
    ConfigureMainChart(&chart, "Time", "y");
    EXPECT_TRUE(chart.Model().SetView(x1, 0, x2, 1));
    QImage img(711, 351, QImage::Format_RGB32);
    RecordingDC dc(img);
    chart.PaintTo(dc);
    return Dates(dc.texts);
}

TEST(DateRow, OnlyWhenTheViewCrossesLocalMidnight) {
    // Tokyo is UTC+9: 2011-06-04 15:00 UTC is midnight there.
    InZone("Asia/Tokyo", [] {
        const double midnight = static_cast<double>(LocalTimeToEpochExact(2011, 6, 5, 0, 0, 0));
        // 18:00 to 23:59:59 the same local day: times only, as before.
        EXPECT_TRUE(DrawnDates(midnight - 6 * 3600, midnight - 1).empty());
        // Midnight itself is still the same day at the view's right end.
        EXPECT_TRUE(DrawnDates(midnight - 6 * 3600, midnight - 0.5).empty());
        // 18:00 to 06:00: the first label of each local day carries its date.
        EXPECT_EQ(DrawnDates(midnight - 6 * 3600, midnight + 6 * 3600),
                  (std::vector<std::string>{"2011-06-04", "2011-06-05"}));
        // The same UTC hours within one UTC day (06:00 to 18:00 local) show no date.
        EXPECT_TRUE(DrawnDates(midnight - 18 * 3600, midnight - 6 * 3600).empty());
    });
}

ArchiveRecord Record(int minute, float value, bool zero) {
    ArchiveRecord r{};
    r.SetDateTime(2011, 6, 3, 9, minute, 0);
    r.SetConcentration(value);
    r.SetTemperature(200);
    r.SetPressure(760);
    r.SetFlags(static_cast<uint8_t>(zero ? RF_ZERO : 0));
    r.SetSeriesNumber(7);
    return r;
}

// The texts drawn for a series of these records, in language.
std::vector<std::string> DrawnFor(const std::vector<ArchiveRecord>& records, bool zeroCorrection,
                                  int language) {
    CArchiveData archive;
    EXPECT_EQ(archive.AssignRecords(records, true), static_cast<int>(records.size()));
    SetUILanguage(language);
    CLCCore chart;
    chart.Layout(711, 351);
    ConfigureMainChart(&chart, "Time", "y");
    SeriesPlots plots;
    CurveOptions opt;
    opt.zeroCorrection = zeroCorrection;
    ShowSeriesPlots(&chart, *archive.GetSeries(0), 0, opt, "Data", plots);
    SetUILanguage(0);
    QImage img(711, 351, QImage::Format_RGB32);
    RecordingDC dc(img);
    chart.PaintTo(dc);
    return dc.texts;
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(EmptyChart, SaysWhyInEitherLanguage) {
    const std::vector<ArchiveRecord> noZero = {Record(0, 3, false), Record(5, 4, false)};
    const std::string enZero = "No zero-control record in this series: zero correction cannot be applied.";
    EXPECT_TRUE(Has(DrawnFor(noZero, true, 0), enZero));
    EXPECT_TRUE(Has(DrawnFor(noZero, true, 1),
                    "В этой серии нет записи контроля нуля: коррекцию нуля применить нельзя."));
    // Without zero correction the same records are drawn, with no text.
    EXPECT_FALSE(Has(DrawnFor(noZero, false, 0), enZero));

    const float nan = std::nanf("");
    const std::vector<ArchiveRecord> noFinite = {Record(0, nan, true), Record(5, INFINITY, false),
                                                 Record(10, nan, true)};
    EXPECT_TRUE(Has(DrawnFor(noFinite, false, 0), "No finite value in this series."));
    EXPECT_TRUE(Has(DrawnFor(noFinite, false, 1), "В этой серии нет ни одного конечного значения."));

    // A series with a finite value says nothing, and the next series clears the text.
    const std::vector<ArchiveRecord> fine = {Record(0, 1, true), Record(5, 3, false)};
    const std::vector<std::string> texts = DrawnFor(fine, true, 0);
    EXPECT_FALSE(Has(texts, enZero));
    EXPECT_FALSE(Has(texts, "No finite value in this series."));
}

} // namespace
