// The preview control: attaching a report printer, zooming, page numbers, and the painted sheet.

#include "report_fixture.h"

#include "report/qr_preview.h"
#include "report/qr_printer.h"

#include <QCoreApplication>
#include <QImage>
#include <QWidget>

namespace {

class PreviewTest : public ReportTest {
protected:
    // An A4 portrait report of `pages` pages, prepared for a preview at 96 pixels per inch.
    TQRPrinter* prepared(int pages = 1)
    {
        TQuickRep* report = programReport();
        TQRBand* band = addBand(report, rbDetail);
        band->SetColor(clBlue);
        auto records = std::make_shared<int>(0);
        report->OnNeedData = [records, pages](TObject*, bool& more) { more = ++*records <= pages; };
        band->Size()->SetNativeHeight(2000);
        report->Prepare();
        return report->QRPrinter();
    }
    TQRPreview* makePreview(int width, int height)
    {
        if (!form)
            form = std::make_unique<TForm>(nullptr);
        auto* preview = new TQRPreview(form.get());
        preview->SetParent(form.get());
        preview->SetBounds(0, 0, width, height);
        return preview;
    }
};

TEST_F(PreviewTest, ANewPreviewIsDetachedAtZoom100)
{
    TQRPreview* preview = makePreview(250, 250);
    EXPECT_EQ(preview->Zoom(), 100);
    EXPECT_EQ(preview->PageNumber(), 1);
    EXPECT_EQ(preview->ZoomState(), TQRZoomState::Explicit);
    EXPECT_TRUE(preview->HorzScrollBar()->Tracking());
    EXPECT_FALSE(preview->PreviewImage()->PageShown());
    // Without a report printer the page is 215.9 x 279.4 at 100 %: 95 % of the width.
    preview->ZoomToWidth();
    EXPECT_EQ(preview->Zoom(), 110);  // 250 / 215.9 * 95 = 110.0
    EXPECT_EQ(preview->PreviewImage()->Width(), 241);  // 237.49 rounded, + 4
}

TEST_F(PreviewTest, ZoomToWidthAndToFitOnAnA4Page)
{
    TQRPrinter* printer = prepared();
    TQRPreview* preview = makePreview(560, 387);
    preview->SetQRPrinter(printer);
    ASSERT_TRUE(preview->PreviewImage()->PageShown());
    preview->ZoomToWidth();
    EXPECT_EQ(preview->Zoom(), 63);  // 560 / 794 * 90 = 63.48
    EXPECT_EQ(preview->ZoomState(), TQRZoomState::Width);
    EXPECT_EQ(preview->PreviewImage()->Width(), 504);  // 500.03 + 4
    EXPECT_EQ(preview->PreviewImage()->Left(), 28);
    EXPECT_EQ(preview->PreviewImage()->Top(), 0) << "taller than the preview";

    preview->ZoomToFit();
    EXPECT_EQ(preview->Zoom(), 33);  // min(67.00, 32.74)
    EXPECT_EQ(preview->ZoomState(), TQRZoomState::Fit);
    EXPECT_EQ(preview->PreviewImage()->Height(), 374);  // 370.43 rounded, + 4
    EXPECT_EQ(preview->PreviewImage()->Top(), 6);

    // Resizing re-applies the mode.
    preview->SetBounds(0, 0, 560, 800);
    EXPECT_EQ(preview->Zoom(), 67);
    preview->SetZoom(50);
    preview->SetBounds(0, 0, 900, 800);
    EXPECT_EQ(preview->Zoom(), 50);
    EXPECT_EQ(preview->PreviewImage()->Left(), (900 - 401) / 2);
}

TEST_F(PreviewTest, ZoomsOutsideTwoTo2000AndImpossiblePagesAreIgnored)
{
    TQRPreview* preview = makePreview(560, 387);
    struct Row {
        int zoom;
        int expected;
    };
    for (const Row& row : {Row{1, 100}, Row{2001, 100}, Row{2, 2}, Row{2000, 2000}}) {
        preview->SetZoom(row.zoom);
        EXPECT_EQ(preview->Zoom(), row.expected) << row.zoom;
    }
    TQRPrinter* printer = prepared(1);
    preview->SetQRPrinter(printer);
    for (int page : {2, 0, -1, 1})
        preview->SetPageNumber(page);
    EXPECT_EQ(preview->PageNumber(), 1);
    EXPECT_EQ(preview->PreviewImage()->PageNumber(), 1);
}

TEST_F(PreviewTest, PagesAreShownByTheirOwnNumberNotThePrintersSelection)
{
    TQRPrinter* printer = prepared(3);
    TQRPreview* preview = makePreview(560, 387);
    preview->SetQRPrinter(printer);
    preview->SetPageNumber(3);
    EXPECT_EQ(preview->PageNumber(), 3);
    EXPECT_EQ(preview->PreviewImage()->PageNumber(), 3);
    printer->SetPageNumber(1);
    EXPECT_EQ(preview->PageNumber(), 3);
    EXPECT_TRUE(preview->PreviewImage()->PageShown());
}

TEST_F(PreviewTest, APrinterAttachedBeforeGenerationShowsItsFirstPageWhenItIsAvailable)
{
    TQRPrinter printer;
    TQRPreview* preview = makePreview(560, 387);
    std::vector<int> announced;
    preview->OnPageAvailable = [&](TObject*, int page) { announced.push_back(page); };
    preview->SetQRPrinter(&printer);
    EXPECT_TRUE(printer.ShowingPreview());
    EXPECT_EQ(printer.ProgressWindow(), preview);
    EXPECT_FALSE(preview->PreviewImage()->PageShown());

    printer.BeginDoc();
    printer.NewPage();
    printer.NewPage();
    EXPECT_FALSE(preview->PreviewImage()->PageShown()) << "nothing before messages are processed";
    QCoreApplication::processEvents();
    EXPECT_TRUE(preview->PreviewImage()->PageShown());
    EXPECT_EQ(preview->Zoom(), 63) << "zoomed to the width";
    printer.EndDoc();
    QCoreApplication::processEvents();
    EXPECT_EQ(announced, (std::vector<int>{1, 2}));

    // Detaching ends the preview; a printer released while attached is forgotten.
    int afterPreview = 0;
    printer.AfterPreview = [&](TObject*) { ++afterPreview; };
    preview->SetQRPrinter(nullptr);
    EXPECT_FALSE(printer.ShowingPreview());
    EXPECT_EQ(afterPreview, 1);
    {
        TQRPrinter shortLived;
        preview->SetQRPrinter(&shortLived);
    }
    EXPECT_EQ(preview->QRPrinter(), nullptr);
    delete preview;
}

TEST_F(PreviewTest, DetachingWhileThePrinterIsGeneratingCancelsIt)
{
    TQRPrinter printer;
    TQRPreview* preview = makePreview(560, 387);
    preview->SetQRPrinter(&printer);
    printer.BeginDoc();
    preview->SetQRPrinter(nullptr);
    EXPECT_TRUE(printer.Cancelled());
}

TEST_F(PreviewTest, TheSheetIsPaintedWithItsPageOutlineAndShadow)
{
    TQRPrinter* printer = prepared();
    TQRPreview* preview = makePreview(560, 387);
    preview->SetQRPrinter(printer);
    preview->SetZoom(20);  // 163 x 229 with the allowance
    TQRPreviewImage* image = preview->PreviewImage();
    ASSERT_EQ(image->Width(), 163);
    ASSERT_EQ(image->Height(), 229);
    QWidget* viewport = preview->ClientWidget();
    ASSERT_NE(viewport, nullptr);
    const QImage shot = viewport->grab().toImage();
    const QPoint at(image->Left(), image->Top());
    auto colour = [&](int x, int y) { return shot.pixelColor(at + QPoint(x, y)); };
    EXPECT_EQ(colour(0, 0), QColor(Qt::black)) << "outline";
    EXPECT_EQ(colour(160, 100), QColor(Qt::black)) << "outline right";
    EXPECT_EQ(colour(161, 100), QColor(Qt::black)) << "shadow";
    EXPECT_EQ(colour(2, 228), QColor(Qt::black)) << "shadow";
    EXPECT_NE(colour(1, 228), QColor(Qt::black)) << "the shadow begins 2 pixels in";
    EXPECT_EQ(colour(2, 1), QColor(Qt::white)) << "paper";
    EXPECT_EQ(colour(80, 100), QColor(Qt::blue)) << "the band";
}

} // namespace
