#include "ArchiveGen.h"

#include "AtomicFile.h"
#include "MnrCodec.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>
#include <random>

#ifdef _WIN32
#define timegm _mkgmtime
#endif

std::vector<ArchiveRecord> GenerateRecords(const GenOptions& o) {
    std::vector<ArchiveRecord> out;
    out.reserve(static_cast<size_t>(o.series) * static_cast<size_t>(o.recordsPerSeries));
    std::mt19937 rng(o.seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_real_distribution<double> uni(0.0, 1.0);

    // Times advance in UTC-free calendar arithmetic through timegm-like
    // normalisation by mktime on a struct tm (local time of the records).
    struct tm start {};
    start.tm_year = o.year - 1900;
    start.tm_mon = o.month - 1;
    start.tm_mday = o.day;
    start.tm_hour = o.hour;
    start.tm_min = o.minute;
    start.tm_sec = o.second;
    long long offset = 0;
    double zeroLevel = 0.8;
    double peak = 0;
    for (int s = 0; s < o.series; ++s) {
        for (int i = 0; i < o.recordsPerSeries; ++i, offset += o.cycleSeconds) {
            struct tm t = start;
            t.tm_sec += static_cast<int>(offset % 60);
            t.tm_min += static_cast<int>(offset / 60 % 60);
            t.tm_hour += static_cast<int>(offset / 3600 % 24);
            t.tm_mday += static_cast<int>(offset / 86400);
            t.tm_isdst = 0;
            timegm(&t); // normalise the calendar fields only
            const double hourOfDay = t.tm_hour + t.tm_min / 60.0;
            ArchiveRecord r{};
            r.SetDateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
            r.SetSeriesNumber(static_cast<uint8_t>(s + 1));
            const bool zero = o.zeroEvery > 0 ? i % o.zeroEvery == 0 : i == 0;
            zeroLevel += 0.002 * noise(rng);
            const double temperature =
                18 + 5 * std::sin((hourOfDay - 9) / 24 * 2 * std::numbers::pi) + 0.3 * noise(rng);
            const double pressure = 745 + 6 * std::sin(offset / 400000.0) + noise(rng);
            double value;
            uint8_t flags = 0;
            if (zero) {
                value = zeroLevel + 0.01 * noise(rng);
                flags |= RF_ZERO;
            } else {
                if (peak < 0.5 && uni(rng) < 0.004)
                    peak = 8 + 10 * uni(rng);
                peak *= 0.8;
                const double background = 2.2 + 0.9 * std::sin((hourOfDay - 14) / 24 * 2 * std::numbers::pi);
                value = zeroLevel + background + peak + 0.15 * noise(rng);
                if (o.badEvery > 0 && i % o.badEvery == o.badEvery / 2) {
                    flags |= RF_BAD;
                    value += 25 * uni(rng);
                }
            }
            r.SetFlags(flags);
            r.SetTemperature(static_cast<int16_t>(std::lround(temperature * 10)));
            r.SetPressure(static_cast<uint16_t>(std::lround(pressure)));
            r.SetConcentration(static_cast<float>(value));
            out.push_back(r);
        }
        offset += o.gapSeconds;
    }
    return out;
}

bool WriteMnrFile(const std::string& path, const ArchiveHeader& header,
                  const std::vector<ArchiveRecord>& records) {
    AtomicFile file(path);
    return file.Open() && WriteMnr(MnrFileSink(file), header, records.data(), records.size()) &&
           file.Commit();
}
