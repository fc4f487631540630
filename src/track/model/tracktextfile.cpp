#include "tracktextfile.h"

#include <cstdio>
#include <cstdlib>

TextFile::TextFile(const char *path)
{
    m_file = path ? std::fopen(path, "w+") : ::open_memstream(&m_memory, &m_memorySize);
}

TextFile::~TextFile()
{
    if (m_file)
        std::fclose(m_file);
    std::free(m_memory);
}
