#include "ZipWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr uint64_t k32 = 0xFFFFFFFFu;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint16_t kFlagDescriptor = 0x0008;
constexpr uint16_t kDosDate = (0 << 9) | (1 << 5) | 1; // 1980-01-01, the DOS epoch
constexpr uint16_t kVersion = 20, kVersion64 = 45;

// Little-endian fields of a zip record.
class Record {
  public:
    Record& U16(uint64_t v) { return Bytes(v, 2); }
    Record& U32(uint64_t v) { return Bytes(v, 4); }
    Record& U64(uint64_t v) { return Bytes(v, 8); }
    Record& Text(const std::string& s) {
        m_bytes.insert(m_bytes.end(), s.begin(), s.end());
        return *this;
    }
    const std::vector<unsigned char>& Bytes() const { return m_bytes; }

  private:
    Record& Bytes(uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            m_bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
        return *this;
    }
    std::vector<unsigned char> m_bytes;
};

} // namespace

struct ZipWriter::Deflater {
    z_stream z{};
    bool ready = false;
    ~Deflater() {
        if (ready)
            deflateEnd(&z);
    }
};

ZipWriter::ZipWriter(std::FILE* out) : m_out(out), m_z(std::make_unique<Deflater>()), m_packed(1 << 18) {
    // Raw deflate (no zlib header), level 1: the sheets are long runs of
    // similar rows, where the fastest level already packs about 10:1.
    if (deflateInit2(&m_z->z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK)
        m_z->ready = true;
    else
        Fail("cannot start zlib");
}

ZipWriter::~ZipWriter() {
    if (m_worker.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_worker.join();
    }
}

bool ZipWriter::Fail(std::string why) {
    if (m_error.empty()) {
        m_error = std::move(why);
        m_failed = true;
    }
    return false;
}

std::string ZipWriter::Error() {
    Wait();
    return m_error;
}

void ZipWriter::Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
}

void ZipWriter::Work() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_busy || m_stop; });
        if (!m_busy)
            return;
        lock.unlock();
        if (!Failed())
            Deflate(m_pending.data(), m_pendingSize, false);
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

bool ZipWriter::Hand(std::vector<char>& buffer, size_t size) {
    Wait();
    if (Failed() || !m_open)
        return Fail("no zip entry is open");
    if (!m_worker.joinable()) {
        try {
            m_worker = std::thread([this] { Work(); });
        } catch (...) {
            return Write(buffer.data(), size); // no second thread: deflate here
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.swap(buffer);
        m_pendingSize = size;
        m_busy = true;
    }
    m_changed.notify_all();
    buffer.resize(m_pending.size());
    return true;
}

bool ZipWriter::Put(const void* data, size_t size) {
    if (Failed())
        return false;
    if (size && std::fwrite(data, 1, size, m_out) != size)
        return Fail(std::strerror(errno));
    m_written += size;
    return true;
}

bool ZipWriter::Open(const std::string& name) {
    Wait();
    if (m_open && !Close())
        return false;
    if (Failed())
        return false;
    if (deflateReset(&m_z->z) != Z_OK)
        return Fail("cannot reset zlib");
    Entry entry;
    entry.name = name;
    entry.offset = m_written;
    Record local;
    local.U32(0x04034b50).U16(kVersion).U16(kFlagDescriptor).U16(kMethodDeflate).U16(0).U16(kDosDate);
    local.U32(0).U32(0).U32(0).U16(name.size()).U16(0).Text(name);
    m_entries.push_back(std::move(entry));
    m_open = true;
    return Put(local.Bytes().data(), local.Bytes().size());
}

bool ZipWriter::Deflate(const char* data, size_t size, bool last) {
    z_stream& z = m_z->z;
    Entry& entry = m_entries.back();
    entry.size += size;
    // zlib counts in unsigned int: feed it at most 1 GiB at a time.
    do {
        const size_t piece = std::min<size_t>(size, 1u << 30);
        if (piece > 0) // crc32() of no buffer is its initial value, not the running CRC
            entry.crc = static_cast<uint32_t>(
                crc32(entry.crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(piece)));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z.avail_in = static_cast<uInt>(piece);
        data += piece;
        size -= piece;
        const int flush = last && size == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            z.next_out = m_packed.data();
            z.avail_out = static_cast<uInt>(m_packed.size());
            result = deflate(&z, flush);
            if (result == Z_STREAM_ERROR)
                return Fail("zlib failed");
            const size_t n = m_packed.size() - z.avail_out;
            entry.packed += n;
            if (!Put(m_packed.data(), n))
                return false;
        } while (z.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    } while (size > 0);
    return true;
}

bool ZipWriter::Write(const char* data, size_t size) {
    Wait();
    if (Failed() || !m_open)
        return Fail("no zip entry is open");
    return size == 0 || Deflate(data, size, false);
}

bool ZipWriter::Close() {
    Wait();
    if (!m_open || Failed())
        return !Failed();
    m_open = false;
    if (!Deflate(nullptr, 0, true))
        return false;
    const Entry& e = m_entries.back();
    Record descriptor;
    descriptor.U32(0x08074b50).U32(e.crc);
    if (e.packed >= k32 || e.size >= k32)
        descriptor.U64(e.packed).U64(e.size);
    else
        descriptor.U32(e.packed).U32(e.size);
    return Put(descriptor.Bytes().data(), descriptor.Bytes().size());
}

void ZipWriter::CentralDirectory() {
    const uint64_t start = m_written;
    for (const Entry& e : m_entries) {
        // Sizes and the offset that do not fit 32 bits go to the ZIP64 extra field.
        Record extra;
        if (e.size >= k32)
            extra.U64(e.size);
        if (e.packed >= k32)
            extra.U64(e.packed);
        if (e.offset >= k32)
            extra.U64(e.offset);
        const size_t extraSize = extra.Bytes().size();
        Record central;
        central.U32(0x02014b50).U16(extraSize ? kVersion64 : kVersion).U16(extraSize ? kVersion64 : kVersion);
        central.U16(kFlagDescriptor).U16(kMethodDeflate).U16(0).U16(kDosDate).U32(e.crc);
        central.U32(std::min(e.packed, k32)).U32(std::min(e.size, k32)).U16(e.name.size());
        central.U16(extraSize ? extraSize + 4 : 0).U16(0).U16(0).U16(0).U32(0).U32(std::min(e.offset, k32));
        central.Text(e.name);
        if (extraSize)
            central.U16(0x0001).U16(extraSize);
        if (!Put(central.Bytes().data(), central.Bytes().size()) || !Put(extra.Bytes().data(), extraSize))
            return;
    }
    const uint64_t size = m_written - start, count = m_entries.size();
    if (start >= k32 || size >= k32 || count >= 0xFFFF) {
        const uint64_t at = m_written;
        Record end64;
        end64.U32(0x06064b50).U64(44).U16(kVersion64).U16(kVersion64).U32(0).U32(0);
        end64.U64(count).U64(count).U64(size).U64(start);
        end64.U32(0x07064b50).U32(0).U64(at).U32(1);
        Put(end64.Bytes().data(), end64.Bytes().size());
    }
    Record end;
    end.U32(0x06054b50)
        .U16(0)
        .U16(0)
        .U16(std::min<uint64_t>(count, 0xFFFF))
        .U16(std::min<uint64_t>(count, 0xFFFF));
    end.U32(std::min(size, k32)).U32(std::min(start, k32)).U16(0);
    Put(end.Bytes().data(), end.Bytes().size());
}

bool ZipWriter::Finish() {
    Wait();
    if (!Close())
        return false;
    CentralDirectory();
    if (!Failed() && std::fflush(m_out) != 0)
        Fail(std::strerror(errno));
    return !Failed();
}
