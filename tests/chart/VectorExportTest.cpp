// The chart as SVG and PDF: the painter context keeps the raster context's
// pixel rules, and both files hold the chart's texts.

#include "ChartTestUtil.h"
#include "LCPicture.h"
#include "PainterDC.h"
#include "ScriptedPrompts.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "Shell.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace {

// Shapes on whole pixels cover the same pixels through a painter as on the raster surface.
TEST(PainterDC, CoversThePixelsOfTheRasterContext) {
    auto draw = [](IGdiDC& dc) {
        dc.SelectPen({PS_SOLID, 1, 0x0000FF});
        dc.SelectBrush(GdiBrush::SolidBrush(0xFF0000));
        dc.Rectangle(2, 2, 9, 7);
        dc.MoveTo(1, 12);
        dc.LineTo(15, 12); // end pixel left out
        dc.MoveTo(18, 15);
        dc.LineTo(18, 3); // upwards
        dc.FillSolidRect(11, 2, 4, 3, 0x00FF00);
        dc.SetPixel(0, 0, 0x0000FF);
        dc.SelectPen({PS_NULL, 1, 0});
        dc.Rectangle(11, 6, 14, 9); // no outline: the whole box filled
    };
    QImage raster = WhiteImage(20, 16), vector = WhiteImage(20, 16);
    {
        CImageDC dc(raster);
        draw(dc);
    }
    {
        QPainter painter(&vector);
        CPainterDC dc(painter);
        draw(dc);
    }
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(At(vector, x, y), At(raster, x, y)) << x << "," << y;
}

struct VectorChart {
    CLC c;
    QTemporaryDir dir;
    std::set<std::string> labels; // every text the paint steps write
    VectorChart() {
        c.Layout(500, 300);
        const LCPosition a = c.Model().AddPlot(MakeDataSet({0, 600, 1200, 1800}, {1, 3, 2, 4}));
        c.Model().SetPlotName(a, "Данные 1");
        c.Painter().SetTitles("Time", "Value");
        c.Core().ShowAllData();
        c.Redraw();
        QImage img = WhiteImage(500, 300);
        RecordingDC dc(img);
        c.Core().PaintTo(dc);
        for (const auto& t : dc.texts)
            labels.insert(t.text);
    }
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
};

TEST(VectorExport, SvgParsesAndHoldsTheLabels) {
    VectorChart t;
    ASSERT_GE(t.labels.size(), 6u);
    ASSERT_TRUE(WriteChartPicture(t.c.Core(), t.Path("c.svg")));
    EXPECT_TRUE(QSvgRenderer(QString::fromStdString(t.Path("c.svg"))).isValid());
    QFile file(QString::fromStdString(t.Path("c.svg")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    std::set<std::string> texts;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
            texts.insert(xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed().toStdString());
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    for (const std::string& label : t.labels)
        EXPECT_EQ(texts.count(label), 1u) << label;
}

TEST(VectorExport, PdfHoldsTheLabelsAndRenders) {
    VectorChart t;
    const std::string pdf = t.Path("c.pdf");
    ASSERT_TRUE(WriteChartPicture(t.c.Core(), pdf));
    const std::string text = ShellOutput("pdftotext -layout '" + pdf + "' - 2>/dev/null");
    for (const std::string& label : t.labels)
        EXPECT_NE(text.find(label), std::string::npos) << label << " in\n" << text;
    // One page of the chart's size: 96 dpi gives its pixels back.
    ASSERT_EQ(std::system(("pdftoppm -r 96 -png -singlefile '" + pdf + "' '" + t.Path("page") + "'").c_str()),
              0);
    const QImage page(QString::fromStdString(t.Path("page.png")));
    EXPECT_EQ(page.size(), QSize(500, 300));
    // The margin's colour where the chart has it.
    EXPECT_EQ(page.pixel(5, 150) & 0xFFFFFF, 0xB0B0A4u);
    EXPECT_FALSE(WriteChartPicture(t.c.Core(), t.Path("missing/c.pdf")));
}

// The export dialog's SVG and PDF entries give a name typed without extension theirs.
TEST(VectorExport, DialogEntriesAppendTheirExtension) {
    ScriptedPrompts prompts;
    VectorChart t;
    prompts.fileAnswers = {QString::fromStdString(t.Path("a")), QString::fromStdString(t.Path("b"))};
    prompts.filterAnswers = {6, 7};
    t.c.OnCommand(CLC::CmdExportImage);
    t.c.OnCommand(CLC::CmdExportImage);
    EXPECT_TRUE(QSvgRenderer(QString::fromStdString(t.Path("a.svg"))).isValid());
    QFile pdf(QString::fromStdString(t.Path("b.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

} // namespace
