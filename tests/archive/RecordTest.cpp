#include "TervikDocument.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

ArchiveRecord FromBytes(std::initializer_list<uint8_t> bytes) {
    ArchiveRecord r{};
    size_t i = 0;
    for (uint8_t b : bytes)
        r.raw[i++] = b;
    return r;
}

TEST(Record, DecodesLittleEndianFieldsAndBcd) {
    // 2011-06-03 09:05:30, zero + bad, series 7, -3.5 °C, 745 mm Hg, 1.5f
    const ArchiveRecord r = FromBytes(
        {0x30, 0x05, 0x09, 0x03, 0x06, 0x11, 0x03, 0x07, 0xDD, 0xFF, 0xE9, 0x02, 0x00, 0x00, 0xC0, 0x3F});
    EXPECT_EQ(r.GetSecond(), 30);
    EXPECT_EQ(r.GetMinute(), 5);
    EXPECT_EQ(r.GetHour(), 9);
    EXPECT_EQ(r.GetDay(), 3);
    EXPECT_EQ(r.GetMonth(), 6);
    EXPECT_EQ(r.GetYear(), 2011);
    EXPECT_TRUE(r.IsZero());
    EXPECT_TRUE(r.IsBad());
    EXPECT_EQ(r.GetSeriesNumber(), 7);
    EXPECT_EQ(r.GetTemperature(), -35);
    EXPECT_EQ(r.GetPressure(), 745);
    EXPECT_EQ(r.GetConcentration(), 1.5f);
    EXPECT_TRUE(r.IsValid());
    EXPECT_FALSE(r.IsErased());
}

TEST(Record, ValidityLimits) {
    // Day 0 (2009-01-00) is invalid.
    EXPECT_FALSE(FromBytes({0x00, 0x00, 0x00, 0x00, 0x01, 0x09}).IsValid());
    // Nibbles above 9 are not rejected by decoding: 0x5F is 65 seconds.
    const ArchiveRecord big = FromBytes({0x5F, 0x00, 0x00, 0x01, 0x01, 0x09});
    EXPECT_EQ(big.GetSecond(), 65);
    EXPECT_FALSE(big.IsValid());
    EXPECT_TRUE(FromBytes({0x59, 0x59, 0x23, 0x31, 0x12, 0x99}).IsValid());
    EXPECT_FALSE(FromBytes({0x00, 0x60, 0x00, 0x01, 0x01, 0x09}).IsValid());
    EXPECT_FALSE(FromBytes({0x00, 0x00, 0x24, 0x01, 0x01, 0x09}).IsValid());
    EXPECT_FALSE(FromBytes({0x00, 0x00, 0x00, 0x32, 0x01, 0x09}).IsValid());
    EXPECT_FALSE(FromBytes({0x00, 0x00, 0x00, 0x01, 0x13, 0x09}).IsValid());
    EXPECT_FALSE(FromBytes({0x00, 0x00, 0x00, 0x01, 0x00, 0x09}).IsValid());
    // Day 31 of February is valid; the year is not tested.
    EXPECT_TRUE(FromBytes({0x00, 0x00, 0x00, 0x31, 0x02, 0xFF}).IsValid());
    EXPECT_TRUE(FromBytes({0xFF, 0xFF, 0xFF, 0xFF}).IsErased());
    EXPECT_FALSE(FromBytes({0xFF, 0xFF, 0xFF, 0xFE}).IsErased());
}

TEST(Record, TimeIsLocal) {
    ScopedTimeZone zone("Europe/Berlin");
    const ArchiveRecord r = MakeRecord(2011, 6, 3, 9, 5, 30, 0, 1, 200, 750, 1);
    EXPECT_EQ(r.GetTime(), 1307084730.0); // 07:05:30 UTC
}

TEST(Header, OriginAndKindNeedTheMarker) {
    ArchiveHeader h = ArchiveHeader::Build(0x20, 4, 0x01020304);
    const uint8_t want[16] = {0x77, 0x20, 0x88, 4,    4,    3,    2,    1,
                              0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99};
    EXPECT_EQ(0, memcmp(h.raw, want, 16));
    EXPECT_EQ(h.GetOrigin(), 0x20);
    EXPECT_EQ(h.GetKind(), 4);
    h.raw[0] = 0x76;
    EXPECT_EQ(h.GetOrigin(), 0);
    EXPECT_EQ(h.GetKind(), 0);
}

TEST(Archive, SplitsSeriesWhenTheNumberChanges) {
    CArchiveData a;
    std::vector<ArchiveRecord> recs;
    int n = 0;
    for (uint8_t s : {1, 1, 2, 2, 1})
        recs.push_back(MakeRecord(2011, 1, 1, 0, n++, 0, 0, s, 0, 0, 0));
    EXPECT_EQ(a.AssignRecords(recs, false), 5);
    ASSERT_EQ(a.GetSeriesCount(), 3);
    const int want[3][3] = {{0, 1, 1}, {2, 3, 2}, {4, 4, 1}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.GetSeries(i)->first, want[i][0]);
        EXPECT_EQ(a.GetSeries(i)->last, want[i][1]);
        EXPECT_EQ(a.GetSeries(i)->number, static_cast<uint32_t>(want[i][2]));
        EXPECT_EQ(a.GetSeries(i)->saved, 0);
        EXPECT_EQ(a.GetSeries(i)->owner, &a);
    }
    EXPECT_EQ(a.GetSeries(3), nullptr);
    EXPECT_EQ(a.GetSeries(-1), nullptr);
}

TEST(Archive, DropsErasedAndInvalidRecordsBeforeSplitting) {
    CArchiveData a;
    ArchiveRecord erased;
    memset(erased.raw, 0xFF, 16);
    ArchiveRecord invalid = MakeRecord(2011, 1, 1, 0, 0, 0, 0, 2, 0, 0, 0);
    invalid.raw[4] = 0x13;
    std::vector<ArchiveRecord> recs = {MakeRecord(2011, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0), invalid, erased,
                                       MakeRecord(2011, 1, 1, 0, 1, 0, 0, 1, 0, 0, 0)};
    EXPECT_EQ(a.AssignRecords(recs, true), 2);
    ASSERT_EQ(a.GetSeriesCount(), 1);
    EXPECT_EQ(a.GetSeries(0)->GetCount(), 2);
    EXPECT_EQ(a.AssignRecords({}, true), 0);
    EXPECT_EQ(a.GetSeriesCount(), 0);
}

TEST(Archive, KeepsExactlyTheRecordsThatAreValidAndNotErased) {
    // Every value of each date and time field, the others valid.
    std::vector<ArchiveRecord> recs, want;
    for (int field = 0; field < 5; ++field)
        for (int b = 0; b < 256; ++b) {
            ArchiveRecord r = MakeRecord(2011, 12, 31, 23, 59, 59, 0, static_cast<uint8_t>(b / 64), 0, 0, 0);
            r.raw[field] = static_cast<uint8_t>(b);
            recs.push_back(r);
            if (r.IsValid() && !r.IsErased())
                want.push_back(r);
        }
    CArchiveData a;
    ASSERT_EQ(a.AssignRecords(recs, true), static_cast<int>(want.size()));
    EXPECT_EQ(0, memcmp(a.GetRecords().data(), want.data(), want.size() * sizeof(ArchiveRecord)));
}

TEST(Archive, TheDocumentMakesItsArchiveOnce) {
    TervikDocument document;
    EXPECT_EQ(document.Archive(), nullptr);
    CArchiveData& a = document.EnsureArchive();
    EXPECT_EQ(document.Archive(), &a);
    EXPECT_EQ(&document.EnsureArchive(), &a);
}

} // namespace
