#include "ArchiveData.h"
#include "ReadFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

FilePtr OpenFile(const std::string& path, const char* mode) { return FilePtr(std::fopen(path.c_str(), mode)); }

// Closes the file and reports whether everything written reached it.
bool FinishWrite(FilePtr& f) {
    bool ok = std::fflush(f.get()) == 0 && !std::ferror(f.get());
#ifndef _WIN32
    ok = ok && ::fsync(::fileno(f.get())) == 0;
#endif
    ok = std::fclose(f.release()) == 0 && ok;
    return ok;
}

std::string TemporaryNameBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const unsigned long pid = 0;
#else
    const unsigned long pid = static_cast<unsigned long>(::getpid());
#endif
    return path + ".tmp-" + std::to_string(pid) + "-" + std::to_string(counter++);
}

} // namespace

int CArchiveData::LoadMnr(const std::string& path) {
    FilePtr f = OpenRegularFileForReading(path);
    if (!f) {
        Report("Can't open file");
        return 0;
    }
    uint8_t head[32];
    if (std::fread(head, 1, 16, f.get()) < 16) {
        Report("Can't read file signature");
        return 0;
    }
    if (std::memcmp(head, kMnrSignature, 16) != 0) {
        Report("Wrong file signature");
        return 0;
    }
    if (std::fread(head + 16, 1, 16, f.get()) < 16) {
        Report("Can't read file header");
        return 0;
    }

    const bool hasHeader = head[16] == ArchiveHeader::kMarker && head[17] != 0;
    // Without a header, its 16 bytes are the first record.
    const uint64_t recordStart = hasHeader ? 32 : 16;
    std::error_code ec;
    const uint64_t fileSize = std::filesystem::file_size(path, ec);
    const uint64_t size = ec ? 0 : fileSize;
    const uint64_t expected = size > recordStart ? (size - recordStart) / 16 : 0;
    if (expected > kMaxArchiveRecords) {
        Report(kTooManyRecordsText);
        return 0;
    }

    // Whole records only; a trailing partial record is ignored. The vector is
    // sized once from the file size; chunks are compacted as they come, so
    // only the records kept are ever written to it (and made resident).
    std::vector<ArchiveRecord> records;
    records.reserve(static_cast<size_t>(expected));
    if (!hasHeader) {
        records.emplace_back();
        std::memcpy(records.back().raw, head + 16, 16);
        records.resize(CompactRecords(records.data(), 1));
    }
    constexpr size_t kChunk = 4096;
    auto chunk = std::make_unique<ArchiveRecord[]>(kChunk);
    uint64_t total = hasHeader ? 0 : 1;
    for (;;) {
        const size_t got = std::fread(chunk.get(), 16, kChunk, f.get());
        total += got;
        // The file may have grown since its size was taken.
        if (total > kMaxArchiveRecords) {
            Report(kTooManyRecordsText);
            return 0;
        }
        const size_t kept = CompactRecords(chunk.get(), got);
        records.insert(records.end(), chunk.get(), chunk.get() + kept);
        if (got < kChunk)
            break;
    }
    if (records.capacity() > records.size() + records.size() / 8)
        records.shrink_to_fit();
    if (hasHeader)
        std::memcpy(m_header.raw, head + 16, 16);
    else
        m_header = ArchiveHeader::Build(0, 0, 0);
    Clear();
    return AssignRecords(std::move(records), true);
}

int CArchiveData::SaveSeries(int index, const std::string& path) {
    SeriesInfo* series = GetSeries(index);
    if (!series)
        return 0;

    // An existing target that may not be written keeps its content.
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        FilePtr probe = OpenFile(path, "r+b");
        if (!probe) {
            Report("Can't open file for writing");
            return 0;
        }
    }
    // Written beside the target and renamed over it, so a failed write never
    // leaves a truncated file in place of a good one.
    const std::string temporary = TemporaryNameBeside(path);
    FilePtr f = OpenFile(temporary, "wbx");
    if (!f) {
        Report("Can't open file for writing");
        return 0;
    }
    const size_t count = static_cast<size_t>(series->GetCount());
    bool ok = std::fwrite(kMnrSignature, 1, 16, f.get()) == 16 &&
              std::fwrite(m_header.raw, 1, 16, f.get()) == 16 &&
              std::fwrite(&m_records[static_cast<size_t>(series->first)], 16, count, f.get()) == count;
    ok = FinishWrite(f) && ok;
    if (ok) {
        std::filesystem::rename(temporary, path, ec);
        ok = !ec;
    }
    if (!ok) {
        std::filesystem::remove(temporary, ec);
        Report("Can't write file");
        return 0;
    }
    series->saved = 1;
    return static_cast<int>(count);
}

int CArchiveData::WriteBackup(const ArchiveRecord* buffer, int first, int count) {
    if (count <= 0)
        return 1;
    FilePtr f;
    if (first == 0) {
        f = OpenFile(m_backupPath, "wb");
        if (f && (std::fwrite(kMnrSignature, 1, 16, f.get()) != 16 ||
                  std::fwrite(m_header.raw, 1, 16, f.get()) != 16)) {
            std::fclose(f.release());
            f.reset();
        }
    } else {
        f = OpenFile(m_backupPath, "r+b");
        if (f && std::fseek(f.get(), 0, SEEK_END) != 0)
            f.reset();
    }
    const auto fail = [&](std::string_view text) {
        if (!m_backupErrorReported)
            Report(text);
        m_backupErrorReported = true;
        return 0;
    };
    if (!f)
        return fail("Can't open file for writing");
    const size_t n = static_cast<size_t>(count);
    bool ok = std::fwrite(buffer + first, 16, n, f.get()) == n;
    ok = std::fclose(f.release()) == 0 && ok;
    if (!ok)
        return fail("Can't write file");
    return 1;
}
