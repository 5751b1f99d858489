// The printer object against a real CUPS scheduler of the test's own: queues with the generic
// PostScript driver writing into files, which are rasterised to look at the printed page.

#include "cups_server.h"

#include "platform/device_context.h"
#include "platform/printers.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace platform;

class CupsPrintingTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cups.Running()) << cups.Error(); }

    CupsServer cups;
};

TEST_F(CupsPrintingTest, ListsTheQueuesAndDescribesTheDefaultOne)
{
    ASSERT_TRUE(cups.AddGenericQueue("plain", "A4")) << cups.Error();
    ASSERT_TRUE(cups.AddGenericQueue("other", "Letter")) << cups.Error();
    ASSERT_TRUE(cups.SetDefault("plain")) << cups.Error();
    Printer printer;
    EXPECT_EQ(printer.printers().size(), 2u);
    const PrinterDescription* device = printer.current();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->device, "plain");
    EXPECT_EQ(device->port, "file:" + cups.OutputFile("plain"));
    EXPECT_FALSE(device->driver.empty());
    EXPECT_EQ(device->dpiX, 300);
    EXPECT_EQ(device->dpiY, 300);
    const DeviceMode mode = printer.deviceMode();
    EXPECT_TRUE(mode.carries(DM_PAPERSIZE));
    EXPECT_TRUE(mode.carries(DM_COPIES));
    EXPECT_TRUE(mode.carries(DM_ORIENTATION));
    EXPECT_TRUE(mode.carries(DM_DEFAULTSOURCE));
    // The generic driver prints one-sided only, and only its own paper sizes.
    EXPECT_FALSE(mode.carries(DM_DUPLEX));
    EXPECT_FALSE(mode.carries(DM_PAPERWIDTH));
    EXPECT_EQ(mode.paperSize, 9);
    EXPECT_EQ(mode.copies, 1);
    EXPECT_EQ(mode.orientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(mode.defaultSource, 7);  // automatic selection
    const std::vector<int> codes = printer.paperCodes();
    for (int code : {1, 5, 7, 8, 9, 11, 13, 20})
        EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code;
    // 12 points of margin at 300 per inch, and A4 as the driver has it (595 x 842 points).
    EXPECT_EQ(printer.printingOffset(), (Point{50, 50}));
    EXPECT_EQ(printer.physicalPageSize(), (Size{2479, 3508}));
}

TEST_F(CupsPrintingTest, AFineDeviceReportsItsPixelsPerInch)
{
    ASSERT_TRUE(cups.AddGenericQueue("fine", "Letter", 600)) << cups.Error();
    Printer printer;
    ASSERT_NE(printer.current(), nullptr);
    EXPECT_EQ(printer.pixelsPerInchX(), 600);
    EXPECT_EQ(printer.pixelsPerInchY(), 600);
    EXPECT_EQ(printer.deviceMode().paperSize, 1);
    EXPECT_EQ(printer.printingOffset(), (Point{100, 100}));
    EXPECT_EQ(printer.physicalPageSize(), (Size{5100, 6600}));
}

TEST_F(CupsPrintingTest, ASchedulerWithoutQueuesHasNoPrinter)
{
    Printer printer;
    EXPECT_TRUE(printer.printers().empty());
    EXPECT_EQ(printer.current(), nullptr);
    EXPECT_FALSE(printer.beginDoc("nothing"));
}

TEST_F(CupsPrintingTest, WithoutASchedulerThereIsNoPrinterAndNoFileIsWritten)
{
    cups.Stop();
    QTemporaryDir folder;
    const QString home = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    Printer printer;
    EXPECT_TRUE(printer.printers().empty());
    EXPECT_FALSE(printer.beginDoc("nothing"));
    // Nor does a description made while the queue was there get a job into a file.
    PrinterDescription gone;
    gone.device = "plain";
    EXPECT_EQ(systemSpooler().startJob(gone, DeviceMode{}, "nothing"), nullptr);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
    QDir::setCurrent(home);
}

TEST_F(CupsPrintingTest, AQueueRemovedBeforeTheJobRefusesIt)
{
    ASSERT_TRUE(cups.AddGenericQueue("plain", "A4")) << cups.Error();
    Printer printer;
    ASSERT_NE(printer.current(), nullptr);
    ASSERT_TRUE(cups.RemoveQueue("plain")) << cups.Error();
    EXPECT_FALSE(printer.beginDoc("nothing"));
    EXPECT_FALSE(printer.printing());
}

TEST_F(CupsPrintingTest, APageIsPrintedWithItsOriginAtThePrintableCorner)
{
    ASSERT_TRUE(cups.AddGenericQueue("plain", "A4")) << cups.Error();
    Printer printer;
    ASSERT_TRUE(printer.beginDoc("Pictavo test page"));
    ASSERT_NE(printer.page(), nullptr);
    BrushSpec black;
    black.colour = 0x000000;
    printer.page()->fillRect(Rect{200, 300, 500, 700}, black);
    printer.endDoc();
    ASSERT_TRUE(cups.WaitForJobs("plain")) << cups.Error();

    const std::vector<QImage> pages = cups.RasterisedOutput("plain", 100);
    ASSERT_EQ(pages.size(), 1u) << cups.Error();
    const QImage& page = pages[0];
    EXPECT_NEAR(page.width(), 827, 1);
    EXPECT_NEAR(page.height(), 1169, 1);
    // The printable area starts 50 device pixels in: the rectangle covers 250..550 x 350..750
    // device pixels of the paper, 83.3..183.3 x 116.7..250 at 100 per inch.
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128) {
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
    EXPECT_NEAR(left, 83, 1);
    EXPECT_NEAR(top, 117, 1);
    EXPECT_NEAR(right, 183, 1);
    EXPECT_NEAR(bottom, 249, 1);
}

} // namespace
