// Replacing files: the atomic writer, the backup file, and the CLI's outputs.

#include "AtomicFile.h"
#include "CliRun.h"
#include "SeriesFormat.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Runs fn with writes beyond limit bytes failing as on a full disk.
template <class Fn> auto WithFileSizeLimit(rlim_t limit, Fn fn) {
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    auto result = fn();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

// Runs fn in a child process as an ordinary user (nobody when the tests run
// as root, who may write any file); its result is the exit code, or -1.
int AsOrdinaryUser(const std::function<int()>& fn) {
    const struct passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    const pid_t pid = fork();
    if (pid == 0) {
        if (nobody &&
            (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
            _exit(100);
        _exit(fn());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

const std::string kDemo = std::string(TERVIK_SAMPLES) + "/demo.mnr";

TEST(AtomicFile, FailedWritesKeepTheTargetAndLeaveNothingBehind) {
    TempDir dir;
    const std::string target = dir / "t.txt";
    WriteBytes(target, "precious");
    const std::string big(64 * 1024, 'x');
    // Through the stream, the byte call, and a writer dropped without a commit.
    EXPECT_FALSE(WithFileSizeLimit(4096, [&] {
        AtomicFile f(target);
        if (!f.Open())
            return true;
        for (int i = 0; i < 1000; ++i)
            std::fputs("a line of the table\n", f.Stream());
        return f.Commit();
    }));
    int error = 0;
    bool openFailed = true;
    EXPECT_FALSE(
        WithFileSizeLimit(4096, [&] { return WriteFileAtomically(target, big, &error, &openFailed); }));
    EXPECT_EQ(error, EFBIG);
    EXPECT_FALSE(openFailed);
    {
        AtomicFile f(target);
        ASSERT_TRUE(f.Open());
        ASSERT_TRUE(f.Write(big));
    }
    EXPECT_EQ(ReadBytes(target), "precious");
    EXPECT_EQ(FileCount(dir), 1u);

    // The series writer reports a lost write once and keeps the flag clear.
    CollectingReporter reporter;
    CArchiveData archive;
    archive.SetReporter(&reporter);
    std::vector<ArchiveRecord> recs(3000, MakeRecord(2011, 6, 3, 9, 0, 0, 0, 1, 215, 745, 1.0f));
    archive.AssignRecords(recs, false);
    EXPECT_EQ(WithFileSizeLimit(4096, [&] { return archive.SaveSeries(0, target); }), 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't write file"});
    EXPECT_EQ(archive.GetSeries(0)->saved, 0);
    EXPECT_EQ(ReadBytes(target), "precious");
    EXPECT_EQ(FileCount(dir), 1u);
}

TEST(AtomicFile, LinksPermissionsAndWhatIsNotAFile) {
    TempDir dir;
    fs::create_directory(dir / "real");
    WriteBytes(dir / "real/data.txt", "old");
    chmod((dir / "real/data.txt").c_str(), 0640);
    fs::create_symlink("real/data.txt", dir / "link.txt"); // relative to the link's folder
    ASSERT_TRUE(WriteFileAtomically(dir / "link.txt", "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(ReadBytes(dir / "real/data.txt"), "new");
    EXPECT_EQ(ModeOf(dir / "real/data.txt"), 0640u);
    EXPECT_EQ(FileCount(dir), 2u);

    // A new file gets the permissions the umask allows.
    const mode_t old = umask(027);
    const bool made = WriteFileAtomically(dir / "fresh.txt", "x");
    umask(old);
    ASSERT_TRUE(made);
    EXPECT_EQ(ModeOf(dir / "fresh.txt"), 0640u);

    // A folder or a FIFO is refused before anything is written (a FIFO
    // without blocking).
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    for (const char* name : {"real", "fifo"}) {
        int error = 0;
        bool openFailed = false;
        EXPECT_FALSE(WriteFileAtomically(dir / name, "x", &error, &openFailed)) << name;
        EXPECT_TRUE(openFailed) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir / "real"));
    EXPECT_EQ(FileCount(dir), 4u);
}

TEST(AtomicFile, WriteProtectedTargetsAreRefused) {
    if (geteuid() == 0 && !getpwnam("nobody"))
        GTEST_SKIP() << "root may write any file, and there is no user nobody to run the writers as";
    TempDir dir;
    chmod(dir.path().c_str(), 0777); // the folder may be written: only the file is protected
    const std::string ro = dir / "ro.txt", roMnr = dir / "ro.mnr";
    WriteBytes(ro, "keep");
    WriteBytes(roMnr, "keep");
    chmod(ro.c_str(), 0444);
    chmod(roMnr.c_str(), 0444);
    EXPECT_EQ(AsOrdinaryUser([&] {
                  int error = 0;
                  bool openFailed = false;
                  if (WriteFileAtomically(ro, "new", &error, &openFailed))
                      return 1;
                  return openFailed && error == EACCES ? 0 : 2;
              }),
              0);
    // The rename would get round the permission: export, read -o and save refuse.
    const std::string in = "cd " + dir.path().string() + " && ";
    EXPECT_EQ(AsOrdinaryUser([&] { return Cli("export " + kDemo + " --series 1 -o " + ro, in).code; }), 1);
    EXPECT_EQ(AsOrdinaryUser([&] { return Cli("read --simulate -o " + roMnr, in).code; }), 1);
    EXPECT_EQ(AsOrdinaryUser([&] {
                  CollectingReporter reporter;
                  CArchiveData archive;
                  archive.SetReporter(&reporter);
                  archive.AssignRecords({MakeRecord(2011, 6, 3, 9, 0, 0, 0, 1, 215, 745, 1.0f)}, false);
                  return archive.SaveSeries(0, roMnr) == 0 &&
                                 reporter.messages == std::vector<std::string>{"Can't open file for writing"}
                             ? 0
                             : 1;
              }),
              0);
    EXPECT_EQ(ReadBytes(ro), "keep");
    EXPECT_EQ(ReadBytes(roMnr), "keep");
    EXPECT_EQ(ModeOf(ro), 0444u);
}

TEST(BackupFile, ALinkOrANonFileAtItsNameIsReportedOnceAndLeftAlone) {
    TempDir dir;
    CollectingReporter reporter;
    CArchiveData archive;
    archive.SetReporter(&reporter);
    WriteBytes(dir / "victim", "victim");
    fs::create_symlink(dir / "victim", dir / "read_backup.mnr");
    ASSERT_EQ(mkfifo((dir / "fifo.mnr").c_str(), 0644), 0);
    std::vector<ArchiveRecord> recs(600, MakeRecord(2011, 6, 3, 9, 0, 0, 0, 1, 215, 745, 1.0f));
    for (const char* name : {"read_backup.mnr", "fifo.mnr"}) {
        reporter.messages.clear();
        archive.SetBackupPath(dir / name);
        archive.ResetBackupErrorReport();
        EXPECT_EQ(archive.WriteBackup(recs.data(), 0, 250), 0) << name;
        EXPECT_EQ(archive.WriteBackup(recs.data(), 250, 250), 0) << name;
        EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't open file for writing"}) << name;
    }
    EXPECT_EQ(ReadBytes(dir / "victim"), "victim");
    EXPECT_TRUE(fs::is_symlink(dir / "read_backup.mnr"));
}

} // namespace
