#pragma once

// Opening an archive file for reading. Only regular files are taken: a FIFO
// would block the open until a writer comes, and a device such as /dev/zero
// never ends, so a loader would read until memory runs out.

#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The regular file at path opened "rb", or null (missing, unreadable, a
// folder, a FIFO, a device, ...).
FilePtr OpenRegularFileForReading(const std::string& path);
