// The report's page, its pixel size on the design surface, the band layout, and the size holders
// of bands and printables.

#include "report_fixture.h"

#include "framework/design_reader.h"

namespace {

using QuickRepTest = ReportTest;

TEST_F(QuickRepTest, A4At96PixelsPerInchAndZoom40Is317By449AndTurnsToLandscape)
{
    TQuickRep* report = programReport();
    EXPECT_EQ(report->Width(), 317);  // 317.48
    EXPECT_EQ(report->Height(), 449);  // 449.01
    report->Page()->SetOrientation(poLandscape);
    EXPECT_EQ(report->Width(), 449);
    EXPECT_EQ(report->Height(), 317);
    EXPECT_EQ(report->Page()->NativeWidth(), 2970);
    EXPECT_EQ(report->Page()->NativeLength(), 2100);
    EXPECT_DOUBLE_EQ(report->Page()->Width(), 297);  // millimetres
    report->Page()->SetOrientation(poPortrait);
    EXPECT_EQ(report->Page()->NativeWidth(), 2100);
}

TEST_F(QuickRepTest, TheViewersLayoutOfBandAndPictureInBothOrientations)
{
    TQuickRep* report = programReport();
    TQRBand* band = addBand(report, rbDetail);
    TQRImage* image = addImage(band);
    // Margins of 4.535 pixels round to 5; the body is 317 less the rounded 9.07.
    EXPECT_EQ(band->Left(), 5);
    EXPECT_EQ(band->Top(), 5);
    EXPECT_EQ(band->Width(), 308);
    EXPECT_NEAR(band->Size()->NativeWidth(), 2037.2916666666667, 1e-9);

    struct Row {
        TPrinterOrientation orientation;
        TRect bandBounds;
        TSize imageSize;
    };
    const Row rows[] = {{poPortrait, {5, 5, 313, 444}, {303, 434}}, {poLandscape, {5, 5, 445, 312}, {435, 302}}};
    for (const Row& row : rows) {
        report->Page()->SetOrientation(row.orientation);
        band->SetHeight(report->Height() - 2 * band->Top());
        band->SetWidth(report->Width() - 2 * band->Left());  // the layout keeps the body width
        image->SetWidth(band->Width() - 5);
        image->SetHeight(band->Height() - 5);
        EXPECT_EQ(band->BoundsRect(), row.bandBounds);
        EXPECT_EQ(image->Width(), row.imageSize.cx);
        EXPECT_EQ(image->Height(), row.imageSize.cy);
    }
}

TEST_F(QuickRepTest, TurningKeepsTheSizeOfCustomAndDefaultPapers)
{
    TQuickRep* report = programReport();
    TQRPage& page = *report->Page();
    for (TQRPaperSize paper : {TQRPaperSize::Custom, TQRPaperSize::Default}) {
        page.SetPaperSize(TQRPaperSize::Custom);
        page.SetWidth(100);
        page.SetLength(200);
        page.SetPaperSize(paper);
        page.SetOrientation(poLandscape);
        EXPECT_EQ(page.NativeWidth(), 1000);
        EXPECT_EQ(page.NativeLength(), 2000);
        page.SetOrientation(poPortrait);
    }
    page.SetPaperSize(TQRPaperSize::Letter);
    EXPECT_NEAR(page.NativeWidth(), 2159, 1e-9);
    EXPECT_NEAR(page.NativeLength(), 2794, 1e-9);
}

TEST_F(QuickRepTest, LengthAndWidthAreTakenOnlyForCustomPaperAndTheReportFollows)
{
    TQuickRep* report = programReport();
    TQRPage& page = *report->Page();
    page.SetWidth(100);
    page.SetLength(100);
    EXPECT_EQ(page.NativeWidth(), 2100);
    EXPECT_EQ(report->Width(), 317);

    page.SetPaperSize(TQRPaperSize::Custom);
    page.SetWidth(100);
    EXPECT_EQ(page.NativeWidth(), 1000);
    EXPECT_EQ(report->Width(), 151);  // 151.18
    // A custom paper also takes its size from the design surface.
    report->SetBounds(report->Left(), report->Top(), 302, 302);
    EXPECT_NEAR(page.NativeWidth(), 302 * 6.6145833333, 1e-6);
    EXPECT_EQ(report->Height(), 302);
    // A standard paper does not.
    page.SetPaperSize(TQRPaperSize::A4);
    report->SetBounds(report->Left(), report->Top(), 100, 100);
    EXPECT_EQ(report->Width(), 317);
    EXPECT_EQ(page.NativeWidth(), 2100);
}

TEST_F(QuickRepTest, ZoomAndColumnsOutsideTheirRangesAreIgnored)
{
    TQuickRep* report = programReport();
    for (int zoom : {0, -5, 301})
        report->SetZoom(zoom);
    EXPECT_EQ(report->Zoom(), 40);
    report->SetZoom(300);
    EXPECT_EQ(report->Zoom(), 300);
    EXPECT_EQ(report->Width(), 2381);  // 2381.1
    report->SetZoom(1);
    EXPECT_EQ(report->Zoom(), 1);
    for (int columns : {0, -1})
        report->Page()->SetColumns(columns);
    EXPECT_EQ(report->Page()->Columns(), 1);
}

TEST_F(QuickRepTest, BandsAreLaidOutInTheReportsOrderWithColumnWidthsForDataBands)
{
    TQuickRep* report = programReport();
    report->SetZoom(100);
    report->Page()->SetColumns(2);
    report->Page()->SetColumnSpace(10);  // millimetres
    TQRBand* detail = addBand(report, rbDetail);
    TQRBand* summary = addBand(report, rbSummary);
    TQRBand* title = addBand(report, rbTitle);
    TQRBand* footer = addBand(report, rbPageFooter);
    TQRBand* header = addBand(report, rbPageHeader);
    TQRBand* columnHeader = addBand(report, rbColumnHeader);
    TQRBand* overlay = addBand(report, rbOverlay);
    auto* child = new TQRChildBand(form.get());
    child->SetParent(report);
    child->SetParentBand(title);
    EXPECT_TRUE(title->HasChild());
    EXPECT_EQ(title->ChildBand(), child);

    const std::vector<TQRCustomBand*> expected{header, title, child, columnHeader, detail, summary, footer, overlay};
    EXPECT_EQ(report->BandOrder(), expected);
    // 794 pixels wide; each margin is 11.34 pixels (11 at the left, 22.68 rounded to 23 for
    // both), the column space 37.8 (38).
    const int body = 794 - 23;
    const int column = (794 - 23 - 38) / 2;
    int y = 11;
    for (TQRCustomBand* band : expected) {
        SCOPED_TRACE(BandTypeCaption(band->BandType()));
        EXPECT_EQ(band->Left(), 11);
        EXPECT_EQ(band->Top(), y);
        const bool dataBand = band == columnHeader || band == detail;
        EXPECT_EQ(band->Width(), dataBand ? column : body);
        y += band->Height();
    }
    // A child band is as wide as the band it follows.
    EXPECT_EQ(child->Width(), body);
}

TEST_F(QuickRepTest, ABandTakesItsHeightFromItsControlButNotItsWidth)
{
    TQuickRep* report = programReport();
    TQRBand* first = addBand(report, rbTitle);
    TQRBand* second = addBand(report, rbDetail);
    const double width = first->Size()->NativeWidth();
    first->SetWidth(50);
    EXPECT_EQ(first->Width(), 308);
    EXPECT_EQ(first->Size()->NativeWidth(), width);
    first->SetHeight(100);
    EXPECT_NEAR(first->Size()->NativeHeight(), 661.4583333, 1e-6);
    EXPECT_EQ(second->Top(), 105);
    // Moved away, a band is put back by the layout.
    first->SetBounds(40, 60, first->Width(), first->Height());
    EXPECT_EQ(first->Left(), 5);
    EXPECT_EQ(first->Top(), 5);
    // Its size in the report's units.
    first->Size()->SetHeight(20);  // millimetres
    EXPECT_EQ(first->Height(), 30);  // 30.24
    EXPECT_EQ(second->Top(), 35);
}

TEST_F(QuickRepTest, NewBandsAndImagesHaveTheirDesignSizes)
{
    TQRBand band(nullptr);
    EXPECT_EQ(band.Height(), 40);
    EXPECT_NEAR(band.Size()->NativeHeight(), 40 * 254.0 / 96, 1e-9);
    EXPECT_EQ(band.BandType(), rbTitle);
    EXPECT_EQ(band.Color(), clWhite);
    TQRImage image(nullptr);
    EXPECT_EQ(image.Width(), 105);
    EXPECT_EQ(image.Height(), 105);
    EXPECT_STREQ(BandTypeCaption(rbColumnHeader), "Column Header");
    EXPECT_STREQ(BandTypeComponentName(rbSubDetail), "SubDetailBand");
}

TEST_F(QuickRepTest, APrintablesValuesGiveItsPixelBoundsAndBoundsGiveItsValues)
{
    TQuickRep* report = programReport();
    TQRBand* band = addBand(report, rbDetail);
    TQRImage* image = addImage(band);
    image->Size()->SetValues("(2784.7395833333335 6.614583333333333 6.614583333333333 2017.4479166666667)");
    EXPECT_EQ(image->BoundsRect(), (TRect{1, 1, 306, 422}));
    image->SetBounds(2, 3, 10, 20);
    EXPECT_NEAR(image->Size()->NativeLeft(), 2 * 6.6145833333, 1e-6);
    EXPECT_NEAR(image->Size()->NativeTop(), 3 * 6.6145833333, 1e-6);
    EXPECT_NEAR(image->Size()->NativeWidth(), 10 * 6.6145833333, 1e-6);
    EXPECT_NEAR(image->Size()->NativeHeight(), 20 * 6.6145833333, 1e-6);
    // Twice the zoom, twice the pixels.
    report->SetZoom(80);
    EXPECT_EQ(image->BoundsRect(), (TRect{4, 6, 24, 46}));
    EXPECT_EQ(band->Width(), 635 - 18);  // 634.96, less both margins of 9.07
}

TEST_F(QuickRepTest, UnitsReachThePageEveryBandAndEveryPrintable)
{
    TQuickRep* report = programReport();
    TQRBand* band = addBand(report, rbDetail);
    TQRImage* image = addImage(band);
    auto* loose = new TQRImage(form.get());
    loose->SetParent(report);
    report->SetUnits(TQRUnit::Inches);
    EXPECT_EQ(report->Page()->Units(), TQRUnit::Inches);
    EXPECT_EQ(band->Size()->Units(), TQRUnit::Inches);
    EXPECT_EQ(image->Size()->Units(), TQRUnit::Inches);
    EXPECT_EQ(loose->Size()->Units(), TQRUnit::Inches);
    EXPECT_NEAR(report->Page()->TopMargin(), 30 / 254.0, 1e-12);
    report->Page()->SetTopMargin(1);
    EXPECT_EQ(report->Page()->NativeTopMargin(), 254);
    EXPECT_EQ(band->Top(), 38);  // 38.4
    // A band placed later takes the report's units too.
    TQRBand* later = addBand(report, rbSummary);
    EXPECT_EQ(later->Size()->Units(), TQRUnit::Inches);
}

TEST_F(QuickRepTest, ANewReportTakesThePaperOfTheCurrentPrinter)
{
    {
        TQuickRep* report = makeReport();
        EXPECT_EQ(report->Page()->PaperSize(), TQRPaperSize::A4);
    }
    {
        Seam<bool()>::Scoped us(UsMeasurementSeam(), [] { return true; });
        TQuickRep* report = makeReport();
        EXPECT_EQ(report->Page()->PaperSize(), TQRPaperSize::A4);  // no printer: A4 all the same
        EXPECT_EQ(report->Page()->NativeTopMargin(), 127);
    }
    spooler.printers = {fakePrinter("p", 300)};
    spooler.printers[0].defaults.paperSize = 1;
    EXPECT_EQ(makeReport()->Page()->PaperSize(), TQRPaperSize::Letter);
    // A paper the table lacks leaves the page's size as it was.
    spooler.printers[0].defaults.paperSize = 27;
    TQuickRep* report = makeReport();
    EXPECT_EQ(report->Page()->PaperSize(), TQRPaperSize::Default);
    EXPECT_EQ(report->Page()->NativeWidth(), 2100);
}

TEST_F(QuickRepTest, TheProgramsReportReadsFromItsDesign)
{
    RegisterFrameworkClasses();
    RegisterReportClasses();
    form = std::make_unique<TForm>(nullptr);
    ReadDesignText(*form, R"json({
      "class": "TForm", "name": "ImprimeGrafico",
      "components": [{
        "class": "TQuickRep", "name": "QuickRep",
        "properties": {
          "Left": 0, "Top": 0, "Width": 317, "Height": 449,
          "Font": {"Name": "Arial", "Height": -13},
          "Units": "MM", "Zoom": 40, "PrintIfEmpty": true, "Options": [],
          "Page": {"PaperSize": "A4", "Columns": 1, "Values": "(30.0 2970.0 30.0 2100.0 30.0 30.0 0.0)"},
          "PrinterSettings": {"Copies": 1, "FirstPage": 0, "LastPage": 0, "OutputBin": "First"}
        },
        "components": [{
          "class": "TQRBand", "name": "DetailBand",
          "properties": {
            "Left": 5, "Top": 5, "Width": 308, "Height": 427, "Color": "clWhite", "BandType": "rbDetail",
            "Size.Values": "(2824.4270833333335 2037.2916666666667)"
          },
          "components": [{
            "class": "TQRImage", "name": "QRImage",
            "properties": {
              "Left": 1, "Top": 1, "Width": 305, "Height": 421, "Stretch": true,
              "Size.Values": "(2784.7395833333335 6.614583333333333 6.614583333333333 2017.4479166666667)"
            }
          }]
        }]
      }]
    })json", {}, "report design");
    auto* report = dynamic_cast<TQuickRep*>(form->FindComponent("QuickRep"));
    auto* band = dynamic_cast<TQRBand*>(form->FindComponent("DetailBand"));
    auto* image = dynamic_cast<TQRImage*>(form->FindComponent("QRImage"));
    ASSERT_TRUE(report && band && image);
    EXPECT_EQ(report->Units(), TQRUnit::MM);
    EXPECT_EQ(report->Options(), 0u);
    EXPECT_EQ(report->Font()->Size(), 10);
    EXPECT_EQ(report->BoundsRect(), (TRect{0, 0, 317, 449}));
    EXPECT_EQ(band->BoundsRect(), (TRect{5, 5, 313, 432}));
    EXPECT_EQ(image->BoundsRect(), (TRect{1, 1, 306, 422}));
    EXPECT_TRUE(image->Stretch());
    EXPECT_EQ(report->Page()->NativeLeftMargin(), 30);
    EXPECT_EQ(report->BandOrder(), std::vector<TQRCustomBand*>{band});
}

} // namespace
