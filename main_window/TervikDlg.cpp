#include "TervikDlg.h"

#include "AppIcon.h"
#include "ArchiveFormats.h"
#include "AtomicFile.h"
#include "Captions.h"
#include "ChartLabels.h"
#include "CompareDlg.h"
#include "DeviceDlg.h"
#include "DialogUnits.h"
#include "DocumentSignals.h"
#include "ExportFile.h"
#include "FileErrors.h"
#include "LangDlg.h"
#include "ListCtrlWrp.h"
#include "Prompts.h"
#include "SeriesListModel.h"
#include "SeriesReport.h"
#include "Settings.h"
#include "StdCondDlg.h"
#include "StringTable.h"
#include "UiText.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace {

// The wait cursor for the lifetime of the object.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

std::string Extension(const QString& path) {
    return QFileInfo(path).suffix().toStdString();
}

// Asks for a file among the formats the button offers and loads it; an
// extension not among them loads nothing.
void AskAndLoad(CTervikDlg* dlg, DataProvenance::Way button) {
    QList<IPrompts::Filter> filters;
    QString defaultExt;
    for (const ArchiveFormat& f : ArchiveFormats())
        if (f.button == button) {
            filters.append({UI(f.filterName), QString::fromStdString(f.Pattern())});
            if (defaultExt.isEmpty())
                defaultExt = f.extension;
        }
    QString path;
    if (button == DataProvenance::Way::File) {
        // Several files are one campaign or the first one.
        QStringList paths;
        if (!Prompts().OpenFiles(dlg, filters, defaultExt, paths) || paths.isEmpty())
            return;
        if (paths.size() > 1) {
            dlg->OpenFiles(paths, button);
            return;
        }
        path = paths.first();
    } else if (!Prompts().OpenFile(dlg, filters, defaultExt, path)) {
        return;
    }
    const ArchiveFormat* format = FormatByExtension(Extension(path));
    if (format && format->button == button)
        dlg->LoadFile(*format, path, button);
}

} // namespace

QString MainWindowCaption(int language) {
    const char* version = ProgramVersion();
    return QString::fromStdString(UIString(kUiTervik, language)) + " v" +
           QString::fromUtf8(version ? version : "");
}

CTervikDlg::CTervikDlg(TervikDocument& document, QWidget* parent)
    : QDialog(parent), m_document(document), m_pDocumentSignals(new CDocumentSignals(document, this)),
      m_reporter(this) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setObjectName("102");
    m_document.SetReporter(&m_reporter);
    connect(m_pDocumentSignals, &CDocumentSignals::changed, this, [this](unsigned changes) {
        if (changes & TervikDocument::kArchiveChanged)
            OnArchiveChanged();
    });
    CreateControls();
    // The statistics read the chart's measurement plot: no copy of its points.
    m_plots.keepPoints = false;
    m_reportPdfWriter = [](const TervikDocument& document, const ReportOptions& options,
                           const IntervalTable& table, const QString& path, QString& error) {
        std::string message;
        const bool ok = WriteSeriesReport(document, options, LocalPath(path), message, &table);
        error = QString::fromStdString(message);
        return ok;
    };
}

CTervikDlg::~CTervikDlg() {
    delete m_pChart;
    delete m_pStatList;
    m_document.SetReporter(nullptr);
}

void CTervikDlg::CreateGroups(const DialogGeometry& du) {
    // Group boxes are plain frames behind the controls they surround, so
    // they are made first and stay at the bottom.
    auto group = [&](int id, int l, int t, int w, int h) {
        auto* g = new QGroupBox(this);
        g->setObjectName(QString::number(id));
        g->setGeometry(du.Rect(l, t, w, h));
        // The caption sits on the frame's top line, as the template draws it.
        g->setStyleSheet(
            QString("QGroupBox { border: 1px solid #a0a0a0; border-radius: 2px; margin-top: %1px; }"
                    "QGroupBox::title { subcontrol-origin: margin; left: %2px; padding: 0 2px; }")
                .arg(QFontMetrics(font()).height() / 2)
                .arg(du.X(2)));
        return g;
    };
    m_pSeriesGroup = group(1019, 6, 6, 570, 36);
    m_pZeroGroup = group(1020, 282, 60, 96, 30);
    m_pChartGroup = group(1022, 492, 156, 84, 138);
    m_pStatGroup = group(1025, 6, 102, 474, 48);
    m_pSourceGroup = group(1021, 492, 48, 84, 78);
    m_pCorrectionGroup = group(1027, 6, 48, 474, 48);
    // The zero-correction group lies inside the correction group.
    m_pZeroGroup->raise();
}

void CTervikDlg::CreateControls() {
    setFont(DialogGeometry::DialogFont());
    const DialogGeometry du(font());
    m_templateSize = du.Size(586, 398);
    resize(m_templateSize);
    // Small enough for a 1600 x 1000 screen at 200 %; below the template's
    // size the controls close up (AnchorControls).
    setMinimumSize(du.Size(506, 304));

    CreateGroups(du);

    auto button = [&](int id, int l, int t, int w, int h) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::number(id));
        b->setGeometry(du.Rect(l, t, w, h));
        b->setAutoDefault(false);
        return b;
    };
    // A drop-down list's template height includes its open list; the closed
    // box takes the height it needs.
    auto combo = [&](int id, int l, int t, int w) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::number(id));
        c->setGeometry(du.X(l), du.Y(t), du.X(w), c->sizeHint().height());
        return c;
    };
    auto check = [&](int id, int l, int t, int w, int h) {
        auto* c = new QCheckBox(this);
        c->setObjectName(QString::number(id));
        c->setGeometry(du.Rect(l, t, w, h));
        return c;
    };
    auto edit = [&](int id, int l, int t, int w, int h) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::number(id));
        e->setGeometry(du.Rect(l, t, w, h));
        e->setReadOnly(true);
        return e;
    };

    // Not the default button: Enter closes the window only from the Exit
    // button itself (keyPressEvent).
    m_pExit = button(1, 504, 372, 62, 16);
    m_pSeriesList = combo(1009, 18, 18, 336);
    // Millions of series: texts only for the rows shown, rows of one height,
    // and no width taken from all the texts.
    m_pSeriesModel = new SeriesListModel(m_pSeriesList);
    m_pSeriesList->setModel(m_pSeriesModel);
    m_pSeriesList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (auto* view = qobject_cast<QListView*>(m_pSeriesList->view()))
        view->setUniformItemSizes(true);
    m_pZeroList = combo(1010, 288, 73, 78);
    m_pExport = button(1007, 366, 18, 56, 14);
    for (int i = 0; i < 6; ++i) {
        static const int tops[6] = {167, 185, 209, 228, 252, 270};
        m_pChartButtons[i] = button(1012 + i, 504, tops[i], 62, 14);
    }
    m_pPlaceholder = button(1018, 6, 156, 474, 234);
    m_pSave = button(1023, 432, 18, 62, 14);
    m_pLanguage = button(1024, 504, 342, 62, 18);
    m_pLanguage->setText(QString::fromUtf8("Language/Язык"));
    m_pStatListCtrl = new QTableWidget(this);
    m_pStatListCtrl->setObjectName("1011");
    m_pStatListCtrl->setGeometry(du.Rect(18, 114, 450, 27));
    m_pStatListCtrl->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pStatListCtrl->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pStatListCtrl->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 2);
    m_pStatListCtrl->horizontalHeader()->setFixedHeight(QFontMetrics(font()).height() + 6);
    m_pDevice = button(1006, 498, 60, 72, 14);
    m_pFile = button(1008, 498, 78, 72, 14);
    m_pSaveAll = button(1026, 504, 18, 62, 14);
    m_pTempCheck = check(1028, 18, 60, 174, 10);
    m_pPresCheck = check(1029, 18, 78, 174, 10);
    m_pTempEdit = edit(1030, 198, 60, 58, 14);
    m_pPresEdit = edit(1031, 198, 78, 58, 14);
    m_pSetup = button(1032, 396, 72, 62, 14);
    m_pFileOrlo2 = button(1033, 498, 102, 72, 14);
    // In the free space between the data-source and chart-control groups.
    m_pReport = button(1034, 504, 134, 62, 14);
    // Nothing to write before a series is loaded (UpdateReportButton).
    for (QPushButton* b : {m_pReport, m_pExport, m_pSave, m_pSaveAll})
        b->setEnabled(false);

    AnchorControls();
    ConnectControls();
    FollowControls();
}

void CTervikDlg::ConnectControls() {
    connect(m_pExit, &QPushButton::clicked, this, &CTervikDlg::accept);
    connect(m_pDevice, &QPushButton::clicked, this, &CTervikDlg::OnDevice);
    connect(m_pFile, &QPushButton::clicked, this, &CTervikDlg::OnFile);
    connect(m_pFileOrlo2, &QPushButton::clicked, this, &CTervikDlg::OnFileOrlo2);
    connect(m_pSeriesList, &QComboBox::activated, this, [this] {
        ShowSelectedSeries();
        FocusChart();
    });
    connect(m_pZeroList, &QComboBox::activated, this, &CTervikDlg::OnZeroCorrection);
    connect(m_pTempCheck, &QCheckBox::clicked, this, &CTervikDlg::ShowSelectedSeries);
    connect(m_pPresCheck, &QCheckBox::clicked, this, &CTervikDlg::ShowSelectedSeries);
    connect(m_pSetup, &QPushButton::clicked, this, &CTervikDlg::OnSetup);
    connect(m_pExport, &QPushButton::clicked, this, &CTervikDlg::OnExport);
    connect(m_pSave, &QPushButton::clicked, this, &CTervikDlg::OnSave);
    connect(m_pSaveAll, &QPushButton::clicked, this, &CTervikDlg::OnSaveAll);
    connect(m_pLanguage, &QPushButton::clicked, this, &CTervikDlg::OnLanguage);
    connect(m_pReport, &QPushButton::clicked, this, &CTervikDlg::OnReport);
    int (CLCWrp::*const commands[6])() = {&CLCWrp::ScrollRight, &CLCWrp::ScrollLeft, &CLCWrp::ShowAllData,
                                          &CLCWrp::AutoScaleY,  &CLCWrp::GoPrevView, &CLCWrp::GoNextView};
    for (int i = 0; i < 6; ++i)
        connect(m_pChartButtons[i], &QPushButton::clicked, this,
                [this, c = commands[i]] { OnChartCommand(c); });
}

void CTervikDlg::FollowControls() {
    // Every change, the program's own included, so the document always says
    // what the controls show.
    connect(m_pSeriesList, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_document.Select(index); });
    const auto curve = [this] {
        CurveSettings c = m_document.Curve();
        c.zeroCorrection = m_pZeroList->currentIndex() == 1;
        c.stdTempOn = m_pTempCheck->isChecked();
        c.stdPresOn = m_pPresCheck->isChecked();
        m_document.SetCurve(c);
    };
    connect(m_pZeroList, &QComboBox::currentIndexChanged, this, curve);
    connect(m_pTempCheck, &QCheckBox::toggled, this, curve);
    connect(m_pPresCheck, &QCheckBox::toggled, this, curve);
    curve();
}

namespace {
// Where an anchored control is when the window is dw wider and dh taller
// than the template.
QRect Follow(QRect r, int anchor, int dw, int dh, int right, int bottom, int growWidth, int growHeight) {
    r.translate(anchor & right ? dw : 0, anchor & bottom ? dh : 0);
    r.setWidth(r.width() + (anchor & growWidth ? dw : 0));
    r.setHeight(r.height() + (anchor & growHeight ? dh : 0));
    return r;
}

// a at t = 0, b at t = 1.
int Between(int a, int b, double t) {
    return a + static_cast<int>(std::lround((b - a) * t));
}
} // namespace

void CTervikDlg::AnchorControls() {
    // The chart (in the placeholder's place) and the statistics take what the
    // window grows; the right-hand column keeps to the right edge, Language
    // and Exit to the bottom-right corner; the rest stays at the top left.
    // Frames around a growing control grow with it.
    //
    // Below the template's size the chart and the statistics shrink down to
    // the least size, and the controls close up towards their places in a
    // compact layout there: the top rows' buttons move left, the read-only
    // edits and the zero-correction list narrow, the right column's buttons
    // close up. Each control moves in a straight line
    // between its two places, so controls that are apart at both ends never
    // meet in between.
    const DialogGeometry du(font());
    const QSize least = minimumSize();
    const int lw = least.width() - m_templateSize.width(), lh = least.height() - m_templateSize.height();
    auto add = [&](QWidget* w, int anchor, QRect small = {}) {
        const QRect r = w->geometry();
        m_anchored.push_back(
            {w, r, anchor,
             small.isValid() ? small : Follow(r, anchor, lw, lh, kRight, kBottom, kGrowWidth, kGrowHeight)});
    };
    // A drop-down list keeps the height of its closed box.
    auto box = [&](QWidget* w, int l, int t, int width) {
        return QRect(du.X(l), du.Y(t), du.X(width), w->height());
    };
    for (QWidget* w : std::initializer_list<QWidget*>{m_pCorrectionGroup, m_pStatGroup, m_pStatListCtrl})
        add(w, kGrowWidth);
    add(m_pSeriesGroup, kGrowWidth);
    add(m_pPlaceholder, kGrowWidth | kGrowHeight);
    add(m_pSaveAll, kRight);
    add(m_pSourceGroup, kRight, du.Rect(412, 48, 84, 64));
    add(m_pDevice, kRight, du.Rect(418, 58, 72, 14));
    add(m_pFile, kRight, du.Rect(418, 74, 72, 14));
    add(m_pFileOrlo2, kRight, du.Rect(418, 90, 72, 14));
    add(m_pReport, kRight, du.Rect(424, 118, 62, 14));
    add(m_pChartGroup, kRight, du.Rect(412, 138, 84, 112));
    static const int tops[6] = {149, 164, 181, 196, 213, 228};
    for (int i = 0; i < 6; ++i)
        add(m_pChartButtons[i], kRight, du.Rect(424, tops[i], 62, 14));
    add(m_pLanguage, kRight | kBottom, du.Rect(424, 256, 62, 18));
    add(m_pExit, kRight | kBottom);
    // The series entry keeps room for its Russian text with a two-digit
    // series count; Export and Save narrow towards their captions instead.
    add(m_pSeriesList, kFixed, box(m_pSeriesList, 18, 18, 284));
    add(m_pExport, kFixed, du.Rect(307, 18, 50, 14));
    add(m_pSave, kFixed, du.Rect(362, 18, 56, 14));
    add(m_pTempEdit, kFixed, du.Rect(198, 60, 40, 14));
    add(m_pPresEdit, kFixed, du.Rect(198, 78, 40, 14));
    add(m_pZeroGroup, kFixed, du.Rect(250, 60, 72, 30));
    add(m_pZeroList, kFixed, box(m_pZeroList, 256, 73, 54));
    add(m_pSetup, kFixed, du.Rect(332, 72, 62, 14));
}

void CTervikDlg::LayOutControls() {
    const int dw = width() - m_templateSize.width();
    const int dh = height() - m_templateSize.height();
    const QSize least = minimumSize();
    const int lw = least.width() - m_templateSize.width(), lh = least.height() - m_templateSize.height();
    const double tx = dw < 0 && lw < 0 ? std::min(1.0, double(dw) / lw) : 0;
    const double ty = dh < 0 && lh < 0 ? std::min(1.0, double(dh) / lh) : 0;
    for (const Anchored& a : m_anchored) {
        QRect r = Follow(a.rect, a.anchor, std::max(dw, 0), std::max(dh, 0), kRight, kBottom, kGrowWidth,
                         kGrowHeight);
        if (tx > 0)
            r.setRect(Between(a.rect.x(), a.least.x(), tx), r.y(),
                      Between(a.rect.width(), a.least.width(), tx), r.height());
        if (ty > 0)
            r.setRect(r.x(), Between(a.rect.y(), a.least.y(), ty), r.width(),
                      Between(a.rect.height(), a.least.height(), ty));
        if (a.widget->geometry() != r)
            a.widget->setGeometry(r);
    }
    // The statistics columns narrow with their list, keeping their shares.
    if (!m_statWidths.empty()) {
        const int full = StatListTemplateWidth();
        const double share = full > 0 ? std::min(1.0, double(m_pStatListCtrl->width()) / full) : 1;
        for (size_t c = 0; c < m_statWidths.size(); ++c) {
            const int w = static_cast<int>(m_statWidths[c] * share);
            if (m_pStatListCtrl->columnWidth(static_cast<int>(c)) != w)
                m_pStatListCtrl->setColumnWidth(static_cast<int>(c), w);
        }
    }
    if (m_document.Provenance().way != DataProvenance::Way::None)
        ShowProvenance(); // the path elided afresh for the new width
    else if (!m_strSeriesGroup.isEmpty())
        SetSeriesGroupCaption(m_strSeriesGroup);
}

void CTervikDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayOutControls();
}

void CTervikDlg::setVisible(bool visible) {
    if (visible && !m_bPlaced) {
        m_bPlaced = true;
        PlaceOnScreen();
    }
    QDialog::setVisible(visible);
}

void CTervikDlg::PlaceOnScreen() {
    uint32_t x = 0, y = 0, w = 0, h = 0, maximized = 0;
    QRect stored;
    if (TervikSettings::GetRegDWord("", "WindowX", x) && TervikSettings::GetRegDWord("", "WindowY", y) &&
        TervikSettings::GetRegDWord("", "WindowWidth", w) &&
        TervikSettings::GetRegDWord("", "WindowHeight", h)) {
        // The file may have been edited by hand: a place whose far corner
        // does not fit an int is none (QRect would overflow computing it).
        const int64_t left = static_cast<int32_t>(x), top = static_cast<int32_t>(y);
        const int64_t width = static_cast<int32_t>(w), height = static_cast<int32_t>(h);
        if (width > 0 && height > 0 && left + width <= INT32_MAX && top + height <= INT32_MAX)
            stored = QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                           static_cast<int>(height));
    }
    QList<QRect> areas;
    for (QScreen* s : QGuiApplication::screens())
        areas << s->availableGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect home = primary ? primary->availableGeometry() : QRect(QPoint(0, 0), m_templateSize);
    setGeometry(OpeningGeometry(m_templateSize, minimumSize(), stored, areas, home));
    if (TervikSettings::GetRegDWord("", "WindowMaximized", maximized) && maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    QString folder;
    if (TervikSettings::GetRegString("", "LastFolder", folder) && !folder.isEmpty())
        SetFileDialogFolder(folder);
}

void CTervikDlg::KeepOnScreen() {
    // The frame is known only once the window is shown: a title bar above the
    // screen could not be dragged back.
    const QScreen* s = screen();
    if (!s || isMaximized() || isFullScreen())
        return;
    const QRect area = s->availableGeometry();
    const QRect frame = frameGeometry();
    if (area.contains(frame))
        return;
    const QRect client = geometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    const QRect room = area.marginsRemoved(margins);
    setGeometry(OpeningGeometry(client.size(), minimumSize(), client, {room}, room));
}

void CTervikDlg::SaveWindowSettings() {
    const QRect r = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    QList<QPair<QString, QVariant>> values{{"WindowX", r.x()},
                                           {"WindowY", r.y()},
                                           {"WindowWidth", r.width()},
                                           {"WindowHeight", r.height()},
                                           {"WindowMaximized", isMaximized() ? 1 : 0}};
    if (!FileDialogFolder().isEmpty())
        values.append({"LastFolder", FileDialogFolder()});
    TervikSettings::SetRegValues("", values);
}

void CTervikDlg::SetStartFile(const QString& path) {
    m_strStartFile = path;
    m_bStartFile = true;
}

void CTervikDlg::showEvent(QShowEvent* event) {
    // The template's WM_INITDIALOG: once, before the window is first seen.
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
        QTimer::singleShot(0, this, &CTervikDlg::KeepOnScreen);
    }
    QDialog::showEvent(event);
}

void CTervikDlg::OnInitDialog() {
    setWindowIcon(AppIcon());
    CreateChart();
    Relabel();
    for (QPushButton* b : m_pChartButtons)
        b->setEnabled(false);
    SetupStatisticsList();
    m_pZeroList->setCurrentIndex(1);
    setAcceptDrops(true);
    // Emptied before the start file is shown, not after: the statistics of
    // every later view change read these vectors.
    m_plots.times.clear();
    m_plots.results.clear();
    // Before any time is shown.
    ApplyStoredTimeBase(this);
    if (m_bStartFile && !m_strStartFile.isEmpty()) {
        LoadFile(FormatForOpening(Extension(m_strStartFile)), m_strStartFile,
                 DataProvenance::Way::CommandLine);
    }
    CurveSettings curve = m_document.Curve();
    uint32_t value = 0;
    if (TervikSettings::GetRegDWord("Std", "Temp", value))
        curve.stdTemp = static_cast<int32_t>(value);
    if (TervikSettings::GetRegDWord("Std", "Pres", value))
        curve.stdPres = static_cast<int32_t>(value);
    m_document.SetCurve(curve);
    ShowStdConditions(1);
}

void CTervikDlg::ShowStdConditions(int decimals) {
    m_pTempEdit->setText(QString::asprintf("%.*f", decimals, m_document.Curve().stdTemp / 10.0));
    m_pPresEdit->setText(QString::asprintf("%d", m_document.Curve().stdPres));
}

void CTervikDlg::CreateChart() {
    const QPoint topLeft = m_pPlaceholder->mapToGlobal(QPoint(0, 0));
    const LCRect rc{topLeft.x(), topLeft.y(), topLeft.x() + m_pPlaceholder->width(),
                    topLeft.y() + m_pPlaceholder->height()};
    m_pPlaceholder->hide();
    m_pChart = CLCWrp::CreateChart(rc, this, 2);
    m_strXTitle = UI(kUiAxisTime);
    m_strYTitle = UI(kUiConcentration);
    if (!m_pChart)
        return;
    // The chart takes over the placeholder's place in the layout.
    for (const Anchored& a : m_anchored)
        if (a.widget == m_pPlaceholder && m_pChart->GetWnd()) {
            m_anchored.push_back({m_pChart->GetWnd(), a.rect, a.anchor, a.least});
            break;
        }
    ConfigureMainChart(m_pChart->GetChart(), m_strXTitle.toStdString(), m_strYTitle.toStdString());
    // The chart's view commands, from its menu and mouse as well.
    connect(m_pChart, &CLCWrp::viewChanged, this, [this] {
        UpdateViewButtons();
        UpdateStatistics();
    });
    if (m_pChart->GetWnd())
        m_pChart->GetWnd()->AddMenuEntry(UI(kUiCompareMenu), [this] { OnCompare(); });
    // Not every view change is followed by a notification (Auto Y from the
    // chart's menu posts none), but each one is reported at once.
    if (m_pChart->GetWnd())
        connect(m_pChart->GetWnd(), &CLC::chartNotify, this, [this](LCNotify code) {
            if (code == LCNotify::ViewChanged)
                UpdateViewButtons();
        });
}

void CTervikDlg::Relabel() {
    setWindowTitle(MainWindowCaption(GetUILanguage()));
    m_strSeriesGroup = UI(kUiData);
    m_strCorrectionGroup = UI(kUiResultsCorrection);
    m_strStatGroup = UI(kUiStatistics);
    m_strZeroGroup = UI(kUiZeroCorrection);
    m_strSourceGroup = UI(kUiDataSource);
    m_strChartGroup = UI(kUiGraphControl);
    m_pSeriesGroup->setTitle(m_strSeriesGroup);
    m_pCorrectionGroup->setTitle(m_strCorrectionGroup);
    m_pStatGroup->setTitle(m_strStatGroup);
    m_pZeroGroup->setTitle(m_strZeroGroup);
    m_pSourceGroup->setTitle(m_strSourceGroup);
    m_pChartGroup->setTitle(m_strChartGroup);
    m_pTempCheck->setText(UI(kUiStandardTemperatureC));
    m_pPresCheck->setText(UI(kUiStandardPressureMmHg));
    m_pSetup->setText(UI(kUiSetup));
    for (int i = 0; i < 6; ++i)
        m_pChartButtons[i]->setText(UI(kUiButtonScrollRight + i));
    m_pDevice->setText(UI(kUiDataSourceDevice));
    m_pFile->setText(UI(kUiDataSourceFile));
    m_pFileOrlo2->setText(UI(kUiFileOrlo2));
    m_pExport->setText(UI(kUiExport));
    m_pSave->setText(UI(kUiSave));
    m_pSaveAll->setText(UI(kUiSaveAll));
    m_pReport->setText(UI(kUiReport));
    m_pExit->setText(UI(kUiExit));
    m_pZeroList->clear();
    m_pZeroList->addItem(UI(kUiNo));
    m_pZeroList->addItem(UI(kUiYes));
}

int CTervikDlg::StatListTemplateWidth() const {
    for (const Anchored& a : m_anchored)
        if (a.widget == m_pStatListCtrl)
            return a.rect.width();
    return m_pStatListCtrl->width();
}

void CTervikDlg::SetupStatisticsList() {
    m_pStatList = new CListCtrlWrp(m_pStatListCtrl, 7, 10, 64);
    // The columns fit the list at the template's size; a narrower window
    // narrows them (LayOutControls).
    const int client = StatListTemplateWidth() - 2 * m_pStatListCtrl->frameWidth();
    const int w = (client - 25 - 100 - 150) / 5;
    m_pStatList->SetColumn(0, UI(kUiStatDate), 100);
    m_pStatList->SetColumn(1, UI(kUiStatTime), 150);
    m_pStatList->SetColumn(2, UI(kUiMean), w);
    m_pStatList->SetColumn(3, UI(kUiSd), w);
    m_pStatList->SetColumn(4, UI(kUiMin), w);
    m_pStatList->SetColumn(5, UI(kUiMax), w);
    m_pStatList->SetColumn(6, UI(kUiRange), w);
    m_pStatList->CreateColumns();
    m_pStatList->FillList();
    for (int c = 0; c < m_pStatListCtrl->columnCount(); ++c)
        m_statWidths.push_back(m_pStatListCtrl->columnWidth(c));
    LayOutControls();
}

void CTervikDlg::SetSeriesGroupCaption(const QString& text) {
    m_strSeriesGroup = text;
    // A long path loses its middle, not the file name at its end.
    const DialogGeometry du(font());
    const int room = m_pSeriesGroup->width() - du.X(8);
    m_pSeriesGroup->setTitle(QFontMetrics(m_pSeriesGroup->font()).elidedText(text, Qt::ElideMiddle, room));
}

std::vector<double> CTervikDlg::TimeValues() const {
    std::vector<double> times, results;
    PlotMeasurementPoints(m_plots, times, results);
    return times;
}

std::vector<double> CTervikDlg::ResultValues() const {
    std::vector<double> times, results;
    PlotMeasurementPoints(m_plots, times, results);
    return results;
}

void CTervikDlg::RemoveCurves() {
    if (m_pChart) {
        RemoveSeriesPlots(m_pChart->GetChart(), m_plots);
        m_pChart->Redraw();
    } else {
        m_plots.times.clear();
        m_plots.results.clear();
    }
}

CurveOptions CTervikDlg::CurrentCurveOptions() const {
    return m_document.Curve().Options();
}

const SeriesInfo* CTervikDlg::SelectedSeries() const {
    // The list's entry (FollowControls); the list can outlive the series
    // after a failed load, and the document says so.
    return m_document.SelectedSeries();
}

void CTervikDlg::ShowSelectedSeries() {
    RemoveCurves();
    const SeriesInfo* series = SelectedSeries();
    if (!series)
        return;
    if (!m_pChart)
        return;
    WaitCursor wait;
    ShowSeriesPlots(m_pChart->GetChart(), *series, m_document.Selected(), CurrentCurveOptions(),
                    UI(kUiData).toStdString(), m_plots);
    m_pChart->Redraw();
    UpdateStatistics();
    for (QPushButton* b : m_pChartButtons)
        b->setEnabled(true);
    UpdateViewButtons();
    UpdateReportButton();
}

void CTervikDlg::UpdateReportButton() {
    const bool series = SelectedSeries() != nullptr;
    for (QPushButton* b : {m_pReport, m_pExport, m_pSave, m_pSaveAll})
        b->setEnabled(series);
}

void CTervikDlg::UpdateViewButtons() {
    if (!m_pChart)
        return;
    bool can = false;
    m_pChart->CanGoPrevView(can);
    m_pChartButtons[4]->setEnabled(can);
    can = false;
    m_pChart->CanGoNextView(can);
    m_pChartButtons[5]->setEnabled(can);
}

void CTervikDlg::UpdateStatistics() {
    if (m_pSeriesList->currentIndex() < 0 || !m_pChart)
        return;
    m_pStatList->ClearList();
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    m_pChart->GetView(x1, y1, x2, y2);
    const SeriesInfo* series = SelectedSeries();
    if (series && ComputePlotStatistics(m_plots, *series, CurrentCurveOptions(), x1, x2, m_stat)) {
        const std::array<std::string, 7> cells = StatisticsCells(m_stat);
        for (int c = 0; c < 7; ++c)
            m_pStatList->SetCell(0, c, QString::fromStdString(cells[static_cast<size_t>(c)]));
    }
    m_pStatList->FillList();
}

void CTervikDlg::OnChartCommand(int (CLCWrp::*command)()) {
    if (!m_pChart)
        return;
    (m_pChart->*command)();
    UpdateViewButtons();
    UpdateStatistics();
}

void CTervikDlg::FocusChart() {
    if (m_pChart && m_pChart->GetWnd())
        m_pChart->GetWnd()->setFocus();
}

void CTervikDlg::Refresh() {
    m_pSeriesModel->Reset(nullptr, {}, {});
    RemoveCurves();
    UpdateReportButton();
    const CArchiveData* archive = m_document.Archive();
    if (!archive || archive->GetSeriesCount() == 0)
        return;
    m_strYTitle = QString::fromStdString(ChartYCaption(archive->GetKind(), GetUILanguage()));
    m_strXTitle = UI(kUiAxisTime);
    if (m_pChart)
        m_pChart->SetTitles(m_strXTitle.toStdString(), m_strYTitle.toStdString());
    m_pSeriesModel->Reset(archive, UI(kUiSeriesStart).toStdString(), UI(kUiSeriesStop).toStdString());
    m_pSeriesList->setCurrentIndex(0);
    ShowSelectedSeries();
}

bool CTervikDlg::ConfirmReplace() {
    // Every load replaces the whole archive; series read from the instrument
    // and not yet saved would be lost without a word.
    if (!m_document.HasUnsavedSeries())
        return true;
    return Prompts().Message(this, UI(kUiUnsavedReplace), IPrompts::Yes | IPrompts::No, IPrompts::Question,
                             IPrompts::No) == IPrompts::Yes;
}

void CTervikDlg::ShowProvenance() {
    const CArchiveData* archive = m_document.Archive();
    if (!archive)
        return;
    const auto caption = [archive](const DataProvenance& p) {
        return QString("%1 (%2)").arg(
            UI(kUiData), QString::fromStdString(ProvenanceText(p, archive->GetHeader(), GetUILanguage())));
    };
    // A long path loses its middle, not the file name nor the rest.
    const QFontMetrics fm(m_pSeriesGroup->font());
    const int room = m_pSeriesGroup->width() - DialogGeometry(font()).X(8);
    DataProvenance shown = m_document.Provenance();
    const QString path = QString::fromStdString(shown.path);
    shown.path.clear();
    const int rest = fm.horizontalAdvance(caption(shown));
    shown.path = fm.elidedText(path, Qt::ElideMiddle, std::max(room - rest, 0)).toStdString();
    SetSeriesGroupCaption(caption(shown));
}

int CTervikDlg::LoadFile(const ArchiveFormat& format, const QString& path, DataProvenance::Way way) {
    if (!ConfirmReplace())
        return 0;
    const QString shown = QDir::toNativeSeparators(path);
    GuiReporter reporter(this, shown); // names the file in every message
    // The window follows through OnArchiveChanged.
    return m_document.Load(format, LocalPath(path), DataProvenance::FromFile(way, shown.toStdString()),
                           reporter);
}

void CTervikDlg::OnArchiveChanged() {
    Refresh();
    if (m_document.Provenance().way != DataProvenance::Way::None)
        ShowProvenance();
    else
        SetSeriesGroupCaption(UI(kUiData)); // a failed load emptied the archive
}

void CTervikDlg::OnDevice() {
    // A read replaces the archive as a file load does.
    if (ConfirmReplace()) {
        // The dialog reads into an archive of its own and hands it to the
        // document on OK: Cancel leaves the one on screen untouched (the read
        // stays in read_backup.mnr).
        const CArchiveData* before = m_document.Archive();
        CDeviceDlg dlg(m_deviceList, m_document, this);
        // OK without a read shows the first series again.
        if (dlg.exec() == QDialog::Accepted && m_document.Archive() == before) {
            Refresh();
            ShowProvenance();
        }
    }
    FocusChart();
}

void CTervikDlg::OnFile() {
    AskAndLoad(this, DataProvenance::Way::File);
    FocusChart();
}

void CTervikDlg::OnFileOrlo2() {
    AskAndLoad(this, DataProvenance::Way::Orlo2File);
    FocusChart();
}

void CTervikDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CTervikDlg::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    QStringList paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            paths << url.toLocalFile();
    OpenFiles(paths, DataProvenance::Way::Drop);
    FocusChart();
}

void CTervikDlg::OnZeroCorrection() {
    const bool on = m_pZeroList->currentIndex() == 1;
    m_pTempCheck->setVisible(on);
    m_pPresCheck->setVisible(on);
    m_pTempEdit->setVisible(on);
    m_pPresEdit->setVisible(on);
    ShowSelectedSeries();
    FocusChart();
}

void CTervikDlg::OnSetup() {
    // The dialog sets the document's conditions and filter on OK; the
    // filter is for this run only.
    CStdCondDlg dlg(m_document, this);
    const TimeBase timeBase = dlg.m_timeBase;
    if (dlg.exec() != QDialog::Accepted)
        return;
    TervikSettings::SetRegDWord("Std", "Temp", static_cast<uint32_t>(m_document.Curve().stdTemp));
    TervikSettings::SetRegDWord("Std", "Pres", static_cast<uint32_t>(m_document.Curve().stdPres));
    if (dlg.m_timeBase != timeBase) {
        // Stored only once changed; every time shown follows it.
        TervikSettings::SetRegString("Std", kTimeBaseSetting,
                                     QString::fromStdString(TimeBaseText(dlg.m_timeBase)));
        if (const int rows = m_pSeriesModel->rowCount(); rows > 0)
            emit m_pSeriesModel->dataChanged(m_pSeriesModel->index(0), m_pSeriesModel->index(rows - 1));
    }
    ShowStdConditions(2);
    ShowSelectedSeries();
}

void CTervikDlg::OnExport() {
    const SeriesInfo* series = SelectedSeries();
    if (!series)
        return;
    const CurveOptions o = CurrentCurveOptions();
    QString name = QString::fromStdString(SeriesStartName(*series));
    if (!o.zeroCorrection)
        name += "R";
    QString path;
    int filter = 1;
    if (!Prompts().SaveFile(this, ExportFilters(), "txt", name, path, &filter))
        return;
    // The filter chooses the format; a typed extension overrides it.
    WaitCursor wait;
    int error = 0;
    if (!WriteExportFile(m_document, m_document.Selected(), o, GetUILanguage(), LocalPath(path), filter,
                         error))
        Prompts().Message(this, FileErrorText(error, QDir::toNativeSeparators(path)), IPrompts::Ok,
                          IPrompts::Exclamation);
}

void CTervikDlg::OnSave() {
    const int index = m_document.Selected();
    const SeriesInfo* series = SelectedSeries();
    if (!series)
        return;
    QString path;
    if (!Prompts().SaveFile(this, {{UI(kUiMonitoringDataMnr), "*.mnr"}}, "mnr",
                            QString::fromStdString(SeriesStartName(*series)), path))
        return;
    WaitCursor wait;
    m_document.SaveSeries(index, LocalPath(path));
}

void CTervikDlg::OnSaveAll() {
    const CArchiveData* archive = m_document.Archive();
    if (m_pSeriesList->count() == 0 || !archive)
        return;
    QString folder;
    if (!Prompts().ChooseFolder(this, UI(kUiSelectFolderData), QDir::currentPath(), folder))
        return;
    // Series starting in the same second get distinct names instead of
    // overwriting one another.
    const std::vector<std::string> names = SaveAllFileNames(*archive);
    const int n = std::min<int>(m_pSeriesList->count(), static_cast<int>(names.size()));
    int saved = 0;
    for (int i = 0; i < n; ++i) {
        WaitCursor wait;
        if (m_document.SaveSeries(i, LocalPath(QDir(folder).filePath(QString::fromStdString(names[i])))) > 0)
            ++saved;
    }
    // Each failure has had its own message; this says what there is to find, and where.
    QString text = UI(kUiFilesSavedFolder);
    for (const QString& arg : {QString::number(saved), QString::number(n), QDir::toNativeSeparators(folder)})
        if (const qsizetype at = text.indexOf("%s"); at >= 0)
            text.replace(at, 2, arg);
    Prompts().Message(this, text, IPrompts::Ok, IPrompts::Information);
}

std::unique_ptr<CReportDlg> CTervikDlg::CreateReportDlg() {
    const SeriesInfo* series = SelectedSeries();
    if (!series)
        return nullptr;
    ReportOptions options;
    options.series = m_document.Selected();
    options.curve = CurrentCurveOptions();
    double y1 = 0, y2 = 0;
    if (m_pChart)
        m_pChart->GetView(options.viewMin, y1, options.viewMax, y2);
    options.language = GetUILanguage();
    const YCaptionOffsets caption = YAxisCaptionOffsets(m_document.Archive()->GetKind());
    auto dlg = std::make_unique<CReportDlg>(m_document, options, UI(caption.unit), this);
    dlg->SetPdfWriter(m_reportPdfWriter);
    return dlg;
}

void CTervikDlg::OnReport() {
    if (std::unique_ptr<CReportDlg> dlg = CreateReportDlg())
        dlg->exec();
    FocusChart();
}

void CTervikDlg::OnCompare() {
    CCompareDlg dlg(m_document, CurrentCurveOptions(), m_strYTitle, this);
    dlg.exec();
    FocusChart();
}

void CTervikDlg::OnLanguage() {
    CLangDlg dlg(this);
    if (dlg.exec() == QDialog::Accepted)
        Prompts().Message(this, UI(kUiRestartApplication), IPrompts::Ok, IPrompts::Information);
}

bool CTervikDlg::ExitGuard() {
    if (!m_document.HasUnsavedSeries())
        return true;
    // No is the default: Enter pressed twice must not lose an unsaved read.
    return Prompts().Message(this, UI(kUiUnsavedExit), IPrompts::Yes | IPrompts::No, IPrompts::Question,
                             IPrompts::No) == IPrompts::Yes;
}

void CTervikDlg::keyPressEvent(QKeyEvent* event) {
    // A chart gesture holds the mouse but not the focus, which often stays on
    // the button clicked last: Escape then ends the gesture, or clears the
    // selection, not the program.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_pChart &&
        m_pChart->GetWnd() && m_pChart->GetWnd()->TakeEscape()) {
        event->accept();
        return;
    }
    // Enter after a click on the chart, the list or a chart button must not
    // end the program: only the Exit button takes it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() == m_pExit && m_pExit->isEnabled())
            m_pExit->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTervikDlg::accept() {
    if (ExitGuard()) {
        SaveWindowSettings();
        QDialog::accept();
    }
}

void CTervikDlg::reject() {
    // Esc and the close box leave the way the Exit button does.
    if (ExitGuard()) {
        SaveWindowSettings();
        QDialog::accept();
    }
}
