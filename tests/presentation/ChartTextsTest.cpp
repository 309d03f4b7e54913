// What the main window's chart writes beyond the plots: the dates under the
// time labels of a view across days.

#include "ChartLabels.h"
#include "ImageDC.h"
#include "LocalTime.h"
#include "SeriesPlots.h"

#include <QImage>

#include <gtest/gtest.h>

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
    EXPECT_TRUE(chart.SetView(x1, 0, x2, 1));
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

} // namespace
