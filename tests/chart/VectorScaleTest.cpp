// A chart laid out for a scaled screen gives a vector page of its logical
// size: the scale changes raster pictures only.

#include "ChartTestUtil.h"
#include "LCPicture.h"

#include <QFile>
#include <QTemporaryDir>

#include "Shell.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(VectorExport, PageSizeDoesNotGrowWithThePixelRatio) {
    QTemporaryDir dir;
    for (const int ratio : {1, 2, 3}) {
        CLCCore chart;
        chart.Painter().SetPixelRatio(ratio);
        chart.Layout(500 * ratio, 300 * ratio);
        chart.Model().AddPlot(MakeDataSet({0, 600, 1200}, {1, 3, 2}));
        chart.ShowAllData();
        const std::string pdf = dir.filePath("c.pdf").toStdString(),
                          svg = dir.filePath("c.svg").toStdString();
        ASSERT_TRUE(WriteChartPicture(chart, pdf));
        ASSERT_TRUE(WriteChartPicture(chart, svg));
        // 500 x 300 pixels at 96 to the inch: 375 x 225 points.
        const std::string info = ShellOutput("pdfinfo '" + pdf + "'");
        const size_t at = info.find("Page size:");
        ASSERT_NE(at, std::string::npos) << info;
        double w = 0, h = 0;
        ASSERT_EQ(std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &w, &h), 2) << info;
        EXPECT_EQ(w, 375) << ratio;
        EXPECT_EQ(h, 225) << ratio;
        QFile file(QString::fromStdString(svg));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromUtf8(file.readAll()).contains(QStringLiteral("viewBox=\"0 0 500 300\"")))
            << ratio;
    }
}

} // namespace
