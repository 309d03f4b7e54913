#pragma once

// The file formats the archive reads, in one table: the File buttons, the
// command line, a dropped file and tervik-cli all choose their reader here.

#include "ArchiveData.h"
#include "Provenance.h"

#include <span>
#include <string>
#include <string_view>

struct ArchiveFormat {
    const char* key;       // tervik-cli's --format name
    const char* extension; // lower case, without the dot
    int filterName;        // interface string offset of the open dialog's filter name
    // The open button that offers the format: File (Way::File) or File
    // (Orlo2) (Way::Orlo2File).
    DataProvenance::Way button;
    int (CArchiveData::*load)(const std::string& path);

    std::string Pattern() const { return std::string("*.") + extension; }
    // The records in archive afterwards, 0 when nothing usable was loaded.
    int Load(CArchiveData& archive, const std::string& path) const { return (archive.*load)(path); }
};

// In the order the open dialogs list them; the first is the program's own.
std::span<const ArchiveFormat> ArchiveFormats();

// The format of an extension (without the dot, any case); null for none.
const ArchiveFormat* FormatByExtension(std::string_view extension);
// The format named key; null for none.
const ArchiveFormat* FormatByKey(std::string_view key);
// A file named on the command line or dropped: by its extension, any other
// one as the program's own archive.
const ArchiveFormat& FormatForOpening(std::string_view extension);
// The keys as a list for a message: "mnr, dat or orlo2".
std::string FormatKeyList();
