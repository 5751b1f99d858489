#include "docking/docking.h"
#include "framework/application.h"
#include "framework/class_registry.h"
#include "framework/design_reader.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "picture/bitmap/bitmap.h"

#include "support/test_support.h"
#include "test_pictures.h"

#include <QTest>
#include <QWidget>

using namespace testing_support;

namespace {

// A form with a top dock 600 pixels long.
class DockTest : public ::testing::Test {
protected:
    DockTest()
    {
        form.SetClientSize(600, 400);
        dock = new TDock97(&form);
        dock->SetParent(&form);
        dock->SetPosition(dpTop);
    }

    // A tool window whose docked length in a horizontal dock is `length` (client + 2 + 9 + 2)
    // and whose bar size is `bar`.
    TToolWindow97* bar(int length, int barSize, int row, int position, TDock97* in = nullptr)
    {
        auto* window = new TToolWindow97(&form);
        window->SetClientSize(length - 13, barSize);
        window->SetDockRow(row);
        window->SetDockPos(position);
        window->SetDockedTo(in ? in : dock);
        return window;
    }

    TForm form{nullptr};
    TDock97* dock;
};

} // namespace

TEST_F(DockTest, WindowsOfARowDoNotOverlap)
{
    TToolWindow97* first = bar(100, 22, 0, 0);
    TToolWindow97* second = bar(50, 22, 0, 10);
    EXPECT_EQ(first->BoundsRect(), (TRect{0, 0, 100, 26}));
    EXPECT_EQ(second->DockPos(), 100);
    EXPECT_EQ(second->BoundsRect(), (TRect{100, 0, 150, 26}));
}

TEST_F(DockTest, RowsAreNumberedWithoutGapsAndSizeTheDock)
{
    TToolWindow97* a = bar(60, 22, 0, 0);
    TToolWindow97* b = bar(60, 30, 2, 0);
    TToolWindow97* c = bar(60, 22, 5, 0);
    EXPECT_EQ(a->DockRow(), 0);
    EXPECT_EQ(b->DockRow(), 1);
    EXPECT_EQ(c->DockRow(), 2);
    // Rows of 22 + 4, 30 + 4 and 22 + 4 pixels.
    EXPECT_EQ(b->Top(), 26);
    EXPECT_EQ(c->Top(), 60);
    EXPECT_EQ(dock->Height(), 86);
    EXPECT_EQ(dock->RowSizes(), (std::vector<int>{26, 34, 26}));
}

TEST_F(DockTest, AFullSizeWindowTakesARowAloneAndTheDocksLength)
{
    TToolWindow97* other = bar(60, 22, 0, 0);
    auto* menu = new TToolbar97(&form);
    auto* button = new TToolbarButton97(&form);
    button->SetParent(menu);
    menu->SetFullSize(true);
    menu->SetDockRow(0);
    menu->SetDockPos(200);
    menu->SetDockedTo(dock);
    // The full-size one was placed after the other in row 0, so the other row moves on.
    EXPECT_EQ(menu->DockRow(), 0);
    EXPECT_EQ(other->DockRow(), 1);
    EXPECT_EQ(menu->BoundsRect(), (TRect{0, 0, 600, 26}));
    EXPECT_EQ(other->Top(), 26);
}

TEST_F(DockTest, TwoRowsOfToolbarsAreFiftyTwoHighAndAnEmptyDockShrinksToNothing)
{
    TToolWindow97* top = bar(100, 22, 0, 0);
    TToolWindow97* bottom = bar(100, 22, 1, 0);
    EXPECT_EQ(dock->Height(), 52);
    top->SetDockedTo(nullptr);
    EXPECT_EQ(dock->Height(), 26);
    bottom->SetDockedTo(nullptr);
    EXPECT_EQ(dock->Height(), 0);
    dock->SetFixAlign(true);
    EXPECT_EQ(dock->Height(), 1);
}

TEST_F(DockTest, AHiddenWindowLeavesItsPlaceAndComesBackToIt)
{
    TToolWindow97* first = bar(100, 22, 0, 0);
    TToolWindow97* second = bar(100, 22, 1, 40);
    first->Hide();
    // Alone now, the second row closes the gap.
    EXPECT_EQ(second->Top(), 0);
    EXPECT_EQ(dock->Height(), 26);
    first->Show();
    EXPECT_EQ(first->BoundsRect(), (TRect{0, 0, 100, 26}));
    EXPECT_EQ(second->BoundsRect(), (TRect{40, 26, 140, 52}));
    EXPECT_EQ(dock->Height(), 52);
}

TEST_F(DockTest, ToolWindowsInALeftDockStackDownwardsWithTheirHandlesOnTop)
{
    auto* left = new TDock97(&form);
    left->SetParent(&form);
    left->SetPosition(dpLeft);
    auto* drive = new TToolWindow97(&form);
    drive->SetClientSize(162, 38);
    drive->SetDockedTo(left);
    auto* folders = new TToolWindow97(&form);
    folders->SetClientSize(162, 148);
    folders->SetDockPos(51);
    folders->SetDockedTo(left);
    // Client width 162 plus the borders; client height 38 plus borders and the 9-pixel handle.
    EXPECT_EQ(left->Width(), 166);
    EXPECT_EQ(drive->BoundsRect(), (TRect{0, 0, 166, 51}));
    EXPECT_EQ(drive->ClientAreaRect(), (TRect{2, 11, 164, 49}));
    EXPECT_EQ(folders->Top(), 51);
    EXPECT_EQ(folders->ClientWidth(), 162);
    EXPECT_EQ(folders->ClientHeight(), 148);
}

TEST_F(DockTest, AToolbarLaysItsButtonsOutInARowOrAColumn)
{
    auto* toolbar = new TToolbar97(&form);
    for (int i = 0; i < 4; ++i) {
        if (i == 1)
            (new TToolbarSep97(&form))->SetParent(toolbar);
        (new TToolbarButton97(&form))->SetParent(toolbar);
    }
    toolbar->SetDockedTo(dock);
    std::vector<int> lefts;
    for (int i = 0; i < toolbar->ControlCount(); ++i)
        lefts.push_back(toolbar->Controls(i)->Left());
    EXPECT_EQ(lefts, (std::vector<int>{0, 23, 29, 52, 75}));
    // 98 pixels of controls, the handle and borders: 111 × 26.
    EXPECT_EQ(toolbar->BoundsRect(), (TRect{0, 0, 111, 26}));

    auto* side = new TDock97(&form);
    side->SetParent(&form);
    side->SetPosition(dpRight);
    toolbar->SetDockedTo(side);
    std::vector<int> tops;
    for (int i = 0; i < toolbar->ControlCount(); ++i)
        tops.push_back(toolbar->Controls(i)->Top());
    EXPECT_EQ(tops, (std::vector<int>{0, 22, 28, 50, 72}));
    EXPECT_EQ(toolbar->Width(), 27);
    EXPECT_EQ(toolbar->Height(), 4 * 22 + 6 + 13);
    EXPECT_EQ(dock->Height(), 0);
}

TEST_F(DockTest, OnlyAFloatingWindowHasACloseButtonAndItHidesBeforeTelling)
{
    TToolWindow97* window = bar(100, 30, 0, 0);
    EXPECT_TRUE(window->CloseButtonRect().isEmpty());
    window->SetFloatingPosition({20, 100});
    window->SetDockedTo(nullptr);
    EXPECT_EQ(window->Parent(), &form);
    const TRect close = window->CloseButtonRect();
    ASSERT_FALSE(close.isEmpty());
    EXPECT_EQ(close.right, window->Width() - 4);

    form.Show();
    bool visibleWhenTold = true;
    int closes = 0;
    window->OnClose = [&](TObject*) {
        ++closes;
        visibleWhenTold = window->Visible();
    };
    const QPoint onButton((close.left + close.right) / 2, (close.top + close.bottom) / 2);
    // Released elsewhere: nothing.
    QTest::mousePress(window->Widget(), Qt::LeftButton, {}, onButton);
    QTest::mouseRelease(window->Widget(), Qt::LeftButton, {}, QPoint(5, window->Height() - 5));
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(window->Visible());
    QTest::mouseClick(window->Widget(), Qt::LeftButton, {}, onButton);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(visibleWhenTold);
    EXPECT_FALSE(window->Visible());
}

TEST(ToolbarButton, GroupsKeepOneButtonDownAndUngroupedButtonsNever)
{
    TForm form(nullptr);
    auto* toolbar = new TToolbar97(&form);
    toolbar->SetParent(&form);
    TToolbarButton97* buttons[3];
    for (auto*& button : buttons) {
        button = new TToolbarButton97(&form);
        button->SetParent(toolbar);
    }
    buttons[0]->SetDown(true);
    EXPECT_FALSE(buttons[0]->Down());

    for (auto* button : buttons)
        button->SetGroupIndex(10);
    buttons[0]->SetDown(true);
    buttons[1]->SetDown(true);
    EXPECT_FALSE(buttons[0]->Down());
    EXPECT_TRUE(buttons[1]->Down());

    // Clicking the button that is down leaves it down and still clicks.
    int clicks = 0;
    buttons[1]->OnClick = [&](TObject*) { ++clicks; };
    buttons[1]->Click();
    EXPECT_TRUE(buttons[1]->Down());
    EXPECT_EQ(clicks, 1);
    buttons[1]->SetAllowAllUp(true);
    buttons[1]->Click();
    EXPECT_FALSE(buttons[1]->Down());
    buttons[2]->Click();
    EXPECT_TRUE(buttons[2]->Down());
}

TEST(ToolbarButton, ClicksOnlyWhenReleasedOverItself)
{
    TApplication app;
    TForm form(nullptr);
    form.SetClientSize(100, 50);
    auto* button = new TToolbarButton97(&form);
    button->SetParent(&form);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    form.Show();
    QTest::mousePress(button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button->Pressed());
    QTest::mouseMove(button->Widget(), QPoint(60, 5));
    QTest::mouseRelease(button->Widget(), Qt::LeftButton, {}, QPoint(60, 5));
    EXPECT_EQ(clicks, 0);
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
}

TEST(ToolbarButton, DrawsTheFirstStateImageOfItsGlyphOnItsFace)
{
    TForm form(nullptr);
    form.SetClientSize(100, 60);
    auto* button = new TToolbarButton97(&form);
    button->SetParent(&form);
    // Two 1 × 1 state images: red, then blue; the bottom-left pixel (red) is the key, so the
    // first image shows the button's face and the second would show blue.
    auto glyph = std::make_unique<TBitmap>();
    glyph->SetWidth(2);
    glyph->SetHeight(1);
    glyph->Surface().SetPixels(0, 0, clRed);
    glyph->Surface().SetPixels(1, 0, clBlue);
    button->SetGlyph(glyph.get());
    button->SetNumGlyphs(2);
    form.Show();
    // The 1 × 1 glyph is centred in the 21 × 20 content area inside the 1-pixel flat border:
    // at (1 + 10, 1 + 9).
    const QImage shown = grabControl(*button);
    const Rgb face{192, 192, 192};
    EXPECT_EQ(pixelAt(shown, 11, 10), face);
    button->SetEnabled(false);
    // Disabled: the second state image.
    EXPECT_EQ(pixelAt(grabControl(*button), 11, 10), blue);
}

namespace {

// A form whose main menu is shown by a menu bar toolbar, read from a design.
class MenuBarTest : public ::testing::Test {
protected:
    MenuBarTest()
    {
        RegisterFrameworkClasses();
        RegisterDockingClasses();
        ReadDesignText(form, R"({"class": "TForm", "name": "Janela",
            "properties": {"ClientWidth": 400, "ClientHeight": 300, "Menu": "Menu"},
            "components": [
              {"class": "TDock97", "name": "Dock", "components": [
                {"class": "TMainMenu98", "name": "Bar", "properties": {"MainMenu": "Menu", "CloseButton": false}}]},
              {"class": "TMainMenu", "name": "Menu", "components": [
                {"class": "TMenuItem", "name": "arquivo", "properties": {"Caption": "&Arquivo"}, "components": [
                  {"class": "TMenuItem", "name": "abrir", "properties": {"Caption": "&Abrir"}}]},
                {"class": "TMenuItem", "name": "hidden", "properties": {"Caption": "Oculto", "Visible": false}},
                {"class": "TMenuItem", "name": "ajuda", "properties": {"Caption": "?"}, "components": [
                  {"class": "TMenuItem", "name": "sobre", "properties": {"Caption": "Sobre..."}}]}]}]})",
                       [](std::string_view) { return nullptr; }, "menu bar test");
        dock = dynamic_cast<TDock97*>(form.FindComponent("Dock"));
        bar = dynamic_cast<TMainMenu98*>(form.FindComponent("Bar"));
        arquivo = dynamic_cast<TMenuItem*>(form.FindComponent("arquivo"));
        hidden = dynamic_cast<TMenuItem*>(form.FindComponent("hidden"));
        ajuda = dynamic_cast<TMenuItem*>(form.FindComponent("ajuda"));
        sobre = dynamic_cast<TMenuItem*>(form.FindComponent("sobre"));
    }

    TForm form{nullptr};
    TDock97* dock;
    TMainMenu98* bar;
    TMenuItem *arquivo, *hidden, *ajuda, *sobre;
};

} // namespace

TEST_F(MenuBarTest, OneButtonPerVisibleItemInPlaceOfTheNativeMenu)
{
    EXPECT_FALSE(form.NativeMenuVisible());
    EXPECT_EQ(form.ClientHeight(), 300);
    EXPECT_EQ(bar->Caption(), "Menu Bar");
    ASSERT_EQ(bar->ControlCount(), 2);
    EXPECT_EQ(bar->ButtonOf(arquivo)->Caption(), "&Arquivo");
    EXPECT_EQ(bar->ButtonOf(ajuda)->Caption(), "?");
    EXPECT_EQ(bar->ButtonOf(hidden), nullptr);
    // Full size: the bar spans the dock.
    EXPECT_EQ(bar->Width(), dock->Width());

    arquivo->SetCaption("&Ficheiro");
    EXPECT_EQ(bar->ButtonOf(arquivo)->Caption(), "&Ficheiro");
    hidden->SetVisible(true);
    EXPECT_EQ(bar->ControlCount(), 3);
}

TEST_F(MenuBarTest, AButtonRunsItsItemAndPopsUpTheSubItemsBelowItself)
{
    TApplication app;
    form.Show();
    std::vector<std::string> events;
    ajuda->OnClick = [&](TObject*) { events.push_back("? clicked"); };
    sobre->OnClick = [&](TObject*) { events.push_back("Sobre... clicked"); };
    TToolbarButton98* button = bar->ButtonOf(ajuda);
    bool downWhileOpen = false;
    TPoint shownAt;
    Seam<void(TMenuItem&, TPoint)>::Scoped popup(MenuPopupSeam(), [&](TMenuItem& parent, TPoint at) {
        events.push_back("popup " + parent.Caption());
        downWhileOpen = button->Down();
        shownAt = at;
        parent.Items(0)->Click();
    });
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(events, (std::vector<std::string>{"? clicked", "popup ?", "Sobre... clicked"}));
    EXPECT_TRUE(downWhileOpen);
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(shownAt, button->ClientToScreen({0, button->Height()}));
}

TEST(MenuItemBitmaps, OneBitmapServesBothStatesOfTheItem)
{
    TForm form(nullptr);
    auto* item = new TMenuItem(&form);
    auto* bitmaps = new TMenuItemBitmaps(&form);
    bitmaps->SetSingleBitmap(true);
    bitmaps->SetMenuItem(item);
    bitmaps->SetUncheckedBmpResource("GLYPH_ABRIR");
    EXPECT_EQ(bitmaps->CheckedBitmap()->Width(), 16);
    EXPECT_EQ(item->UncheckedBitmap(), bitmaps->UncheckedBitmap());
    EXPECT_EQ(item->CheckedBitmap(), bitmaps->CheckedBitmap());
    bitmaps->SetEnabled(false);
    EXPECT_EQ(item->UncheckedBitmap(), nullptr);
    delete item;
    EXPECT_EQ(bitmaps->MenuItem(), nullptr);
}

TEST(MenuItemBitmaps, ANumberThatIsNoNumberIsReported)
{
    std::vector<std::string> shown;
    Seam<void(const std::string&, const std::string&)>::Scoped presenter(
        MessagePresenter(), [&](const std::string& caption, const std::string& text) { shown.push_back(caption + ": " + text); });
    TMenuItemBitmaps bitmaps(nullptr);
    bitmaps.SetCheckedBmpResource("#12x");
    EXPECT_EQ(shown, (std::vector<std::string>{"Error: '#12x' is not a valid resource name"}));
    EXPECT_TRUE(bitmaps.CheckedBitmap()->IsEmpty());
}

TEST_F(MenuBarTest, AnItemThatChangesTheBarWhileItsButtonIsClickedLeavesNoButtonBehind)
{
    // A command chosen from the bar may show or hide a top-level item: the bar makes its buttons
    // again while the clicked button is still handling its click. (The click is run as the
    // button's own click handling runs it; a window-system mouse release that frees its own
    // widget is a matter of the framework.)
    TApplication app;
    form.Show();
    auto click = [&](TMenuItem* item) {
        TToolbarButton98* button = bar->ButtonOf(item);
        ASSERT_NE(button, nullptr);
        app.Dispatch(button, [button] { button->Click(); });
    };
    sobre->OnClick = [&](TObject*) { hidden->SetVisible(true); };
    Seam<void(TMenuItem&, TPoint)>::Scoped popup(MenuPopupSeam(), [&](TMenuItem& parent, TPoint) {
        parent.Items(0)->Click();
    });
    click(ajuda);
    ASSERT_EQ(bar->ControlCount(), 3);
    EXPECT_FALSE(bar->ButtonOf(ajuda)->Down());

    // The item with sub-items changes the bar itself before its menu pops up: the menu still
    // pops up, below the item's new button.
    std::vector<std::string> popups;
    ajuda->OnClick = [&](TObject*) { hidden->SetVisible(false); };
    Seam<void(TMenuItem&, TPoint)>::Scoped recordPopup(MenuPopupSeam(), [&](TMenuItem& parent, TPoint) {
        popups.push_back(parent.Caption());
    });
    click(ajuda);
    EXPECT_EQ(popups, (std::vector<std::string>{"?"}));
    ASSERT_EQ(bar->ControlCount(), 2);
    EXPECT_FALSE(bar->ButtonOf(ajuda)->Down());
    hidden->SetVisible(true);
    ajuda->OnClick = nullptr;

    // An item without sub-items that hides itself.
    hidden->OnClick = [&](TObject*) { hidden->SetVisible(false); };
    click(hidden);
    EXPECT_EQ(bar->ControlCount(), 2);
    EXPECT_EQ(bar->ButtonOf(hidden), nullptr);
    EXPECT_EQ(popups.size(), 1u);
}
