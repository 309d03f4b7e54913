// tervik-cli's output files: the standard output, links at the target and
// files planted at temporary names.

#include "CliRun.h"
#include "Samples.h"
#include "SeriesFormat.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

TEST(CliOutput, StandardOutputLinksAndPlantedTemporaries) {
    ScopedTimeZone zone("Europe/Berlin");
    TempDir dir;
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    const std::string table = ExportTable(*a.GetSeries(0), CurveOptions{});
    const std::string in = "cd " + dir.path().string() + " && ";

    // "-" and /dev/stdout are the standard output, not files.
    for (const char* out : {"-", "/dev/stdout"}) {
        const CliRun r = Cli("export " + kDemo + " --series 1 -o " + out, in);
        EXPECT_EQ(r.code, 0) << out;
        EXPECT_EQ(r.out, table) << out;
    }
    EXPECT_EQ(FileCount(dir), 0u);

    // Links planted at the names temporaries once had are not followed; a
    // target that is a link keeps it and the file it names is replaced.
    WriteBytes(dir / "victim", "victim");
    WriteBytes(dir / "data.txt", "old");
    chmod((dir / "data.txt").c_str(), 0600);
    fs::create_symlink(dir / "data.txt", dir / "e.txt");
    fs::create_symlink(dir / "victim", dir / "e.txt.part");
    fs::create_symlink(dir / "victim", dir / "r.mnr.part");
    fs::create_symlink(dir / "victim", dir / "read_backup.mnr"); // refused; the read goes on
    EXPECT_EQ(Cli("export " + kDemo + " --series 1 -o " + (dir / "e.txt"), in).code, 0);
    EXPECT_EQ(Cli("read --simulate -o " + (dir / "r.mnr"), in).code, 0);
    EXPECT_EQ(ReadBytes(dir / "victim"), "victim");
    EXPECT_TRUE(fs::is_symlink(dir / "e.txt"));
    EXPECT_EQ(ReadBytes(dir / "data.txt"), table);
    EXPECT_EQ(ModeOf(dir / "data.txt"), 0600u);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "r.mnr")));
    EXPECT_EQ(ReadBytes(dir / "r.mnr").substr(0, 16), std::string(kMnrSignature, 16));
    EXPECT_EQ(fs::file_size(dir / "r.mnr"), 32u + 600u * 16u);
}

} // namespace
