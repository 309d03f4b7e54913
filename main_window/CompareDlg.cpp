#include "CompareDlg.h"

#include "ArchiveFormats.h"
#include "GuiReporter.h"
#include "LC.h"
#include "Prompts.h"
#include "UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum ShiftKind { kNoShift, kAlignStart, kHours, kDays };

QString FileName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName();
}

} // namespace

CCompareDlg::CCompareDlg(const TervikDocument& document, const CurveOptions& options, const QString& yTitle,
                         QWidget* parent)
    : QDialog(parent), m_document(document), m_options(options) {
    setWindowTitle(UI(kUiCompare));
    setObjectName("compare");
    if (const CArchiveData* archive = m_document.Archive(); archive && archive->GetSeriesCount() > 0) {
        const std::string& path = m_document.Provenance().path;
        const QString name = path.empty() ? UI(kUiData) : FileName(path);
        m_sources.push_back({name.toStdString(), archive});
    }
    CreateControls(yTitle);
    FillFileLists();
    // The series on screen first.
    if (!m_sources.empty())
        SetRow(0, 0, std::max(0, m_document.Selected()));
}

CCompareDlg::~CCompareDlg() = default;

void CCompareDlg::CreateControls(const QString& yTitle) {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(UI(kUiCompareFile)), 0, 1);
    grid->addWidget(new QLabel(UI(kUiSeries)), 0, 2);
    for (int r = 0; r < kMaxCompareSeries; ++r) {
        Row& row = m_rows[r];
        const CompareLook look = CompareCurveLook(r);
        auto* mark = new QLabel(QString("%1").arg(r + 1));
        // COLORREF is 0x00BBGGRR.
        mark->setStyleSheet(QString("color: rgb(%1,%2,%3); font-weight: bold")
                                .arg(look.color & 0xFF)
                                .arg((look.color >> 8) & 0xFF)
                                .arg((look.color >> 16) & 0xFF));
        row.file = new QComboBox;
        row.file->setObjectName(QString("file%1").arg(r + 1));
        row.file->setMinimumContentsLength(16);
        row.file->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        row.series = new QSpinBox;
        row.series->setObjectName(QString("series%1").arg(r + 1));
        row.series->setRange(1, 1);
        row.shift = new QComboBox;
        row.shift->setObjectName(QString("shift%1").arg(r + 1));
        row.shift->addItems({UI(kUiCompareNoShift), UI(kUiCompareAlignStart), UI(kUiCompareShiftHours),
                             UI(kUiCompareShiftDays)});
        row.amount = new QDoubleSpinBox;
        row.amount->setObjectName(QString("amount%1").arg(r + 1));
        row.amount->setRange(-36500, 36500);
        row.amount->setDecimals(2);
        row.amount->setEnabled(false);
        grid->addWidget(mark, r + 1, 0);
        grid->addWidget(row.file, r + 1, 1);
        grid->addWidget(row.series, r + 1, 2);
        grid->addWidget(row.shift, r + 1, 3);
        grid->addWidget(row.amount, r + 1, 4);
        connect(row.file, &QComboBox::currentIndexChanged, this, [this, r] {
            Row& w = m_rows[r];
            const int source = w.file->currentIndex() - 1;
            const bool on = source >= 0 && source < static_cast<int>(m_sources.size());
            w.series->setRange(
                1, on ? std::max(1, m_sources[static_cast<size_t>(source)].archive->GetSeriesCount()) : 1);
            Rebuild();
        });
        connect(row.series, &QSpinBox::valueChanged, this, &CCompareDlg::Rebuild);
        connect(row.shift, &QComboBox::currentIndexChanged, this, [this, r](int kind) {
            m_rows[r].amount->setEnabled(kind == kHours || kind == kDays);
            Rebuild();
        });
        connect(row.amount, &QDoubleSpinBox::valueChanged, this, &CCompareDlg::Rebuild);
    }
    grid->setColumnStretch(1, 1);
    m_pDifference = new QCheckBox(UI(kUiCompareDifference));
    m_pDifference->setObjectName("difference");
    connect(m_pDifference, &QCheckBox::toggled, this, &CCompareDlg::Rebuild);

    m_pChart = new CLC(this);
    m_pChart->setObjectName("chart");
    m_pChart->setMinimumSize(480, 280);
    ConfigureCompareChart(m_pChart->Core(), UI(kUiAxisTime).toStdString(), yTitle.toStdString());
    connect(m_pChart, &CLC::viewChanged, this, &CCompareDlg::UpdateStatistics);
    connect(m_pChart, &CLC::chartNotify, this, [this](LCNotify code) {
        if (code == LCNotify::ViewChanged)
            UpdateStatistics();
    });

    m_pStats = new QTableWidget(0, 8, this);
    m_pStats->setObjectName("statistics");
    m_pStats->setHorizontalHeaderLabels({UI(kUiSeries), UI(kUiStatDate), UI(kUiStatTime), UI(kUiMean),
                                         UI(kUiSd), UI(kUiMin), UI(kUiMax), UI(kUiRange)});
    m_pStats->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pStats->verticalHeader()->hide();
    m_pStats->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pStats->setFixedHeight(QFontMetrics(font()).height() * 9);

    m_pAddFile = new QPushButton(UI(kUiCompareAddFile));
    m_pSavePicture = new QPushButton(UI(kUiCompareSavePicture));
    m_pClose = new QPushButton(UI(kUiClose));
    for (QPushButton* b : {m_pAddFile, m_pSavePicture, m_pClose})
        b->setAutoDefault(false);
    connect(m_pAddFile, &QPushButton::clicked, this, &CCompareDlg::AddFile);
    connect(m_pSavePicture, &QPushButton::clicked, m_pChart, &CLC::ExportImage);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pAddFile);
    buttons->addWidget(m_pDifference);
    buttons->addStretch(1);
    buttons->addWidget(m_pSavePicture);
    buttons->addWidget(m_pClose);

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addWidget(m_pChart, 1);
    top->addWidget(m_pStats);
    top->addLayout(buttons);
}

void CCompareDlg::FillFileLists() {
    m_bFilling = true;
    for (Row& row : m_rows) {
        const int keep = row.file->currentIndex(), series = row.series->value();
        row.file->clear();
        row.file->addItem(UI(kUiCompareNone));
        for (const CompareSource& s : m_sources)
            row.file->addItem(QString::fromStdString(s.name));
        row.file->setCurrentIndex(std::max(0, keep));
        // Refilling the list passed through "(none)", which narrowed the series' range.
        row.series->setValue(series);
    }
    m_bFilling = false;
}

void CCompareDlg::SetRow(int r, int source, int series, int shiftKind, double amount) {
    if (r < 0 || r >= kMaxCompareSeries)
        return;
    Row& row = m_rows[r];
    m_bFilling = true;
    row.file->setCurrentIndex(source + 1);
    row.series->setValue(series + 1);
    row.shift->setCurrentIndex(shiftKind);
    row.amount->setValue(amount);
    m_bFilling = false;
    Rebuild();
}

void CCompareDlg::SetDifference(bool on) {
    m_pDifference->setChecked(on);
    Rebuild();
}

bool CCompareDlg::AddFile() {
    QList<IPrompts::Filter> filters;
    for (const ArchiveFormat& f : ArchiveFormats())
        filters.append({UI(f.filterName), QString::fromStdString(f.Pattern())});
    QString path;
    if (!Prompts().OpenFile(this, filters, "mnr", path))
        return false;
    const QString shown = QDir::toNativeSeparators(path);
    GuiReporter reporter(this, shown);
    auto file = std::make_unique<TervikDocument>();
    const ArchiveFormat& format = FormatForOpening(QFileInfo(path).suffix().toStdString());
    file->Load(format, LocalPath(path),
               DataProvenance::FromFile(DataProvenance::Way::File, shown.toStdString()), reporter);
    if (!file->Archive() || file->Archive()->GetSeriesCount() == 0)
        return false; // the reporter told why
    m_sources.push_back({FileName(path.toStdString()).toStdString(), file->Archive()});
    m_files.push_back(std::move(file));
    FillFileLists();
    // The new file goes to the first free row.
    for (int r = 0; r < kMaxCompareSeries; ++r)
        if (m_rows[r].file->currentIndex() == 0) {
            SetRow(r, static_cast<int>(m_sources.size()) - 1, 0);
            break;
        }
    return true;
}

void CCompareDlg::Rebuild() {
    if (m_bFilling)
        return;
    std::vector<ComparePick> picks;
    for (const Row& row : m_rows) {
        const int source = row.file->currentIndex() - 1;
        if (source < 0 || source >= static_cast<int>(m_sources.size()))
            continue;
        ComparePick p;
        p.source = source;
        p.series = row.series->value() - 1;
        const double amount = row.amount->value();
        switch (row.shift->currentIndex()) {
        case kAlignStart:
            p.shift.kind = TimeShift::Kind::AlignStart;
            break;
        case kHours:
        case kDays:
            p.shift.kind = amount != 0 ? TimeShift::Kind::Seconds : TimeShift::Kind::None;
            p.shift.seconds = amount * (row.shift->currentIndex() == kHours ? 3600 : 86400);
            break;
        default:
            break;
        }
        picks.push_back(p);
    }
    const int difference[2] = {0, 1};
    const bool withDifference = m_pDifference->isChecked() && picks.size() >= 2;
    std::string error;
    if (picks.empty() ||
        !BuildCompareSet(m_sources, picks, m_options, withDifference ? difference : nullptr, m_set, error))
        m_set = {};
    ShowComparePlots(m_pChart->Core(), m_set, m_plots);
    m_pChart->Redraw();
    UpdateStatistics();
}

void CCompareDlg::UpdateStatistics() {
    const CLCModel& m = m_pChart->Model();
    const std::vector<Statistics> rows = CompareStatistics(m_set, m.XMin(), m.XMax());
    m_pStats->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const bool difference = i == m_set.curves.size();
        const QString name = QString::fromStdString(difference ? m_set.differenceName : m_set.names[i]);
        m_pStats->setItem(static_cast<int>(i), 0, new QTableWidgetItem(name));
        const std::array<std::string, 7> cells = StatisticsCells(rows[i]);
        for (int c = 0; c < 7; ++c)
            m_pStats->setItem(static_cast<int>(i), c + 1,
                              new QTableWidgetItem(rows[i].count == 0 ? QString("-")
                                                                      : QString::fromStdString(
                                                                            cells[static_cast<size_t>(c)])));
    }
}
