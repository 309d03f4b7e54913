// tervik-cli when the system fails it (memory, standard output): a clear
// message and the failure status, not an abort or a false success.

#include "ArchiveGen.h"
#include "CliRun.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::vector<std::vector<std::string>> kWriters = {
    {"export", "--series", "1"}, {"export", "--series", "1", "--format", "csv"}, {"save", "--series", "1"}};

std::string Joined(const std::vector<std::string>& words) {
    std::string s;
    for (const std::string& w : words)
        s += (s.empty() ? "" : " ") + w;
    return s;
}

std::vector<std::string> FilesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    return names;
}

// Runs tervik-cli with args, sends sig the moment a temporary appears in dir
// and returns the wait status; -1 when no temporary appeared.
int SignalWhenTemporaryAppears(const TempDir& dir, const std::vector<std::string>& args, int sig) {
    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, dir.path().c_str(), IN_CREATE) < 0)
        return -1;
    std::vector<std::string> words = {TERVIK_CLI};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    bool sent = false;
    alignas(inotify_event) char buf[4096];
    pollfd p{watch, POLLIN, 0};
    while (spawned == 0 && !sent && poll(&p, 1, 20000) > 0) {
        const ssize_t n = read(watch, buf, sizeof buf);
        for (ssize_t at = 0; n > 0 && at < n && !sent;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
            if (e->len > 0 && std::string(e->name).find(".tmp-") != std::string::npos)
                sent = kill(pid, sig) == 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    close(watch);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return sent ? status : -1;
}

// A signal that ends a writer part-way takes its temporary with it.
TEST(CliSystemFailure, SignalsLeaveNoTemporary) {
    TempDir dir;
    GenOptions g;
    g.series = 1;
    g.recordsPerSeries = 500000; // seconds of writing: the signal comes mid-way
    const std::string mnr = dir / "big.mnr";
    ASSERT_TRUE(
        WriteMnrFile(mnr, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207), GenerateRecords(g)));
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (size_t i = 0; i < kWriters.size(); ++i) {
        std::vector<std::string> args = kWriters[i];
        args.insert(args.begin() + 1, mnr);
        args.insert(args.end(), {"-o", dir / "out"});
        const int sig = signals[i];
        const int status = SignalWhenTemporaryAppears(dir, args, sig);
        const std::string what = Joined(kWriters[i]) + " " + strsignal(sig);
        EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == sig) << what << " " << status;
        EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"big.mnr"}) << what;
        std::filesystem::remove(dir / "out");
    }
}

// Beyond the file-size limit a writer fails like on a full disk: a message,
// status 1, the temporary removed (SIGXFSZ would kill it with nothing said).
TEST(CliSystemFailure, FileSizeLimitIsAWriteError) {
    TempDir dir;
    GenOptions g;
    g.series = 1;
    g.recordsPerSeries = 4000;
    const std::string mnr = dir / "in.mnr";
    ASSERT_TRUE(
        WriteMnrFile(mnr, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207), GenerateRecords(g)));
    for (const auto& writer : kWriters) {
        std::vector<std::string> args = writer;
        args.insert(args.begin() + 1, mnr);
        const CliRun r = Cli(Joined(args) + " -o " + (dir / "out"), "ulimit -f 16; ", " 2>&1 >/dev/null");
        EXPECT_EQ(r.code, 1) << Joined(writer);
        EXPECT_TRUE(r.out.find("File too large") != std::string::npos ||
                    r.out.find("Can't write file") != std::string::npos)
            << r.out;
        EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"in.mnr"}) << Joined(writer);
    }
    const std::string toFile = " 2>&1 >" + (dir / "piped");
    const CliRun piped = Cli("export " + mnr + " --series 1", "ulimit -f 16; ", toFile.c_str());
    EXPECT_EQ(piped.code, 1);
    EXPECT_EQ(piped.out, "tervik-cli: cannot write the output\n");
}

TEST(CliSystemFailure, OutOfMemoryIsAFailureWithAMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory does not run under an address-space limit";
#else
    TempDir dir;
    // Four years of 50-minute cycles: two million one-minute intervals.
    GenOptions g;
    g.series = 1;
    g.recordsPerSeries = 40000;
    g.cycleSeconds = 3000;
    std::vector<ArchiveRecord> records = GenerateRecords(g);
    const std::string mnr = dir / "years.mnr";
    ASSERT_TRUE(WriteMnrFile(mnr, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207), records));
    // In time order the rows are written as they are finished, in little memory.
    const std::string cmd = "intervals " + mnr + " --series 1 --interval 1";
    const CliRun streamed = Cli(cmd, "ulimit -v 300000 && ", " 2>&1 | tail -c 200");
    EXPECT_EQ(streamed.code, 0) << streamed.out;
    EXPECT_NE(streamed.out.find("Total over 1999961 intervals"), std::string::npos) << streamed.out;
    // The last record first: every row waits for the end, and memory runs out.
    std::rotate(records.begin(), records.end() - 1, records.end());
    ASSERT_TRUE(WriteMnrFile(mnr, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207), records));
    const CliRun r = Cli(cmd, "ulimit -v 300000 && ", " 2>&1 >/dev/null");
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("tervik-cli: out of memory"), std::string::npos) << r.out;
#endif
}

// Every command's printing is checked, those that print line by line too.
TEST(CliSystemFailure, FullStandardOutputIsAFailure) {
    const std::string demo = std::string(TERVIK_SAMPLES) + "/demo.mnr";
    for (const std::string& command :
         {"info " + demo, "stats " + demo + " --series 1", "intervals " + demo + " --series 1",
          "export " + demo + " --series 1"}) {
        const CliRun r = Cli(command, "", " 2>&1 >/dev/full");
        EXPECT_EQ(r.code, 1) << command;
        EXPECT_EQ(r.out, "tervik-cli: cannot write the output\n") << command;
    }
}

} // namespace
