// The viewer's printing: the page laid out by the picture's shape, the preview window and its
// buttons, printing on a printer of the tests' own, and batch printing through a real CUPS
// scheduler.

#include "app/other_forms.h"
#include "app/startup.h"
#include "app/viewer_form.h"
#include "filelists/filelists.h"
#include "framework/application.h"
#include "platform/paths.h"
#include "report/qr_preview.h"
#include "report/qr_printer.h"
#include "report/quick_rep.h"

#include "cups_server.h"
#include "fake_spooler.h"
#include "support/test_support.h"
#include "support/test_pictures.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QTest>
#include <QTemporaryDir>

#include <filesystem>
#include <functional>

using namespace testing_support;

namespace {

// The program after start-up's first steps, its messages caught.
struct ViewerProgram {
    ViewerProgram()
    {
        application.SetTitle(ViewerTitle);
        RegisterViewerClasses();
        CreateViewerWindows();
    }

    std::vector<std::string> messages;
    Seam<void(const std::string&, const std::string&)>::Scoped presenter{
        MessagePresenter(), [this](const std::string&, const std::string& text) { messages.push_back(text); }};
    TApplication application;
};

class PrintCommandsTest : public ::testing::Test {
protected:
    PrintCommandsTest()
    {
        spooler.printers = {fakePrinter("office", 50)};
        spooler.defaultName = "office";
    }

    std::string picture(const std::string& name, int width, int height)
    {
        return writeFile(directory.path().toStdString(), name, quadrantBitmap(width, height));
    }

    // Previews the file; `whileShown` runs once the preview window shows the page, then the
    // preview is replaced by none, which ends the report's preview.
    void preview(const std::string& file, std::function<void(TQRPreview&)> whileShown)
    {
        std::function<void()> check = [&] {
            TQRPreview& control = *Form_PrintPreview->QRPreview;
            if (!control.PreviewImage()->PageShown()) {
                QMetaObject::invokeMethod(QCoreApplication::instance(), check, Qt::QueuedConnection);
                return;
            }
            whileShown(control);
            control.SetQRPrinter(nullptr);
        };
        QMetaObject::invokeMethod(QCoreApplication::instance(), check, Qt::QueuedConnection);
        ImprimeGrafico->VisualizarImagem(file);
    }

    FakeSpooler spooler;
    platform::ScopedSpooler scopedSpooler{spooler};
    ViewerProgram program;
    const std::vector<std::string>& messages = program.messages;
    QTemporaryDir directory;
};

TEST_F(PrintCommandsTest, ThePagesOrientationBandAndImageFollowThePicturesShape)
{
    struct Row {
        int width, height;
        TPrinterOrientation orientation;
        TSize band, image, sheet;  // design pixels, and the preview's page at 100 %
    };
    const Row rows[] = {
        {300, 200, poLandscape, {440, 307}, {435, 302}, {1123, 794}},
        {200, 300, poPortrait, {308, 439}, {303, 434}, {794, 1123}},
        {200, 200, poLandscape, {440, 307}, {435, 302}, {1123, 794}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height);
        preview(picture("p.bmp", row.width, row.height), [&](TQRPreview& control) {
            TQRPrinter& printer = *control.QRPrinter();
            EXPECT_EQ(printer.XSize(printer.PaperWidth()), row.sheet.cx);
            EXPECT_EQ(printer.YSize(printer.PaperLength()), row.sheet.cy);
            EXPECT_TRUE(Form_PrintPreview->Visible());
            EXPECT_EQ(control.ZoomState(), TQRZoomState::Width);
        });
        EXPECT_EQ(ImprimeGrafico->QuickRep->Page()->Orientation(), row.orientation);
        EXPECT_EQ(ImprimeGrafico->DetailBand->Width(), row.band.cx);
        EXPECT_EQ(ImprimeGrafico->DetailBand->Height(), row.band.cy);
        EXPECT_EQ(ImprimeGrafico->QRImage->Width(), row.image.cx);
        EXPECT_EQ(ImprimeGrafico->QRImage->Height(), row.image.cy);
        EXPECT_EQ(ImprimeGrafico->QRImage->Picture()->Graphic(), nullptr) << "held only while previewing";
        EXPECT_EQ(ImprimeGrafico->QuickRep->QRPrinter(), nullptr);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(PrintCommandsTest, AFileThatCannotBeReadLeavesTheLayoutAsItWas)
{
    const std::string broken = writeFile(directory.path().toStdString(), "broken.bmp", "BM but nothing more");
    ImprimeGrafico->LayOut(picture("wide.bmp", 300, 200));
    ImprimeGrafico->QRImage->SetPicture(nullptr);
    EXPECT_ANY_THROW(ImprimeGrafico->ImprimirImagem(broken));
    EXPECT_EQ(ImprimeGrafico->QuickRep->Page()->Orientation(), poLandscape);
    EXPECT_EQ(ImprimeGrafico->DetailBand->Width(), 440);
    EXPECT_TRUE(spooler.jobs.empty());
}

// A click of the preview window's toolbar button of that name, as the mouse gives it.
void clickPreviewButton(const char* name)
{
    auto* button = dynamic_cast<TControl*>(Form_PrintPreview->FindComponent(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
}

TEST_F(PrintCommandsTest, TheHundredPercentButtonThenTheFirstPageKeepsTheZoom)
{
    preview(picture("p.bmp", 300, 200), [](TQRPreview& control) {
        clickPreviewButton("ToolbarButton971");
        EXPECT_EQ(control.Zoom(), 100);
        clickPreviewButton("tbar_primeira");
        clickPreviewButton("tbar_proxima");
        clickPreviewButton("tbar_ultima");
        EXPECT_EQ(control.Zoom(), 100);
        EXPECT_EQ(control.PageNumber(), 1);
        EXPECT_EQ(control.QRPrinter()->PageNumber(), 1);
        clickPreviewButton("tbar_vizualizarnotamanho");
        EXPECT_EQ(control.ZoomState(), TQRZoomState::Fit);
        clickPreviewButton("tbar_zoomtowidth");
        EXPECT_EQ(control.ZoomState(), TQRZoomState::Width);
    });
}

TEST_F(PrintCommandsTest, PrintingStraightAwayGivesThePageThatPrintingFromThePreviewGives)
{
    const std::string file = picture("quadros.bmp", 300, 200);
    ImprimeGrafico->ImprimirImagem(file);
    ASSERT_EQ(spooler.jobs.size(), 1u);
    preview(file, [](TQRPreview&) { clickPreviewButton("tbar_Imprimir"); });
    ASSERT_EQ(spooler.jobs.size(), 2u);
    const FakeSpooler::Job& straight = spooler.jobs[0];
    const FakeSpooler::Job& fromPreview = spooler.jobs[1];
    ASSERT_EQ(straight.pages.size(), 1u);
    ASSERT_EQ(fromPreview.pages.size(), 1u);
    EXPECT_EQ(straight.pages[0], fromPreview.pages[0]);
    EXPECT_EQ(straight.title, "quadros.bmp");
    EXPECT_EQ(straight.mode.orientation, platform::DMORIENT_LANDSCAPE);
    // Landscape A4 at 50 per inch: the red quadrant at the top left, white at the bottom right.
    const QImage& page = straight.pages[0];
    EXPECT_EQ(page.width(), 585);
    EXPECT_EQ(pixelAt(page, 100, 100), red);
    EXPECT_EQ(pixelAt(page, 480, 300), white);
    EXPECT_EQ(pixelAt(page, 480, 100), green);
}

TEST_F(PrintCommandsTest, APrintAPreviewAndAPrintFromThePreviewEachRunTheReportOnce)
{
    int runs = 0;
    ImprimeGrafico->QuickRep->BeforePrint = [&](TObject*, bool&) { ++runs; };
    const std::string file = picture("quadros.bmp", 300, 200);
    ImprimeGrafico->ImprimirImagem(file);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(spooler.jobs.size(), 1u);
    preview(file, [&](TQRPreview& control) {
        EXPECT_EQ(runs, 2);
        EXPECT_EQ(control.QRPrinter()->PageCount(), 1);
        clickPreviewButton("tbar_Imprimir");
        EXPECT_EQ(runs, 3);
    });
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(spooler.jobs.size(), 2u);

    // Without a printer nothing prints, and the page is still made once.
    spooler.printers.clear();
    ImprimeGrafico->ImprimirImagem(file);
    EXPECT_EQ(runs, 4);
    EXPECT_EQ(spooler.jobs.size(), 2u);
    EXPECT_TRUE(messages.empty());
}

// The centre of the pixels of a pure colour on a page, as a fraction of the page's width and
// height; (-1, -1) when there are none.
QPointF colourCentre(const QImage& page, Qt::GlobalColor colour)
{
    const QColor want(colour);
    auto near = [](int a, int b) { return std::abs(a - b) < 60; };
    double x = 0, y = 0;
    int count = 0;
    for (int row = 0; row < page.height(); ++row)
        for (int column = 0; column < page.width(); ++column) {
            const QColor c = page.pixelColor(column, row);
            if (near(c.red(), want.red()) && near(c.green(), want.green()) && near(c.blue(), want.blue())) {
                x += column;
                y += row;
                ++count;
            }
        }
    if (count == 0)
        return {-1, -1};
    return {x / count / page.width(), y / count / page.height()};
}

TEST(BatchPrinting, TwoFilesGiveTwoPagesEachPictureUprightInItsOrientation)
{
    CupsServer cups;
    ASSERT_TRUE(cups.Running()) << cups.Error();
    ASSERT_TRUE(cups.AddGenericQueue("paper", "A4")) << cups.Error();
    ViewerProgram program;
    const std::vector<std::string>& messages = program.messages;
    QTemporaryDir directory;
    const std::string folder = directory.path().toStdString();
    writeFile(folder, "wide.bmp", quadrantBitmap(300, 200));
    writeFile(folder, "tall.bmp", quadrantBitmap(200, 300));
    // The queue's file holds the last job only: each job is collected as it ends.
    std::vector<QImage> pages;
    ImprimeGrafico->QuickRep->AfterPrint = [&](TObject*) {
        ASSERT_TRUE(cups.WaitForJobs("paper")) << cups.Error();
        for (const QImage& page : cups.RasterisedOutput("paper", 20))
            pages.push_back(page);
        std::filesystem::remove(cups.OutputFile("paper"));
    };
    EXPECT_EQ(StartViewer(ParseCommandLine({"pictavo", "/PRINT", folder + "/wide.bmp", folder + "/tall.bmp"})), 0);
    EXPECT_TRUE(messages.empty()) << messages.front();
    ASSERT_EQ(pages.size(), 2u) << cups.Error();
    // The tall picture fills its portrait page upright: red a quarter in from the top left. The
    // wide one fills a landscape page, which comes out turned on the sheet with the picture's top
    // to the sheet's left: red a quarter in from the bottom left, green from the top left.
    const QPointF tallRed = colourCentre(pages[1], Qt::red);
    EXPECT_NEAR(tallRed.x(), 0.25, 0.03);
    EXPECT_NEAR(tallRed.y(), 0.25, 0.03);
    const QPointF wideRed = colourCentre(pages[0], Qt::red);
    EXPECT_NEAR(wideRed.x(), 0.25, 0.03);
    EXPECT_NEAR(wideRed.y(), 0.75, 0.03);
    const QPointF wideGreen = colourCentre(pages[0], Qt::green);
    EXPECT_NEAR(wideGreen.x(), 0.25, 0.03);
    EXPECT_NEAR(wideGreen.y(), 0.25, 0.03);
}

TEST(GuiPrinting, TheImprimirCommandPrintsTheSelectedPictureOnOnePage)
{
    CupsServer cups;
    ASSERT_TRUE(cups.Running()) << cups.Error();
    ASSERT_TRUE(cups.AddGenericQueue("paper", "A4")) << cups.Error();
    ASSERT_TRUE(cups.SetDefault("paper")) << cups.Error();
    ViewerProgram program;
    const std::vector<std::string>& messages = program.messages;
    QTemporaryDir directory;
    writeFile(directory.path().toStdString(), "tall.bmp", quadrantBitmap(200, 300));
    StartViewer(ParseCommandLine({"pictavo"}));
    Form_Viewer->List_Diretorio->SetCurrentDirectory(platform::toDriveLetterPath(directory.path().toStdString()).value());
    TFileListBox& list = *Form_Viewer->Lista_Arquivos;
    ASSERT_EQ(list.Items()->IndexOf("tall.bmp"), 0);
    auto* view = qobject_cast<QAbstractItemView*>(list.Widget());
    ASSERT_NE(view, nullptr);
    QTest::keyClick(view, Qt::Key_Home);
    ASSERT_EQ(list.ItemIndex(), 0);
    Form_Viewer->mnu_ImprimirClick(nullptr);
    EXPECT_TRUE(messages.empty()) << messages.front();
    ASSERT_TRUE(cups.WaitForJobs("paper")) << cups.Error();
    const std::vector<QImage> pages = cups.RasterisedOutput("paper", 20);
    ASSERT_EQ(pages.size(), 1u) << cups.Error();
    const QPointF red = colourCentre(pages[0], Qt::red);
    EXPECT_NEAR(red.x(), 0.25, 0.03);
    EXPECT_NEAR(red.y(), 0.25, 0.03);
}

} // namespace
