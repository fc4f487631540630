#pragma once
#include <cstddef>
#include <cstdio>

// The track text file, opened "w+" (created or truncated); counts the lines written. A null path
// writes to memory that is thrown away (the fuzzers want the readers' work, not the text).
class TextFile
{
public:
    explicit TextFile(const char *path);
    ~TextFile();
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    bool isOpen() const { return m_file != nullptr; }
    FILE *stream() const { return m_file; }
    void lineWritten() { ++m_lines; }
    long lines() const { return m_lines; }

private:
    FILE *m_file = nullptr;
    long m_lines = 0;
    char *m_memory = nullptr;
    std::size_t m_memorySize = 0;
};
