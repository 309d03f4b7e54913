#include "SimInstrument.h"

#include "ArchiveGen.h"
#include "MnrCodec.h"
#include "Protocol.h"
#include "ReadFile.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <thread>

using namespace kx;

CKx208mSim::CKx208mSim(SimConfig config, std::vector<ArchiveRecord> memory)
    : m_config(std::move(config)), m_memory(std::move(memory)) {
    if (m_memory.size() > m_config.memoryRecords)
        m_memory.resize(m_config.memoryRecords);
}

int CKx208mSim::BlocksServed() const {
    std::lock_guard lock(m_mutex);
    return m_blocksServed;
}

int CKx208mSim::BlockRequests() const {
    std::lock_guard lock(m_mutex);
    return m_blockRequests;
}

bool CKx208mSim::TakeFault(SimFault::Kind kind, uint8_t command, int block, int* delayMs) {
    for (SimFault& f : m_config.faults) {
        if (f.kind != kind || f.command != command || (f.block >= 0 && f.block != block) || f.times < 0)
            continue;
        if (delayMs)
            *delayMs = f.delayMs;
        if (f.times > 0 && --f.times == 0)
            f.times = -1; // used up
        return true;
    }
    return false;
}

CKx208mSim::Reply CKx208mSim::Framed(uint8_t command, const uint8_t* data, size_t n) {
    Reply r;
    r.bytes.reserve(n + 2);
    r.bytes.push_back(command);
    r.bytes.insert(r.bytes.end(), data, data + n);
    r.bytes.push_back(FrameChecksum(data, n));
    return r;
}

CKx208mSim::Reply CKx208mSim::Receive(const uint8_t* data, size_t size) {
    std::lock_guard lock(m_mutex);
    Reply out;
    if (m_disconnected) {
        out.disconnect = true;
        return out;
    }
    m_pending.insert(m_pending.end(), data, data + size);
    // Requests are one byte; the set-position command carries 4 bytes and a
    // checksum. Bytes of a frame may arrive in pieces.
    while (!m_pending.empty()) {
        const size_t need = m_pending[0] == kCmdSetPosition ? 6 : 1;
        if (m_pending.size() < need)
            break;
        std::vector<uint8_t> frame(m_pending.begin(), m_pending.begin() + static_cast<long>(need));
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(need));
        Reply r = Answer(frame);
        out.bytes.insert(out.bytes.end(), r.bytes.begin(), r.bytes.end());
        out.delayMs += r.delayMs;
        out.spreadMs += r.spreadMs;
        if (r.disconnect) {
            out.disconnect = true;
            m_pending.clear();
            break;
        }
    }
    return out;
}

CKx208mSim::Reply CKx208mSim::Answer(const std::vector<uint8_t>& frame) {
    const uint8_t c = frame[0];
    // Requests other than block reads can be made to go unanswered.
    if (c != kCmdBlock && TakeFault(SimFault::NoReply, c, -1))
        return {};
    switch (c) {
    case kCmdVersion:
        if (!m_config.answersVersion13)
            return {};
        [[fallthrough]];
    case kCmdVersionOld: {
        const uint8_t v[2] = {m_config.versionMajor, m_config.versionMinor};
        return Framed(c, v, 2);
    }
    case kCmdSerial: {
        uint8_t s[4];
        if (m_config.versionMajor * 100 + m_config.versionMinor < 311) {
            // One ASCII digit per byte, most significant first.
            uint32_t n = m_config.serialNumber % 10000;
            for (int i = 3; i >= 0; --i, n /= 10)
                s[i] = static_cast<uint8_t>('0' + n % 10);
        } else {
            PutLe32(s, m_config.serialNumber);
        }
        return Framed(c, s, 4);
    }
    case kCmdKind:
        return Framed(c, &m_config.kind, 1);
    case kCmdStatus: {
        const uint32_t held = static_cast<uint32_t>(m_memory.size());
        const uint32_t used = m_config.statusUsed >= 0 ? static_cast<uint32_t>(m_config.statusUsed) : held;
        const uint32_t avail = m_config.statusAvailable >= 0 ? static_cast<uint32_t>(m_config.statusAvailable)
                                                             : m_config.memoryRecords - held;
        uint8_t s[8];
        PutLe32(s, used);
        PutLe32(s + 4, avail);
        return Framed(c, s, 8);
    }
    case kCmdSetPosition: {
        Reply r;
        if (FrameChecksum(frame.data() + 1, 4) != frame[5]) {
            r.bytes = {c, 0x00};
            return r;
        }
        m_position = Le32(frame.data() + 1);
        r.bytes = {c, c};
        return r;
    }
    case kCmdBlock:
        return AnswerBlock(c);
    default:
        return {}; // unknown commands go unanswered
    }
}

CKx208mSim::Reply CKx208mSim::AnswerBlock(uint8_t c) {
    const int block = static_cast<int>(m_position / kRecordsPerBlock);
    ++m_blockRequests;
    if (m_config.disconnectAfterBlocks >= 0 && m_blocksServed >= m_config.disconnectAfterBlocks) {
        m_disconnected = true;
        Reply r;
        r.disconnect = true;
        return r;
    }
    uint8_t data[240];
    for (uint32_t i = 0; i < kRecordsPerBlock; ++i) {
        const uint64_t index = uint64_t{m_position} + i;
        if (index < m_memory.size())
            std::memcpy(data + 16 * i, m_memory[index].raw, 16);
        else
            std::memset(data + 16 * i, 0xFF, 16);
    }
    Reply r = Framed(c, data, 240);
    int delay = 0;
    // A spoiled reply leaves the block pointer where it was, so asking
    // again returns the same block.
    if (TakeFault(SimFault::NoReply, c, block))
        return {};
    if (TakeFault(SimFault::ShortReply, c, block)) {
        r.bytes.resize(r.bytes.size() / 2);
        return r;
    }
    if (TakeFault(SimFault::BadChecksum, c, block)) {
        r.bytes.back() = static_cast<uint8_t>(r.bytes.back() + 1);
        return r;
    }
    if (TakeFault(SimFault::BadEcho, c, block)) {
        r.bytes.front() = 0x26;
        return r;
    }
    if (TakeFault(SimFault::Garbage, c, block)) {
        r.bytes.insert(r.bytes.begin(), {0x00, 0x5A, 0xA5});
        return r;
    }
    if (TakeFault(SimFault::Delay, c, block, &delay))
        r.delayMs = delay;
    if (TakeFault(SimFault::Trickle, c, block, &delay))
        r.spreadMs = delay;
    if (!TakeFault(SimFault::Repeat, c, block))
        m_position += kRecordsPerBlock;
    ++m_blocksServed;
    return r;
}

namespace {

// The simulated instrument as an in-process link: replies become readable
// when they would have arrived over a line paced at the configured rate.
class SimTransport final : public Transport {
  public:
    explicit SimTransport(std::shared_ptr<CKx208mSim> sim) : m_sim(std::move(sim)) {}

    bool PurgeReceived() override {
        const auto now = Clock::now();
        while (!m_queue.empty() && m_queue.front().first <= now)
            m_queue.pop_front();
        return true;
    }

    int Write(const uint8_t* data, size_t size, int) override {
        if (m_gone)
            return -1;
        auto byteTime = std::chrono::duration<double>(m_sim->ByteSeconds());
        auto start =
            Clock::now() + std::chrono::duration_cast<Clock::duration>(byteTime * static_cast<double>(size));
        const CKx208mSim::Reply r = m_sim->Receive(data, size);
        if (r.spreadMs > 0 && !r.bytes.empty())
            byteTime =
                std::max(byteTime, std::chrono::duration<double>(r.spreadMs / 1000.0 / r.bytes.size()));
        if (r.disconnect)
            m_gone = true;
        start += std::chrono::milliseconds(r.delayMs);
        if (!m_queue.empty() && m_queue.back().first > start)
            start = m_queue.back().first;
        for (size_t i = 0; i < r.bytes.size(); ++i)
            m_queue.emplace_back(
                start + std::chrono::duration_cast<Clock::duration>(byteTime * static_cast<double>(i + 1)),
                r.bytes[i]);
        return static_cast<int>(size);
    }

    int Read(uint8_t* data, size_t size, int timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t available = std::min(size, m_queue.size());
        if (available == 0 && m_gone)
            return -1;
        // The time the last wanted byte arrives, or the deadline.
        auto until = deadline;
        if (available == size && m_queue[size - 1].first < deadline)
            until = m_queue[size - 1].first;
        std::this_thread::sleep_until(until);
        size_t n = 0;
        while (n < size && !m_queue.empty() && m_queue.front().first <= until) {
            data[n++] = m_queue.front().second;
            m_queue.pop_front();
        }
        if (n == 0 && m_gone)
            return -1;
        return static_cast<int>(n);
    }

  private:
    using Clock = std::chrono::steady_clock;
    std::shared_ptr<CKx208mSim> m_sim;
    std::deque<std::pair<Clock::time_point, uint8_t>> m_queue;
    bool m_gone = false;
};

bool ParseCount(const std::string& text, int64_t max, int64_t& value) {
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || v < 0 || v > max)
        return false;
    value = v;
    return true;
}

} // namespace

std::unique_ptr<Transport> CKx208mSim::OpenLink() {
    std::shared_ptr<CKx208mSim> self = weak_from_this().lock();
    if (!self)
        return nullptr;
    return std::make_unique<SimTransport>(std::move(self));
}

bool LoadMnrRecords(const std::string& path, std::vector<ArchiveRecord>& records, std::string& error) {
    FilePtr file = OpenRegularFileForReading(path);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    records.clear();
    MnrParser parser(true);
    uint8_t chunk[16 * 1024];
    size_t got;
    bool ok = true;
    do {
        got = std::fread(chunk, 1, sizeof chunk, file.get());
        ok = parser.Feed(chunk, got, records);
    } while (ok && got == sizeof chunk);
    if (parser.Finish() != MnrError::None) {
        records.clear();
        error = path + " is not a monitoring archive (*.mnr)";
        return false;
    }
    return true;
}

std::vector<ArchiveRecord> DefaultSimMemory(int records) {
    GenOptions o;
    o.series = 3;
    o.recordsPerSeries = std::max(1, (records + 2) / 3);
    std::vector<ArchiveRecord> r = GenerateRecords(o);
    if (r.size() > static_cast<size_t>(records))
        r.resize(static_cast<size_t>(records));
    return r;
}

bool ParseSimArgs(const std::vector<std::string>& args, SimConfig& config, std::vector<ArchiveRecord>& memory,
                  std::string& error) {
    bool haveMemory = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        std::string v;
        int64_t n = 0;
        if (a == "--old-version-query") {
            config.answersVersion13 = false;
            continue;
        }
        if (a == "--status-fault") {
            SimFault f;
            f.command = kCmdStatus;
            f.times = 0;
            config.faults.push_back(f);
            continue;
        }
        if (!value(v))
            return false;
        if (a == "--mnr") {
            if (!LoadMnrRecords(v, memory, error))
                return false;
            haveMemory = true;
        } else if (a == "--generate" && ParseCount(v, 44000, n)) {
            memory = DefaultSimMemory(static_cast<int>(n));
            haveMemory = true;
        } else if (a == "--used" && ParseCount(v, 0xFFFFFFFFll, n)) {
            config.statusUsed = n;
        } else if (a == "--available" && ParseCount(v, 0xFFFFFFFFll, n)) {
            config.statusAvailable = n;
        } else if (a == "--serial" && ParseCount(v, 0xFFFFFFFFll, n)) {
            config.serialNumber = static_cast<uint32_t>(n);
        } else if (a == "--kind" && ParseCount(v, 255, n)) {
            config.kind = static_cast<uint8_t>(n);
        } else if (a == "--baud" && ParseCount(v, 4000000, n)) {
            config.baud = static_cast<int>(n);
        } else if (a == "--disconnect-after" && ParseCount(v, 1 << 20, n)) {
            config.disconnectAfterBlocks = static_cast<int>(n);
        } else if (a == "--version") {
            const size_t dot = v.find('.');
            int64_t major = 0, minor = 0;
            if (dot == std::string::npos || !ParseCount(v.substr(0, dot), 255, major) ||
                !ParseCount(v.substr(dot + 1), 255, minor)) {
                error = "--version wants MAJOR.MINOR";
                return false;
            }
            config.versionMajor = static_cast<uint8_t>(major);
            config.versionMinor = static_cast<uint8_t>(minor);
        } else if (a == "--fault") {
            // KIND:BLOCK[:TIMES[:MS]]
            std::vector<std::string> parts;
            size_t pos = 0;
            for (size_t c; (c = v.find(':', pos)) != std::string::npos; pos = c + 1)
                parts.push_back(v.substr(pos, c - pos));
            parts.push_back(v.substr(pos));
            static const std::pair<const char*, SimFault::Kind> kinds[] = {
                {"none", SimFault::NoReply},         {"short", SimFault::ShortReply},
                {"checksum", SimFault::BadChecksum}, {"echo", SimFault::BadEcho},
                {"garbage", SimFault::Garbage},      {"delay", SimFault::Delay},
                {"trickle", SimFault::Trickle},      {"repeat", SimFault::Repeat}};
            SimFault f;
            bool known = false;
            for (const auto& [name, kind] : kinds)
                if (parts[0] == name) {
                    f.kind = kind;
                    known = true;
                }
            int64_t block = 0, times = 1, ms = 0;
            const bool ok = known && parts.size() >= 2 && parts.size() <= 4 &&
                            (parts[1] == "*" ? (block = -1, true) : ParseCount(parts[1], 1 << 20, block)) &&
                            (parts.size() < 3 || ParseCount(parts[2], 1 << 20, times)) &&
                            (parts.size() < 4 || ParseCount(parts[3], 600000, ms));
            if (!ok) {
                error = "--fault wants KIND:BLOCK[:TIMES[:MS]] with KIND none, short, checksum, echo, "
                        "garbage, delay, trickle or repeat";
                return false;
            }
            f.block = static_cast<int>(block);
            f.times = static_cast<int>(times);
            f.delayMs = static_cast<int>(ms);
            config.faults.push_back(f);
        } else {
            error = "bad option or value: " + a + " " + v;
            return false;
        }
    }
    if (!haveMemory)
        memory = DefaultSimMemory();
    return true;
}
