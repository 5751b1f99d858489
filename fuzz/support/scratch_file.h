#pragma once
// A file of a fuzz target's own, rewritten for every input: in memory where the system has a
// memory file system (the readers under test may flush every write to disk), and gone when
// the process ends, or earlier when the reader no longer needs its name.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz_support {

class ScratchFile {
public:
    // `stem` starts the file's name.
    explicit ScratchFile(const char* stem);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return m_path; }
    // Replaces the file's bytes with the input's.
    void write(const std::uint8_t* data, std::size_t size) const;
    // Removes the name; a reader that has the file open keeps reading it.
    void forget() const;

private:
    std::string m_path;
};

} // namespace fuzz_support
