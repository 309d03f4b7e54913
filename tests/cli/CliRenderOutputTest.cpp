// tervik-cli render: a name without a picture type is a usage error, and a
// target that cannot be written is said as such, keeping what was there.

#include "CliRun.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

const std::string kDemo = std::string(TERVIK_SAMPLES) + "/demo.mnr";

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

} // namespace
