#pragma once

// The connected KX-208M, the list of attached devices, and the questions a
// read from the instrument asks.

#include "Port.h"
#include "Reporter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The largest archive memory a KX-208M has, in records. Status counts beyond
// it are garbage and bound the read.
constexpr uint32_t kMaxDeviceRecords = 44000;

// Messages and questions of a read, answered by the caller: the device
// dialog, the command-line tool, or a test. Reading never waits on a window
// itself; a worker-thread caller marshals these to its user interface.
class IDeviceUi : public IReporter {
  public:
    enum class Question { RetryBlock, ReadEmptyMemory };
    // englishText is the English wording (already formatted), uiOffset its
    // interface string or 0; block is the block concerned (RetryBlock).
    virtual bool Ask(Question question, std::string_view englishText, int uiOffset, int block) = 0;
    // A message whose interface string takes the block number (%d);
    // englishText is already formatted with it.
    virtual void ShowBlockMessage(std::string_view englishText, int uiOffset, int /*block*/) {
        ShowMessage(englishText, uiOffset);
    }
};

// Answers every question with No and prints messages on stderr.
class StderrDeviceUi : public IDeviceUi {
  public:
    void ShowMessage(std::string_view englishText, int uiOffset) override;
    bool Ask(Question, std::string_view, int, int) override { return false; }
};

// The instrument at the far end of a connection it is given, which must
// outlive it.
class CInstrument {
  public:
    CInstrument(const DeviceNode& node, CDeviceConnection& connection)
        : m_node(node), m_connection(connection) {}

    // Each returns 1 on success, 0 on failure.
    int QueryVersion();
    int QuerySerialNumber();
    int QueryKind();
    int QueryArchiveStatus(uint32_t& used, uint32_t& available);
    int SetReadPosition(uint32_t position);
    // 240 bytes (15 records) into out; a failure is shown on ui by its error
    // name, unless the position was lost. A reply that is not whole within
    // the read time-out fails; when it comes whole later it is kept, and the
    // retry's reply tells whether the instrument moved on after sending it.
    int ReadBlock(uint8_t* out, IReporter& ui);
    // After a failed ReadBlock: a reply came late but not whole, so the
    // instrument may have moved on and another attempt could return the next
    // block in this one's place. Reading must stop.
    bool PositionLost() const { return m_bPositionLost; }
    // After a successful ReadBlock: the block is a retry's reply equal to a
    // late reply before it; the instrument had not moved on, and the block,
    // sent twice, is taken once.
    bool RepeatTaken() const { return m_bRepeatTaken; }

    const DeviceNode& GetNode() const { return m_node; }
    int GetLastError() const { return m_nLastError; }
    int GetKind() const { return m_nKind; }
    int GetSerialNumber() const { return m_nSerialNumber; }
    int GetVersionMajor() const { return m_nVersionMajor; }
    int GetVersionMinor() const { return m_nVersionMinor; }

    // Serial-number decoding by firmware version (major * 100 + minor).
    static int DecodeSerialNumber(int version, const uint8_t bytes[4]);

  private:
    DeviceNode m_node;
    CDeviceConnection& m_connection;
    int m_nLastError = 0;
    int m_nKind = 0;
    int m_nSerialNumber = -1;
    int m_nVersionMajor = 0;
    int m_nVersionMinor = 0;
    bool m_bPositionLost = false;
    bool m_bRepeatTaken = false;
    bool m_bBlockFailed = false; // the last ReadBlock failed: the next is a retry
    // A whole reply that came after the time-out, kept until a retry tells
    // whether it was this block; and a block already read for the next call.
    bool m_bHaveLate = false;
    bool m_bHaveNext = false;
    uint8_t m_late[240] = {};
    uint8_t m_next[240] = {};
};

// The devices of some sources, and the one of them connected, through a
// connection of the list's own.
class CDeviceList {
  public:
    static constexpr int kMaxDevices = 16;

    explicit CDeviceList(CDeviceSources sources = {}) : m_sources(std::move(sources)) {}
    ~CDeviceList();
    CDeviceList(const CDeviceList&) = delete;
    CDeviceList& operator=(const CDeviceList&) = delete;

    // The device count, or -1 when listing failed.
    int Enumerate();
    int GetCount() const { return m_nCount; }
    // UTF-8 texts; empty when index is out of range.
    std::string GetDescription(int index) const;
    std::string GetSerialNumber(int index) const;
    // The device's line in a list: "description #serial", or the
    // description alone when the device has no serial number.
    std::string GetLine(int index) const;
    // -1 when index is out of range.
    long long GetLocId(int index) const;
    // Closes the current device, then opens device index; the new current
    // instrument, or nullptr.
    CInstrument* Connect(int index);
    void CloseCurrent();
    CInstrument* GetCurrent() const { return m_pCurrent.get(); }

    // What Enumerate lists; changes show at the next Enumerate.
    CDeviceSources& Sources() { return m_sources; }
    // The link of the current device; its time-outs apply to every device
    // connected through the list.
    CDeviceConnection& Connection() { return m_connection; }

  private:
    CDeviceSources m_sources;
    CDeviceConnection m_connection;
    DeviceNode m_nodes[kMaxDevices];
    int m_nCount = 0;
    std::unique_ptr<CInstrument> m_pCurrent;
};

// The status counts of a read bounded by the memory an instrument can have;
// false when a count was out of range.
bool StatusInRange(uint32_t used, uint32_t available);
