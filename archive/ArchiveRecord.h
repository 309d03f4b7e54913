#pragma once

#include "LocalTime.h"

#include <cstdint>
#include <cstring>

// Record flags (byte 6).
constexpr uint8_t RF_ZERO = 0x01; // zero-control cycle (baseline measurement)
constexpr uint8_t RF_BAD = 0x02;  // cycle marked as a bad data point

// Selection flags of SeriesInfo::GetCurves.
constexpr unsigned CF_ZERO_ONLY = 1;
constexpr unsigned CF_MEAS_ONLY = 2;
constexpr unsigned CF_BAD_ONLY = 4;
constexpr unsigned CF_SKIP_BAD = 8;

// One measurement cycle: 16 bytes, identical in the instrument's memory, in
// *.mnr files and in memory. Multi-byte fields are little-endian; date and
// time are BCD.
struct ArchiveRecord {
    uint8_t raw[16];

    static int Bcd(uint8_t b) { return (b & 0x0F) + (b >> 4) * 10; }
    static uint8_t ToBcd(int v) { return static_cast<uint8_t>((v / 10 % 10) * 16 + v % 10); }

    int GetSecond() const { return Bcd(raw[0]); }
    int GetMinute() const { return Bcd(raw[1]); }
    int GetHour() const { return Bcd(raw[2]); }
    int GetDay() const { return Bcd(raw[3]); }
    int GetMonth() const { return Bcd(raw[4]); }
    int GetYear() const { return 2000 + Bcd(raw[5]); }
    uint8_t GetFlags() const { return raw[6]; }
    uint8_t GetSeriesNumber() const { return raw[7]; }
    int16_t GetTemperature() const { return static_cast<int16_t>(raw[8] | (raw[9] << 8)); }
    uint16_t GetPressure() const { return static_cast<uint16_t>(raw[10] | (raw[11] << 8)); }
    float GetConcentration() const {
        const uint32_t bits =
            uint32_t{raw[12]} | uint32_t{raw[13]} << 8 | uint32_t{raw[14]} << 16 | uint32_t{raw[15]} << 24;
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }

    bool IsZero() const { return (raw[6] & RF_ZERO) != 0; }
    bool IsBad() const { return (raw[6] & RF_BAD) != 0; }
    bool IsErased() const { return raw[0] == 0xFF && raw[1] == 0xFF && raw[2] == 0xFF && raw[3] == 0xFF; }
    bool IsValid() const {
        const int day = GetDay(), month = GetMonth();
        return GetSecond() <= 59 && GetMinute() <= 59 && GetHour() <= 23 && day >= 1 && day <= 31 &&
               month >= 1 && month <= 12;
    }

    // Seconds since 1970 of the record's local date and time.
    double GetTime() const;
    double GetTime(LocalTimeConverter& converter) const {
        return static_cast<double>(
            converter.ToEpoch(GetYear(), GetMonth(), GetDay(), GetHour(), GetMinute(), GetSecond()));
    }

    // Builders, for the text readers, the simulator and tests.
    void SetDateTime(int year, int month, int day, int hour, int minute, int second) {
        raw[0] = ToBcd(second);
        raw[1] = ToBcd(minute);
        raw[2] = ToBcd(hour);
        raw[3] = ToBcd(day);
        raw[4] = ToBcd(month);
        raw[5] = ToBcd(((year % 100) + 100) % 100);
    }
    void SetFlags(uint8_t flags) { raw[6] = flags; }
    void SetSeriesNumber(uint8_t number) { raw[7] = number; }
    void SetTemperature(int16_t tenths) {
        raw[8] = static_cast<uint8_t>(tenths);
        raw[9] = static_cast<uint8_t>(static_cast<uint16_t>(tenths) >> 8);
    }
    void SetPressure(uint16_t mmHg) {
        raw[10] = static_cast<uint8_t>(mmHg);
        raw[11] = static_cast<uint8_t>(mmHg >> 8);
    }
    void SetConcentration(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        for (int i = 0; i < 4; ++i)
            raw[12 + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
};
static_assert(sizeof(ArchiveRecord) == 16);

// Where the archive came from: 16 bytes.
struct ArchiveHeader {
    static constexpr uint8_t kMarker = 0x77;
    static constexpr uint8_t kOriginDevice = 0x20;

    uint8_t raw[16];

    static ArchiveHeader Build(uint8_t origin, uint8_t kind, uint32_t deviceNumber) {
        ArchiveHeader h;
        h.raw[0] = kMarker;
        h.raw[1] = origin;
        h.raw[2] = 0x88;
        h.raw[3] = kind;
        for (int i = 0; i < 4; ++i)
            h.raw[4 + i] = static_cast<uint8_t>(deviceNumber >> (8 * i));
        std::memset(h.raw + 8, 0x99, 8);
        return h;
    }
    // 0 unless the marker byte is right.
    uint8_t GetOrigin() const { return raw[0] == kMarker ? raw[1] : 0; }
    uint8_t GetKind() const { return raw[0] == kMarker ? raw[3] : 0; }
    uint32_t GetDeviceNumber() const {
        return uint32_t{raw[4]} | uint32_t{raw[5]} << 8 | uint32_t{raw[6]} << 16 | uint32_t{raw[7]} << 24;
    }
};
static_assert(sizeof(ArchiveHeader) == 16);
