#pragma once

#include "UiStrings.h"

#include <initializer_list>
#include <string>

// The string table: entry 1000 + offset is the English interface string,
// 2000 + offset the Russian one (UTF-8), 999 the program version. Entries
// 1000 and 2000 mark the blocks and are never shown.
// Returns nullptr for a missing entry.
const char* StringTableEntry(int id);

// The interface string at offset in the given language (1 Russian, any other
// value English); empty when missing.
std::string UIString(int offset, int language);

// The version text, entry 999.
inline const char* ProgramVersion() {
    return StringTableEntry(999);
}

// The interface language of this run (0 English, 1 Russian), set once at
// start-up; LoadUIString reads it.
void SetUILanguage(int language);
int GetUILanguage();
std::string LoadUIString(int offset);

// text with its "%s" places filled in order; places beyond the arguments stay.
std::string FillPlaces(std::string text, std::initializer_list<std::string> args);
