#include "Port.h"

#include "UiStrings.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace {

// A line with no byte for this long has finished whatever it was sending.
constexpr int kQuietMs = 300;

} // namespace

void CopyNodeText(char* dst, size_t size, const std::string& text) {
    std::memset(dst, 0, size);
    std::memcpy(dst, text.data(), std::min(text.size(), size - 1));
}

const char* PortErrorName(int code) {
    switch (code) {
    case KX_ERROR:
        return "KX_ERROR";
    case KX_ERR_MARKER1:
        return "KX_ERR_MARKER1";
    case KX_ERR_MARKER2:
        return "KX_ERR_MARKER2";
    case KX_ERR_CS:
        return "KX_ERR_CS";
    case KX_ERR_TO:
        return "KX_ERR_TO";
    default:
        return nullptr;
    }
}

uint8_t FrameChecksum(const uint8_t* data, size_t size) {
    uint8_t sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum = static_cast<uint8_t>(sum + data[i]);
    return sum;
}

void CDeviceSources::AddExplicit(const std::string& path) {
    DeviceNode node;
    node.backend = PortBackend::Serial;
    node.path = path;
    // A pseudo-terminal is where kx208m-sim serves its simulated instrument.
    const bool pseudo = path.rfind("/dev/pts/", 0) == 0;
    CopyNodeText(node.description, sizeof node.description, pseudo ? "KX-208M simulator on " + path : path);
    // Explicit ports have no USB location; number them after the bridges'
    // range so the dialog can still find the same line again.
    node.locId = 0xFE000000u + static_cast<uint32_t>(m_extra.size());
    m_extra.push_back(std::move(node));
}

void CDeviceSources::AddSimulated(std::shared_ptr<ISimulatedDevice> device, const std::string& description) {
    DeviceNode node;
    node.backend = PortBackend::Simulated;
    node.simulated = std::move(device);
    CopyNodeText(node.description, sizeof node.description, description);
    const size_t index = m_extra.size();
    CopyNodeText(node.serialNumber, sizeof node.serialNumber, "SIM" + std::to_string(index));
    node.locId = 0xFF000000u + static_cast<uint32_t>(index);
    m_extra.push_back(std::move(node));
}

void CDeviceSources::Clear() {
    m_extra.clear();
}

int CDeviceSources::PortEnumerate(DeviceNode* nodes, int& count, int maximum) const {
    std::vector<DeviceNode> found;
    if (m_bScanHardware) {
#ifdef _WIN32
        // The FTDI chips through FTDI's library when it lists any; else the
        // COM ports, the FTDI driver's virtual ones among them.
        ScanD2xxDevices(found);
        if (found.empty())
            ScanSerialBridges(m_strSysfsRoot, found);
#else
        ScanSerialBridges(m_strSysfsRoot, found);
        ScanFtdiDevices(found);
#endif
    }
    for (const DeviceNode& n : m_extra)
        found.push_back(n);
    count = static_cast<int>(std::min<size_t>(found.size(), static_cast<size_t>(std::max(maximum, 0))));
    for (int i = 0; i < count; ++i)
        nodes[i] = found[static_cast<size_t>(i)];
    return 0;
}

std::string CDeviceSources::ListNote(int language) const {
#ifdef _WIN32
    if (m_bScanHardware)
        return D2xxListNote(language);
#endif
    (void)language;
    return {};
}

int PortNoDeviceHint() {
#ifdef _WIN32
    return kUiWindowsInstallFtdisDriver;
#else
    return kUiLinuxJoinDialoutGroup;
#endif
}

int CDeviceConnection::PortOpen(const DeviceNode& node) {
    if (m_port)
        return -1; // one device per connection; the caller closes first
    std::unique_ptr<Transport> t;
    switch (node.backend) {
    case PortBackend::Serial:
        t = OpenSerialTransport(node.path);
        break;
    case PortBackend::Ftdi:
        t = OpenFtdiTransport(node.locId);
        break;
    case PortBackend::D2xx:
#ifdef _WIN32
        t = OpenD2xxTransport(node.path);
#endif
        break;
    case PortBackend::Simulated:
        if (node.simulated)
            t = node.simulated->OpenLink();
        break;
    }
    if (!t)
        return -1;
    m_port = std::move(t);
    return 0;
}

int CDeviceConnection::PortClose() {
    m_port.reset();
    return 0;
}

void CDeviceConnection::PortAttach(std::unique_ptr<Transport> transport) {
    m_port = std::move(transport);
}

void CDeviceConnection::PortSetTimeouts(int readMs, int writeMs) {
    m_nReadTimeoutMs = readMs;
    m_nWriteTimeoutMs = writeMs;
}

int CDeviceConnection::CheckReply(uint8_t command, int n, uint8_t* out) const {
    if (m_rxBuffer[0] != command)
        return KX_ERR_MARKER1;
    if (FrameChecksum(m_rxBuffer + 1, static_cast<size_t>(n)) != m_rxBuffer[n + 1])
        return KX_ERR_CS;
    if (n > 0)
        std::memcpy(out, m_rxBuffer + 1, static_cast<size_t>(n));
    return 0;
}

int CDeviceConnection::PortRequest(uint8_t command, int n, uint8_t* out) {
    m_nRxGot = -1;
    if (!m_port || n < 0 || n > 254)
        return KX_ERROR;
    if (!m_port->PurgeReceived())
        return KX_ERROR;
    m_txBuffer[0] = command;
    if (m_port->Write(m_txBuffer, 1, m_nWriteTimeoutMs) != 1)
        return KX_ERR_TO;
    const int want = n + 2;
    const int got = m_port->Read(m_rxBuffer, static_cast<size_t>(want), m_nReadTimeoutMs);
    m_nRxWant = want;
    m_nRxGot = got;
    if (got != want)
        return KX_ERR_TO;
    return CheckReply(command, n, out);
}

// Reads what the line still brings until it has been quiet for kQuietMs
// (bounded, for a line that never stops), then purges. Bytes go to the
// receive buffer from got up to want, the rest are counted in extra. True
// when the line went quiet and the purge worked.
bool CDeviceConnection::Drain(int& got, int want, int& extra) {
    using Clock = std::chrono::steady_clock;
    const auto limit = Clock::now() + std::chrono::milliseconds(2 * m_nReadTimeoutMs + kQuietMs);
    bool quiet = false;
    while (Clock::now() < limit) {
        uint8_t scratch;
        uint8_t* into = got < want ? m_rxBuffer + got : &scratch;
        const int r = m_port->Read(into, 1, kQuietMs);
        if (r < 0)
            break; // the link is gone
        if (r == 0) {
            quiet = true;
            break;
        }
        if (into == &scratch)
            ++extra;
        else
            ++got;
    }
    return m_port->PurgeReceived() && quiet;
}

int CDeviceConnection::PortSettle(uint8_t command, int n, uint8_t* out, bool& late) {
    late = false;
    if (!m_port)
        return KX_ERROR;
    // Only a reply cut short by the time-out can still be completed by what
    // arrives late; anything else that comes is read and dropped.
    const bool completing = m_nRxGot >= 0 && m_nRxGot < m_nRxWant && m_nRxWant == n + 2;
    const int before = completing ? m_nRxGot : m_nRxWant;
    int got = before;
    int extra = 0;
    m_nRxGot = -1;
    const bool quiet = Drain(got, completing ? m_nRxWant : 0, extra);
    late = completing && (got > before || extra > 0);
    if (!quiet || !completing || got != m_nRxWant || extra > 0)
        return KX_ERR_TO;
    return CheckReply(command, n, out);
}

bool CDeviceConnection::PortLineQuiet() {
    if (!m_port)
        return true;
    int got = 0, extra = 0;
    Drain(got, 0, extra);
    return extra == 0;
}

int CDeviceConnection::PortCommand(uint8_t command, int n, const uint8_t* payload) {
    if (!m_port || n < 0 || n > 254)
        return KX_ERROR;
    if (!m_port->PurgeReceived())
        return KX_ERROR;
    m_txBuffer[0] = command;
    if (n > 0)
        std::memcpy(m_txBuffer + 1, payload, static_cast<size_t>(n));
    m_txBuffer[n + 1] = FrameChecksum(payload, static_cast<size_t>(n));
    const int frame = n + 2;
    if (m_port->Write(m_txBuffer, static_cast<size_t>(frame), m_nWriteTimeoutMs) != frame)
        return KX_ERR_TO;
    if (m_port->Read(m_rxBuffer, 2, m_nReadTimeoutMs) != 2)
        return KX_ERR_TO;
    if (m_rxBuffer[0] != command) {
        m_port->Read(m_rxBuffer, 2, m_nReadTimeoutMs); // drain the rest of a foreign reply
        return KX_ERR_MARKER1;
    }
    if (m_rxBuffer[1] != command)
        return KX_ERR_MARKER2;
    return 0;
}
