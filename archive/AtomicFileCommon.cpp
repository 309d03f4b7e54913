// The parts of AtomicFile that do not depend on the platform.

#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Fail(int error) {
    if (m_error == 0)
        m_error = error != 0 ? error : EIO;
    return false;
}

bool AtomicFile::Write(const void* data, size_t size) {
    if (!m_file) {
        m_writeFailed = true;
        return Fail(EBADF);
    }
    if (m_writeFailed)
        return false;
    errno = 0;
    if (std::fwrite(data, 1, size, m_file) != size) {
        m_writeFailed = true;
        return Fail(errno);
    }
    return true;
}
