// The printer object over a spooler of the test's own: which printer is selected, its device
// mode, and what the device reports for it.

#include "fake_spooler.h"

#include "platform/printers.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

class PrinterTest : public testing::Test {
protected:
    FakeSpooler spooler;
    Seam<Spooler>::Scoped scoped{spoolerSeam(), spooler};
};

TEST_F(PrinterTest, SelectsTheDefaultPrinterUntilAnIndexIsChosen)
{
    spooler.printers = {fakePrinter("first", 300), fakePrinter("second", 600)};
    spooler.defaultName = "second";
    Printer printer;
    EXPECT_EQ(printer.printers(), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(printer.printerIndex(), -1);
    ASSERT_NE(printer.current(), nullptr);
    EXPECT_EQ(printer.current()->device, "second");
    EXPECT_EQ(printer.pixelsPerInchX(), 600);

    EXPECT_TRUE(printer.setPrinterIndex(0));
    EXPECT_EQ(printer.current()->device, "first");
    EXPECT_FALSE(printer.setPrinterIndex(2));
    EXPECT_FALSE(printer.setPrinterIndex(-2));
    EXPECT_EQ(printer.printerIndex(), 0);
    EXPECT_TRUE(printer.setPrinterIndex(-1));
    EXPECT_EQ(printer.current()->device, "second");
}

TEST_F(PrinterTest, WithoutADefaultPrinterTheFirstOneIsUsed)
{
    spooler.printers = {fakePrinter("first", 300), fakePrinter("second", 600)};
    Printer printer;
    ASSERT_NE(printer.current(), nullptr);
    EXPECT_EQ(printer.current()->device, "first");
    // Described once, not at every question.
    printer.deviceMode();
    printer.printingOffset();
    EXPECT_EQ(spooler.describeCount, 1);
}

TEST_F(PrinterTest, WithNoPrinterInstalledNothingIsReportedAndNothingPrints)
{
    Printer printer;
    EXPECT_TRUE(printer.printers().empty());
    EXPECT_EQ(printer.current(), nullptr);
    EXPECT_EQ(printer.deviceMode().fields, 0u);
    EXPECT_EQ(printer.pixelsPerInchX(), 0);
    EXPECT_FALSE(printer.printingOffset().has_value());
    EXPECT_FALSE(printer.physicalPageSize().has_value());
    EXPECT_TRUE(printer.paperCodes().empty());
    EXPECT_FALSE(printer.setDeviceMode("anything", DeviceMode{}));
    EXPECT_FALSE(printer.beginDoc("title"));
    EXPECT_FALSE(printer.printing());
    EXPECT_EQ(printer.page(), nullptr);
    EXPECT_TRUE(spooler.jobs.empty());
}

TEST_F(PrinterTest, PrintingOffsetAndPhysicalPageFollowTheDeviceMode)
{
    PrinterDescription description = fakePrinter("p", 600);
    for (PaperSpec& paper : description.papers)
        paper.margins = PaperMargins{423, 500, 600, 700};
    description.customSizes = true;
    description.defaults.fields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    spooler.printers = {description};

    struct Row {
        const char* name;
        short paper;
        short orientation;
        short width, length;  // tenths of a millimetre, for a size of its own
        Point offset;
        Size page;
    };
    // 4.23 mm is 99.9 pixels at 600 per inch; A4 is 4960.6 x 7015.7, Letter 5100 x 6600.
    const Row rows[] = {
        {"A4 portrait", 9, DMORIENT_PORTRAIT, 0, 0, {100, 118}, {4961, 7016}},
        {"A4 landscape: the sheet's bottom edge is the left", 9, DMORIENT_LANDSCAPE, 0, 0, {165, 100}, {7016, 4961}},
        {"Letter portrait", 1, DMORIENT_PORTRAIT, 0, 0, {100, 118}, {5100, 6600}},
        {"a size of its own", DMPAPER_USER, DMORIENT_PORTRAIT, 1000, 2000, {100, 118}, {2362, 4724}},
        {"a code the device lacks prints on its default paper", 27, DMORIENT_PORTRAIT, 0, 0, {100, 118}, {4961, 7016}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Printer printer;
        DeviceMode mode = printer.deviceMode();
        mode.paperSize = row.paper;
        mode.orientation = row.orientation;
        mode.paperWidth = row.width;
        mode.paperLength = row.length;
        ASSERT_TRUE(printer.setDeviceMode("p", mode));
        EXPECT_EQ(printer.printingOffset(), row.offset);
        EXPECT_EQ(printer.physicalPageSize(), row.page);
    }
}

TEST_F(PrinterTest, ADeviceThatDoesNotTellItsMarginsReportsNoOffset)
{
    PrinterDescription description = fakePrinter("p", 300);
    for (PaperSpec& paper : description.papers)
        paper.margins.reset();
    spooler.printers = {description};
    Printer printer;
    EXPECT_FALSE(printer.printingOffset().has_value());
    EXPECT_EQ(printer.physicalPageSize(), (Size{2480, 3508}));
}

TEST_F(PrinterTest, PaperCodesListEveryPaperAndSizesOfItsOwnWhenTaken)
{
    PrinterDescription description = fakePrinter("p", 300);
    spooler.printers = {description};
    {
        Printer printer;
        EXPECT_EQ(printer.paperCodes(), (std::vector<int>{9, 1}));
    }
    spooler.printers[0].customSizes = true;
    Printer printer;
    EXPECT_EQ(printer.paperCodes(), (std::vector<int>{9, 1, DMPAPER_USER}));
}

TEST_F(PrinterTest, ADeviceModeForAnotherPrinterSelectsThatPrinter)
{
    spooler.printers = {fakePrinter("first", 300), fakePrinter("second", 600)};
    Printer printer;
    DeviceMode mode = printer.deviceMode();
    mode.copies = 3;
    ASSERT_TRUE(printer.setDeviceMode("second", mode));
    EXPECT_EQ(printer.printerIndex(), 1);
    EXPECT_EQ(printer.deviceMode().copies, 3);
    // Choosing a printer again starts from its own device mode.
    ASSERT_TRUE(printer.setPrinterIndex(0));
    EXPECT_EQ(printer.deviceMode().copies, 1);
}

TEST_F(PrinterTest, JobsGetTheDeviceModeAndAJobLeftRunningEndsWithThePrinter)
{
    spooler.printers = {fakePrinter("p", 50)};
    {
        Printer printer;
        DeviceMode mode = printer.deviceMode();
        mode.copies = 2;
        printer.setDeviceMode("p", mode);
        ASSERT_TRUE(printer.beginDoc("Report"));
        EXPECT_TRUE(printer.printing());
        // The printer cannot change hands while a job runs.
        EXPECT_FALSE(printer.setPrinterIndex(0));
        ASSERT_NE(printer.page(), nullptr);
        printer.newPage();
    }
    ASSERT_EQ(spooler.jobs.size(), 1u);
    EXPECT_EQ(spooler.jobs[0].title, "Report");
    EXPECT_EQ(spooler.jobs[0].mode.copies, 2);
    EXPECT_TRUE(spooler.jobs[0].ended);
    EXPECT_EQ(spooler.jobs[0].pages.size(), 2u);

    Printer printer;
    ASSERT_TRUE(printer.beginDoc("Dropped"));
    printer.abortDoc();
    EXPECT_FALSE(printer.printing());
    EXPECT_TRUE(spooler.jobs[1].aborted);
    EXPECT_TRUE(spooler.jobs[1].pages.empty());
}

} // namespace
