// The COM port backend: ports listed from the registry's SERIALCOMM key in
// port-number order, and a port that is not there fails to open cleanly.

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

class Win32SerialTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                                    REG_OPTION_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr),
                  ERROR_SUCCESS);
        Set(L"\\Device\\VCP7", L"COM47");
        Set(L"\\Device\\VCP3", L"COM43");
        devices.Sources().SetHardwareScan(true);
    }
    void TearDown() override {
        ::RegDeleteValueW(m_key, L"\\Device\\VCP7");
        ::RegDeleteValueW(m_key, L"\\Device\\VCP3");
        ::RegCloseKey(m_key);
        devices.CloseCurrent();
    }
    void Set(const wchar_t* name, const wchar_t* port) {
        ::RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                         static_cast<DWORD>((wcslen(port) + 1) * sizeof(wchar_t)));
    }
    HKEY m_key = nullptr;
    CDeviceList devices;
};

TEST_F(Win32SerialTest, RegistryPortsAreListedByNumberAndMissingOnesDoNotOpen) {
    const int count = devices.Enumerate();
    int first = -1, second = -1;
    for (int i = 0; i < count; ++i) {
        if (devices.GetDescription(i) == "COM43 (\\Device\\VCP3)")
            first = i;
        if (devices.GetDescription(i) == "COM47 (\\Device\\VCP7)")
            second = i;
    }
    ASSERT_GE(first, 0);
    EXPECT_GT(second, first);
    EXPECT_EQ(devices.GetLocId(first), 43);
    // Listed, but no such device behind the name.
    EXPECT_EQ(devices.Connect(first), nullptr);
    EXPECT_FALSE(devices.Connection().PortIsOpen());
}

} // namespace
