// tervik-cli render against a golden image: any changed pixel fails.
// tools/regen-golden.sh rewrites the golden image deliberately.

#include "EmfDC.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string RunCli(const std::string& args) {
    const std::string cmd =
        std::string("TZ=UTC QT_QPA_PLATFORM=offscreen \"") + TERVIK_CLI + "\" " + args + " 2>/dev/null";
    return std::to_string(std::system(cmd.c_str()));
}

void ExpectSameImage(const QImage& got, const QImage& want) {
    ASSERT_FALSE(got.isNull());
    ASSERT_FALSE(want.isNull()) << "golden image missing; see tools/regen-golden.sh";
    ASSERT_EQ(got.size(), want.size());
    const QImage a = got.convertToFormat(QImage::Format_RGB32),
                 b = want.convertToFormat(QImage::Format_RGB32);
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                if (differing++ == 0)
                    firstX = x, firstY = y;
            }
    EXPECT_EQ(differing, 0) << "first difference at " << firstX << "," << firstY;
}

TEST(Golden, RenderOfTheSampleArchive) {
    const std::string out = testing::TempDir() + "render_demo_s1.png";
    std::remove(out.c_str());
    ASSERT_EQ(RunCli(std::string("render \"") + TERVIK_SOURCE_DIR + "/samples/demo.mnr\" --series 1 -o \"" +
                     out + "\""),
              "0");
    ExpectSameImage(QImage(QString::fromStdString(out)),
                    QImage(QString(TERVIK_SOURCE_DIR) + "/tests/data/render_demo_s1.png"));
}

TEST(Golden, RenderWithViewSizeAndNoFilter) {
    const std::string out = testing::TempDir() + "render_demo_s2.bmp";
    std::remove(out.c_str());
    ASSERT_EQ(RunCli(std::string("render \"") + TERVIK_SOURCE_DIR +
                     "/samples/demo.mnr\" --series 2 --no-filter --zero-correction no --size 500x300 "
                     "--view 1307207000 -1 1307250000 12 -o \"" +
                     out + "\""),
              "0");
    const QImage img(QString::fromStdString(out));
    ASSERT_EQ(img.size(), QSize(500, 300));
    ExpectSameImage(img, QImage(QString(TERVIK_SOURCE_DIR) + "/tests/data/render_demo_s2_view.png"));
}

TEST(Golden, RenderAsGifAndEmf) {
    const std::string base =
        std::string("render \"") + TERVIK_SOURCE_DIR + "/samples/demo.mnr\" --series 1 -o \"";
    const std::string gif = testing::TempDir() + "render_demo_s1.gif",
                      emf = testing::TempDir() + "render_demo_s1.emf";
    ASSERT_EQ(RunCli(base + gif + "\""), "0");
    // The chart has far fewer than 256 colours, so the GIF keeps every pixel.
    ExpectSameImage(QImage(QString::fromStdString(gif)),
                    QImage(QString(TERVIK_SOURCE_DIR) + "/tests/data/render_demo_s1.png"));
    ASSERT_EQ(RunCli(base + emf + "\""), "0");
    const EmfSummary s = ReadEmfSummary(emf);
    ASSERT_TRUE(s.valid) << s.error;
    EXPECT_EQ(s.created, s.deleted);
    const QImage png(QString(TERVIK_SOURCE_DIR) + "/tests/data/render_demo_s1.png");
    EXPECT_EQ(s.bounds, (LCRect{0, 0, png.width() - 1, png.height() - 1}));
}

// Two series of the sample, the second aligned with the first by its start,
// and their difference: colours, markers and the legend naming each.
TEST(Golden, CompareWithShiftAndDifference) {
    const std::string out = testing::TempDir() + "compare_demo.png";
    std::remove(out.c_str());
    const std::string demo = std::string("\"") + TERVIK_SOURCE_DIR + "/samples/demo.mnr";
    ASSERT_EQ(RunCli("compare " + demo + ":1\" " + demo +
                     ":2\" --shift 2:start --difference --size 600x340 -o \"" + out + "\""),
              "0");
    ExpectSameImage(QImage(QString::fromStdString(out)),
                    QImage(QString(TERVIK_SOURCE_DIR) + "/tests/data/compare_demo.png"));
}

TEST(Golden, CompareRefusesBadRequests) {
    const std::string demo = std::string("\"") + TERVIK_SOURCE_DIR + "/samples/demo.mnr";
    const std::string out = testing::TempDir() + "never.png";
    for (const std::string& args :
         {demo + "\"", demo + ":9\"", demo + ":1\" " + demo + ":2\" --shift 3:start",
          demo + ":1\" " + demo + ":2\" --shift 2:7w", demo + ":1\" --difference",
          demo + ":1\" " + demo + ":2\" " + demo + ":3\" " + demo + ":4\" " + demo + ":1\""}) {
        std::remove(out.c_str());
        EXPECT_NE(RunCli("compare " + args + " -o \"" + out + "\""), "0") << args;
        EXPECT_FALSE(QImage(QString::fromStdString(out)).width() > 0) << args;
    }
}

// A month of daily means with a day below the capture threshold, one above
// the limit and one without data; the profiles of the same points.
TEST(Golden, CalendarAndProfilesInBothLanguages) {
    const std::string data =
        std::string("\"") + TERVIK_SOURCE_DIR + "/tests/data/daily_march.txt\" --series 1 ";
    for (const char* command : {"calendar", "profile"})
        for (const char* lang : {"en", "ru"}) {
            const std::string name = std::string(command) + "_march_" + lang + ".png";
            const std::string out = testing::TempDir() + name;
            std::remove(out.c_str());
            ASSERT_EQ(RunCli(std::string(command) + " " + data + "--zero-correction no --limit 0.12 --lang " +
                             lang + " -o \"" + out + "\""),
                      "0")
                << name;
            SCOPED_TRACE(name);
            ExpectSameImage(
                QImage(QString::fromStdString(out)),
                QImage(QString(TERVIK_SOURCE_DIR) + "/tests/data/" + QString::fromStdString(name)));
        }
}

TEST(Golden, RenderRefusesBadRequests) {
    const std::string base = std::string("render \"") + TERVIK_SOURCE_DIR + "/samples/demo.mnr\" ";
    const std::string out = testing::TempDir() + "never.png";
    EXPECT_NE(RunCli(base + "--series 9 -o \"" + out + "\""), "0");
    EXPECT_NE(RunCli(base + "--series 1 --size 0x10 -o \"" + out + "\""), "0");
    EXPECT_NE(RunCli(base + "--series 1 --view 5 0 5 1 -o \"" + out + "\""), "0");
    EXPECT_NE(RunCli(base + "--series 1 -o \"" + testing::TempDir() + "x.tif\""), "0");
    EXPECT_NE(RunCli(base + "--series 1"), "0");
}

} // namespace
