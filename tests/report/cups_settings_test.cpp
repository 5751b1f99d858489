// Printer settings read from real CUPS queues of a scheduler of the test's own.

#include "cups_server.h"

#include "platform/printers.h"
#include "report/printer_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(CupsPrinterSettings, AQueueAt600DotsPerInchOnLetterGivesTheDeviceFiguresAndTakesSettings)
{
    CupsServer cups;
    ASSERT_TRUE(cups.Running()) << cups.Error();
    ASSERT_TRUE(cups.AddGenericQueue("fine", "Letter", 600)) << cups.Error();
    platform::Printer printer;
    TPrinterSettings settings;
    settings.SetPrinter(&printer);
    EXPECT_EQ(settings.Device(), "fine");
    EXPECT_EQ(settings.PixelsPerX(), 600);
    // A printing offset of 100 pixels: 42.33 native units.
    EXPECT_EQ(settings.LeftOffset(), 42);
    EXPECT_EQ(settings.TopOffset(), 42);
    // A physical page of 5100 x 6600 pixels.
    EXPECT_EQ(settings.PaperWidth(), 2159);
    EXPECT_EQ(settings.PaperLength(), 2794);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Letter);
    EXPECT_EQ(settings.Copies(), 1);
    EXPECT_EQ(settings.OutputBin(), TQRBin::Auto);
    EXPECT_FALSE(settings.Duplex());
    for (TQRPaperSize paper : {TQRPaperSize::Letter, TQRPaperSize::Legal, TQRPaperSize::A3, TQRPaperSize::A4,
                               TQRPaperSize::A5, TQRPaperSize::B5, TQRPaperSize::Env10})
        EXPECT_TRUE(settings.Supported(paper)) << PaperInfo(paper).identifier;
    EXPECT_FALSE(settings.Supported(TQRPaperSize::Custom));

    settings.SetPaperSize(TQRPaperSize::A4);
    settings.SetCopies(2);
    settings.SetOrientation(poLandscape);
    settings.ApplySettings();
    const platform::DeviceMode mode = printer.deviceMode();
    EXPECT_EQ(mode.paperSize, 9);
    EXPECT_EQ(mode.copies, 2);
    EXPECT_EQ(mode.orientation, platform::DMORIENT_LANDSCAPE);
}

TEST(CupsPrinterSettings, WithoutASchedulerTheSettingsStayA4)
{
    CupsServer cups;
    cups.Stop();
    platform::Printer printer;
    TPrinterSettings settings;
    settings.SetPrinter(&printer);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::A4);
    EXPECT_EQ(settings.Device(), "");
    EXPECT_FALSE(settings.DevModeCarries(platform::DM_PAPERSIZE));
}

} // namespace
