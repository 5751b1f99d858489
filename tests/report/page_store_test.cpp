// The page store: the spilling stream, the splay-tree prefix code, and the pages with their
// record chain, saved, opened again, and refused when broken.

#include "report/page_store.h"

#include "picture/bitmap/bitmap.h"
#include "picture/byte_reader.h"
#include "platform/paths.h"
#include "support/bytes.h"
#include "support/test_support.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>
#include <random>

namespace {

std::vector<std::uint8_t> bytesOf(TStream& stream)
{
    std::vector<std::uint8_t> bytes(std::size_t(stream.Size()));
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), std::int64_t(bytes.size()));
    return bytes;
}

std::vector<std::uint8_t> encode(std::span<const std::uint8_t> plain)
{
    TMemoryStream out;
    TQRCompress coder(out);
    for (std::uint8_t value : plain)
        coder.Encode(value);
    coder.Finish();
    return out.Bytes();
}

std::vector<std::uint8_t> decode(std::span<const std::uint8_t> coded, std::size_t count)
{
    TQRCompress coder(coded);
    std::vector<std::uint8_t> plain(count);
    for (std::uint8_t& value : plain)
        value = coder.Decode();
    return plain;
}

std::vector<std::uint8_t> text(std::string_view s)
{
    return {s.begin(), s.end()};
}

// --- TQRStream ---

TEST(QRStream, MovesToATemporaryFileWhenAWriteLeavesMoreThanTheLimitAndDeletesIt)
{
    std::vector<std::uint8_t> data(100001);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = std::uint8_t(i * 7 + i / 256);
    std::string name;
    {
        TQRStream stream(100000);
        stream.WriteBuffer(data.data(), 100000);
        EXPECT_TRUE(stream.InMemory());
        EXPECT_TRUE(stream.TemporaryFileName().empty());
        stream.WriteBuffer(data.data() + 100000, 1);
        EXPECT_FALSE(stream.InMemory());
        name = stream.TemporaryFileName();
        EXPECT_EQ(QFileInfo(QString::fromStdString(name)).fileName().left(3), "QRP");
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(name)));
        EXPECT_EQ(stream.Position(), 100001);
        EXPECT_EQ(stream.Size(), 100001);
        EXPECT_EQ(bytesOf(stream), data);
        // Reads, writes and seeks go on in the file.
        stream.Seek(-3, SeekOrigin::End);
        EXPECT_EQ(stream.ReadU8(), data[99998]);
        stream.Seek(10, SeekOrigin::Beginning);
        stream.WriteU8(0xAB);
        stream.Seek(-1, SeekOrigin::Current);
        EXPECT_EQ(stream.ReadU8(), 0xAB);
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(name)));
}

TEST(QRStream, AStreamOnASavedFileReadsItAndLeavesIt)
{
    QTemporaryDir dir;
    const QString native = dir.filePath("report.qrp");
    QFile file(native);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("store", 5);
    file.close();
    const std::string name = platform::toDriveLetterPath(native.toStdString()).value();
    {
        TQRStream stream(name);
        EXPECT_FALSE(stream.InMemory());
        EXPECT_EQ(stream.Size(), 5);
        EXPECT_EQ(bytesOf(stream), text("store"));
    }
    EXPECT_TRUE(QFileInfo::exists(native));
    const std::string missing = name + ".missing";
    EXPECT_RAISES(TQRStream{missing}, EFOpenError, "Cannot open file " + missing);
}

// --- TQRCompress ---

TEST(QRCompress, CodesAsTheFreshTreeSays)
{
    struct Row {
        const char* name;
        std::vector<std::uint8_t> plain;
        std::vector<std::uint8_t> coded;
    };
    const Row rows[] = {
        {"\"abc\"", text("abc"), {0x46, 0x3D, 0x01}},
        // Leaf 256 is the right child of node 127: seven 0 bits, then a 1.
        {"byte 0", {0}, {0x80}},
        // Leaf 511 is nine levels deep, all left children.
        {"byte 255", {255}, {0x00, 0x00}},
        {"nothing", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(encode(row.plain), row.coded);
        EXPECT_EQ(decode(row.coded, row.plain.size()), row.plain);
    }
    for (int value = 0; value < 255; ++value) {
        const std::uint8_t one = std::uint8_t(value);
        EXPECT_EQ(encode({&one, 1}).size(), 1u) << value;
    }
}

TEST(QRCompress, ARepeatedByteGetsAShorterCodeAfterEachUse)
{
    TMemoryStream out;
    TQRCompress coder(out);
    unsigned length = coder.CodeLength('x');
    EXPECT_EQ(length, 8u);
    while (length > 1) {
        coder.Encode('x');
        const unsigned shorter = coder.CodeLength('x');
        EXPECT_LT(shorter, length);
        length = shorter;
    }
    coder.Encode('x');
    EXPECT_EQ(coder.CodeLength('x'), 1u);
}

TEST(QRCompress, WhatIsCodedDecodesToTheSameBytes)
{
    std::mt19937 random(15);
    std::vector<std::uint8_t> noise(50000);
    for (auto& value : noise)
        value = std::uint8_t(random());
    std::vector<std::uint8_t> skewed(50000);
    std::geometric_distribution<int> small(0.3);
    for (auto& value : skewed)
        value = std::uint8_t(std::min(small(random), 255));
    std::vector<std::uint8_t> zeros(50000, 0);
    for (const std::vector<std::uint8_t>* plain : {&noise, &skewed, &zeros}) {
        const std::vector<std::uint8_t> coded = encode(*plain);
        EXPECT_EQ(decode(coded, plain->size()), *plain);
        if (plain != &noise) {
            EXPECT_LT(coded.size(), plain->size() / 2);
        }
    }
    // A run of one byte value comes down to about a bit a byte.
    EXPECT_LT(encode(zeros).size(), zeros.size() / 7);
}

TEST(QRCompress, RunningOutOfCodeOrReachingTheLeafOfNoByteIsAReadError)
{
    const std::vector<std::uint8_t> coded = encode(text("abc"));
    EXPECT_RAISES(decode(coded, 20), EReadError, "Stream read error");
    // Eight left turns and a right one reach leaf 512.
    const std::vector<std::uint8_t> nowhere{0x00, 0x01};
    EXPECT_RAISES(decode(nowhere, 1), EReadError, "Stream read error");
}

// --- TQRPageList ---

// A page: a small bitmap of one colour.
std::unique_ptr<TBitmap> pageOfColour(TColor colour, int size = 4)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelLayout(pl24Bit);
    bitmap->SetWidth(size);
    bitmap->SetHeight(size);
    bitmap->Surface().Brush().SetColor(colour);
    bitmap->Surface().FillRect(TRect{0, 0, size, size});
    return bitmap;
}

TColor colourOf(TGraphic* page)
{
    auto* bitmap = dynamic_cast<TBitmap*>(page);
    return bitmap ? bitmap->Surface().Pixels(1, 1) : TColor(-1);
}

std::vector<std::uint8_t> savedForm(TGraphic& page)
{
    TMemoryStream out;
    page.SaveStream(out);
    return out.Bytes();
}

class QRPageListTest : public testing::Test {
protected:
    std::string driveLetterPath(const char* name) const
    {
        return platform::toDriveLetterPath(dir.filePath(name).toStdString()).value();
    }
    // A store written into a file from bytes, opened in a new list.
    std::unique_ptr<TQRPageList> openBytes(const std::vector<std::uint8_t>& bytes)
    {
        QFile file(dir.filePath("broken.qrp"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
        file.close();
        auto list = std::make_unique<TQRPageList>(TBitmap::StaticClass());
        list->OpenStoreFile(driveLetterPath("broken.qrp"));
        return list;
    }

    const TColor colours[3] = {clRed, clLime, clBlue};
    QTemporaryDir dir;
};

TEST_F(QRPageListTest, AStoreOfOnePageIsTheHeaderAndOneRecord)
{
    TQRPageList list(TBitmap::StaticClass());
    list.SetStream(std::make_unique<TQRStream>(100000));
    auto page = pageOfColour(clRed);
    list.AddPage(*page);
    EXPECT_EQ(list.PageCount(), 1);
    const std::vector<std::uint8_t> store = bytesOf(*list.Stream());
    const std::vector<std::uint8_t> picture = savedForm(*page);
    ASSERT_EQ(store.size(), 124 + 8 + picture.size() + 4);
    EXPECT_EQ(bytes::loadU16(&store[0]), 3);
    EXPECT_EQ(bytes::loadU16(&store[2]), 203);
    EXPECT_EQ(bytes::loadU32(&store[8]), 1u);
    EXPECT_EQ(store[21], 0);
    double created = 0;
    std::memcpy(&created, &store[12], 8);
    EXPECT_EQ(int(created), QDate(1899, 12, 30).daysTo(QDate::currentDate()));
    EXPECT_EQ(bytes::loadU32(&store[124]), 1u);                 // page number
    EXPECT_EQ(bytes::loadU32(&store[128]), store.size());       // next
    EXPECT_TRUE(std::equal(picture.begin(), picture.end(), store.begin() + 132));
    EXPECT_EQ(bytes::loadU32(&store[store.size() - 4]), 124u);  // back
}

TEST_F(QRPageListTest, PagesReadBackInAnyOrderCompressedOrNot)
{
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        TQRPageList list(TBitmap::StaticClass());
        list.SetCompression(compressed);
        list.SetStream(std::make_unique<TQRStream>(100000));
        std::vector<std::vector<std::uint8_t>> saved;
        for (TColor colour : colours) {
            auto page = pageOfColour(colour);
            list.AddPage(*page);
            saved.push_back(savedForm(*page));
        }
        EXPECT_EQ(list.PageCount(), 3);
        // Backward from the end, from the start, forward, and back again.
        for (int n : {3, 1, 2, 2, 1, 3, 2}) {
            SCOPED_TRACE(n);
            std::unique_ptr<TGraphic> page = list.GetPage(n);
            ASSERT_NE(page, nullptr);
            EXPECT_EQ(colourOf(page.get()), colours[n - 1]);
            EXPECT_EQ(savedForm(*page), saved[std::size_t(n - 1)]);
        }
        EXPECT_EQ(list.GetPage(0), nullptr);
        EXPECT_EQ(list.GetPage(4), nullptr);
        EXPECT_EQ(bytesOf(*list.Stream())[21], compressed ? 1 : 0);
    }
}

TEST_F(QRPageListTest, AStoreLargerThanItsLimitSpillsAndStillReads)
{
    TQRPageList list(TBitmap::StaticClass());
    list.SetStream(std::make_unique<TQRStream>(100000));
    for (TColor colour : colours) {
        auto page = pageOfColour(colour, 120);  // 43 kB each
        list.AddPage(*page);
    }
    EXPECT_FALSE(list.Stream()->InMemory());
    for (int n : {2, 3, 1})
        EXPECT_EQ(colourOf(list.GetPage(n).get()), colours[n - 1]);
}

TEST_F(QRPageListTest, ASavedStoreOpensAgainWithItsCountAndCompression)
{
    TQRPageList list(TBitmap::StaticClass());
    list.SetCompression(true);
    list.SetStream(std::make_unique<TQRStream>(100000));
    for (TColor colour : colours) {
        auto page = pageOfColour(colour);
        list.AddPage(*page);
    }
    list.WriteFileHeader();
    const std::string name = driveLetterPath("saved.qrp");
    list.SaveStoreFile(name);
    QFile saved(dir.filePath("saved.qrp"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray file = saved.readAll();
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.end()), bytesOf(*list.Stream()));

    TQRPageList opened(TBitmap::StaticClass());
    opened.OpenStoreFile(name);
    EXPECT_EQ(opened.PageCount(), 3);
    EXPECT_TRUE(opened.Compression());
    for (int n : {2, 1, 3})
        EXPECT_EQ(colourOf(opened.GetPage(n).get()), colours[n - 1]);
    opened.SetStream(nullptr);
    EXPECT_TRUE(saved.exists());
}

TEST_F(QRPageListTest, BrokenStoresAreRefusedWithAReadError)
{
    // One good record of a 4 x 4 bitmap, to break in different ways.
    auto page = pageOfColour(clRed);
    const std::vector<std::uint8_t> picture = savedForm(*page);
    const auto store = [&](std::uint32_t count, std::uint32_t next, std::uint32_t back, bool compressed = false) {
        Bytes b;
        b.u16(3).u16(203).u32(0).u32(count).zeros(8).u8(0).u8(compressed ? 1 : 0).zeros(102);
        b.u32(1).u32(next).raw(picture).u32(back);
        return b.data();
    };
    const std::uint32_t end = std::uint32_t(124 + 8 + picture.size() + 4);

    EXPECT_RAISES(openBytes(std::vector<std::uint8_t>(100, 0)), EReadError, "Stream read error");
    struct Row {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int page;
    };
    const Row rows[] = {
        {"two pages counted, one there", store(2, end, 124), 2},
        {"a next field before the record", store(3, 100, 124), 2},
        {"a next field past the end", store(1, end + 50, 124), 1},
        {"a next field pointing at the record itself", store(3, 124, 124), 2},
        {"a back field pointing forward", store(2, end, end), 2},
        {"a compressed length far beyond its code", store(1, end, 124, true), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto list = openBytes(row.bytes);
        EXPECT_RAISES(list->GetPage(row.page), EReadError, "Stream read error");
    }
    // A page count below one has no pages at all, and counts none.
    for (const std::uint32_t count : {std::uint32_t(-3), std::uint32_t(0x80000000)}) {
        auto list = openBytes(store(count, end, 124));
        EXPECT_EQ(list->PageCount(), 0);
        EXPECT_EQ(list->GetPage(1), nullptr);
    }
    // A store that is not broken reads.
    EXPECT_EQ(colourOf(openBytes(store(1, end, 124))->GetPage(1).get()), clRed);
}

} // namespace
