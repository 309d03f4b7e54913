// tervik-cli's messages: every line on stderr carries the program's name,
// says which file it is about, and options that do not apply are refused.

#include "CliRun.h"
#include "Samples.h"
#include "SeriesFormat.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>

namespace {

void ExpectEveryLinePrefixed(const std::string& text) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        EXPECT_EQ(line.rfind("tervik-cli: ", 0), 0u) << line;
}

TEST(CliMessages, OutputFormatIsRefusedWhereThereIsNoOutput) {
    for (const char* command : {"info", "stats", "save-all"}) {
        const CliRun r = CliErr(std::string(command) + " " + kDemo + " --format csv");
        EXPECT_EQ(r.code, 2) << command;
        ExpectEveryLinePrefixed(r.out);
    }
    EXPECT_EQ(CliErr("info " + kDemo + " --format table").code, 2);
    EXPECT_EQ(CliErr("export " + kDemo + " --series 1 --format csv").code, 0);
}

TEST(CliMessages, LoadFailureNamesTheFile) {
    TempDir dir;
    WriteBytes(dir / "bad.mnr", "KX208M__ARC_XXXX and some more bytes");
    const CliRun r = CliErr("info " + (dir / "bad.mnr"));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find(dir / "bad.mnr"), std::string::npos) << r.out;
    ExpectEveryLinePrefixed(r.out);
}

TEST(CliMessages, SaveAllNamesEachFileItCannotWrite) {
    TempDir dir;
    CArchiveData archive;
    ASSERT_GT(archive.LoadMnr(kDemo), 0);
    const std::vector<std::string> names = SaveAllFileNames(archive);
    // A folder in the place of every target: none can be written, even by root.
    for (const std::string& name : names)
        std::filesystem::create_directory(dir / name);
    const CliRun r = CliErr("save-all " + kDemo + " --dir " + dir.path().string());
    EXPECT_EQ(r.code, 1);
    for (const std::string& name : names)
        EXPECT_NE(r.out.find(dir / name), std::string::npos) << name << "\n" << r.out;
    ExpectEveryLinePrefixed(r.out);
}

} // namespace
