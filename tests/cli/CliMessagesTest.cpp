// tervik-cli's messages: every line on stderr carries the program's name,
// says which file it is about, and options that do not apply are refused.

#include "SeriesFormat.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>

namespace {

struct CliRun {
    int code;
    std::string err;
};

// Runs tervik-cli with args; its exit status and what it wrote on stderr.
CliRun Cli(const std::string& args) {
    const std::string cmd = std::string("TZ=Europe/Berlin ") + TERVIK_CLI + " " + args + " 2>&1 >/dev/null";
    std::FILE* p = popen(cmd.c_str(), "r");
    CliRun r{-1, ""};
    if (!p)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.err.append(buf.data(), n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

void ExpectEveryLinePrefixed(const std::string& text) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        EXPECT_EQ(line.rfind("tervik-cli: ", 0), 0u) << line;
}

const std::string kDemo = std::string(TERVIK_SAMPLES) + "/demo.mnr";

TEST(CliMessages, OutputFormatIsRefusedWhereThereIsNoOutput) {
    for (const char* command : {"info", "stats", "save-all"}) {
        const CliRun r = Cli(std::string(command) + " " + kDemo + " --format csv");
        EXPECT_EQ(r.code, 2) << command;
        ExpectEveryLinePrefixed(r.err);
    }
    EXPECT_EQ(Cli("info " + kDemo + " --format table").code, 2);
    EXPECT_EQ(Cli("export " + kDemo + " --series 1 --format csv").code, 0);
}

TEST(CliMessages, LoadFailureNamesTheFile) {
    TempDir dir;
    WriteBytes(dir / "bad.mnr", "KX208M__ARC_XXXX and some more bytes");
    const CliRun r = Cli("info " + (dir / "bad.mnr"));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(dir / "bad.mnr"), std::string::npos) << r.err;
    ExpectEveryLinePrefixed(r.err);
}

TEST(CliMessages, SaveAllNamesEachFileItCannotWrite) {
    TempDir dir;
    CArchiveData archive;
    ASSERT_GT(archive.LoadMnr(kDemo), 0);
    const std::vector<std::string> names = SaveAllFileNames(archive);
    // A folder in the place of every target: none can be written, even by root.
    for (const std::string& name : names)
        std::filesystem::create_directory(dir / name);
    const CliRun r = Cli("save-all " + kDemo + " --dir " + dir.path().string());
    EXPECT_EQ(r.code, 1);
    for (const std::string& name : names)
        EXPECT_NE(r.err.find(dir / name), std::string::npos) << name << "\n" << r.err;
    ExpectEveryLinePrefixed(r.err);
}

} // namespace
