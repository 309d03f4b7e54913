// An archive made detached leaves the program's archive alone.

#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(ArchiveSetup, DetachedArchiveLeavesTheProgramsOneAlone) {
    CArchiveData shown;
    {
        CArchiveData own(CArchiveData::Detached{});
        EXPECT_EQ(g_pArchive, &shown);
    }
    EXPECT_EQ(g_pArchive, &shown);
    CArchiveData* taken = new CArchiveData(CArchiveData::Detached{});
    EXPECT_EQ(g_pArchive, &shown);
    // Handed over, it goes with the program's pointer as any archive does.
    g_pArchive = taken;
    delete taken;
    EXPECT_EQ(g_pArchive, nullptr);
}

} // namespace
