#pragma once
// Reading a GIF file's blocks into an image. Internal to the GIF module.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class TGIFImage;
class TGIFFrame;
struct TExtension;

class GifReader {
public:
    // `image` must be freshly reset; `data` is the whole file and must outlive the reader.
    GifReader(TGIFImage& image, std::span<const std::uint8_t> data);

    // Reads the signature, the screen and every block; frames are appended with their
    // compressed data, undecoded. Raises the format's errors.
    void read();

private:
    bool remains() const { return m_pos < m_data.size(); }
    // Exactly `count` bytes, or "Stream read error".
    std::span<const std::uint8_t> take(std::size_t count);
    // Up to `count` bytes: as many as there are.
    std::span<const std::uint8_t> takeWhatIsThere(std::size_t count);
    std::uint8_t byte();

    void readScreen();
    TExtension readExtension();
    std::vector<std::uint8_t> fixedBytes(std::size_t count);
    std::vector<std::string> subBlocks();
    void readFrame(TGIFFrame& frame);

    TGIFImage& m_image;
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
};
