#pragma once

#include <QString>

// The message for the errno of a failed write of path, as the framework's
// file errors word it.
QString FileErrorText(int error, const QString& path);
