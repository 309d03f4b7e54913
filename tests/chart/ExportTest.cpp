// Pictures of the chart: each format written and read back.

#include "ChartTestUtil.h"
#include "EmfDC.h"
#include "GifWriter.h"
#include "ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr uint32_t kEmrSetRop2 = 20, kEmrRoundRect = 44, kEmrSetMiterLimit = 58;

struct ExportChart {
    CLC c;
    QTemporaryDir dir;
    ExportChart() {
        c.Layout(420, 260);
        const LCPosition a = c.Model().AddPlot(MakeDataSet({0, 50, 100, 150}, {1, 3, 2, 4}));
        const LCPosition b = c.Model().AddPlot(MakeDataSet({20, 70, 120}, {2, 2.5, 3}));
        c.Model().SetPlotMarkerKind(b, 3);
        c.Model().SetPlotName(a, "first");
        c.Model().SetPlotName(b, "second");
        c.Painter().SetTitles("Time", "Value");
        c.Core().ShowAllData();
        c.Interaction().SetReadout(60, 2.5); // read-out and legend boxes are round rectangles
        c.Redraw();
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QImage Expected() {
        QImage img = WhiteImage(420, 260);
        CImageDC dc(img);
        c.Core().PaintTo(dc);
        return img;
    }
};

TEST(Export, RasterFormatsReadBack) {
    ExportChart t;
    const QImage expected = t.Expected();
    for (const char* name : {"a.png", "a.bmp", "a.gif"}) {
        ASSERT_TRUE(t.c.SaveImage(t.Path(name).toStdString())) << name;
        QImageReader reader(t.Path(name));
        const QImage got = reader.read().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(got.size(), QSize(420, 260)) << name;
        EXPECT_EQ(got, expected) << name; // lossless; the GIF has at most 256 colours here
    }
    ASSERT_TRUE(t.c.SaveImage(t.Path("a.jpg").toStdString()));
    QImageReader jpeg(t.Path("a.jpg"));
    EXPECT_EQ(jpeg.format(), "jpeg");
    const QImage got = jpeg.read();
    ASSERT_EQ(got.size(), QSize(420, 260));
    // Lossy: flat areas keep their colour closely.
    const QRgb back = got.pixel(5, 130), plot = got.pixel(200, 35);
    EXPECT_LE(std::abs(qRed(back) - 0xB0) + std::abs(qGreen(back) - 0xB0) + std::abs(qBlue(back) - 0xA4), 12);
    EXPECT_LE(std::abs(qRed(plot) - 0xFF) + std::abs(qGreen(plot) - 0xFF) + std::abs(qBlue(plot) - 0xEF), 12);
    EXPECT_FALSE(t.c.SaveImage(t.Path("a.tif").toStdString()));
    EXPECT_FALSE(QFile::exists(t.Path("a.tif")));
}

TEST(Export, GifOfManyColoursIsQuantised) {
    QTemporaryDir dir;
    QImage img(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            img.setPixel(x, y, qRgb(x * 4, y * 4, (x + y) * 2));
    const QString path = dir.filePath("g.gif");
    ASSERT_TRUE(WriteGif(img, path));
    const QImage got = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(got.size(), img.size());
    long long error = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const QRgb a = img.pixel(x, y), b = got.pixel(x, y);
            error +=
                std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    EXPECT_LT(error / (64 * 64), 24); // mean error per pixel, over three channels
    EXPECT_FALSE(WriteGif(img, dir.filePath("missing/g.gif")));
}

TEST(Export, MetafileStructure) {
    ExportChart t;
    const std::string path = t.Path("a.emf").toStdString();
    ASSERT_TRUE(t.c.SaveImage(path));
    const EmfSummary s = ReadEmfSummary(path);
    ASSERT_TRUE(s.valid) << s.error;
    EXPECT_EQ(s.created, s.deleted);
    EXPECT_GT(s.created, 5);
    EXPECT_NE(std::count(s.types.begin(), s.types.end(), kEmrRoundRect), 0); // legend and read-out
    EXPECT_NE(std::count(s.types.begin(), s.types.end(), kEmrSetRop2), 0);
    EXPECT_EQ(std::count(s.types.begin(), s.types.end(), kEmrSetMiterLimit), 0); // every placeholder replaced
    EXPECT_EQ(s.bounds.left, 0);
    EXPECT_EQ(s.bounds.top, 0);
    EXPECT_GE(s.bounds.right, 400);
    EXPECT_LE(s.bounds.right, 421);
    EXPECT_GE(s.bounds.bottom, 240);
    EXPECT_LE(s.bounds.bottom, 261);
    EXPECT_FALSE(t.c.SaveImage(t.Path("no/such/dir/a.emf").toStdString()));
}

TEST(Export, MenuCommandWithScriptedDialog) {
    ScriptedPrompts prompts;
    ExportChart t;
    prompts.fileAnswers = {"",
                           t.Path("chart"),
                           t.Path("typed.bmp"),
                           t.Path("x.tif"),
                           t.Path("pic.emf"),
                           t.Path("none/pic.emf"),
                           t.Path("chart2"),
                           t.Path("chart3"),
                           t.Path("chart4")};
    prompts.filterAnswers = {1, 1, 1, 1, 1, 1, 5, 3, 0};
    t.c.OnCommand(CLC::CmdExportImage); // cancelled
    EXPECT_TRUE(prompts.messages.isEmpty());
    ASSERT_EQ(prompts.filters.size(), 1);
    QStringList filter;
    for (const IPrompts::Filter& f : prompts.filters[0])
        filter << f.name << f.pattern;
    EXPECT_EQ(filter.join("|"),
              "JPEG image|*.jpg|Bitmap image|*.bmp|GIF image|*.gif|PNG image|*.png|Windows EMF|*.emf|"
              "SVG image|*.svg|PDF document|*.pdf");
    t.c.OnCommand(CLC::CmdExportImage);
    EXPECT_EQ(QImageReader(t.Path("chart.jpg")).format(), "jpeg");
    t.c.OnCommand(CLC::CmdExportImage);
    EXPECT_EQ(QImageReader(t.Path("typed.bmp")).format(), "bmp");
    EXPECT_TRUE(prompts.messages.isEmpty());
    t.c.OnCommand(CLC::CmdExportImage);
    EXPECT_EQ(prompts.messages, QStringList{"Failed to save image"});
    EXPECT_FALSE(QFile::exists(t.Path("x.tif")));
    t.c.OnCommand(CLC::CmdExportImage);
    EXPECT_TRUE(ReadEmfSummary(t.Path("pic.emf").toStdString()).valid);
    t.c.OnCommand(CLC::CmdExportImage);
    EXPECT_EQ(prompts.messages.back(), "Failed to create EMF");
    EXPECT_EQ(QDir(t.dir.path()).entryList(QDir::Files).size(), 3); // no partial files left
    // A name without extension takes the chosen entry's: EMF, then GIF.
    t.c.OnCommand(CLC::CmdExportImage);
    EXPECT_TRUE(ReadEmfSummary(t.Path("chart2.emf").toStdString()).valid);
    t.c.OnCommand(CLC::CmdExportImage);
    EXPECT_EQ(QImageReader(t.Path("chart3.gif")).format(), "gif");
    // No entry chosen: nothing is written and nothing is said.
    const qsizetype said = prompts.messages.size();
    t.c.OnCommand(CLC::CmdExportImage);
    EXPECT_EQ(prompts.messages.size(), said);
    EXPECT_EQ(QDir(t.dir.path()).entryList(QDir::Files).size(), 5);
}

} // namespace
