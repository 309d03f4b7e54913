#pragma once

// A workbook of plain tables written row by row straight to a stream (an
// AtomicFile's, or standard output) with one buffer of XML in memory: sheets
// of inline strings, numbers and dates in the shortest text that reads back
// as the same double, deflated at zlib's fastest level (ZipWriter). The text
// of numbers does not depend on the process's locale.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class ZipWriter;

struct XlsxColumn {
    enum class Kind { Text, Number, Date };
    std::string head;
    Kind kind = Kind::Number;
};

using XlsxFacts = std::vector<std::pair<std::string, std::string>>;

class XlsxBook {
  public:
    XlsxBook();
    ~XlsxBook();
    XlsxBook(const XlsxBook&) = delete;
    XlsxBook& operator=(const XlsxBook&) = delete;

    // Starts the workbook on out; false with Error() set.
    bool Begin(std::FILE* out);
    // Starts a sheet: the facts as label and value rows, a blank row, then
    // the column heads, frozen above the rows that follow. Column widths fit
    // the heads, the labels and the kind of value.
    bool AddSheet(const std::string& name, const XlsxFacts& facts, const std::vector<XlsxColumn>& columns);
    // Starts the next data row. A sheet that is full continues on a new sheet
    // "<name> (2)" with the same facts and heads.
    void Row();
    // Cells of the current row, in increasing columns. A number that is not
    // finite is written as the text to_chars gives it ("nan", "inf"), as the
    // CSV exports have it.
    void Number(int column, double value);
    // A time given as seconds since 1970 on the clock the sheet states.
    void Date(int column, double clockSeconds);
    void Text(int column, std::string_view text);

    // Ends the workbook and flushes out; false with Error() set.
    bool Finish();
    bool Failed() const;
    std::string Error() const;

  private:
    bool StartSheet();
    void EndSheet();
    void Fail(std::string why);
    // Room for n more bytes of XML at the returned position; Used() then
    // says where the written bytes end.
    char* Room(size_t n);
    void Used(char* end) { m_used = static_cast<size_t>(end - m_xml.data()); }
    void Flush();
    char* CellStart(char* p, int column);
    void TextCell(int column, std::string_view text, int style);

    std::unique_ptr<ZipWriter> m_zip;
    std::vector<char> m_xml;
    size_t m_used = 0;
    std::string m_error;
    std::vector<std::string> m_sheets; // names of the sheets written so far
    std::string m_name;
    XlsxFacts m_facts;
    std::vector<XlsxColumn> m_columns;
    int m_part = 0;     // continuation number of the current sheet
    unsigned m_row = 0; // rows of the sheet so far: the next row's index from 0
    int m_column = -1;  // the last column written in the current row
    bool m_inRow = false;
    bool m_inSheet = false;
};
