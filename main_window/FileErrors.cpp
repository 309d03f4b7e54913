#include "FileErrors.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

QString FileErrorText(int error, const QString& path) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return QString("Access to %1 was denied.").arg(path);
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
        return QString("There is not enough space on the disk for %1.").arg(path);
    default:
        if (!QFileInfo(path).absoluteDir().exists())
            return QString("%1 was not found.").arg(path);
        return QString("An unexpected error occurred while accessing %1.").arg(path);
    }
}
