// Settings files from anywhere: read the keys the program reads, then write, read back and
// erase through the same file. Whatever the file holds, a key written reads back as written
// (blanks around it trimmed, line breaks made blanks), and other sections keep their values.

#include "platform/profile_file.h"
#include "support/scratch_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// One file per process, rewritten for every input.
const fuzz_support::ScratchFile& scratch()
{
    static const fuzz_support::ScratchFile file("pictavo-ini-fuzz");
    return file;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = scratch().path();
    scratch().write(data, size);

    // What the program reads at start-up: the placement keys and stored properties.
    for (const char* key : {"Left", "Top", "Width", "Height", "State", "PixelsPerInch",
                            "Dock_Top.Position", "mnu_Esticar.Checked", ""}) {
        const std::string value = platform::readProfileString(path, "Pictavo", key, "?");
        require(value.size() <= platform::maxProfileValue);
    }

    // A key of the file's own first line as section and key: odd names are names too.
    const std::string raw(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 40));
    const std::string firstLine = raw.substr(0, raw.find_first_of("\r\n"));
    (void)platform::readProfileString(path, firstLine, firstLine, "");

    const std::string before = platform::readProfileString(path, "Outra", "Chave", "(none)");
    require(platform::writeProfileString(path, "Pictavo", "Width", " 640 "));
    require(platform::readProfileString(path, "pictavo", "WIDTH", "") == "640");
    require(platform::writeProfileString(path, "Pictavo", "Nova", "linha\nquebrada"));
    require(platform::readProfileString(path, "Pictavo", "Nova", "") == "linha quebrada");
    require(platform::readProfileString(path, "Outra", "Chave", "(none)") == before);
    // A file may hold a section twice; erasing removes the first, and the reads go on.
    require(platform::eraseProfileSection(path, "Pictavo"));
    (void)platform::readProfileString(path, "Pictavo", "Width", "");
    return 0;
}
