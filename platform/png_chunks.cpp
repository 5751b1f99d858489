#include "platform/png_chunks.h"

#include "platform/byte_cursor.h"

#include <cstring>

namespace platform {

namespace {

constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

} // namespace

bool isPng(std::span<const std::uint8_t> data)
{
    return data.size() >= sizeof signature && std::memcmp(data.data(), signature, sizeof signature) == 0;
}

bool pngChunksFit(std::span<const std::uint8_t> data)
{
    if (!isPng(data))
        return false;
    // Each chunk: length, type, the data, a check value. A header cut short is harmless (the
    // reader stops at it); a whole header must have its chunk whole after it.
    std::size_t at = sizeof signature;
    while (data.size() - at >= 8) {
        const std::uint64_t length = bytes::loadU32BigEndian(&data[at]);
        if (length + 12 > data.size() - at)
            return false;
        if (std::memcmp(&data[at + 4], "IEND", 4) == 0)
            return true;
        at += std::size_t(length) + 12;
    }
    return true;
}

} // namespace platform
