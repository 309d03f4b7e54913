#include "CliCommon.h"

#include "ArchiveFormats.h"
#include "NativePath.h"
#include "NumText.h"
#include "TimeBase.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

bool CliArgs::Parse(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                    const std::vector<std::string>& flagOptions,
                    const std::map<std::string, int>& multiOptions) {
    const auto takes = [](const std::vector<std::string>& names, const std::string& n) {
        return std::find(names.begin(), names.end(), n) != names.end();
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0 || a == "--") {
            if (a == "-o" && i + 1 < args.size()) {
                m_values["output"].push_back(args[++i]);
                continue;
            }
            if (a == "-o") {
                m_error = "option -o needs a value";
                return false;
            }
            m_positional.push_back(a);
            continue;
        }
        std::string name = a.substr(2);
        std::optional<std::string> inlineValue;
        if (const size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        if (takes(flagOptions, name)) {
            if (inlineValue && !takes(valueOptions, name)) {
                m_values[name].push_back(*inlineValue);
                continue;
            }
            if (!takes(valueOptions, name)) {
                m_values[name];
                continue;
            }
        }
        if (takes(valueOptions, name)) {
            if (inlineValue) {
                m_values[name].push_back(*inlineValue);
            } else if (i + 1 < args.size()) {
                m_values[name].push_back(args[++i]);
            } else {
                m_error = "option --" + name + " needs a value";
                return false;
            }
            continue;
        }
        if (const auto it = multiOptions.find(name); it != multiOptions.end()) {
            if (i + static_cast<size_t>(it->second) >= args.size()) {
                m_error = "option --" + name + " needs " + std::to_string(it->second) + " values";
                return false;
            }
            auto& v = m_values[name];
            for (int k = 0; k < it->second; ++k)
                v.push_back(args[++i]);
            continue;
        }
        m_error = "unknown option --" + name;
        return false;
    }
    return true;
}

std::string CliArgs::Get(const std::string& name, const std::string& fallback) const {
    const auto it = m_values.find(name);
    return it == m_values.end() || it->second.empty() ? fallback : it->second.front();
}

const std::vector<std::string>& CliArgs::GetAll(const std::string& name) const {
    static const std::vector<std::string> none;
    const auto it = m_values.find(name);
    return it == m_values.end() ? none : it->second;
}

OutputFile::~OutputFile() = default;

bool OutputFile::Open() {
    if (m_path.empty() || m_path == "-" || m_path == "/dev/stdout") {
        m_file = stdout;
        return true;
    }
    m_writer = std::make_unique<AtomicFile>(m_path);
    if (!m_writer->Open()) {
        m_writer.reset();
        return false;
    }
    m_file = m_writer->Stream();
    return true;
}

bool OutputFile::Commit() {
    if (!m_file)
        return false;
    m_file = nullptr;
    if (!m_writer)
        return std::fflush(stdout) == 0 && !std::ferror(stdout);
    return m_writer->Commit();
}

std::string OutputFile::Reason(int printError) const {
    if (!m_writer)
        return {};
    const int error = printError != 0 ? printError : m_writer->Error();
    return error != 0 ? std::strerror(error) : std::string();
}

int CliError(int code, const std::string& message) {
    std::fprintf(stderr, "tervik-cli: %s\n", message.c_str());
    return code;
}

void CliReporter::ShowMessage(std::string_view text, int) {
    if (subject.empty())
        std::fprintf(stderr, "tervik-cli: %.*s\n", static_cast<int>(text.size()), text.data());
    else
        std::fprintf(stderr, "tervik-cli: %s: %.*s\n", subject.c_str(), static_cast<int>(text.size()),
                     text.data());
}

CliReporter& TheCliReporter() {
    static CliReporter reporter;
    return reporter;
}

bool ParseIntArg(const std::string& text, long long& value) {
    const char* b = text.data();
    const char* e = b + text.size();
    if (b != e && *b == '+')
        ++b;
    const auto res = std::from_chars(b, e, value);
    return res.ec == std::errc() && res.ptr == e && b != e;
}

bool ParseDoubleArg(const std::string& text, double& value) {
    // The decimal form the file readers take, as the whole text: sign,
    // digits with an optional point, an optional exponent. No hexadecimal,
    // inf or nan.
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0, digits = 0;
    bool nonZero = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    for (; i < text.size() && digit(text[i]); ++i, ++digits)
        nonZero = nonZero || text[i] != '0';
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && digit(text[i]); ++i, ++digits)
            nonZero = nonZero || text[i] != '0';
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const size_t from = i;
        while (i < text.size() && digit(text[i]))
            ++i;
        if (i == from)
            return false;
    }
    if (i != text.size())
        return false;
    value = ParseDecimal(text.c_str());
    // Out of the range of a double: an overflow, or digits that are not all
    // zero read as 0 or a denormal.
    return std::isfinite(value) && (!nonZero || std::fabs(value) >= DBL_MIN);
}

int ArchiveFormatOf(const std::string& path, const std::string& format, const ArchiveFormat*& kind) {
    kind = nullptr;
    if (format.empty()) {
        const std::string ext = Utf8FromPath(PathFromUtf8(path).extension());
        kind = ext.size() > 1 ? FormatByExtension(std::string_view(ext).substr(1)) : nullptr;
        if (!kind)
            return CliError(kExitUsage,
                            "cannot tell the format of " + path + " by its extension; use --format");
    } else if (!(kind = FormatByKey(format))) {
        return CliError(kExitUsage, "unknown format '" + format + "' (" + FormatKeyList() + ")");
    }
    return kExitOk;
}

int LoadArchiveFile(const std::string& path, const std::string& format, TervikDocument& document) {
    const ArchiveFormat* kind = nullptr;
    if (const int rc = ArchiveFormatOf(path, format, kind))
        return rc;
    return LoadArchiveFile(path, *kind, document);
}

int LoadArchiveFile(const std::string& path, const ArchiveFormat& kind, TervikDocument& document) {
    TheCliReporter().subject = path;
    // Messages after the load (a save's) go to the same reporter.
    document.SetReporter(&TheCliReporter());
    if (document.Load(kind, path, DataProvenance::FromFile(DataProvenance::Way::File, path),
                      TheCliReporter()) == 0)
        return CliError(kExitFailure, "no records loaded from " + path);
    return kExitOk;
}

int OpenSeriesStream(const std::string& path, const CliArgs& args, bool skipBad, MnrSeriesStream& stream) {
    long long n = 0;
    // A --series that is not a number is refused after the file is read, as
    // with a loaded archive.
    if (!args.Has("series") || !ParseIntArg(args.Get("series"), n) || n < 1 || n > INT_MAX)
        n = 0;
    TheCliReporter().subject = path;
    if (!stream.Open(path, static_cast<int>(n - 1), skipBad, TheCliReporter()) || stream.SeriesCount() == 0)
        return CliError(kExitFailure, "no records loaded from " + path);
    return kExitOk;
}

const std::vector<std::string> kCurveValueOptions = {"zero-correction", "std-temp", "std-pres"};
const std::vector<std::string> kCurveFlagOptions = {"no-filter"};

const std::string kTimeBaseOption = "time-base";

int ApplyTimeBaseOption(const CliArgs& args) {
    if (!args.Has(kTimeBaseOption))
        return kExitOk;
    const std::string text = args.Get(kTimeBaseOption);
    TimeBase base;
    std::string where;
    TimeBaseError error = ParseTimeBase(text, base);
    if (error == TimeBaseError::None)
        error = SetActiveTimeBase(base, &where);
    switch (error) {
    case TimeBaseError::None:
        return kExitOk;
    case TimeBaseError::BadText:
    case TimeBaseError::BadOffset:
        return CliError(kExitUsage,
                        "--time-base takes local, a zone name such as Europe/Moscow, or UTC+HH:MM "
                        "from UTC-14:00 to UTC+14:00; not '" +
                            text + "'");
    case TimeBaseError::NoDatabase:
        return CliError(kExitUsage, "--time-base " + text +
                                        ": named time zones need a zone database; set TZDIR to its folder");
    case TimeBaseError::UnknownZone:
        return CliError(kExitUsage, "--time-base: there is no time zone " + text + " (" + where + ")");
    case TimeBaseError::BadZoneFile:
        break;
    }
    return CliError(kExitUsage, "--time-base: " + where + " is not a time zone file this program reads");
}

bool ReadIntervalOptions(const CliArgs& args, IntervalOptions& options, std::string& error) {
    options = IntervalOptions{};
    const std::string interval = args.Get("interval", "1h");
    long long minutes = 0;
    if (interval == "1h")
        options.minutes = 60;
    else if (interval == "1d")
        options.minutes = 1440;
    else if (ParseIntArg(interval, minutes) && minutes >= 1 && minutes <= 1440)
        options.minutes = static_cast<int>(minutes);
    else {
        error = "--interval takes 1h, 1d or a number of minutes from 1 to 1440";
        return false;
    }
    if (args.Has("limit")) {
        if (!ParseDoubleArg(args.Get("limit"), options.limit)) {
            error = "--limit takes a number in the unit of the results";
            return false;
        }
        options.haveLimit = true;
    }
    if (args.Has("view")) {
        const auto& v = args.GetAll("view");
        if (!ParseDoubleArg(v[0], options.xmin) || !ParseDoubleArg(v[1], options.xmax)) {
            error = "--view takes two times in epoch seconds";
            return false;
        }
        // An empty or reversed range is a slip, not a request for no points
        // (and the report's chart could not show it).
        if (!(options.xmin < options.xmax)) {
            error = "--view takes XMIN below XMAX";
            return false;
        }
    }
    return true;
}

bool ReadCurveOptions(const CliArgs& args, CurveOptions& options, std::string& error) {
    options = CurveOptions{};
    const std::string zc = args.Get("zero-correction", "yes");
    if (zc == "yes")
        options.zeroCorrection = true;
    else if (zc == "no")
        options.zeroCorrection = false;
    else {
        error = "--zero-correction takes yes or no";
        return false;
    }
    if (args.Has("std-temp")) {
        double c;
        if (!ParseDoubleArg(args.Get("std-temp"), c) || !(std::fabs(c) < 2e8)) {
            error = "--std-temp takes a temperature in degrees Celsius";
            return false;
        }
        options.stdTemp = TruncateToInt(c * 10);
    }
    if (args.Has("std-pres")) {
        long long p;
        if (!ParseIntArg(args.Get("std-pres"), p) || p < INT32_MIN || p > INT32_MAX) {
            error = "--std-pres takes a whole pressure in mm Hg";
            return false;
        }
        options.stdPres = static_cast<int>(p);
    }
    options.filter = !args.Has("no-filter");
    return true;
}

bool ReadSeriesIndex(const CliArgs& args, const CArchiveData& archive, int& index, std::string& error) {
    return ReadSeriesIndex(args, archive.GetSeriesCount(), index, error);
}

bool ReadSeriesIndex(const CliArgs& args, int seriesCount, int& index, std::string& error) {
    if (!args.Has("series")) {
        error = "--series N is required";
        return false;
    }
    long long n;
    if (!ParseIntArg(args.Get("series"), n) || n < 1) {
        error = "--series takes a number from 1";
        return false;
    }
    if (n > seriesCount) {
        error =
            "there is no series " + std::to_string(n) + " (the file has " + std::to_string(seriesCount) + ")";
        return false;
    }
    index = static_cast<int>(n - 1);
    return true;
}

int ReadSeriesAndCurveOptions(const CliArgs& args, const CArchiveData& archive, int& index,
                              CurveOptions& options) {
    std::string error;
    if (!ReadSeriesIndex(args, archive, index, error) || !ReadCurveOptions(args, options, error))
        return CliError(kExitUsage, error);
    return kExitOk;
}
