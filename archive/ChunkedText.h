#pragma once

// Text made a piece at a time: all of it in memory, or written to a file
// each time a chunk is full, so a large export holds one chunk.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

// A fixed block that text is formatted into in place, without the copy of
// an append: a builder writes at End() and moves the end with SetEnd.
class TextBlock {
  public:
    explicit TextBlock(size_t capacity) : m_data(new char[capacity]) {}
    char* End() { return m_data.get() + m_size; }
    void SetEnd(const char* end) { m_size = static_cast<size_t>(end - m_data.get()); }
    void Append(std::string_view text) {
        std::memcpy(End(), text.data(), text.size());
        m_size += text.size();
    }
    std::string_view Text() const { return {m_data.get(), m_size}; }
    size_t Size() const { return m_size; }
    void Clear() { m_size = 0; }

  private:
    std::unique_ptr<char[]> m_data;
    size_t m_size = 0;
};

constexpr size_t kTextChunk = 256 * 1024;

// Text built into a TextBlock: build(block, chunk, flush) writes at most slack bytes past chunk before it
// calls flush(block) (then clears it), and calls it once at the end.
template <class Build> std::string BlockText(size_t slack, Build&& build, size_t reserve = 0) {
    std::string out;
    out.reserve(reserve);
    TextBlock block(kTextChunk + slack);
    build(block, kTextChunk, [&](const TextBlock& b) { out.append(b.Text()); });
    return out;
}

// The same written to file, a chunk a write; false when a write failed.
template <class Build> bool WriteBlockText(std::FILE* file, size_t slack, Build&& build) {
    TextBlock block(kTextChunk + slack);
    bool ok = true;
    build(block, kTextChunk, [&](const TextBlock& b) {
        ok = ok && std::fwrite(b.Text().data(), 1, b.Size(), file) == b.Size();
    });
    return ok && std::fflush(file) == 0;
}
