#include "ArchiveFormats.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<ArchiveFormat, 3> kFormats{{
    {"mnr", "mnr", 30, DataProvenance::Way::File, &CArchiveData::LoadMnr},
    {"dat", "dat", 138, DataProvenance::Way::File, &CArchiveData::LoadDat},
    {"orlo2", "txt", 141, DataProvenance::Way::Orlo2File, &CArchiveData::LoadOrlo2Txt},
}};

// Names copied from FAT media are often upper case.
bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

} // namespace

std::span<const ArchiveFormat> ArchiveFormats() {
    return kFormats;
}

const ArchiveFormat* FormatByExtension(std::string_view extension) {
    for (const ArchiveFormat& f : kFormats)
        if (SameLetters(extension, f.extension))
            return &f;
    return nullptr;
}

const ArchiveFormat* FormatByKey(std::string_view key) {
    for (const ArchiveFormat& f : kFormats)
        if (key == f.key)
            return &f;
    return nullptr;
}

const ArchiveFormat& FormatForOpening(std::string_view extension) {
    const ArchiveFormat* f = FormatByExtension(extension);
    return f ? *f : kFormats.front();
}

std::string FormatKeyList() {
    std::string list;
    for (size_t i = 0; i < kFormats.size(); ++i)
        list += (i == 0 ? "" : i + 1 == kFormats.size() ? " or " : ", ") + std::string(kFormats[i].key);
    return list;
}
