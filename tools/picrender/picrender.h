#pragma once
// Pictures drawn into PNG images the way the viewer draws them: loaded through the picture
// container, drawn with the canvas's stretch-draw onto white.

#include <QImage>

#include <string>
#include <vector>

namespace picrender {

struct Options {
    int width = 0;   // 0: the picture's own width
    int height = 0;  // 0: the picture's own height
    bool transparent = false;
    // The PNG is compressed as well as zlib's default level does, not as fast as it can.
    bool smallFile = false;
};

// Loads the file (a drive-letter path) and draws it at its own size or stretched to the size of
// the options, on white. An empty picture gives one white pixel. Raises the picture's errors.
QImage render(const std::string& fileName, const Options& options = {});

// Writes the image as a PNG file (a native path): quickly compressed, or as small as zlib's
// default level makes it with `smallFile`. False when the file cannot be written.
bool savePng(const QImage& image, const std::string& fileName, bool smallFile);

// The command line, without the program name: INPUT OUTPUT.png [--size WxH] [--transparent]
// [--small]. INPUT is a native path. Prints a failure's message to stderr and returns 1; 2 for
// bad usage.
int run(const std::vector<std::string>& arguments);

} // namespace picrender
