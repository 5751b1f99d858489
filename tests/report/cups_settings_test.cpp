// Printer settings read from real CUPS queues of a scheduler of the test's own.

#include "cups_server.h"

#include "framework/forms.h"
#include "picture/bitmap/bitmap.h"
#include "platform/printers.h"
#include "report/printer_settings.h"
#include "report/qr_printer.h"
#include "report/quick_rep.h"

#include <gtest/gtest.h>

#include <memory>

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

// The viewer's page: A4 with 3 mm margins at zoom 40, a white detail band over the body and on it
// a picture (red on its left half, blue on its right) stretched over the band less 5 design
// pixels.
class PicturePage {
public:
    explicit PicturePage(TPrinterOrientation orientation)
    {
        report = new TQuickRep(&form);
        report->SetParent(&form);
        report->SetUnits(TQRUnit::MM);
        report->Page()->SetValues("(30.0 2970.0 30.0 2100.0 30.0 30.0 0.0)");
        report->SetZoom(40);
        report->Page()->SetOrientation(orientation);
        auto* band = new TQRBand(&form);
        band->SetBandType(rbDetail);
        band->SetParent(report);
        band->SetColor(clWhite);
        band->SetHeight(report->Height() - 2 * band->Top());
        auto* image = new TQRImage(&form);
        image->SetParent(band);
        image->SetBounds(1, 1, band->Width() - 5, band->Height() - 5);
        image->SetStretch(true);
        TBitmap bitmap;
        bitmap.SetPixelLayout(pl24Bit);
        bitmap.SetWidth(2);
        bitmap.SetHeight(1);
        bitmap.Surface().SetPixels(0, 0, TColor(0x0000FF));
        bitmap.Surface().SetPixels(1, 0, TColor(0xFF0000));
        TPicture picture;
        picture.ReplaceGraphic(&bitmap);
        image->SetPicture(&picture);
    }

    Seam<bool()>::Scoped metric{UsMeasurementSeam(), [] { return false; }};
    TForm form{nullptr};
    TQuickRep* report = nullptr;
};

bool near(const QColor& colour, Qt::GlobalColor expected)
{
    const QColor want(expected);
    return std::abs(colour.red() - want.red()) < 40 && std::abs(colour.green() - want.green()) < 40 &&
           std::abs(colour.blue() - want.blue()) < 40;
}

TEST(CupsReportPrinting, ThePrintedPageShowsThePictureWhereTheLayoutPutsIt)
{
    CupsServer cups;
    ASSERT_TRUE(cups.Running()) << cups.Error();
    ASSERT_TRUE(cups.AddGenericQueue("paper", "A4")) << cups.Error();
    ASSERT_TRUE(cups.SetDefault("paper")) << cups.Error();
    PicturePage page(poPortrait);
    page.report->SetReportTitle("picture.bmp");
    page.report->Print();
    ASSERT_TRUE(cups.WaitForJobs("paper")) << cups.Error();
    // At 20 pixels per inch a pixel is 1.27 mm; A4 is 165 x 234 pixels.
    const std::vector<QImage> pages = cups.RasterisedOutput("paper", 20);
    ASSERT_EQ(pages.size(), 1u) << cups.Error();
    const QImage& sheet = pages.front();
    EXPECT_NEAR(sheet.width(), 165, 1);
    EXPECT_NEAR(sheet.height(), 234, 1);
    // The picture covers 3.7 mm to 206.3 mm across and 3.7 mm to 290.3 mm down, red on its
    // left half (up to 105 mm), blue on its right.
    auto at = [&](double xMm, double yMm) { return sheet.pixelColor(int(xMm / 1.27), int(yMm / 1.27)); };
    EXPECT_TRUE(near(at(1, 1), Qt::white)) << "outside the picture";
    EXPECT_TRUE(near(at(8, 8), Qt::red));
    EXPECT_TRUE(near(at(95, 150), Qt::red));
    EXPECT_TRUE(near(at(115, 150), Qt::blue));
    EXPECT_TRUE(near(at(200, 285), Qt::blue));
    EXPECT_TRUE(near(at(209, 295), Qt::white));
}

TEST(CupsReportPrinting, WithoutAPrinterPrintDoesNothing)
{
    CupsServer cups;
    ASSERT_TRUE(cups.Running()) << cups.Error();
    PicturePage page(poPortrait);
    int runs = 0;
    page.report->BeforePrint = [&](TObject*, bool&) { ++runs; };
    page.report->Print();
    EXPECT_EQ(runs, 0) << "no run, no job";
    page.report->Prepare();
    EXPECT_EQ(runs, 1) << "a preview needs no printer";
}

} // namespace
