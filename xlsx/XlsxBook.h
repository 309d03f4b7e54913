#pragma once

// A workbook of plain tables through libxlsxwriter, written row by row with
// one row in memory. libxlsxwriter writes to a named file, so the workbook
// goes to a private temporary folder first and is then copied to the output
// the caller opened (an AtomicFile's stream, or standard output); the folder
// is removed in any case. Numbers are written in the "C" locale whatever the
// process's LC_NUMERIC says.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

    // Creates the temporary workbook; false with Error() set.
    bool Begin();
    // Starts a sheet: the facts as label and value rows, a blank row, then
    // the column heads, frozen above the rows that follow. Column widths fit
    // the heads, the labels and the kind of value.
    bool AddSheet(const std::string& name, const XlsxFacts& facts, const std::vector<XlsxColumn>& columns);
    // Starts the next data row. A sheet that is full continues on a new sheet
    // "<name> (2)" with the same facts and heads.
    void Row();
    // Cells of the current row. A number that is not finite is written as
    // the text to_chars gives it ("nan", "inf"), as the CSV exports have it.
    void Number(int column, double value);
    // A time given as seconds since 1970 on the clock the sheet states.
    void Date(int column, double clockSeconds);
    void Text(int column, std::string_view text);

    // Closes the workbook and copies it to out; false with Error() set.
    bool Finish(std::FILE* out);
    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }

  private:
    struct Library;
    bool StartSheet();
    void Fail(std::string why);

    std::unique_ptr<Library> m_lib;
    std::string m_error;
    std::string m_name;
    XlsxFacts m_facts;
    std::vector<XlsxColumn> m_columns;
    int m_part = 0;     // continuation number of the current sheet
    unsigned m_row = 0; // the current row of the sheet
    bool m_inRow = false;
};
