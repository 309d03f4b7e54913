// Serial ports on Windows: the virtual COM port the FTDI driver makes of the
// bridge (or any other port), opened as \\.\COMn, and the list of ports from
// the registry. libftdi is not used here; the FTDI driver owns the chip.

#include "NativePath.h"
#include "Transport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <windows.h>

namespace {

class Win32SerialTransport final : public Transport {
  public:
    explicit Win32SerialTransport(HANDLE h) : m_h(h) {}
    ~Win32SerialTransport() override { ::CloseHandle(m_h); }

    bool PurgeReceived() override { return ::PurgeComm(m_h, PURGE_RXABORT | PURGE_RXCLEAR) != 0; }

    int Write(const uint8_t* data, size_t size, int timeoutMs) override {
        if (!SetTimeouts(m_readMs, timeoutMs))
            return -1;
        DWORD done = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, MAXDWORD));
        if (!::WriteFile(m_h, data, want, &done, nullptr)) {
            ClearError();
            return done > 0 ? static_cast<int>(done) : -1;
        }
        return static_cast<int>(done);
    }

    int Read(uint8_t* data, size_t size, int timeoutMs) override {
        if (!SetTimeouts(timeoutMs, m_writeMs))
            return -1;
        DWORD done = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, MAXDWORD));
        if (!::ReadFile(m_h, data, want, &done, nullptr)) {
            ClearError();
            return -1; // device gone: the bytes read are of a reply that will never be whole
        }
        return static_cast<int>(done);
    }

    // Total time-outs only, as the D2XX port is set: a transfer ends when it
    // is complete or when the time is up, whatever arrived by then.
    bool SetTimeouts(int readMs, int writeMs) {
        if (readMs == m_readMs && writeMs == m_writeMs)
            return true;
        COMMTIMEOUTS t{};
        if (readMs <= 0) {
            t.ReadIntervalTimeout = MAXDWORD; // what has arrived, at once
        } else {
            t.ReadTotalTimeoutConstant = static_cast<DWORD>(readMs);
        }
        t.WriteTotalTimeoutConstant = static_cast<DWORD>(std::max(writeMs, 1));
        if (!::SetCommTimeouts(m_h, &t))
            return false;
        m_readMs = readMs;
        m_writeMs = writeMs;
        return true;
    }

  private:
    // A line error stops all transfers until it is cleared.
    void ClearError() {
        DWORD errors = 0;
        ::ClearCommError(m_h, &errors, nullptr);
    }

    HANDLE m_h;
    int m_readMs = -1, m_writeMs = -1;
};

// "COM3", "com3" or "\\.\COM3" to the device name CreateFileW takes; other
// names (a full device path) as they are.
std::wstring DeviceName(const std::wstring& port) {
    if (port.size() > 3 && _wcsnicmp(port.c_str(), L"COM", 3) == 0 &&
        port.find_first_not_of(L"0123456789", 3) == std::wstring::npos)
        return L"\\\\.\\" + port;
    return port;
}

} // namespace

std::unique_ptr<Transport> OpenSerialTransport(const std::string& path) {
    std::wstring port;
    if (!WideFromUtf8(path, port) || port.empty())
        return nullptr;
    // Not shared, like the D2XX open: a second program gets "access denied".
    const HANDLE h = ::CreateFileW(DeviceName(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool ok = ::GetFileType(h) == FILE_TYPE_CHAR && ::GetCommState(h, &dcb);
    if (ok) {
        dcb.BaudRate = CBR_9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fTXContinueOnXoff = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        ok = ::SetCommState(h, &dcb);
    }
    if (ok) {
        DWORD errors = 0;
        COMSTAT status{};
        ::ClearCommError(h, &errors, &status);
    }
    auto transport = std::make_unique<Win32SerialTransport>(h);
    if (!ok || !transport->SetTimeouts(2000, 2000))
        return nullptr; // the transport closes the handle
    ::PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    return transport;
}

// The ports in HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, COM1 before COM10. The
// key does not tell which driver a port belongs to beyond its device name
// (the FTDI driver's are \Device\VCPn), so every port is listed.
void ScanSerialBridges(const std::string&, std::vector<DeviceNode>& out) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return;
    struct Port {
        int number;
        std::string name, device;
    };
    std::vector<Port> ports;
    for (DWORD i = 0;; ++i) {
        wchar_t valueName[256];
        DWORD nameLength = 256;
        wchar_t data[64] = {};
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG rc = ::RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            continue;
        data[dataSize / sizeof(wchar_t)] = L'\0';
        const std::string name = Utf8FromWide(data);
        if (name.size() < 4 || _strnicmp(name.c_str(), "COM", 3) != 0)
            continue;
        ports.push_back({std::atoi(name.c_str() + 3), name, Utf8FromWide({valueName, nameLength})});
    }
    ::RegCloseKey(key);
    std::sort(ports.begin(), ports.end(), [](const Port& a, const Port& b) { return a.number < b.number; });
    for (const Port& p : ports) {
        DeviceNode node;
        node.backend = PortBackend::Serial;
        node.path = p.name;
        node.locId = static_cast<uint32_t>(p.number);
        CopyNodeText(node.description, sizeof node.description, p.name + " (" + p.device + ")");
        out.push_back(std::move(node));
    }
}

// Without libftdi there are no directly driven chips: the FTDI driver shows
// each bridge as a COM port instead.
void ScanFtdiDevices(std::vector<DeviceNode>&) {}

std::unique_ptr<Transport> OpenFtdiTransport(uint32_t) {
    return nullptr;
}
