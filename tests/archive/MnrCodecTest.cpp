// The *.mnr codec on its own: a file fed in pieces of any size parses as the
// whole file does, and what the writer puts out is the layout the readers take.

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

ArchiveRecord Record(int i) {
    return MakeRecord(2011, 6, 3, 9, i % 60, 0, 0, static_cast<uint8_t>(1 + i / 20), 215, 747, 1.5f);
}

struct Parsed {
    std::vector<ArchiveRecord> records;
    MnrError error = MnrError::None;
    bool hasHeader = false;
    std::string header;
    uint64_t count = 0;
};

Parsed Parse(const std::string& bytes, size_t piece, bool keepAll) {
    MnrParser parser(keepAll);
    Parsed p;
    for (size_t at = 0; at < bytes.size(); at += piece)
        if (!parser.Feed(bytes.data() + at, std::min(piece, bytes.size() - at), p.records))
            break;
    p.error = parser.Finish();
    p.hasHeader = parser.HasHeader();
    p.header.assign(reinterpret_cast<const char*>(parser.Header().raw), 16);
    p.count = parser.RecordCount();
    return p;
}

std::string Raw(const std::vector<ArchiveRecord>& records) {
    return std::string(reinterpret_cast<const char*>(records.data()), records.size() * 16);
}

TEST(MnrCodec, PiecesOfAnySizeParseAsTheWholeFile) {
    std::vector<ArchiveRecord> file, kept;
    for (int i = 0; i < 50; ++i) {
        ArchiveRecord r = Record(i);
        if (i % 7 == 3)
            std::memset(r.raw, 0xFF, 4); // erased
        else if (i % 11 == 5)
            r.raw[4] = 0x13; // month 13: invalid
        else
            kept.push_back(r);
        file.push_back(r);
    }
    const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 42);
    const ArchiveHeader noHeader = ArchiveHeader::Build(0, 0, 0);
    for (const ArchiveHeader* header : {&h, static_cast<const ArchiveHeader*>(nullptr)}) {
        const std::string bytes = MnrBytes(header, file) + "torn";
        for (size_t piece :
             {size_t{1}, size_t{5}, size_t{16}, size_t{17}, size_t{31}, size_t{33}, bytes.size()}) {
            SCOPED_TRACE(testing::Message() << "header " << (header != nullptr) << ", pieces of " << piece);
            const Parsed p = Parse(bytes, piece, false);
            EXPECT_EQ(p.error, MnrError::None);
            EXPECT_EQ(p.hasHeader, header != nullptr);
            EXPECT_EQ(p.header,
                      std::string(reinterpret_cast<const char*>((header ? *header : noHeader).raw), 16));
            EXPECT_EQ(p.count, file.size());
            EXPECT_EQ(Raw(p.records), Raw(kept));
            // The simulator's memory: every whole record as stored.
            EXPECT_EQ(Raw(Parse(bytes, piece, true).records), Raw(file));
        }
    }
}

TEST(MnrCodec, HeadFaultsAreFoundWhateverThePieces) {
    const std::string head(kMnrSignature, 16);
    const struct {
        std::string bytes;
        MnrError error;
    } cases[] = {
        {"", MnrError::ShortSignature},
        {head.substr(0, 15), MnrError::ShortSignature},
        {"KX208M__ARC_DATB", MnrError::WrongSignature},
        {"KX208M__ARC_DATB" + std::string(40, '\x77'), MnrError::WrongSignature},
        {head, MnrError::ShortHeader},
        {head + std::string(15, '\x77'), MnrError::ShortHeader},
    };
    for (const auto& c : cases)
        for (size_t piece : {size_t{1}, size_t{3}, size_t{64}}) {
            SCOPED_TRACE(c.bytes.size());
            const Parsed p = Parse(c.bytes, piece, false);
            EXPECT_EQ(p.error, c.error);
            EXPECT_TRUE(p.records.empty());
        }
    EXPECT_EQ(MnrErrorText(MnrError::WrongSignature), "Wrong file signature");
}

TEST(MnrCodec, WrittenFileIsSignatureHeaderAndRawRecords) {
    const ArchiveHeader h = ArchiveHeader::Build(0x20, 4, 0x01020304);
    const std::vector<ArchiveRecord> records = {Record(0), Record(1), Record(2)};
    std::string out;
    const MnrSink sink = [&](const void* data, size_t size) {
        out.append(static_cast<const char*>(data), size);
        return true;
    };
    ASSERT_TRUE(WriteMnr(sink, h, records.data(), records.size()));
    EXPECT_EQ(out.size(), 80u);
    EXPECT_EQ(out.substr(0, 16), "KX208M__ARC_DATA");
    EXPECT_EQ(out.substr(16, 8), std::string("\x77\x20\x88\x04\x04\x03\x02\x01", 8));
    EXPECT_EQ(out.substr(32), Raw(records));
    const Parsed back = Parse(out, out.size(), false);
    EXPECT_TRUE(back.hasHeader);
    EXPECT_EQ(Raw(back.records), Raw(records));

    // A sink that refuses fails the write.
    int calls = 0;
    EXPECT_FALSE(
        WriteMnr([&](const void*, size_t) { return ++calls > 1; }, h, records.data(), records.size()));
    EXPECT_EQ(calls, 1);
}

} // namespace
