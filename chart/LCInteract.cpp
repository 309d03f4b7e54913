// Mouse and keyboard handling of the chart.

#include "LC.h"

#include "ChartText.h"
#include "ImageDC.h"
#include "Prompts.h"
#include "StringTable.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
LCRect Normalized(LCRect r) {
    r.NormalizeRect();
    return r;
}

unsigned ButtonFlags(const QMouseEvent* e) {
    unsigned f = 0;
    if (e->buttons() & Qt::LeftButton)
        f |= 0x1;
    if (e->buttons() & Qt::RightButton)
        f |= 0x2;
    if (e->modifiers() & Qt::ShiftModifier)
        f |= 0x4;
    if (e->modifiers() & Qt::ControlModifier)
        f |= 0x8;
    if (e->buttons() & Qt::MiddleButton)
        f |= 0x10;
    return f;
}
} // namespace

bool CLC::Callback(int slot, unsigned buttons, int x, int y, void* extra) {
    if (!m_pCallbacks || !(m_pCallbacks->mask & (1u << slot)) || !m_pCallbacks->callbacks[slot])
        return true;
    return m_pCallbacks->callbacks[slot](buttons, x, y, extra) != 0;
}

void CLC::Clamp(int& x, int& y) const {
    const LCRect& p = Painter().PlotRect();
    x = std::clamp(x, p.left, std::max(p.left, p.right));
    y = std::clamp(y, p.top, std::max(p.top, p.bottom));
}

void CLC::PixelToData(int px, int py, double& x, double& y) const {
    const LCRect& p = Painter().PlotRect();
    const double w = p.right - p.left + 1, h = p.bottom - p.top + 1;
    x = Model().XMin() + (Model().XMax() - Model().XMin()) * (px - p.left) / w;
    y = Model().YMin() + (Model().YMax() - Model().YMin()) * (p.bottom - py) / h;
}

int CLC::HitTestSelection(int x, int y) const {
    if (Interaction().Selection().IsRectEmpty())
        return 0;
    const int k = Painter().SelectionBorder() + 1, h = Painter().Px(3);
    const LCRect& s = Interaction().Selection();
    const int L = s.left, T = s.top, R = s.right, B = s.bottom;
    const int cx = (L + R) / 2, cy = (T + B) / 2;
    const struct {
        LCRect box;
        int mode;
    } boxes[] = {
        {{L - k, T - k, L, T}, 8},
        {{L - k, B + 1, L, B + k + 1}, 10},
        {{R + 1, T - k, R + k + 1, T}, 9},
        {{R + 1, B + 1, R + k + 1, B + k + 1}, 11},
        {{L - k, cy - h, L, cy + h}, 5},
        {{cx - h, T - k, cx + h, T}, 6},
        {{R + 1, cy - h, R + k + 1, cy + h}, 4},
        {{cx - h, B + 1, cx + h, B + k + 1}, 7},
        {{L, T, R, B}, 3},
    };
    for (const auto& b : boxes)
        if (b.box.PtInRect({x, y}))
            return b.mode;
    return 0;
}

void CLC::SetDragCursor(int mode) {
    if (mode == 1) {
        const LCRect& d = m_rcDrag;
        const LCPoint& p = m_ptPress;
        mode = d.left < p.x && d.top < p.y ? 8 : 11;
        if (p.x < d.right && p.y < d.bottom)
            mode = 11;
        if (d.left < p.x && p.y < d.bottom)
            mode = 10;
        if (p.x < d.right && d.top < p.y)
            mode = 9;
    }
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (mode) {
    case 3:
        shape = Qt::SizeAllCursor;
        break;
    case 4:
    case 5:
        shape = Qt::SizeHorCursor;
        break;
    case 6:
    case 7:
        shape = Qt::SizeVerCursor;
        break;
    case 8:
    case 11:
        shape = Qt::SizeFDiagCursor;
        break;
    case 9:
    case 10:
        shape = Qt::SizeBDiagCursor;
        break;
    default:
        break;
    }
    setCursor(shape);
}

void CLC::OnLButtonDown(int x, int y) {
    if (!Model().HasPlots())
        return;
    if (isVisible())
        grabMouse();
    m_bCaptured = true;
    m_bDragFirstFrame = true;
    m_ptPress = {x, y};
    m_rcDrag = Interaction().Selection();
    const int mode = HitTestSelection(x, y);
    if (mode != 0) {
        m_nDragMode = mode;
        SetDragCursor(mode);
        return;
    }
    Clamp(x, y);
    m_ptPress = {x, y};
    Interaction().SetCrossPoint(m_ptPress);
    m_rcDrag.SetRectEmpty();
    if (!Interaction().Selection().IsRectEmpty()) {
        Interaction().SetSelection({});
        if (!RestoreData())
            Redraw();
    }
    m_nDragMode = 2;
    double dx, dy;
    PixelToData(x, y, dx, dy);
    const HitRect* hit = Interaction().FindHit(x, y);
    if (hit) {
        Interaction().SetHighlightPoint({x, y});
        {
            WindowDC w(this);
            Painter().DrawPlot(w, hit->pPlot, true);
        }
        Interaction().SetReadout(hit->dX, hit->dY);
        Interaction().SetReadoutNote(Interaction().NoteAt(x, y, *hit));
        Interaction().SetPointHit(true);
    } else {
        Interaction().SetReadout(dx, dy);
        Interaction().SetPointHit(false);
    }
    Painter().DrawCross(nullptr, x, y);
    Interaction().SetCrossVisible(true);
    Painter().DrawReadout(nullptr);
    Painter().DrawLegend(nullptr);
    Painter().DrawInfoStrip(nullptr, hit);
}

void CLC::DrawDragFrame(const LCRect& rc, bool removePrevious) {
    if (m_surface.isNull())
        return;
    WindowDC w(this);
    const GdiBrush brush =
        GdiBrush::SolidBrush((Painter().SelectionColor() ^ Painter().PlotBackColor()) & 0xFFFFFF);
    const int b = Painter().SelectionBorder();
    auto frame = [&](const LCRect& r) {
        w.PatBlt({r.left - b, r.top - b, r.right + b, r.top}, brush, Rop::Xor);
        w.PatBlt({r.left - b, r.bottom, r.right + b, r.bottom + b}, brush, Rop::Xor);
        w.PatBlt({r.left - b, r.top, r.left, r.bottom}, brush, Rop::Xor);
        w.PatBlt({r.right, r.top, r.right + b, r.bottom}, brush, Rop::Xor);
    };
    if (removePrevious)
        frame(m_rcDrag);
    frame(rc);
}

void CLC::OnMouseMove(int x, int y) {
    if (!Model().HasPlots())
        return;
    if (m_nDragMode != 0)
        SetDragCursor(m_nDragMode);
    else if (!Interaction().Selection().IsRectEmpty())
        SetDragCursor(HitTestSelection(x, y));
    if (m_nDragMode == 0)
        return;
    const LCRect& S = Interaction().Selection();
    const LCRect& P = Painter().PlotRect();
    const int dx = x - m_ptPress.x, dy = y - m_ptPress.y;
    bool formed = false;
    LCRect N;
    switch (m_nDragMode) {
    case 1:
        Clamp(x, y);
        N = {m_ptPress.x, m_ptPress.y, x, y};
        formed = true;
        break;
    case 2:
        Clamp(x, y);
        Painter().DrawCross(nullptr, Interaction().CrossPoint().x, Interaction().CrossPoint().y);
        Interaction().SetCrossPoint({x, y});
        if (std::abs(m_ptPress.x - x) > Painter().Px(20) || std::abs(m_ptPress.y - y) > Painter().Px(20)) {
            m_nDragMode = 1;
            Interaction().SetSelection({});
            m_rcDrag.SetRectEmpty();
            m_bDragFirstFrame = true;
            Interaction().SetCrossVisible(false);
            N = {m_ptPress.x, m_ptPress.y, x, y};
            formed = true;
        } else {
            Painter().DrawCross(nullptr, x, y);
        }
        break;
    case 3: {
        N = Normalized({S.left + dx, S.top + dy, S.right + dx, S.bottom + dy});
        const int w = N.right - N.left, h = N.bottom - N.top;
        if (N.left < P.left)
            N.left = P.left, N.right = P.left + w;
        if (N.top < P.top)
            N.top = P.top, N.bottom = P.top + h;
        if (N.right > P.right)
            N.right = P.right, N.left = P.right - w;
        if (N.bottom > P.bottom)
            N.bottom = P.bottom, N.top = P.bottom - h;
        formed = true;
        break;
    }
    default: {
        const int m = m_nDragMode;
        const bool left = m == 5 || m == 8 || m == 10, right = m == 4 || m == 9 || m == 11;
        const bool top = m == 6 || m == 8 || m == 9, bottom = m == 7 || m == 10 || m == 11;
        N = S;
        if (left)
            N.left = std::clamp(S.left + dx, P.left, P.right);
        if (right)
            N.right = std::clamp(S.right + dx, P.left, P.right);
        if (top)
            N.top = std::clamp(S.top + dy, P.top, P.bottom);
        if (bottom)
            N.bottom = std::clamp(S.bottom + dy, P.top, P.bottom);
        formed = m_nDragMode >= 4 && m_nDragMode <= 11;
        break;
    }
    }
    if (formed) {
        N.NormalizeRect();
        DrawDragFrame(N, !m_bDragFirstFrame);
        m_rcDrag = N;
        m_bDragFirstFrame = false;
    }
    if (m_nDragMode != 3) {
        int cx = x, cy = y;
        Clamp(cx, cy);
        if (const HitRect* hit = Interaction().FindHit(cx, cy)) {
            Interaction().SetReadout(hit->dX, hit->dY);
            Interaction().SetReadoutNote(Interaction().NoteAt(cx, cy, *hit));
        } else {
            double vx, vy;
            PixelToData(cx, cy, vx, vy);
            Interaction().SetReadout(vx, vy);
        }
        Painter().DrawReadout(nullptr);
    }
    Painter().DrawLegend(nullptr);
}

void CLC::OnLButtonUp(int, int) {
    if (!Model().HasPlots())
        return;
    if (m_bCaptured && mouseGrabber() == this)
        releaseMouse();
    m_bCaptured = false;
    Interaction().HideReadout();
    Interaction().SetCrossVisible(false);
    if (m_nDragMode == 2) {
        Painter().DrawCross(nullptr, Interaction().CrossPoint().x, Interaction().CrossPoint().y);
        Redraw();
        Painter().DrawLegend(nullptr);
    } else if (m_nDragMode == 1 || (m_nDragMode >= 3 && m_nDragMode <= 11)) {
        Interaction().SetSelection(m_rcDrag.IsRectEmpty() ? LCRect{} : m_rcDrag);
        Send(LCNotify::SelectionChanged);
        Redraw();
        Interaction().SetHighlightRect(Interaction().Selection());
        Painter().DrawPlots(nullptr, true);
        Painter().DrawSelection(nullptr);
        Painter().DrawLegend(nullptr);
    }
    m_nDragMode = 0;
}

void CLC::OnLButtonDblClk(int x, int y) {
    if (!Model().HasPlots())
        return;
    if (HitTestSelection(x, y) != 3) {
        OnLButtonDown(x, y);
        return;
    }
    const LCRect& s = Interaction().Selection();
    const LCRect& p = Painter().PlotRect();
    const double w = p.right - p.left + 1, h = p.bottom - p.top + 1;
    const double sx = Model().XMax() - Model().XMin(), sy = Model().YMax() - Model().YMin();
    const double x1 = s.left == p.left ? Model().XMin() : Model().XMin() + sx * (s.left - p.left) / w;
    const double x2 = s.right == p.right ? Model().XMax() : Model().XMin() + sx * (s.right - p.left + 1) / w;
    const double y1 = s.bottom == p.bottom ? Model().YMin() : Model().YMin() + sy * (p.bottom - s.bottom) / h;
    const double y2 = s.top == p.top ? Model().YMax() : Model().YMin() + sy * (p.bottom - s.top + 1) / h;
    if (!Model().SetView(x1, y1, x2, y2))
        Prompts().Message(this, QString::fromStdString(LoadUIString(kUiZoomLimit)), IPrompts::Ok,
                          IPrompts::NoIcon);
    Interaction().SetSelection({});
    Send(LCNotify::SelectionChanged);
    Redraw();
    Post(LCViewNotice::ZoomIn);
}

void CLC::OnEscape() {
    if (!Model().HasPlots())
        return;
    m_nDragMode = 0;
    // The read-out and the cross-hair belong to the gesture; the redraw
    // would paint them again.
    Interaction().HideReadout();
    Interaction().SetCrossVisible(false);
    setCursor(Qt::ArrowCursor);
    Redraw();
}

bool CLC::TakeEscape() {
    if (GestureUnderWay()) {
        OnEscape();
        return true;
    }
    if (!Model().HasPlots() || Interaction().Selection().IsRectEmpty())
        return false;
    Interaction().SetSelection({});
    Send(LCNotify::SelectionChanged);
    if (!RestoreData())
        Redraw();
    return true;
}

void CLC::FinishZoom(bool accepted, bool narrowing) {
    if (accepted) {
        Redraw();
        Post(LCViewNotice::ZoomIn);
    } else if (narrowing && !m_bZoomLimitTold) {
        m_bZoomLimitTold = true;
        Prompts().Message(this, QString::fromStdString(LoadUIString(kUiZoomLimit)), IPrompts::Ok,
                          IPrompts::NoIcon);
    }
}

void CLC::OnWheel(int x, int y, int delta, unsigned modifiers) {
    if (!Model().HasPlots() || m_nDragMode != 0)
        return;
    modifiers &= 0x4 | 0x8;
    if (modifiers != m_nWheelMode) {
        m_nWheelMode = modifiers;
        m_nWheelRest = 0;
    }
    // High-resolution wheels and touchpads send fractions of a notch; one
    // view (and one history entry) per whole notch.
    m_nWheelRest += delta;
    const int notches = m_nWheelRest / 120;
    if (notches == 0)
        return;
    m_nWheelRest -= notches * 120;
    if (modifiers & 0x4) {
        // Away from the user (positive) scrolls back in time.
        if (Model().ScrollBy(-notches)) {
            Redraw();
            Post(notches > 0 ? LCViewNotice::ScrollLeft : LCViewNotice::ScrollRight);
        }
        return;
    }
    Clamp(x, y);
    double dx, dy;
    PixelToData(x, y, dx, dy);
    const double factor = std::pow(kZoomStep, notches);
    FinishZoom(modifiers & 0x8 ? Model().ZoomY(factor, dy) : Model().ZoomX(factor, dx), notches > 0);
}

bool CLC::OnViewKey(int key, Qt::KeyboardModifiers modifiers) {
    modifiers &= ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier, alt = modifiers == Qt::AltModifier;
    int command = 0;
    if (plain && key == Qt::Key_Left)
        command = CmdScrollLeft;
    else if (plain && key == Qt::Key_Right)
        command = CmdScrollRight;
    else if (plain && key == Qt::Key_Home)
        command = CmdAllData;
    else if ((plain && key == Qt::Key_Backspace) || (alt && key == Qt::Key_Left))
        command = CmdPrevView;
    else if (alt && key == Qt::Key_Right)
        command = CmdNextView;
    const bool zoomIn = key == Qt::Key_Plus || key == Qt::Key_Equal;
    const bool zoomOut = key == Qt::Key_Minus;
    // + is Shift+= on many layouts.
    const bool zoomMods = plain || modifiers == Qt::ShiftModifier;
    if (command == 0 && !(zoomMods && (zoomIn || zoomOut)))
        return false;
    if (!Model().HasPlots() || m_nDragMode != 0)
        return true;
    if (command != 0) {
        OnCommand(command);
        return true;
    }
    FinishZoom(Model().ZoomX(zoomIn ? kZoomStep : 1 / kZoomStep, (Model().XMin() + Model().XMax()) / 2),
               zoomIn);
    return true;
}

void CLC::wheelEvent(QWheelEvent* e) {
    const QPoint p = ToDevice(e->position());
    // Some platforms turn Shift+wheel into a horizontal wheel.
    const QPoint a = e->angleDelta();
    const int delta = a.y() != 0 ? a.y() : a.x();
    unsigned mods = 0;
    if (e->modifiers() & Qt::ShiftModifier)
        mods |= 0x4;
    if (e->modifiers() & Qt::ControlModifier)
        mods |= 0x8;
    OnWheel(p.x(), p.y(), delta, mods);
    e->accept();
}

void CLC::ShowMenuAt(const QPoint& local) {
    QMenu menu(this);
    const QPoint d = ToDevice(local);
    if (Interaction().Selection().PtInRect({d.x(), d.y()}))
        BuildSelectionMenu(&menu);
    else
        BuildContextMenu(&menu);
    QAction* chosen = menu.exec(mapToGlobal(local));
    if (chosen && chosen->data().isValid())
        OnCommand(chosen->data().toInt());
}

void CLC::mousePressEvent(QMouseEvent* e) {
    const QPoint p = ToDevice(e->position());
    if (e->button() == Qt::LeftButton) {
        if (Callback(1, ButtonFlags(e), p.x(), p.y(), nullptr))
            OnLButtonDown(p.x(), p.y());
    } else if (e->button() == Qt::RightButton) {
        Callback(4, ButtonFlags(e), p.x(), p.y(), nullptr);
    }
}

void CLC::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = ToDevice(e->position());
    if (Callback(6, ButtonFlags(e), p.x(), p.y(), nullptr))
        OnMouseMove(p.x(), p.y());
}

void CLC::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = ToDevice(e->position());
    if (e->button() == Qt::LeftButton) {
        if (!Model().HasPlots())
            return;
        const bool band = m_nDragMode == 1 || (m_nDragMode >= 3 && m_nDragMode <= 11);
        if (Callback(2, ButtonFlags(e), p.x(), p.y(), band ? &m_rcDrag : nullptr))
            OnLButtonUp(p.x(), p.y());
    } else if (e->button() == Qt::RightButton) {
        if (Callback(5, ButtonFlags(e), p.x(), p.y(), nullptr) && Model().HasPlots())
            ShowMenuAt(e->position().toPoint());
    }
}

void CLC::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint p = ToDevice(e->position());
    if (e->button() != Qt::LeftButton)
        return;
    if (Callback(3, ButtonFlags(e), p.x(), p.y(), nullptr))
        OnLButtonDblClk(p.x(), p.y());
}

void CLC::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && TakeEscape()) {
        // Escape abandons the gesture under way, or clears the selection,
        // and goes no further: it must not also close the window around the chart.
        e->accept();
        return;
    }
    if (OnViewKey(e->key(), e->modifiers())) {
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Escape)
        OnEscape();
    QWidget::keyPressEvent(e); // on to the window, whose Escape is its own
}
