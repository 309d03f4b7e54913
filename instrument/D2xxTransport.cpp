// FTDI chips through FTDI's D2XX library (ftd2xx.dll), loaded at run time so
// the program starts without it. The few types and functions used are
// declared here from FTDI's D2XX programmer's guide; no import library.

#include "NativePath.h"
#include "StringTable.h"
#include "Transport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <windows.h>

namespace {

using FT_HANDLE = void*;
using FT_STATUS = ULONG;
constexpr FT_STATUS FT_OK = 0;
constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr UCHAR FT_BITS_8 = 8;
constexpr UCHAR FT_STOP_BITS_1 = 0;
constexpr UCHAR FT_PARITY_NONE = 0;
constexpr USHORT FT_FLOW_NONE = 0x0000;
constexpr ULONG FT_PURGE_RX = 1;
constexpr ULONG FT_PURGE_TX = 2;

struct FT_DEVICE_LIST_INFO_NODE {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
};

// Interface strings of the listing's notes.

// FT_GetDeviceInfoList fills as many nodes as FT_CreateDeviceInfoList
// counted, so the array must hold them all; a count beyond this is taken for
// a broken library.
constexpr DWORD kMaxD2xxDevices = 1024;

struct D2xxApi {
    FT_STATUS(WINAPI* CreateDeviceInfoList)(LPDWORD);
    FT_STATUS(WINAPI* GetDeviceInfoList)(FT_DEVICE_LIST_INFO_NODE*, LPDWORD);
    FT_STATUS(WINAPI* OpenEx)(PVOID, DWORD, FT_HANDLE*);
    FT_STATUS(WINAPI* SetBaudRate)(FT_HANDLE, ULONG);
    FT_STATUS(WINAPI* SetDataCharacteristics)(FT_HANDLE, UCHAR, UCHAR, UCHAR);
    FT_STATUS(WINAPI* SetFlowControl)(FT_HANDLE, USHORT, UCHAR, UCHAR);
    FT_STATUS(WINAPI* SetDtr)(FT_HANDLE);
    FT_STATUS(WINAPI* SetRts)(FT_HANDLE);
    FT_STATUS(WINAPI* SetLatencyTimer)(FT_HANDLE, UCHAR);
    FT_STATUS(WINAPI* SetTimeouts)(FT_HANDLE, ULONG, ULONG);
    FT_STATUS(WINAPI* Purge)(FT_HANDLE, ULONG);
    FT_STATUS(WINAPI* Read)(FT_HANDLE, LPVOID, DWORD, LPDWORD);
    FT_STATUS(WINAPI* Write)(FT_HANDLE, LPVOID, DWORD, LPDWORD);
    FT_STATUS(WINAPI* Close)(FT_HANDLE);
};

struct Library {
    std::wstring name = L"ftd2xx.dll";
    HMODULE module = nullptr;
    D2xxApi api{};
};

Library& Lib() {
    static Library* lib = new Library; // never destroyed: an open transport may outlive static clean-up
    return *lib;
}

// Why the last listing did not come from the library, for the user.
int g_noteOffset = 0;
std::string g_noteArg;

template <typename F> bool Resolve(HMODULE module, const char* name, F& fn, std::string& missing) {
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    if (!fn && missing.empty())
        missing = name;
    return fn != nullptr;
}

// The library with every function, or null: not installed (no note), or a
// function missing (note naming it). Loaded once; tried again at each listing
// while it is not there.
const D2xxApi* LoadApi() {
    Library& lib = Lib();
    if (lib.module)
        return &lib.api;
    // The program's folder and the system folders, never the current folder.
    HMODULE module = ::LoadLibraryExW(lib.name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) // Windows 7 without the search-path update
        module = ::LoadLibraryW(lib.name.c_str());
    if (!module)
        return nullptr;
    D2xxApi api{};
    std::string missing;
    Resolve(module, "FT_CreateDeviceInfoList", api.CreateDeviceInfoList, missing);
    Resolve(module, "FT_GetDeviceInfoList", api.GetDeviceInfoList, missing);
    Resolve(module, "FT_OpenEx", api.OpenEx, missing);
    Resolve(module, "FT_SetBaudRate", api.SetBaudRate, missing);
    Resolve(module, "FT_SetDataCharacteristics", api.SetDataCharacteristics, missing);
    Resolve(module, "FT_SetFlowControl", api.SetFlowControl, missing);
    Resolve(module, "FT_SetDtr", api.SetDtr, missing);
    Resolve(module, "FT_SetRts", api.SetRts, missing);
    Resolve(module, "FT_SetLatencyTimer", api.SetLatencyTimer, missing);
    Resolve(module, "FT_SetTimeouts", api.SetTimeouts, missing);
    Resolve(module, "FT_Purge", api.Purge, missing);
    Resolve(module, "FT_Read", api.Read, missing);
    Resolve(module, "FT_Write", api.Write, missing);
    Resolve(module, "FT_Close", api.Close, missing);
    if (!missing.empty()) {
        ::FreeLibrary(module);
        g_noteOffset = kUiD2xxIncomplete;
        g_noteArg = missing;
        return nullptr;
    }
    lib.module = module;
    lib.api = api;
    return &lib.api;
}

// ANSI code-page text of a fixed-size field to UTF-8 cut to fit size bytes
// (a whole character at most is dropped).
void CopyAnsi(char* dst, size_t size, const char* src, size_t srcSize) {
    std::memset(dst, 0, size);
    const std::string ansi(src, strnlen(src, srcSize));
    if (ansi.empty())
        return;
    wchar_t wide[128];
    const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide, 128);
    std::string utf8 = Utf8FromWide(std::wstring_view(wide, static_cast<size_t>(std::max(n, 0))));
    size_t len = std::min(utf8.size(), size - 1);
    while (len > 0 && len < utf8.size() && (static_cast<unsigned char>(utf8[len]) & 0xC0) == 0x80)
        --len;
    std::memcpy(dst, utf8.data(), len);
}

class D2xxTransport final : public Transport {
  public:
    D2xxTransport(const D2xxApi& api, FT_HANDLE h) : m_api(api), m_h(h) {}
    ~D2xxTransport() override { m_api.Close(m_h); }

    bool PurgeReceived() override { return m_api.Purge(m_h, FT_PURGE_RX) == FT_OK; }

    int Write(const uint8_t* data, size_t size, int timeoutMs) override {
        if (!SetTimeouts(m_readMs, timeoutMs))
            return -1;
        DWORD done = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, MAXDWORD));
        if (m_api.Write(m_h, const_cast<uint8_t*>(data), want, &done) != FT_OK)
            return done > 0 ? static_cast<int>(done) : -1;
        return static_cast<int>(done);
    }

    // Waits for all bytes or the time-out, and returns what arrived by then.
    int Read(uint8_t* data, size_t size, int timeoutMs) override {
        if (!SetTimeouts(timeoutMs, m_writeMs))
            return -1;
        DWORD done = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, MAXDWORD));
        if (m_api.Read(m_h, data, want, &done) != FT_OK)
            return -1; // device gone: the bytes read are of a reply that will never be whole
        return static_cast<int>(done);
    }

    // A time-out of 0 means none to the library: the shortest is 1 ms.
    bool SetTimeouts(int readMs, int writeMs) {
        readMs = std::max(readMs, 1);
        writeMs = std::max(writeMs, 1);
        if (readMs == m_readMs && writeMs == m_writeMs)
            return true;
        if (m_api.SetTimeouts(m_h, static_cast<ULONG>(readMs), static_cast<ULONG>(writeMs)) != FT_OK)
            return false;
        m_readMs = readMs;
        m_writeMs = writeMs;
        return true;
    }

  private:
    const D2xxApi& m_api;
    FT_HANDLE m_h;
    int m_readMs = -1, m_writeMs = -1;
};

} // namespace

void ScanD2xxDevices(std::vector<DeviceNode>& out) {
    g_noteOffset = 0;
    g_noteArg.clear();
    const D2xxApi* api = LoadApi();
    if (!api)
        return;
    DWORD count = 0;
    FT_STATUS status = api->CreateDeviceInfoList(&count);
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes;
    if (status == FT_OK && count > kMaxD2xxDevices) {
        g_noteOffset = kUiD2xxTooMany;
        g_noteArg = std::to_string(count);
        return;
    }
    if (status == FT_OK && count > 0) {
        nodes.resize(count);
        status = api->GetDeviceInfoList(nodes.data(), &count);
        nodes.resize(std::min<size_t>(count, nodes.size()));
    }
    if (status != FT_OK) {
        g_noteOffset = kUiD2xxFailed;
        g_noteArg = std::to_string(status);
        return;
    }
    if (nodes.empty()) {
        g_noteOffset = kUiD2xxNone;
        return;
    }
    for (const FT_DEVICE_LIST_INFO_NODE& n : nodes) {
        DeviceNode node;
        node.backend = PortBackend::D2xx;
        node.flags = n.Flags;
        node.type = n.Type;
        node.id = n.ID;
        node.locId = n.LocId;
        CopyAnsi(node.serialNumber, sizeof node.serialNumber, n.SerialNumber, sizeof n.SerialNumber);
        CopyAnsi(node.description, sizeof node.description, n.Description, sizeof n.Description);
        node.path.assign(n.SerialNumber,
                         strnlen(n.SerialNumber, sizeof n.SerialNumber)); // as the library opens it
        out.push_back(std::move(node));
    }
}

std::string D2xxListNote(int language) {
    if (g_noteOffset == 0)
        return {};
    char text[512];
    std::snprintf(text, sizeof text, UIString(g_noteOffset, language).c_str(), g_noteArg.c_str());
    return text;
}

std::unique_ptr<Transport> OpenD2xxTransport(const std::string& serial) {
    const D2xxApi* api = LoadApi();
    if (!api || serial.empty())
        return nullptr; // a device in use by another program is listed without its serial number
    FT_HANDLE h = nullptr;
    if (api->OpenEx(const_cast<char*>(serial.c_str()), FT_OPEN_BY_SERIAL_NUMBER, &h) != FT_OK || !h)
        return nullptr;
    auto transport = std::make_unique<D2xxTransport>(*api, h);
    // The chip's shortest receive latency (2 ms): replies are short frames.
    const bool ok = api->SetBaudRate(h, 9600) == FT_OK &&
                    api->SetDataCharacteristics(h, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE) == FT_OK &&
                    api->SetFlowControl(h, FT_FLOW_NONE, 0x11, 0x13) == FT_OK && api->SetDtr(h) == FT_OK &&
                    api->SetRts(h) == FT_OK && api->SetLatencyTimer(h, 2) == FT_OK &&
                    transport->SetTimeouts(2000, 2000) && api->Purge(h, FT_PURGE_RX | FT_PURGE_TX) == FT_OK;
    if (!ok)
        return nullptr; // the transport closes the handle
    return transport;
}

void PortSetD2xxLibrary(const std::string& path) {
    Library& lib = Lib();
    if (lib.module)
        ::FreeLibrary(lib.module);
    lib.module = nullptr;
    lib.api = {};
    std::wstring name;
    lib.name = !path.empty() && WideFromUtf8(path, name) ? name : L"ftd2xx.dll";
}
