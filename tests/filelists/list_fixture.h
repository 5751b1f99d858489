#pragma once
// The drive tree of the list-control tests, on the fake file system:
//   c:  the system disk ("/", ext4, labelled SYSTEM); the fake's own tree lies on it
//   d:  a CD labelled FERIAS (folder "cd")
//   e:  the network share //Servidor/Fotos (folder "net")
//   f:  a RAM disk without a label (folder "ram")
//   g:  a removable vfat stick labelled FOTOS (folder "usb")
// The process starts in the fake's root, on c:.

#include "fake_file_system.h"

#include "framework/list_controls.h"

#include <QImage>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testing_support {

class ListsTest : public ::testing::Test {
protected:
    ListsTest();

    // Moves the process's current directory or fails the test.
    void goTo(const std::string& path);
    // The process's current directory.
    std::string current() const;
    // How c: names a folder of the fake's tree.
    std::string onC(std::string_view relative) const { return files.systemDrivePath(relative); }

    FakeFileSystem files;
    Seam<platform::FileSystemBackend>::Scoped scope{platform::fileSystemBackendSeam(), files};
};

// The items of a list control.
std::vector<std::string> itemsOf(const TStrings& items);

// Paints one item into a picture of the given size, filled beforehand with green so that what
// the item leaves unpainted shows.
QImage paintItem(TOwnerDrawList& list, int index, int width, int height, TOwnerDrawState state = 0);
// The x of the first pixel of that colour in row y left of `limit` (the whole row when -1), or
// -1.
int firstPixelOf(const QImage& image, int y, QRgb colour, int limit = -1);
// A plain or system colour as Qt writes it.
QRgb rgbOf(TColor color);

constexpr QRgb black = 0xFF000000;
constexpr QRgb magenta = 0xFFFF00FF;  // the glyphs' own background
constexpr QRgb unpainted = 0xFF00FF00;

} // namespace testing_support
