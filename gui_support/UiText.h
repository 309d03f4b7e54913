#pragma once

#include "StringTable.h"

#include <QFile>
#include <QString>

#include <string>

// The interface string at offset (a kUi name) in this run's language.
inline QString UI(int offset) {
    return QString::fromStdString(LoadUIString(offset));
}

// A UTF-8 string of the core as a QString.
inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A file name as the C library and the core's file functions take it.
inline std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
