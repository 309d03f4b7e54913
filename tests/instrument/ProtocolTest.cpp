// Framing, checksums and error codes of the exchanges, from scripted byte
// streams; the instrument queries; the device list.

#include "TestSupport.h"

#ifndef _WIN32
#include "FifoFeeder.h"

#include <csignal>
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

class ProtocolTest : public ::testing::Test {
  protected:
    void Script(std::deque<Bytes> replies, bool purgeFails = false) {
        port.PortAttach(std::make_unique<ScriptedLink>(std::move(replies), &log, purgeFails));
    }
    void TearDown() override { port.PortClose(); }
    ScriptedLink::Log log;
    RecordingUi ui;
    CDeviceConnection port;
    CInstrument instrument{DeviceNode{}, port};
};

Bytes Block(uint8_t fill) {
    Bytes b(242, fill);
    b[0] = 0x62;
    b[241] = static_cast<uint8_t>(fill * 240); // 240 equal bytes, modulo 256
    return b;
}

TEST_F(ProtocolTest, StatusReplyDecodesLittleEndianCounts) {
    Script({{0x63, 0x10, 0, 0, 0, 0x20, 0, 0, 0, 0x30}});
    uint32_t used = 0, available = 0;
    ASSERT_EQ(instrument.QueryArchiveStatus(used, available), 1);
    EXPECT_EQ(used, 16u);
    EXPECT_EQ(available, 32u);
    EXPECT_EQ(log.written, Bytes{0x63});
    EXPECT_EQ(log.readSizes, std::vector<size_t>{10});
    EXPECT_EQ(log.purges, 1);
}

TEST_F(ProtocolTest, RequestErrorCodes) {
    uint8_t out[8];
    Script({{0x63, 0x10, 0, 0, 0, 0x20, 0, 0, 0, 0x31}});
    EXPECT_EQ(port.PortRequest(0x63, 8, out), KX_ERR_CS);
    Script({{0x64, 0x10, 0, 0, 0, 0x20, 0, 0, 0, 0x30}});
    EXPECT_EQ(port.PortRequest(0x63, 8, out), KX_ERR_MARKER1);
    Script({{0x63, 0x10, 0, 0}}); // short
    EXPECT_EQ(port.PortRequest(0x63, 8, out), KX_ERR_TO);
    Script({});
    EXPECT_EQ(port.PortRequest(0x63, 8, out), KX_ERR_TO);
    Script({{0x63, 0x10, 0, 0, 0, 0x20, 0, 0, 0, 0x30}}, true);
    EXPECT_EQ(port.PortRequest(0x63, 8, out), KX_ERROR);
    port.PortClose();
    EXPECT_EQ(port.PortRequest(0x63, 8, out), KX_ERROR); // nothing open
}

TEST_F(ProtocolTest, BlockChecksumOffByOneIsReportedByName) {
    Bytes bad = Block(0x11);
    bad[241] = static_cast<uint8_t>(bad[241] + 1);
    // The empty reads are the quiet line awaited after the failure and
    // before the retry.
    Script({bad, {}, {}, Block(0x22)});
    uint8_t out[240] = {};
    EXPECT_EQ(instrument.ReadBlock(out, ui), 0);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"KX_ERR_CS"});
    EXPECT_EQ(instrument.GetLastError(), 0); // block failures leave it alone
    ASSERT_EQ(instrument.ReadBlock(out, ui), 1);
    EXPECT_EQ(out[0], 0x22);
    EXPECT_EQ(out[239], 0x22);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(ProtocolTest, BlockTimeoutShowsItsName) {
    Script({});
    uint8_t out[240];
    EXPECT_EQ(instrument.ReadBlock(out, ui), 0);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"KX_ERR_TO"});
}

TEST_F(ProtocolTest, SerialNumberEncodingDependsOnVersion) {
    // 3.10: one digit per byte; 3.11: little-endian number.
    Script({{0x13, 3, 10, 13}, {0xA0, 0x31, 0x32, 0x33, 0x34, 0xCA}});
    ASSERT_EQ(instrument.QueryVersion(), 1);
    ASSERT_EQ(instrument.QuerySerialNumber(), 1);
    EXPECT_EQ(instrument.GetSerialNumber(), 1234);

    CInstrument newer{DeviceNode{}, port};
    Script({{0x13, 3, 11, 14}, {0xA0, 0x39, 0x30, 0, 0, 0x69}});
    ASSERT_EQ(newer.QueryVersion(), 1);
    ASSERT_EQ(newer.QuerySerialNumber(), 1);
    EXPECT_EQ(newer.GetSerialNumber(), 12345);

    const uint8_t digits[4] = {0x39, 0x38, 0x37, 0x36};
    EXPECT_EQ(CInstrument::DecodeSerialNumber(310, digits), 9876);
    EXPECT_EQ(CInstrument::DecodeSerialNumber(299, digits), 9876);
}

TEST_F(ProtocolTest, VersionFallsBackToOldRequest) {
    Script({{}, {0x14, 2, 5, 7}});
    ASSERT_EQ(instrument.QueryVersion(), 1);
    EXPECT_EQ(instrument.GetVersionMajor(), 2);
    EXPECT_EQ(instrument.GetVersionMinor(), 5);
    EXPECT_EQ(log.written, (Bytes{0x13, 0x14}));

    // Both fail: the stored error is the 0x14 attempt's.
    CInstrument other{DeviceNode{}, port};
    Script({{0x13, 3, 11, 15}, {}});
    EXPECT_EQ(other.QueryVersion(), 0);
    EXPECT_EQ(other.GetLastError(), KX_ERR_TO);
}

TEST_F(ProtocolTest, KindAndFailuresStoreLastError) {
    Script({{0xC7, 5, 5}});
    ASSERT_EQ(instrument.QueryKind(), 1);
    EXPECT_EQ(instrument.GetKind(), 5);
    Script({{0xC7, 5, 6}});
    EXPECT_EQ(instrument.QueryKind(), 0);
    EXPECT_EQ(instrument.GetLastError(), KX_ERR_CS);
    EXPECT_EQ(instrument.GetKind(), 5);
}

TEST_F(ProtocolTest, CommandFrameAndAcknowledgement) {
    // 1000000 = 0x000F4240; checksum 0x40 + 0x42 + 0x0F + 0x00 = 0x91.
    Script({{0x61, 0x61}});
    EXPECT_EQ(instrument.SetReadPosition(1000000), 1);
    EXPECT_EQ(log.written, (Bytes{0x61, 0x40, 0x42, 0x0F, 0x00, 0x91}));

    const uint8_t payload[4] = {0, 0, 0, 0};
    Script({{0x61, 0x00}});
    EXPECT_EQ(port.PortCommand(0x61, 4, payload), KX_ERR_MARKER2);
    log.readSizes.clear();
    Script({{0x00, 0x61}, {0x61, 0x61}});
    EXPECT_EQ(port.PortCommand(0x61, 4, payload), KX_ERR_MARKER1);
    EXPECT_EQ(log.readSizes, (std::vector<size_t>{2, 2})); // two more bytes read
    Script({{0x61}});
    EXPECT_EQ(port.PortCommand(0x61, 4, payload), KX_ERR_TO);
    // A failed acknowledgement is not an error of the instrument.
    Script({{0x61, 0x00}});
    EXPECT_EQ(instrument.SetReadPosition(0), 0);
    EXPECT_EQ(instrument.GetLastError(), 0);
}

TEST(PortTest, CloseWithNothingOpenSucceeds) {
    CDeviceConnection port;
    port.PortClose();
    EXPECT_FALSE(port.PortIsOpen());
    EXPECT_EQ(port.PortClose(), 0);
}

TEST(PortTest, ErrorNames) {
    EXPECT_STREQ(PortErrorName(-1), "KX_ERROR");
    EXPECT_STREQ(PortErrorName(1), "KX_ERR_MARKER1");
    EXPECT_STREQ(PortErrorName(2), "KX_ERR_MARKER2");
    EXPECT_STREQ(PortErrorName(3), "KX_ERR_CS");
    EXPECT_STREQ(PortErrorName(4), "KX_ERR_TO");
    EXPECT_EQ(PortErrorName(0), nullptr);
    EXPECT_EQ(PortErrorName(5), nullptr);
    EXPECT_EQ(PortErrorName(-2), nullptr);
}

class DeviceListTest : public ::testing::Test {
  protected:
    void SetUp() override { devices.Sources().SetHardwareScan(false); }
    CDeviceList devices;
};

TEST_F(DeviceListTest, TwentyDevicesAreListedAsSixteen) {
    for (int i = 0; i < 20; ++i)
        devices.Sources().AddSimulated(std::make_shared<CKx208mSim>(), "Sim " + std::to_string(i));
    EXPECT_EQ(devices.Enumerate(), 16);
    EXPECT_EQ(devices.GetDescription(15), "Sim 15");
    EXPECT_EQ(devices.GetSerialNumber(15), "SIM15");
    EXPECT_EQ(devices.GetDescription(16), "");
    EXPECT_EQ(devices.GetSerialNumber(16), "");
    EXPECT_EQ(devices.GetLocId(16), -1);
    EXPECT_NE(devices.GetLocId(0), devices.GetLocId(1));
}

TEST_F(DeviceListTest, ConnectOutOfRangeClosesThePreviousDevice) {
    devices.Sources().AddSimulated(std::make_shared<CKx208mSim>());
    ASSERT_EQ(devices.Enumerate(), 1);
    ASSERT_NE(devices.Connect(0), nullptr);
    EXPECT_TRUE(devices.Connection().PortIsOpen());
    EXPECT_EQ(devices.Connect(1), nullptr);
    EXPECT_EQ(devices.GetCurrent(), nullptr);
    EXPECT_FALSE(devices.Connection().PortIsOpen());
    EXPECT_EQ(devices.Connect(-1), nullptr);
}

TEST_F(DeviceListTest, ConnectedSimulatorAnswersTheConnectSequence) {
    SimConfig c;
    c.versionMajor = 3;
    c.versionMinor = 10;
    c.serialNumber = 4321;
    c.kind = 3;
    devices.Sources().AddSimulated(std::make_shared<CKx208mSim>(c, DefaultSimMemory(100)));
    ASSERT_EQ(devices.Enumerate(), 1);
    CInstrument* inst = devices.Connect(0);
    ASSERT_NE(inst, nullptr);
    EXPECT_EQ(inst->GetSerialNumber(), -1);
    ASSERT_EQ(inst->QueryVersion(), 1);
    ASSERT_EQ(inst->QuerySerialNumber(), 1);
    ASSERT_EQ(inst->QueryKind(), 1);
    uint32_t used = 0, available = 0;
    ASSERT_EQ(inst->QueryArchiveStatus(used, available), 1);
    EXPECT_EQ(inst->GetSerialNumber(), 4321);
    EXPECT_EQ(inst->GetKind(), 3);
    EXPECT_EQ(used, 100u);
    EXPECT_EQ(available, 43900u);
}

TEST_F(DeviceListTest, MissingPathCannotBeOpened) {
    devices.Sources().AddExplicit("/nonexistent/ttyUSB9");
    ASSERT_EQ(devices.Enumerate(), 1);
    EXPECT_EQ(devices.GetDescription(0), "/nonexistent/ttyUSB9");
    EXPECT_EQ(devices.Connect(0), nullptr);
    EXPECT_FALSE(devices.Connection().PortIsOpen());
}

#ifndef _WIN32
// A sysfs tree with one FTDI bridge, one bridge of another vendor and a
// built-in port.
TEST(SerialScanTest, FindsFtdiBridgesThroughSysfs) {
    namespace fs = std::filesystem;
    const fs::path root = TempDir("sysfs");
    const auto write = [](const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text << "\n";
    };
    const fs::path usb = root / "devices/pci0000:00/usb1/1-1/1-1.4";
    write(usb / "idVendor", "0403");
    write(usb / "idProduct", "6001");
    write(usb / "product", "KX-208M USB");
    write(usb / "serial", "A5XK3RJT");
    write(usb / "busnum", "1");
    write(usb / "devpath", "1.4");
    fs::create_directories(usb / "1-1.4:1.0/ttyUSB0");
    const fs::path other = root / "devices/pci0000:00/usb2/2-3";
    write(other / "idVendor", "067b");
    write(other / "busnum", "2");
    write(other / "devpath", "3");
    fs::create_directories(other / "2-3:1.0/ttyUSB1");
    fs::create_directories(root / "devices/platform/serial8250/tty/ttyS0");
    fs::create_directories(root / "class/tty/ttyUSB0");
    fs::create_directories(root / "class/tty/ttyUSB1");
    fs::create_directories(root / "class/tty/ttyS0");
    fs::create_directories(root / "class/tty/tty0"); // no device link
    fs::create_directory_symlink(usb / "1-1.4:1.0/ttyUSB0", root / "class/tty/ttyUSB0/device");
    fs::create_directory_symlink(other / "2-3:1.0/ttyUSB1", root / "class/tty/ttyUSB1/device");
    fs::create_directory_symlink(root / "devices/platform/serial8250/tty/ttyS0",
                                 root / "class/tty/ttyS0/device");

    std::vector<DeviceNode> nodes;
    ScanSerialBridges(root.string(), nodes);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].path, "/dev/ttyUSB0");
    EXPECT_STREQ(nodes[0].description, "KX-208M USB");
    EXPECT_STREQ(nodes[0].serialNumber, "A5XK3RJT");
    EXPECT_EQ(nodes[0].id, 0x04036001u);
    // Bus 1 in the top byte, then one nibble per hop: ports 1 and 4.
    EXPECT_EQ(nodes[0].locId, 0x01140000u);
    fs::remove_all(root);
}
#endif

} // namespace

#include "DeviceSources.h"

namespace {

TEST(DeviceSourcesTest, CommandLineOptionsAddSources) {
    CDeviceList devices;
    devices.Sources().SetHardwareScan(false);
    std::vector<std::string> args = {"--port", "/dev/ttyUSB7", "data.mnr", "--simulate",
                                     "--simulate=" + std::string(TERVIK_SOURCE_DIR) + "/samples/demo.mnr"};
    std::string error;
    ASSERT_TRUE(TakeDeviceSourceArgs(args, devices.Sources(), error)) << error;
    EXPECT_EQ(args, std::vector<std::string>{"data.mnr"});
    ASSERT_EQ(devices.Enumerate(), 3);
    EXPECT_EQ(devices.GetDescription(0), "/dev/ttyUSB7");
    EXPECT_EQ(devices.GetDescription(1), "KX-208M (simulated)");
    // The third holds the file's records.
    ASSERT_NE(devices.Connect(2), nullptr);
    uint32_t used = 0, available = 0;
    ASSERT_EQ(devices.GetCurrent()->QueryArchiveStatus(used, available), 1);
    EXPECT_EQ(used, 1440u);
    devices.CloseCurrent();

    std::vector<std::string> bad = {"--simulate=/nonexistent.mnr"};
    EXPECT_FALSE(TakeDeviceSourceArgs(bad, devices.Sources(), error));
    std::vector<std::string> noPath = {"--port"};
    EXPECT_FALSE(TakeDeviceSourceArgs(noPath, devices.Sources(), error));
}

#ifndef _WIN32
// The simulator's memory file is read whole before the read begins: a FIFO
// would block the open until a writer came, so only regular files are taken.
TEST(DeviceSourcesTest, SimulatedMemoryMustBeARegularFile) {
    const std::string dir = testing::TempDir() + "tervik-sim-fifo-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    const std::string fifo = dir + "/pipe.mnr";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ifstream demo(std::string(TERVIK_SOURCE_DIR) + "/samples/demo.mnr", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(demo)), std::istreambuf_iterator<char>());
    const auto oldHandler = std::signal(SIGPIPE, SIG_IGN);
    {
        FifoFeeder feeder(fifo, bytes.substr(0, 32 + 16 * 100));
        for (const std::string& path : {fifo, dir}) {
            SimConfig config;
            std::vector<ArchiveRecord> memory;
            std::string error;
            EXPECT_FALSE(ParseSimArgs({"--mnr", path}, config, memory, error)) << path;
            EXPECT_EQ(error, "cannot open " + path);
        }
    }
    std::signal(SIGPIPE, oldHandler);
    std::filesystem::remove_all(dir);
}

#endif

} // namespace
