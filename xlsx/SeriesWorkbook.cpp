#include "SeriesWorkbook.h"

#include "Captions.h"
#include "CurvePoints.h"
#include "ExportClock.h"
#include "IntervalStats.h"
#include "LimitPresets.h"
#include "NumText.h"
#include "ResultRows.h"
#include "ResultStats.h"
#include "StringTable.h"
#include "XlsxBook.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

std::string ShortNumber(double v) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::string OffsetText(int64_t offset) {
    const int64_t a = offset < 0 ? -offset : offset;
    char buf[32];
    std::snprintf(buf, sizeof buf, "UTC%c%02d:%02d", offset < 0 ? '-' : '+', static_cast<int>(a / 3600),
                  static_cast<int>(a / 60 % 60));
    return buf;
}

XlsxFacts Facts(const CArchiveData& archive, const DataProvenance& provenance, const ReportOptions& options) {
    const int lang = options.language;
    const auto ui = [lang](int offset) { return UIString(offset, lang); };
    const ArchiveHeader& header = archive.GetHeader();
    const IntervalOptions& io = options.intervals;
    XlsxFacts facts = {
        {ui(kUiInstrumentKind), std::to_string(header.GetKind())},
        {ui(kUiDeviceNumber), std::to_string(header.GetDeviceNumber())},
        {ui(kUiSource), ProvenanceText(provenance, header, lang)},
        {ui(kUiSeries),
         "#" + std::to_string(options.series + 1) + "/" + std::to_string(archive.GetSeriesCount())},
    };
    for (auto& line : CorrectionLines(options.curve, lang))
        facts.push_back(std::move(line));
    ExportClock clock;
    const double start = archive.GetSeries(options.series)->GetStartTime();
    facts.emplace_back(ui(kUiTimeBase), ReportTimeBaseText(lang) + " (" +
                                            OffsetText(clock.At(static_cast<int64_t>(start)).offset) + ")");
    facts.emplace_back(ui(kUiCaptureThreshold), ShortNumber(io.minShare * 100) + " %");
    facts.emplace_back(ui(kUiReportLimitValue),
                       io.haveLimit ? ShortNumber(io.limit) : ui(kUiNoLimitValueGiven));
    const LimitPreset* preset = FindLimitPreset(options.limitPreset);
    facts.emplace_back(ui(kUiLimitPreset), preset ? ui(preset->nameOffset) : ui(kUiXlsxNone));
    facts.emplace_back(ui(kUiProgramVersion), ProgramVersion());
    return facts;
}

std::string ResultUnit(const CArchiveData& archive) {
    return UIString(YAxisCaptionOffsets(archive.GetKind()).unit, 0);
}

void WritePoints(XlsxBook& book, const SeriesInfo& series, const ReportOptions& options,
                 const XlsxFacts& facts, const std::string& unit) {
    using K = XlsxColumn::Kind;
    book.AddSheet(UIString(kUiXlsxPointsSheet, options.language), facts,
                  {{"time", K::Date},
                   {"utc", K::Date},
                   {"result, " + unit, K::Number},
                   {"temperature, °C", K::Number},
                   {"pressure, mm Hg", K::Number},
                   {"zero", K::Number},
                   {"bad", K::Number}});
    const CurveOptions& o = options.curve;
    const double xmin = options.intervals.xmin, xmax = options.intervals.xmax;
    ExportClock clock;
    bool past = false;
    series.ForEachCurvePoint(
        o.filter ? CF_SKIP_BAD : 0, o.zeroCorrection, o.stdTemp, o.stdPres,
        [&](int, const ArchiveRecord& r, double t, double result, double temp, double pres) {
            past = past || t > xmax;
            if (past || t < xmin || book.Failed())
                return;
            const int64_t epoch = static_cast<int64_t>(t);
            book.Row();
            book.Date(0, static_cast<double>(epoch + clock.At(epoch).offset));
            book.Date(1, static_cast<double>(epoch));
            book.Number(2, result);
            book.Number(3, temp);
            book.Number(4, pres);
            book.Number(5, r.IsZero() ? 1 : 0);
            book.Number(6, r.IsBad() ? 1 : 0);
        });
}

// "2011-06-03T09:00:00+02:00": its local clock as seconds since 1970; false
// for any other text.
bool ParseIsoClock(std::string_view s, double& clockSeconds) {
    if (s.size() != 25 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':')
        return false;
    int v[6];
    const size_t at[6] = {0, 5, 8, 11, 14, 17}, len[6] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i)
        if (std::from_chars(s.data() + at[i], s.data() + at[i] + len[i], v[i]).ptr !=
            s.data() + at[i] + len[i])
            return false;
    clockSeconds =
        static_cast<double>(DaysFromCivil(v[0], v[1], v[2]) * 86400 + v[3] * 3600 + v[4] * 60 + v[5]);
    return true;
}

// One CSV field as a typed cell: empty stays empty, an ISO time becomes a
// date, a number a number, anything else text.
void CsvCell(XlsxBook& book, int column, std::string_view field) {
    if (field.empty())
        return;
    double clock = 0;
    if (ParseIsoClock(field, clock)) {
        book.Date(column, clock);
        return;
    }
    const std::string text(field);
    const char* end = nullptr;
    const double v = ParseDouble(text.c_str(), &end);
    if (end == text.c_str() + text.size() && std::isfinite(v))
        book.Number(column, v);
    else
        book.Text(column, field);
}

std::vector<std::string_view> SplitLine(std::string_view line) {
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    std::vector<std::string_view> fields;
    for (size_t from = 0;;) {
        const size_t comma = line.find(',', from);
        fields.push_back(
            line.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from));
        if (comma == std::string_view::npos)
            return fields;
        from = comma + 1;
    }
}

// The intervals as the CSV has them, each field a typed cell.
// The limit the averages are compared with, as the command line reads it.
LimitCheck LimitOf(const CArchiveData& archive, const ReportOptions& options) {
    if (const LimitPreset* preset = FindLimitPreset(options.limitPreset))
        return PresetLimit(*preset, archive.GetKind());
    return options.intervals.haveLimit ? FreeLimit(options.intervals.limit) : LimitCheck{};
}

// The columns of a CSV header line: times as dates, the unit added to the
// heads of results.
std::vector<XlsxColumn> CsvColumns(const std::string& header, const std::string& unit) {
    std::vector<XlsxColumn> columns;
    for (std::string_view head : SplitLine(header)) {
        XlsxColumn c{std::string(head), XlsxColumn::Kind::Number};
        if (head == "start" || head == "end" || head == "time" || head == "day" || head.ends_with("_time") ||
            head.ends_with("_above") || head.ends_with("_start") || head.ends_with("_end"))
            c.kind = XlsxColumn::Kind::Date;
        if (head == "mean" || head == "sd" || head == "min" || head == "max")
            c.head += ", " + unit;
        else if (head == "above_seconds")
            c.head += ", s";
        else if (head == "quantity")
            c.kind = XlsxColumn::Kind::Text;
        columns.push_back(std::move(c));
    }
    return columns;
}

// Lines of CSV text, each field a typed cell.
void CsvRows(XlsxBook& book, std::string_view text) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        book.Row();
        int column = 0;
        for (std::string_view field : SplitLine(text.substr(0, end)))
            CsvCell(book, column++, field);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

const char* AlignName(WindowAlign align) {
    return align == WindowAlign::End ? "end" : align == WindowAlign::Left ? "left" : "centre";
}

void WriteRolling(XlsxBook& book, const SeriesInfo& series, const CArchiveData& archive,
                  const ReportOptions& options, const XlsxFacts& facts, const std::string& unit) {
    const LimitCheck limit = LimitOf(archive, options);
    RollingOptions ro;
    // The workbook always has its rolling means: 8 hours unless a window was chosen.
    ro.hours = options.rollingHours > 0 ? options.rollingHours : 8;
    ro.align = options.rollingAlign;
    ro.threshold = options.intervals.minShare;
    XlsxFacts withWindow = facts;
    const std::string name =
        FillPlaces(UIString(kUiRollingHourMean, options.language), {std::to_string(ro.hours)});
    withWindow.emplace_back(name, AlignName(ro.align));
    book.AddSheet(UIString(kUiXlsxRollingSheet, options.language), withWindow,
                  CsvColumns(RollingCsvHeader(limit), unit));
    std::vector<RollingMean> means;
    std::string error;
    if (!ComputeRollingMeans(series, options.curve, ro, options.intervals.xmin, options.intervals.xmax, means,
                             error)) {
        book.Row();
        book.Text(0, error.empty() ? "no points in view" : error);
        return;
    }
    for (const RollingMean& r : means)
        CsvRows(book, RollingCsvLine(r, limit));
}

// The summary as its CSV has it: a quantity a row, then the table of days.
void WriteSummary(XlsxBook& book, const SeriesInfo& series, const CArchiveData& archive,
                  const ReportOptions& options, const XlsxFacts& facts, const std::string& unit) {
    SummaryOptions so;
    so.threshold = options.intervals.minShare;
    so.xmin = options.intervals.xmin;
    so.xmax = options.intervals.xmax;
    so.limit = LimitOf(archive, options);
    SummaryStats stats;
    const bool ok = ComputeSummary(series, options.curve, so, stats);
    const std::string csv = ok ? SummaryCsv(stats, so) : "quantity,value,time\n";
    const size_t headerEnd = csv.find('\n');
    // The table of days below has more columns: they get its widths, not its heads.
    std::vector<XlsxColumn> columns = CsvColumns(csv.substr(0, headerEnd), unit);
    if (const size_t days = csv.find("\nday,"); days != std::string::npos) {
        const std::vector<XlsxColumn> dayColumns =
            CsvColumns(csv.substr(days + 1, csv.find('\n', days + 1) - days - 1), unit);
        for (size_t i = 0; i < dayColumns.size(); ++i)
            if (i >= columns.size())
                columns.push_back({"", dayColumns[i].kind});
            else if (dayColumns[i].kind == XlsxColumn::Kind::Date)
                columns[i].kind = XlsxColumn::Kind::Date;
    }
    book.AddSheet(UIString(kUiXlsxSummarySheet, options.language), facts, columns);
    if (!ok) {
        book.Row();
        book.Text(0, stats.error.empty() ? "no points in view" : stats.error);
        return;
    }
    CsvRows(book, std::string_view(csv).substr(headerEnd + 1));
}

void WriteIntervals(XlsxBook& book, const SeriesInfo& series, const ReportOptions& options,
                    const XlsxFacts& facts, const std::string& unit, std::string& error) {
    const IntervalOptions& io = options.intervals;
    book.AddSheet(UIString(kUiXlsxIntervalsSheet, options.language), facts,
                  CsvColumns(IntervalsCsvHeader(io), unit));
    const auto line = [&](const std::string& label, const IntervalRow& row) {
        book.Row();
        const std::string text = IntervalsCsvLine(label, row, io);
        int column = 0;
        for (std::string_view field : SplitLine(text))
            CsvCell(book, column++, field);
    };
    IntervalTable table;
    if (!ForEachInterval(series, options.curve, io, table,
                         [&](const IntervalRow& row, size_t i) { line(std::to_string(i + 1), row); })) {
        error = table.error.empty() ? "no points in view" : table.error;
        book.Row();
        book.Text(0, error);
        return;
    }
    line("total", table.total);
}

} // namespace

bool WriteSeriesWorkbook(const CArchiveData& archive, const DataProvenance& provenance,
                         const ReportOptions& options, std::FILE* out, SeriesWorkbookResult& result) {
    const SeriesInfo* series = archive.GetSeries(options.series);
    if (!series) {
        result.error = "no such series";
        return false;
    }
    XlsxBook book;
    if (book.Begin(out)) {
        const XlsxFacts facts = Facts(archive, provenance, options);
        const std::string unit = ResultUnit(archive);
        WritePoints(book, *series, options, facts, unit);
        WriteIntervals(book, *series, options, facts, unit, result.intervalsError);
        WriteRolling(book, *series, archive, options, facts, unit);
        WriteSummary(book, *series, archive, options, facts, unit);
    }
    if (!book.Finish()) {
        result.error = book.Error();
        return false;
    }
    return true;
}
