#include "Transport.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace {

// Process-wide port state. Plain pointers and arrays with trivial
// destructors, so the device list's clean-up at exit still finds them.
Transport* g_port = nullptr;
uint8_t g_txBuffer[256];
uint8_t g_rxBuffer[256];
int g_readTimeoutMs = 2000;
int g_writeTimeoutMs = 2000;
// The last request's reply: bytes wanted and bytes received (-1 when the
// request failed before its read).
int g_rxWant = 0;
int g_rxGot = -1;

// A line with no byte for this long has finished whatever it was sending.
constexpr int kQuietMs = 300;

struct ExtraSources {
    std::vector<DeviceNode> nodes;
    bool scanHardware = true;
    std::string sysfsRoot = "/sys";
};

ExtraSources& Extras() {
    static ExtraSources* s = new ExtraSources; // never destroyed: used until exit
    return *s;
}

void CopyText(char* dst, size_t size, const std::string& text) {
    std::memset(dst, 0, size);
    std::memcpy(dst, text.data(), std::min(text.size(), size - 1));
}

} // namespace

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

void PortAddExplicit(const std::string& path) {
    DeviceNode node;
    node.backend = PortBackend::Serial;
    node.path = path;
    // A pseudo-terminal is where kx208m-sim serves its simulated instrument.
    const bool pseudo = path.rfind("/dev/pts/", 0) == 0;
    CopyText(node.description, sizeof node.description, pseudo ? "KX-208M simulator on " + path : path);
    // Explicit ports have no USB location; number them after the bridges'
    // range so the dialog can still find the same line again.
    node.locId = 0xFE000000u + static_cast<uint32_t>(Extras().nodes.size());
    Extras().nodes.push_back(std::move(node));
}

void PortAddSimulated(std::shared_ptr<CKx208mSim> sim, const std::string& description) {
    DeviceNode node;
    node.backend = PortBackend::Simulated;
    node.sim = std::move(sim);
    CopyText(node.description, sizeof node.description, description);
    const size_t index = Extras().nodes.size();
    CopyText(node.serialNumber, sizeof node.serialNumber, "SIM" + std::to_string(index));
    node.locId = 0xFF000000u + static_cast<uint32_t>(index);
    Extras().nodes.push_back(std::move(node));
}

void PortClearExtraSources() {
    Extras().nodes.clear();
}
void PortSetHardwareScan(bool enabled) {
    Extras().scanHardware = enabled;
}
void PortSetSysfsRoot(const std::string& root) {
    Extras().sysfsRoot = root;
}

void PortSetTimeouts(int readMs, int writeMs) {
    g_readTimeoutMs = readMs;
    g_writeTimeoutMs = writeMs;
}

int PortReadTimeout() {
    return g_readTimeoutMs;
}

int PortEnumerate(DeviceNode* nodes, int& count, int maximum) {
    std::vector<DeviceNode> found;
    if (Extras().scanHardware) {
#ifdef _WIN32
        // The FTDI chips through FTDI's library when it lists any; else the
        // COM ports, the FTDI driver's virtual ones among them.
        ScanD2xxDevices(found);
        if (found.empty())
            ScanSerialBridges(Extras().sysfsRoot, found);
#else
        ScanSerialBridges(Extras().sysfsRoot, found);
        ScanFtdiDevices(found);
#endif
    }
    for (const DeviceNode& n : Extras().nodes)
        found.push_back(n);
    count = static_cast<int>(std::min<size_t>(found.size(), static_cast<size_t>(std::max(maximum, 0))));
    for (int i = 0; i < count; ++i)
        nodes[i] = found[static_cast<size_t>(i)];
    return 0;
}

std::string PortListNote(int language) {
#ifdef _WIN32
    if (Extras().scanHardware)
        return D2xxListNote(language);
#endif
    (void)language;
    return {};
}

int PortNoDeviceHint() {
#ifdef _WIN32
    return 423;
#else
    return 487;
#endif
}

int PortOpen(const DeviceNode& node) {
    if (g_port)
        return -1; // one device at a time; the caller closes first
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
        if (node.sim)
            t = OpenSimTransport(node.sim);
        break;
    }
    if (!t)
        return -1;
    g_port = t.release();
    return 0;
}

int PortClose() {
    delete g_port;
    g_port = nullptr;
    return 0;
}

bool PortIsOpen() {
    return g_port != nullptr;
}

void PortAttach(std::unique_ptr<Transport> transport) {
    PortClose();
    g_port = transport.release();
}

namespace {

int CheckReply(uint8_t command, int n, uint8_t* out) {
    if (g_rxBuffer[0] != command)
        return KX_ERR_MARKER1;
    if (FrameChecksum(g_rxBuffer + 1, static_cast<size_t>(n)) != g_rxBuffer[n + 1])
        return KX_ERR_CS;
    if (n > 0)
        std::memcpy(out, g_rxBuffer + 1, static_cast<size_t>(n));
    return 0;
}

} // namespace

int PortRequest(uint8_t command, int n, uint8_t* out) {
    g_rxGot = -1;
    if (!g_port || n < 0 || n > 254)
        return KX_ERROR;
    if (!g_port->PurgeReceived())
        return KX_ERROR;
    g_txBuffer[0] = command;
    if (g_port->Write(g_txBuffer, 1, g_writeTimeoutMs) != 1)
        return KX_ERR_TO;
    const int want = n + 2;
    const int got = g_port->Read(g_rxBuffer, static_cast<size_t>(want), g_readTimeoutMs);
    g_rxWant = want;
    g_rxGot = got;
    if (got != want)
        return KX_ERR_TO;
    return CheckReply(command, n, out);
}

namespace {

// Reads what the line still brings until it has been quiet for kQuietMs
// (bounded, for a line that never stops), then purges. Bytes go to
// g_rxBuffer from got up to want, the rest are counted in extra. True when
// the line went quiet and the purge worked.
bool Drain(int& got, int want, int& extra) {
    using Clock = std::chrono::steady_clock;
    const auto limit = Clock::now() + std::chrono::milliseconds(2 * g_readTimeoutMs + kQuietMs);
    bool quiet = false;
    while (Clock::now() < limit) {
        uint8_t scratch;
        uint8_t* into = got < want ? g_rxBuffer + got : &scratch;
        const int r = g_port->Read(into, 1, kQuietMs);
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
    return g_port->PurgeReceived() && quiet;
}

} // namespace

int PortSettle(uint8_t command, int n, uint8_t* out, bool& late) {
    late = false;
    if (!g_port)
        return KX_ERROR;
    // Only a reply cut short by the time-out can still be completed by what
    // arrives late; anything else that comes is read and dropped.
    const bool completing = g_rxGot >= 0 && g_rxGot < g_rxWant && g_rxWant == n + 2;
    const int before = completing ? g_rxGot : g_rxWant;
    int got = before;
    int extra = 0;
    g_rxGot = -1;
    const bool quiet = Drain(got, completing ? g_rxWant : 0, extra);
    late = completing && (got > before || extra > 0);
    if (!quiet || !completing || got != g_rxWant || extra > 0)
        return KX_ERR_TO;
    return CheckReply(command, n, out);
}

bool PortLineQuiet() {
    if (!g_port)
        return true;
    int got = 0, extra = 0;
    Drain(got, 0, extra);
    return extra == 0;
}

int PortCommand(uint8_t command, int n, const uint8_t* payload) {
    if (!g_port || n < 0 || n > 254)
        return KX_ERROR;
    if (!g_port->PurgeReceived())
        return KX_ERROR;
    g_txBuffer[0] = command;
    if (n > 0)
        std::memcpy(g_txBuffer + 1, payload, static_cast<size_t>(n));
    g_txBuffer[n + 1] = FrameChecksum(payload, static_cast<size_t>(n));
    const int frame = n + 2;
    if (g_port->Write(g_txBuffer, static_cast<size_t>(frame), g_writeTimeoutMs) != frame)
        return KX_ERR_TO;
    if (g_port->Read(g_rxBuffer, 2, g_readTimeoutMs) != 2)
        return KX_ERR_TO;
    if (g_rxBuffer[0] != command) {
        g_port->Read(g_rxBuffer, 2, g_readTimeoutMs); // drain the rest of a foreign reply
        return KX_ERR_MARKER1;
    }
    if (g_rxBuffer[1] != command)
        return KX_ERR_MARKER2;
    return 0;
}
