// Saved page stores from anywhere: open them and read their pages from the start, from the end
// and from the middle, so that the record chain is walked forward and backward, as pictures of
// both classes a store may hold (the report's metafiles, and bitmaps); whatever page reads is
// drawn, used as the program uses pictures, and added to a new store (compressed as the old one
// was, moving to its temporary file after a few kilobytes) that must give every page back.
// Whatever the bytes say, a store reads or is refused with a stream error, and nothing is taken
// beyond what its bytes justify.

#include "framework/exceptions.h"
#include "picture/bitmap/bitmap.h"
#include "picture/metafile/metafile.h"
#include "platform/paths.h"
#include "report/page_store.h"
#include "support/graphic_harness.h"
#include "support/scratch_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

// New stores move from memory to their temporary file past this many bytes.
constexpr std::int64_t spillingAfter = 4096;

// One store file per process, rewritten for every input; its name goes as soon as the store
// has it open, so that nothing is left behind however the process ends.
class ScratchStore {
public:
    ScratchStore() : m_file("pictavo-pagestore-fuzz"), m_name(platform::toDriveLetterPath(m_file.path()))
    {
        if (!m_name)
            std::abort();
    }
    // Writes the input under the store's name; the program's name for it.
    const std::string& write(const std::uint8_t* data, std::size_t size) const
    {
        m_file.write(data, size);
        return *m_name;
    }
    void forget() const { m_file.forget(); }

private:
    fuzz_support::ScratchFile m_file;
    std::optional<std::string> m_name;
};

void readPages(const TMetaClass* pageClass, const ScratchStore& scratch, const std::uint8_t* data, std::size_t size)
{
    TQRPageList store(pageClass);
    try {
        store.OpenStoreFile(scratch.write(data, size));
    } catch (const Exception&) {
        scratch.forget();
        return;
    }
    scratch.forget();
    TQRPageList written(pageClass);
    written.SetStream(std::make_unique<TQRStream>(spillingAfter));
    written.SetCompression(store.Compression());
    int added = 0;
    // The count comes from the file: the pages around it are worked out in 64 bits.
    const std::int64_t count = store.PageCount();
    for (std::int64_t n : {std::int64_t(1), count, std::int64_t(2), count - 1, std::int64_t(1), count / 2}) {
        if (n < INT32_MIN || n > INT32_MAX)
            continue;
        std::unique_ptr<TGraphic> page;
        try {
            page = store.GetPage(int(n));
        } catch (const Exception&) {
            continue;  // a refused page; the others may still read
        }
        if (!page)
            continue;
        fuzz_support::useLikeTheProgram(*page);
        try {
            written.AddPage(*page);
        } catch (const Exception&) {
            std::abort();  // a page that reads must write
        }
        ++added;
    }
    try {
        for (int n = added; n >= 1; --n)
            if (!written.GetPage(n))
                std::abort();
    } catch (const Exception&) {
        std::abort();  // what a store was given, it must give back
    }
}

} // namespace

// The font system keeps caches for the life of the process that the leak checker cannot see
// through; they are not the report's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::startPictureFormats();
    static const ScratchStore scratch;
    readPages(TMetafile::StaticClass(), scratch, data, size);
    readPages(TBitmap::StaticClass(), scratch, data, size);
    return 0;
}
