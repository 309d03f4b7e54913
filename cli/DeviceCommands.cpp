// tervik-cli devices and read: the device dialog's listing and Read button
// without a window.

#include "CliCommon.h"
#include "Commands.h"
#include "Instrument.h"
#include "MnrCodec.h"
#include "ReadArchive.h"
#include "SimInstrument.h"
#include "StringTable.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#ifdef _WIN32
#include "NativePath.h"

#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Exit status of a read ended by SIGINT or SIGTERM.
constexpr int kExitInterrupted = 130;

// Set by the first SIGINT or SIGTERM during a read. The read stops after the
// block in hand, so the backup and the output keep every block read; the
// handler resets itself, and a second signal ends the program at once.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    g_interrupted = true;
}

#ifdef _WIN32
// The C runtime resets a handler before calling it, as SA_RESETHAND does.
void CatchInterrupts() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

bool StderrIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}
#else
bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

void CatchInterrupts() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}
#endif

// Answers the read's questions from the command line: a failed block is
// retried up to a number of times, an empty memory read only when asked.
class CliDeviceUi final : public IDeviceUi {
  public:
    CliDeviceUi(int retries, bool readEmpty, bool progressBar)
        : m_retries(retries), m_readEmpty(readEmpty), m_progressBar(progressBar) {}

    void ShowMessage(std::string_view text, int) override {
        EndProgressLine();
        std::fprintf(stderr, "tervik-cli: %.*s\n", static_cast<int>(text.size()), text.data());
    }

    bool Ask(Question q, std::string_view text, int, int block) override {
        EndProgressLine();
        if (q == Question::ReadEmptyMemory) {
            std::fprintf(stderr, "tervik-cli: %.*s %s\n", static_cast<int>(text.size()), text.data(),
                         m_readEmpty ? "yes (--read-empty)" : "no (use --read-empty)");
            return m_readEmpty;
        }
        if (g_interrupted)
            return false; // stopping: no more retries, and not a failure
        const bool yes = ++m_tries[block] <= m_retries;
        std::fprintf(stderr, "tervik-cli: failed to read archive block #%d: %s\n", block,
                     yes ? "retrying" : "giving up");
        if (!yes)
            m_incomplete = true;
        return yes;
    }

    int Progress(int n, int total) {
        if (g_interrupted)
            return 0;
        if (m_progressBar) {
            const int width = 40;
            const int filled =
                total > 0 ? std::min(width, static_cast<int>(int64_t{n} * width / total)) : width;
            std::fprintf(stderr, "\r[%s%s] %d of %d records",
                         std::string(static_cast<size_t>(filled), '#').c_str(),
                         std::string(static_cast<size_t>(width - filled), ' ').c_str(), n, total);
            std::fflush(stderr);
            m_lineOpen = true;
        }
        return 1;
    }

    void EndProgressLine() {
        if (m_lineOpen)
            std::fputc('\n', stderr);
        m_lineOpen = false;
    }

    bool Incomplete() const { return m_incomplete; }

  private:
    int m_retries;
    bool m_readEmpty;
    bool m_progressBar;
    bool m_lineOpen = false;
    bool m_incomplete = false;
    std::map<int, int> m_tries;
};

// Adds the sources named by --port and --simulate[=FILE] to sources.
// kExitOk, or kExitFailure with the reason when the simulator's memory file
// cannot be read.
int AddSources(const CliArgs& args, CDeviceSources& sources, std::string& error) {
    for (const std::string& p : args.GetAll("port"))
        sources.AddExplicit(p);
    if (args.Has("simulate")) {
        SimConfig config;
        std::vector<ArchiveRecord> memory;
        const std::string file = args.Get("simulate");
        std::vector<std::string> simArgs;
        if (!file.empty())
            simArgs = {"--mnr", file};
        if (!ParseSimArgs(simArgs, config, memory, error))
            return kExitFailure;
        sources.AddSimulated(std::make_shared<CKx208mSim>(config, std::move(memory)));
    }
    return kExitOk;
}

// What keeps a path named by --port from being a serial port; empty when it
// looks like one (the device may still be busy or not answer).
#ifdef _WIN32
std::string PortPathProblem(const std::string& path) {
    std::wstring name;
    if (!WideFromUtf8(path, name) || name.empty())
        return path + " is not a serial port name";
    if (name.size() > 3 && _wcsnicmp(name.c_str(), L"COM", 3) == 0)
        name = L"\\\\.\\" + name;
    const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            return {}; // in use
        return path + ": " + std::strerror(ErrnoFromWin32(error));
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    const bool serial = ::GetFileType(h) == FILE_TYPE_CHAR && ::GetCommState(h, &dcb);
    ::CloseHandle(h);
    return serial ? std::string() : path + " is not a serial port";
}
#else
std::string PortPathProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return path + ": " + std::strerror(errno);
    if (S_ISREG(st.st_mode))
        return path + " is a regular file, not a serial port";
    if (S_ISFIFO(st.st_mode))
        return path + " is a FIFO, not a serial port";
    if (S_ISDIR(st.st_mode))
        return path + " is a folder, not a serial port";
    if (!S_ISCHR(st.st_mode))
        return path + " is not a serial port";
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY ? std::string() : path + ": " + std::strerror(errno);
    const bool terminal = isatty(fd) != 0;
    ::close(fd);
    return terminal ? std::string() : path + " is a character device but not a serial port";
}
#endif

bool WriteArchive(const CArchiveData& archive, const std::string& path) {
    OutputFile out(path);
    if (!out.Open())
        return false;
    const auto& records = archive.GetRecords();
    return WriteMnr(MnrFileSink(out.Get()), archive.GetHeader(), records.data(), records.size()) &&
           out.Commit();
}

// Why the devices listed are not the expected ones (Windows: the D2XX library
// was there but could not be used).
void PrintListNote(CDeviceList& devices) {
    const std::string note = devices.Sources().ListNote(0);
    if (!note.empty())
        std::fprintf(stderr, "tervik-cli: %s\n", note.c_str());
}

int ParseTimeout(const CliArgs& args, CDeviceConnection& connection) {
    long long ms = 0;
    if (!args.Has("timeout"))
        return 0;
    if (!ParseIntArg(args.Get("timeout"), ms) || ms < 1 || ms > 600000)
        return -1;
    connection.PortSetTimeouts(static_cast<int>(ms), static_cast<int>(ms));
    return 0;
}

} // namespace

int CliDevices(const std::vector<std::string>& argv) {
    CliArgs args;
    if (!args.Parse(argv, {"port"}, {"simulate"}))
        return CliError(kExitUsage, args.Error());
    std::string error;
    CDeviceList devices;
    if (const int rc = AddSources(args, devices.Sources(), error))
        return CliError(rc, error);
    const int count = devices.Enumerate();
    PrintListNote(devices);
    if (count <= 0)
        return CliError(kExitFailure,
                        UIString(kUiNoDevicesFound, 0) + "\n" + UIString(PortNoDeviceHint(), 0));
    for (int i = 0; i < count; ++i)
        std::printf("%d\t%s\n", i + 1, devices.GetLine(i).c_str());
    return kExitOk;
}

int CliRead(const std::vector<std::string>& argv) {
    CliArgs args;
    if (!args.Parse(argv, {"device", "port", "retries", "timeout", "output"},
                    {"simulate", "force", "read-empty"}))
        return CliError(kExitUsage, args.Error());
    if (!args.Positional().empty())
        return CliError(kExitUsage, "unexpected argument " + args.Positional()[0]);
    const int sources =
        (args.Has("device") ? 1 : 0) + (args.Has("port") ? 1 : 0) + (args.Has("simulate") ? 1 : 0);
    if (sources != 1)
        return CliError(kExitUsage, "name one source: --device N, --port PATH or --simulate[=FILE]");
    if (!args.Has("output"))
        return CliError(kExitUsage, "-o OUT.mnr is required");
    long long retries = 3;
    if (args.Has("retries") && (!ParseIntArg(args.Get("retries"), retries) || retries < 0 || retries > 1000))
        return CliError(kExitUsage, "--retries takes a number from 0 to 1000");
    CDeviceList devices;
    if (ParseTimeout(args, devices.Connection()) != 0)
        return CliError(kExitUsage, "--timeout takes milliseconds from 1 to 600000");
    long long device = 1;
    if (args.Has("device")) {
        if (!ParseIntArg(args.Get("device"), device) || device < 1)
            return CliError(kExitUsage, "--device takes a number from the devices list");
    } else {
        // Only the named source is listed, so it is the one device.
        devices.Sources().SetHardwareScan(false);
    }
    std::string error;
    if (const int rc = AddSources(args, devices.Sources(), error))
        return CliError(rc, error);

    CatchInterrupts();
    const int count = devices.Enumerate();
    PrintListNote(devices);
    if (count <= 0)
        return CliError(kExitFailure,
                        UIString(kUiNoDevicesFound, 0) + "\n" + UIString(PortNoDeviceHint(), 0));
    if (device > count)
        return CliError(kExitUsage, "there are only " + std::to_string(count) + " devices");
    CInstrument* instrument = devices.Connect(static_cast<int>(device - 1));
    if (!instrument) {
        if (args.Has("port")) {
            const std::string problem = PortPathProblem(args.Get("port"));
            if (!problem.empty())
                return CliError(kExitFailure, problem);
        }
        return CliError(kExitFailure, UIString(kUiCantOpenDevice, 0));
    }
    uint32_t used = 0, available = 0;
    if (!instrument->QueryVersion() || !instrument->QuerySerialNumber())
        return CliError(kExitFailure, UIString(kUiDeviceDoesntRespond, 0));
    char line[256];
    std::snprintf(line, sizeof line, UIString(kUiDeviceConnected, 0).c_str(), instrument->GetSerialNumber());
    std::fprintf(stderr, "tervik-cli: %s\n", line);
    if (!instrument->QueryKind())
        return CliError(kExitFailure, UIString(kUiDeviceDoesntRespond, 0));
    if (!instrument->QueryArchiveStatus(used, available))
        return CliError(kExitFailure, UIString(kUiStatusReadFailed, 0));
    // Counts no instrument can have are shown as they came, unsigned, with a
    // note, as in the device dialog.
    if (StatusInRange(used, available))
        std::snprintf(line, sizeof line, UIString(kUiStatusRecords, 0).c_str(), static_cast<int>(used),
                      static_cast<int>(available));
    else
        std::snprintf(line, sizeof line, UIString(kUiStatusOutOfRange, 0).c_str(), used, available,
                      static_cast<int>(kMaxDeviceRecords));
    std::fprintf(stderr, "tervik-cli: %s\n", line);

    CliDeviceUi ui(static_cast<int>(retries), args.Has("read-empty"), StderrIsTerminal());
    TervikDocument document;
    document.SetReporter(&ui);
    CArchiveData& archive = document.EnsureArchive();
    if (g_interrupted)
        return CliError(kExitInterrupted, "interrupted before the read");
    ReadOutcome outcome;
    const int records = ReadFromDevice(
        instrument, archive, ui, [&ui](int n, int total) { return ui.Progress(n, total); }, args.Has("force"),
        &outcome);
    ui.EndProgressLine();
    devices.CloseCurrent();
    if (outcome.Partial())
        std::fprintf(stderr, "tervik-cli: %s\n", PartialReadText(outcome, 0).c_str());
    std::snprintf(line, sizeof line, UIString(kUiDoneRecords, 0).c_str(), records, archive.GetSeriesCount());
    std::fprintf(stderr, "tervik-cli: %s\n", line);
    const bool interrupted = g_interrupted;
    if (records == 0)
        return CliError(interrupted ? kExitInterrupted : kExitFailure, "no records read");
    if (!WriteArchive(archive, args.Get("output")))
        return CliError(kExitFailure, "cannot write " + args.Get("output"));
    if (interrupted)
        return CliError(kExitInterrupted, "interrupted: kept the records read before the signal");
    if (ui.Incomplete() || outcome.end == ReadOutcome::End::PositionLost ||
        outcome.end == ReadOutcome::End::Repeating)
        return CliError(kExitFailure, "read incomplete: kept the records read before the failed block");
    return kExitOk;
}
