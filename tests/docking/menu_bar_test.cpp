#include "docking/docking.h"
#include "framework/application.h"
#include "framework/class_registry.h"
#include "framework/design_reader.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "picture/bitmap/bitmap.h"

#include "support/test_support.h"
#include "support/test_pictures.h"

#include <QTest>
#include <QWidget>

using namespace testing_support;

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
