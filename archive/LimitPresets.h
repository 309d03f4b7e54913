#pragma once

// Limit values of mercury in air with the averaging time each is set for, and
// the unit of a series they are compared in.

#include <cstddef>
#include <string>
#include <string_view>

// What a limit value is compared with.
enum class Averaging {
    Point,     // every result (a ceiling)
    Hour,      // valid hourly means (a limit typed in by the user)
    EightHour, // per local day, its highest valid 8-hour mean (8-hour TWA)
    Day,       // valid daily means
    Year,      // valid calendar-year means
    Period,    // the mean of the whole span, when valid
};

struct LimitPreset {
    const char* id;   // for --limit-preset and the settings, e.g. "eu-ioelv"
    int nameOffset;   // interface string of its name (both languages)
    double valueUgM3; // the limit in ug/m3
    Averaging averaging;
    const char* source; // where the value comes from (English, as the README lists it)
};

// The presets in the order a list shows them.
size_t LimitPresetCount();
const LimitPreset& LimitPresetAt(size_t index);
// nullptr when no preset has this id.
const LimitPreset* FindLimitPreset(std::string_view id);
// "eu-ioelv, acgih-tlv, ..." for usage and error texts.
std::string LimitPresetIds();
// Interface string of an averaging time's name.
int AveragingNameOffset(Averaging averaging);

// The unit of a series' results, as the value axis caption of its
// instrument kind names it; Unknown where no unit of mercury is known: kind 0
// (no header, so no instrument is known) and kind 4 (benzene, not mercury).
enum class ConcUnit { Unknown, NgM3, UgM3 };
ConcUnit MercuryUnitOfKind(int kind);

// A limit as it is compared: its value in the unit of the series and the
// averages it is compared with. Inactive when there is no limit or when it
// cannot be compared (problem then says why, in English; problemOffset is
// its interface string).
struct LimitCheck {
    bool active = false;
    double value = 0; // in the unit of the series
    Averaging averaging = Averaging::Hour;
    const LimitPreset* preset = nullptr; // nullptr for a value typed in
    std::string problem;
    int problemOffset = 0;
};

// A value typed in, in the unit of the series, compared with hourly means.
LimitCheck FreeLimit(double value);
// A preset for a series of this instrument kind: converted from ug/m3 to
// the series' unit, or inactive with the reason when the unit is not known.
LimitCheck PresetLimit(const LimitPreset& preset, int kind);
