#include "EmfDC.h"

#include "AtomicFile.h"

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QString>

#ifdef _WIN32
#include <windows.h>
#else
#include <libEMF/emf.h>
#endif
// The Windows headers' macros would rename or shadow names used here.
#undef TextOut
#undef min
#undef max

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrSetRop2 = 20, kEmrCreatePen = 38,
                   kEmrCreateBrushIndirect = 39, kEmrDeleteObject = 40, kEmrRoundRect = 44,
                   kEmrSetMiterLimit = 58, kEmrExtCreateFontIndirectW = 82, kEmrExtCreatePen = 95;
// Placeholders are miter limits from this value on (libEMF stores the limit
// as an integer); the chart never sets a miter limit.
constexpr uint32_t kPlaceholderBase = 4194304;

[[maybe_unused]] void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
uint32_t Get32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
void Set32(uint8_t* p, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(x >> (8 * i));
}

int Rop2Of(Rop rop) {
    return rop == Rop::Invert ? R2_NOT : rop == Rop::Xor ? R2_XORPEN : R2_COPYPEN;
}

// Selects made into dc, then deletes the object of ours it replaces (only
// once it is out of the context); ours holds made afterwards when keep, that
// is when made is ours to delete and not a stock object.
void Reselect(HDC dc, HGDIOBJ& ours, HGDIOBJ made, bool keep) {
    SelectObject(dc, made);
    if (ours)
        DeleteObject(ours);
    ours = keep ? made : HGDIOBJ{0};
}

} // namespace

struct CEmfDC::Impl {
    HDC dc = 0;
#ifndef _WIN32
    std::FILE* file = nullptr; // libEMF's output, in memory
    char* buffer = nullptr;
    size_t bufferSize = 0;
#endif
    std::unique_ptr<AtomicFile> out;
    HGDIOBJ pen = 0, brush = 0, font = 0; // ours, selected
    HGDIOBJ stockPen = 0, stockBrush = 0, stockFont = 0;
    std::vector<std::vector<uint8_t>> pending;
    LCRect bounds{0, 0, -1, -1};
    bool any = false;
};

CEmfDC::CEmfDC() : m(std::make_unique<Impl>()) {}

// A metafile not closed (its drawing was cut short) is dropped, not written.
CEmfDC::~CEmfDC() {
    Release();
}

bool CEmfDC::Create(const std::string& path) {
    if (m->dc)
        return false;
    // The target is checked first, so a path that cannot be written fails
    // here. libEMF writes into memory: it reports a failed write by throwing,
    // and the real write is the one the atomic writer checks.
    m->out = std::make_unique<AtomicFile>(path);
#ifdef _WIN32
    // A metafile in memory; Close() writes its bytes.
    if (m->out->Open()) {
        m->dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
        if (m->dc) {
            m->stockPen = GetStockObject(BLACK_PEN);
            m->stockBrush = GetStockObject(WHITE_BRUSH);
            m->stockFont = GetStockObject(SYSTEM_FONT);
            return true;
        }
    }
#else
    if (m->out->Open())
        m->file = ::open_memstream(&m->buffer, &m->bufferSize);
    if (m->file) {
        try {
            m->dc = CreateEnhMetaFileWithFILEW(0, m->file, nullptr, nullptr);
            if (m->dc) {
                m->stockPen = GetStockObject(BLACK_PEN);
                m->stockBrush = GetStockObject(WHITE_BRUSH);
                m->stockFont = GetStockObject(SYSTEM_FONT);
                return true;
            }
        } catch (...) {
        }
    }
#endif
    Release();
    return false;
}

void CEmfDC::Release() {
    if (m->dc) {
#ifdef _WIN32
        ReleaseObjects();
        DeleteEnhMetaFile(CloseEnhMetaFile(m->dc));
#else
        try {
            ReleaseObjects();
            DeleteEnhMetaFile(HENHMETAFILE(m->dc));
        } catch (...) {
        }
#endif
        m->dc = 0;
    }
#ifndef _WIN32
    if (m->file) {
        std::fclose(m->file);
        m->file = nullptr;
    }
    std::free(m->buffer);
    m->buffer = nullptr;
    m->bufferSize = 0;
#endif
    m->out.reset(); // drops the temporary unless committed
}

void CEmfDC::GrowBox(int l, int t, int r, int b) {
    LCRect box{l, t, r, b};
    box.NormalizeRect();
    if (!box.IsRectEmpty())
        Grow({box.left, box.top, box.right - 1, box.bottom - 1});
}

void CEmfDC::Grow(const LCRect& b) {
    if (!m->any) {
        m->bounds = b;
        m->any = true;
        return;
    }
    m->bounds.left = std::min(m->bounds.left, b.left);
    m->bounds.top = std::min(m->bounds.top, b.top);
    m->bounds.right = std::max(m->bounds.right, b.right);
    m->bounds.bottom = std::max(m->bounds.bottom, b.bottom);
}

void CEmfDC::Placeholder(std::vector<uint8_t> record, const LCRect& bounds) {
    if (!m->dc)
        return;
    const float marker = static_cast<float>(kPlaceholderBase + m->pending.size());
    FLOAT old = 0;
    SetMiterLimit(m->dc, marker, &old);
    m->pending.push_back(std::move(record));
    if (!bounds.IsRectEmpty())
        Grow(bounds);
}

GdiPen CEmfDC::SelectPen(const GdiPen& pen) {
    const GdiPen old = std::exchange(m_pen, pen);
    if (m->dc) {
        HGDIOBJ made = pen.style == PS_NULL
                           ? GetStockObject(NULL_PEN)
                           : static_cast<HGDIOBJ>(CreatePen(pen.style, pen.width, pen.color));
        Reselect(m->dc, m->pen, made, pen.style != PS_NULL);
    }
    return old;
}

GdiBrush CEmfDC::SelectBrush(const GdiBrush& brush) {
    const GdiBrush old = std::exchange(m_brush, brush);
    if (m->dc) {
        LOGBRUSH lb{};
        lb.lbStyle = brush.kind == GdiBrush::Hatched ? BS_HATCHED
                     : brush.kind == GdiBrush::Null  ? BS_NULL
                                                     : BS_SOLID;
        lb.lbColor = brush.color;
        lb.lbHatch = static_cast<decltype(lb.lbHatch)>(brush.hatch);
        Reselect(m->dc, m->brush, CreateBrushIndirect(&lb), true);
    }
    return old;
}

GdiFont CEmfDC::SelectFont(const GdiFont& font) {
    const GdiFont old = std::exchange(m_font, font);
    if (m->dc) {
        if (font.IsStock()) {
            Reselect(m->dc, m->font, m->stockFont, false);
        } else {
            LOGFONTW lf{};
            lf.lfHeight = -PointFontPixelHeight(font.pointTenths);
            lf.lfWeight = FW_NORMAL;
            lf.lfCharSet = DEFAULT_CHARSET;
            const QString face = QString::fromStdString(font.face).left(LF_FACESIZE - 1);
            for (int i = 0; i < face.size(); ++i)
                lf.lfFaceName[i] = face.at(i).unicode();
            Reselect(m->dc, m->font, CreateFontIndirectW(&lf), true);
        }
    }
    return old;
}

Rop CEmfDC::SetROP2(Rop rop) {
    const Rop old = std::exchange(m_rop, rop);
#ifdef _WIN32
    if (m->dc)
        ::SetROP2(m->dc, Rop2Of(rop));
#else
    std::vector<uint8_t> r;
    Put32(r, kEmrSetRop2);
    Put32(r, 12);
    Put32(r, static_cast<uint32_t>(Rop2Of(rop)));
    Placeholder(std::move(r), {});
#endif
    return old;
}

int CEmfDC::SetBkMode(int mode) {
    if (m->dc)
        ::SetBkMode(m->dc, mode);
    return std::exchange(m_bkMode, mode);
}

COLORREF CEmfDC::SetBkColor(COLORREF color) {
    if (m->dc)
        ::SetBkColor(m->dc, color);
    return std::exchange(m_bkColor, color);
}

COLORREF CEmfDC::SetTextColor(COLORREF color) {
    if (m->dc)
        ::SetTextColor(m->dc, color);
    return std::exchange(m_textColor, color);
}

void CEmfDC::MoveTo(int x, int y) {
    m_pos = {x, y};
    if (m->dc)
        MoveToEx(m->dc, x, y, nullptr);
}

void CEmfDC::LineTo(int x, int y) {
    Grow({std::min(m_pos.x, x), std::min(m_pos.y, y), std::max(m_pos.x, x), std::max(m_pos.y, y)});
    m_pos = {x, y};
    if (m->dc)
        ::LineTo(m->dc, x, y);
}

void CEmfDC::Rectangle(int l, int t, int r, int b) {
    GrowBox(l, t, r, b);
    if (m->dc)
        ::Rectangle(m->dc, l, t, r, b);
}

void CEmfDC::Ellipse(int l, int t, int r, int b) {
    GrowBox(l, t, r, b);
    if (m->dc)
        ::Ellipse(m->dc, l, t, r, b);
}

void CEmfDC::RoundRect(int l, int t, int r, int b, int ew, int eh) {
#ifdef _WIN32
    GrowBox(l, t, r, b);
    if (m->dc)
        ::RoundRect(m->dc, l, t, r, b, ew, eh);
#else
    std::vector<uint8_t> rec;
    Put32(rec, kEmrRoundRect);
    Put32(rec, 32);
    for (int v : {l, t, r, b, ew, eh})
        Put32(rec, static_cast<uint32_t>(v));
    LCRect box{l, t, r, b};
    box.NormalizeRect();
    Placeholder(std::move(rec), {box.left, box.top, box.right - 1, box.bottom - 1});
#endif
}

void CEmfDC::Polygon(const LCPoint* points, int count) {
    if (!m->dc || count < 2)
        return;
    std::vector<POINT> p(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Grow({points[i].x, points[i].y, points[i].x, points[i].y});
        p[static_cast<size_t>(i)].x = points[i].x;
        p[static_cast<size_t>(i)].y = points[i].y;
    }
    ::Polygon(m->dc, p.data(), count);
}

void CEmfDC::PatBlt(const LCRect& rc, const GdiBrush& brush, Rop rop) {
    if (!m->dc || rc.IsRectEmpty())
        return;
    // A rectangle without outline covers right - 1 and bottom - 1 only, so
    // it is given one pixel wider and higher.
    Grow({rc.left, rc.top, rc.right - 1, rc.bottom - 1});
    const GdiBrush oldBrush = SelectBrush(brush);
    const GdiPen oldPen = SelectPen({PS_NULL, 1, 0});
    const Rop oldRop = SetROP2(rop);
    ::Rectangle(m->dc, rc.left, rc.top, rc.right + 1, rc.bottom + 1);
    SetROP2(oldRop);
    SelectPen(oldPen);
    SelectBrush(oldBrush);
}

void CEmfDC::ExtTextOutOpaque(const LCRect& rc) {
    // Recorded as a filled rectangle rather than as text without characters:
    // the same pixels on playback, and readers that skip empty text records
    // (LibreOffice among them) still show the fill.
    PatBlt(rc, GdiBrush::SolidBrush(m_bkColor), Rop::Copy);
}

void CEmfDC::SetPixel(int x, int y, COLORREF color) {
    Grow({x, y, x, y});
    if (m->dc)
        ::SetPixel(m->dc, x, y, color);
}

void CEmfDC::TextOut(int x, int y, const std::string& utf8) {
    if (!m->dc || utf8.empty())
        return;
    const QString text = QString::fromStdString(utf8);
    // Advances from the same metrics the layout used, so the text lands
    // where the raster picture has it.
    const QFontMetrics fm(QtFontOf(m_font));
    std::vector<WCHAR> wide;
    std::vector<INT> dx;
    for (const QChar c : text) {
        wide.push_back(c.unicode());
        dx.push_back(fm.horizontalAdvance(c));
    }
    int width = 0;
    for (int d : dx)
        width += d;
    Grow({x, y, x + std::max(width, 1) - 1, y + fm.height() - 1});
    ExtTextOutW(m->dc, x, y, 0, nullptr, wide.data(), static_cast<UINT>(wide.size()), dx.data());
}

LCSize CEmfDC::GetTextExtent(const std::string& utf8) {
    const QFontMetrics fm(QtFontOf(m_font));
    return {fm.horizontalAdvance(QString::fromStdString(utf8)), fm.height()};
}

void CEmfDC::ReleaseObjects() {
    // Put the stock objects back so every object made here can be deleted.
    SelectObject(m->dc, m->stockPen);
    SelectObject(m->dc, m->stockBrush);
    SelectObject(m->dc, m->stockFont);
    for (HGDIOBJ* h : {&m->pen, &m->brush, &m->font})
        if (*h) {
            DeleteObject(*h);
            *h = 0;
        }
}

bool CEmfDC::Close() {
    if (!m->dc)
        return false;
    bool ok = false;
#ifdef _WIN32
    ReleaseObjects();
    const HENHMETAFILE mf = CloseEnhMetaFile(m->dc);
    m->dc = 0;
    std::vector<uint8_t> bytes(mf ? GetEnhMetaFileBits(mf, 0, nullptr) : 0);
    ok = !bytes.empty() &&
         GetEnhMetaFileBits(mf, static_cast<UINT>(bytes.size()), bytes.data()) == bytes.size();
    if (mf)
        DeleteEnhMetaFile(mf);
    std::vector<uint8_t> out;
    ok = ok && Splice(bytes.data(), bytes.size(), out) && m->out->Write(out.data(), out.size()) &&
         m->out->Commit();
#else
    try {
        ReleaseObjects();
        HENHMETAFILE mf = CloseEnhMetaFileWithFILE(m->dc);
        if (mf) {
            DeleteEnhMetaFile(mf);
            m->dc = 0;
        }
        std::FILE* file = std::exchange(m->file, nullptr);
        ok = std::fclose(file) == 0 && mf != 0;
        std::vector<uint8_t> out;
        ok = ok && Splice(reinterpret_cast<const uint8_t*>(m->buffer), m->bufferSize, out) &&
             m->out->Write(out.data(), out.size()) && m->out->Commit();
    } catch (...) {
        ok = false;
    }
#endif
    Release();
    return ok;
}

// Copies the metafile libEMF wrote with the records of this class in place of
// their placeholders (none on Windows), and the header made to match.
bool CEmfDC::Splice(const uint8_t* bytes, size_t size, std::vector<uint8_t>& out) const {
    if (!bytes || size < 88)
        return false;
    out.reserve(size);
    uint32_t records = 0;
    size_t pos = 0;
    while (pos + 8 <= size) {
        const uint32_t type = Get32(bytes + pos), recordSize = Get32(bytes + pos + 4);
        if (recordSize < 8 || recordSize % 4 != 0 || pos + recordSize > size)
            return false;
        bool replaced = false;
        if (type == kEmrSetMiterLimit && recordSize >= 12) {
            const uint32_t value = Get32(bytes + pos + 8);
            if (value >= kPlaceholderBase) {
                const size_t k = value - kPlaceholderBase;
                if (k >= m->pending.size())
                    return false;
                out.insert(out.end(), m->pending[k].begin(), m->pending[k].end());
                replaced = true;
            }
        }
        if (!replaced)
            out.insert(out.end(), bytes + pos, bytes + pos + recordSize);
        ++records;
        pos += recordSize;
        if (type == kEmrEof)
            break;
    }
    if (out.size() < 88)
        return false;
    // Header: total size, record count, and the bounds of what was drawn
    // (libEMF pads its own estimate), with the frame in 0.01 mm of the
    // reference device so that playback has the picture's size in pixels.
    Set32(out.data() + 48, static_cast<uint32_t>(out.size()));
    Set32(out.data() + 52, records);
    if (m->any) {
        uint8_t* h = out.data();
        const LCRect& b = m->bounds;
        Set32(h + 8, static_cast<uint32_t>(b.left));
        Set32(h + 12, static_cast<uint32_t>(b.top));
        Set32(h + 16, static_cast<uint32_t>(b.right));
        Set32(h + 20, static_cast<uint32_t>(b.bottom));
        const double devX = static_cast<int32_t>(Get32(h + 72)), devY = static_cast<int32_t>(Get32(h + 76));
        const double mmX = static_cast<int32_t>(Get32(h + 80)), mmY = static_cast<int32_t>(Get32(h + 84));
        if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0) {
            const double fx = 100.0 * mmX / devX, fy = 100.0 * mmY / devY;
            Set32(h + 24, static_cast<uint32_t>(static_cast<int32_t>(std::lround(b.left * fx))));
            Set32(h + 28, static_cast<uint32_t>(static_cast<int32_t>(std::lround(b.top * fy))));
            Set32(h + 32, static_cast<uint32_t>(static_cast<int32_t>(std::lround((b.right + 1) * fx))));
            Set32(h + 36, static_cast<uint32_t>(static_cast<int32_t>(std::lround((b.bottom + 1) * fy))));
        }
    }
    return true;
}

EmfSummary ReadEmfSummary(const std::string& path) {
    EmfSummary s;
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) {
        s.error = "cannot open";
        return s;
    }
    const QByteArray data = f.readAll();
    const auto* p = reinterpret_cast<const uint8_t*>(data.constData());
    const size_t n = static_cast<size_t>(data.size());
    if (n < 88 || Get32(p) != kEmrHeader || Get32(p + 40) != 0x464D4520) {
        s.error = "no EMF header";
        return s;
    }
    s.bounds = {static_cast<int32_t>(Get32(p + 8)), static_cast<int32_t>(Get32(p + 12)),
                static_cast<int32_t>(Get32(p + 16)), static_cast<int32_t>(Get32(p + 20))};
    s.nBytes = Get32(p + 48);
    s.nRecords = Get32(p + 52);
    size_t pos = 0;
    while (pos < n) {
        if (pos + 8 > n) {
            s.error = "truncated record";
            return s;
        }
        const uint32_t type = Get32(p + pos), size = Get32(p + pos + 4);
        if (size < 8 || size % 4 != 0 || pos + size > n) {
            s.error = "bad record size at " + std::to_string(pos);
            return s;
        }
        s.types.push_back(type);
        if (type == kEmrCreatePen || type == kEmrCreateBrushIndirect || type == kEmrExtCreateFontIndirectW ||
            type == kEmrExtCreatePen)
            ++s.created;
        if (type == kEmrDeleteObject)
            ++s.deleted;
        pos += size;
        if (type == kEmrEof)
            break;
    }
    if (pos != n || s.nBytes != n || s.nRecords != s.types.size() || s.types.back() != kEmrEof) {
        s.error = "sizes or counts disagree with the header";
        return s;
    }
    s.valid = true;
    return s;
}
