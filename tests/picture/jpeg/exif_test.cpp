// Exif orientation: pictures turned upright, their sizes swapped for quarter turns, and damaged
// Exif blocks read as "as stored".

#include "support/test_support.h"

#include "jpeg_reference.h"

#include "framework/streams.h"
#include "picture/jpeg/exif.h"
#include "platform/section.h"

namespace {

using jpeg_test::Picture;

// Six 8 × 8 blocks, three across and two down, named A B C over D E F.
constexpr platform::Colour A = 0x0000FF, B = 0x00FF00, C = 0xFF0000, D = 0xFFFFFF, E = 0x000000, F = 0x00FFFF;

Picture blocks()
{
    const platform::Colour grid[2][3] = {{A, B, C}, {D, E, F}};
    Picture picture{24, 16, 3, std::vector<std::uint8_t>(24 * 16 * 3)};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const platform::Colour c = grid[y / 8][x / 8];
            std::uint8_t* p = &picture.pixels[std::size_t(y * 24 + x) * 3];
            p[0] = platform::blueOf(c);
            p[1] = platform::greenOf(c);
            p[2] = platform::redOf(c);
        }
    return picture;
}

// An APP1 segment with an Exif block whose first directory holds `entry` (tag, type, count,
// value), in little-endian order.
std::vector<std::uint8_t> exifSegment(std::vector<std::uint8_t> tiff)
{
    const std::uint8_t header[] = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    std::vector<std::uint8_t> segment(sizeof header + tiff.size());
    std::copy(std::begin(header), std::end(header), segment.begin());
    std::copy(tiff.begin(), tiff.end(), segment.begin() + sizeof header);
    const std::size_t length = segment.size() - 2;
    segment[2] = std::uint8_t(length >> 8);
    segment[3] = std::uint8_t(length);
    return segment;
}

std::vector<std::uint8_t> orientationTiff(int value)
{
    return {'I', 'I', 42, 0, 8, 0, 0, 0,              // byte order, 42, first directory at 8
            1, 0,                                      // one entry
            0x12, 0x01, 3, 0, 1, 0, 0, 0, std::uint8_t(value), 0, 0, 0,  // orientation, SHORT, 1, value
            0, 0, 0, 0};                               // no next directory
}

std::vector<std::uint8_t> withSegment(std::vector<std::uint8_t> file, const std::vector<std::uint8_t>& segment)
{
    file.insert(file.begin() + 2, segment.begin(), segment.end());
    return file;
}

} // namespace

TEST(ExifOrientation, EveryOrientationShowsThePictureUpright)
{
    const std::vector<std::uint8_t> plain = jpeg_test::encode(blocks(), {.quality = 100});
    // The upright picture's blocks, row by row, worked out by turning the stored A B C / D E F.
    struct Case {
        int orientation;
        int across;
        std::vector<platform::Colour> upright;
    };
    const Case cases[] = {
        {1, 3, {A, B, C, D, E, F}}, {2, 3, {C, B, A, F, E, D}}, {3, 3, {F, E, D, C, B, A}},
        {4, 3, {D, E, F, A, B, C}}, {5, 2, {A, D, B, E, C, F}}, {6, 2, {D, A, E, B, F, C}},
        {7, 2, {F, C, E, B, D, A}}, {8, 2, {C, F, B, E, A, D}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        const auto image = jpeg_test::loadedImage(withSegment(plain, exifSegment(orientationTiff(c.orientation))));
        const int down = 6 / c.across;
        // Measured before anything is decoded, and after.
        EXPECT_EQ(image->Width(), c.across * 8);
        EXPECT_EQ(image->Height(), down * 8);
        TBitmap& bitmap = image->DecodedBitmap();
        ASSERT_EQ(bitmap.Width(), c.across * 8);
        ASSERT_EQ(bitmap.Height(), down * 8);
        const platform::Section& pixels = *bitmap.PlatformHandle();
        for (int i = 0; i < 6; ++i) {
            const platform::Colour got = pixels.pixel(i % c.across * 8 + 4, i / c.across * 8 + 4);
            const platform::Colour want = c.upright[std::size_t(i)];
            EXPECT_NEAR(platform::redOf(got), platform::redOf(want), 40) << "block " << i;
            EXPECT_NEAR(platform::greenOf(got), platform::greenOf(want), 40) << "block " << i;
            EXPECT_NEAR(platform::blueOf(got), platform::blueOf(want), 40) << "block " << i;
        }
        // The file is saved as it was loaded.
        TMemoryStream saved;
        image->SaveStream(saved);
        EXPECT_EQ(saved.Size(), std::int64_t(plain.size() + 36));
    }
}

TEST(ExifOrientation, DamagedOrAbsurdBlocksMeanAsStored)
{
    const std::vector<std::uint8_t> plain = jpeg_test::encode(blocks(), {.quality = 50});
    std::vector<std::uint8_t> bigEndian = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0};
    std::vector<std::uint8_t> wrongType = orientationTiff(6);
    wrongType[12] = 4;  // LONG
    std::vector<std::uint8_t> directoryPastEnd = orientationTiff(6);
    directoryPastEnd[4] = 200;
    std::vector<std::uint8_t> entryCut = orientationTiff(6);
    entryCut.resize(16);  // the block ends inside the orientation entry
    std::vector<std::uint8_t> cutSegment = withSegment(plain, exifSegment(orientationTiff(6)));
    cutSegment[4] = 0xFF;  // the segment claims to run far past the file
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        int orientation;
    };
    const Case cases[] = {
        {"no Exif block", plain, 1},
        {"big-endian block", withSegment(plain, exifSegment(bigEndian)), 6},
        {"value 0", withSegment(plain, exifSegment(orientationTiff(0))), 1},
        {"value 9", withSegment(plain, exifSegment(orientationTiff(9))), 1},
        {"wrong type", withSegment(plain, exifSegment(wrongType)), 1},
        {"directory past the block", withSegment(plain, exifSegment(directoryPastEnd)), 1},
        {"entry cut by the end of the block", withSegment(plain, exifSegment(entryCut)), 1},
        {"unknown byte order", withSegment(plain, exifSegment({'X', 'X', 42, 0, 8, 0, 0, 0})), 1},
        {"block cut to its header", withSegment(plain, exifSegment({'I', 'I'})), 1},
        {"segment longer than the file", cutSegment, 1},
        {"not a JPEG file", {'G', 'I', 'F', '8'}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(exif::orientation(c.file), c.orientation);
    }
    // A damaged block is no reason to refuse the picture.
    const auto image = jpeg_test::loadedImage(withSegment(plain, exifSegment(directoryPastEnd)));
    EXPECT_EQ(image->Width(), 24);
    EXPECT_EQ(image->DecodedBitmap().Height(), 16);
}
