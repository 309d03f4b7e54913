#pragma once

// The instrument's side of the KX-208M protocol, with switchable faults.
// Used in-process as a transport backend and by the kx208m-sim program.

#include "ArchiveRecord.h"
#include "Transport.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct SimFault {
    // Repeat: the reply goes out whole, but the instrument stays on the block.
    enum Kind { NoReply, ShortReply, BadChecksum, BadEcho, Garbage, Delay, Trickle, Repeat };
    Kind kind = NoReply;
    uint8_t command = 0x62; // request the fault hits
    int block = -1;         // block index the fault hits (-1: every block request)
    int times = 1;          // how many replies it spoils; 0: all of them
    int delayMs = 0;        // for Delay; for Trickle the time the reply's bytes are spread over
};

struct SimConfig {
    uint8_t versionMajor = 3;
    uint8_t versionMinor = 11;
    bool answersVersion13 = true; // older firmware knows only 0x14
    uint32_t serialNumber = 1234;
    uint8_t kind = 1;
    uint32_t memoryRecords = 44000;
    // Reported status; by default the records held and the free rest.
    int64_t statusUsed = -1;
    int64_t statusAvailable = -1;
    int baud = 0;                   // 0: no pacing
    int disconnectAfterBlocks = -1; // the link drops at the request for this block
    std::vector<SimFault> faults;
};

class CKx208mSim final : public ISimulatedDevice, public std::enable_shared_from_this<CKx208mSim> {
  public:
    explicit CKx208mSim(SimConfig config = {}, std::vector<ArchiveRecord> memory = {});

    // An in-process link whose replies arrive when they would over a line
    // paced at the configured rate; nullptr unless the simulator is owned by
    // a shared_ptr, which the link shares.
    std::unique_ptr<Transport> OpenLink() override;

    // What the instrument sends back for bytes received from the PC.
    struct Reply {
        std::vector<uint8_t> bytes;
        int delayMs = 0;
        int spreadMs = 0;        // the bytes leave evenly over this time, if longer than the line takes
        bool disconnect = false; // the link is gone; nothing more is answered
    };
    Reply Receive(const uint8_t* data, size_t size);

    int BlocksServed() const;  // successful block replies since start
    int BlockRequests() const; // all block requests since start
    const SimConfig& Config() const { return m_config; }
    const std::vector<ArchiveRecord>& Memory() const { return m_memory; }
    double ByteSeconds() const { return m_config.baud > 0 ? 10.0 / m_config.baud : 0.0; }

  private:
    Reply Answer(const std::vector<uint8_t>& frame);
    Reply AnswerBlock(uint8_t command);
    Reply Framed(uint8_t command, const uint8_t* data, size_t n);
    bool TakeFault(SimFault::Kind kind, uint8_t command, int block, int* delayMs = nullptr);

    mutable std::mutex m_mutex;
    SimConfig m_config;
    std::vector<ArchiveRecord> m_memory;
    std::vector<uint8_t> m_pending;
    uint32_t m_position = 0; // record index of the next block
    int m_blocksServed = 0;
    int m_blockRequests = 0;
    bool m_disconnected = false;
};

// Options of the simulated instrument, shared by kx208m-sim, tervik-cli and
// tervik: --mnr FILE, --generate N, --used N, --available N, --version M.m,
// --old-version-query, --serial N, --kind K, --baud B,
// --fault KIND:BLOCK[:TIMES[:MS]] (KIND: none, short, checksum, echo,
// garbage, delay, trickle, repeat; faults of block requests), --status-fault (no reply to the
// status request), --disconnect-after K. false and a reason on bad input.
bool ParseSimArgs(const std::vector<std::string>& args, SimConfig& config, std::vector<ArchiveRecord>& memory,
                  std::string& error);
// Records of an *.mnr file, as stored (erased and invalid ones included).
bool LoadMnrRecords(const std::string& path, std::vector<ArchiveRecord>& records, std::string& error);
// The default memory: a few series of synthetic cycles.
std::vector<ArchiveRecord> DefaultSimMemory(int records = 600);
