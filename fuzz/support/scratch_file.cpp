#include "support/scratch_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace fuzz_support {

ScratchFile::ScratchFile(const char* stem)
{
    std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/";
    pattern += stem;
    pattern += "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        std::abort();
    close(fd);
    m_path = name.data();
}

ScratchFile::~ScratchFile()
{
    forget();
}

void ScratchFile::write(const std::uint8_t* data, std::size_t size) const
{
    std::FILE* file = std::fopen(m_path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
}

void ScratchFile::forget() const
{
    unlink(m_path.c_str());
}

} // namespace fuzz_support
