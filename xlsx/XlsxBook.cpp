#include "XlsxBook.h"

#include "ZipWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Days from 1899-12-30 (Excel's day 0 in its 1900 system) to 1970-01-01.
constexpr double kExcelEpochDay = 25569;
// Rows of a sheet in Excel.
constexpr unsigned kMaxRows = 1048576;
constexpr size_t kFlushAt = 1 << 18;
// Styles of styles.xml, by their index in cellXfs.
constexpr int kStyleLabel = 1, kStyleHead = 2;

constexpr const char* kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

constexpr const char* kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd hh:mm:ss\"/></numFmts>"
    "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"2\"><border><left/><right/><top/><bottom/><diagonal/></border>"
    "<border><left/><right/><top/><bottom style=\"thin\"><color auto=\"1\"/></bottom><diagonal/></border>"
    "</borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"4\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"1\" xfId=\"0\" applyFont=\"1\" "
    "applyBorder=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

template <size_t N> char* Put(char* p, const char (&text)[N]) {
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

// Characters, not bytes, of UTF-8 text: the width a column needs.
size_t TextWidth(std::string_view text) {
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Excel's width of a column of the given characters: whole pixels of its
// default font, 7 a character plus 5 of padding, in 1/256 of a character.
double ColumnWidth(const XlsxColumn& column, size_t labelWidth) {
    size_t width = std::max(TextWidth(column.head), labelWidth);
    if (column.kind == XlsxColumn::Kind::Date)
        width = std::max<size_t>(width, 19); // yyyy-mm-dd hh:mm:ss
    else if (column.kind == XlsxColumn::Kind::Number)
        width = std::max<size_t>(width, 12);
    const int pixels = static_cast<int>(width + 2) * 7 + 5;
    return static_cast<int>(pixels * 256.0 / 7) / 256.0;
}

char* ColumnName(char* p, int column) {
    char letters[4];
    int n = 0;
    for (++column; column > 0 && n < 4; column = (column - 1) / 26)
        letters[n++] = static_cast<char>('A' + (column - 1) % 26);
    while (n > 0)
        *p++ = letters[--n];
    return p;
}

// The code point of the UTF-8 sequence at s (advancing s), or -1 for a
// byte that starts no valid sequence of a character XML allows.
long NextCodePoint(const unsigned char*& s, const unsigned char* end) {
    const unsigned char c = *s++;
    if (c < 0x80)
        return c >= 0x20 || c == '\t' || c == '\n' || c == '\r' ? c : -1;
    const int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (more == 0 || c > 0xF4 || end - s < more)
        return -1;
    long cp = c & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    static constexpr long kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000) || cp == 0xFFFE || cp == 0xFFFF)
        return -1;
    s += more;
    return cp;
}

// text as XML character data; what XML cannot hold becomes U+FFFD. Needs
// room for 6 bytes a byte of text.
char* Escaped(char* p, std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = s + text.size();
    while (s < end) {
        const unsigned char* from = s;
        const long cp = NextCodePoint(s, end);
        if (cp == '&')
            p = Put(p, "&amp;");
        else if (cp == '<')
            p = Put(p, "&lt;");
        else if (cp == '>')
            p = Put(p, "&gt;");
        else if (cp == '"')
            p = Put(p, "&quot;");
        else if (cp == '\r')
            p = Put(p, "&#13;");
        else if (cp < 0)
            p = Put(p, "\xEF\xBF\xBD");
        else {
            std::memcpy(p, from, static_cast<size_t>(s - from));
            p += s - from;
        }
    }
    return p;
}

std::string Escaped(std::string_view text) {
    std::string out(text.size() * 6, '\0');
    out.resize(static_cast<size_t>(Escaped(out.data(), text) - out.data()));
    return out;
}

// Excel's rule for sheet names.
bool ValidSheetName(const std::string& name) {
    return !name.empty() && TextWidth(name) <= 31 && name.find_first_of("[]:*?/\\") == std::string::npos &&
           name.front() != '\'' && name.back() != '\'';
}

std::string WorkbookXml(const std::vector<std::string>& sheets) {
    std::string xml = std::string(kXmlHead) + "<workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kRelNs +
                      "\"><bookViews><workbookView/></bookViews><sheets>";
    for (size_t i = 0; i < sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        xml += "<sheet name=\"" + Escaped(sheets[i]) + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    }
    return xml + "</sheets></workbook>";
}

std::string WorkbookRels(size_t sheets) {
    const std::string type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    std::string xml =
        std::string(kXmlHead) +
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 1; i <= sheets; ++i)
        xml += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"" + type +
               "worksheet\" Target=\"worksheets/sheet" + std::to_string(i) + ".xml\"/>";
    return xml + "<Relationship Id=\"rId" + std::to_string(sheets + 1) + "\" Type=\"" + type +
           "styles\" Target=\"styles.xml\"/></Relationships>";
}

std::string ContentTypes(size_t sheets) {
    const std::string office = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    std::string xml = std::string(kXmlHead) +
                      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                      "<Default Extension=\"rels\" "
                      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                      "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
                      office + "sheet.main+xml\"/><Override PartName=\"/xl/styles.xml\" ContentType=\"" +
                      office + "styles+xml\"/>";
    for (size_t i = 1; i <= sheets; ++i)
        xml += "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(i) + ".xml\" ContentType=\"" +
               office + "worksheet+xml\"/>";
    return xml + "</Types>";
}

constexpr const char* kRootRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";

} // namespace

XlsxBook::XlsxBook() : m_xml(kFlushAt + 4096) {}
XlsxBook::~XlsxBook() = default;

bool XlsxBook::Failed() const {
    return !m_error.empty() || (m_zip && m_zip->Failed());
}

std::string XlsxBook::Error() const {
    return !m_error.empty() || !m_zip ? m_error : m_zip->Error();
}

void XlsxBook::Fail(std::string why) {
    if (m_error.empty())
        m_error = std::move(why);
}

bool XlsxBook::Begin(std::FILE* out) {
    m_zip = std::make_unique<ZipWriter>(out);
    m_zip->Open("xl/styles.xml") && m_zip->Write(kXmlHead) && m_zip->Write(kStyles);
    m_zip->Open("_rels/.rels") && m_zip->Write(kXmlHead) && m_zip->Write(kRootRels);
    return !Failed();
}

char* XlsxBook::Room(size_t n) {
    if (m_used + n > m_xml.size()) {
        Flush();
        if (n > m_xml.size())
            m_xml.resize(n);
    }
    return m_xml.data() + m_used;
}

void XlsxBook::Flush() {
    if (m_used > 0 && m_zip)
        m_zip->Hand(m_xml, m_used);
    m_used = 0;
}

bool XlsxBook::AddSheet(const std::string& name, const XlsxFacts& facts,
                        const std::vector<XlsxColumn>& columns) {
    m_name = name;
    m_facts = facts;
    m_columns = columns;
    m_part = 1;
    return StartSheet();
}

bool XlsxBook::StartSheet() {
    if (!m_zip)
        Fail("the workbook was not started");
    if (Failed())
        return false;
    EndSheet();
    std::string name = m_name;
    if (m_part > 1)
        name += " (" + std::to_string(m_part) + ")";
    if (!ValidSheetName(name)) {
        Fail("cannot add the sheet " + name);
        return false;
    }
    m_sheets.push_back(name);
    m_zip->Open("xl/worksheets/sheet" + std::to_string(m_sheets.size()) + ".xml");
    m_inSheet = true;
    // The heads' row, from 0; the rows above it stay in view.
    const unsigned head = static_cast<unsigned>(m_facts.size() + (m_facts.empty() ? 0 : 1));
    std::string xml = std::string(kXmlHead) + "<worksheet xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kRelNs +
                      "\"><sheetViews><sheetView" + (m_sheets.size() == 1 ? " tabSelected=\"1\"" : "") +
                      " workbookViewId=\"0\"><pane ySplit=\"" + std::to_string(head + 1) +
                      "\" topLeftCell=\"A" + std::to_string(head + 2) +
                      "\" activePane=\"bottomLeft\" state=\"frozen\"/><selection pane=\"bottomLeft\"/>"
                      "</sheetView></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
    size_t labelWidth = 0;
    for (const auto& fact : m_facts)
        labelWidth = std::max(labelWidth, TextWidth(fact.first));
    xml += m_columns.empty() ? "" : "<cols>";
    for (size_t c = 0; c < m_columns.size(); ++c) {
        char width[32];
        const double w = ColumnWidth(m_columns[c], c == 0 ? labelWidth : 0);
        const std::string n = std::to_string(c + 1);
        xml += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" +
               std::string(width, std::to_chars(width, width + sizeof width, w).ptr) +
               "\" customWidth=\"1\"/>";
    }
    xml += m_columns.empty() ? "<sheetData>" : "</cols><sheetData>";
    m_zip->Write(xml);
    m_row = 0;
    m_inRow = false;
    for (const auto& [label, value] : m_facts) {
        Row();
        TextCell(0, label, kStyleLabel);
        TextCell(1, value, 0);
    }
    if (!m_facts.empty()) {
        // The blank row holds a blank cell: a sheet streamed out has no
        // dimension, and readers that go by rows would skip an empty one.
        Row();
        char* p = CellStart(Room(16), 0);
        Used(Put(p, "/>"));
    }
    Row();
    for (size_t c = 0; c < m_columns.size(); ++c)
        TextCell(static_cast<int>(c), m_columns[c].head, kStyleHead);
    return !Failed();
}

void XlsxBook::EndSheet() {
    if (!m_inSheet)
        return;
    char* p = Room(256);
    if (m_inRow)
        p = Put(p, "</row>");
    p = Put(p, "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
               "header=\"0.3\" footer=\"0.3\"/></worksheet>");
    Used(p);
    Flush();
    m_inSheet = m_inRow = false;
}

void XlsxBook::Row() {
    if (Failed() || !m_inSheet)
        return;
    if (m_row >= kMaxRows) {
        ++m_part;
        StartSheet();
    }
    char* p = Room(64);
    if (m_inRow)
        p = Put(p, "</row>");
    p = Put(p, "<row r=\"");
    p = std::to_chars(p, p + 16, ++m_row).ptr;
    p = Put(p, "\">");
    Used(p);
    m_inRow = true;
    m_column = -1;
}

// "<c", with the cell's reference when it does not follow the last cell.
char* XlsxBook::CellStart(char* p, int column) {
    p = Put(p, "<c");
    if (column != m_column + 1) {
        p = Put(p, " r=\"");
        p = ColumnName(p, column);
        p = std::to_chars(p, p + 16, m_row).ptr;
        *p++ = '"';
    }
    m_column = column;
    return p;
}

void XlsxBook::Number(int column, double value) {
    if (!std::isfinite(value)) {
        char text[16];
        Text(column, std::string_view(text, static_cast<size_t>(
                                                std::to_chars(text, text + sizeof text, value).ptr - text)));
        return;
    }
    if (Failed() || !m_inRow || column <= m_column)
        return Fail("a cell outside a row or out of order");
    char* p = CellStart(Room(96), column);
    p = Put(p, "><v>");
    // Whole numbers (pressures, marks) take the much quicker integer path.
    const auto whole = static_cast<int64_t>(std::clamp(value, -1e15, 1e15));
    p = static_cast<double>(whole) == value ? std::to_chars(p, p + 32, whole).ptr
                                            : std::to_chars(p, p + 32, value).ptr;
    Used(Put(p, "</v></c>"));
}

void XlsxBook::Date(int column, double clockSeconds) {
    if (Failed() || !m_inRow || column <= m_column)
        return Fail("a cell outside a row or out of order");
    char* p = CellStart(Room(96), column);
    p = Put(p, " s=\"3\"><v>");
    p = std::to_chars(p, p + 32, clockSeconds / 86400 + kExcelEpochDay).ptr;
    Used(Put(p, "</v></c>"));
}

void XlsxBook::Text(int column, std::string_view text) {
    TextCell(column, text, 0);
}

void XlsxBook::TextCell(int column, std::string_view text, int style) {
    if (Failed() || !m_inRow || column <= m_column)
        return Fail("a cell outside a row or out of order");
    char* p = CellStart(Room(text.size() * 6 + 96), column);
    if (style > 0) {
        p = Put(p, " s=\"");
        p = std::to_chars(p, p + 8, style).ptr;
        *p++ = '"';
    }
    const bool keepSpace = !text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                                             text.find_first_of("\t\n") != std::string_view::npos);
    p = keepSpace ? Put(p, " t=\"inlineStr\"><is><t xml:space=\"preserve\">")
                  : Put(p, " t=\"inlineStr\"><is><t>");
    p = Escaped(p, text);
    Used(Put(p, "</t></is></c>"));
}

bool XlsxBook::Finish() {
    if (!m_zip) {
        Fail("the workbook was not started");
        return false;
    }
    EndSheet();
    if (m_sheets.empty())
        Fail("a workbook needs a sheet");
    if (Failed())
        return false;
    m_zip->Open("xl/workbook.xml") && m_zip->Write(WorkbookXml(m_sheets));
    m_zip->Open("xl/_rels/workbook.xml.rels") && m_zip->Write(WorkbookRels(m_sheets.size()));
    m_zip->Open("[Content_Types].xml") && m_zip->Write(ContentTypes(m_sheets.size()));
    m_zip->Finish();
    return !Failed();
}
