#pragma once

// The metafile device context: the same drawing calls recorded as an
// enhanced metafile, on Windows through the platform's own metafile API,
// elsewhere through libEMF. The two records libEMF cannot write
// (EMR_SETROP2 and EMR_ROUNDRECT) are written here: libEMF records a
// placeholder for each, which Close() replaces with the real record.

#include "GdiDC.h"

#include <memory>
#include <string>
#include <vector>

class CEmfDC : public IGdiDC {
  public:
    CEmfDC();
    ~CEmfDC() override;
    CEmfDC(const CEmfDC&) = delete;
    CEmfDC& operator=(const CEmfDC&) = delete;

    // Starts a metafile for path; false when it cannot be created.
    bool Create(const std::string& path);
    // Deletes the objects made for drawing, splices in the records of this
    // class and replaces the file with the result. False when the file could
    // not be written; the file is then as it was. Never throws.
    bool Close();

    GdiPen SelectPen(const GdiPen& pen) override;
    GdiBrush SelectBrush(const GdiBrush& brush) override;
    GdiFont SelectFont(const GdiFont& font) override;
    const GdiPen& GetCurrentPen() const override { return m_pen; }
    Rop SetROP2(Rop rop) override;
    int SetBkMode(int mode) override;
    COLORREF SetBkColor(COLORREF color) override;
    COLORREF SetTextColor(COLORREF color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int l, int t, int r, int b) override;
    void Ellipse(int l, int t, int r, int b) override;
    void RoundRect(int l, int t, int r, int b, int ew, int eh) override;
    void Polygon(const LCPoint* points, int count) override;
    void PatBlt(const LCRect& rc, const GdiBrush& brush, Rop rop) override;
    void ExtTextOutOpaque(const LCRect& rc) override;
    void SetPixel(int x, int y, COLORREF color) override;
    void TextOut(int x, int y, const std::string& utf8) override;
    LCSize GetTextExtent(const std::string& utf8) override;

  private:
    struct Impl;
    // Frees what Create made; an uncommitted temporary goes too.
    void Release();
    void ReleaseObjects();
    bool Splice(const uint8_t* bytes, size_t size, std::vector<uint8_t>& out) const;
    void Placeholder(std::vector<uint8_t> record, const LCRect& bounds);
    // Widens the drawn area by an inclusive rectangle, or a box whose right and bottom are exclusive.
    void Grow(const LCRect& bounds);
    void GrowBox(int l, int t, int r, int b);
    std::unique_ptr<Impl> m;
    GdiPen m_pen;
    GdiBrush m_brush;
    GdiFont m_font;
    Rop m_rop = Rop::Copy;
    int m_bkMode = OPAQUE;
    COLORREF m_bkColor = 0xFFFFFF;
    COLORREF m_textColor = 0;
    LCPoint m_pos;
};

// Parts of an enhanced metafile, read back for checking.
struct EmfSummary {
    bool valid = false;
    std::string error;
    LCRect bounds; // header rclBounds, inclusive
    uint32_t nBytes = 0, nRecords = 0;
    std::vector<uint32_t> types;  // every record's type, in order
    int created = 0, deleted = 0; // objects created and deleted
};
EmfSummary ReadEmfSummary(const std::string& path);
