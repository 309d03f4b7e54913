// tervik-cli render: a name without a picture type is a usage error, a
// target that cannot be written is said as such, and the drawing needs no
// display whatever platform the environment names.

#include "CliRun.h"
#include "Samples.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(CliRenderOutput, BadNamesAndUnwritableTargets) {
    TempDir dir;
    const CliRun tif = CliErr("render " + kDemo + " --series 1 -o " + (dir / "x.tif"));
    EXPECT_EQ(tif.code, 2) << tif.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.tif"));

    std::filesystem::create_directory(dir / "folder.svg");
    for (const std::string& target : {dir / "folder.svg", dir / "none/x.pdf"}) {
        const CliRun r = CliErr("render " + kDemo + " --series 1 -o " + target);
        EXPECT_EQ(r.code, 1) << target;
        EXPECT_EQ(r.out, "tervik-cli: cannot write " + target + "\n");
    }
}

// A desktop platform in the environment, with no display to reach, still
// draws off screen.
TEST(CliRenderOutput, DrawsOffScreenWhateverPlatformIsSet) {
    TempDir dir;
    for (const char* platform : {"xcb", "wayland"}) {
        const std::string png = dir / (std::string(platform) + ".png");
        const CliRun r = Cli("render " + kDemo + " --series 1 -o " + png,
                             std::string("DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=") + platform + " ",
                             " 2>&1 >/dev/null");
        EXPECT_EQ(r.code, 0) << platform << ": " << r.out;
        EXPECT_TRUE(std::filesystem::exists(png)) << platform;
    }
}

} // namespace
