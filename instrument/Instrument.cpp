#include "Instrument.h"

#include "Protocol.h"

#include <cstdio>
#include <cstring>

using namespace kx;

void StderrDeviceUi::ShowMessage(std::string_view englishText, int) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(englishText.size()), englishText.data());
}

bool StatusInRange(uint32_t used, uint32_t available) {
    return uint64_t{used} + available <= kMaxDeviceRecords;
}

int CInstrument::DecodeSerialNumber(int version, const uint8_t b[4]) {
    if (version < 311)
        return (b[0] & 0x0F) * 1000 + (b[1] & 0x0F) * 100 + (b[2] & 0x0F) * 10 + (b[3] & 0x0F);
    // Serial numbers are small; a value past the int range keeps its bits
    // rather than overflowing.
    return static_cast<int>(Le32(b));
}

int CInstrument::QueryVersion() {
    uint8_t v[2];
    int rc = m_connection.PortRequest(kCmdVersion, 2, v);
    if (rc != 0)
        rc = m_connection.PortRequest(kCmdVersionOld, 2, v);
    if (rc != 0) {
        m_nLastError = rc;
        return 0;
    }
    m_nVersionMajor = v[0];
    m_nVersionMinor = v[1];
    return 1;
}

int CInstrument::QuerySerialNumber() {
    uint8_t s[4];
    const int rc = m_connection.PortRequest(kCmdSerial, 4, s);
    if (rc != 0) {
        m_nLastError = rc;
        return 0;
    }
    m_nSerialNumber = DecodeSerialNumber(m_nVersionMajor * 100 + m_nVersionMinor, s);
    return 1;
}

int CInstrument::QueryKind() {
    uint8_t k;
    const int rc = m_connection.PortRequest(kCmdKind, 1, &k);
    if (rc != 0) {
        m_nLastError = rc;
        return 0;
    }
    m_nKind = k;
    return 1;
}

int CInstrument::QueryArchiveStatus(uint32_t& used, uint32_t& available) {
    uint8_t s[8];
    const int rc = m_connection.PortRequest(kCmdStatus, 8, s);
    if (rc != 0) {
        m_nLastError = rc;
        return 0;
    }
    used = Le32(s);
    available = Le32(s + 4);
    return 1;
}

int CInstrument::SetReadPosition(uint32_t position) {
    uint8_t p[4];
    PutLe32(p, position);
    // A new start: the next block read is no retry, and nothing read before
    // belongs to it.
    m_bBlockFailed = false;
    m_bHaveLate = false;
    m_bHaveNext = false;
    return m_connection.PortCommand(kCmdSetPosition, 4, p) == 0 ? 1 : 0;
}

int CInstrument::ReadBlock(uint8_t* out, IReporter& ui) {
    m_bPositionLost = false;
    m_bRepeatTaken = false;
    if (m_bHaveNext) {
        std::memcpy(out, m_next, sizeof m_next);
        m_bHaveNext = false;
        return 1;
    }
    // The instrument answers each request once and moves on after each whole
    // reply. A retry is safe only while no reply is unaccounted for: bytes
    // that come before the retry, or after the retry's own reply, mean a
    // late reply and the retry's both reached the line, and which block is
    // which can no longer be told.
    const bool retry = m_bBlockFailed;
    m_bBlockFailed = true;
    if (retry && !m_connection.PortLineQuiet()) {
        m_bPositionLost = true;
        return 0;
    }
    const int rc = m_connection.PortRequest(kCmdBlock, 240, out);
    if (rc == 0) {
        if (retry && !m_connection.PortLineQuiet()) {
            m_bPositionLost = true;
            return 0;
        }
        m_bBlockFailed = false;
        if (m_bHaveLate) {
            // A late whole reply came before this one. Equal: the instrument
            // had not moved on and sent this block twice. Different: it had,
            // the late reply was this block and this reply is the next.
            m_bHaveLate = false;
            if (std::memcmp(out, m_late, sizeof m_late) == 0) {
                m_bRepeatTaken = true;
            } else {
                std::memcpy(m_next, out, sizeof m_next);
                m_bHaveNext = true;
                std::memcpy(out, m_late, sizeof m_late);
            }
        }
        return 1;
    }
    // A retry must not start while the failed reply is still arriving: its
    // tail would spoil the retry. A reply cut short by the time-out that
    // still comes whole is kept for the retry to place.
    bool late = false;
    uint8_t settled[240];
    if (rc != KX_ERROR && m_connection.PortSettle(kCmdBlock, 240, settled, late) == 0) {
        std::memcpy(m_late, settled, sizeof m_late);
        m_bHaveLate = true;
    } else if (late) {
        m_bHaveLate = false;
        m_bPositionLost = true;
        return 0;
    }
    if (const char* name = PortErrorName(rc))
        ui.ShowMessage(name, 0);
    return 0;
}

CDeviceList::~CDeviceList() {
    CloseCurrent();
}

int CDeviceList::Enumerate() {
    m_nCount = 0;
    int count = 0;
    if (m_sources.PortEnumerate(m_nodes, count, kMaxDevices) != 0)
        return -1;
    m_nCount = count;
    return m_nCount;
}

std::string CDeviceList::GetDescription(int index) const {
    return index >= 0 && index < m_nCount ? std::string(m_nodes[index].description) : std::string();
}

std::string CDeviceList::GetSerialNumber(int index) const {
    return index >= 0 && index < m_nCount ? std::string(m_nodes[index].serialNumber) : std::string();
}

std::string CDeviceList::GetLine(int index) const {
    const std::string serial = GetSerialNumber(index);
    return serial.empty() ? GetDescription(index) : GetDescription(index) + " #" + serial;
}

long long CDeviceList::GetLocId(int index) const {
    return index >= 0 && index < m_nCount ? static_cast<long long>(m_nodes[index].locId) : -1;
}

CInstrument* CDeviceList::Connect(int index) {
    CloseCurrent();
    if (index >= 0 && index < m_nCount && m_connection.PortOpen(m_nodes[index]) == 0)
        m_pCurrent = std::make_unique<CInstrument>(m_nodes[index], m_connection);
    return m_pCurrent.get();
}

void CDeviceList::CloseCurrent() {
    m_pCurrent.reset();
    m_connection.PortClose();
}
