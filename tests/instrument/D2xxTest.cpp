// FTDI's D2XX library, loaded at run time: its devices are listed and read
// when it is there and whole; otherwise the COM ports, with a note. The
// library is the test double of FakeFtd2xx.cpp, over simulated instruments.

#include "NativePath.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

class D2xxTest : public ArchiveReadFixture {
  protected:
    D2xxTest() : ArchiveReadFixture(500) {}

    void SetUp() override {
        ArchiveReadFixture::SetUp();
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                                    REG_OPTION_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr),
                  ERROR_SUCCESS);
        const wchar_t port[] = L"COM48";
        ::RegSetValueExW(m_key, L"\\Device\\VCP8", 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                         sizeof port);
        devices.Sources().SetHardwareScan(true);
    }
    void TearDown() override {
        ArchiveReadFixture::TearDown();
        PortSetD2xxLibrary("");
        devices.Sources().SetHardwareScan(false);
        ::RegDeleteValueW(m_key, L"\\Device\\VCP8");
        ::RegCloseKey(m_key);
        ::SetEnvironmentVariableA("FAKE_FTD2XX_DEVICES", nullptr);
        ::SetEnvironmentVariableA("FAKE_FTD2XX_SIM", nullptr);
    }

    // The fake library variant (its folder beside this program) with devices
    // simulated instruments answering as sim describes.
    static void Use(const std::string& variant, int devices, const char* sim = "") {
        wchar_t exe[MAX_PATH];
        const DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring dir(exe, n);
        dir.resize(dir.find_last_of(L"\\/") + 1);
        PortSetD2xxLibrary(Utf8FromWide(dir) + "fake-d2xx\\" + variant + "\\ftd2xx.dll");
        ::SetEnvironmentVariableA("FAKE_FTD2XX_DEVICES", std::to_string(devices).c_str());
        ::SetEnvironmentVariableA("FAKE_FTD2XX_SIM", sim);
    }

    // Whether the list holds the COM port the test registered.
    bool ComPortListed() {
        for (int i = 0; i < devices.GetCount(); ++i)
            if (devices.GetDescription(i) == "COM48 (\\Device\\VCP8)")
                return true;
        return false;
    }

    HKEY m_key = nullptr;
};

TEST_F(D2xxTest, DevicesAreListedBySerialAndDescriptionOpenedBySerialAndRead) {
    Use("full", 2, "--generate 300 --serial 500");
    ASSERT_EQ(devices.Enumerate(), 2);
    EXPECT_EQ(devices.GetLine(0), "FT232R USB UART #KXA00000");
    EXPECT_EQ(devices.GetLine(1), "FT232R USB UART #KXA00001");
    EXPECT_EQ(devices.GetLocId(1), 0x2112);
    EXPECT_FALSE(ComPortListed());
    EXPECT_EQ(devices.Sources().ListNote(0), "");

    CInstrument* inst = devices.Connect(1);
    ASSERT_NE(inst, nullptr);
    ASSERT_EQ(inst->QueryVersion(), 1);
    ASSERT_EQ(inst->QuerySerialNumber(), 1);
    EXPECT_EQ(inst->GetSerialNumber(), 501);
    ASSERT_EQ(inst->QueryKind(), 1);
    ASSERT_EQ(Read(), 300);
    EXPECT_TRUE(SameRecords(archive.GetRecords(), DefaultSimMemory(300)));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(D2xxTest, ALibraryListingNothingOrTooManyOrLackingAFunctionGivesANoteAndTheComPorts) {
    Use("full", 0);
    devices.Enumerate();
    EXPECT_TRUE(ComPortListed());
    EXPECT_EQ(devices.Sources().ListNote(0), UIString(421, 0));

    // A count too large to be real sizes no array.
    Use("full", 5000);
    devices.Enumerate();
    EXPECT_TRUE(ComPortListed());
    EXPECT_NE(devices.Sources().ListNote(0).find("counts 5000 devices"), std::string::npos);

    Use("incomplete", 1);
    devices.Enumerate();
    EXPECT_TRUE(ComPortListed());
    EXPECT_EQ(devices.Sources().ListNote(0),
              "ftd2xx.dll has no FT_SetTimeouts: FTDI's D2XX library was not used, the COM ports are listed "
              "instead.");
    EXPECT_NE(devices.Sources().ListNote(1).find("FT_SetTimeouts"), std::string::npos);
}

} // namespace
