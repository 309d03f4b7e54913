#pragma once

// Text made a piece at a time: all of it in memory, or written to a file
// each time a chunk is full, so a large export holds one chunk.

#include <cstdint>
#include <cstdio>
#include <string>

// build(out, chunk, flush) appends to out and hands it to flush (then
// clears it) whenever it holds chunk bytes or more, and once at the end.
template <class Build> std::string ChunkedText(Build&& build, size_t reserve = 0) {
    std::string out;
    out.reserve(reserve);
    build(out, SIZE_MAX, [](const std::string&) {});
    return out;
}

// The same written to file; false when a write failed. slack: the most a
// builder appends past a full chunk before it flushes.
template <class Build> bool WriteChunkedText(std::FILE* file, size_t slack, Build&& build) {
    constexpr size_t kChunk = 256 * 1024;
    std::string buffer;
    buffer.reserve(kChunk + slack);
    bool ok = true;
    build(buffer, kChunk, [&](const std::string& text) {
        ok = ok && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
    return ok && std::fflush(file) == 0;
}
