#pragma once
// Pictures for the tests of the program's windows, made in code, and small helpers to look at
// what the controls paint.

#include <QImage>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class TControl;

namespace testing_support {

struct Rgb {
    std::uint8_t red, green, blue;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb red{255, 0, 0};
constexpr Rgb green{0, 255, 0};
constexpr Rgb blue{0, 0, 255};
constexpr Rgb white{255, 255, 255};
constexpr Rgb black{0, 0, 0};

// A 24-bit bitmap file, width × height, whose four quadrants are red (top left), green (top
// right), blue (bottom left) and white (bottom right); with an odd size the middle row and column
// belong to the bottom and right quadrants.
std::string quadrantBitmap(int width, int height);

// What a control shows: its widget painted into an image.
QImage grabControl(TControl& control);
Rgb pixelAt(const QImage& image, int x, int y);
std::string describe(const Rgb& colour);
void PrintTo(const Rgb& colour, std::ostream* os);

// Writes a file into a directory (native path) and returns its drive-letter path.
std::string writeFile(const std::string& directory, const std::string& name, const std::string& bytes);

} // namespace testing_support
