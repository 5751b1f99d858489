// The drive box: its items, choosing a drive, and drawing an item.

#include "list_fixture.h"

#include "filelists/filelists.h"
#include "platform/drives/drives.h"
#include "support/test_support.h"

#include <QComboBox>

#include <algorithm>
#include <cerrno>

namespace {

using testing_support::itemsOf;

class DriveComboBox : public testing_support::ListsTest {
protected:
    bool labelRead(const std::string& mountPoint) const
    {
        const auto& calls = files.calls();
        return std::find(calls.begin(), calls.end(), "label " + mountPoint) != calls.end();
    }
};

TEST_F(DriveComboBox, OneItemPerDriveInLetterOrderCasedAsAsked)
{
    TDriveComboBox combo(nullptr);
    EXPECT_EQ(combo.Items()->Count(), 0);  // made with the window
    combo.HandleNeeded();
    EXPECT_EQ(itemsOf(*combo.Items()),
              (std::vector<std::string>{"c: [system]", "d: [ferias]", "e: \\\\servidor\\fotos", "f: []",
                                        "g:"}));
    // The process is on c:.
    EXPECT_EQ(combo.CurrentDrive(), 'c');
    EXPECT_EQ(combo.ItemIndex(), 0);

    int changes = 0;
    combo.OnChange = [&](TObject*) { ++changes; };
    combo.SetTextCase(tcUpperCase);
    EXPECT_EQ(itemsOf(*combo.Items()),
              (std::vector<std::string>{"C: [SYSTEM]", "D: [FERIAS]", "E: \\\\SERVIDOR\\FOTOS", "F: []",
                                        "G:"}));
    // The drive is chosen again.
    EXPECT_EQ(combo.CurrentDrive(), 'C');
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(changes, 1);
}

TEST_F(DriveComboBox, RemovableDrivesAreNeverRead)
{
    files.clearCalls();
    TDriveComboBox combo(nullptr);
    combo.HandleNeeded();
    EXPECT_TRUE(labelRead("/"));
    EXPECT_TRUE(labelRead(files.nativePath("cd")));
    EXPECT_FALSE(labelRead(files.nativePath("usb")));
}

TEST_F(DriveComboBox, ADriveWithoutMediumShowsAnEmptyLabel)
{
    files.setNotReady("cd");
    TDriveComboBox combo(nullptr);
    combo.HandleNeeded();
    EXPECT_EQ(combo.Items()->Get(1), "d: []");
}

TEST(DriveComboBoxNames, ANetworkDriveWithoutConnectionNameShowsItsLabel)
{
    testing_support::FakeFileSystem files;
    Seam<platform::FileSystemBackend>::Scoped scope(platform::fileSystemBackendSeam(), files);
    files.setLabel("/dev/sda1", "Sistema");
    // A source that names no server.
    files.addMount("net", testing_support::FakeFileSystem::Medium::Network, "REDE", "rede-local");
    TDriveComboBox combo(nullptr);
    combo.HandleNeeded();
    EXPECT_EQ(itemsOf(*combo.Items()), (std::vector<std::string>{"c: [sistema]", "d: [rede]"}));
}

TEST_F(DriveComboBox, ChoosingADriveSelectsItsItemAndReportsOnce)
{
    TDriveComboBox combo(nullptr);
    combo.HandleNeeded();
    int changes = 0;
    combo.OnChange = [&](TObject*) { ++changes; };
    combo.SetCurrentDrive('G');
    EXPECT_EQ(combo.CurrentDrive(), 'g');
    EXPECT_EQ(combo.ItemIndex(), 4);
    EXPECT_EQ(changes, 1);
    // The drive already chosen: nothing.
    combo.SetCurrentDrive('g');
    EXPECT_EQ(changes, 1);
    combo.SetCurrentDrive(0);
    EXPECT_EQ(combo.CurrentDrive(), 0);
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(changes, 2);
}

TEST_F(DriveComboBox, TheUsersChoiceClicksThenChoosesTheDrive)
{
    TDriveComboBox combo(nullptr);
    combo.HandleNeeded();
    std::vector<std::string> events;
    combo.OnClick = [&](TObject*) { events.push_back(std::string("click ") + combo.CurrentDrive()); };
    combo.OnChange = [&](TObject*) { events.push_back(std::string("change ") + combo.CurrentDrive()); };
    auto* widget = static_cast<QComboBox*>(combo.Widget());
    widget->setCurrentIndex(3);
    emit widget->activated(3);
    EXPECT_EQ(events, (std::vector<std::string>{"click c", "change f"}));
}

TEST_F(DriveComboBox, AnItemShowsItsGlyphTransparentlyThenItsText)
{
    using testing_support::firstPixelOf;
    using testing_support::rgbOf;
    TDriveComboBox combo(nullptr);
    EXPECT_EQ(combo.Style(), csOwnerDrawFixed);
    // At least as high as the glyph.
    combo.Font()->SetHeight(-6);
    EXPECT_EQ(combo.ItemHeight(), 11);
    combo.HandleNeeded();
    combo.SetItemHeight(15);
    // The fixed-disk glyph, 16 x 11, at x 2, its top at (0 + 15 - 11) / 2 = 2. Its row 3 begins
    // with one background pixel, then its black outline.
    const QImage plain = testing_support::paintItem(combo, 0, 120, 15);
    const QRgb window = rgbOf(clWindow);
    EXPECT_EQ(plain.pixel(0, 0), window);
    EXPECT_EQ(plain.pixel(2, 5), window);  // the glyph's background shows the brush
    // The glyph lies in columns 2 to 17, rows 2 to 12.
    const int glyphEnd = 18;
    EXPECT_EQ(firstPixelOf(plain, 5, testing_support::black, glyphEnd), 3);
    EXPECT_EQ(firstPixelOf(plain, 1, testing_support::black, glyphEnd), -1);  // above the glyph
    EXPECT_EQ(firstPixelOf(plain, 4, testing_support::black, glyphEnd), 4);   // its top edge
    EXPECT_EQ(firstPixelOf(plain, 13, testing_support::black, glyphEnd), -1); // below it
    EXPECT_EQ(firstPixelOf(plain, 5, testing_support::magenta), -1);
    // Nothing of the text left of x 16 + 6.
    for (int y = 0; y < 15; ++y)
        for (int x = 18; x < 22; ++x)
            EXPECT_EQ(plain.pixel(x, y), window) << x << "," << y;

    const QImage selected = testing_support::paintItem(combo, 0, 120, 15, 1u << odSelected);
    EXPECT_EQ(selected.pixel(2, 5), rgbOf(clHighlight));
    EXPECT_EQ(firstPixelOf(selected, 5, testing_support::black, glyphEnd), 3);
}

} // namespace
