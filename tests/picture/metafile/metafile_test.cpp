#include "picture/metafile/metafile.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/formats.h"
#include "platform/byte_cursor.h"
#include "platform/paths.h"
#include "section_canvas.h"
#include "support/bytes.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using platform::Colour;

namespace {

std::string driveLetter(const std::string& native)
{
    return platform::toDriveLetterPath(native).value();
}

constexpr Colour white = 0xFFFFFF;
constexpr Colour black = 0x000000;
constexpr Colour red = 0x0000FF;
constexpr auto notValid = "Metafile is not valid";

// An enhanced metafile with a 108-byte header (no description), the given records and the end
// record. Reference device: 1024 × 768 pixels on 320 × 240 mm.
std::vector<std::uint8_t> enhancedFile(platform::Rect frame, const std::vector<std::uint8_t>& records = {},
                                       std::uint32_t recordCount = 0, std::uint32_t paletteEntries = 0)
{
    Bytes b;
    b.u32(1).u32(108);                                   // header record, 108 bytes
    b.i32(0).i32(0).i32(100).i32(100);                   // bounds
    b.i32(frame.left).i32(frame.top).i32(frame.right).i32(frame.bottom);
    b.u32(0x464D4520).u32(0x10000);                      // " EMF", version
    b.u32(0).u32(recordCount + 2).u16(1).u16(0);         // total size (patched), records, handles
    b.u32(0).u32(0).u32(0);                              // no description, no palette
    b.i32(1024).i32(768).i32(320).i32(240);              // reference pixels and millimetres
    b.u32(0).u32(0).u32(0).i32(320000).i32(240000);      // no pixel format; micrometres
    b.raw(records);
    // End of file: palette entries (red rising) after the 16 fixed bytes, then the size again.
    const std::uint32_t eofSize = 20 + paletteEntries * 4;
    b.u32(14).u32(eofSize).u32(paletteEntries).u32(16);
    for (std::uint32_t i = 0; i < paletteEntries; ++i)
        b.u8(i).u8(0x10).u8(0x20).u8(0);
    b.u32(eofSize);
    b.patchU32(68, paletteEntries);
    b.patchU32(48, std::uint32_t(b.size()));
    return b.data();
}

// The placeable header with its checksum, then a Windows metafile of the records.
std::vector<std::uint8_t> placeableFile(std::int16_t left, std::int16_t top, std::int16_t right, std::int16_t bottom,
                                        std::uint16_t inch, const std::vector<std::uint8_t>& records = {})
{
    Bytes header;
    header.u32(0x9AC6CDD7).u16(0).i16(left).i16(top).i16(right).i16(bottom).u16(inch).u32(0);
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        sum ^= std::uint16_t(header.data()[i] | header.data()[i + 1] << 8);
    header.u16(sum);
    Bytes wmf;
    wmf.u16(1).u16(9).u16(0x300).u32(0).u16(4).u32(8).u16(0);  // memory metafile, 4 objects
    wmf.raw(records);
    wmf.u32(3).u16(0);                                          // end of file
    wmf.patchU32(6, std::uint32_t(wmf.size() / 2));
    header.raw(wmf.data());
    return header.data();
}

void load(TMetafile& metafile, const std::vector<std::uint8_t>& bytes)
{
    TMemoryStream stream(bytes);
    metafile.LoadStream(stream);
}

std::vector<std::uint8_t> saved(TMetafile& metafile)
{
    TMemoryStream stream;
    metafile.SaveStream(stream);
    std::vector<std::uint8_t> out(std::size_t(stream.Size()));
    stream.SetPosition(0);
    stream.ReadBuffer(out.data(), stream.Size());
    return out;
}

// A scene using the canvas operations the report engine and the formats use.
void drawScene(TCanvas& canvas)
{
    canvas.Brush().SetColor(TColor(0x00FFFF));
    canvas.FillRect({0, 0, 120, 80});
    canvas.Pen().SetColor(TColor(0x0000FF));
    canvas.Pen().SetWidth(3);
    canvas.Brush().SetColor(TColor(0xFF0000));
    canvas.Rectangle(10, 10, 50, 40);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetStyle(psDash);
    canvas.MoveTo(5, 70);
    canvas.LineTo(115, 45);
    canvas.Pen().SetStyle(psSolid);
    canvas.Brush().SetStyle(bsDiagCross);
    canvas.Brush().SetColor(TColor(0x008000));
    canvas.Ellipse(60, 5, 110, 40);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Polygon({{20, 75}, {40, 50}, {60, 75}});
    canvas.Font().SetName("MS Sans Serif");  // drawn with the same face directly and played back
    canvas.Font().SetHeight(-12);
    canvas.Font().SetColor(TColor(0x800080));
    canvas.Brush().SetStyle(bsClear);
    canvas.TextOut(64, 50, "Pictavo");
    canvas.Pie(80, 45, 118, 78, 118, 60, 80, 60);
}

int differentPixels(const platform::Section& a, const platform::Section& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

class MetafileTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterPictureFormats(); }
};

} // namespace

TEST_F(MetafileTest, ANewMetafileIsNotEmptyAndHasNoSize)
{
    TMetafile metafile;
    EXPECT_FALSE(metafile.IsEmpty());
    EXPECT_EQ(metafile.Width(), 0);
    EXPECT_EQ(metafile.Height(), 0);
    EXPECT_TRUE(metafile.SaveEnhanced());
    EXPECT_TRUE(metafile.Transparent());
    EXPECT_EQ(metafile.MetafileHandle(), nullptr);
    // Drawing it draws nothing.
    SectionCanvas canvas(4, 4);
    canvas.StretchDraw({0, 0, 4, 4}, &metafile);
    EXPECT_EQ(canvas.pixel(1, 1), white);
}

TEST_F(MetafileTest, RefusedFilesKeepTheirMessages)
{
    // Exactly 100 bytes that start like an enhanced metafile are taken for a Windows metafile
    // without the placeable key.
    std::vector<std::uint8_t> hundred = enhancedFile({0, 0, 100, 100});
    hundred.resize(100);
    // Neither the placeable key nor a Windows-metafile header.
    std::vector<std::uint8_t> plain = placeableFile(0, 0, 10, 10, 96);
    plain.erase(plain.begin(), plain.begin() + 22);
    plain[2] = 8;
    // The right key with a wrong checksum.
    std::vector<std::uint8_t> badSum = placeableFile(0, 0, 10, 10, 96);
    badSum[20] ^= 1;
    // A placeable header before something that is not a Windows metafile.
    std::vector<std::uint8_t> noRecords = placeableFile(0, 0, 10, 10, 96);
    noRecords[22] = 7;
    // The enhanced signature in place but the total size short of the header.
    std::vector<std::uint8_t> shortTotal = enhancedFile({0, 0, 100, 100});
    shortTotal[48] = 60;
    shortTotal[49] = shortTotal[50] = shortTotal[51] = 0;
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } rows[] = {{"exactly 100 bytes", hundred}, {"no metafile header", plain}, {"checksum", badSum},
                {"records", noRecords}, {"total below the header", shortTotal}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TMetafile metafile;
        EXPECT_RAISES(load(metafile, row.bytes), EInvalidGraphic, notValid);
    }

    // A total size beyond the stream's end, with the last record cut short, is a read past the
    // end.
    std::vector<std::uint8_t> truncated = enhancedFile({0, 0, 100, 100});
    truncated.resize(truncated.size() - 8);
    TMetafile metafile;
    EXPECT_RAISES(load(metafile, truncated), EReadError, "Stream read error");
}

TEST_F(MetafileTest, OverstatedSizeReadsTheRecordsUpToTheEndOfFile)
{
    // A red rectangle over the frame; the header counts 4000 bytes more than the file has, and
    // bytes follow the end-of-file record.
    const Bytes rectangle = Bytes()
                                .u32(39).u32(24).u32(1).u32(0).u32(red).u32(0)   // brush 1: solid red
                                .u32(37).u32(12).u32(1)                          // selected
                                .u32(43).u32(24).i32(0).i32(0).i32(101).i32(101);  // rectangle over the bounds
    std::vector<std::uint8_t> bytes = enhancedFile({0, 0, 1250, 1250}, rectangle.data(), 3);
    const std::size_t length = bytes.size();
    bytes[56] = 2;  // handles: the brush's slot and the reserved slot 0
    bytes[49] = std::uint8_t(bytes[49] + 0x10);
    bytes.insert(bytes.end(), {0xEE, 0xEE, 0xEE, 0xEE});
    TMemoryStream stream(bytes);
    TMetafile metafile;
    metafile.LoadStream(stream);
    EXPECT_EQ(stream.Position(), std::int64_t(length));
    ASSERT_NE(metafile.MetafileHandle(), nullptr);
    EXPECT_EQ(metafile.MetafileHandle()->bytes().size(), length);
    SectionCanvas target(40, 40);
    target.StretchDraw({0, 0, 40, 40}, &metafile);
    EXPECT_EQ(target.pixel(20, 20), red);
}

TEST_F(MetafileTest, WindowsMetafilesWithoutThePlaceableHeaderTakeTheirWindowAt96ToTheInch)
{
    const auto record = [](std::uint16_t function, const Bytes& params) {
        return Bytes().u32(std::uint32_t(3 + params.size() / 2)).u16(function).raw(params.data());
    };
    // A red brush filling the rectangle 0, 0 to 96, 48 in logical units.
    const Bytes redBox = Bytes()
                             .raw(record(0x02FC, Bytes().u16(0).u32(red).u16(0)).data())  // brush in slot 0
                             .raw(record(0x012D, Bytes().u16(0)).data())                  // selected
                             .raw(record(0x041B, Bytes().i16(48).i16(96).i16(0).i16(0)).data());
    const struct Row {
        const char* name;
        Bytes window;  // records before the rectangle
        int width, height;
        int redX, redY, whiteX, whiteY;  // pixels of the picture drawn at its size
    } rows[] = {
        {"window extent and origin", Bytes().raw(record(0x020B, Bytes().i16(0).i16(-96)).data())
                                         .raw(record(0x020C, Bytes().i16(96).i16(192)).data()),
         192, 96, 100, 20, 100, 70},
        {"y axis up", Bytes().raw(record(0x020B, Bytes().i16(96).i16(0)).data())
                          .raw(record(0x020C, Bytes().i16(-96).i16(96)).data()),
         96, 96, 20, 70, 20, 20},
        {"no window: what is drawn", Bytes(), 96, 48, 50, 24, -1, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::uint8_t> bytes = placeableFile(0, 0, 1, 1, 96, Bytes().raw(row.window.data()).raw(redBox.data()).data());
        bytes.erase(bytes.begin(), bytes.begin() + 22);
        TMetafile metafile;
        load(metafile, bytes);
        EXPECT_EQ(metafile.UnitsPerInch(), 96);
        EXPECT_EQ(metafile.FrameWidth(), row.width * 25400 / 96);
        EXPECT_EQ(metafile.Width(), row.width);
        EXPECT_EQ(metafile.Height(), row.height);
        EXPECT_FALSE(metafile.SaveEnhanced());
        SectionCanvas target(row.width, row.height);
        target.StretchDraw({0, 0, row.width, row.height}, &metafile);
        EXPECT_EQ(target.pixel(row.redX, row.redY), red);
        if (row.whiteX >= 0)
            EXPECT_EQ(target.pixel(row.whiteX, row.whiteY), white);

        // Saved, it has the placeable header, and reads back at the same size.
        const std::vector<std::uint8_t> file = saved(metafile);
        ASSERT_GE(file.size(), 22u);
        EXPECT_EQ(bytes::loadU32(file.data()), 0x9AC6CDD7u);
        TMetafile reloaded;
        load(reloaded, file);
        EXPECT_EQ(reloaded.Width(), row.width);
        EXPECT_EQ(reloaded.Height(), row.height);
    }
}

TEST_F(MetafileTest, PlaceableSizesComeFromTheBoxAndTheInch)
{
    TMetafile metafile;
    load(metafile, placeableFile(0, 0, 1440, 720, 1440));
    EXPECT_EQ(metafile.FrameWidth(), 25400);
    EXPECT_EQ(metafile.FrameHeight(), 12700);
    EXPECT_EQ(metafile.UnitsPerInch(), 1440);
    EXPECT_EQ(metafile.Width(), 96);   // the offscreen screen has 96 dpi
    EXPECT_EQ(metafile.Height(), 48);
    EXPECT_FALSE(metafile.SaveEnhanced());

    // An inch of 0 counts as 96 for the sizes and stays 0.
    TMetafile zero;
    load(zero, placeableFile(-48, 0, 48, 96, 0));
    EXPECT_EQ(zero.FrameWidth(), 25400);
    EXPECT_EQ(zero.FrameHeight(), 25400);
    EXPECT_EQ(zero.UnitsPerInch(), 0);
}

TEST_F(MetafileTest, EnhancedPixelSizeFollowsItsReferenceDevice)
{
    TMetafile metafile;
    load(metafile, enhancedFile({0, 0, 21000, 29700}));
    EXPECT_EQ(metafile.FrameWidth(), 21000);
    EXPECT_EQ(metafile.FrameHeight(), 29700);
    // 210 mm of 320 mm on 1024 pixels; 297 mm of 240 mm on 768 pixels.
    EXPECT_EQ(metafile.Width(), 672);
    EXPECT_EQ(metafile.Height(), 950);
    EXPECT_TRUE(metafile.SaveEnhanced());

    // Setting a pixel size goes back through the same device.
    metafile.SetWidth(336);
    EXPECT_EQ(metafile.FrameWidth(), 10500);
}

TEST_F(MetafileTest, PaintingMovesTheRightAndBottomEdgesInByOne)
{
    // A picture whose frame is filled red, painted into 0, 0, 100, 50 of a larger white area.
    TMetafile metafile;
    metafile.SetWidth(20);
    metafile.SetHeight(10);
    {
        TMetafileCanvas canvas(metafile, nullptr);
        canvas.Brush().SetColor(TColor(red));
        canvas.FillRect({0, 0, 20, 10});
    }
    SectionCanvas target(120, 60);
    target.StretchDraw({0, 0, 100, 50}, &metafile);
    EXPECT_EQ(target.pixel(0, 0), red);
    EXPECT_EQ(target.pixel(99, 49), red);
    EXPECT_EQ(target.pixel(100, 20), white);
    EXPECT_EQ(target.pixel(50, 50), white);
}

TEST_F(MetafileTest, RecordingKeepsThePendingPixelSize)
{
    TMetafile metafile;
    metafile.SetWidth(800);
    metafile.SetHeight(600);
    EXPECT_EQ(metafile.Width(), 800);
    EXPECT_EQ(metafile.FrameWidth(), 0);
    {
        TMetafileCanvas canvas(metafile, nullptr, "Pictavo", "Page 1");
        canvas.Rectangle(0, 0, 800, 600);
    }
    ASSERT_NE(metafile.MetafileHandle(), nullptr);
    EXPECT_NEAR(metafile.Width(), 800, 1);
    EXPECT_NEAR(metafile.Height(), 600, 1);
    EXPECT_EQ(metafile.CreatorName(), "Pictavo");
    EXPECT_EQ(metafile.PictureTitle(), "Page 1");

    // Without a size the recording takes the reference device's whole screen.
    TMetafile unsized;
    { TMetafileCanvas canvas(unsized, nullptr); }
    EXPECT_EQ(unsized.FrameWidth(), 27100);
    EXPECT_EQ(unsized.FrameHeight(), 20300);
    EXPECT_EQ(unsized.CreatorName(), "");
}

TEST_F(MetafileTest, RecordSaveLoadAndPlayGivesTheSamePixelsAsDrawingDirectly)
{
    SectionCanvas direct(120, 80);
    drawScene(direct);
    ASSERT_EQ(direct.pixel(30, 25), 0xFF0000u);  // inside the blue rectangle
    ASSERT_EQ(direct.pixel(2, 2), 0x00FFFFu);    // the yellow ground

    TMetafile metafile;
    metafile.SetWidth(120);
    metafile.SetHeight(80);
    {
        TMetafileCanvas canvas(metafile, nullptr);
        drawScene(canvas);
    }
    TMetafile loaded;
    load(loaded, saved(metafile));
    ASSERT_EQ(loaded.Width(), 120);
    ASSERT_EQ(loaded.Height(), 80);
    SectionCanvas played(120, 80);
    played.StretchDraw({0, 0, 120, 80}, &loaded);
    EXPECT_EQ(differentPixels(direct.section(), played.section()), 0);
}

TEST_F(MetafileTest, BitmapsDrawnIntoARecordingPlayBackTheSame)
{
    TBitmap bitmap;
    bitmap.SetWidth(6);
    bitmap.SetHeight(4);
    bitmap.Surface().Brush().SetColor(TColor(0x00FF00));
    bitmap.Surface().FillRect({0, 0, 6, 4});
    bitmap.Surface().SetPixels(1, 1, TColor(red));
    const auto draw = [&](TCanvas& canvas) {
        canvas.StretchDraw({2, 2, 14, 10}, &bitmap);
        canvas.Draw(20, 3, &bitmap);
    };
    SectionCanvas direct(30, 12);
    draw(direct);
    TMetafile metafile;
    metafile.SetWidth(30);
    metafile.SetHeight(12);
    {
        TMetafileCanvas canvas(metafile, nullptr);
        draw(canvas);
    }
    SectionCanvas played(30, 12);
    played.StretchDraw({0, 0, 30, 12}, &metafile);
    EXPECT_EQ(differentPixels(direct.section(), played.section()), 0);
    EXPECT_EQ(played.pixel(4, 4), red);
}

TEST_F(MetafileTest, WindowsMetafileSavingWritesAMatchingChecksum)
{
    TMetafile metafile;
    load(metafile, enhancedFile({0, 0, 21000, 29700}));
    QTemporaryDir dir;
    const std::string wmfName = driveLetter(dir.filePath("PAGE.WMF").toStdString());
    const std::string emfName = driveLetter(dir.filePath("page.emf").toStdString());
    metafile.SaveFile(wmfName);
    EXPECT_TRUE(metafile.SaveEnhanced());  // the flag is restored
    metafile.SaveFile(emfName);

    QFile wmf(dir.filePath("PAGE.WMF"));
    ASSERT_TRUE(wmf.open(QIODevice::ReadOnly));
    const QByteArray bytes = wmf.readAll();
    ASSERT_GE(bytes.size(), 22 + 18);
    const auto word = [&](int at) { return std::uint16_t(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8); };
    EXPECT_EQ(word(0) | std::uint32_t(word(2)) << 16, 0x9AC6CDD7u);
    std::uint16_t sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= word(i);
    EXPECT_EQ(word(20), sum);
    EXPECT_EQ(word(10), 21000);  // the frame in 0.01 mm, 2540 to the inch
    EXPECT_EQ(word(12), 29700);
    EXPECT_EQ(word(14), 2540);

    QFile emf(dir.filePath("page.emf"));
    ASSERT_TRUE(emf.open(QIODevice::ReadOnly));
    const QByteArray enhanced = emf.readAll();
    EXPECT_EQ(std::vector<std::uint8_t>(enhanced.begin(), enhanced.end()), metafile.MetafileHandle()->bytes());

    // The saved Windows metafile reads back with the same size.
    TMetafile again;
    again.LoadFile(wmfName);
    EXPECT_EQ(again.FrameWidth(), MulDiv(21000, 25400, 2540));
    EXPECT_NEAR(again.Width(), MulDiv(21000, 96, 2540), 1);
}

TEST_F(MetafileTest, LargeFramesSaveWithACoarserInch)
{
    // 400 mm does not fit 16 bits in 0.01 mm: the box keeps the size in coarser units.
    TMetafile metafile;
    load(metafile, enhancedFile({0, 0, 40000, 10000}));
    metafile.SetSaveEnhanced(false);
    TMetafile again;
    load(again, saved(metafile));
    EXPECT_NEAR(again.FrameWidth(), 400000, 400);
    EXPECT_NEAR(again.FrameHeight(), 100000, 400);
}

TEST_F(MetafileTest, StoredDataCountsItsOwnLength)
{
    TMetafile metafile;
    load(metafile, enhancedFile({0, 0, 500, 400}));
    TMemoryStream stream;
    stream.WriteU8(0xAA);  // something before, as in a form's data
    metafile.WriteStoredData(stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    stream.SetPosition(1);
    EXPECT_EQ(stream.ReadU32(), std::uint32_t(stream.Size() - 1));
    stream.SetPosition(1);
    TMetafile read;
    read.ReadStoredData(stream);
    EXPECT_EQ(read.FrameWidth(), 500);
    EXPECT_EQ(read.MetafileHandle()->bytes(), metafile.MetafileHandle()->bytes());

    // A Windows metafile reads within the length: bytes after it stay unread.
    TMetafile windows;
    load(windows, placeableFile(0, 0, 1440, 720, 1440));
    TMemoryStream wstream;
    windows.WriteStoredData(wstream);
    wstream.WriteU32(0xDEADBEEF);
    wstream.SetPosition(0);
    TMetafile wread;
    wread.ReadStoredData(wstream);
    EXPECT_EQ(wread.FrameWidth(), 25400);
    EXPECT_EQ(wstream.ReadU32(), 0xDEADBEEFu);
}

TEST_F(MetafileTest, CopiesShareUntilOneChanges)
{
    TMetafile first;
    load(first, enhancedFile({0, 0, 1000, 2000}));
    TMetafile second;
    int changes = 0;
    second.OnChange = [&](TObject*) { ++changes; };
    second.CopyFrom(&first);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(second.MetafileHandle(), first.MetafileHandle());
    second.SetFrameWidth(3000);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(first.FrameWidth(), 1000);
    EXPECT_EQ(second.FrameWidth(), 3000);
    second.SetFrameWidth(3000);  // unchanged: no notification
    EXPECT_EQ(changes, 2);
    second.CopyFrom(nullptr);
    EXPECT_EQ(second.MetafileHandle(), nullptr);
    EXPECT_TRUE(second.SaveEnhanced());
    TBitmap bitmap;
    EXPECT_RAISES(second.CopyFrom(&bitmap), EConvertError, "Cannot assign a TBitmap to a TMetafile");
}

TEST_F(MetafileTest, PaletteComesFromTheEndRecordAndKeepsAtMost256Entries)
{
    TMetafile none;
    load(none, enhancedFile({0, 0, 100, 100}));
    EXPECT_EQ(none.Palette(), nullptr);
    EXPECT_FALSE(none.PaletteChangedFlag());

    TMetafile three;
    load(three, enhancedFile({0, 0, 100, 100}, {}, 0, 3));
    ASSERT_NE(three.Palette(), nullptr);
    EXPECT_EQ(three.Palette()->size(), 3);
    EXPECT_EQ(three.Palette()->colour(2), platform::rgb(2, 0x10, 0x20));
    EXPECT_TRUE(three.PaletteChangedFlag());

    TMetafile many;
    load(many, enhancedFile({0, 0, 100, 100}, {}, 0, 300));
    ASSERT_NE(many.Palette(), nullptr);
    EXPECT_EQ(many.Palette()->size(), 256);
}

TEST_F(MetafileTest, ClipboardTakesOnlyEnhancedMetafiles)
{
    TMetafile metafile;
    EXPECT_RAISES(metafile.LoadClipboardData(3, TClipboardHandle(), nullptr), EInvalidGraphic,
                  "Unsupported clipboard format");
    TMetafile source;
    load(source, enhancedFile({0, 0, 700, 800}));
    std::uint16_t format = 0;
    TClipboardHandle data;
    TPaletteHandle palette;
    source.SaveClipboardData(format, data, palette);
    EXPECT_EQ(format, 14);
    metafile.LoadClipboardData(3, data, palette);
    EXPECT_EQ(metafile.FrameHeight(), 800);
}

TEST_F(MetafileTest, PicturesLoadByExtension)
{
    TPicture picture;
    picture.LoadFile(driveLetter(testing_support::testdataPath("libwmf/examples/sample.wmf")));
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassName(), "TMetafile");
    EXPECT_EQ(picture.Width(), MulDiv(3151, 96, 1000));
    picture.LoadFile(driveLetter(testing_support::testdataPath("libemf2svg/emf/test-009.emf")));
    EXPECT_EQ(picture.Graphic()->ClassName(), "TMetafile");
    EXPECT_GT(picture.Width(), 0);
}

TEST_F(MetafileTest, WindowsToEnhancedToWindowsKeepsTheDrawing)
{
    for (const char* name : {"libwmf/examples/sample.wmf", "libwmf/examples/2doorvan.wmf", "libwmf/examples/fulltest.wmf"}) {
        SCOPED_TRACE(name);
        TMetafile original;
        original.LoadFile(driveLetter(testing_support::testdataPath(name)));
        TMetafile again;
        load(again, saved(original));
        EXPECT_NEAR(again.Width(), original.Width(), 1);
        EXPECT_NEAR(again.Height(), original.Height(), 1);
        const int w = 200, h = 150;
        SectionCanvas a(w, h), b(w, h);
        a.StretchDraw({0, 0, w, h}, &original);
        b.StretchDraw({0, 0, w, h}, &again);
        int drawn = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                drawn += a.pixel(x, y) != white;
        ASSERT_GT(drawn, w * h / 50);
        // Coordinates go through 16 bits once more: edges may move by a pixel.
        EXPECT_LT(differentPixels(a.section(), b.section()), drawn / 5);
    }
}

TEST_F(MetafileTest, MappingModeFilesPlaceTheirDrawingWhereTheModeSays)
{
    // The same picture in every mapping mode: a red T at the top centre, a red L at the left.
    const int w = 300, h = 212;
    SectionCanvas reference(w, h);
    TMetafile text;
    text.LoadFile(driveLetter(testing_support::testdataPath("libuemf/test_mm_text_ref.emf")));
    reference.StretchDraw({0, 0, w, h}, &text);
    EXPECT_EQ(reference.pixel(150, 30), red);  // the T's stem
    EXPECT_EQ(reference.pixel(15, 110), red);  // the L's upright
    for (const char* mode : {"anisotropic", "hienglish", "himetric", "isotropic", "loenglish", "lometric", "twips"}) {
        SCOPED_TRACE(mode);
        TMetafile metafile;
        metafile.LoadFile(driveLetter(
            testing_support::testdataPath(std::string("libuemf/test_mm_") + mode + "_ref.emf")));
        SectionCanvas canvas(w, h);
        canvas.StretchDraw({0, 0, w, h}, &metafile);
        EXPECT_EQ(canvas.pixel(150, 30), red);
        EXPECT_EQ(canvas.pixel(15, 110), red);
        EXPECT_LT(differentPixels(reference.section(), canvas.section()), w * h / 100);
    }
}
