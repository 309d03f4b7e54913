#pragma once

// A zip archive written front to back to a stream that need not seek (an
// AtomicFile's stream, or standard output): each entry deflated at zlib's
// fastest level, its CRC and sizes in a data descriptor after the data, and
// ZIP64 records where a size or an offset passes 4 GiB. Every write is
// checked; after a failure the calls do nothing and Error() says why.
// Hand() passes a buffer to a second thread that deflates and writes it
// while the caller fills the next one.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ZipWriter {
  public:
    explicit ZipWriter(std::FILE* out);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Starts an entry named name (ASCII); the open entry, if any, is closed.
    bool Open(const std::string& name);
    bool Write(const char* data, size_t size);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }
    // Writes the first size bytes of buffer to the open entry on the second
    // thread; buffer comes back as an earlier buffer of the same size, free.
    bool Hand(std::vector<char>& buffer, size_t size);
    // Ends the open entry with its data descriptor.
    bool Close();
    // Closes the open entry, writes the central directory and flushes.
    bool Finish();

    bool Failed() const { return m_failed; }
    std::string Error();

  private:
    struct Entry {
        std::string name;
        uint32_t crc = 0;
        uint64_t packed = 0, size = 0, offset = 0;
    };
    struct Deflater;
    bool Deflate(const char* data, size_t size, bool last);
    bool Put(const void* data, size_t size);
    bool Fail(std::string why);
    void CentralDirectory();
    void Wait();
    void Work();

    std::FILE* m_out;
    std::unique_ptr<Deflater> m_z;
    std::vector<Entry> m_entries;
    std::vector<unsigned char> m_packed; // deflate's output before it is written
    uint64_t m_written = 0;
    bool m_open = false;
    std::string m_error;
    std::atomic<bool> m_failed{false};

    // The buffer the second thread deflates while m_busy; the caller touches
    // nothing above while it is busy.
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<char> m_pending;
    size_t m_pendingSize = 0;
    bool m_busy = false, m_stop = false;
};
