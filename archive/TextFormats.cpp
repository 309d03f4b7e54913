#include "ArchiveData.h"
#include "NumText.h"
#include "ReadFile.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

// One parsed line of a text file.
struct TextCycle {
    int second = 0, minute = 0, hour = 0, day = 0, month = 0, year = 0;
    bool zero = false;
    double temperature = 0; // °C
    double pressure = 0;    // mm Hg
    double concentration = 0;
    uint32_t seriesNumber = 1;
};

// The file's lines as a text-mode reader with a 255-byte buffer sees them:
// CR LF is one line end, a line is at most 254 characters (a longer one comes
// in pieces), and a NUL byte ends the text of its line.
class LineReader {
public:
    static std::optional<LineReader> Open(const std::string& path) {
        FilePtr f = OpenRegularFileForReading(path);
        if (!f)
            return std::nullopt;
        LineReader r;
        char buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0)
            r.m_data.append(buffer, got);
        if (std::ferror(f.get()))
            return std::nullopt;
        return r;
    }

    // The next piece, with its '\n' when the line ends within it.
    bool Next(std::string& line) {
        constexpr size_t kMaxPiece = 254;
        line.clear();
        if (m_pos >= m_data.size())
            return false;
        while (m_pos < m_data.size() && line.size() < kMaxPiece) {
            char c = m_data[m_pos++];
            if (c == '\r' && m_pos < m_data.size() && m_data[m_pos] == '\n')
                c = m_data[m_pos++];
            line.push_back(c);
            if (c == '\n')
                break;
        }
        const size_t nul = line.find('\0');
        if (nul != std::string::npos)
            line.resize(nul);
        return true;
    }

private:
    std::string m_data;
    size_t m_pos = 0;
};

// strtok over one line: skips leading delimiters, then the token runs to the
// next delimiter of the set given for this call.
class Tokenizer {
public:
    explicit Tokenizer(std::string& line) : m_p(line.data()) {}

    const char* Next(const char* delims) {
        if (!m_p)
            return nullptr;
        m_p += std::strspn(m_p, delims);
        if (*m_p == '\0') {
            m_p = nullptr;
            return nullptr;
        }
        char* token = m_p;
        m_p += std::strcspn(m_p, delims);
        if (*m_p != '\0')
            *m_p++ = '\0';
        else
            m_p = nullptr;
        return token;
    }

private:
    char* m_p;
};

constexpr const char* kBlank = " \t";

// Reads the three date fields "a.b.c" in the order they stand in the line;
// which of them is the day and which the year is the format's business.
bool ReadDateFields(Tokenizer& tok, int (&fields)[3]) {
    const char* a = tok.Next(".");
    const char* b = a ? tok.Next(".") : nullptr;
    const char* c = b ? tok.Next(kBlank) : nullptr;
    if (!c)
        return false;
    fields[0] = ParseInt(a);
    fields[1] = ParseInt(b);
    fields[2] = ParseInt(c);
    return true;
}

// Reads the time "h:m:s" into c.
bool ReadTime(Tokenizer& tok, TextCycle& c) {
    const char* h = tok.Next(":");
    const char* m = h ? tok.Next(":") : nullptr;
    const char* s = m ? tok.Next(kBlank) : nullptr;
    if (!s)
        return false;
    c.hour = ParseInt(h);
    c.minute = ParseInt(m);
    c.second = ParseInt(s);
    return true;
}

std::optional<TextCycle> ParseDatLine(std::string line) {
    for (char& ch : line)
        if (ch == ',')
            ch = '.';
    Tokenizer tok(line);
    TextCycle c;
    int date[3];
    if (!ReadDateFields(tok, date))
        return std::nullopt;
    c.day = date[0];
    c.month = date[1];
    c.year = date[2];
    if (!ReadTime(tok, c))
        return std::nullopt;
    const char* conc = tok.Next(kBlank) ? tok.Next(kBlank) : nullptr;
    if (!conc || !tok.Next(kBlank) || !tok.Next(kBlank))
        return std::nullopt;
    const char* temp = tok.Next(kBlank);
    const char* pres = temp ? tok.Next(kBlank) : nullptr;
    if (!pres)
        return std::nullopt;
    for (int i = 0; i < 6; ++i)
        if (!tok.Next(kBlank))
            return std::nullopt;
    const char* code = tok.Next(" \t\n");
    if (!code)
        return std::nullopt;
    c.concentration = ParseDouble(conc);
    c.temperature = ParseDouble(temp);
    c.pressure = ParseDouble(pres);
    const int cycle = ParseInt(code);
    if (cycle == 11)
        c.zero = true;
    else if (cycle != 20)
        return std::nullopt;
    return c;
}

std::optional<TextCycle> ParseOrlo2Line(std::string line) {
    for (char& ch : line)
        if (ch == ',')
            ch = ' ';
    Tokenizer tok(line);
    TextCycle c;
    int date[3];
    if (!ReadDateFields(tok, date))
        return std::nullopt;
    const int year = date[0];
    c.year = year > INT_MAX - 2000 ? INT_MAX : year + 2000; // only the last two digits are kept
    c.month = date[1];
    c.day = date[2];
    if (!ReadTime(tok, c))
        return std::nullopt;
    const char* flag = tok.Next(kBlank);
    if (!flag)
        return std::nullopt;
    if (flag[0] == 'B')
        c.zero = true;
    else if (flag[0] != 'F')
        return std::nullopt;
    const char* number = tok.Next(kBlank);
    const char* temp = number ? tok.Next(kBlank) : nullptr;
    const char* pres = temp ? tok.Next(kBlank) : nullptr;
    const char* conc = pres ? tok.Next(kBlank) : nullptr;
    if (!conc)
        return std::nullopt;
    c.seriesNumber = static_cast<uint32_t>(ParseInt(number));
    c.temperature = ParseDouble(temp);
    c.pressure = ParseDouble(pres);
    c.concentration = ParseDouble(conc);
    return c;
}

// Values beyond single precision become infinite, as the hardware rounds them.
float ToFloat(double v) {
    if (v > FLT_MAX)
        return INFINITY;
    if (v < -FLT_MAX)
        return -INFINITY;
    return static_cast<float>(v);
}

ArchiveRecord ToRecord(const TextCycle& c) {
    ArchiveRecord r{};
    const auto bcd2 = [](int v) { return ArchiveRecord::ToBcd(v); }; // the last two decimal digits
    r.raw[0] = bcd2(c.second);
    r.raw[1] = bcd2(c.minute);
    r.raw[2] = bcd2(c.hour);
    r.raw[3] = bcd2(c.day);
    r.raw[4] = bcd2(c.month);
    r.raw[5] = bcd2(c.year % 100);
    r.SetFlags(c.zero ? RF_ZERO : 0);
    r.SetSeriesNumber(1);
    // Truncation toward zero, then the low 16 bits as the field stores them.
    r.SetTemperature(static_cast<int16_t>(TruncateToInt(c.temperature * 10)));
    r.SetPressure(static_cast<uint16_t>(TruncateToInt(c.pressure)));
    r.SetConcentration(ToFloat(c.concentration));
    return r;
}

} // namespace

int CArchiveData::LoadDat(const std::string& path) {
    std::optional<LineReader> reader = LineReader::Open(path);
    if (!reader) {
        Report("Can't open file");
        return 0;
    }
    std::vector<TextCycle> cycles;
    TextCycle run;
    int runLength = 0;
    const auto flush = [&] {
        run.temperature /= runLength;
        run.pressure /= runLength;
        run.concentration /= runLength;
        cycles.push_back(run);
        runLength = 0;
    };
    std::string line;
    while (reader->Next(line)) {
        std::optional<TextCycle> c = ParseDatLine(line);
        if (!c || !c->zero) {
            if (runLength > 0)
                flush();
            if (c)
                cycles.push_back(*c);
            continue;
        }
        // A run of zero lines becomes one zero cycle: the time of its last
        // line and the averages of its values.
        if (runLength > 0) {
            c->temperature += run.temperature;
            c->pressure += run.pressure;
            c->concentration += run.concentration;
        }
        run = *c;
        ++runLength;
    }
    if (runLength > 0)
        flush();

    // The file holds zero-corrected values; add back the zero level in force.
    double level = 0;
    for (TextCycle& c : cycles) {
        c.concentration += level;
        if (c.zero)
            level = c.concentration;
    }

    m_header = ArchiveHeader::Build(0, 2, 0);
    Clear();
    std::vector<ArchiveRecord> records;
    records.reserve(cycles.size());
    for (const TextCycle& c : cycles)
        records.push_back(ToRecord(c));
    return AssignRecords(std::move(records), true);
}

int CArchiveData::LoadOrlo2Txt(const std::string& path) {
    std::optional<LineReader> reader = LineReader::Open(path);
    if (!reader) {
        Report("Can't open file");
        return 0;
    }
    std::string line;
    if (!reader->Next(line) || line.compare(0, 4, "Date") != 0) {
        Report("Wrong Orlo2 file format", 142);
        return 0;
    }
    std::vector<ArchiveRecord> records;
    while (reader->Next(line)) {
        if (std::optional<TextCycle> c = ParseOrlo2Line(line)) {
            ArchiveRecord r = ToRecord(*c);
            r.SetSeriesNumber(static_cast<uint8_t>(c->seriesNumber & 0xFF));
            records.push_back(r);
        }
    }
    m_header = ArchiveHeader::Build(0, 5, 0);
    Clear();
    return AssignRecords(std::move(records), true);
}
