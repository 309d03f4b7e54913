#include "ReportDlg.h"

#include "AtomicFile.h"
#include "Captions.h"
#include "DailyPages.h"
#include "DialogUnits.h"
#include "FileErrors.h"
#include "LimitPresets.h"
#include "ListCtrlWrp.h"
#include "Prompts.h"
#include "ReportResultPages.h"
#include "ResultRows.h"
#include "SeriesReport.h"
#include "Settings.h"
#include "StringTable.h"
#include "UiText.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <new>

namespace {

// An interface string with printf "%s" places filled in order.
QString Format(int offset, const QStringList& args) {
    QString text = UI(offset);
    for (const QString& a : args) {
        const qsizetype at = text.indexOf("%s");
        if (at < 0)
            break;
        text.replace(at, 2, a);
    }
    return text.replace("%%", "%");
}

// Shortest text that reads back as the same double.
QString NumberText(double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, res.ptr - buf);
}

// A limit as typed: a decimal number with a point or a comma; false for
// anything else, infinities and NaN included.
bool ParseLimit(const QString& typed, double& value) {
    QString t = typed.trimmed();
    t.replace(',', '.');
    bool ok = false;
    value = QLocale::c().toDouble(t, &ok);
    return ok && std::isfinite(value);
}

// Rows beyond this many are left to the CSV: a year of minutes would be half
// a million rows of widgets.
constexpr int kMaxShownRows = 10000;

const char* const kLimitKey = "ReportLimit";
const char* const kPresetKey = "ReportLimitPreset";
const char* const kThresholdKey = "ReportCaptureThreshold";
const char* const kRollingHoursKey = "ReportRollingHours";
const char* const kRollingAlignKey = "ReportRollingAlign";
// The settings' names of the alignments, in WindowAlign's order.
const char* const kAlignNames[] = {"end", "left", "centre"};
constexpr int kColumns = 12; // the row number, then the cells of IntervalCells

} // namespace

CReportDlg::CReportDlg(const TervikDocument& document, const ReportOptions& options, const QString& unit,
                       QWidget* parent)
    : QDialog(parent), m_document(document), m_request(options) {
    setObjectName("ReportDlg");
    setFont(DialogGeometry::DialogFont());
    const DialogGeometry du(font());
    m_templateSize = QSize(du.X(600), du.Y(330));
    // Room for the top row and the buttons beside a table of a few rows.
    setMinimumSize(du.X(410), du.Y(180));
    resize(m_templateSize);
    setWindowTitle(UI(kUiReport));
    if (m_document.Archive())
        m_nKind = m_document.Archive()->GetKind();

    CreateControls(unit);
    CreateResultControls();
    ConnectControls();

    // Headers only: the rows are filled by a table of their own size.
    m_pList = std::make_unique<CListCtrlWrp>(m_pTable, kColumns, 1, 64);
    const int headers[kColumns] = {
        0,          kUiColumnStart, kUiColumnEnd,      kUiColumnPoints, kUiMean,        kUiSd,
        kUiMinTime, kUiMaxTime,     kUiColumnCoverage, kUiIncomplete,   kUiColumnAbove, kUiColumnTimeAbove};
    for (int c = 0; c < kColumns; ++c)
        m_pList->SetColumn(c, c == 0 ? QString("#") : UI(headers[c]), du.X(30));
    m_pList->CreateColumns();
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_pTabs, m_pSummary, m_pExportCsv, m_pSavePdf, m_pClose, m_pPreset})
        m_templateRects.push_back(w->geometry());
    LoadResultSettings();
    FitScreen(parent);
    Recompute();
}

void CReportDlg::CreateControls(const QString& unit) {
    const DialogGeometry du(font());
    auto label = [&](const QString& text, int l, int t, int w, int h) {
        auto* lb = new QLabel(text, this);
        lb->setGeometry(du.Rect(l, t, w, h));
        return lb;
    };
    auto button = [&](const char* name, int offset, int l, int t, int w) {
        auto* b = new QPushButton(UI(offset), this);
        b->setObjectName(name);
        b->setGeometry(du.Rect(l, t, w, 14));
        b->setAutoDefault(false);
        return b;
    };

    label(UI(kUiDialogInterval), 12, 9, 40, 8);
    m_pInterval = new QComboBox(this);
    m_pInterval->setObjectName("interval");
    m_pInterval->addItems({UI(kUiDialogOneHour), UI(kUiDialogOneDay), UI(kUiNMinutes)});
    m_pInterval->setGeometry(du.X(54), du.Y(7), du.X(70), m_pInterval->sizeHint().height());
    m_pMinutes = new QSpinBox(this);
    m_pMinutes->setObjectName("minutes");
    m_pMinutes->setRange(1, 1440);
    m_pMinutes->setValue(15);
    // A typed number counts once entered: each keystroke on the way to 1440
    // would compute a table (1, 14, 144 minutes) of the whole series.
    m_pMinutes->setKeyboardTracking(false);
    m_pMinutes->setGeometry(du.Rect(130, 7, 40, 12));
    m_pMinutes->setEnabled(false);

    label(UI(kUiDialogLimitValue), 190, 9, 90, 8);
    m_pLimit = new QLineEdit(this);
    m_pLimit->setObjectName("limit");
    m_pLimit->setGeometry(du.Rect(282, 7, 50, 12));
    label(unit, 336, 9, 60, 8);
    QString stored;
    double limit = 0;
    if (TervikSettings::GetRegString("", kLimitKey, stored) && ParseLimit(stored, limit))
        m_pLimit->setText(NumberText(limit));

    m_pWhole = new QRadioButton(UI(kUiDialogWholeSeries), this);
    m_pWhole->setObjectName("whole");
    m_pWhole->setGeometry(du.Rect(12, 25, 90, 10));
    m_pInView = new QRadioButton(UI(kUiPointsView), this);
    m_pInView->setObjectName("inView");
    m_pInView->setGeometry(du.Rect(108, 25, 120, 10));
    (m_request.pointsInView ? m_pInView : m_pWhole)->setChecked(true);

    // The interval table is the first of the result pages.
    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName("pages");
    m_pTabs->setGeometry(du.Rect(12, 57, 576, 199));
    auto* intervals = new QWidget;
    auto* page = new QVBoxLayout(intervals);
    page->setContentsMargins(4, 4, 4, 4);
    m_pTable = new QTableWidget(intervals);
    m_pTable->setObjectName("table");
    page->addWidget(m_pTable);
    m_pTabs->addTab(intervals, UI(kUiTabIntervals));
    m_pTable->setWordWrap(false);
    m_pTable->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    m_pSummary = new QLabel(this);
    m_pSummary->setObjectName("summary");
    m_pSummary->setGeometry(du.Rect(12, 260, 576, 44));
    m_pSummary->setWordWrap(true);
    m_pSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_pExportCsv = button("exportCsv", 288, 12, 308, 70);
    m_pSavePdf = button("savePdf", 289, 88, 308, 90);
    m_pSavePdf->hide();
    // No default button: Enter in the limit box applies the limit and must
    // not close the dialog.
    m_pClose = button("close", 290, 518, 308, 70);
}

// The capture threshold, the limit preset and the rolling-mean page.
void CReportDlg::CreateResultControls() {
    const DialogGeometry du(font());
    auto* threshold = new QLabel(UI(kUiCaptureThreshold), this);
    threshold->setGeometry(du.Rect(236, 27, 84, 8));
    m_pThreshold = new QSpinBox(this);
    m_pThreshold->setObjectName("threshold");
    m_pThreshold->setRange(0, 100);
    m_pThreshold->setSuffix(" %");
    m_pThreshold->setValue(static_cast<int>(std::lround(kDefaultCaptureThreshold * 100)));
    m_pThreshold->setKeyboardTracking(false);
    m_pThreshold->setGeometry(du.Rect(322, 25, 40, 12));

    auto* preset = new QLabel(UI(kUiLimitPreset), this);
    preset->setGeometry(du.Rect(12, 43, 60, 8));
    m_pPreset = new QComboBox(this);
    m_pPreset->setObjectName("preset");
    m_pPreset->addItem(UI(kUiPresetNoneFree), QString());
    for (size_t i = 0; i < LimitPresetCount(); ++i)
        m_pPreset->addItem(UI(LimitPresetAt(i).nameOffset), QString::fromLatin1(LimitPresetAt(i).id));
    // The list may be narrower than its names; the popup shows them whole.
    m_pPreset->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pPreset->setMinimumContentsLength(10);
    m_pPreset->setGeometry(du.X(74), du.Y(41), du.X(514), m_pPreset->sizeHint().height());
    m_pPages = new CReportResultPages(m_pTabs);
    m_pDaily = new CDailyPages(m_pTabs);
}

void CReportDlg::ConnectControls() {
    connect(m_pInterval, &QComboBox::activated, this, [this] {
        m_pMinutes->setEnabled(m_pInterval->currentIndex() == 2);
        Recompute();
    });
    connect(m_pMinutes, &QSpinBox::valueChanged, this, [this] {
        if (m_pInterval->currentIndex() == 2)
            Recompute();
    });
    connect(m_pLimit, &QLineEdit::editingFinished, this, [this] {
        if (m_pLimit->isModified()) {
            m_pLimit->setModified(false);
            // Kept as the shortest exact text, so the next report starts
            // with the same value; an empty box forgets it.
            if (Recompute())
                TervikSettings::SetRegString(
                    "", kLimitKey,
                    m_request.intervals.haveLimit ? NumberText(m_request.intervals.limit) : QString());
        }
    });
    connect(m_pWhole, &QRadioButton::toggled, this, [this] { Recompute(); });
    connect(m_pThreshold, &QSpinBox::valueChanged, this, [this] {
        m_bThresholdChosen = true;
        if (Recompute())
            SaveResultSettings();
    });
    connect(m_pPreset, &QComboBox::activated, this, &CReportDlg::OnPresetChosen);
    connect(m_pPages, &CReportResultPages::rollingChanged, this, [this] {
        if (Recompute())
            SaveResultSettings();
    });
    connect(m_pExportCsv, &QPushButton::clicked, this, &CReportDlg::OnExportCsv);
    connect(m_pSavePdf, &QPushButton::clicked, this, &CReportDlg::OnSavePdf);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::accept);
}

// A screen smaller than the dialog (a laptop at 200 %) gets the dialog at
// the screen's size, the table giving up the difference.
void CReportDlg::FitScreen(QWidget* parent) {
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The frame is not known before the dialog is shown; a title bar and
    // borders take about this much.
    const QSize frame(16, 40);
    resize(m_templateSize.boundedTo(screen->availableGeometry().size() - frame).expandedTo(minimumSize()));
}

// Growing or shrinking from the template's size goes to the table; the
// summary and the buttons keep to the bottom, Close to the right.
void CReportDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_templateRects.size() != 6)
        return;
    const int dw = width() - m_templateSize.width(), dh = height() - m_templateSize.height();
    const QRect* r = m_templateRects.data();
    m_pTabs->setGeometry(r[0].adjusted(0, 0, dw, dh));
    m_pPreset->setGeometry(r[5].adjusted(0, 0, dw, 0));
    m_pSummary->setGeometry(r[1].translated(0, dh).adjusted(0, 0, dw, 0));
    m_pExportCsv->setGeometry(r[2].translated(0, dh));
    m_pSavePdf->setGeometry(r[3].translated(0, dh));
    m_pClose->setGeometry(r[4].translated(dw, dh));
}

CReportDlg::~CReportDlg() = default;

void CReportDlg::SetPdfWriter(ReportPdfWriter writer) {
    m_pdfWriter = std::move(writer);
    m_pSavePdf->setVisible(static_cast<bool>(m_pdfWriter));
}

const SeriesInfo* CReportDlg::Series() const {
    return m_document.Archive() ? m_document.Archive()->GetSeries(m_request.series) : nullptr;
}

bool CReportDlg::ReadLimit() {
    // A preset takes the place of the typed limit, in the unit of the
    // results, as tervik-cli's --limit-preset does; one whose unit is not
    // known compares nothing.
    m_request.limitPreset = m_pPreset->currentData().toString().toStdString();
    if (const LimitPreset* preset = FindLimitPreset(m_request.limitPreset)) {
        const LimitCheck check = PresetLimit(*preset, m_nKind);
        m_request.intervals.haveLimit = check.active;
        m_request.intervals.limit = check.value;
        return true;
    }
    m_request.limitPreset.clear();
    const QString typed = m_pLimit->text().trimmed();
    double limit = 0;
    if (!typed.isEmpty() && !ParseLimit(typed, limit)) {
        Prompts().Message(this, UI(kUiEnterLimitValueNumber), IPrompts::Ok, IPrompts::Exclamation);
        m_pLimit->setFocus();
        m_pLimit->selectAll();
        return false;
    }
    m_request.intervals.haveLimit = !typed.isEmpty();
    m_request.intervals.limit = limit;
    return true;
}

void CReportDlg::ReadResultChoices() {
    m_request.intervals.minShare = m_pThreshold->value() / 100.0;
    // A threshold chosen leaves the means of intervals below it empty, as
    // tervik-cli's --capture-threshold does; by default they stay.
    m_request.intervals.blankInvalid = m_bThresholdChosen;
    m_request.rollingHours = m_pPages->RollingHours();
    m_request.rollingAlign = m_pPages->RollingAlign();
}

// The summary and the rolling means of the points the table takes.
void CReportDlg::ComputeResults() {
    m_summary = SummaryStats{};
    m_rolling.clear();
    m_bSummary = false;
    const SummaryOptions summary = ReportSummaryOptions(m_request, m_nKind);
    const SeriesInfo* series = Series();
    try {
        if (series && m_bComputed) {
            m_bSummary = ComputeSummary(*series, m_request.curve, summary, m_summary);
            const RollingOptions rolling = ReportRollingOptions(m_request);
            std::string error;
            if (rolling.hours > 0)
                ComputeRollingMeans(*series, m_request.curve, rolling, m_request.intervals.xmin,
                                    m_request.intervals.xmax, m_rolling, error);
        }
    } catch (const std::bad_alloc&) {
        m_summary = SummaryStats{};
        m_rolling.clear();
        m_bSummary = false;
    }
    const int lang = m_request.language;
    m_pPages->ShowRolling(m_rolling, static_cast<size_t>(kMaxShownRows), summary.limit, lang);
    m_pPages->ShowSummary(m_bSummary, m_summary, summary, m_nKind, lang);
}

bool CReportDlg::Recompute() {
    if (!ReadLimit())
        return false;
    ReadResultChoices();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    IntervalOptions& o = m_request.intervals;
    static const int kMinutes[2] = {60, 1440};
    const int choice = m_pInterval->currentIndex();
    o.minutes = choice >= 0 && choice < 2 ? kMinutes[choice] : m_pMinutes->value();
    m_request.pointsInView = m_pInView->isChecked();
    o.xmin = m_request.pointsInView ? m_request.viewMin : -std::numeric_limits<double>::infinity();
    o.xmax = m_request.pointsInView ? m_request.viewMax : std::numeric_limits<double>::infinity();
    m_table = IntervalTable{};
    const SeriesInfo* series = Series();
    // N-minute intervals over a long series may not fit in memory; that is
    // said like a table with too many rows.
    // Only the rows shown are kept; Export CSV computes them again into the file.
    try {
        std::vector<IntervalRow> shown;
        m_bComputed = series && ForEachInterval(*series, m_request.curve, o, m_table,
                                                [&shown](const IntervalRow& row, size_t i) {
                                                    if (i < static_cast<size_t>(kMaxShownRows))
                                                        shown.push_back(row);
                                                });
        m_table.rows = std::move(shown);
    } catch (const std::bad_alloc&) {
        m_table = IntervalTable{};
        m_table.error = "out of memory";
        m_bComputed = false;
    }
    FillTable();
    ComputeResults();
    m_pDaily->Update(m_document, m_request);
    return true;
}

// The box shows the preset's value in the unit of the results, greyed; the
// typed value comes back with "none".
void CReportDlg::ApplyPreset() {
    const std::string id = m_pPreset->currentData().toString().toStdString();
    const LimitPreset* preset = id.empty() ? nullptr : FindLimitPreset(id);
    if (!preset) {
        if (!m_pLimit->isEnabled())
            m_pLimit->setText(m_strFreeLimit);
        m_pLimit->setEnabled(true);
        return;
    }
    if (m_pLimit->isEnabled())
        m_strFreeLimit = m_pLimit->text();
    const LimitCheck check = PresetLimit(*preset, m_nKind);
    m_pLimit->setText(check.active ? Q(ThreeDigitForm(check.value)) : QString());
    m_pLimit->setEnabled(false);
}

void CReportDlg::OnPresetChosen() {
    ApplyPreset();
    if (Recompute())
        SaveResultSettings();
}

void CReportDlg::LoadResultSettings() {
    QString text;
    if (TervikSettings::GetRegString("", kPresetKey, text) && !text.isEmpty()) {
        const int at = m_pPreset->findData(text);
        m_pPreset->setCurrentIndex(std::max(at, 0));
        ApplyPreset();
    }
    uint32_t value = 0;
    if (TervikSettings::GetRegDWord("", kThresholdKey, value) && value <= 100) {
        const QSignalBlocker quiet(m_pThreshold);
        m_pThreshold->setValue(static_cast<int>(value));
        m_bThresholdChosen = true;
    }
    int hours = 0;
    if (TervikSettings::GetRegDWord("", kRollingHoursKey, value) && value <= kMaxRollingHours)
        hours = static_cast<int>(value);
    WindowAlign align = WindowAlign::End;
    if (TervikSettings::GetRegString("", kRollingAlignKey, text))
        for (int i = 0; i < 3; ++i)
            if (text == kAlignNames[i])
                align = static_cast<WindowAlign>(i);
    m_pPages->SetRolling(hours, align);
}

void CReportDlg::SaveResultSettings() const {
    TervikSettings::SetRegValues(
        "", {{kPresetKey, QString::fromStdString(m_request.limitPreset)},
             {kThresholdKey, m_pThreshold->value()},
             {kRollingHoursKey, m_request.rollingHours},
             {kRollingAlignKey, QString(kAlignNames[static_cast<int>(m_request.rollingAlign)])}});
}

void CReportDlg::FillTable() {
    const IntervalOptions& o = m_request.intervals;
    m_pTable->setColumnHidden(10, !o.haveLimit);
    m_pTable->setColumnHidden(11, !o.haveLimit);
    m_pExportCsv->setEnabled(m_bComputed);
    m_pSavePdf->setEnabled(m_bComputed);
    if (!m_bComputed) {
        m_pList->ClearList();
        m_pSummary->setText(SourceLines() + UI(m_table.error.empty() ? 304 : 305));
        return;
    }
    // A table of its own size each time: one row per interval and the total.
    const size_t rows = m_table.rowCount;
    const int shown = static_cast<int>(std::min(m_table.rows.size(), static_cast<size_t>(kMaxShownRows)));
    CListCtrlWrp list(m_pTable, kColumns, shown + 1, 64);
    for (int r = 0; r <= shown; ++r) {
        const bool total = r == shown;
        const IntervalRow& row = total ? m_table.total : m_table.rows[static_cast<size_t>(r)];
        list.SetCell(r, 0, total ? UI(kUiTotal) : QString::number(r + 1));
        const std::vector<std::string> cells = IntervalCells(row, o, total);
        for (size_t c = 0; c < cells.size(); ++c)
            list.SetCell(r, static_cast<int>(c) + 1, Q(cells[c]));
    }
    list.FillList();
    // The texts' widths differ by language and by the total row's dates.
    m_pTable->resizeColumnsToContents();

    QString summary =
        SourceLines() + Format(kUiIntervalsIncompleteFewerThan,
                               {QString::number(rows), QString::number(m_table.incompleteRows),
                                NumberText(o.minShare * 100), Q(ThreeDigitForm(m_table.medianCycle))});
    if (static_cast<size_t>(shown) < rows)
        summary += " " + Format(kUiFirstShownExportCsv, {QString::number(shown)});
    if (m_table.medianCycle <= 0)
        summary += " " + UI(kUiCycleLengthKnownFewer);
    if (m_table.total.nonFinite > 0)
        summary += " " + Format(kUiPointsHaveNoFinite, {QString::number(m_table.total.nonFinite)});
    if (o.haveLimit) {
        const IntervalRow& t = m_table.total;
        const QString limit = NumberText(o.limit);
        summary += "\n";
        if (t.above == 0) {
            summary += Format(kUiAboveNoPoints, {limit});
        } else {
            const auto when = [](double time) {
                const LocalFields f = ToLocalFields(time);
                return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
                                         f.minute, f.second);
            };
            summary += Format(kUiAbovePointsTotalFirst, {limit, QString::number(t.above), Q(AboveTimeText(t)),
                                                         when(t.firstAbove), when(t.lastAbove)});
        }
    }
    m_pSummary->setText(summary);
}

QString CReportDlg::SourceLines() const {
    const int lang = m_request.language;
    QString lines;
    if (m_document.Archive())
        lines = Q(UIString(kUiSource, lang) + ": " +
                  ProvenanceText(m_document.Provenance(), m_document.Archive()->GetHeader(), lang)) +
                "\n";
    return lines + Q(CorrectionsText(m_request.curve, lang)) + "\n";
}

QString CReportDlg::DefaultFileName() const {
    const SeriesInfo* series = Series();
    const int minutes = m_request.intervals.minutes;
    const QString tag = minutes == 60 ? "1h" : minutes == 1440 ? "1d" : QString("%1min").arg(minutes);
    return (series ? Q(SeriesStartName(*series)) : QString("report")) + "_" + tag;
}

void CReportDlg::OnExportCsv() {
    if (!Recompute() || !m_bComputed)
        return;
    QString path;
    if (!Prompts().SaveFile(this, {{UI(kUiCsvFilesCsv), "*.csv"}}, "csv", DefaultFileName(), path))
        return;
    int error = 0;
    bool written = false;
    // Row by row into the file: the CSV may hold far more rows than the table shows.
    try {
        const IntervalOptions& o = m_request.intervals;
        AtomicFile file(LocalPath(path));
        bool ok = file.Open() && file.Write(IntervalsCsvHeader(o));
        IntervalTable table;
        ok = ok && Series() &&
             ForEachInterval(*Series(), m_request.curve, o, table, [&](const IntervalRow& row, size_t i) {
                 ok = ok && file.Write(IntervalsCsvLine(std::to_string(i + 1), row, o));
             });
        written = ok && file.Write(IntervalsCsvLine("total", table.total, o)) && file.Commit();
        error = file.Error();
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    if (!written)
        Prompts().Message(this, FileErrorText(error, QDir::toNativeSeparators(path)), IPrompts::Ok,
                          IPrompts::Exclamation);
}

void CReportDlg::OnSavePdf() {
    if (!m_pdfWriter || !Recompute() || !m_bComputed)
        return;
    // Said before a file name is asked for, which would be for nothing.
    if (m_table.rowCount > kMaxReportIntervals) {
        Prompts().Message(this, Format(kUiReportHoldsMostIntervals, {QString::number(kMaxReportIntervals)}),
                          IPrompts::Ok, IPrompts::Exclamation);
        return;
    }
    QString path;
    if (!Prompts().SaveFile(this, {{UI(kUiPdfFilesPdf), "*.pdf"}}, "pdf", DefaultFileName(), path))
        return;
    QString error;
    if (!m_pdfWriter(m_document, m_request, m_table, path, error))
        Prompts().Message(this, error.isEmpty() ? FileErrorText(0, QDir::toNativeSeparators(path)) : error,
                          IPrompts::Ok, IPrompts::Exclamation);
}
