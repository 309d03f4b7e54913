#pragma once

// Shared pieces of the tervik-cli commands: option parsing, loading a file
// by its format, and the curve options every data command takes.

#include "ArchiveData.h"
#include "ArchiveFormats.h"
#include "AtomicFile.h"
#include "IntervalStats.h"
#include "MnrStream.h"
#include "SeriesFormat.h"
#include "TervikDocument.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // load or I/O failure
constexpr int kExitUsage = 2;

// Options of one command: "--name value" pairs, "--name=value", flags and
// positional arguments. Each command states which names take a value.
class CliArgs {
  public:
    // valueOptions: names (without "--") that take one value; flagOptions:
    // names that take none; multiOptions: names with their value count.
    bool Parse(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
               const std::vector<std::string>& flagOptions,
               const std::map<std::string, int>& multiOptions = {});

    bool Has(const std::string& name) const { return m_values.count(name) != 0; }
    // The (first) value of an option, or fallback.
    std::string Get(const std::string& name, const std::string& fallback = "") const;
    const std::vector<std::string>& GetAll(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return m_positional; }
    const std::string& Error() const { return m_error; }

  private:
    std::map<std::string, std::vector<std::string>> m_values;
    std::vector<std::string> m_positional;
    std::string m_error;
};

// An output file replaced all at once on Commit (see AtomicFile), so a
// failed write never leaves a truncated file; the standard output when path
// is empty, "-" or /dev/stdout.
class OutputFile {
  public:
    explicit OutputFile(std::string path) : m_path(std::move(path)) {}
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool Open(); // false when it cannot be created
    std::FILE* Get() const { return m_file; }
    bool Commit(); // false when anything written was lost
    std::string Name() const { return m_path.empty() ? "the output" : m_path; }
    // Why a file could not be written, e.g. "File too large", from the errno
    // of a failed print or else the writer's; empty for standard output.
    std::string Reason(int printError) const;

  private:
    std::string m_path;
    std::unique_ptr<AtomicFile> m_writer;
    std::FILE* m_file = nullptr;
};

// Prints "tervik-cli: <message>" on stderr; returns the exit code given.
int CliError(int code, const std::string& message);

// Prints the archive layer's messages as "tervik-cli: <subject>: <message>",
// the subject being the file the command is working on.
class CliReporter final : public IReporter {
  public:
    void ShowMessage(std::string_view englishText, int uiOffset) override;
    std::string subject;
};
CliReporter& TheCliReporter();

// Whole-string number parsing; false when the text is not entirely a
// decimal number (no hexadecimal, inf or nan) or is out of range.
bool ParseIntArg(const std::string& text, long long& value);
bool ParseDoubleArg(const std::string& text, double& value);

// Loads path into the command's document, reporting through TheCliReporter(), by --format (mnr, dat,
// orlo2) or by its extension (case-insensitive: .mnr, .dat, .txt). Returns kExitOk, or an exit code
// after printing why; the document then has an archive.
int LoadArchiveFile(const std::string& path, const std::string& format, TervikDocument& document);
// The same in a format already chosen (ArchiveFormatOf).
int LoadArchiveFile(const std::string& path, const ArchiveFormat& kind, TervikDocument& document);
// The format LoadArchiveFile would read path by: kExitOk with kind set, or an exit code after printing
// why.
int ArchiveFormatOf(const std::string& path, const std::string& format, const ArchiveFormat*& kind);
// Opens stream on the *.mnr file at path for the series --series names (none when it names none) and
// walks that skip bad records when skipBad: kExitOk, or an exit code after printing why, as
// LoadArchiveFile. The series is checked afterwards with ReadSeriesIndex(args, stream.SeriesCount(), ...).
int OpenSeriesStream(const std::string& path, const CliArgs& args, bool skipBad, MnrSeriesStream& stream);

// Names of the curve options, for CliArgs::Parse.
extern const std::vector<std::string> kCurveValueOptions; // zero-correction, std-temp, std-pres
extern const std::vector<std::string> kCurveFlagOptions;  // no-filter

// Reads --zero-correction yes|no, --std-temp C, --std-pres MMHG, --no-filter.
// The temperature in degrees becomes tenths, truncated toward zero.
bool ReadCurveOptions(const CliArgs& args, CurveOptions& options, std::string& error);

// Both of the above; on failure prints why and returns kExitUsage.
int ReadSeriesAndCurveOptions(const CliArgs& args, const CArchiveData& archive, int& index,
                              CurveOptions& options);

// The name of --time-base local|ZONE|UTC+HH:MM, for CliArgs::Parse.
extern const std::string kTimeBaseOption;
// Makes --time-base, when given, the active time base of the run
// (TimeBase.h); kExitOk, or kExitUsage after printing why.
int ApplyTimeBaseOption(const CliArgs& args);

// Reads --interval 1h|1d|MINUTES, --limit X and --view XMIN XMAX (epoch seconds).
bool ReadIntervalOptions(const CliArgs& args, IntervalOptions& options, std::string& error);

// Reads --series N (1-based, required) into a 0-based index that exists.
bool ReadSeriesIndex(const CliArgs& args, const CArchiveData& archive, int& index, std::string& error);
bool ReadSeriesIndex(const CliArgs& args, int seriesCount, int& index, std::string& error);
