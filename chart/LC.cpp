// The chart window: its surface, painting, commands and menus.

#include "LC.h"

#include "StringTable.h"

#include <QMenu>
#include <QPainter>

#include <cmath>
#include <cstring>

CLC::CLC(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // A click hands the chart the keys its view answers; Tab passes it by as before.
    setFocusPolicy(Qt::ClickFocus);
}

CLC::~CLC() = default;

std::unique_ptr<IGdiDC> CLC::OpenWindowDC() {
    if (m_surface.isNull())
        return nullptr;
    return std::make_unique<WindowDC>(this);
}

void CLC::Post(LCViewNotice id) {
    QMetaObject::invokeMethod(
        this, [this, id] { emit viewChanged(id); }, Qt::QueuedConnection);
}

void CLC::OnCommand(int id) {
    switch (id) {
    case CmdAllData:
        m_core.ShowAllData();
        Redraw();
        Post(LCViewNotice::AllData);
        break;
    case CmdPrevView:
        Model().GoPrevView();
        Redraw();
        Post(LCViewNotice::PrevView);
        break;
    case CmdNextView:
        Model().GoNextView();
        Redraw();
        Post(LCViewNotice::NextView);
        break;
    case CmdZoomIn:
        if (m_core.ZoomToSelection()) {
            Redraw();
            Post(LCViewNotice::ZoomIn);
        }
        break;
    case CmdLegend:
        Painter().ToggleLegend();
        Redraw();
        break;
    case CmdScrollLeft:
        Model().ScrollLeft();
        Redraw();
        Post(LCViewNotice::ScrollLeft);
        break;
    case CmdScrollRight:
        Model().ScrollRight();
        Redraw();
        Post(LCViewNotice::ScrollRight);
        break;
    case CmdAutoY:
        m_core.AutoScaleY();
        break;
    case CmdExportImage:
        ExportImage();
        break;
    default:
        break;
    }
}

void CLC::BuildContextMenu(QMenu* menu) {
    auto add = [&](int id, int offset, bool enabled) {
        QAction* a = menu->addAction(QString::fromStdString(LoadUIString(offset)));
        a->setData(id);
        a->setEnabled(enabled);
    };
    add(CmdPrevView, 37, Model().CanGoPrevView());
    add(CmdNextView, 38, Model().CanGoNextView());
    menu->addSeparator();
    add(CmdAllData, 41, Model().HasPlots());
    add(CmdAutoY, 42, Model().HasPlots());
    menu->addSeparator();
    add(CmdScrollLeft, 39, Model().HasPlots());
    add(CmdScrollRight, 40, Model().HasPlots());
    menu->addSeparator();
    add(CmdExportImage, 44, Model().HasPlots());
    if (!m_ownerEntries.empty())
        menu->addSeparator();
    for (const auto& [text, run] : m_ownerEntries)
        connect(menu->addAction(text), &QAction::triggered, this, run);
}

void CLC::AddMenuEntry(const QString& text, std::function<void()> run) {
    m_ownerEntries.emplace_back(text, std::move(run));
}

void CLC::BuildSelectionMenu(QMenu* menu) {
    QAction* a = menu->addAction(QStringLiteral("Zoom in"));
    a->setData(static_cast<int>(CmdZoomIn));
}

// ---------------------------------------------------------------------------
// Surface and painting

void CLC::Resizing(int cx, int cy) {
    m_kept.valid = false;
    if (m_surface.width() != cx || m_surface.height() != cy) {
        m_surface = cx > 0 && cy > 0 ? QImage(cx, cy, QImage::Format_RGB32) : QImage();
        if (!m_surface.isNull())
            m_surface.fill(Qt::white);
        m_bNeedsPaint = true;
    }
}

void CLC::Redraw() {
    PaintSurface();
    if (isVisible())
        repaint();
}

void CLC::PaintSurface() {
    m_kept.valid = false;
    if (m_surface.isNull())
        return;
    m_bKeepData = true;
    {
        CImageDC dc(m_surface);
        Painter().RunPaint(dc, true);
    }
    m_bKeepData = false;
    m_bNeedsPaint = false;
}

void CLC::DataDrawn() {
    if (!m_bKeepData)
        return;
    if (m_kept.image.size() != m_surface.size() || m_kept.image.format() != m_surface.format())
        m_kept.image = QImage(m_surface.size(), m_surface.format());
    if (m_kept.image.isNull())
        return;
    std::memcpy(m_kept.image.bits(), m_surface.constBits(), static_cast<size_t>(m_surface.sizeInBytes()));
    m_kept.valid = true;
    m_kept.plot = Painter().PlotRect();
    m_kept.client = Painter().ClientRect();
    m_kept.xMin = Model().XMin();
    m_kept.yMin = Model().YMin();
    m_kept.xMax = Model().XMax();
    m_kept.yMax = Model().YMax();
    m_kept.current = Model().GetCurrentPlot();
    m_kept.plots = static_cast<size_t>(Model().GetPlotCount());
}

bool CLC::RestoreData() {
    const KeptData& k = m_kept;
    if (m_bNeedsPaint || !k.valid || k.image.size() != m_surface.size() ||
        k.image.format() != m_surface.format() || k.plot != Painter().PlotRect() ||
        k.client != Painter().ClientRect() || k.xMin != Model().XMin() || k.yMin != Model().YMin() ||
        k.xMax != Model().XMax() || k.yMax != Model().YMax() || k.current != Model().GetCurrentPlot() ||
        k.plots != static_cast<size_t>(Model().GetPlotCount()))
        return false;
    std::memcpy(m_surface.bits(), k.image.constBits(), static_cast<size_t>(k.image.sizeInBytes()));
    {
        CImageDC dc(m_surface);
        Painter().DrawOverlays(dc, true);
    }
    if (isVisible())
        repaint();
    return true;
}

QPoint CLC::ToDevice(const QPointF& p) const {
    const double r = Painter().PixelRatio();
    return {static_cast<int>(std::floor(p.x() * r)), static_cast<int>(std::floor(p.y() * r))};
}

void CLC::LayoutToWidget() {
    // The surface has the screen's own pixels, so the chart is drawn sharp
    // rather than enlarged.
    Painter().SetPixelRatio(devicePixelRatioF());
    const double r = Painter().PixelRatio();
    Layout(static_cast<int>(std::lround(width() * r)), static_cast<int>(std::lround(height() * r)));
}

void CLC::paintEvent(QPaintEvent*) {
    if (m_surface.width() != std::lround(width() * devicePixelRatioF()) ||
        m_surface.height() != std::lround(height() * devicePixelRatioF()) ||
        Painter().PixelRatio() != devicePixelRatioF())
        LayoutToWidget();
    if (m_bNeedsPaint && !m_surface.isNull())
        PaintSurface();
    // One surface pixel to one screen pixel. The surface itself carries no
    // pixel ratio: a painter on it would scale the chart's texts a second time.
    const double r = Painter().PixelRatio();
    QPainter p(this);
    p.drawImage(QRectF(0, 0, m_surface.width() / r, m_surface.height() / r), m_surface);
}

void CLC::resizeEvent(QResizeEvent*) {
    LayoutToWidget();
    m_bNeedsPaint = true;
}
