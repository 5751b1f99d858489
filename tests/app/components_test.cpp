#include "app/components/open_picture_dialog.h"
#include "app/components/picture_panel.h"
#include "app/components/rx_label.h"
#include "app/components/tray_icon.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "picture/formats.h"
#include "picture/image.h"

#include "support/test_support.h"
#include "support/test_pictures.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>

using namespace testing_support;
using viewer_detail::makePreviewWindow;
using viewer_detail::PicturePanel;

namespace {
constexpr auto viewerFilter =
    "All (*.gif;*.bmp;*.ico;*.emf;*.wmf)|*.gif;*.bmp;*.ico;*.emf;*.wmf;*.jpg|CompuServe GIF Image (*.gif)|*.gif|"
    "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf|"
    "JPG (*.jpg)|*.jpg";

using Messages = std::vector<std::string>;

// Notes every message instead of showing it.
class CapturedMessages {
public:
    CapturedMessages()
        : m_scope(MessagePresenter(), [this](const std::string& caption, const std::string& text) {
              messages.push_back(caption + ": " + text);
          })
    {
    }
    Messages messages;

private:
    Seam<void(const std::string&, const std::string&)>::Scoped m_scope;
};
} // namespace

TEST(DialogFilter, SplitsPairsAndPatterns)
{
    const std::vector<FilterEntry> entries = ParseDialogFilter(viewerFilter);
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries[0].label, "All (*.gif;*.bmp;*.ico;*.emf;*.wmf)");
    EXPECT_EQ(entries[0].patterns,
              (std::vector<std::string>{"*.gif", "*.bmp", "*.ico", "*.emf", "*.wmf", "*.jpg"}));
    EXPECT_EQ(entries[2].label, "Bitmaps (*.bmp)");
    EXPECT_EQ(entries[6].label, "JPG (*.jpg)");
    EXPECT_EQ(entries[6].patterns, (std::vector<std::string>{"*.jpg"}));

    EXPECT_TRUE(ParseDialogFilter("").empty());
    const auto odd = ParseDialogFilter("Todos|*.a;;*.b;|Sem padrão");
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(odd[0].patterns, (std::vector<std::string>{"*.a", "*.b"}));
    EXPECT_EQ(odd[1].label, "Sem padrão");
    EXPECT_TRUE(odd[1].patterns.empty());
}

TEST(DialogFilter, TheFileViewFollowsThePatternHalfOfTheChosenPair)
{
    TOpenPictureDialog settings(nullptr);
    settings.SetFilter(viewerFilter);
    PicturePanel* panel = nullptr;
    auto dialog = viewer_detail::makeOpenPictureDialog(settings, &panel);
    ASSERT_NE(panel, nullptr);
    // The labels are shown as written.
    ASSERT_EQ(dialog->nameFilters().size(), 7);
    EXPECT_EQ(dialog->nameFilters()[0].toStdString(), "All (*.gif;*.bmp;*.ico;*.emf;*.wmf)");
    auto* model = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    // The first label leaves out "*.jpg"; its patterns do not.
    EXPECT_EQ(model->nameFilters(),
              (QStringList{"*.gif", "*.bmp", "*.ico", "*.emf", "*.wmf", "*.jpg"}));
    EXPECT_FALSE(model->nameFilterDisables());
    EXPECT_FALSE(model->filter() & QDir::CaseSensitive);
    // As if the user chose another pair.
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(2);
    emit types->activated(2);
    EXPECT_EQ(model->nameFilters(), (QStringList{"*.bmp"}));
}

TEST(DialogFilter, TheDialogStartsAtItsFileWithThePanelShowingIt)
{
    RegisterPictureFormats();
    QTemporaryDir directory;
    const std::string file = writeFile(directory.path().toStdString(), "quadros.bmp", quadrantBitmap(100, 60));
    TOpenPictureDialog settings(nullptr);
    settings.SetFilter(viewerFilter);
    settings.SetFileName(file);
    PicturePanel* panel = nullptr;
    auto dialog = viewer_detail::makeOpenPictureDialog(settings, &panel);
    EXPECT_EQ(dialog->directory().absolutePath(), directory.path());
    EXPECT_EQ(panel->captionText().toStdString(), " (100x60)");
}

TEST(PreviewPlacement, FitsAtItsOwnSizeOrScalesFromTheTopLeft)
{
    struct Row {
        const char* name;
        int pictureWidth, pictureHeight;
        PreviewPlacement expected;
    };
    // An area of 100 × 80.
    const Row rows[] = {
        {"fits: centred", 40, 30, {30, 25, 40, 30}},
        {"exactly the area", 100, 80, {0, 0, 100, 80}},
        {"wider than tall: full width", 200, 100, {0, 0, 100, 50}},
        {"wider than tall, 150 x 101: 101 * 100 / 150 = 67.3", 150, 101, {0, 0, 100, 67}},
        {"taller: full height", 50, 200, {0, 0, 20, 80}},
        {"square: full height", 120, 120, {0, 0, 80, 80}},
        {"too wide for its height: still full width", 300, 200, {0, 0, 100, 67}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PreviewPlacement at = PlacePreview(100, 80, row.pictureWidth, row.pictureHeight);
        EXPECT_EQ(at.left, row.expected.left);
        EXPECT_EQ(at.top, row.expected.top);
        EXPECT_EQ(at.width, row.expected.width);
        EXPECT_EQ(at.height, row.expected.height);
    }
}

TEST(PicturePanel, ShowsThePicturesSizeOrItsEmptyStateAndNeverComplains)
{
    RegisterPictureFormats();
    CapturedMessages captured;
    QTemporaryDir directory;
    const std::string root = directory.path().toStdString();
    writeFile(root, "quadros.bmp", quadrantBitmap(40, 30));
    writeFile(root, "estragado.bmp", "BM this is not a bitmap");
    PicturePanel panel;
    EXPECT_EQ(panel.captionText().toStdString(), "Picture:");
    EXPECT_FALSE(panel.previewEnabled());

    panel.showFile(QString::fromStdString(root + "/quadros.bmp"));
    EXPECT_EQ(panel.captionText().toStdString(), " (40x30)");
    EXPECT_TRUE(panel.previewEnabled());

    for (const std::string name : {"estragado.bmp", "falta.bmp", ""}) {
        panel.showFile(QString::fromStdString(name.empty() ? root : root + "/" + name));
        EXPECT_EQ(panel.captionText().toStdString(), "Picture:") << name;
        EXPECT_FALSE(panel.previewEnabled()) << name;
        EXPECT_FALSE(panel.hasPicture()) << name;
    }
    panel.showFile({});
    EXPECT_FALSE(panel.hasPicture());
    EXPECT_TRUE(captured.messages.empty());
}

TEST(PicturePanel, PreviewShowsThePictureStretchedInsideAFivePixelBorder)
{
    RegisterPictureFormats();
    QTemporaryDir directory;
    const std::string root = directory.path().toStdString();
    writeFile(root, "quadros.bmp", quadrantBitmap(40, 30));
    PicturePanel panel;
    std::vector<std::string> shown;
    Seam<TModalResult(TForm&)>::Scoped modal(ShowModalSeam(), [&](TForm& window) {
        EXPECT_EQ(window.Caption(), "Preview");
        EXPECT_EQ(window.BorderStyle(), bsSizeToolWin);
        EXPECT_EQ(window.Position(), poScreenCenter);
        EXPECT_EQ(window.ClientWidth(), 50);
        EXPECT_EQ(window.ClientHeight(), 40);
        auto* image = dynamic_cast<TImage*>(window.Components(0));
        EXPECT_NE(image, nullptr);
        if (image) {
            EXPECT_EQ(image->BoundsRect(), (TRect{5, 5, 45, 35}));
            EXPECT_TRUE(image->Stretch());
            EXPECT_EQ(image->Picture()->Width(), 40);
        }
        shown.push_back("preview");
        return mrOk;
    });
    panel.preview();
    EXPECT_TRUE(shown.empty());
    panel.showFile(QString::fromStdString(root + "/quadros.bmp"));
    panel.preview();
    QTest::mouseDClick(panel.previewArea(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(shown, (std::vector<std::string>{"preview", "preview"}));
}

TEST(PicturePanel, APreviewLargerThanTheScreenKeepsToTheScreen)
{
    // 1200 × 50 with its border is wider than the 1024 × 768 screen: the window takes the
    // screen's width and keeps the height the picture asks for.
    TPicture picture;
    RegisterPictureFormats();
    QTemporaryDir directory;
    picture.LoadFile(writeFile(directory.path().toStdString(), "faixa.bmp", quadrantBitmap(1200, 50)));
    std::unique_ptr<TForm> window = makePreviewWindow(picture);
    EXPECT_EQ(window->Width(), 1024);
    EXPECT_EQ(window->ClientWidth(), 1016);
    EXPECT_EQ(window->ClientHeight(), 60);
}

TEST(ShadowLabel, DrawsTheShadowThenTheTextAndSizesForBoth)
{
    TForm form(nullptr);
    form.SetClientSize(200, 100);
    auto* plain = new TLabel(&form);
    plain->SetParent(&form);
    plain->SetCaption("Diretórios");
    auto* label = new TRxLabel(&form);
    label->SetParent(&form);
    label->SetCaption("Diretórios");
    EXPECT_EQ(label->ShadowSize(), 1);
    EXPECT_EQ(label->ShadowColor(), clBtnHighlight);
    EXPECT_EQ(label->ShadowPos(), spLeftTop);
    EXPECT_EQ(label->Width(), plain->Width() + 1);
    EXPECT_EQ(label->Height(), plain->Height() + 1);
    // Left-top: the shadow at the label's corner, the text one shadow further in.
    EXPECT_EQ(label->ShadowOffset(), (TPoint{0, 0}));
    EXPECT_EQ(label->TextOffset(), (TPoint{1, 1}));
    label->SetShadowPos(spRightTop);
    EXPECT_EQ(label->ShadowOffset(), (TPoint{1, 0}));
    EXPECT_EQ(label->TextOffset(), (TPoint{0, 1}));

    label->SetShadowSize(3);
    label->SetShadowColor(clRed);
    label->Font()->SetColor(clBlue);
    label->SetColor(clWhite);
    form.Show();
    auto countColours = [&](int& reds, int& blues) {
        const QImage shown = grabControl(*label);
        reds = blues = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                // Text may be smoothed: count clearly red and clearly blue pixels.
                const Rgb p = pixelAt(shown, x, y);
                reds += p.red > 160 && p.green < 96 && p.blue < 96;
                blues += p.blue > 160 && p.red < 96 && p.green < 96;
            }
    };
    int reds = 0;
    int blues = 0;
    countColours(reds, blues);
    EXPECT_GT(reds, 0);
    EXPECT_GT(blues, 0);
    label->SetShadowSize(0);
    countColours(reds, blues);
    EXPECT_EQ(reds, 0);
    EXPECT_GT(blues, 0);
}

TEST(TrayIcon, ShownWhileItHoldsAnIconAndRemovedOtherwise)
{
    RegisterPictureFormats();
    QTemporaryDir directory;
    const std::string root = directory.path().toStdString();
    const std::string first = writeFile(root, "um.bmp", quadrantBitmap(16, 16));
    const std::string second = writeFile(root, "dois.bmp", quadrantBitmap(32, 32));
    std::vector<std::string> requests;
    Seam<void(TrayIconMessage, const TRxTrayIcon&)>::Scoped tray(
        TrayIconSeam(), [&](TrayIconMessage message, const TRxTrayIcon& icon) {
            const char* names[] = {"add", "modify", "delete"};
            requests.push_back(std::string(names[int(message)]) + " " + std::to_string(icon.Icon()->Width()));
        });
    {
        TRxTrayIcon icon(nullptr);
        EXPECT_TRUE(icon.Active());
        EXPECT_EQ(icon.Hint(), "");
        icon.Icon()->LoadFile(first);
        icon.Icon()->LoadFile(second);
        EXPECT_TRUE(icon.Shown());
        icon.Icon()->ReplaceGraphic(nullptr);
        icon.Icon()->ReplaceGraphic(nullptr);
        EXPECT_FALSE(icon.Shown());
        icon.SetActive(false);
        icon.Icon()->LoadFile(first);
        EXPECT_FALSE(icon.Shown());
        icon.SetActive(true);
        EXPECT_TRUE(icon.Shown());
    }
    EXPECT_EQ(requests, (std::vector<std::string>{"add 16", "modify 32", "delete 0", "add 16", "delete 16"}));
}
