#pragma once

#include "ArchiveData.h"
#include "MnrCodec.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <vector>

#ifdef _WIN32
#include <atomic>
#include <process.h>

inline void SetTimeZone(const char* tz) {
    _putenv_s("TZ", tz);
    _tzset();
}

inline void unsetenv(const char* name) {
    _putenv_s(name, "");
}
#else
inline void SetTimeZone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
}
#endif

inline constexpr double kInf = std::numeric_limits<double>::infinity();

// Sets TZ for the scope of a test.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* tz) {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (old)
            m_old = old;
        SetTimeZone(tz);
    }
    ~ScopedTimeZone() {
        if (m_had)
            SetTimeZone(m_old.c_str());
        else {
            unsetenv("TZ");
            tzset();
        }
    }

  private:
    bool m_had = false;
    std::string m_old;
};

// Collects the messages the archive reports.
class CollectingReporter final : public IReporter {
  public:
    std::vector<std::string> messages;
    std::vector<int> offsets;
    void ShowMessage(std::string_view text, int uiOffset) override {
        messages.emplace_back(text);
        offsets.push_back(uiOffset);
    }
};

inline ArchiveRecord MakeRecord(int y, int mo, int d, int h, int mi, int s, uint8_t flags, uint8_t series,
                                int16_t temp, uint16_t pres, float conc) {
    ArchiveRecord r{};
    r.SetDateTime(y, mo, d, h, mi, s);
    r.SetFlags(flags);
    r.SetSeriesNumber(series);
    r.SetTemperature(temp);
    r.SetPressure(pres);
    r.SetConcentration(conc);
    return r;
}

// A fresh folder under the system temp dir, removed at the end of the test.
class TempDir {
  public:
    TempDir() {
#ifdef _WIN32
        static std::atomic<int> counter{0};
        const std::string name = "tervik-test-" + std::to_string(_getpid()) + "-" + std::to_string(counter++);
        m_path = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(m_path);
#else
        char tmpl[] = "/tmp/tervik-test-XXXXXX";
        m_path = mkdtemp(tmpl);
#endif
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string operator/(const std::string& name) const {
        return (m_path / name).string();
    }
    // The UTF-8 name of a file in the folder, whatever the platform's paths.
    std::string Utf8(const std::u8string& name) const {
        const std::u8string s = (m_path / name).u8string();
        return std::string(s.begin(), s.end());
    }
    const std::filesystem::path& path() const {
        return m_path;
    }

  private:
    std::filesystem::path m_path;
};

// How many entries dir holds.
inline size_t FileCount(const TempDir& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                             std::filesystem::directory_iterator()));
}

#ifndef _WIN32
// The permission bits of path itself (a link is not followed).
inline mode_t ModeOf(const std::string& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}
#endif

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An *.mnr file's bytes; without a header, the signature and the records.
inline std::string MnrBytes(const ArchiveHeader* header, const std::vector<ArchiveRecord>& records) {
    std::string s(kMnrSignature, 16);
    if (header) {
        const auto head = EncodeMnrHead(*header);
        s.assign(head.begin(), head.end());
    }
    for (const ArchiveRecord& r : records)
        s.append(reinterpret_cast<const char*>(r.raw), 16);
    return s;
}
