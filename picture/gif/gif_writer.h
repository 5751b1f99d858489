#pragma once
// Writing an image as a GIF file. Internal to the GIF module.

#include <cstdint>
#include <string>
#include <vector>

class TGIFImage;

class GifWriter {
public:
    explicit GifWriter(TGIFImage& image) : m_image(image) {}

    // Brings every frame up to date (encoding those made from other pictures), then returns
    // the file's bytes. "No GIF Data to write" for an image without frames.
    std::vector<std::uint8_t> write();

private:
    void byte(std::uint8_t value) { m_out.push_back(value); }
    void word(std::uint32_t value);
    void table(const std::uint8_t* entries, int count, int bits);
    // A frame's compressed data as stored, ended properly.
    void compressedData(const std::vector<std::uint8_t>& data);
    // Strings as data sub-blocks, then the zero length byte.
    void subBlocks(const std::vector<std::string>& strings);

    TGIFImage& m_image;
    std::vector<std::uint8_t> m_out;
};
