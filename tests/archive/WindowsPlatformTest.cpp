// What differs on Windows: UTF-8 names reach the wide file API, files are
// replaced with ReplaceFileW, and local time comes from the C runtime.

#include "AtomicFile.h"
#include "LocalTime.h"
#include "ReadFile.h"
#include "TestUtil.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <windows.h>

namespace {

int64_t Utc(int y, int mo, int d, int h, int mi, int s) {
    return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

TEST(WindowsFiles, Utf8NamesAreSavedAndLoadedUnderTheirOwnName) {
    ScopedTimeZone zone("UTC");
    TempDir dir;
    const std::string source = dir / "source.mnr";
    WriteBytes(source, MnrBytes(nullptr, {MakeRecord(2011, 6, 3, 9, 5, 30, 0, 1, 215, 745, 1.5f),
                                          MakeRecord(2011, 6, 3, 9, 10, 30, 0, 1, 215, 745, 2.5f)}));
    CArchiveData archive;
    ASSERT_EQ(archive.LoadMnr(source), 2);

    const std::u8string name = u8"Проба ü €.mnr";
    const std::string path = dir.Utf8(name);
    ASSERT_EQ(archive.SaveSeries(0, path), 2);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / name));
    EXPECT_EQ(FileCount(dir), 2u);
    EXPECT_TRUE(OpenRegularFileForReading(path) != nullptr);
    CArchiveData again;
    EXPECT_EQ(again.LoadMnr(path), 2);

    // Bytes that are not UTF-8 name no file.
    EXPECT_FALSE(WriteFileAtomically(dir.Utf8(u8"bad") + "\xFF.txt", "x"));
    EXPECT_EQ(FileCount(dir), 2u);
}

TEST(WindowsFiles, ReplacingKeepsOneFileAndRefusesWhatMayNotBeWritten) {
    TempDir dir;
    const std::string path = dir / "out.txt";
    WriteBytes(path, "old");
    EXPECT_TRUE(WriteFileAtomically(path, "new content"));
    EXPECT_EQ(ReadBytes(path), "new content");
    EXPECT_TRUE(WriteFileAtomically(dir / "fresh.txt", "first"));
    EXPECT_EQ(ReadBytes(dir / "fresh.txt"), "first");
    EXPECT_EQ(FileCount(dir), 2u);

    const std::wstring wide = (dir.path() / "out.txt").wstring();
    ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    int error = 0;
    bool openFailed = false;
    EXPECT_FALSE(WriteFileAtomically(path, "lost", &error, &openFailed));
    EXPECT_EQ(error, EACCES);
    EXPECT_TRUE(openFailed);
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(path), "new content");

    EXPECT_FALSE(WriteFileAtomically(dir.path().string(), "x", &error));
    EXPECT_EQ(error, EISDIR);
    EXPECT_EQ(FileCount(dir), 2u);

    // Devices are not archive files.
    EXPECT_TRUE(OpenRegularFileForReading("NUL") == nullptr);
    EXPECT_TRUE(OpenRegularFileForReading(dir.path().string()) == nullptr);
}

// The C runtime reads TZ only as NAME[+|-]hh[:mm][DST] and converts no time
// before 1970; zones without daylight saving, east and west of Greenwich.
TEST(WindowsLocalTime, CrtZonesConvertBothWaysAndEarlyTimesKeepTheFirstOffset) {
    {
        ScopedTimeZone zone("MSK-3");
        EXPECT_EQ(LocalTimeToEpochExact(2011, 6, 3, 9, 5, 30), Utc(2011, 6, 3, 6, 5, 30));
        const LocalFields f = ToLocalFields(static_cast<double>(Utc(2011, 6, 3, 6, 5, 30)));
        EXPECT_EQ(f.hour, 9);
        EXPECT_EQ(f.minute, 5);
        EXPECT_EQ(LocalTimeToEpochExact(1970, 1, 1, 1, 0, 0), -7200);
        EXPECT_EQ(ToLocalFields(-3600.0).hour, 2);
    }
    {
        ScopedTimeZone zone("EST5");
        LocalTimeConverter toEpoch;
        EXPECT_EQ(toEpoch.ToEpoch(2011, 1, 15, 12, 0, 0), Utc(2011, 1, 15, 17, 0, 0));
        EXPECT_EQ(toEpoch.ToEpoch(1970, 1, 1, 0, 0, 0), 5 * 3600);
        EpochToLocalConverter toLocal;
        EXPECT_EQ(toLocal.ToLocal(Utc(2011, 1, 15, 17, 0, 0)).hour, 12);
        const LocalFields early = toLocal.ToLocal(0);
        EXPECT_EQ(early.year, 1969);
        EXPECT_EQ(early.hour, 19);
    }
}

} // namespace
