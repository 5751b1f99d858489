#include "docking/docking.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "picture/bitmap/bitmap.h"

#include "fake_clock.h"
#include "support/test_pictures.h"
#include "support/test_support.h"

#include <QCursor>
#include <QTest>
#include <QWidget>

using namespace testing_support;

namespace {

const Rgb face{192, 192, 192};
const Rgb shadow{128, 128, 128};

// A shown form with a docked toolbar of three buttons.
class ToolbarButtonTest : public ::testing::Test {
protected:
    ToolbarButtonTest()
    {
        form.SetBounds(100, 100, 408, 227);
        dock = new TDock97(&form);
        dock->SetParent(&form);
        toolbar = new TToolbar97(&form);
        for (auto*& button : buttons) {
            button = new TToolbarButton97(&form);
            button->SetParent(toolbar);
            button->OnClick = [this, button](TObject*) { clicks.push_back(button == buttons[0] ? 0 : button == buttons[1] ? 1 : 2); };
        }
        toolbar->SetDockedTo(dock);
        form.Show();
        // Menus and hover borders follow the application's activation.
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
    }

    void click(TToolbarButton97* button) { QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 5)); }

    TApplication app;
    FakeClock clock;
    TForm form{nullptr};
    TDock97* dock;
    TToolbar97* toolbar;
    TToolbarButton97* buttons[3];
    std::vector<int> clicks;
};

// A 2 × 1 glyph image: `colour` on the left, the see-through white on the right... unless the
// key is placed elsewhere: the bottom-left pixel decides.
std::unique_ptr<TBitmap> glyphOf(const std::vector<TColor>& pixels, int height = 1)
{
    auto glyph = std::make_unique<TBitmap>();
    const int width = int(pixels.size()) / height;
    glyph->SetWidth(width);
    glyph->SetHeight(height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            glyph->Surface().SetPixels(x, y, pixels[std::size_t(y * width + x)]);
    return glyph;
}

} // namespace

TEST_F(ToolbarButtonTest, OnlyGroupedButtonsStayDownOneAtATime)
{
    // GroupIndex 0: never down, whatever is assigned or clicked.
    buttons[0]->SetDown(true);
    click(buttons[0]);
    EXPECT_FALSE(buttons[0]->Down());

    for (auto* button : buttons)
        button->SetGroupIndex(10);
    click(buttons[0]);
    EXPECT_TRUE(buttons[0]->Down());
    buttons[1]->SetDown(true);
    EXPECT_FALSE(buttons[0]->Down());
    EXPECT_TRUE(buttons[1]->Down());
    // Pressing the button that is down (without AllowAllUp) leaves it down and still clicks.
    clicks.clear();
    click(buttons[1]);
    EXPECT_TRUE(buttons[1]->Down());
    EXPECT_EQ(clicks, (std::vector<int>{1}));
    EXPECT_EQ(buttons[1]->State(), bsExclusive97);
    // With AllowAllUp it comes up; a button going down releases the others, which take its
    // setting over.
    buttons[1]->SetAllowAllUp(true);
    click(buttons[1]);
    EXPECT_FALSE(buttons[1]->Down());
    buttons[1]->SetDown(true);
    click(buttons[2]);
    EXPECT_TRUE(buttons[2]->Down());
    EXPECT_FALSE(buttons[1]->Down());
    EXPECT_FALSE(buttons[1]->AllowAllUp());
}

TEST_F(ToolbarButtonTest, PressingMovingOffAndReleasingDoesNotClick)
{
    QWidget* widget = buttons[0]->Widget();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(buttons[0]->Pressed());
    QTest::mouseMove(widget, QPoint(60, 5));
    EXPECT_FALSE(buttons[0]->Pressed());
    QTest::mouseMove(widget, QPoint(6, 5));
    EXPECT_TRUE(buttons[0]->Pressed());
    QTest::mouseMove(widget, QPoint(60, 5));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(60, 5));
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(buttons[0]->State(), bsUp97);
    click(buttons[0]);
    EXPECT_EQ(clicks, (std::vector<int>{0}));
}

TEST_F(ToolbarButtonTest, ARepeatingButtonClicksAtOnceThenAfterTheDelayThenEveryInterval)
{
    buttons[0]->SetRepeating(true);
    std::vector<std::int64_t> at;
    buttons[0]->OnClick = [&](TObject*) { at.push_back(clock.Now()); };
    const std::int64_t start = clock.Now();
    QWidget* widget = buttons[0]->Widget();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(5, 5));
    clock.Advance(1000);
    for (auto& t : at)
        t -= start;
    EXPECT_EQ(at, (std::vector<std::int64_t>{0, 400, 500, 600, 700, 800, 900, 1000}));
    // Off the button no clicks come; back on, they go on; the release clicks no more.
    QTest::mouseMove(widget, QPoint(60, 5));
    clock.Advance(300);
    EXPECT_EQ(at.size(), 8u);
    QTest::mouseMove(widget, QPoint(5, 5));
    clock.Advance(100);
    EXPECT_EQ(at.size(), 9u);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(5, 5));
    clock.Advance(1000);
    EXPECT_EQ(at.size(), 9u);
}

TEST_F(ToolbarButtonTest, DrawsTheStateImagesOfItsGlyphSeeThroughWhereTheKeyColourIs)
{
    // Two 2 × 1 state images: red and blue, each with a white right pixel; the bottom-left
    // pixel (red) is see-through.
    buttons[0]->SetGlyph(glyphOf({clRed, clBlack, clBlue, clWhite}).get());
    buttons[0]->SetNumGlyphs(2);
    // The 2 × 1 glyph is centred in the 21 × 20 content area inside the 1-pixel flat border:
    // at (1 + 9, 1 + 9).
    QImage shown = grabControl(*buttons[0]);
    EXPECT_EQ(pixelAt(shown, 10, 10), face);
    EXPECT_EQ(pixelAt(shown, 11, 10), black);
    // Flat: no border until the mouse is over it.
    EXPECT_EQ(pixelAt(shown, 0, 0), face);
    buttons[0]->SetEnabled(false);
    // Disabled: the second state image.
    shown = grabControl(*buttons[0]);
    EXPECT_EQ(pixelAt(shown, 10, 10), blue);
    EXPECT_EQ(pixelAt(shown, 11, 10), white);

    // One image: the disabled look is the image embossed: its dark pixel in the shadow colour,
    // and the highlight one pixel right and down.
    buttons[1]->SetGlyph(glyphOf({clWhite, clBlack, clWhite, clWhite}, 2).get());
    buttons[1]->SetEnabled(false);
    shown = grabControl(*buttons[1]);
    EXPECT_EQ(pixelAt(shown, 11, 10), shadow);
    EXPECT_EQ(pixelAt(shown, 12, 11), white);
    EXPECT_EQ(pixelAt(shown, 10, 10), face);
    buttons[1]->SetOldDisabledStyle(true);
    shown = grabControl(*buttons[1]);
    EXPECT_EQ(pixelAt(shown, 11, 10), shadow);
    EXPECT_EQ(pixelAt(shown, 12, 11), face);

    // Down in a group and not hovered: a sunken border and the checkerboard of face and highlight.
    buttons[2]->SetGroupIndex(1);
    buttons[2]->SetDown(true);
    shown = grabControl(*buttons[2]);
    EXPECT_EQ(pixelAt(shown, 0, 0), shadow);
    EXPECT_NE(pixelAt(shown, 3, 3), pixelAt(shown, 4, 3));
}

TEST_F(ToolbarButtonTest, TheHoveredButtonShowsItsBorderUntilTheSharedTimerFindsTheMouseGone)
{
    std::vector<std::string> told;
    buttons[0]->OnMouseEnter = [&](TObject*) { told.push_back("enter"); };
    buttons[0]->OnMouseExit = [&](TObject*) { told.push_back("exit"); };
    QTest::mouseMove(buttons[0]->Widget(), QPoint(5, 5));
    ASSERT_EQ(TToolbarButton97::HoveredButton(), buttons[0]);
    EXPECT_TRUE(buttons[0]->MouseInControl());
    // A raised border while hovered.
    EXPECT_EQ(pixelAt(grabControl(*buttons[0]), 0, 0), white);
    // The mouse leaves without the window system telling: the timer notices.
    QCursor::setPos(900, 700);
    clock.Advance(100);
    EXPECT_EQ(TToolbarButton97::HoveredButton(), nullptr);
    EXPECT_FALSE(buttons[0]->MouseInControl());
    EXPECT_EQ(told, (std::vector<std::string>{"enter", "exit"}));
    EXPECT_EQ(pixelAt(grabControl(*buttons[0]), 0, 0), face);
}

TEST_F(ToolbarButtonTest, ADropDownButtonShowsItsMenuBelowAndStaysPressedWhileItIsOpen)
{
    auto* menu = new TPopupMenu98(&form);
    menu->SetOpenAnimation(anNone);
    menu->SetCloseAnimation(anNone);
    auto* item = new TMenuItem(&form);
    item->SetCaption("&Item");
    menu->Items()->Add(item);
    bool popupTold = false;
    menu->OnPopup = [&](TObject*) { popupTold = true; };
    buttons[0]->SetDropdownMenu(menu);
    click(buttons[0]);
    EXPECT_TRUE(popupTold);
    EXPECT_TRUE(clicks.empty());
    ASSERT_TRUE(menu->IsOpen());
    EXPECT_TRUE(buttons[0]->Pressed());
    const TPoint below = buttons[0]->ClientToScreen({0, buttons[0]->Height()});
    EXPECT_EQ(menu->OpenLevel()->OpenRect().left, below.x);
    EXPECT_EQ(menu->OpenLevel()->OpenRect().top, below.y);
    // A press on the button closes the menu and goes no further.
    click(buttons[0]);
    clock.Advance(10);
    EXPECT_FALSE(menu->IsOpen());
    EXPECT_FALSE(buttons[0]->Pressed());

    // A combo: the main part clicks, the 11-pixel arrow part opens the menu as it goes down.
    buttons[0]->SetDropdownCombo(true);
    buttons[0]->SetWidth(34);
    click(buttons[0]);
    EXPECT_EQ(clicks, (std::vector<int>{0}));
    EXPECT_FALSE(menu->IsOpen());
    QTest::mousePress(buttons[0]->Widget(), Qt::LeftButton, {}, QPoint(28, 5));
    EXPECT_TRUE(menu->IsOpen());
    menu->CloseMenu();
    clock.Advance(10);
    app.ProcessMessages();
}

TEST_F(ToolbarButtonTest, AltAndTheAccessKeyOfItsCaptionClickAButton)
{
    buttons[1]->SetCaption("&Ok");
    buttons[2]->SetCaption("Sem tecla");
    QWidget* focus = form.ClientWidget();
    QTest::keyClick(focus, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(clicks, (std::vector<int>{1}));
    QTest::keyClick(focus, Qt::Key_O);
    QTest::keyClick(focus, Qt::Key_S, Qt::AltModifier);
    buttons[1]->SetEnabled(false);
    QTest::keyClick(focus, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(clicks, (std::vector<int>{1}));
    EXPECT_EQ(AcceleratorOf("Con&figurar"), "F");
    EXPECT_EQ(AcceleratorOf("A && B"), "");
    EXPECT_EQ(AcceleratorOf("&Área"), "Á");
}
