#include "LimitPresets.h"

#include "SeriesFormat.h"

#include <iterator>

namespace {

// Offsets of the interface strings (resources/strings.tsv).
constexpr int kNameEuIoelv = 600;
constexpr int kAveragingPointName = 608;
constexpr int kUnitNotKnown = 614;
constexpr int kNotMercury = 615;

const LimitPreset kPresets[] = {
    {"eu-ioelv", kNameEuIoelv + 0, 20, Averaging::EightHour, "EU IOELV, Directive 2009/161/EU"},
    {"acgih-tlv", kNameEuIoelv + 1, 25, Averaging::EightHour, "ACGIH TLV"},
    {"niosh-rel", kNameEuIoelv + 2, 50, Averaging::EightHour, "NIOSH REL"},
    {"osha-pel", kNameEuIoelv + 3, 100, Averaging::Point, "OSHA PEL (ceiling)"},
    {"ru-daily", kNameEuIoelv + 4, 0.3, Averaging::Day, "Russian hygienic standard for populated areas"},
    {"who-annual", kNameEuIoelv + 5, 1, Averaging::Year, "WHO"},
    {"epa-rfc", kNameEuIoelv + 6, 0.3, Averaging::Period, "US EPA RfC (chronic)"},
    {"atsdr-mrl", kNameEuIoelv + 7, 0.2, Averaging::Period, "ATSDR chronic MRL"},
};

} // namespace

size_t LimitPresetCount() {
    return std::size(kPresets);
}

const LimitPreset& LimitPresetAt(size_t index) {
    return kPresets[index < std::size(kPresets) ? index : 0];
}

const LimitPreset* FindLimitPreset(std::string_view id) {
    for (const LimitPreset& p : kPresets)
        if (id == p.id)
            return &p;
    return nullptr;
}

std::string LimitPresetIds() {
    std::string out;
    for (const LimitPreset& p : kPresets)
        out += (out.empty() ? "" : ", ") + std::string(p.id);
    return out;
}

int AveragingNameOffset(Averaging averaging) {
    return kAveragingPointName + static_cast<int>(averaging);
}

ConcUnit MercuryUnitOfKind(int kind) {
    if (kind == 0 || kind == 4)
        return ConcUnit::Unknown;
    // The caption's unit: 55 ng/m3, 56 ug/m3.
    return YAxisCaptionOffsets(kind).unit == 55 ? ConcUnit::NgM3 : ConcUnit::UgM3;
}

LimitCheck FreeLimit(double value) {
    LimitCheck c;
    c.active = true;
    c.value = value;
    c.averaging = Averaging::Hour;
    return c;
}

LimitCheck PresetLimit(const LimitPreset& preset, int kind) {
    LimitCheck c;
    c.preset = &preset;
    c.averaging = preset.averaging;
    switch (MercuryUnitOfKind(kind)) {
    case ConcUnit::NgM3:
        c.value = preset.valueUgM3 * 1000;
        break;
    case ConcUnit::UgM3:
        c.value = preset.valueUgM3;
        break;
    case ConcUnit::Unknown:
        c.problemOffset = kind == 4 ? kNotMercury : kUnitNotKnown;
        c.problem = kind == 4 ? "The results are benzene, not mercury: the mercury limits are not compared."
                              : "The unit of the results is not known (the file names no instrument): "
                                "nothing is compared with the limit.";
        return c;
    }
    c.active = true;
    return c;
}
