// Report lengths: the unit conversions, rounding, and the stored "Values" lists.

#include "report_fixture.h"

#include <cmath>
#include <limits>

namespace {

TEST(QRRound, RoundsHalvesToEvenAndStopsAtTheIntRange)
{
    struct Row {
        double value;
        int rounded;
    };
    const Row rows[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {4.535, 5}, {317.48, 317},
        {449.01, 449}, {-28.35, -28}, {793.70, 794}, {1e12, std::numeric_limits<int>::max()},
        {-1e12, std::numeric_limits<int>::min()}, {std::nan(""), 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(QRRound(row.value), row.rounded) << row.value;
}

TEST(QRDeviceMapping, PlacesPointsFromTheOffsetAndScalesLengths)
{
    // 600 printer pixels per inch with a printable area 42 native units in.
    QRDeviceMapping mapping{600 / 254.0, 600 / 254.0, 42, 42};
    EXPECT_EQ(mapping.XPos(30), -28);  // -28.35
    EXPECT_EQ(mapping.YPos(42), 0);
    EXPECT_EQ(mapping.XSize(254), 600);
    EXPECT_EQ(mapping.YSize(10), 24);  // 23.6
}

TEST(PaperTable, HoldsTheSizesAndCodesAsListed)
{
    EXPECT_STREQ(PaperInfo(TQRPaperSize::Default).displayText, "Default size");
    EXPECT_STREQ(PaperInfo(TQRPaperSize::Executive).displayText, "Executive7 1/2 x 10 in");
    EXPECT_STREQ(PaperInfo(TQRPaperSize::Env12).displayText, "Envelope #12 4 \xC2\xBE x 11");
    EXPECT_EQ(PaperInfo(TQRPaperSize::Note).length, 279.0);
    EXPECT_EQ(PaperInfo(TQRPaperSize::Env9).width, 98.43);
    EXPECT_EQ(PaperInfo(TQRPaperSize::ESheet).width, 100.0);
    EXPECT_EQ(PaperInfo(TQRPaperSize::Custom).deviceCode, 256);
    for (int i = 0; i < paperSizeCount - 1; ++i)
        EXPECT_EQ(PaperInfo(TQRPaperSize(i)).deviceCode, i);
    TQRPaperSize paper{};
    ASSERT_TRUE(PaperOfDeviceCode(9, paper));
    EXPECT_EQ(paper, TQRPaperSize::A4);
    ASSERT_TRUE(PaperOfDeviceCode(256, paper));
    EXPECT_EQ(paper, TQRPaperSize::Custom);
    EXPECT_FALSE(PaperOfDeviceCode(27, paper));
}

class UnitsTest : public ReportTest {};

TEST_F(UnitsTest, ConvertsNativeLengthsIntoEachUnitAndBack)
{
    TQuickRep* report = makeReport();
    report->Font()->SetHeight(-13);  // 10 points at 96 pixels per inch
    const TQRPage& page = *report->Page();
    ASSERT_EQ(page.ScreenResolution(), 96);
    struct Row {
        const char* name;
        TQRUnit unit;
        double native;
        QRAxis axis;
        double value;
    };
    const Row rows[] = {
        {"millimetres", TQRUnit::MM, 2100, QRAxis::Horizontal, 210},
        {"inches", TQRUnit::Inches, 2540, QRAxis::Vertical, 10},
        {"pixels at 96 per inch", TQRUnit::Pixels, 254, QRAxis::Horizontal, 96},
        // A character cell of 80 / 10 / 2.54 mm across and 145.3 / 10 / 2.54 mm down.
        {"characters across", TQRUnit::Characters, 2100, QRAxis::Horizontal, 210 / (80 / 10.0 / 2.54)},
        {"characters down", TQRUnit::Characters, 2970, QRAxis::Vertical, 297 / (145.3 / 10.0 / 2.54)},
        {"native", TQRUnit::Native, 123.25, QRAxis::Horizontal, 123.25},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(page.ToUnit(row.native, row.unit, row.axis), row.value, 1e-9);
        EXPECT_NEAR(page.FromUnit(row.value, row.unit, row.axis), row.native, 1e-9);
    }
    EXPECT_NEAR(page.ToUnit(2100, TQRUnit::Characters, QRAxis::Horizontal), 66.675, 1e-3);
}

TEST_F(UnitsTest, PixelsFollowTheZoom)
{
    TQuickRep* report = makeReport();
    report->SetZoom(40);
    const TQRPage& page = *report->Page();
    EXPECT_NEAR(page.ToUnit(2100, TQRUnit::Pixels, QRAxis::Horizontal), 317.48, 0.005);
    EXPECT_NEAR(page.ToUnit(2970, TQRUnit::Pixels, QRAxis::Vertical), 449.01, 0.005);
    // One design-surface pixel at zoom 40 and 96 per inch.
    EXPECT_NEAR(page.FromUnit(1, TQRUnit::Pixels, QRAxis::Horizontal), 6.6145833, 1e-7);
}

TEST_F(UnitsTest, NewHoldersShowInchesWhereTheLocaleMeasuresInInches)
{
    {
        Seam<bool()>::Scoped us(UsMeasurementSeam(), [] { return true; });
        TQRBand band(nullptr);
        EXPECT_EQ(band.Size()->Units(), TQRUnit::Inches);
    }
    TQRBand band(nullptr);
    EXPECT_EQ(band.Size()->Units(), TQRUnit::MM);
}

TEST_F(UnitsTest, ValuesListTheNativeNumbersInTheHolderOrderAndReadBackExactly)
{
    TQuickRep* report = makeReport();
    TQRPage& page = *report->Page();
    EXPECT_EQ(page.Values(), "(100 2970 100 2100 100 100 0)");
    page.SetValues("(30.0 2970.0 30.0 2100.0 30.0 30.0 0.0)");
    EXPECT_EQ(page.Values(), "(30 2970 30 2100 30 30 0)");
    EXPECT_EQ(page.NativeTopMargin(), 30);

    // Off a report, where no layout takes the width.
    TQRBand band(nullptr);
    band.Size()->SetValues("(2824.4270833333335 2037.2916666666667)");
    EXPECT_EQ(band.Size()->NativeHeight(), 2824.4270833333335);
    EXPECT_EQ(band.Size()->Values(), "(2824.4270833333335 2037.2916666666667)");

    for (const char* bad : {"(1 2 3)", "(1 2 3 4 5 6 x)", "1 2 3 4 5 6 7", "(1 2 3 4 5 6 7 8)", "(1 2 3 4 5 6 inf)"}) {
        SCOPED_TRACE(bad);
        EXPECT_RAISES(page.SetValues(bad), EConvertError, "Invalid property value");
    }
    EXPECT_EQ(page.NativeTopMargin(), 30);
}

} // namespace
