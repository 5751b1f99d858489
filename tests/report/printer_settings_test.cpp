// Printer settings read from a device, the guarded setters, and writing them back into the
// device mode.

#include "report_fixture.h"

#include "platform/printers.h"

namespace {

using namespace platform;

class PrinterSettingsTest : public ReportTest {
protected:
    // A 600 pixels-per-inch device on Letter whose margins are 100 device pixels (4.23 mm).
    static PrinterDescription letterAt600()
    {
        PrinterDescription printer = fakePrinter("laser", 600, 423);
        printer.defaults.paperSize = 1;
        return printer;
    }
};

TEST_F(PrinterSettingsTest, ReadsTheDeviceFigures)
{
    spooler.printers = {letterAt600()};
    Printer printer;
    TPrinterSettings settings;
    settings.SetPrinter(&printer);
    EXPECT_EQ(settings.Device(), "laser");
    EXPECT_EQ(settings.Driver(), "laser.ppd");
    EXPECT_EQ(settings.Port(), "file:/dev/null");
    EXPECT_EQ(settings.PixelsPerX(), 600);
    EXPECT_EQ(settings.PixelsPerY(), 600);
    // 100 x 254 / 600 = 42.33.
    EXPECT_EQ(settings.LeftOffset(), 42);
    EXPECT_EQ(settings.TopOffset(), 42);
    // The physical page, 5100 x 6600 pixels.
    EXPECT_EQ(settings.PaperWidth(), 2159);
    EXPECT_EQ(settings.PaperLength(), 2794);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Letter);
    EXPECT_EQ(settings.Copies(), 1);
    EXPECT_EQ(settings.OutputBin(), TQRBin::Auto);
    EXPECT_FALSE(settings.Duplex());
    EXPECT_EQ(settings.Orientation(), poPortrait);
    EXPECT_TRUE(settings.Supported(TQRPaperSize::A4));
    EXPECT_TRUE(settings.Supported(TQRPaperSize::Letter));
    EXPECT_FALSE(settings.Supported(TQRPaperSize::LetterSmall));
    EXPECT_FALSE(settings.Supported(TQRPaperSize::Custom));
    EXPECT_DOUBLE_EQ(settings.PortraitWidth(), 2159);
    EXPECT_DOUBLE_EQ(settings.PortraitLength(), 2794);
}

TEST_F(PrinterSettingsTest, DeviceModeFieldsReadAsTheTableSays)
{
    struct Row {
        const char* name;
        std::uint32_t dropped;  // fields the device mode lacks
        short paper, source, duplex, copies;
        TQRPaperSize paperSize;
        TQRBin bin;
        bool isDuplex;
        int copiesRead;
    };
    const Row rows[] = {
        {"a paper code the table lacks", 0, 300, 7, 1, 2, TQRPaperSize::Default, TQRBin::Auto, false, 2},
        {"without a paper field", DM_PAPERSIZE, 9, 7, 1, 2, TQRPaperSize::Default, TQRBin::Auto, false, 2},
        {"source 1 is the first bin of that code", 0, 9, 1, 1, 2, TQRPaperSize::A4, TQRBin::First, false, 2},
        {"source 14 is the cassette", 0, 9, 14, 1, 2, TQRPaperSize::A4, TQRBin::Cassette, false, 2},
        {"a tray of the device's own", 0, 9, 300, 1, 2, TQRPaperSize::A4, TQRBin::First, false, 2},
        {"without a source field", DM_DEFAULTSOURCE, 9, 14, 1, 2, TQRPaperSize::A4, TQRBin::First, false, 2},
        {"duplex", 0, 9, 7, 2, 2, TQRPaperSize::A4, TQRBin::Auto, true, 2},
        {"duplex the device does not take", DM_DUPLEX, 9, 7, 3, 2, TQRPaperSize::A4, TQRBin::Auto, false, 2},
        {"without a copies field", DM_COPIES, 9, 7, 1, 5, TQRPaperSize::A4, TQRBin::Auto, false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PrinterDescription description = fakePrinter("p", 300);
        // A paper of the device's own, 100 x 150 mm.
        description.papers.push_back({300, "own", 10000, 15000, PaperMargins{}});
        DeviceMode& mode = description.defaults;
        mode.fields &= ~row.dropped;
        mode.paperSize = row.paper;
        mode.defaultSource = row.source;
        mode.duplex = row.duplex;
        mode.copies = row.copies;
        spooler.printers = {description};
        Printer printer;
        TPrinterSettings settings;
        settings.SetPrinter(&printer);
        EXPECT_EQ(settings.PaperSize(), row.paperSize);
        EXPECT_EQ(settings.OutputBin(), row.bin);
        EXPECT_EQ(settings.Duplex(), row.isDuplex);
        EXPECT_EQ(settings.Copies(), row.copiesRead);
    }
}

TEST_F(PrinterSettingsTest, ADeviceWithoutAPaperInTheTableGivesItsPhysicalPage)
{
    PrinterDescription description = fakePrinter("p", 600);
    description.papers.push_back({300, "own", 10000, 15000, PaperMargins{}});
    description.defaults.paperSize = 300;
    spooler.printers = {description};
    Printer printer;
    TPrinterSettings settings;
    settings.SetPrinter(&printer);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Default);
    // 2362 x 3543 pixels at 600 per inch.
    EXPECT_EQ(settings.PaperWidth(), 1000);
    EXPECT_EQ(settings.PaperLength(), 1500);
    EXPECT_DOUBLE_EQ(settings.PortraitWidth(), 1000);
    EXPECT_DOUBLE_EQ(settings.PortraitLength(), 1500);
}

TEST_F(PrinterSettingsTest, ADeviceThatDoesNotAnswerTheQueriesGivesZeros)
{
    PrinterDescription description = fakePrinter("p", 300);
    for (PaperSpec& paper : description.papers)
        paper.margins.reset();
    description.defaults.paperSize = 300;  // not among its papers either
    spooler.printers = {description};
    Printer printer;
    TPrinterSettings settings;
    settings.SetPrinter(&printer);
    EXPECT_EQ(settings.LeftOffset(), 0);
    EXPECT_EQ(settings.TopOffset(), 0);
    EXPECT_EQ(settings.PaperWidth(), 0);
    EXPECT_EQ(settings.PaperLength(), 0);
}

TEST_F(PrinterSettingsTest, SettersTakeOnlyWhatTheDeviceTakes)
{
    PrinterDescription description = fakePrinter("p", 300);
    description.defaults.fields &= ~(DM_COPIES | DM_ORIENTATION);
    spooler.printers = {description};
    Printer printer;
    TPrinterSettings settings;
    settings.SetPrinter(&printer);
    settings.SetCopies(3);
    EXPECT_EQ(settings.Copies(), 1);
    settings.SetOrientation(poLandscape);
    EXPECT_EQ(settings.Orientation(), poPortrait);
    settings.SetOutputBin(TQRBin::Cassette);
    EXPECT_EQ(settings.OutputBin(), TQRBin::Cassette);
    settings.SetPaperSize(TQRPaperSize::A3);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::A4);
    settings.SetPaperSize(TQRPaperSize::Letter);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Letter);
    settings.SetPaperWidth(1000);
    EXPECT_EQ(settings.PaperWidth(), 2100);  // the physical A4 page as read
    settings.SetPaperSize(TQRPaperSize::Default);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Default);
    settings.SetPaperSize(TQRPaperSize::Custom);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Default);  // the device takes no size of its own
}

TEST_F(PrinterSettingsTest, WithNoPrinterInstalledTheSettingsStayA4Portrait)
{
    Printer printer;
    TPrinterSettings settings;
    settings.SetPrinter(&printer);
    EXPECT_EQ(settings.Printer(), &printer);
    EXPECT_FALSE(settings.DevModeCarries(DM_COPIES));
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::A4);
    EXPECT_EQ(settings.Copies(), 0);
    EXPECT_EQ(settings.PixelsPerX(), 0);
    settings.SetCopies(2);
    settings.SetOrientation(poLandscape);
    settings.SetOutputBin(TQRBin::Manual);
    settings.SetPaperSize(TQRPaperSize::Letter);
    EXPECT_EQ(settings.Copies(), 0);
    EXPECT_EQ(settings.Orientation(), poPortrait);
    EXPECT_EQ(settings.OutputBin(), TQRBin::First);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::A4);
    settings.ApplySettings();  // nothing to write to
    settings.SetPaperSize(TQRPaperSize::Default);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Default);
}

TEST_F(PrinterSettingsTest, ApplyingWritesPaperCopiesSourceAndOrientationButNotDuplex)
{
    PrinterDescription description = fakePrinter("p", 300);
    description.customSizes = true;
    description.defaults.fields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    spooler.printers = {description};
    Printer printer;
    TPrinterSettings settings;
    settings.SetPrinter(&printer);
    settings.SetPaperSize(TQRPaperSize::Letter);
    settings.SetCopies(3);
    settings.SetOutputBin(TQRBin::Cassette);
    settings.SetOrientation(poLandscape);
    settings.ApplySettings();
    DeviceMode mode = printer.deviceMode();
    EXPECT_EQ(mode.paperSize, 1);
    EXPECT_EQ(mode.copies, 3);
    EXPECT_EQ(mode.defaultSource, 14);
    EXPECT_EQ(mode.orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(mode.duplex, DMDUP_SIMPLEX);

    settings.SetPaperSize(TQRPaperSize::Custom);
    settings.SetPaperWidth(1200);
    settings.SetPaperLength(1800);
    settings.ApplySettings();
    mode = printer.deviceMode();
    EXPECT_EQ(mode.paperSize, DMPAPER_USER);
    EXPECT_EQ(mode.paperWidth, 1200);
    EXPECT_EQ(mode.paperLength, 1800);
    EXPECT_DOUBLE_EQ(settings.PortraitWidth(), 1200);

    // Default leaves the device's paper; a field the device lacks is not written.
    settings.SetPaperSize(TQRPaperSize::Default);
    spooler.printers[0].defaults.fields &= ~DM_COPIES;
    Printer other;
    TPrinterSettings again;
    again.SetPrinter(&other);
    again.SetPaperSize(TQRPaperSize::Default);
    again.ApplySettings();
    EXPECT_EQ(other.deviceMode().paperSize, 9);
    EXPECT_EQ(other.deviceMode().copies, 1);
}

TEST(TQuickRepPrinterSettings, StartsWithOneCopyOfAllPagesOnTheDefaultPrinter)
{
    TQuickRepPrinterSettings settings;
    EXPECT_EQ(settings.Copies(), 1);
    EXPECT_FALSE(settings.Duplex());
    EXPECT_EQ(settings.FirstPage(), 0);
    EXPECT_EQ(settings.LastPage(), 0);
    EXPECT_EQ(settings.OutputBin(), TQRBin::First);
    EXPECT_EQ(settings.PrinterIndex(), -1);
    EXPECT_EQ(BinCode(TQRBin::Upper), 1);
    EXPECT_EQ(BinCode(TQRBin::Last), 14);
}

} // namespace
