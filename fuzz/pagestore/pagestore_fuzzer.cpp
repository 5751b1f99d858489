// Saved page stores from anywhere: open them and read their pages from the start, from the end
// and from the middle, so that the record chain is walked forward and backward. Whatever the
// bytes say, a store reads or is refused with a stream error, and nothing is taken beyond what
// its bytes justify.

#include "framework/exceptions.h"
#include "picture/bitmap/bitmap.h"
#include "platform/paths.h"
#include "report/page_store.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include <unistd.h>

namespace {

// Drawing touches every pixel; larger pages are only read.
constexpr std::int64_t maxDrawnPixels = std::int64_t(1) << 18;

// The store file of this process, written again for every input.
const std::string& storeFile()
{
    static const std::string name =
        (std::filesystem::temp_directory_path() / ("pagestore-fuzz-" + std::to_string(::getpid()) + ".qrp")).string();
    return name;
}

// Its name as the program gives it, worked out once.
const std::optional<std::string>& storeName()
{
    static const std::optional<std::string> name = platform::toDriveLetterPath(storeFile());
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(storeFile().c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const auto& name = storeName();
    if (!name)
        return 0;

    TQRPageList store(TBitmap::StaticClass());
    try {
        store.OpenStoreFile(*name);
    } catch (const Exception&) {
        return 0;
    }
    // The count comes from the file: the pages around it are worked out in 64 bits.
    const std::int64_t count = store.PageCount();
    for (std::int64_t n : {std::int64_t(1), count, std::int64_t(2), count - 1, std::int64_t(1), count / 2}) {
        if (n < INT32_MIN || n > INT32_MAX)
            continue;
        try {
            std::unique_ptr<TGraphic> page = store.GetPage(int(n));
            if (page && std::int64_t(page->Width()) * page->Height() <= maxDrawnPixels) {
                fuzz_support::SmallCanvas canvas;
                canvas.StretchDraw({0, 0, 16, 16}, page.get());
            }
        } catch (const Exception&) {
            // A refused page; the others may still read.
        }
    }
    return 0;
}
