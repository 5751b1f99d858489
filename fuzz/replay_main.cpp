// Replays fuzz inputs through a target's entry point: every file named on the command line and
// every file inside the folders named there (missing folders are skipped). Exits non-zero only
// if the entry point crashes, which ends the process.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void replayFile(const std::filesystem::path& path, int& count)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ++count;
}

} // namespace

int main(int argc, char** argv)
{
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path, error))
                if (entry.is_regular_file())
                    replayFile(entry.path(), count);
        } else if (std::filesystem::is_regular_file(path, error)) {
            replayFile(path, count);
        }
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}
