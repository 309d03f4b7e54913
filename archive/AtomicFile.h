#pragma once

// Replacing a file all at once. The content goes into a temporary file beside
// the target, created exclusively under a name nobody can predict, and is
// renamed over the target only when every write, the flush, the sync and the
// close succeeded; otherwise the target stays as it was and the temporary is
// removed. A target that is a symbolic link keeps the link: the file it names
// is replaced. An existing target keeps its permissions; a target that may
// not be written, or is not a regular file, is refused before anything is
// written. Nothing here throws.
//
// On POSIX systems a temporary does not outlive its program either: while one
// exists, SIGINT, SIGTERM and SIGHUP remove every live temporary before the
// signal takes its default course (a program that catches the signal itself
// keeps its handler, and its temporaries, until the handler gives way), and
// SIGXFSZ is ignored so that a write beyond the file-size limit fails with
// EFBIG like any other write error instead of killing the program.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

class AtomicFile {
  public:
    explicit AtomicFile(std::string path);
    ~AtomicFile(); // discards an uncommitted temporary
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Checks the target and creates the temporary; false when the target may
    // not be written or the temporary cannot be made (see Error()).
    bool Open();
    // The temporary as a stream, for writers that print into a FILE*; null
    // before Open and after Commit or Discard.
    std::FILE* Stream() const { return m_file; }
    // Appends bytes; false (and the file is doomed) when they were not all taken.
    bool Write(const void* data, size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Flushes, syncs and closes the temporary and renames it over the target;
    // false, with the target untouched, when anything written was lost.
    bool Commit();
    // Drops the temporary; the target stays as it was.
    void Discard();

    // The errno of the first failure, 0 when there was none.
    int Error() const { return m_error; }
    // Whether the failure came before anything was written (Open refused).
    bool FailedToOpen() const { return m_openFailed; }
    // The file that is replaced: the target with its symbolic links resolved.
    const std::string& ResolvedPath() const { return m_resolved; }

  private:
    bool Fail(int error);

    std::string m_path, m_resolved, m_temporary;
    int m_slot = -1; // the temporary's place in the registry of live temporaries
    std::FILE* m_file = nullptr;
    int m_error = 0;
    bool m_openFailed = false;
    bool m_writeFailed = false;
};

// Replaces the file at path with bytes as AtomicFile does. On failure sets
// *error (when given) to the errno behind it and *openFailed to whether the
// target was refused before anything was written.
inline bool WriteFileAtomically(const std::string& path, std::string_view bytes, int* error = nullptr,
                                bool* openFailed = nullptr) {
    AtomicFile file(path);
    const bool ok = file.Open() && file.Write(bytes) && file.Commit();
    if (error)
        *error = file.Error();
    if (openFailed)
        *openFailed = file.FailedToOpen();
    return ok;
}
