#pragma once

// The chart window: the chart of LCCore.h on screen, with the mouse
// gestures, the keyboard, the popup menus and the picture export.

#include "ImageDC.h"
#include "LCCore.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <string>

class QMenu;

// The owner's event callbacks: slot n runs when bit n of the mask is set;
// a slot returning 0 replaces the chart's own handling.
struct LCCallbacks {
    using Fn = int (*)(unsigned buttons, int x, int y, void* extra);
    Fn callbacks[7] = {};
    unsigned mask = 0;
};

class CLC : public QWidget, public CLCCore {
    Q_OBJECT

  public:
    enum Command {
        CmdAllData = 1,
        CmdPrevView,
        CmdNextView,
        CmdZoomIn,
        CmdLegend,
        CmdScrollLeft,
        CmdScrollRight,
        CmdAutoY,
        CmdExportImage
    };
    // Notifications of the view commands (the parent's timer identifiers).
    enum Notification {
        NotifyAllData = 1001,
        NotifyPrevView = 1002,
        NotifyNextView = 1003,
        NotifyZoomIn = 1004,
        NotifyScrollLeft = 1006,
        NotifyScrollRight = 1007
    };

    explicit CLC(QWidget* parent = nullptr);
    ~CLC() override;

    // Runs a menu command (ids 1 to 9).
    void OnCommand(int id);
    virtual void BuildContextMenu(QMenu* menu);
    virtual void BuildSelectionMenu(QMenu* menu);

    // Layout for a client area of cx by cy pixels; the surface follows the size.
    void Layout(int cx, int cy) override;

    // Immediate full repaint.
    void Redraw() override;
    // The window's surface as the last drawing left it.
    const QImage& Surface() const { return m_surface; }

    // Interaction (mouse positions in client pixels).
    int HitTestSelection(int x, int y) const;
    void SetDragCursor(int mode);
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp(int x, int y);
    void OnLButtonDblClk(int x, int y);
    void OnEscape();
    // Escape before it reaches the window: ends a gesture under way, or else
    // clears the selection; false when there was neither.
    bool TakeEscape();
    // The wheel at (x, y): delta in eighths of a degree (120 a notch of a
    // common wheel), modifiers as the callbacks' flags (4 Shift, 8 Ctrl).
    // Zooms x about the pointer, with Ctrl y, with Shift scrolls x.
    void OnWheel(int x, int y, int delta, unsigned modifiers);
    // The view keys; false for any other key, which goes on to the parent.
    bool OnViewKey(int key, Qt::KeyboardModifiers modifiers);
    // One notch of the wheel, and one press of + or -, zooms by this factor.
    static constexpr double kZoomStep = 1.25;
    // A left-button gesture (cross-hair, band, moving the selection) is under way.
    bool GestureUnderWay() const { return HasPlots() && m_nDragMode != 0; }
    void SetCallbacks(LCCallbacks* callbacks) { m_pCallbacks = callbacks; }

    // Command 9: asks for a file name and writes the chart as a picture.
    void ExportImage();
    // Writes the chart's picture of its client size; the format follows the
    // extension (jpg, bmp, gif, png, emf; case-insensitive). False when
    // nothing could be written.
    bool SaveImage(const std::string& path);

    // The gesture under way: 0 none, 1 a rubber band, 2 the cross-hair, 3
    // moving the selection, 4 to 11 moving its edges and corners.
    int DragMode() const { return m_nDragMode; }
    bool IsCaptured() const { return m_bCaptured; }
    const LCPoint& PressPoint() const { return m_ptPress; }

  signals:
    // A view command finished (Notification ids); delivered through the
    // event loop, as a posted message would be.
    void viewChanged(int id);
    // Sent at once: 1 the view changed, 2 the selection changed.
    void chartNotify(int code);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    void Notify(int code) override { emit chartNotify(code); }
    // The surface still holds the old view; the next paint must not show it.
    void ViewAccepted() override {
        m_bNeedsPaint = true;
        m_bZoomLimitTold = false;
    }
    std::unique_ptr<IGdiDC> OpenWindowDC() override;
    void DataDrawn() override;

  private:
    // A context on the window's surface for drawing outside painting; the
    // screen is refreshed from the surface when it goes.
    class WindowDC : public CImageDC {
      public:
        explicit WindowDC(CLC* chart) : CImageDC(chart->m_surface), m_owner(chart) {}
        ~WindowDC() override { m_owner->update(); }
        WindowDC(const WindowDC&) = delete;
        WindowDC& operator=(const WindowDC&) = delete;

      private:
        CLC* m_owner;
    };
    void Post(int id);
    void Send(int code) { Notify(code); }
    void Clamp(int& x, int& y) const;
    void PixelToData(int px, int py, double& x, double& y) const;
    void DrawDragFrame(const LCRect& rc, bool removePrevious);
    bool Callback(int slot, unsigned buttons, int x, int y, void* extra);
    void ShowMenuAt(const QPoint& local);
    // A widget position in the surface's device pixels.
    QPoint ToDevice(const QPointF& p) const;
    // Layout for the widget's size in device pixels, at its pixel ratio.
    void LayoutToWidget();
    // A wheel or key zoom: redraw and notify when accepted; refused while
    // narrowing, the zoom limit's message once, not again for every notch.
    void FinishZoom(bool accepted, bool narrowing);

    // A full paint of the surface; keeps the data layer for RestoreData.
    void PaintSurface();
    // Redraws the overlays on the data layer of the last paint instead of
    // repainting the data (a million markers take far longer); false when
    // that layer no longer matches the chart.
    bool RestoreData();

    QImage m_surface;
    bool m_bNeedsPaint = true;
    // The surface after the data of the last paint, before the overlays,
    // with what it was drawn for.
    struct KeptData {
        QImage image; // kept between paints of one size, so a paint copies into it without allocating
        bool valid = false;
        LCRect plot, client;
        double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
        LCPosition current = nullptr;
        size_t plots = 0;
    };
    KeptData m_kept;
    bool m_bKeepData = false;
    int m_nDragMode = 0;
    bool m_bCaptured = false;
    LCPoint m_ptPress;
    LCRect m_rcDrag;
    bool m_bDragFirstFrame = false;
    LCCallbacks* m_pCallbacks = nullptr;
    int m_nWheelRest = 0;      // eighths of a degree short of a whole notch
    unsigned m_nWheelMode = 0; // the modifiers m_nWheelRest was gathered with
    bool m_bZoomLimitTold = false;
};
