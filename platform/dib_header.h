#pragma once
// The info header of a device-independent bitmap as bitmap files, icon images and metafile
// records store it, read into its 40-byte form, and the colour table after it.

#include "platform/section.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform {

struct DibHeader {
    BitmapInfoHeader header;                 // biSize holds the size as stored
    std::array<std::uint32_t, 3> masks{};   // red, green, blue bit-field masks (zero when none)
    bool core = false;                       // the 12-byte form: 16-bit fields, 3-byte colours
    bool masksFollow = false;                // bit fields after a 40-byte header: 12 mask bytes

    std::size_t entrySize() const { return core ? 3 : 4; }
    // Where the colour table starts: after the header and the masks that follow it.
    std::size_t tableOffset() const { return std::size_t(header.biSize) + (masksFollow ? 12 : 0); }
    // Entries the colour table holds as stored: the colours-used field, or when that is 0 a
    // full table for 1, 4 and 8 bits and none for deeper pictures.
    std::uint32_t colourCount() const;
};

// The header bytes that carry anything read here: the 40-byte header and the masks of longer
// forms. A longer header's remaining bytes are passed over.
constexpr std::size_t dibHeaderKeptBytes = 52;
constexpr std::size_t dibCoreHeaderSize = 12;
constexpr std::size_t dibInfoHeaderSize = 40;

// Reads the header from bytes that start at its size field and hold at least min(size, 52) of
// its bytes; nullopt when the size is below 12 or fewer bytes are given. Sizes 13 to 39 are
// short forms of the 40-byte header whose missing fields read as 0; bytes 40 to 51 of a longer
// header are its masks. The masks that follow a 40-byte header are read when the bytes go on
// that far (a stream reader passes them to readFollowingMasks instead).
std::optional<DibHeader> readDibHeader(std::span<const std::uint8_t> bytes);
// Takes the three masks that follow a 40-byte header from 12 bytes.
void readFollowingMasks(DibHeader& header, std::span<const std::uint8_t, 12> bytes);

// `count` colour-table entries of `entrySize` bytes (blue, green, red[, reserved]); fewer when
// the bytes end first. The reserved byte reads as 0.
std::vector<RgbQuad> readColourTable(std::span<const std::uint8_t> bytes, std::size_t count, std::size_t entrySize);

} // namespace platform
