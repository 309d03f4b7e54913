#pragma once

// What the user is doing with the chart: the selection, the highlight, the
// cross-hair with the read-out of the value under the mouse, and the hit
// records of the markers last drawn. All in client pixels.

#include "LCModel.h"

#include <cstdint>
#include <string>
#include <vector>

struct HitRect {
    LCRect rc;
    CLCPlot* pPlot;
    int nPoint;
    double dX, dY;
};

class CLCInteraction {
  public:
    // The selection rectangle; empty for none.
    const LCRect& Selection() const { return m_rcSelection; }
    void SetSelection(const LCRect& rc) { m_rcSelection = rc; }
    // Keeps the selection inside plot (a new layout's), emptying a flat one.
    void ClipSelection(const LCRect& plot);

    // Highlight: the low four bits of the mode say which markers the
    // highlight pass lights (2 the one at a point, 3 those in a rectangle),
    // bits 8 to 11 how (0 not at all, 1 copied in the highlight colour, 2
    // inverted, 3 xor-ed).
    unsigned HighlightMode() const { return m_nHighlight; }
    const LCPoint& HighlightPoint() const { return m_ptHighlight; }
    const LCRect& HighlightRect() const { return m_rcHighlight; }
    COLORREF HighlightColor() const { return m_crHighlight; }
    void SetHighlightPoint(LCPoint pt);
    void SetHighlightRect(const LCRect& rc);

    // The cross-hair and the read-out of the value under the mouse.
    const LCPoint& CrossPoint() const { return m_ptCross; }
    void SetCrossPoint(LCPoint pt) { m_ptCross = pt; }
    bool IsCrossVisible() const { return m_bCrossVisible; }
    void SetCrossVisible(bool visible) { m_bCrossVisible = visible; }
    // The read-out's values; its note is emptied.
    void SetReadout(double x, double y);
    void SetReadoutNote(const std::string& note) { m_strReadoutNote = note; }
    const std::string& ReadoutNote() const { return m_strReadoutNote; }
    void HideReadout() { m_bReadoutValid = false; }
    double ReadoutX() const { return m_dReadoutX; }
    double ReadoutY() const { return m_dReadoutY; }
    bool IsReadoutValid() const { return m_bReadoutValid; }
    // The mouse went down on a marker (the information strip shows it).
    bool IsPointHit() const { return m_bPointHit; }
    void SetPointHit(bool hit) { m_bPointHit = hit; }

    // Hit records: the boxes of the markers of the last full drawing of the
    // plots, the current plot's last. A drawing plans them (the plots drawn
    // with their half marker sizes in device pixels, the plot rectangle and
    // the view); they are made when first asked for.
    void PlanHits(const CLCModel& model, const LCRect& plot, int pixelScale);
    void AddHit(const LCRect& rc, CLCPlot* plot, int point, double x, double y);
    void ClearHits();
    // The first record containing the point, valid until the next FindHit
    // or change of the records.
    const HitRect* FindHit(int x, int y) const;
    // The note of a plot with one whose marker at (x, y) stands for the same
    // values as hit; empty when there is none.
    std::string NoteAt(int x, int y, const HitRect& hit) const;
    // All the records, unpacked on the first call after a change.
    const std::vector<HitRect>& GetHits() const;
    size_t HitCount() const;
    // Bytes the stored records take (not counting GetHits' copy).
    size_t HitBytes() const;

  private:
    LCRect m_rcSelection;
    unsigned m_nHighlight = 0x100;
    COLORREF m_crHighlight = 0;
    LCRect m_rcHighlight;
    LCPoint m_ptHighlight;
    LCPoint m_ptCross;
    bool m_bCrossVisible = false;
    double m_dReadoutX = 0, m_dReadoutY = 0;
    bool m_bReadoutValid = false;
    std::string m_strReadoutNote;
    bool m_bPointHit = false;

    // A hit record packed into 16 bytes, a million of them being common:
    // the box's corner, the point, and the group giving the plot and the
    // box's size. Planned records take their point and values from the data
    // set (its index there); added ones index m_hitValues.
    struct PackedHit {
        int32_t left, top;
        int32_t item;
        uint32_t group;
    };
    struct HitGroup {
        CLCPlot* plot;
        const CLCDataSet* data; // null: item indexes m_hitValues
        int width, height;
    };
    struct HitValue {
        int point;
        double x, y;
    };
    // Filled from m_hitPlan when first asked for.
    mutable std::vector<PackedHit> m_hits;
    mutable std::vector<HitGroup> m_hitGroups;
    mutable std::vector<HitValue> m_hitValues;
    mutable HitRect m_foundHit{};
    mutable std::vector<HitRect> m_unpackedHits;
    mutable bool m_unpackedValid = false;
    HitRect UnpackHit(const PackedHit& h) const;
    // Runs of hit records whose left edges do not decrease (the markers of
    // one plot come in x order), with the widest rectangle of each run, so
    // FindHit can search each run by binary search.
    struct HitRun {
        int begin, end, maxWidth;
    };
    mutable std::vector<HitRun> m_hitRuns;
    // What a drawing of the plots needs to make its hit records later: a
    // picture or a frame under a still mouse never asks for them, and a
    // million records cost more than the markers' drawing.
    struct HitPlan {
        struct Plot {
            CLCPlot* plot;
            int halfSize;
        };
        std::vector<Plot> plots; // in drawing order
        LCRect rcPlot;
        double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
        bool pending = false;
    };
    mutable HitPlan m_hitPlan;
    void MakePlannedHits() const;
    // Calls visit(record, group) for the records containing (x, y), in
    // FindHit's order, until it returns true; says whether one did.
    template <class Visit> bool VisitHitsAt(int x, int y, Visit&& visit) const;
    void AppendHit(const LCRect& rc, CLCPlot* plot, int point, double x, double y) const;
    void AppendPacked(int left, int top, int item, const HitGroup& group) const;
};
