// The simulator's memory read from an *.mnr file takes the records where the
// loader finds them, erased and invalid ones included.

#include "TestSupport.h"

#include "MnrCodec.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

TEST(SimMemory, RecordsStartWhereTheLoaderFindsThem) {
    const std::string dir = TempDir("sim-memory");
    std::vector<ArchiveRecord> records = DefaultSimMemory(5);
    records[2].raw[3] = 0; // invalid: kept as stored
    const auto head = EncodeMnrHead(ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 7));
    const std::string raw(reinterpret_cast<const char*>(records.data()), records.size() * 16);
    std::ofstream(dir + "/with.mnr", std::ios::binary)
        << std::string(head.begin(), head.end()) + raw + "torn";
    // Without a header the first record follows the signature.
    std::ofstream(dir + "/without.mnr", std::ios::binary) << std::string(kMnrSignature, 16) + raw;
    for (const char* name : {"/with.mnr", "/without.mnr"}) {
        SCOPED_TRACE(name);
        std::vector<ArchiveRecord> memory;
        std::string error;
        ASSERT_TRUE(LoadMnrRecords(dir + name, memory, error)) << error;
        EXPECT_TRUE(SameRecords(memory, records));
    }
    std::filesystem::remove_all(dir);
}

} // namespace
