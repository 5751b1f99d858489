// Small files that declare large pictures: loading and drawing one never makes the process take
// much more memory than the decoded picture it declares, and never more than the section cap.
// Each file is read in a process of its own, whose peak resident size is its own.

#include "section_canvas.h"
#include "support/bytes.h"
#include "support/test_support.h"

#include "framework/exceptions.h"
#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/gif/gif_image.h"
#include "picture/icon/icon.h"
#include "picture/jpeg/jpeg_image.h"
#include "platform/section.h"

#include <jpeglib.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using ByteVector = std::vector<std::uint8_t>;

std::int64_t peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::int64_t(usage.ru_maxrss) * 1024;
}

// What the process may take beyond the decoded picture: the library's row buffers, the
// drawing's own, the allocator's rounding.
constexpr std::int64_t slack = std::int64_t(24) << 20;
constexpr std::int64_t MiB = std::int64_t(1) << 20;

// A bitmap file of `width` × `height` at `bits` with the given compression, and `pixels` as its
// only pixel bytes.
ByteVector bitmapFile(int width, int height, int bits, std::uint32_t compression, ByteVector pixels)
{
    const int colours = bits <= 8 ? 1 << bits : 0;
    Bytes file;
    file.fileHeader(0, std::uint32_t(14 + 40 + 4 * colours)).infoHeader(width, height, bits, compression);
    for (int i = 0; i < colours; ++i)
        file.quad(std::uint8_t(i), std::uint8_t(i), 0);
    file.raw(pixels);
    file.patchU32(2, std::uint32_t(file.size()));
    return file.data();
}

// A GIF of one frame filling a screen of `width` × `height`, two colours, whose image data is a
// clear code and the end code: it ends before its rows, which the reader refuses.
ByteVector gifFile(int width, int height)
{
    Bytes file;
    file.raw({'G', 'I', 'F', '8', '9', 'a'}).u16(std::uint32_t(width)).u16(std::uint32_t(height)).raw({0x80, 0, 0});
    file.raw({0, 0, 0, 255, 255, 255});
    file.raw({','}).u16(0).u16(0).u16(std::uint32_t(width)).u16(std::uint32_t(height)).u8(0);
    file.raw({2, 1, 0x2C, 0, ';'});  // code size 2: clear (4), end (5)
    return file.data();
}

// An icon file of one bitmap entry declaring `width` × `height` at 32 bits, with no pixels.
ByteVector iconFile(int width, int height)
{
    Bytes file;
    file.u16(0).u16(1).u16(1);
    file.raw({0, 0, 0, 0}).u16(1).u16(32).u32(40).u32(22);
    file.infoHeader(width, height * 2, 32);
    return file.data();
}

// A flat picture coded arithmetically: a few hundred bytes for millions of pixels. The
// frame header can be made to claim another size.
ByteVector flatJpeg(int width, int height, bool progressive, int claimedWidth = 0, int claimedHeight = 0)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive)
        jpeg_simple_progression(&info);
    info.arith_code = TRUE;
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(std::size_t(width) * 3, 128);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    ByteVector file(buffer, buffer + size);
    std::free(buffer);
    jpeg_destroy_compress(&info);
    if (claimedWidth > 0) {
        for (std::size_t i = 0; i + 9 < file.size(); ++i)
            if (file[i] == 0xFF && (file[i + 1] == 0xC9 || file[i + 1] == 0xCA)) {
                file[i + 5] = std::uint8_t(claimedHeight >> 8);
                file[i + 6] = std::uint8_t(claimedHeight);
                file[i + 7] = std::uint8_t(claimedWidth >> 8);
                file[i + 8] = std::uint8_t(claimedWidth);
                break;
            }
    }
    return file;
}

struct Case {
    const char* name;
    std::function<std::unique_ptr<TGraphic>()> make;
    ByteVector file;
    // The decoded picture the file declares when the reader accepts it; 0 when refused.
    std::int64_t justified;
};

template <class T>
std::function<std::unique_ptr<TGraphic>()> maker()
{
    return [] { return std::make_unique<T>(); };
}

// Loads and draws; the message of a refusal goes to stderr.
void loadAndDraw(TGraphic& graphic, const ByteVector& file)
{
    TMemoryStream stream(file);
    try {
        graphic.LoadStream(stream);
        SectionCanvas canvas(16, 16);
        canvas.StretchDraw({0, 0, 16, 16}, &graphic);
    } catch (const Exception& e) {
        std::fprintf(stderr, "refused: %s\n", e.Message().c_str());
    }
}

} // namespace

TEST(HostileMemoryDeathTest, SmallFilesTakeNoMoreThanTheirPicturesJustify)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine: peak sizes say nothing here";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Case cases[] = {
        {"bitmap, 24 bits, 20000 x 20000 in 100 bytes", maker<TBitmap>(),
         bitmapFile(20000, 20000, 24, 0, ByteVector(100, 0x55)), 0},
        {"bitmap, run-length coded 2000 x 2000 ending at once", maker<TBitmap>(),
         bitmapFile(2000, 2000, 8, 1, {0, 1}), 2000 * 2000},
        {"bitmap, run-length coded 4 bits, 60000 x 60000", maker<TBitmap>(),
         bitmapFile(60000, 60000, 4, 2, {0, 1}), 0},
        {"gif, 16000 x 16000 frame ending at once", maker<TGIFImage>(), gifFile(16000, 16000),
         std::int64_t(16000) * 16000 * 4},
        {"icon, 32 bits, 30000 x 30000 without pixels", maker<TIcon>(), iconFile(30000, 30000), 0},
        {"jpeg, arithmetic 4000 x 3000", maker<TJPEGImage>(), flatJpeg(4000, 3000, false),
         std::int64_t(4000) * 3000 * 3},
        {"jpeg, progressive claiming 16000 x 16000", maker<TJPEGImage>(), flatJpeg(64, 64, true, 16000, 16000), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(
            {
                const std::int64_t before = peakResidentBytes();
                auto graphic = c.make();
                loadAndDraw(*graphic, c.file);
                const std::int64_t grown = peakResidentBytes() - before;
                const std::int64_t allowed = std::min(c.justified, platform::maxSectionBytes) + slack;
                std::fprintf(stderr, "%s: %lld MiB taken, %lld MiB allowed\n", c.name,
                             static_cast<long long>(grown / MiB), static_cast<long long>(allowed / MiB));
                std::_Exit(grown <= allowed ? 0 : 1);
            },
            testing::ExitedWithCode(0), "");
    }
}
