#pragma once

#include "StringTable.h"

#include <QString>

// The interface string at offset (a kUi name) in this run's language.
inline QString UI(int offset) {
    return QString::fromStdString(LoadUIString(offset));
}
