// Finding the orientation in a JPEG file's Exif block. The block is a TIFF structure inside an
// APP1 segment: a byte-order mark, the offset of the first directory, and in that directory
// twelve-byte entries of tag, type, count and value. Every offset is checked against the
// segment before it is followed; anything out of place means "as stored".

#include "picture/jpeg/exif.h"

#include <cstring>
#include <optional>

namespace exif {

namespace {

constexpr std::uint8_t markerStart = 0xFF;
constexpr std::uint8_t startOfImage = 0xD8;
constexpr std::uint8_t endOfImage = 0xD9;
constexpr std::uint8_t startOfScan = 0xDA;
constexpr std::uint8_t app1 = 0xE1;
constexpr std::uint16_t orientationTag = 0x0112;
constexpr std::uint16_t typeShort = 3;
constexpr std::size_t entryBytes = 12;

// Markers without a length: the restart markers, and TEM.
bool standalone(std::uint8_t marker)
{
    return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01;
}

// The TIFF structure, in the byte order it declares.
class Tiff {
public:
    explicit Tiff(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::optional<int> orientation()
    {
        if (m_bytes.size() < 8)
            return std::nullopt;
        if (m_bytes[0] == 'I' && m_bytes[1] == 'I')
            m_bigEndian = false;
        else if (m_bytes[0] == 'M' && m_bytes[1] == 'M')
            m_bigEndian = true;
        else
            return std::nullopt;
        if (u16(2) != 42)
            return std::nullopt;
        const std::uint32_t directory = u32(4);
        if (directory < 8 || directory > m_bytes.size() - 2)
            return std::nullopt;
        const std::uint16_t count = u16(directory);
        const std::size_t first = std::size_t(directory) + 2;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t entry = first + i * entryBytes;
            if (entry + entryBytes > m_bytes.size())
                return std::nullopt;
            if (u16(entry) != orientationTag)
                continue;
            if (u16(entry + 2) != typeShort || u32(entry + 4) == 0)
                return std::nullopt;
            return u16(entry + 8);
        }
        return std::nullopt;
    }

private:
    std::uint16_t u16(std::size_t at) const
    {
        const std::uint8_t* p = &m_bytes[at];
        return m_bigEndian ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[1] << 8 | p[0]);
    }
    std::uint32_t u32(std::size_t at) const
    {
        const std::uint32_t a = u16(at);
        const std::uint32_t b = u16(at + 2);
        return m_bigEndian ? a << 16 | b : b << 16 | a;
    }

    std::span<const std::uint8_t> m_bytes;
    bool m_bigEndian = false;
};

} // namespace

int orientation(std::span<const std::uint8_t> file)
{
    if (file.size() < 4 || file[0] != markerStart || file[1] != startOfImage)
        return 1;
    std::size_t at = 2;
    while (at + 4 <= file.size()) {
        if (file[at] != markerStart)
            return 1;
        const std::uint8_t marker = file[at + 1];
        if (marker == markerStart) {
            ++at;  // fill byte
            continue;
        }
        if (marker == startOfScan || marker == endOfImage)
            return 1;
        if (standalone(marker)) {
            at += 2;
            continue;
        }
        const std::size_t length = std::size_t(file[at + 2]) << 8 | file[at + 3];
        if (length < 2 || at + 2 + length > file.size())
            return 1;
        const std::span<const std::uint8_t> segment = file.subspan(at + 4, length - 2);
        if (marker == app1 && segment.size() >= 6 && std::memcmp(segment.data(), "Exif\0\0", 6) == 0) {
            const std::optional<int> value = Tiff(segment.subspan(6)).orientation();
            return value && *value >= 1 && *value <= 8 ? *value : 1;
        }
        at += 2 + length;
    }
    return 1;
}

} // namespace exif
