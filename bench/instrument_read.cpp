// A 40-block archive read from kx208m-sim over a pseudo-terminal paced at
// 9600 baud, against the wire time of every byte the read exchanged (10 bit
// times a byte: start, 8 data, stop). The counter wire_ratio is the measured
// time over that wire time; 1.03 is the budget.

#include "ArchiveData.h"
#include "Instrument.h"
#include "ReadArchive.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Counts the bytes that cross the link in either direction.
class CountingLink final : public Transport {
  public:
    explicit CountingLink(std::unique_ptr<Transport> inner) : m_inner(std::move(inner)) {}
    bool PurgeReceived() override { return m_inner->PurgeReceived(); }
    int Write(const uint8_t* d, size_t n, int t) override { return Count(m_inner->Write(d, n, t)); }
    int Read(uint8_t* d, size_t n, int t) override { return Count(m_inner->Read(d, n, t)); }
    static inline long long bytes = 0;

  private:
    static int Count(int n) {
        if (n > 0)
            bytes += n;
        return n;
    }
    std::unique_ptr<Transport> m_inner;
};

struct SimChild {
    pid_t pid = -1;
    std::string path;
    explicit SimChild(const std::vector<std::string>& args) {
        const std::string exe = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "kx208m-sim";
        std::vector<std::string> all = {exe};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(out[1]);
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            path += c;
        close(out[0]);
    }
    ~SimChild() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

void ReadOverPty(benchmark::State& state, int baud) {
    // 590 records used: 590 × 16 / 240 + 1 = 40 blocks.
    SimChild sim({"--generate", "600", "--used", "590", "--baud", std::to_string(baud)});
    if (sim.path.empty()) {
        state.SkipWithError("kx208m-sim did not start");
        return;
    }
    CDeviceList devices;
    devices.Sources().SetHardwareScan(false);
    devices.Sources().AddExplicit(sim.path);
    devices.Enumerate();
    CInstrument* inst = devices.Connect(0);
    if (!inst || !inst->QueryVersion() || !inst->QuerySerialNumber() || !inst->QueryKind()) {
        state.SkipWithError("cannot connect to kx208m-sim");
        return;
    }
    devices.Connection().PortClose();
    devices.Connection().PortAttach(std::make_unique<CountingLink>(OpenSerialTransport(sim.path)));
    const std::string backup = std::filesystem::temp_directory_path() / "tervik-bench-read_backup.mnr";
    double measured = 0, wire = 0;
    int records = 0;
    StderrDeviceUi ui;
    for (auto _ : state) {
        CArchiveData archive;
        archive.SetBackupPath(backup);
        CountingLink::bytes = 0;
        const auto start = std::chrono::steady_clock::now();
        records = ReadFromDevice(inst, archive, ui, nullptr, false);
        measured += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (baud > 0)
            wire += static_cast<double>(CountingLink::bytes) * 10.0 / baud;
    }
    devices.CloseCurrent();
    std::filesystem::remove(backup);
    state.counters["records"] = records;
    state.counters["bytes"] = static_cast<double>(CountingLink::bytes);
    if (baud > 0) {
        state.counters["wire_s"] = wire / static_cast<double>(state.iterations());
        state.counters["wire_ratio"] = measured / wire;
    }
}

void BM_ReadFortyBlocks9600(benchmark::State& state) {
    ReadOverPty(state, 9600);
}
void BM_ReadFortyBlocksUnpaced(benchmark::State& state) {
    ReadOverPty(state, 0);
}

} // namespace

BENCHMARK(BM_ReadFortyBlocks9600)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_ReadFortyBlocksUnpaced)->Unit(benchmark::kMillisecond)->UseRealTime();
