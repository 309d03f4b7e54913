#include "ReportResultPages.h"

#include "ListCtrlWrp.h"
#include "ResultRows.h"
#include "StringTable.h"
#include "UiText.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The choices of the rolling-mean list: none, 8 h, 24 h, N hours.
constexpr int kRollingChoices[] = {0, 8, 24};
constexpr int kNHoursChoice = 3;
// The alignment list's order.
constexpr WindowAlign kAligns[] = {WindowAlign::End, WindowAlign::Centre, WindowAlign::Left};

QTableWidget* NewTable(const char* name, QWidget* parent) {
    auto* t = new QTableWidget(parent);
    t->setObjectName(name);
    t->setWordWrap(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->setDefaultSectionSize(QFontMetrics(parent->font()).height() + 4);
    return t;
}

// The table becomes exactly these rows of texts under these headers.
void FillTable(QTableWidget* table, const std::vector<std::string>& head,
               const std::vector<std::vector<std::string>>& rows) {
    const int columns = static_cast<int>(head.size());
    CListCtrlWrp list(table, columns, std::max<int>(1, static_cast<int>(rows.size())), 64);
    for (int c = 0; c < columns; ++c)
        list.SetColumn(c, Q(head[static_cast<size_t>(c)]), 60);
    list.CreateColumns();
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size() && c < head.size(); ++c)
            list.SetCell(static_cast<int>(r), static_cast<int>(c), Q(rows[r][c]));
    if (rows.empty())
        list.ClearList();
    else
        list.FillList();
    table->resizeColumnsToContents();
}

QLabel* NewNote(const char* name, QWidget* parent) {
    auto* note = new QLabel(parent);
    note->setObjectName(name);
    note->setWordWrap(true);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return note;
}

} // namespace

CReportResultPages::CReportResultPages(QTabWidget* tabs) : QObject(tabs) {
    tabs->addTab(CreateRollingPage(), UI(kUiTabRollingMeans));
    tabs->addTab(CreateSummaryPage(), UI(kUiSummaryHeading));
}

QWidget* CReportResultPages::CreateRollingPage() {
    auto* page = new QWidget;
    page->setObjectName("rollingPage");
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(4, 4, 4, 4);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(UI(kUiRollingMean), page));
    m_pRolling = new QComboBox(page);
    m_pRolling->setObjectName("rolling");
    const QString hours = UI(kUiHoursShort);
    m_pRolling->addItems({UI(kUiRollingNone), QString(hours).replace("%s", "8"),
                          QString(hours).replace("%s", "24"), UI(kUiNHours)});
    m_pRollingHours = new QSpinBox(page);
    m_pRollingHours->setObjectName("rollingHours");
    m_pRollingHours->setRange(1, kMaxRollingHours);
    m_pRollingHours->setValue(12);
    m_pRollingHours->setKeyboardTracking(false);
    m_pAlign = new QComboBox(page);
    m_pAlign->setObjectName("rollingAlign");
    m_pAlign->addItems({UI(kUiAlignEnd), UI(kUiAlignCentre), UI(kUiAlignLeft)});
    row->addWidget(m_pRolling);
    row->addWidget(m_pRollingHours);
    row->addWidget(m_pAlign);
    row->addStretch(1);
    column->addLayout(row);
    m_pRollingTable = NewTable("rollingTable", page);
    column->addWidget(m_pRollingTable, 1);
    m_pRollingNote = NewNote("rollingNote", page);
    column->addWidget(m_pRollingNote);
    UpdateRollingControls();

    connect(m_pRolling, &QComboBox::activated, this, [this] {
        UpdateRollingControls();
        emit rollingChanged();
    });
    connect(m_pRollingHours, &QSpinBox::valueChanged, this, [this] {
        if (m_pRolling->currentIndex() == kNHoursChoice)
            emit rollingChanged();
    });
    connect(m_pAlign, &QComboBox::activated, this, [this] { emit rollingChanged(); });
    return page;
}

QWidget* CReportResultPages::CreateSummaryPage() {
    auto* page = new QWidget;
    page->setObjectName("summaryPage");
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(4, 4, 4, 4);
    auto* split = new QSplitter(Qt::Horizontal, page);
    m_pSummaryTable = NewTable("summaryTable", split);
    m_pDailyTable = NewTable("dailyTable", split);
    split->addWidget(m_pSummaryTable);
    split->addWidget(m_pDailyTable);
    split->setSizes({55, 45});
    column->addWidget(split, 1);
    m_pSummaryNote = NewNote("summaryNote", page);
    m_pSummaryNote->setText(UI(kUiNotValidCapture));
    column->addWidget(m_pSummaryNote);
    return page;
}

void CReportResultPages::UpdateRollingControls() {
    const bool any = m_pRolling->currentIndex() > 0;
    m_pRollingHours->setEnabled(m_pRolling->currentIndex() == kNHoursChoice);
    m_pAlign->setEnabled(any);
    m_pRollingTable->setEnabled(any);
}

int CReportResultPages::RollingHours() const {
    const int choice = m_pRolling->currentIndex();
    return choice == kNHoursChoice ? m_pRollingHours->value() : kRollingChoices[std::clamp(choice, 0, 2)];
}

WindowAlign CReportResultPages::RollingAlign() const {
    return kAligns[std::clamp(m_pAlign->currentIndex(), 0, 2)];
}

void CReportResultPages::SetRolling(int hours, WindowAlign align) {
    const auto* fixed = std::find(std::begin(kRollingChoices), std::end(kRollingChoices), hours);
    if (fixed != std::end(kRollingChoices)) {
        m_pRolling->setCurrentIndex(static_cast<int>(fixed - std::begin(kRollingChoices)));
    } else {
        m_pRolling->setCurrentIndex(kNHoursChoice);
        const QSignalBlocker quiet(m_pRollingHours);
        m_pRollingHours->setValue(std::clamp(hours, 1, kMaxRollingHours));
    }
    m_pAlign->setCurrentIndex(
        static_cast<int>(std::find(std::begin(kAligns), std::end(kAligns), align) - std::begin(kAligns)) % 3);
    UpdateRollingControls();
}

void CReportResultPages::ShowRolling(const std::vector<RollingMean>& rows, size_t maxShown,
                                     const LimitCheck& limit, int language) {
    std::vector<std::vector<std::string>> cells;
    const size_t shown = std::min(rows.size(), maxShown);
    cells.reserve(shown);
    for (size_t i = 0; i < shown; ++i)
        cells.push_back(RollingCells(rows[i], limit, language));
    FillTable(m_pRollingTable, RollingHeader(limit, language), cells);
    QString note;
    if (RollingHours() > 0)
        note = UI(kUiNotValidCapture);
    if (shown < rows.size())
        note +=
            " " + UI(kUiFirstShownExportCsv).replace("%s", QString::number(shown)).section(';', 0, 0) + ".";
    m_pRollingNote->setText(note.trimmed());
}

void CReportResultPages::ShowSummary(bool computed, const SummaryStats& s, const SummaryOptions& options,
                                     int kind, int language) {
    std::vector<std::vector<std::string>> summary, daily;
    if (computed) {
        for (const SummaryRow& r : SummaryRows(s, kind, language))
            summary.push_back({r.name, r.value, r.time});
        for (const DayFigures& d : s.dayFigures)
            daily.push_back(DailyCells(d, s.limit));
    }
    FillTable(m_pSummaryTable,
              {UIString(kUiColumnFigure, language), UIString(kUiColumnValue, language),
               UIString(kUiStatTime, language)},
              summary);
    // The names read as a list, from the left; a long value (the limit's)
    // is cut at the column's edge so the times stay in sight, and shown
    // whole in its tip.
    for (int r = 0; r < m_pSummaryTable->rowCount(); ++r) {
        if (QTableWidgetItem* item = m_pSummaryTable->item(r, 0))
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        if (QTableWidgetItem* item = m_pSummaryTable->item(r, 1))
            item->setToolTip(item->text());
    }
    const int widest = m_pSummaryTable->fontMetrics().horizontalAdvance(QString(24, '0'));
    m_pSummaryTable->setColumnWidth(1, std::min(m_pSummaryTable->columnWidth(1), widest));
    FillTable(m_pDailyTable, DailyHeader(s.limit, language), daily);
    // A preset that cannot be compared says why.
    const LimitCheck& limit = options.limit;
    m_pSummaryNote->setText((limit.preset && !limit.active ? UI(limit.problemOffset) + "\n" : QString()) +
                            UI(kUiNotValidCapture));
}
