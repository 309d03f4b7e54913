#include "SeriesReport.h"

#include "AtomicFile.h"
#include "Captions.h"
#include "ChartLabels.h"
#include "DailyReport.h"
#include "LCPicture.h"
#include "LocalTime.h"
#include "ResultRows.h"
#include "SeriesPlots.h"
#include "StringTable.h"
#include "TimeBase.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <map>
#include <numeric>
#include <vector>

namespace {

// The chart is laid out as a window of this size, then scaled to the page width.
constexpr int kChartWidth = 770, kChartHeight = 380;
// Page geometry in points (the writer runs at 72 dpi).
constexpr double kMargin = 42, kFooter = 24;

std::string Printf(const std::string& format, const std::string& a, const std::string& b = {}) {
    std::vector<char> buf(format.size() + a.size() + b.size() + 64);
    std::snprintf(buf.data(), buf.size(), format.c_str(), a.c_str(), b.c_str());
    return buf.data();
}

bool SameDate(const LocalFields& a, const LocalFields& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// The clock time of t in a row starting at start; with its date unless the
// row lies within that one date (the total row rarely does).
std::string TimeIn(double t, const LocalFields& start, bool oneDate) {
    const LocalFields f = ToLocalFields(t);
    if (!oneDate || !SameDate(f, start))
        return DateTimeText(f, true);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
    return buf;
}

std::string Number(double v, const char* format) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The glyph and advance of each character of one font, looked up once. A
// long interval table has hundreds of thousands of short cells; shaping each
// through the text engine, once to measure it and again to draw it, was most
// of the report's time. The cells are digits, Latin and Cyrillic letters and
// punctuation, which need no shaping beyond one glyph per character.
//
// Glyphs are placed in whole units of 1/64 point under a painter scaled by
// 1/64: the PDF gets one short, often repeated integer per glyph instead of
// a fraction with eight decimals, a fifth less for it to compress.
class GlyphCache {
  public:
    static constexpr int kUnits = 64;

    GlyphCache(const QFont& font, const QPaintDevice* device) : m_font(font), m_metrics(font, device) {
        m_raw = QRawFont::fromFont(font);
        m_raw.setPixelSize(font.pointSizeF() * device->logicalDpiY() / 72.0 * kUnits);
    }
    const QFont& Font() const { return m_font; }
    const QFontMetricsF& Metrics() const { return m_metrics; }
    // The width of text in points as Append sets it.
    double Width(const QString& text) {
        long long w = 0;
        for (const QChar c : text)
            w += Glyph(c).advance;
        return static_cast<double>(w) / kUnits;
    }
    // Adds the glyphs of text with its baseline starting at origin (points),
    // at positions in units. False when a character has no glyph of its own
    // in the font: draw that text as text.
    bool Append(const QString& text, QPointF origin, QList<quint32>& glyphs, QList<QPointF>& positions) {
        for (const QChar c : text)
            if (Glyph(c).index == 0)
                return false;
        double x = static_cast<double>(std::llround(origin.x() * kUnits));
        const double y = static_cast<double>(std::llround(origin.y() * kUnits));
        for (const QChar c : text) {
            const Entry& e = Glyph(c);
            glyphs.append(e.index);
            positions.append(QPointF(x, y));
            x += e.advance;
        }
        return true;
    }
    const QRawFont& Raw() const { return m_raw; }

  private:
    struct Entry {
        quint32 index = 0;
        int advance = 0; // units
    };
    const Entry& Glyph(QChar c) {
        const char16_t u = c.unicode();
        if (u < kDirect && m_direct[u].advance != 0)
            return m_direct[u];
        auto it = m_glyphs.find(u);
        if (it != m_glyphs.end())
            return it->second;
        Entry e;
        // Latin, Greek and Cyrillic without combining marks; other scripts
        // need shaping and stay at 0.
        if (u < kDirect && !c.isMark()) {
            const QList<quint32> index = m_raw.glyphIndexesForString(QString(c));
            if (index.size() == 1 && index.front() != 0) {
                e.index = index.front();
                // Unhinted, as the vector page draws the glyph.
                e.advance = static_cast<int>(std::lround(
                    m_raw.advancesForGlyphIndexes(index, QRawFont::UseDesignMetrics).front().x()));
            }
        }
        if (e.index == 0)
            e.advance = static_cast<int>(std::lround(m_metrics.horizontalAdvance(c) * kUnits));
        if (u < kDirect && e.advance != 0)
            return m_direct[u] = e;
        return m_glyphs.emplace(u, e).first->second;
    }
    // Latin, Greek and Cyrillic looked up by index; an advance of 0 is not yet known.
    static constexpr char16_t kDirect = 0x590;
    std::array<Entry, kDirect> m_direct{};
    QFont m_font;
    QFontMetricsF m_metrics;
    QRawFont m_raw;
    std::map<char16_t, Entry> m_glyphs;
};

// text in lines no wider than width: broken after blanks and path
// separators, and a word wider than a line wherever it must.
std::vector<QString> WrapText(GlyphCache& font, const QString& text, double width) {
    std::vector<QString> lines;
    QString line;
    qsizetype lastBreak = -1; // in line, after a blank
    for (const QChar c : text) {
        line += c;
        if (font.Width(line) > width && line.size() > 1) {
            const qsizetype cut = lastBreak > 0 ? lastBreak : line.size() - 1;
            lines.push_back(line.left(cut).trimmed());
            line = line.mid(cut);
            lastBreak = -1;
        }
        if (c == ' ' || c == '/' || c == '\\')
            lastBreak = line.size();
    }
    lines.push_back(line);
    return lines;
}

// Text set line by line down A4 pages, a new page when the next line does not fit.
class PageWriter {
  public:
    PageWriter(QPdfWriter& writer, QPainter& painter, int language)
        : m_writer(writer), m_painter(painter), m_language(language) {
        Top();
    }
    double Width() const { return m_width; }
    double Y() const { return m_y; }
    void Skip(double dy) { m_y += dy; }
    // Makes room for height points, starting a page when they do not fit.
    // True when a page was started.
    bool Need(double height) {
        if (m_y + height <= m_bottom)
            return false;
        NewPage();
        return true;
    }
    // Ends the page; the next one, and those after it, turned as asked.
    void NewPage(QPageLayout::Orientation orientation) {
        if (m_writer.pageLayout().orientation() == orientation)
            return NewPage();
        Footer();
        m_writer.setPageOrientation(orientation);
        m_writer.newPage();
        Top();
    }
    QFont Font(double points, bool bold = false) const {
#ifdef _WIN32
        QFont f(QStringLiteral("Arial"));
#else
        // Arial's metric-compatible stand-in.
        QFont f(QStringLiteral("Liberation Sans"));
#endif
        f.setPointSizeF(points);
        f.setBold(bold);
        return f;
    }
    // One line of text at x (from the left margin); advances by its height.
    void Line(const std::string& text, const QFont& font, double x = 0) {
        const QFontMetricsF fm(font, &m_writer);
        Need(fm.height());
        m_painter.setFont(font);
        m_painter.drawText(QPointF(kMargin + x, m_y + fm.ascent()), Q(text));
        m_y += fm.height();
    }
    // Cells of one row in columns of the given widths; numbers right-aligned,
    // other text after gap from the column's left edge but in the first.
    // The glyphs of a page go to it as one run per font, when the page ends.
    void Row(const std::vector<std::string>& cells, const std::vector<double>& widths,
             const std::vector<bool>& right, GlyphCache& font, double gap = 0) {
        const QFontMetricsF& fm = font.Metrics();
        Need(fm.height());
        if (m_runFont != &font) {
            Flush();
            m_runFont = &font;
        }
        const double baseline = m_y + fm.ascent();
        double x = kMargin;
        for (size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
            const QString text = Q(cells[i]);
            const QPointF origin(right[i] ? x + widths[i] - font.Width(text) : i > 0 ? x + gap : x, baseline);
            if (!font.Append(text, origin, m_glyphs, m_positions)) {
                m_painter.setFont(font.Font());
                m_painter.drawText(origin, text);
            }
            x += widths[i];
        }
        m_y += fm.height();
    }
    // Where a drawing of the page's width and height = width * aspect goes,
    // on a new page when it does not fit here; advances past it.
    std::function<QRectF(double)> Placer() {
        return [this](double aspect) {
            const double height = m_width * aspect;
            Need(height);
            m_y += height + 10;
            return QRectF(kMargin, m_y - height - 10, m_width, height);
        };
    }
    // A rule under a table of the given width.
    void Rule(double width) {
        m_painter.save();
        m_painter.setPen(QPen(Qt::black, 0.5));
        m_painter.drawLine(QPointF(kMargin, m_y + 1), QPointF(kMargin + std::min(width, m_width), m_y + 1));
        m_painter.restore();
        m_y += 3;
    }
    // Page number and program version at the foot of the page.
    void Footer() {
        Flush();
        const QFont font = Font(7);
        const QFontMetricsF fm(font, &m_writer);
        m_painter.setFont(font);
        const double y = m_writer.height() - kMargin + fm.ascent() - fm.height();
        m_painter.drawText(QPointF(kMargin, y), Q(std::string("Tervik ") + ProgramVersion()));
        char page[64];
        std::snprintf(page, sizeof page, UIString(kUiPage, m_language).c_str(), ++m_page);
        const QString text = Q(page);
        m_painter.drawText(QPointF(kMargin + m_width - fm.horizontalAdvance(text), y), text);
    }

  private:
    void Flush() {
        if (!m_glyphs.isEmpty()) {
            QGlyphRun run;
            run.setRawFont(m_runFont->Raw());
            run.setGlyphIndexes(m_glyphs);
            run.setPositions(m_positions);
            m_painter.setTransform(QTransform::fromScale(1.0 / GlyphCache::kUnits, 1.0 / GlyphCache::kUnits));
            m_painter.drawGlyphRun(QPointF(0, 0), run);
            m_painter.resetTransform();
        }
        m_glyphs.clear();
        m_positions.clear();
    }
    void NewPage() {
        Footer();
        m_writer.newPage();
        Top();
    }
    void Top() {
        m_width = m_writer.width() - 2 * kMargin;
        m_bottom = m_writer.height() - kMargin - kFooter;
        m_y = kMargin;
    }
    QPdfWriter& m_writer;
    QPainter& m_painter;
    int m_language;
    double m_width = 0, m_bottom = 0, m_y = 0;
    int m_page = 0;
    GlyphCache* m_runFont = nullptr; // of the glyphs not yet drawn
    QList<quint32> m_glyphs;
    QList<QPointF> m_positions;
};

} // namespace

namespace {

// Where the data come from and how they were computed: the report's top lines.
std::vector<std::pair<std::string, std::string>>
ReportFacts(const DataProvenance& provenance, const ArchiveHeader& header, const ReportOptions& options,
            int seriesCount, double startTime, double endTime, const Statistics& stats) {
    const int lang = options.language;
    const auto ui = [lang](int offset) { return UIString(offset, lang); };
    const IntervalOptions& io = options.intervals;
    std::vector<std::pair<std::string, std::string>> facts = {
        {ui(kUiInstrumentKind), std::to_string(header.GetKind())},
        {ui(kUiDeviceNumber), std::to_string(header.GetDeviceNumber())},
        {ui(kUiSource), ProvenanceText(provenance, header, lang)},
        {ui(kUiSeries), "#" + std::to_string(options.series + 1) + "/" + std::to_string(seriesCount) +
                            "    " + ui(kUiSeriesStart) + ": " + DateTimeText(startTime, true) + "    " +
                            ui(kUiSeriesStop) + ": " + DateTimeText(endTime, true)},
        {ui(kUiPointsReported),
         std::isfinite(io.xmin) || std::isfinite(io.xmax)
             ? Printf(ui(kUiView), DateTimeText(stats.firstTime, true), DateTimeText(stats.lastTime, true))
             : ui(kUiReportWholeSeries)},
    };
    // Exactly the corrections behind the numbers, and the filter.
    for (auto& line : CorrectionLines(options.curve, lang))
        facts.push_back(std::move(line));
    facts.emplace_back(ui(kUiProgramVersion), ProgramVersion());
    return facts;
}

// The key: value lines at the report's top, values wrapped beside the keys.
void WriteFactRows(PageWriter& page, GlyphCache& bodyGlyphs,
                   const std::vector<std::pair<std::string, std::string>>& facts) {
    double keyWidth = 0;
    for (const auto& f : facts)
        keyWidth = std::max(keyWidth, bodyGlyphs.Width(Q(f.first + ":")));
    const double valueWidth = page.Width() - keyWidth - 8;
    for (const auto& f : facts) {
        const std::vector<QString> lines = WrapText(bodyGlyphs, Q(f.second), valueWidth);
        for (size_t i = 0; i < lines.size(); ++i)
            page.Row({i == 0 ? f.first + ":" : std::string(), lines[i].toStdString()},
                     {keyWidth + 8, valueWidth}, {false, false}, bodyGlyphs);
    }
}

// The statistics row as the main window shows it.
void WriteStatisticsRow(PageWriter& page, const QFont& heading, GlyphCache& boldGlyphs,
                        GlyphCache& smallGlyphs, const Statistics& stats, int lang) {
    const auto ui = [lang](int offset) { return UIString(offset, lang); };
    page.Line(ui(kUiStatistics), heading);
    const std::array<std::string, 7> cells = StatisticsCells(stats);
    const std::vector<double> statWidths = {70, 110, 55, 55, 55, 55, 55};
    const std::vector<bool> statRight = {false, false, true, true, true, true, true};
    page.Row({ui(kUiStatDate), ui(kUiStatTime), ui(kUiMean), ui(kUiSd), ui(kUiMin), ui(kUiMax), ui(kUiRange)},
             statWidths, statRight, boldGlyphs);
    page.Rule(std::accumulate(statWidths.begin(), statWidths.end(), 0.0));
    page.Row(std::vector<std::string>(cells.begin(), cells.end()), statWidths, statRight, smallGlyphs);
}

// The cells of one row of the interval table.
std::vector<std::string> IntervalRowCells(const IntervalRow& r, const IntervalOptions& io) {
    const bool any = r.Values() > 0;
    // Below a capture threshold that was asked for, the mean is no result.
    const bool mean = any && !(io.blankInvalid && r.incomplete);
    const LocalFields start = ToLocalFields(static_cast<double>(r.start));
    // An interval ends at the next one's start, which may be midnight.
    const bool oneDate = SameDate(start, ToLocalFields(static_cast<double>(r.end) - 1));
    std::vector<std::string> c = {DateTimeText(start, false),
                                  DateTimeText(static_cast<double>(r.end), false),
                                  std::to_string(r.count),
                                  (r.cycleKnown ? Number(r.coverage * 100, "%.0f") : "-") +
                                      (r.incomplete ? "*" : ""),
                                  mean ? ThreeDigitForm(r.mean) : "-",
                                  mean ? ThreeDigitForm(r.sd) : "-",
                                  any ? ThreeDigitForm(r.min) : "-",
                                  any ? TimeIn(r.minTime, start, oneDate) : "",
                                  any ? ThreeDigitForm(r.max) : "-",
                                  any ? TimeIn(r.maxTime, start, oneDate) : ""};
    if (io.haveLimit)
        c.insert(c.end(), {std::to_string(r.above), AboveTimeText(r)});
    return c;
}

// The interval table, its header repeated on every page, and its notes.
void WriteIntervalTable(PageWriter& page, const QFont& heading, const QFont& small, GlyphCache& boldGlyphs,
                        GlyphCache& smallGlyphs, const IntervalTable& table, const IntervalOptions& io,
                        int lang) {
    const auto ui = [lang](int offset) { return UIString(offset, lang); };
    const auto cellsOf = [&io](const IntervalRow& r) { return IntervalRowCells(r, io); };
    std::string intervalName = io.minutes == 60 ? ui(kUiReportOneHour) : ui(kUiReportOneDay);
    if (io.minutes != 60 && io.minutes != 1440) {
        char text[64];
        std::snprintf(text, sizeof text, ui(kUiReportMinutes).c_str(), io.minutes);
        intervalName = text;
    }
    std::vector<std::string> head = {
        ui(kUiSeriesStart), ui(kUiReportEnd), ui(kUiReportPoints), ui(kUiReportCoverage) + ", %",
        ui(kUiMean),        ui(kUiSd),        ui(kUiMin),          ui(kUiStatTime),
        ui(kUiMax),         ui(kUiStatTime)};
    std::vector<bool> right = {false, false, true, true, true, true, true, false, true, false};
    if (io.haveLimit) {
        head.insert(head.end(), {ui(kUiReportAbove), ui(kUiReportTimeAbove)});
        right.insert(right.end(), {true, true});
    }
    std::vector<std::vector<std::string>> rows;
    rows.reserve(table.rows.size());
    for (const IntervalRow& r : table.rows)
        rows.push_back(cellsOf(r));
    const std::vector<std::string> total = cellsOf(table.total);
    // Each column as wide as its widest text, the gaps shared out when there is room.
    std::vector<double> widths(head.size());
    for (size_t i = 0; i < head.size(); ++i) {
        widths[i] = std::max(boldGlyphs.Width(Q(head[i])), smallGlyphs.Width(Q(total[i])));
        for (const auto& r : rows)
            widths[i] = std::max(widths[i], smallGlyphs.Width(Q(r[i])));
    }
    double sum = 0;
    for (double w : widths)
        sum += w;
    // A row per interval with the times of its extremes; on landscape
    // pages when that is too wide for the portrait ones.
    constexpr double kMinGap = 6;
    if (sum + kMinGap * static_cast<double>(widths.size() - 1) > page.Width())
        page.NewPage(QPageLayout::Landscape);
    page.Line(ui(kUiReportInterval) + ": " + intervalName, heading);
    const double gap =
        std::clamp((page.Width() - sum) / static_cast<double>(widths.size() - 1), kMinGap, 14.0);
    for (size_t i = 1; i < widths.size(); ++i)
        widths[i] += gap;
    const double tableWidth = std::accumulate(widths.begin(), widths.end(), 0.0);
    const auto tableHead = [&] {
        page.Row(head, widths, right, boldGlyphs, gap);
        page.Rule(tableWidth);
    };
    tableHead();
    for (const auto& r : rows) {
        if (page.Need(2 * smallGlyphs.Metrics().height()))
            tableHead();
        page.Row(r, widths, right, smallGlyphs, gap);
    }
    page.Rule(tableWidth);
    page.Row(total, widths, right, smallGlyphs, gap);
    if (table.incompleteRows > 0)
        page.Line(Printf(ui(kUiIncompleteFewerCyclesThan), Number(io.minShare * 100, "%.0f")), small);
    if (table.medianCycle <= 0)
        page.Line(ui(kUiCycleLengthKnownFewer), small);
    if (table.total.nonFinite > 0)
        page.Line(Printf(ui(kUiPointsHaveNoFinite), std::to_string(table.total.nonFinite)), small);
}

// The exceedance summary.
void WriteExceedances(PageWriter& page, const QFont& heading, const QFont& body, const IntervalTable& table,
                      const IntervalOptions& io, const std::string& yCaption, int lang) {
    const auto ui = [lang](int offset) { return UIString(offset, lang); };
    page.Line(ui(kUiExceedances), heading);
    if (!io.haveLimit) {
        page.Line(ui(kUiNoLimitValueGiven), body);
    } else {
        const size_t intervalsAbove = table.rowsAbove;
        const IntervalRow& t = table.total;
        const size_t comma = yCaption.rfind(", ");
        const std::string unit = comma == std::string::npos ? std::string() : yCaption.substr(comma + 2);
        page.Line(ui(kUiReportLimitValue) + ": " + ThreeDigitForm(io.limit) + " " + unit, body);
        page.Line(Printf(ui(kUiPointsAboveLimit), std::to_string(t.above) + " / " + std::to_string(t.count)),
                  body);
        page.Line(Printf(ui(kUiTimeAboveLimit), AboveTimeText(t)), body);
        if (t.above > 0)
            page.Line(Printf(ui(kUiFirstAboveLimitLast), DateTimeText(t.firstAbove, true),
                             DateTimeText(t.lastAbove, true)),
                      body);
        page.Line(Printf(ui(kUiIntervalsPointsAboveLimit), std::to_string(intervalsAbove),
                         std::to_string(table.rows.size())),
                  body);
    }
}

// Everything the pages show but the chart, made while the records are held.
struct ReportData {
    IntervalTable table;
    Statistics stats;
    SummaryOptions summaryOptions;
    SummaryStats summary;
    RollingOptions rollingOptions;
    std::vector<RollingMean> rolling; // empty when none were chosen
    DailyProfiles daily;              // the calendar's and the profiles' figures
    int seriesCount = 0;
    double startTime = 0, endTime = 0;
};

// The report's interval table and statistics: the table given when it is
// whole, else computed here, the intervals counted before any row is made,
// so a span too long for a report is refused at once. Then the summary and
// the rolling means, as many rows as the intervals at most.
bool ReportFigures(const SeriesInfo& series, const ReportOptions& options, int kind,
                   const IntervalTable* computed, ReportData& data, std::string& error) {
    const auto ui = [lang = options.language](int offset) { return UIString(offset, lang); };
    IntervalTable& table = data.table;
    const IntervalOptions& io = options.intervals;
    IntervalOptions reportIntervals = io;
    reportIntervals.maxIntervals = std::min(io.maxIntervals, kMaxReportIntervals);
    const bool given = computed && computed->rows.size() == computed->rowCount &&
                       computed->rowCount <= reportIntervals.maxIntervals && !computed->rows.empty();
    if (given)
        table = *computed;
    if (!(given || ComputeIntervals(series, options.curve, reportIntervals, table)) ||
        !ComputeSeriesStatistics(series, options.curve, io.xmin, io.xmax, data.stats)) {
        error = table.error.empty()
                    ? ui(kUiThereNoPointsReport)
                    : Printf(ui(kUiReportHoldsMostIntervals), std::to_string(kMaxReportIntervals));
        return false;
    }
    data.summaryOptions = ReportSummaryOptions(options, kind);
    data.rollingOptions = ReportRollingOptions(options);
    std::string ignored;
    if (!ComputeSummary(series, options.curve, data.summaryOptions, data.summary) ||
        (data.rollingOptions.hours > 0 && !ComputeRollingMeans(series, options.curve, data.rollingOptions,
                                                               io.xmin, io.xmax, data.rolling, ignored))) {
        error = ui(kUiThereNoPointsReport);
        return false;
    }
    if (data.rolling.size() > kMaxReportIntervals) {
        error = Printf(ui(kUiReportHoldsMostIntervals), std::to_string(kMaxReportIntervals));
        return false;
    }
    return true;
}

// The chart's view on the points reported: their time span, and the Y range
// given or fitted to them.
void ShowReportedPoints(CLCCore& chart, const ReportOptions& options) {
    const IntervalOptions& io = options.intervals;
    if (!std::isfinite(io.xmin) || !std::isfinite(io.xmax))
        return;
    double x1, y1, x2, y2;
    chart.Model().GetView(x1, y1, x2, y2);
    const bool fixedY = std::isfinite(options.viewYMin) && std::isfinite(options.viewYMax);
    if (chart.Model().SetView(io.xmin, fixedY ? options.viewYMin : y1, io.xmax,
                              fixedY ? options.viewYMax : y2) &&
        !fixedY)
        chart.AutoScaleY();
}

// A table of texts under a bold header, each column as wide as its widest
// text; the header again at the top of each page.
void WriteTextTable(PageWriter& page, GlyphCache& boldGlyphs, GlyphCache& smallGlyphs,
                    const std::vector<std::string>& head, const std::vector<std::vector<std::string>>& rows,
                    const std::vector<bool>& right) {
    constexpr double kGap = 10;
    std::vector<double> widths(head.size());
    for (size_t i = 0; i < head.size(); ++i) {
        widths[i] = boldGlyphs.Width(Q(head[i]));
        for (const auto& r : rows)
            if (i < r.size())
                widths[i] = std::max(widths[i], smallGlyphs.Width(Q(r[i])));
        widths[i] += i > 0 ? kGap : 0;
    }
    const double width = std::accumulate(widths.begin(), widths.end(), 0.0);
    const auto tableHead = [&] {
        page.Row(head, widths, right, boldGlyphs, kGap);
        page.Rule(width);
    };
    tableHead();
    for (const auto& r : rows) {
        if (page.Need(2 * smallGlyphs.Metrics().height()))
            tableHead();
        page.Row(r, widths, right, smallGlyphs, kGap);
    }
}

// The summary the report opens with: what its figures rest on (threshold,
// limit preset, time base), the figures, and the daily table.
void WriteSummary(PageWriter& page, const QFont& heading, const QFont& small, GlyphCache& bodyGlyphs,
                  GlyphCache& boldGlyphs, GlyphCache& smallGlyphs, const ReportData& data,
                  const ReportOptions& options, int kind) {
    const int lang = options.language;
    const auto ui = [lang](int offset) { return UIString(offset, lang); };
    const SummaryStats& s = data.summary;
    page.Line(ui(kUiSummaryHeading), heading);
    WriteFactRows(page, bodyGlyphs, ResultBasisLines(options, s.limit, lang));
    page.Skip(4);
    // A value wider than a third of the page (the limit's) goes on over lines.
    std::vector<std::vector<std::string>> rows;
    for (const SummaryRow& r : SummaryRows(s, kind, lang)) {
        const std::vector<QString> lines = WrapText(smallGlyphs, Q(r.value), page.Width() / 3);
        for (size_t i = 0; i < lines.size(); ++i)
            rows.push_back({i == 0 ? r.name : std::string(), lines[i].toStdString(), i == 0 ? r.time : ""});
    }
    WriteTextTable(page, boldGlyphs, smallGlyphs, {ui(kUiColumnFigure), ui(kUiColumnValue), ui(kUiStatTime)},
                   rows, {false, true, false});
    page.Skip(6);
    page.Line(ui(kUiDailyFigures), heading);
    rows.clear();
    for (const DayFigures& d : s.dayFigures)
        rows.push_back(DailyCells(d, s.limit));
    std::vector<bool> right = {false, true, true, true, true, false, true, false, true};
    WriteTextTable(page, boldGlyphs, smallGlyphs, DailyHeader(s.limit, lang), rows, right);
    if (s.limit.preset && !s.limit.active)
        page.Line(ui(s.limit.problemOffset), small);
    page.Line(ui(kUiNotValidCapture), small);
}

// The rolling means, one row per hour, when they were chosen.
void WriteRollingTable(PageWriter& page, const QFont& heading, const QFont& small, GlyphCache& boldGlyphs,
                       GlyphCache& smallGlyphs, const ReportData& data, int lang) {
    const auto ui = [lang](int offset) { return UIString(offset, lang); };
    const RollingOptions& o = data.rollingOptions;
    const int align = o.align == WindowAlign::End      ? kUiAlignEnd
                      : o.align == WindowAlign::Centre ? kUiAlignCentre
                                                       : kUiAlignLeft;
    page.Line(Printf(ui(kUiRollingHourMean), std::to_string(o.hours)) + " (" + ui(align) + ")", heading);
    std::vector<std::vector<std::string>> rows;
    rows.reserve(data.rolling.size());
    for (const RollingMean& r : data.rolling)
        rows.push_back(RollingCells(r, data.summary.limit, lang));
    WriteTextTable(page, boldGlyphs, smallGlyphs, RollingHeader(data.summary.limit, lang), rows,
                   {false, false, false, true, true, true, false});
    page.Line(ui(kUiNotValidCapture), small);
}

// The pages: the summary first, then where the data came from, the chart,
// the statistics row, the interval table, the rolling means when chosen and
// the exceedances. The chart's plots are removed once it is drawn.
void WritePages(QPdfWriter& writer, QPainter& painter, const TervikDocument& document,
                const ArchiveHeader& header, const ReportOptions& options, const ReportData& data,
                CLCCore& chart, SeriesPlots& plots) {
    const int lang = options.language;
    const auto ui = [lang](int offset) { return UIString(offset, lang); };
    const IntervalOptions& io = options.intervals;
    PageWriter page(writer, painter, lang);
    const QFont title = page.Font(16, true), heading = page.Font(11, true), body = page.Font(9),
                small = page.Font(7.5), smallBold = page.Font(7.5, true);
    GlyphCache bodyGlyphs(body, &writer), smallGlyphs(small, &writer), boldGlyphs(smallBold, &writer);

    page.Line(ui(kUiMonitoringReport), title);
    page.Skip(6);
    WriteSummary(page, heading, small, bodyGlyphs, boldGlyphs, smallGlyphs, data, options, header.GetKind());
    page.Skip(10);
    WriteFactRows(page, bodyGlyphs,
                  ReportFacts(document.Provenance(), header, options, data.seriesCount, data.startTime,
                              data.endTime, data.stats));
    page.Skip(8);

    // The chart, drawn by the chart's own paint steps as vector shapes.
    const double chartHeight = page.Width() * kChartHeight / kChartWidth;
    page.Need(chartHeight);
    PaintChartVector(chart, painter, QRectF(kMargin, page.Y(), page.Width(), chartHeight));
    // The page holds the drawing now; the points go before it is written out.
    RemoveSeriesPlots(&chart, plots);
    page.Skip(chartHeight + 10);

    WriteStatisticsRow(page, heading, boldGlyphs, smallGlyphs, data.stats, lang);
    page.Skip(10);
    WriteIntervalTable(page, heading, small, boldGlyphs, smallGlyphs, data.table, io, lang);
    page.Skip(10);
    if (!data.rolling.empty()) {
        WriteRollingTable(page, heading, small, boldGlyphs, smallGlyphs, data, lang);
        page.Skip(10);
    }
    WriteExceedances(page, heading, body, data.table, io, ChartYCaption(header.GetKind(), lang), lang);
    DrawReportDailyPictures(painter, data.daily, options, header.GetKind(), page.Placer());
    page.Footer();
}

// WriteSeriesReport; release, when given, is the document's archive, cleared
// as soon as the figures are made, so the pages are written without the
// records; stream, when given, gives the chart's points after that. Qt and
// the allocator may throw; the caller gets an error text instead.
bool WriteReport(const TervikDocument& document, CArchiveData* release, MnrSeriesStream* stream,
                 const ReportOptions& options, const IntervalTable* computed, const std::string& path,
                 std::string& error) try {
    const int lang = options.language;
    const auto ui = [lang](int offset) { return UIString(offset, lang); };
    const CArchiveData* const held = document.Archive();
    const SeriesInfo* series = held ? held->GetSeries(options.series) : nullptr;
    if (!series) {
        error = ui(kUiThereNoPointsReport);
        return false;
    }
    const CArchiveData& archive = *held;

    const ArchiveHeader header = archive.GetHeader();
    ReportData data;
    if (!ReportFigures(*series, options, header.GetKind(), computed, data, error))
        return false;
    data.seriesCount = archive.GetSeriesCount();
    data.startTime = series->GetStartTime();
    data.endTime = series->GetEndTime();
    data.daily = ReportDailyProfiles(*series, options);

    // The chart as the main window sets it up, with the series' plots; from
    // stream once the records are released, when there is one.
    CLCCore chart;
    chart.Layout(kChartWidth, kChartHeight);
    ConfigureMainChart(&chart, ui(kUiAxisTime), ChartYCaption(header.GetKind(), lang));
    SeriesPlots plots;
    plots.keepPoints = false; // the figures walk the series themselves
    if (!stream)
        ShowSeriesPlots(&chart, *series, options.series, options.curve, ui(kUiData), plots);
    series = nullptr;
    if (release)
        release->Clear();
    if (stream && !ShowSeriesPlots(&chart, *stream, options.series, options.curve, ui(kUiData), plots)) {
        error = "the file changed while it was read";
        return false;
    }
    ShowReportedPoints(chart, options);

    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly)) {
            error = Printf(ui(kUiCannotWriteFile), path);
            return false;
        }
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Tervik"));
        writer.setTitle(Q(ui(kUiMonitoringReport)));
        writer.setResolution(72);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer)) {
            error = Printf(ui(kUiCannotWriteFile), path);
            return false;
        }
        WritePages(writer, painter, document, header, options, data, chart, plots);
        if (!painter.end()) {
            error = Printf(ui(kUiCannotWriteFile), path);
            return false;
        }
    }
    if (!WriteFileAtomically(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
        error = Printf(ui(kUiCannotWriteFile), path);
        return false;
    }
    return true;
} catch (...) {
    error = Printf(UIString(kUiCannotWriteFile, options.language), path);
    return false;
}

} // namespace

bool WriteSeriesReport(const TervikDocument& document, const ReportOptions& options, const std::string& path,
                       std::string& error, const IntervalTable* table) {
    return WriteReport(document, nullptr, nullptr, options, table, path, error);
}

bool WriteSeriesReport(TervikDocument&& document, const ReportOptions& options, const std::string& path,
                       std::string& error) {
    return WriteReport(document, document.Archive(), nullptr, options, nullptr, path, error);
}

bool WriteSeriesReport(TervikDocument&& document, MnrSeriesStream& stream, const ReportOptions& options,
                       const std::string& path, std::string& error) {
    return WriteReport(document, document.Archive(), &stream, options, nullptr, path, error);
}
