#include "XlsxBook.h"

#include "NativePath.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#ifndef _WIN32
#include <clocale>
#include <locale.h>
#endif

namespace {

// Days from 1899-12-30 (Excel's day 0 in its 1900 system) to 1970-01-01.
constexpr double kExcelEpochDay = 25569;

// Characters, not bytes, of UTF-8 text: the width a column needs.
size_t TextWidth(std::string_view text) {
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

double ColumnWidth(const XlsxColumn& column) {
    size_t width = TextWidth(column.head);
    if (column.kind == XlsxColumn::Kind::Date)
        width = std::max<size_t>(width, 19); // yyyy-mm-dd hh:mm:ss
    else if (column.kind == XlsxColumn::Kind::Number)
        width = std::max<size_t>(width, 12);
    return static_cast<double>(width) + 2;
}

} // namespace

struct XlsxBook::Library {
    std::filesystem::path folder;
    std::string tmpdir; // libxlsxwriter's own temporaries, inside folder
    std::string file;
    lxw_workbook* workbook = nullptr;
    lxw_worksheet* sheet = nullptr;
    lxw_format* date = nullptr;
    lxw_format* head = nullptr;
    lxw_format* label = nullptr;
#ifndef _WIN32
    // libxlsxwriter prints numbers with printf, which follows LC_NUMERIC: the
    // thread uses the "C" numbers while the workbook is written.
    locale_t numbers = static_cast<locale_t>(0);
    locale_t previous = static_cast<locale_t>(0);
#endif

    ~Library() {
        // Closing is the one way to close a sheet's temporary file too; what
        // it writes goes with the folder.
        if (workbook)
            workbook_close(workbook);
        RestoreLocale();
        if (!folder.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    }
    void UseCLocale() {
#ifndef _WIN32
        numbers = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
        if (numbers)
            previous = uselocale(numbers);
#endif
    }
    void RestoreLocale() {
#ifndef _WIN32
        if (numbers) {
            uselocale(previous);
            freelocale(numbers);
            numbers = static_cast<locale_t>(0);
        }
#endif
    }
};

XlsxBook::XlsxBook() = default;
XlsxBook::~XlsxBook() = default;

void XlsxBook::Fail(std::string why) {
    if (m_error.empty())
        m_error = std::move(why);
}

bool XlsxBook::Begin() {
    m_lib = std::make_unique<Library>();
    std::error_code ec;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec) {
        Fail("no folder for temporary files: " + ec.message());
        return false;
    }
    // A folder of our own, created exclusively under a name nobody can predict.
    std::random_device random;
    for (int attempt = 0; attempt < 16 && m_lib->folder.empty(); ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "tervik-xlsx-%08x%08x", random(), random());
        const std::filesystem::path folder = temp / name;
        if (std::filesystem::create_directory(folder, ec))
            m_lib->folder = folder;
    }
    if (m_lib->folder.empty()) {
        Fail("cannot create a temporary folder in " + Utf8FromPath(temp) + (ec ? ": " + ec.message() : ""));
        return false;
    }
    m_lib->tmpdir = Utf8FromPath(m_lib->folder);
    m_lib->file = Utf8FromPath(m_lib->folder / "book.xlsx");
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_lib->tmpdir.data();
    m_lib->UseCLocale();
    m_lib->workbook = workbook_new_opt(m_lib->file.c_str(), &options);
    if (!m_lib->workbook) {
        Fail("cannot start the workbook");
        return false;
    }
    m_lib->date = workbook_add_format(m_lib->workbook);
    format_set_num_format(m_lib->date, "yyyy-mm-dd hh:mm:ss");
    m_lib->head = workbook_add_format(m_lib->workbook);
    format_set_bold(m_lib->head);
    format_set_bottom(m_lib->head, LXW_BORDER_THIN);
    m_lib->label = workbook_add_format(m_lib->workbook);
    format_set_bold(m_lib->label);
    return true;
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
    if (Failed() || !m_lib || !m_lib->workbook)
        return false;
    std::string name = m_name;
    if (m_part > 1)
        name += " (" + std::to_string(m_part) + ")";
    m_lib->sheet = workbook_add_worksheet(m_lib->workbook, name.c_str());
    if (!m_lib->sheet) {
        Fail("cannot add the sheet " + name);
        return false;
    }
    lxw_worksheet* sheet = m_lib->sheet;
    size_t labelWidth = 0;
    for (const auto& fact : m_facts)
        labelWidth = std::max(labelWidth, TextWidth(fact.first));
    for (size_t c = 0; c < m_columns.size(); ++c) {
        double width = ColumnWidth(m_columns[c]);
        if (c == 0)
            width = std::max(width, static_cast<double>(labelWidth) + 2);
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr);
    }
    m_row = 0;
    for (const auto& [label, value] : m_facts) {
        worksheet_write_string(sheet, m_row, 0, label.c_str(), m_lib->label);
        worksheet_write_string(sheet, m_row, 1, value.c_str(), nullptr);
        ++m_row;
    }
    if (!m_facts.empty())
        ++m_row;
    for (size_t c = 0; c < m_columns.size(); ++c)
        worksheet_write_string(sheet, m_row, static_cast<lxw_col_t>(c), m_columns[c].head.c_str(),
                               m_lib->head);
    worksheet_freeze_panes(sheet, m_row + 1, 0);
    return true;
}

void XlsxBook::Row() {
    if (Failed())
        return;
    if (m_row + 1 >= LXW_ROW_MAX) {
        ++m_part;
        StartSheet();
    }
    ++m_row;
}

void XlsxBook::Number(int column, double value) {
    if (!std::isfinite(value)) {
        char text[16];
        Text(column, std::string_view(text, static_cast<size_t>(
                                                std::to_chars(text, text + sizeof text, value).ptr - text)));
        return;
    }
    if (Failed())
        return;
    const lxw_error e =
        worksheet_write_number(m_lib->sheet, m_row, static_cast<lxw_col_t>(column), value, nullptr);
    if (e != LXW_NO_ERROR)
        Fail(lxw_strerror(e));
}

void XlsxBook::Date(int column, double clockSeconds) {
    if (Failed())
        return;
    const lxw_error e = worksheet_write_number(m_lib->sheet, m_row, static_cast<lxw_col_t>(column),
                                               clockSeconds / 86400 + kExcelEpochDay, m_lib->date);
    if (e != LXW_NO_ERROR)
        Fail(lxw_strerror(e));
}

void XlsxBook::Text(int column, std::string_view text) {
    if (Failed())
        return;
    const std::string copy(text);
    const lxw_error e =
        worksheet_write_string(m_lib->sheet, m_row, static_cast<lxw_col_t>(column), copy.c_str(), nullptr);
    if (e != LXW_NO_ERROR)
        Fail(lxw_strerror(e));
}

bool XlsxBook::Finish(std::FILE* out) {
    if (!m_lib || !m_lib->workbook) {
        Fail("the workbook was not started");
        return false;
    }
    lxw_workbook* workbook = m_lib->workbook;
    m_lib->workbook = nullptr;
    if (Failed()) {
        workbook_close(workbook);
        return false;
    }
    const lxw_error closed = workbook_close(workbook); // frees the workbook
    m_lib->RestoreLocale();
    if (closed != LXW_NO_ERROR) {
        Fail(lxw_strerror(closed));
        return false;
    }
    std::FILE* in = OpenFileUtf8(m_lib->file, "rb");
    if (!in) {
        Fail(std::string("cannot read the temporary workbook: ") + std::strerror(errno));
        return false;
    }
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (size_t n; ok && (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
        if (std::fwrite(buffer.data(), 1, n, out) != n) {
            Fail(std::strerror(errno));
            ok = false;
        }
    if (ok && std::ferror(in)) {
        Fail("cannot read the temporary workbook");
        ok = false;
    }
    std::fclose(in);
    if (ok && std::fflush(out) != 0) {
        Fail(std::strerror(errno));
        ok = false;
    }
    return ok;
}
