#include "framework/streams.h"

#include "platform/paths.h"
#include "support/test_support.h"

#include <QTemporaryDir>

#include <cstring>
#include <limits>

namespace {

std::string driveLetterPath(const QString& native)
{
    return platform::toDriveLetterPath(native.toStdString()).value_or(native.toStdString());
}

} // namespace

TEST(MemoryStreamRead, ExactReadAtEndRaisesAndConsumesWhatWasThere)
{
    TMemoryStream stream(std::vector<std::uint8_t>{1, 2, 3});
    std::uint8_t buffer[5] = {0, 0, 0, 0, 0};
    EXPECT_RAISES(stream.ReadBuffer(buffer, 5), EReadError, "Stream read error");
    // The three bytes that were there were read and taken.
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_EQ(buffer[3], 0);
    // At the end, a plain read reads nothing and an exact read of one byte fails.
    EXPECT_EQ(stream.Read(buffer, 1), 0);
    EXPECT_RAISES(stream.ReadU8(), EReadError, "Stream read error");
}

TEST(MemoryStreamRead, ExactReadOfZeroBytesAtEndSucceeds)
{
    TMemoryStream stream;
    stream.ReadBuffer(nullptr, 0);
    EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStreamRead, LittleEndianHelpers)
{
    // 0x34 0x12 = 0x1234; 0x78 0x56 0x34 0x12 = 0x12345678; then one byte short of a word.
    TMemoryStream stream(std::vector<std::uint8_t>{0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAB});
    EXPECT_EQ(stream.ReadU16(), 0x1234);
    EXPECT_EQ(stream.ReadU32(), 0x12345678u);
    EXPECT_RAISES(stream.ReadU16(), EReadError, "Stream read error");
}

TEST(MemoryStreamWrite, WritingPastTheEndGrowsAndSeekClampsAtZero)
{
    TMemoryStream stream;
    stream.WriteU16(0xBEEF);
    stream.Seek(4, SeekOrigin::Current);
    stream.WriteU8(7);
    // 2 bytes, a gap of 4 zero bytes, then the 7.
    ASSERT_EQ(stream.Size(), 7);
    EXPECT_EQ(stream.Bytes(), (std::vector<std::uint8_t>{0xEF, 0xBE, 0, 0, 0, 0, 7}));
    EXPECT_EQ(stream.Seek(-100, SeekOrigin::Current), 0);
    stream.SetSize(1);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(stream.Size(), 1);
}

TEST(StreamCopy, CountZeroCopiesTheWholeSourceFromItsStart)
{
    TMemoryStream source(std::vector<std::uint8_t>{9, 8, 7, 6});
    source.SetPosition(3);
    TMemoryStream destination;
    EXPECT_EQ(destination.CopyFrom(source, 0), 4);
    EXPECT_EQ(destination.Bytes(), (std::vector<std::uint8_t>{9, 8, 7, 6}));
    // A count beyond what is left fails as an exact read.
    source.SetPosition(2);
    EXPECT_RAISES(destination.CopyFrom(source, 3), EReadError, "Stream read error");
}

TEST(MemoryStreamSeek, FarOffsetsSaturateAndWritingThereIsRefused)
{
    constexpr std::int64_t top = std::numeric_limits<std::int64_t>::max();
    TMemoryStream stream(std::vector<std::uint8_t>{1, 2, 3});
    // Offsets that would run past the largest position stop there, in every direction.
    stream.SetPosition(10);
    EXPECT_EQ(stream.Seek(top, SeekOrigin::Current), top);
    EXPECT_EQ(stream.Seek(top, SeekOrigin::End), top);
    EXPECT_EQ(stream.Seek(std::numeric_limits<std::int64_t>::min(), SeekOrigin::End), 0);
    // Nothing to read out there, and a write there would need more memory than a stream gets.
    stream.SetPosition(top);
    std::uint8_t byte = 9;
    EXPECT_EQ(stream.Read(&byte, 1), 0);
    EXPECT_RAISES(stream.WriteBuffer(&byte, 1), EStreamError, "Out of memory while expanding memory stream");
    stream.SetPosition(top - 1);
    EXPECT_RAISES(stream.WriteBuffer(&byte, 2), EStreamError, "Out of memory while expanding memory stream");
    EXPECT_EQ(stream.Bytes(), (std::vector<std::uint8_t>{1, 2, 3}));
    // A count too large for any stream is refused before anything is copied.
    stream.SetPosition(1);
    EXPECT_RAISES(stream.Write(&byte, top), EStreamError, "Out of memory while expanding memory stream");
    EXPECT_EQ(stream.Bytes(), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(StreamCopy, ANegativeCountCopiesNothing)
{
    TMemoryStream source(std::vector<std::uint8_t>{9, 8, 7, 6});
    source.SetPosition(1);
    TMemoryStream destination;
    EXPECT_EQ(destination.CopyFrom(source, -5), 0);
    EXPECT_EQ(destination.Size(), 0);
    EXPECT_EQ(source.Position(), 1);
}

TEST(FileStream, RoundTripThroughAFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string name = driveLetterPath(dir.filePath("dados.bin"));
    TMemoryStream out(std::vector<std::uint8_t>{'P', 'i', 'c', 0, 255});
    out.SaveToFile(name);

    TMemoryStream in;
    in.LoadFromFile(name);
    EXPECT_EQ(in.Bytes(), (std::vector<std::uint8_t>{'P', 'i', 'c', 0, 255}));

    TFileStream file(name, FileMode::OpenRead);
    EXPECT_EQ(file.Size(), 5);
    std::uint8_t buffer[8];
    file.SetPosition(3);
    EXPECT_RAISES(file.ReadBuffer(buffer, 3), EReadError, "Stream read error");
    EXPECT_EQ(file.Position(), 5);
}

TEST(FileStream, OpenAndCreateFailuresNameTheFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string missing = driveLetterPath(dir.filePath("nao_existe.bmp"));
    EXPECT_RAISES(TFileStream(missing, FileMode::OpenRead), EFOpenError, "Cannot open file " + missing);
    const std::string inMissingFolder = driveLetterPath(dir.filePath("pasta/novo.bmp"));
    EXPECT_RAISES(TFileStream(inMissingFolder, FileMode::Create), EFCreateError,
                  "Cannot create file " + inMissingFolder);
    // A directory is not a file to read.
    const std::string folder = driveLetterPath(dir.path());
    EXPECT_RAISES(TFileStream(folder, FileMode::OpenRead), EFOpenError, "Cannot open file " + folder);
}
