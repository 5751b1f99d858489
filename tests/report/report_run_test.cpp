// Generating a report: the report printer's states, conversions and page range, the run of the
// bands, preparing pages for a preview, printing onto a printer, and the notifications a
// progress window receives.

#include "report_fixture.h"

#include "framework/application.h"
#include "framework/std_controls.h"
#include "picture/bitmap/bitmap.h"
#include "picture/metafile/metafile.h"
#include "platform/paths.h"
#include "report/qr_print_dialog.h"
#include "report/qr_printer.h"
#include "report/qr_progress_form.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <optional>

namespace {

constexpr TColor pictureRed = TColor(0x0000FF);

// The message of the report error the call raises; empty when it raises none.
template <class F>
std::string errorOf(F call)
{
    try {
        call();
    } catch (const EQRError& error) {
        return error.Message();
    }
    return {};
}

// A progress window that writes down what reaches it.
class RecordingWindow : public TQRProgressWindow {
public:
    std::vector<int> pages;
    std::vector<int> progress;

protected:
    void PageAvailable(int pageNumber) override { pages.push_back(pageNumber); }
    void ProgressUpdate(int percent) override { progress.push_back(percent); }
};

class ReportRunTest : public ReportTest {
protected:
    // The program's report with its band and picture laid out for portrait, the picture red.
    TQuickRep* pictureReport()
    {
        TQuickRep* report = programReport();
        TQRBand* band = addBand(report, rbDetail);
        band->SetColor(clWhite);
        TQRImage* image = addImage(band);
        band->SetHeight(report->Height() - 2 * band->Top());
        image->SetBounds(1, 1, band->Width() - 5, band->Height() - 5);
        image->SetStretch(true);
        TBitmap bitmap;
        bitmap.SetPixelLayout(pl24Bit);
        bitmap.SetWidth(4);
        bitmap.SetHeight(4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                bitmap.Surface().SetPixels(x, y, pictureRed);
        TPicture picture;
        picture.ReplaceGraphic(&bitmap);
        image->SetPicture(&picture);
        return report;
    }
    // A report of `pages` pages: each record's detail band fills most of a page, its colour
    // telling the record.
    TQuickRep* pagesReport(int pages)
    {
        TQuickRep* report = programReport();
        TQRBand* band = addBand(report, rbDetail);
        band->Size()->SetNativeHeight(2000);
        auto records = std::make_shared<int>(0);
        report->OnNeedData = [records, pages](TObject*, bool& more) { more = ++*records <= pages; };
        band->BeforePrint = [records, band](TObject*, bool&) { band->SetColor(recordColour(*records)); };
        return report;
    }
    static TColor recordColour(int record) { return TColor(platform::rgb(std::uint8_t(40 * record), 0, 0)); }

    void installPrinter(int dpi, int margin)
    {
        spooler.printers = {fakePrinter("office", dpi, margin)};
        spooler.defaultName = "office";
    }
};

TEST_F(ReportRunTest, TheProgramsReportPreparesOneScreenPageWithThePictureInsideTheBand)
{
    TQuickRep* report = pictureReport();
    report->Prepare();
    TQRPrinter* printer = report->QRPrinter();
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(printer->Status(), TQRPrinterStatus::Complete);
    EXPECT_EQ(printer->PageCount(), 1);
    EXPECT_EQ(printer->AvailablePages(), 1);
    EXPECT_FALSE(report->Running());
    // Screen pixels: 96 per inch over 254 tenths of a millimetre, no offsets.
    EXPECT_DOUBLE_EQ(printer->XFactor(), 96.0 / 254);
    EXPECT_EQ(printer->LeftOffset(), 0);
    EXPECT_EQ(printer->XSize(printer->PaperWidth()), 794);   // 793.70
    EXPECT_EQ(printer->YSize(printer->PaperLength()), 1123);  // 1122.52
    EXPECT_EQ(report->Units(), TQRUnit::MM);

    std::unique_ptr<TGraphic> page = printer->GetPage(1);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Width(), 794);
    EXPECT_EQ(page->Height(), 1123);
    EXPECT_EQ(printer->GetPage(2), nullptr);
    EXPECT_EQ(printer->GetPage(0), nullptr);

    // Played back at its own size: white margins, the picture where the band and image put it
    // (band at 30 native = 11 pixels, image one design pixel further in).
    TBitmap shown;
    shown.SetPixelLayout(pl24Bit);
    shown.SetWidth(794);
    shown.SetHeight(1123);
    shown.Surface().Brush().SetColor(clSilver);
    shown.Surface().FillRect(TRect{0, 0, 794, 1123});
    shown.Surface().StretchDraw(TRect{0, 0, 794, 1123}, page.get());
    EXPECT_EQ(shown.Surface().Pixels(5, 5), clSilver) << "the page draws no paper of its own";
    EXPECT_EQ(shown.Surface().Pixels(12, 12), clWhite) << "the band is white around the image";
    EXPECT_EQ(shown.Surface().Pixels(400, 560), pictureRed);
    EXPECT_EQ(shown.Surface().Pixels(790, 1119), clSilver);

    // Taking the report printer leaves the report without one.
    std::unique_ptr<TQRPrinter> taken = report->TakeQRPrinter();
    EXPECT_EQ(taken.get(), printer);
    EXPECT_EQ(report->QRPrinter(), nullptr);
}

TEST_F(ReportRunTest, PrintingConvertsWithThePrintersResolutionLessItsUnprintableMargin)
{
    // A margin of 4.23 mm: 100 pixels at 600 per inch.
    installPrinter(600, 423);
    TQRPrinter printer;
    ASSERT_TRUE(printer.PrinterOK());
    printer.SetDestination(TQRPrinterDestination::ToPrinter);
    printer.BeginDoc();
    EXPECT_EQ(printer.LeftOffset(), 42);  // 42.3
    EXPECT_EQ(printer.TopOffset(), 42);
    EXPECT_DOUBLE_EQ(printer.XFactor(), 600.0 / 254);
    EXPECT_EQ(printer.XPos(30), -28);  // -28.3
    EXPECT_EQ(printer.YPos(30), -28);
    EXPECT_EQ(printer.XSize(2100), 4961);
    // A preview ignores the margin.
    TQRPrinter preview;
    preview.BeginDoc();
    EXPECT_EQ(preview.XPos(30), 11);
    preview.EndDoc();
    printer.AbortDoc();
}

TEST_F(ReportRunTest, CallsOutOfStateRaiseTheirErrors)
{
    TQRPrinter printer;
    EXPECT_EQ(errorOf([&] { printer.NewPage(); }), "Illegal call to NewPage");
    printer.BeginDoc();
    EXPECT_EQ(errorOf([&] { printer.BeginDoc(); }), "QRPrinter not ready");
    printer.NewPage();
    printer.EndDoc();
    EXPECT_EQ(printer.Status(), TQRPrinterStatus::Complete);
    EXPECT_EQ(errorOf([&] { printer.NewPage(); }), "Illegal call to NewPage");
    EXPECT_EQ(errorOf([&] { printer.BeginDoc(); }), "QRPrinter not ready");
    printer.Cleanup();
    EXPECT_EQ(printer.Status(), TQRPrinterStatus::Ready);
    EXPECT_EQ(printer.GetPage(1), nullptr);
    printer.BeginDoc();
    EXPECT_EQ(printer.Status(), TQRPrinterStatus::Busy);
}

TEST_F(ReportRunTest, ThePageRangeDecidesWhichPagesBecomeDevicePages)
{
    installPrinter(75, 0);
    struct Row {
        int first, last;
        std::vector<int> records;  // the records on the printed pages, in order
    };
    const Row rows[] = {{2, 2, {2}}, {0, 0, {1, 2, 3}}, {2, 0, {2, 3}}, {0, 1, {1}}, {4, 5, {}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.first << ".." << row.last);
        spooler.jobs.clear();
        TQuickRep* report = pagesReport(3);
        report->PrinterSettings()->SetFirstPage(row.first);
        report->PrinterSettings()->SetLastPage(row.last);
        report->SetReportTitle("three pages");
        report->Print();
        EXPECT_EQ(report->QRPrinter(), nullptr) << "released when printing ends";
        if (row.records.empty()) {
            EXPECT_TRUE(spooler.jobs.empty()) << "no page in range: no job";
            continue;
        }
        ASSERT_EQ(spooler.jobs.size(), 1u);
        const FakeSpooler::Job& job = spooler.jobs.front();
        EXPECT_TRUE(job.ended);
        EXPECT_EQ(job.title, "three pages");
        ASSERT_EQ(job.pages.size(), row.records.size());
        for (std::size_t i = 0; i < row.records.size(); ++i) {
            // The band starts 30 native down the page: 9 pixels at 75 per inch.
            const QColor colour = job.pages[i].pixelColor(100, 100);
            EXPECT_EQ(colour.red(), 40 * row.records[i]) << "page " << i + 1;
        }
    }
}

TEST_F(ReportRunTest, ThePrintedPageShowsThePictureWhereTheLayoutPutsIt)
{
    installPrinter(100, 500);
    TQuickRep* report = pictureReport();
    EXPECT_TRUE(report->Print());
    ASSERT_EQ(spooler.jobs.size(), 1u);
    ASSERT_EQ(spooler.jobs.front().pages.size(), 1u);
    const QImage& page = spooler.jobs.front().pages.front();
    EXPECT_EQ(page.width(), 827);  // A4 at 100 per inch
    // An unprintable margin of 20 pixels; the band begins 3 mm in (pixel 12 of the paper), the
    // image 1 design pixel (0.66 mm) further (pixel 14) and ends at 803 across and 1144 down.
    EXPECT_EQ(page.pixelColor(12, 12), QColor(Qt::white)) << "band";
    EXPECT_EQ(page.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(400, 600), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(800, 1140), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(808, 1150), QColor(Qt::white)) << "band";
    EXPECT_EQ(page.pixelColor(820, 1160), QColor(Qt::white));
}

TEST_F(ReportRunTest, WithoutAPrinterPrintDoesNothingAndAPreviewPageStaysA4Portrait)
{
    TQuickRep* report = pictureReport();
    report->Page()->SetOrientation(poLandscape);
    EXPECT_FALSE(report->Print());
    EXPECT_EQ(report->QRPrinter(), nullptr);
    EXPECT_TRUE(spooler.jobs.empty());
    report->Prepare();
    TQRPrinter* printer = report->QRPrinter();
    EXPECT_FALSE(printer->PrinterOK());
    EXPECT_EQ(printer->PageCount(), 1);
    EXPECT_EQ(printer->XSize(printer->PaperWidth()), 794);
    EXPECT_EQ(printer->YSize(printer->PaperLength()), 1123);
}

TEST_F(ReportRunTest, BeforePrintCanStopTheRunAndBandsRunInTheirOrder)
{
    TQuickRep* report = programReport();
    std::vector<std::string> printed;
    for (TQRBandType type : {rbSummary, rbDetail, rbPageFooter, rbTitle, rbPageHeader}) {
        TQRBand* band = addBand(report, type);
        band->Size()->SetNativeHeight(100);
        band->AfterPrint = [&printed, type](TObject*, bool done) {
            if (done)
                printed.push_back(BandTypeCaption(type));
        };
    }
    report->BeforePrint = [](TObject*, bool& print) { print = false; };
    report->Prepare();
    EXPECT_EQ(report->QRPrinter()->Status(), TQRPrinterStatus::Ready);
    EXPECT_TRUE(printed.empty());

    report->BeforePrint = nullptr;
    report->Prepare();
    EXPECT_EQ(report->QRPrinter()->PageCount(), 1);
    // The header needs FirstPageHeader on page 1, the footer LastPageFooter on the last page.
    const std::vector<std::string> expected{BandTypeCaption(rbPageHeader), BandTypeCaption(rbTitle),
                                            BandTypeCaption(rbDetail), BandTypeCaption(rbSummary),
                                            BandTypeCaption(rbPageFooter)};
    EXPECT_EQ(printed, expected);

    printed.clear();
    report->SetOptions(0);
    report->SetPrintIfEmpty(false);
    report->Prepare();
    EXPECT_EQ(report->QRPrinter()->PageCount(), 1);
    EXPECT_TRUE(printed.empty());
}

TEST_F(ReportRunTest, NotificationsArriveWhenMessagesAreProcessedAndNotAfterTheWindowHasGone)
{
    TQRPrinter printer;
    auto window = std::make_unique<RecordingWindow>();
    printer.SetProgressWindow(window.get());
    printer.BeginDoc();
    printer.NewPage();
    printer.NewPage();
    printer.SetProgress(50);
    printer.EndDoc();
    EXPECT_TRUE(window->pages.empty()) << "posted, not delivered at once";
    QCoreApplication::processEvents();
    EXPECT_EQ(window->pages, (std::vector<int>{1, 2}));
    EXPECT_EQ(window->progress, std::vector<int>{50});
    EXPECT_EQ(printer.AvailablePages(), 2);

    printer.SetProgress(60);
    window.reset();
    QCoreApplication::processEvents();  // the posted call is dropped with its window
    // The printer still names the window but lets it be.
    EXPECT_EQ(printer.ProgressWindow(), nullptr);
    printer.SetProgress(70);
}

TEST_F(ReportRunTest, PageSelectionTakesAStoredPage)
{
    TQuickRep* report = pagesReport(3);
    report->Prepare();
    TQRPrinter* printer = report->QRPrinter();
    ASSERT_EQ(printer->PageCount(), 3);
    printer->SetPageNumber(2);
    EXPECT_EQ(printer->PageNumber(), 2);
    ASSERT_NE(printer->SelectedPage(), nullptr);
    printer->SetPageNumber(4);
    printer->SetPageNumber(0);
    EXPECT_EQ(printer->PageNumber(), 2);
}

TEST_F(ReportRunTest, PrinterSetupTakesCopiesAndThePageRangeFromTheDialog)
{
    installPrinter(75, 0);
    TQuickRep* report = pagesReport(3);
    std::optional<QRPrintDialogRequest> asked;
    QRPrintDialogResult answer;
    Seam<std::optional<QRPrintDialogResult>(const QRPrintDialogRequest&)>::Scoped dialog(
        QRPrintDialogSeam(), [&](const QRPrintDialogRequest& request) {
            asked = request;
            return std::optional<QRPrintDialogResult>(answer);
        });
    report->PrinterSetup();
    EXPECT_FALSE(asked) << "no report printer yet";

    report->Prepare();
    answer = {2, QRPrintDialogResult::Pages, 2, 3};
    report->PrinterSetup();
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->maxPage, 3);
    EXPECT_EQ(asked->toPage, 3);
    EXPECT_EQ(asked->copies, 1);
    EXPECT_EQ(report->PrinterSettings()->Copies(), 2);
    EXPECT_EQ(report->PrinterSettings()->FirstPage(), 2);
    EXPECT_EQ(report->PrinterSettings()->LastPage(), 3);

    answer = {1, QRPrintDialogResult::All, 0, 0};
    report->PrinterSetup();
    EXPECT_EQ(report->PrinterSettings()->FirstPage(), 0);
    EXPECT_EQ(report->PrinterSettings()->LastPage(), 0);
}

TEST_F(ReportRunTest, PreviewShowsThroughItsHandlerAndWaitsUntilThePreviewIsOver)
{
    TApplication application;
    TQuickRep* report = pictureReport();
    TQRPrinter* shown = nullptr;
    std::function<void()> closeWhenDone;
    int afterPreview = 0;
    report->AfterPreview = [&](TObject*) { ++afterPreview; };
    report->OnPreview = [&](TObject* sender) {
        shown = dynamic_cast<TQRPrinter*>(sender);
        shown->SetShowingPreview(true);
        // The user closes the preview once the page is there.
        closeWhenDone = [&] {
            if (shown->Status() != TQRPrinterStatus::Complete) {
                QMetaObject::invokeMethod(QCoreApplication::instance(), closeWhenDone, Qt::QueuedConnection);
                return;
            }
            EXPECT_FALSE(report->Running());
            EXPECT_EQ(shown->PageCount(), 1);
            shown->SetShowingPreview(false);
        };
        QMetaObject::invokeMethod(QCoreApplication::instance(), closeWhenDone, Qt::QueuedConnection);
    };
    report->Preview();
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(afterPreview, 1);
    EXPECT_EQ(report->QRPrinter(), nullptr) << "released when the preview ends";
}

TEST_F(ReportRunTest, TheProgressWindowMovesInStepsOfFiveAndCancels)
{
    TQRPrinter printer;
    TQRProgressForm progress(nullptr);
    EXPECT_EQ(progress.Caption(), "Printing progress");
    EXPECT_EQ(progress.ProgressBar->BoundsRect(), (TRect{10, 10, progress.ClientWidth() - 10, 25}));
    progress.SetQRPrinter(&printer);
    printer.SetProgressWindow(&progress);
    printer.SetProgress(10);
    QCoreApplication::processEvents();
    EXPECT_EQ(progress.ProgressBar->Position(), 10);
    EXPECT_EQ(progress.Info->Caption(), "10%  Completed");
    printer.SetProgress(13);
    QCoreApplication::processEvents();
    EXPECT_EQ(progress.ProgressBar->Position(), 10) << "only multiples of 5";
    EXPECT_EQ(progress.CancelButton->Caption(), "Cancel");
    progress.CancelButton->Click();
    EXPECT_TRUE(printer.Cancelled());
    printer.SetProgressWindow(nullptr);
}

TEST_F(ReportRunTest, ASavedReportLoadsAndPrintsItsStoredPagesOverThePaper)
{
    TQuickRep* report = pagesReport(2);
    report->Prepare();
    QTemporaryDir dir;
    const std::string name = platform::toDriveLetterPath(dir.filePath("saved.qrp").toStdString()).value();
    report->QRPrinter()->Save(name);

    installPrinter(50, 0);
    TQRPrinter loaded;
    loaded.OnPrint = [](TObject*) { FAIL() << "a loaded report prints its stored pages"; };
    loaded.Load(name);
    EXPECT_EQ(loaded.Status(), TQRPrinterStatus::Complete);
    EXPECT_EQ(loaded.PageCount(), 2);
    loaded.SetTitle("saved");
    loaded.Print();
    ASSERT_EQ(spooler.jobs.size(), 1u);
    const FakeSpooler::Job& job = spooler.jobs.front();
    EXPECT_TRUE(job.ended);
    ASSERT_EQ(job.pages.size(), 2u);
    // A4 at 50 per inch is 413 x 585; the band of each record starts 3 mm (6 pixels) in and its
    // page, drawn over the whole paper, keeps it there.
    for (int page = 0; page < 2; ++page) {
        EXPECT_EQ(job.pages[std::size_t(page)].pixelColor(200, 200).red(), 40 * (page + 1)) << page;
        EXPECT_EQ(job.pages[std::size_t(page)].pixelColor(2, 2), QColor(Qt::white)) << page;
        // The band ends 3 mm before the right edge, at 406.5.
        EXPECT_EQ(job.pages[std::size_t(page)].pixelColor(404, 200).red(), 40 * (page + 1)) << page;
        EXPECT_EQ(job.pages[std::size_t(page)].pixelColor(410, 200), QColor(Qt::white)) << page;
    }
}

} // namespace
