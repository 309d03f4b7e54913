#pragma once

// Reads a text file as a text-mode reader with a 255-byte buffer sees it,
// holding only one chunk of the file in memory: CR LF is one line end, a line
// is at most 254 characters (a longer one comes in pieces), and a NUL byte
// ends the text of its piece.

#include "ReadFile.h"

#include <string>
#include <vector>

class TextLineReader {
  public:
    explicit TextLineReader(FilePtr file, size_t chunkSize = 64 * 1024);

    // The next piece, with its '\n' when the line ends within it; false at the
    // end of the file or on a read error.
    bool Next(std::string& line);
    bool Failed() const { return m_failed; }

  private:
    int Peek();
    int Get() {
        const int c = Peek();
        if (c != EOF)
            ++m_pos;
        return c;
    }

    FilePtr m_file;
    std::vector<char> m_buffer;
    size_t m_pos = 0, m_end = 0;
    bool m_failed = false;
};
