#pragma once

// The chart window: a chart of LCCore.h on screen, with the mouse
// gestures, the keyboard, the popup menus and the picture export. The
// window holds the chart; its model, interaction state and painter are
// reached through it.

#include "ImageDC.h"
#include "LCCore.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QMenu;

// The owner's event callbacks: slot n runs when bit n of the mask is set;
// a slot returning 0 replaces the chart's own handling.
struct LCCallbacks {
    using Fn = int (*)(unsigned buttons, int x, int y, void* extra);
    Fn callbacks[7] = {};
    unsigned mask = 0;
};

// What the window posts to its owner after a view command (the parent's
// timer identifiers).
enum class LCViewNotice {
    AllData = 1001,
    PrevView = 1002,
    NextView = 1003,
    ZoomIn = 1004,
    ScrollLeft = 1006,
    ScrollRight = 1007
};

class CLC : public QWidget, private ILCChartHost {
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
    explicit CLC(QWidget* parent = nullptr);
    ~CLC() override;

    CLCCore& Core() { return m_core; }
    const CLCCore& Core() const { return m_core; }
    CLCModel& Model() { return m_core.Model(); }
    const CLCModel& Model() const { return m_core.Model(); }
    CLCInteraction& Interaction() { return m_core.Interaction(); }
    const CLCInteraction& Interaction() const { return m_core.Interaction(); }
    CLCPainter& Painter() { return m_core.Painter(); }
    const CLCPainter& Painter() const { return m_core.Painter(); }

    // Runs a menu command (ids 1 to 9).
    void OnCommand(int id);
    virtual void BuildContextMenu(QMenu* menu);
    virtual void BuildSelectionMenu(QMenu* menu);
    // An entry of the owner's at the end of the context menu: text, and what
    // choosing it runs.
    void AddMenuEntry(const QString& text, std::function<void()> run);

    // Layout for a client area of cx by cy pixels; the surface follows the size.
    void Layout(int cx, int cy) { m_core.Layout(cx, cy); }

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
    bool GestureUnderWay() const { return Model().HasPlots() && m_nDragMode != 0; }
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
    // A view command finished; delivered through the event loop, as a posted
    // message would be.
    void viewChanged(LCViewNotice id);
    // Sent at once.
    void chartNotify(LCNotify code);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    // The chart's calls to its window.
    void Notify(LCNotify code) override { emit chartNotify(code); }
    // The surface still holds the old view; the next paint must not show it.
    void ViewAccepted() override {
        m_bNeedsPaint = true;
        m_bZoomLimitTold = false;
    }
    // The surface follows the size of a layout.
    void Resizing(int cx, int cy) override;
    std::unique_ptr<IGdiDC> OpenWindowDC() override;
    void DataDrawn() override;

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
    void Post(LCViewNotice id);
    void Send(LCNotify code) { Notify(code); }
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
    CLCCore m_core{this};
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
    std::vector<std::pair<QString, std::function<void()>>> m_ownerEntries;
};
