#include "ArchiveData.h"
#include "NumText.h"
#include "ReadFile.h"
#include "TextLines.h"

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
    c.concentration = ParseDecimal(conc);
    c.temperature = ParseDecimal(temp);
    c.pressure = ParseDecimal(pres);
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
    c.temperature = ParseDecimal(temp);
    c.pressure = ParseDecimal(pres);
    c.concentration = ParseDecimal(conc);
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

TextLineReader::TextLineReader(FilePtr file, size_t chunkSize)
    : m_file(std::move(file)), m_buffer(chunkSize > 0 ? chunkSize : 1) {}

int TextLineReader::Peek() {
    if (m_pos == m_end) {
        if (!m_file)
            return EOF;
        m_pos = 0;
        m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file.get());
        if (m_end == 0) {
            m_failed = std::ferror(m_file.get()) != 0;
            m_file.reset();
            return EOF;
        }
    }
    return static_cast<unsigned char>(m_buffer[m_pos]);
}

bool TextLineReader::Next(std::string& line) {
    constexpr size_t kMaxPiece = 254;
    line.clear();
    if (Peek() == EOF)
        return false;
    while (line.size() < kMaxPiece) {
        int c = Get();
        if (c == EOF)
            break;
        if (c == '\r' && Peek() == '\n')
            c = Get();
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    const size_t nul = line.find('\0');
    if (nul != std::string::npos)
        line.resize(nul);
    return true;
}

int CArchiveData::LoadDat(const std::string& path) {
    FilePtr file = OpenRegularFileForReading(path);
    if (!file) {
        Report("Can't open file");
        return 0;
    }
    TextLineReader reader(std::move(file));
    // Cycles become records as they are complete, so only the records are
    // held, never the text or the parsed lines.
    RecordVector records;
    bool tooMany = false;
    double level = 0; // the zero level in force, added back to each cycle
    const auto append = [&](TextCycle c) {
        // The file holds zero-corrected values.
        c.concentration += level;
        if (c.zero)
            level = c.concentration;
        const ArchiveRecord r = ToRecord(c);
        if (!r.IsValid())
            return;
        if (records.size() >= kMaxArchiveRecords)
            tooMany = true;
        else
            records.push_back(r);
    };
    TextCycle run;
    int runLength = 0;
    const auto flush = [&] {
        run.temperature /= runLength;
        run.pressure /= runLength;
        run.concentration /= runLength;
        append(run);
        runLength = 0;
    };
    std::string line;
    while (!tooMany && reader.Next(line)) {
        std::optional<TextCycle> c = ParseDatLine(line);
        if (!c || !c->zero) {
            if (runLength > 0)
                flush();
            if (c)
                append(*c);
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
    if (runLength > 0 && !tooMany)
        flush();
    if (reader.Failed()) {
        Report("Can't open file");
        return 0;
    }
    if (tooMany) {
        Report(kTooManyRecordsText);
        return 0;
    }
    m_header = ArchiveHeader::Build(0, 2, 0);
    Clear();
    return AssignRecordVector(std::move(records), true);
}

int CArchiveData::LoadOrlo2Txt(const std::string& path) {
    FilePtr file = OpenRegularFileForReading(path);
    if (!file) {
        Report("Can't open file");
        return 0;
    }
    TextLineReader reader(std::move(file));
    std::string line;
    if (!reader.Next(line) || line.compare(0, 4, "Date") != 0) {
        if (reader.Failed())
            Report("Can't open file");
        else
            Report("Wrong Orlo2 file format", 142);
        return 0;
    }
    RecordVector records;
    while (reader.Next(line)) {
        if (std::optional<TextCycle> c = ParseOrlo2Line(line)) {
            ArchiveRecord r = ToRecord(*c);
            r.SetSeriesNumber(static_cast<uint8_t>(c->seriesNumber & 0xFF));
            if (!r.IsValid())
                continue;
            if (records.size() >= kMaxArchiveRecords) {
                Report(kTooManyRecordsText);
                return 0;
            }
            records.push_back(r);
        }
    }
    if (reader.Failed()) {
        Report("Can't open file");
        return 0;
    }
    m_header = ArchiveHeader::Build(0, 5, 0);
    Clear();
    return AssignRecordVector(std::move(records), true);
}
