// The glue between the library's callbacks and the program: message numbers, the progress
// throttle, and the destination's short writes.

#include "jpeg_reference.h"
#include "support/test_support.h"

#include "framework/streams.h"
#include "picture/jpeg/jpeg_glue.h"
#include "picture/jpeg/jpeg_image.h"

#include <jerror.h>

#include <vector>

namespace {

TEST(JPEGMessageNumber, FollowsTheClassicNumbering)
{
    // The classic list starts with JERR_BAD_ALIGN_TYPE right after the "no message" entry;
    // this build keeps a message for arithmetic coding in front of it.
    EXPECT_EQ(jpeg::messageNumber(JMSG_NOMESSAGE), 0);
    EXPECT_EQ(jpeg::messageNumber(JERR_BAD_ALIGN_TYPE), 1);
    EXPECT_EQ(jpeg::messageNumber(JERR_XMS_WRITE), JERR_XMS_WRITE - 1);
    // The examples users know: empty input and a failed write.
    EXPECT_EQ(jpeg::messageNumber(JERR_INPUT_EMPTY), 41);
    EXPECT_EQ(jpeg::messageNumber(JERR_FILE_WRITE), 36);
}

TEST(JPEGMessageNumber, CodesAfterTheErrorsStayAsTheyAre)
{
    EXPECT_EQ(jpeg::messageNumber(JMSG_COPYRIGHT), int(JMSG_COPYRIGHT));
    EXPECT_EQ(jpeg::messageNumber(JWRN_JPEG_EOF), int(JWRN_JPEG_EOF));
    EXPECT_EQ(jpeg::messageNumber(JERR_BAD_CROP_SPEC), int(JERR_BAD_CROP_SPEC));
}

// The progress monitor driven by hand: a decompressor record whose counters the test sets,
// and a clock the test sets.
class ProgressMonitorTest : public testing::Test {
protected:
    struct Report {
        TProgressStage stage;
        int percent;
        bool redraw;
        TRect rect;
    };

    void SetUp() override
    {
        now = 0;
        jpeg::setTickSource([] { return now; });
        image.OnProgress = [this](TObject* sender, TProgressStage stage, std::uint8_t percent, bool redraw,
                                  const TRect& r, const std::string& msg) {
            EXPECT_EQ(sender, &image);
            EXPECT_EQ(msg, "");
            reports.push_back({stage, percent, redraw, r});
        };
        info.client_data = &session;
        info.progress = &session.progress;
        info.output_width = 300;
        info.output_height = 200;
        session.progress.total_passes = 1;
        session.progress.pass_limit = 200;
    }
    void TearDown() override { jpeg::setTickSource(nullptr); }

    // One call of the monitor at time `at` with the given pass counter and output row.
    void call(std::uint32_t at, long counter, unsigned scanline)
    {
        now = at;
        session.progress.pass_counter = counter;
        info.output_scanline = scanline;
        session.progress.progress_monitor(reinterpret_cast<j_common_ptr>(&info));
    }

    static inline std::uint32_t now = 0;
    TJPEGImage image;
    jpeg::Session session{&image, true};
    jpeg_decompress_struct info{};
    std::vector<Report> reports;
};

TEST_F(ProgressMonitorTest, FirstCallOnlyStartsTheClock)
{
    call(10000, 100, 100);
    EXPECT_TRUE(reports.empty());
    call(10499, 120, 120);
    EXPECT_TRUE(reports.empty()) << "within 500 ms of the first call";
    call(10500, 120, 120);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].stage, psRunning);
    EXPECT_EQ(reports[0].percent, 60);  // 120 of 200
    EXPECT_EQ(reports[0].rect, (TRect{0, 0, 300, 120}));
    EXPECT_TRUE(reports[0].redraw);
}

TEST_F(ProgressMonitorTest, ReportsOnlyChangedPercentagesAtMostTwiceASecond)
{
    call(10000, 0, 0);
    call(11000, 50, 50);    // 25 %
    call(11200, 100, 100);  // too soon
    call(11600, 51, 51);    // 25 % again: nothing, but the time is taken
    call(12000, 120, 120);  // within 500 ms of the call before
    call(12100, 120, 120);  // 60 %
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].percent, 25);
    EXPECT_EQ(reports[0].rect, (TRect{0, 0, 300, 50}));
    EXPECT_EQ(reports[1].percent, 60);
    // Rows from the last reported row (50) to the current one.
    EXPECT_EQ(reports[1].rect, (TRect{0, 50, 300, 120}));
}

TEST_F(ProgressMonitorTest, NewPassRunsTheRectangleToTheBottom)
{
    session.progress.total_passes = 2;
    call(10000, 0, 0);
    call(11000, 150, 150);  // 150/200 of pass 1 of 2: 37 %
    session.progress.completed_passes = 1;
    call(12000, 2, 2);  // (0.01 + 1) × 100 / 2 = 50.5
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].percent, 37);
    EXPECT_EQ(reports[1].percent, 50);
    EXPECT_EQ(reports[1].rect, (TRect{0, 150, 300, 200}));
    EXPECT_TRUE(reports[1].redraw);
}

TEST_F(ProgressMonitorTest, ThinRectangleIsNoRedraw)
{
    call(10000, 0, 0);
    call(11000, 3, 3);  // 1 %, rows 0 to 3
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rect.height(), 3);
    EXPECT_FALSE(reports[0].redraw);
}

TEST_F(ProgressMonitorTest, EncoderReportsAnEmptyRectangle)
{
    jpeg::Session encoding{&image, false};
    info.client_data = &encoding;
    info.progress = &encoding.progress;
    encoding.progress.total_passes = 1;
    encoding.progress.pass_limit = 10;
    now = 10000;
    encoding.progress.progress_monitor(reinterpret_cast<j_common_ptr>(&info));
    now = 11000;
    encoding.progress.pass_counter = 7;
    encoding.progress.progress_monitor(reinterpret_cast<j_common_ptr>(&info));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].percent, 70);
    EXPECT_EQ(reports[0].rect, TRect{});
    EXPECT_FALSE(reports[0].redraw);
}

TEST_F(ProgressMonitorTest, ZeroPassLimitCountsAsNoProgressInThePass)
{
    session.progress.total_passes = 2;
    session.progress.pass_limit = 0;
    session.progress.completed_passes = 1;
    call(10000, 0, 0);
    call(11000, 5, 5);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].percent, 50);
}

// A stream that takes only the first `room` bytes written to it.
class ShortStream : public TStream {
public:
    explicit ShortStream(std::int64_t room) : m_room(room) {}
    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void*, std::int64_t count) override
    {
        const std::int64_t taken = std::min(count, m_room);
        m_room -= taken;
        return taken;
    }
    std::int64_t Seek(std::int64_t, SeekOrigin) override { return 0; }

private:
    std::int64_t m_room;
};

bool compressInto(jpeg::Session& session, jpeg_compress_struct& info, TStream& stream, const jpeg_test::Picture& picture)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    if (setjmp(session.jump))
        return false;
    jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof(info));
    jpeg::useStreamDestination(&info, stream);
    info.image_width = JDIMENSION(picture.width);
    info.image_height = JDIMENSION(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.row(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

TEST(JPEGStreamDestination, ShortWriteIsWriteError)
{
    const jpeg_test::Picture picture = jpeg_test::drawnPicture(320, 240);
    std::int64_t fileSize = 0;
    {
        jpeg::Session session(nullptr, false);
        jpeg::Compressor compressor(session);
        TMemoryStream whole;
        ASSERT_TRUE(compressInto(session, compressor.info, whole, picture));
        fileSize = whole.Size();
    }
    const auto buffer = std::int64_t(jpeg::bufferSize);
    ASSERT_GT(fileSize % buffer, 0);
    ASSERT_GT(fileSize, buffer);
    struct Row {
        const char* name;
        std::int64_t room;
    } rows[] = {
        {"a full buffer comes short", 100},
        {"the last partial buffer comes short", fileSize / buffer * buffer},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        jpeg::Session session(nullptr, false);
        jpeg::Compressor compressor(session);
        ShortStream stream(row.room);
        EXPECT_FALSE(compressInto(session, compressor.info, stream, picture));
        EXPECT_TRUE(session.fatal);
        EXPECT_EQ(session.code, int(JERR_FILE_WRITE));
        compressor.destroy();
        EXPECT_RAISES(std::rethrow_exception(session.failure()), EJPEG, "JPEG error #36");
    }
}

} // namespace
