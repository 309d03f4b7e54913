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

// Text built into a TextBlock a line at a time: build(block, lineDone)
// writes each line, at most slack bytes, at block.End() and calls
// lineDone(end of the line); take(block) gets each full chunk (the block is
// cleared after it) and the rest at the end.
template <class Build, class Take> void BuildInBlocks(size_t slack, Build&& build, Take&& take) {
    TextBlock block(kTextChunk + slack);
    build(block, [&](const char* end) {
        block.SetEnd(end);
        if (block.Size() >= kTextChunk) {
            take(block);
            block.Clear();
        }
    });
    if (block.Size() != 0)
        take(block);
}

// All of the text in memory.
template <class Build> std::string BlockText(size_t slack, Build&& build, size_t reserve = 0) {
    std::string out;
    out.reserve(reserve);
    BuildInBlocks(slack, build, [&](const TextBlock& b) { out.append(b.Text()); });
    return out;
}

// The same written to file, a chunk a write; false when a write failed.
template <class Build> bool WriteBlockText(std::FILE* file, size_t slack, Build&& build) {
    bool ok = true;
    BuildInBlocks(slack, build, [&](const TextBlock& b) {
        ok = ok && std::fwrite(b.Text().data(), 1, b.Size(), file) == b.Size();
    });
    return ok && std::fflush(file) == 0;
}
