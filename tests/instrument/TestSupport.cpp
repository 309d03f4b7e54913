#include "TestSupport.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
// kx208m-sim runs on a pseudo-terminal, so the child processes are POSIX only.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> v;
    for (const std::string& a : args)
        v.push_back(const_cast<char*>(a.c_str()));
    v.push_back(nullptr);
    return v;
}

} // namespace

SimProcess::SimProcess(const std::vector<std::string>& args) {
    std::vector<std::string> all = {KX208M_SIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    int out[2];
    if (pipe(out) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv = Argv(all);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        m_path += c;
    close(out[0]);
}

SimProcess::~SimProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

int SimProcess::Wait(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_pid > 0 && std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

int RunProgram(const std::vector<std::string>& args, const std::string& workDir, std::string& errText) {
    const std::string errFile = workDir + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    std::vector<char*> argv = Argv(args);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    errText.clear();
    if (FILE* f = std::fopen(errFile.c_str(), "r")) {
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            errText.append(buf, n);
        std::fclose(f);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

std::vector<ArchiveRecord> ReadMnrRecords(const std::string& path) {
    std::vector<ArchiveRecord> records;
    std::string error;
    LoadMnrRecords(path, records, error);
    return records;
}

std::string TempDir(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tervik-instrument-" + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

void ArchiveReadFixture::SetUp() {
    devices.Sources().SetHardwareScan(false);
    devices.Connection().PortSetTimeouts(m_timeoutMs, m_timeoutMs);
    dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    archive.SetBackupPath(dir + "/read_backup.mnr");
}

void ArchiveReadFixture::TearDown() {
    devices.CloseCurrent();
    std::filesystem::remove_all(dir);
}

#ifndef _WIN32
bool ArchiveReadFixture::Connect(const SimProcess& sim) {
    if (sim.Path().empty())
        return false;
    devices.Sources().AddExplicit(sim.Path());
    if (devices.Enumerate() != 1)
        return false;
    CInstrument* inst = devices.Connect(0);
    return inst && inst->QueryVersion() && inst->QuerySerialNumber() && inst->QueryKind();
}
#endif

int ArchiveReadFixture::Read(bool forced) {
    return ReadFromDevice(
        devices.GetCurrent(), archive, ui,
        [this](int n, int total) {
            progress.emplace_back(n, total);
            return stopAt > 0 && static_cast<int>(progress.size()) >= stopAt ? 0 : 1;
        },
        forced, &outcome);
}

bool SameRecords(std::span<const ArchiveRecord> a, std::span<const ArchiveRecord> b, size_t count) {
    if (a.size() < count || b.size() < count)
        return false;
    for (size_t i = 0; i < count; ++i)
        if (std::memcmp(a[i].raw, b[i].raw, 16) != 0)
            return false;
    return true;
}

bool SameRecords(std::span<const ArchiveRecord> a, std::span<const ArchiveRecord> b) {
    return a.size() == b.size() && SameRecords(a, b, a.size());
}
