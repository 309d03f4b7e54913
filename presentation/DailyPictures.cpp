#include "DailyPictures.h"

#include "ChartText.h"
#include "LCTicks.h"
#include "LocalTime.h"
#include "StringTable.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

constexpr COLORREF kInk = RGBColor(0, 0, 0);
constexpr COLORREF kWhite = RGBColor(255, 255, 255);
constexpr COLORREF kGrid = RGBColor(200, 200, 200);
constexpr COLORREF kHatch = RGBColor(120, 120, 120);
constexpr COLORREF kBand = RGBColor(190, 214, 238);
constexpr COLORREF kLine = RGBColor(8, 81, 156);
constexpr COLORREF kLimit = RGBColor(204, 0, 0);

// Drawing state shared by the steps of one picture.
struct Pen {
    IGdiDC& dc;
    const DailyPictureOptions& o;
    int scale;
    int Px(int n) const { return n * scale; }
    std::string Ui(int offset) const { return UIString(offset, o.language); }
    // A font of the base size times num / den.
    GdiFont Font(int num = 1, int den = 1) const {
        return {"Arial", std::max(40, static_cast<int>(std::lround(80 * o.pixelRatio * num / den)))};
    }
    int LineHeight() { return dc.GetTextExtent("Ag").cy; }
    void Text(int x, int y, const std::string& s) { dc.TextOut(x, y, s); }
    int Width(const std::string& s) { return dc.GetTextExtent(s).cx; }
    void Line(int x0, int y0, int x1, int y1, const GdiPen& pen) {
        const GdiPen old = dc.SelectPen(pen);
        dc.MoveTo(x0, y0);
        dc.LineTo(x1, y1);
        dc.SelectPen(old);
    }
    void Frame(int l, int t, int r, int b, const GdiPen& pen) {
        const GdiPen oldPen = dc.SelectPen(pen);
        const GdiBrush oldBrush = dc.SelectBrush(GdiBrush::NullBrush());
        dc.Rectangle(l, t, r, b);
        dc.SelectBrush(oldBrush);
        dc.SelectPen(oldPen);
    }
    void Hatch(const LCRect& rc) {
        dc.FillSolidRect(rc.left, rc.top, rc.Width(), rc.Height(), kWhite);
        dc.SetBkMode(TRANSPARENT);
        dc.FillRect(rc, GdiBrush::HatchBrush(HS_BDIAGONAL, kHatch));
    }
};

Pen MakePen(IGdiDC& dc, const DailyPictureOptions& o) {
    return {dc, o, std::max(1, static_cast<int>(std::lround(o.pixelRatio)))};
}

// Three significant digits at most, without trailing zeros: "0.75", "12.3".
std::string ValueText(double v) {
    const double a = std::fabs(v);
    std::string text = FormatNumber(a >= 100 ? "%.0f" : a >= 10 ? "%.1f" : a >= 1 ? "%.2f" : "%.3f", v);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

int DaysInMonth(int year, int month) {
    return static_cast<int>(DaysFromCivil(month == 12 ? year + 1 : year, month == 12 ? 1 : month + 1, 1) -
                            DaysFromCivil(year, month, 1));
}

int WeekdayOfFirst(int year, int month) {
    const int64_t d = DaysFromCivil(year, month, 1) + 3; // 1970-01-01 was a Thursday
    return static_cast<int>(((d % 7) + 7) % 7);
}

struct Scale {
    double lo = 0, hi = 1;
    double T(double v) const { return std::clamp((v - lo) / (hi - lo), 0.0, 1.0); }
};

Scale ScaleOf(const DailyProfiles& data) {
    Scale s;
    bool any = false;
    for (const DailyMean& d : data.days) {
        if (!d.valid)
            continue;
        s.lo = any ? std::min(s.lo, d.mean) : d.mean;
        s.hi = any ? std::max(s.hi, d.mean) : d.mean;
        any = true;
    }
    if (!(s.hi > s.lo)) {
        const double half = s.lo != 0 ? std::fabs(s.lo) * 0.1 : 0.5;
        s.lo -= half;
        s.hi += half;
    }
    return s;
}

struct CalendarLayout {
    int cols = 1, cell = 0, gap = 0, title = 0, x0 = 0, y0 = 0;
};

CalendarLayout LayoutMonths(int months, int width, int height, int line, int gap) {
    CalendarLayout best;
    for (int cols = 1; cols <= std::min(months, 6); ++cols) {
        const int rows = (months + cols - 1) / cols;
        const int byWidth = (width / cols - gap) / 7;
        const int byHeight = (height / rows - gap - 2 * line) / 6;
        const int cell = std::min(byWidth, byHeight);
        if (cell > best.cell) {
            best.cols = cols;
            best.cell = cell;
        }
    }
    best.gap = gap;
    best.title = line;
    return best;
}

void DrawDayCell(Pen& p, const LCRect& rc, int dayOfMonth, const DailyMean* day, const Scale& scale) {
    const bool data = day && day->points > 0;
    if (data && day->valid)
        p.dc.FillSolidRect(rc.left, rc.top, rc.Width(), rc.Height(), SequentialColor(scale.T(day->mean)));
    else if (data)
        p.Hatch(rc);
    p.Frame(rc.left, rc.top, rc.right + 1, rc.bottom + 1, {PS_SOLID, 1, kGrid});
    const COLORREF fill = data && day->valid ? SequentialColor(scale.T(day->mean)) : kWhite;
    const double luminance = 0.299 * GetRValue(fill) + 0.587 * GetGValue(fill) + 0.114 * GetBValue(fill);
    p.dc.SetBkMode(TRANSPARENT);
    p.dc.SetTextColor(luminance < 128 ? kWhite : kInk);
    const int cell = rc.Width();
    if (cell >= p.Px(30)) {
        const GdiFont old = p.dc.SelectFont(p.Font(3, 4));
        p.Text(rc.left + p.Px(2), rc.top + p.Px(1), std::to_string(dayOfMonth));
        p.dc.SelectFont(old);
    }
    if (data && day->valid) {
        // In the base font, or a smaller one in small cells.
        const std::string text = ValueText(day->mean);
        LCSize e = p.dc.GetTextExtent(text);
        const GdiFont old = e.cx > cell - p.Px(2) ? p.dc.SelectFont(p.Font(2, 3)) : p.Font();
        e = p.dc.GetTextExtent(text);
        if (e.cx <= cell - p.Px(2)) {
            const int y = cell >= p.Px(30) ? rc.bottom - e.cy - p.Px(2) : rc.top + (cell - e.cy) / 2;
            p.Text(rc.left + (cell - e.cx) / 2, y, text);
        }
        p.dc.SelectFont(old);
    }
    if (data && day->valid && p.o.haveLimit && day->mean > p.o.limit)
        p.Frame(rc.left + p.Px(1), rc.top + p.Px(1), rc.right, rc.bottom, {PS_SOLID, p.Px(2), kInk});
    p.dc.SetTextColor(kInk);
}

void DrawMonth(Pen& p, int x, int y, const CalendarLayout& l, int year, int month,
               const std::map<int64_t, const DailyMean*>& days, const Scale& scale) {
    p.Text(x, y, p.Ui(kUiCalJanuary + month - 1) + " " + std::to_string(year));
    int widest = 0;
    for (int w = 0; w < 7; ++w)
        widest = std::max(widest, p.Width(p.Ui(kUiCalMonday + w)));
    const GdiFont old = widest > l.cell - p.Px(2) ? p.dc.SelectFont(p.Font(2, 3)) : p.Font();
    // Names that would run into each other are left out.
    for (int w = 0; w < 7 && p.Width(p.Ui(kUiCalWednesday)) <= l.cell; ++w) {
        const std::string name = p.Ui(kUiCalMonday + w);
        p.Text(x + w * l.cell + (l.cell - p.Width(name)) / 2, y + l.title, name);
    }
    p.dc.SelectFont(old);
    const int top = y + 2 * l.title;
    const int first = WeekdayOfFirst(year, month);
    const int64_t day1 = DaysFromCivil(year, month, 1);
    for (int d = 1; d <= DaysInMonth(year, month); ++d) {
        const int slot = first + d - 1;
        const LCRect rc{x + (slot % 7) * l.cell, top + (slot / 7) * l.cell, x + (slot % 7 + 1) * l.cell,
                        top + (slot / 7 + 1) * l.cell};
        const auto it = days.find(day1 + d - 1);
        DrawDayCell(p, rc, d, it == days.end() ? nullptr : it->second, scale);
    }
}

// The colour bar with five labelled values, and the caption above it.
void DrawColorLegend(Pen& p, int right, int top, int bottom, const Scale& scale) {
    std::vector<std::string> labels;
    int widest = 0;
    for (int k = 0; k <= 4; ++k) {
        labels.push_back(ValueText(scale.lo + (scale.hi - scale.lo) * k / 4));
        widest = std::max(widest, p.Width(labels.back()));
    }
    const int barW = p.Px(14), line = p.LineHeight();
    const int barL = right - widest - p.Px(6) - barW;
    const int barT = top + line / 2, barB = std::max(barT + p.Px(20), bottom - line / 2);
    for (int y = barT; y < barB; ++y)
        p.dc.FillSolidRect(barL, y, barW, 1,
                           SequentialColor(1 - static_cast<double>(y - barT) / std::max(1, barB - barT - 1)));
    p.Frame(barL, barT, barL + barW, barB, {PS_SOLID, 1, kInk});
    p.dc.SetBkMode(TRANSPARENT);
    for (int k = 0; k <= 4; ++k) {
        const int y = barB - 1 - (barB - 1 - barT) * k / 4;
        p.Line(barL + barW, y, barL + barW + p.Px(4), y, {PS_SOLID, 1, kInk});
        p.Text(barL + barW + p.Px(6), y - line / 2, labels[static_cast<size_t>(k)]);
    }
}

void DrawCalendarKey(Pen& p, int x, int y) {
    const int box = p.LineHeight();
    p.Hatch({x, y, x + box, y + box});
    p.Frame(x, y, x + box, y + box, {PS_SOLID, 1, kGrid});
    const std::string invalid = p.Ui(kUiCalendarInvalid);
    p.Text(x + box + p.Px(4), y, invalid);
    if (!p.o.haveLimit)
        return;
    x += box + p.Px(4) + p.Width(invalid) + p.Px(16);
    p.Frame(x + p.Px(1), y + p.Px(1), x + box, y + box, {PS_SOLID, p.Px(2), kInk});
    p.Text(x + box + p.Px(4), y, p.Ui(kUiCalendarAbove) + " (" + ValueText(p.o.limit) + ")");
}

} // namespace

COLORREF SequentialColor(double t) {
    // ColorBrewer's YlOrRd, nine classes.
    static const COLORREF kStops[9] = {
        RGBColor(255, 255, 204), RGBColor(255, 237, 160), RGBColor(254, 217, 118),
        RGBColor(254, 178, 76),  RGBColor(253, 141, 60),  RGBColor(252, 78, 42),
        RGBColor(227, 26, 28),   RGBColor(189, 0, 38),    RGBColor(128, 0, 38)};
    const double x = std::clamp(std::isfinite(t) ? t : 0.0, 0.0, 1.0) * 8;
    const int i = std::min(7, static_cast<int>(x));
    const double f = x - i;
    const auto mix = [f](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * f)); };
    const COLORREF a = kStops[i], b = kStops[i + 1];
    return RGBColor(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                    mix(GetBValue(a), GetBValue(b)));
}

int CalendarMonths(const DailyProfiles& data) {
    if (data.days.empty())
        return 0;
    const DailyMean &a = data.days.front(), &b = data.days.back();
    return std::min(kCalendarMaxMonths, (b.year - a.year) * 12 + b.month - a.month + 1);
}

void PaintCalendar(IGdiDC& dc, int cx, int cy, const DailyProfiles& data, const DailyPictureOptions& o) {
    Pen p = MakePen(dc, o);
    dc.FillSolidRect(0, 0, cx, cy, kWhite);
    const GdiFont oldFont = dc.SelectFont(p.Font());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kInk);
    const int m = p.Px(8), line = p.LineHeight();
    p.Text(m, m, p.Ui(kUiCalendarTitle) + ": " + o.yCaption);
    const int months = CalendarMonths(data);
    if (months == 0) {
        dc.SelectFont(oldFont);
        return;
    }
    const Scale scale = ScaleOf(data);
    std::map<int64_t, const DailyMean*> days;
    for (const DailyMean& d : data.days)
        days[DaysFromCivil(d.year, d.month, d.day)] = &d;
    const int top = m + line + p.Px(8), bottom = cy - m - line - p.Px(8);
    const int legendW = p.Px(14) + p.Px(6) + p.Width(ValueText(-scale.hi)) + p.Px(16);
    const CalendarLayout l = LayoutMonths(months, cx - 2 * m - legendW, bottom - top, line, p.Px(12));
    const int year0 = data.days.front().year, month0 = data.days.front().month;
    for (int i = 0; i < months && l.cell > 0; ++i) {
        const int index = year0 * 12 + month0 - 1 + i;
        const int x = m + (i % l.cols) * (7 * l.cell + l.gap),
                  y = top + (i / l.cols) * (6 * l.cell + 2 * line + l.gap);
        DrawMonth(p, x, y, l, index / 12, index % 12 + 1, days, scale);
    }
    const int gridBottom = top + std::min(bottom - top, 2 * line + 6 * l.cell);
    const int gridRight = m + std::min(l.cols, months) * (7 * l.cell + l.gap);
    DrawColorLegend(p, std::min(cx - m, gridRight + legendW), top, gridBottom, scale);
    DrawCalendarKey(p, m, cy - m - line);
    dc.SelectFont(oldFont);
}

namespace {

struct YRange {
    double lo = 0, hi = 1;
    bool any = false;
    void Add(double v) {
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        any = true;
    }
};

YRange ProfileRange(const DailyProfiles& data, const DailyPictureOptions& o) {
    YRange r;
    for (const ProfileValue* set : {data.hourOfDay, data.dayOfWeek})
        for (int i = 0; i < (set == data.hourOfDay ? 24 : 7); ++i)
            if (set[i].Known()) {
                r.Add(set[i].low);
                r.Add(set[i].high);
            }
    if (!r.any)
        return r;
    if (o.haveLimit)
        r.Add(o.limit);
    if (!(r.hi > r.lo)) {
        const double half = r.lo != 0 ? std::fabs(r.lo) * 0.1 : 0.5;
        r.lo -= half;
        r.hi += half;
    }
    const double pad = (r.hi - r.lo) * 0.05;
    r.lo -= pad;
    r.hi += pad;
    return r;
}

// One panel: frame, value grid with labels when labels, the band, the
// mean line and its points, the limit, the x labels and the axis title.
struct Panel {
    LCRect rc; // inclusive
    const ProfileValue* values;
    int count;
    std::vector<std::string> xLabels; // empty entries are not written
    std::string title;
};

// An axis label without the trailing zeros of its decimals: "0.75", not "0.750".
std::string AxisLabel(double v, double step) {
    std::string text = FormatAxisValue(v, ChooseLabelFormat(v, step, 8));
    if (text.find('.') == std::string::npos || text.find_first_of("eE") != std::string::npos)
        return text;
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text;
}

int YOf(const LCRect& rc, const YRange& r, double v) {
    return rc.bottom - static_cast<int>(std::lround((v - r.lo) / (r.hi - r.lo) * (rc.bottom - rc.top)));
}

void DrawYGrid(Pen& p, const LCRect& rc, const YRange& r, bool labels) {
    const AxisSteps steps = ChooseAxisSteps(0, 1, 100, r.lo, r.hi, rc.bottom - rc.top + 1);
    if (!steps.valid)
        return;
    const int line = p.LineHeight();
    for (const AxisTick& t : AxisTicks(r.lo, r.hi, steps.y, 2, rc.bottom - rc.top + 1)) {
        if (!t.major)
            continue;
        const int y = rc.bottom - t.pixel;
        p.Line(rc.left, y, rc.right + 1, y, {PS_SOLID, 1, kGrid});
        if (!labels)
            continue;
        const std::string text = AxisLabel(t.value, 2 * steps.y);
        p.Line(rc.left - p.Px(4), y, rc.left, y, {PS_SOLID, 1, kInk});
        p.Text(rc.left - p.Px(6) - p.Width(text), y - line / 2, text);
    }
}

void DrawPanel(Pen& p, const Panel& panel, const YRange& r, bool yLabels) {
    const LCRect& rc = panel.rc;
    const int w = rc.right - rc.left + 1;
    const auto xOf = [&](int i) {
        return rc.left + static_cast<int>(std::lround((i + 0.5) * w / panel.count));
    };
    DrawYGrid(p, rc, r, yLabels);
    // The band in runs of values with an interval.
    for (int i = 0; i < panel.count;) {
        int j = i;
        while (j < panel.count && panel.values[j].IntervalKnown())
            ++j;
        if (j - i >= 2) {
            std::vector<LCPoint> poly;
            for (int k = i; k < j; ++k)
                poly.push_back({xOf(k), YOf(rc, r, panel.values[k].high)});
            for (int k = j - 1; k >= i; --k)
                poly.push_back({xOf(k), YOf(rc, r, panel.values[k].low)});
            const GdiPen oldPen = p.dc.SelectPen({PS_NULL, 1, kBand});
            const GdiBrush oldBrush = p.dc.SelectBrush(GdiBrush::SolidBrush(kBand));
            p.dc.Polygon(poly.data(), static_cast<int>(poly.size()));
            p.dc.SelectBrush(oldBrush);
            p.dc.SelectPen(oldPen);
        }
        i = std::max(j, i + 1);
    }
    if (p.o.haveLimit) {
        const int y = YOf(rc, r, p.o.limit);
        p.Line(rc.left, y, rc.right + 1, y, {PS_DASH, p.Px(1), kLimit});
    }
    const GdiPen oldPen = p.dc.SelectPen({PS_SOLID, p.Px(2), kLine});
    const GdiBrush oldBrush = p.dc.SelectBrush(GdiBrush::SolidBrush(kLine));
    for (int i = 0; i < panel.count; ++i) {
        if (!panel.values[i].Known())
            continue;
        const int x = xOf(i), y = YOf(rc, r, panel.values[i].mean);
        if (i > 0 && panel.values[i - 1].Known()) {
            p.dc.MoveTo(xOf(i - 1), YOf(rc, r, panel.values[i - 1].mean));
            p.dc.LineTo(x, y);
        }
        const int k = p.Px(2);
        p.dc.Ellipse(x - k, y - k, x + k + 1, y + k + 1);
    }
    p.dc.SelectBrush(oldBrush);
    p.dc.SelectPen(oldPen);
    p.Frame(rc.left, rc.top, rc.right + 1, rc.bottom + 1, {PS_SOLID, 1, kInk});
    const int line = p.LineHeight();
    for (int i = 0; i < panel.count; ++i) {
        const std::string& label = panel.xLabels[static_cast<size_t>(i)];
        p.Line(xOf(i), rc.bottom, xOf(i), rc.bottom + p.Px(4), {PS_SOLID, 1, kInk});
        if (!label.empty())
            p.Text(xOf(i) - p.Width(label) / 2, rc.bottom + p.Px(5), label);
    }
    p.Text((rc.left + rc.right - p.Width(panel.title)) / 2, rc.bottom + p.Px(8) + line, panel.title);
}

// The key of the profiles at the top right: band, mean line, limit.
void DrawProfileKey(Pen& p, int right, int y) {
    const int line = p.LineHeight(), sample = p.Px(24);
    std::vector<std::pair<int, std::string>> items = {{0, p.Ui(kUiProfileMean)},
                                                      {1, p.Ui(kUiProfileConfidence)}};
    if (p.o.haveLimit)
        items.push_back({2, p.Ui(kUiProfileLimit) + " (" + ValueText(p.o.limit) + ")"});
    int width = 0;
    for (const auto& item : items)
        width += sample + p.Px(4) + p.Width(item.second) + p.Px(12);
    int x = right - width + p.Px(12);
    for (const auto& [kind, text] : items) {
        const int mid = y + line / 2;
        if (kind == 0)
            p.Line(x, mid, x + sample, mid, {PS_SOLID, p.Px(2), kLine});
        else if (kind == 1)
            p.dc.FillSolidRect(x, y + p.Px(2), sample, line - p.Px(4), kBand);
        else
            p.Line(x, mid, x + sample, mid, {PS_DASH, p.Px(1), kLimit});
        p.Text(x + sample + p.Px(4), y, text);
        x += sample + p.Px(4) + p.Width(text) + p.Px(12);
    }
}

} // namespace

void PaintProfiles(IGdiDC& dc, int cx, int cy, const DailyProfiles& data, const DailyPictureOptions& o) {
    Pen p = MakePen(dc, o);
    dc.FillSolidRect(0, 0, cx, cy, kWhite);
    const GdiFont oldFont = dc.SelectFont(p.Font());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kInk);
    const int m = p.Px(8), line = p.LineHeight();
    p.Text(m, m, o.yCaption);
    DrawProfileKey(p, cx - m, m);
    const YRange r = ProfileRange(data, o);
    if (!r.any) {
        const std::string text = p.Ui(kUiNoValidHourlyMeans);
        p.Text((cx - p.Width(text)) / 2, (cy - line) / 2, text);
        dc.SelectFont(oldFont);
        return;
    }
    int labelW = 0;
    const AxisSteps steps = ChooseAxisSteps(0, 1, 100, r.lo, r.hi, std::max(1, cy));
    for (double v : {r.lo, r.hi})
        labelW = std::max(labelW, p.Width(AxisLabel(v, 2 * steps.y)));
    const int top = m + line + p.Px(10), bottom = cy - m - 2 * line - p.Px(10);
    const int left = m + labelW + p.Px(8), right = cx - m - 1, gap = p.Px(16);
    const int split = left + (right - left - gap) * 24 / 31;
    Panel hours{{left, top, split, bottom}, data.hourOfDay, 24, {}, p.Ui(kUiProfileHourOfDay)};
    for (int h = 0; h < 24; ++h)
        hours.xLabels.push_back(h % 3 == 0 ? std::to_string(h) : std::string());
    Panel week{{split + gap, top, right, bottom}, data.dayOfWeek, 7, {}, p.Ui(kUiProfileDayOfWeek)};
    for (int w = 0; w < 7; ++w)
        week.xLabels.push_back(p.Ui(kUiCalMonday + w));
    if (bottom - top > p.Px(20) && split - left > p.Px(40)) {
        DrawPanel(p, hours, r, true);
        DrawPanel(p, week, r, false);
    }
    dc.SelectFont(oldFont);
}
