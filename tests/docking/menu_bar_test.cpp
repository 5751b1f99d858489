#include "docking/docking.h"
#include "framework/application.h"
#include "framework/class_registry.h"
#include "framework/design_reader.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "picture/bitmap/bitmap.h"

#include "fake_clock.h"
#include "support/test_pictures.h"
#include "support/test_support.h"

#include <QTest>
#include <QWidget>

using namespace testing_support;

namespace {

// A shown form whose main menu is shown by a menu bar toolbar, read from a design; the menus
// open without animation, on a clock of the test's.
class MenuBarTest : public ::testing::Test {
protected:
    MenuBarTest()
    {
        RegisterFrameworkClasses();
        RegisterDockingClasses();
        ReadDesignText(form, R"({"class": "TForm", "name": "Janela",
            "properties": {"Left": 100, "Top": 100, "ClientWidth": 400, "ClientHeight": 300, "Menu": "Menu"},
            "components": [
              {"class": "TDock97", "name": "Dock", "components": [
                {"class": "TMainMenu98", "name": "Bar", "properties": {"MainMenu": "Menu", "CloseButton": false,
                  "DoubleSpeed": true, "OpenAnimation": "anNone", "CloseAnimation": "anNone"}}]},
              {"class": "TMainMenu", "name": "Menu", "components": [
                {"class": "TMenuItem", "name": "arquivo", "properties": {"Caption": "&Arquivo"}, "components": [
                  {"class": "TMenuItem", "name": "abrir", "properties": {"Caption": "&Abrir"}},
                  {"class": "TMenuItem", "name": "N1", "properties": {"Caption": "-"}},
                  {"class": "TMenuItem", "name": "visualizar", "properties": {"Caption": "&Visualizar"}},
                  {"class": "TMenuItem", "name": "imprimir", "properties": {"Caption": "&Imprimir"}},
                  {"class": "TMenuItem", "name": "N2", "properties": {"Caption": "-"}},
                  {"class": "TMenuItem", "name": "sair", "properties": {"Caption": "&Sair"}}]},
                {"class": "TMenuItem", "name": "hidden", "properties": {"Caption": "Oculto", "Visible": false}},
                {"class": "TMenuItem", "name": "exibir", "properties": {"Caption": "E&xibir"}, "components": [
                  {"class": "TMenuItem", "name": "normal", "properties": {"Caption": "&Normal"}}]},
                {"class": "TMenuItem", "name": "ajuda", "properties": {"Caption": "?"}, "components": [
                  {"class": "TMenuItem", "name": "sobre", "properties": {"Caption": "Sobre...",
                    "OnClick": "SobreClick"}}]}]}]})",
                       [this](std::string_view name) { return form.FindHandler(name); }, "menu bar test");
        dock = dynamic_cast<TDock97*>(form.FindComponent("Dock"));
        bar = dynamic_cast<TMainMenu98*>(form.FindComponent("Bar"));
        for (const char* name : {"arquivo", "hidden", "exibir", "ajuda", "sobre", "abrir"})
            items[name] = dynamic_cast<TMenuItem*>(form.FindComponent(name));
        form.Show();
        // Menus and hover borders follow the application's activation.
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
    }
    ~MenuBarTest() override
    {
        if (TPopupMenu98* open = bar->OpenMenu())
            open->CloseMenu();
        clock.Advance(1000);
        app.ProcessMessages();
    }

    TMenuItem* item(const char* name) { return items.at(name); }
    TToolbarButton98* button(const char* name) { return bar->ButtonOf(item(name)); }
    void press(const char* name) { QTest::mousePress(button(name)->Widget(), Qt::LeftButton, {}, QPoint(5, 5)); }
    void release(const char* name) { QTest::mouseRelease(button(name)->Widget(), Qt::LeftButton, {}, QPoint(5, 5)); }
    TMenuItem* openItems()
    {
        TPopupMenu98* open = bar->OpenMenu();
        return open && open->OpenLevel() ? open->OpenLevel()->Items() : nullptr;
    }

    TApplication app;
    FakeClock clock;
    std::vector<std::string> events;
    TForm form{nullptr};
    TDock97* dock;
    TMainMenu98* bar;
    std::map<std::string, TMenuItem*> items;
    bool registered = [this] {
        form.RegisterHandler("SobreClick", std::any(TNotifyEvent([this](TObject*) { events.push_back("Sobre"); })));
        return true;
    }();
};

} // namespace

TEST_F(MenuBarTest, OneButtonPerVisibleItemInPlaceOfTheNativeMenu)
{
    EXPECT_FALSE(form.NativeMenuVisible());
    EXPECT_EQ(form.ClientHeight(), 300);
    EXPECT_EQ(bar->Caption(), "Menu Bar");
    ASSERT_EQ(bar->ControlCount(), 3);
    EXPECT_EQ(button("arquivo")->Caption(), "&Arquivo");
    EXPECT_EQ(button("ajuda")->Caption(), "?");
    EXPECT_EQ(button("hidden"), nullptr);
    // Each drop-down menu has the bar's settings.
    auto* menu = dynamic_cast<TPopupMenu98*>(button("arquivo")->DropdownMenu());
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->DoubleSpeed());
    EXPECT_EQ(menu->OpenAnimation(), anNone);
    EXPECT_EQ(button("arquivo")->GroupIndex(), 1);
    EXPECT_FALSE(button("arquivo")->DropdownArrow());
    // Full size: the bar spans the dock.
    EXPECT_EQ(bar->Width(), dock->Width());

    item("arquivo")->SetCaption("&Ficheiro");
    EXPECT_EQ(button("arquivo")->Caption(), "&Ficheiro");
    item("hidden")->SetVisible(true);
    EXPECT_EQ(bar->ControlCount(), 4);
}

TEST_F(MenuBarTest, PressingAButtonOpensItsMenuBelowItAndPressingItAgainClosesIt)
{
    item("arquivo")->OnClick = [&](TObject*) { events.push_back("Arquivo"); };
    press("arquivo");
    release("arquivo");
    EXPECT_EQ(events, (std::vector<std::string>{"Arquivo"}));
    EXPECT_EQ(openItems(), item("arquivo"));
    EXPECT_TRUE(button("arquivo")->Down());
    const TPoint below = button("arquivo")->ClientToScreen({0, button("arquivo")->Height()});
    EXPECT_EQ(bar->OpenMenu()->OpenLevel()->OpenRect().left, below.x);
    EXPECT_EQ(bar->OpenMenu()->OpenLevel()->OpenRect().top, below.y);

    press("arquivo");
    EXPECT_EQ(bar->OpenMenu(), nullptr);
    clock.Advance(10);
    EXPECT_FALSE(button("arquivo")->Down());
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(MenuBarTest, SobreThroughTheBarRunsTheSameHandlerAsTheItem)
{
    item("sobre")->Click();
    ASSERT_EQ(events, (std::vector<std::string>{"Sobre"}));
    press("ajuda");
    release("ajuda");
    TPopupMenu98Form* level = bar->OpenMenu()->OpenLevel();
    const TRect r = level->ItemRect(0);
    QTest::mouseClick(level->ClientWidget(), Qt::LeftButton, {}, QPoint(r.left + 20, r.top + 5));
    clock.Advance(10);
    EXPECT_EQ(events, (std::vector<std::string>{"Sobre", "Sobre"}));
    EXPECT_EQ(bar->OpenMenu(), nullptr);
    EXPECT_FALSE(button("ajuda")->Down());
}

TEST_F(MenuBarTest, AccessKeysOpenTheMenusAndTheArrowsMoveBetweenThem)
{
    QWidget* focus = form.ClientWidget();
    QTest::keyClick(focus, Qt::Key_A, Qt::AltModifier);
    ASSERT_EQ(openItems(), item("arquivo"));
    EXPECT_EQ(bar->OpenMenu()->OpenLevel()->Selected(), 0);
    // Past the hidden item to the next menu, round the ends from the last.
    QTest::keyClick(focus, Qt::Key_Right);
    EXPECT_EQ(openItems(), item("exibir"));
    QTest::keyClick(focus, Qt::Key_Right);
    EXPECT_EQ(openItems(), item("ajuda"));
    QTest::keyClick(focus, Qt::Key_Right);
    EXPECT_EQ(openItems(), item("arquivo"));
    QTest::keyClick(focus, Qt::Key_Left);
    EXPECT_EQ(openItems(), item("ajuda"));
    clock.Advance(10);
    EXPECT_TRUE(button("ajuda")->Down());
    EXPECT_FALSE(button("arquivo")->Down());
    // Another access key moves straight to its menu; Esc closes.
    QTest::keyClick(focus, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(openItems(), item("exibir"));
    QTest::keyClick(focus, Qt::Key_Escape);
    clock.Advance(10);
    EXPECT_EQ(bar->OpenMenu(), nullptr);
    EXPECT_FALSE(button("exibir")->Down());
    // Without Alt the letter is the focused control's.
    QTest::keyClick(focus, Qt::Key_A);
    EXPECT_EQ(bar->OpenMenu(), nullptr);
}

TEST_F(MenuBarTest, MovingOntoAnotherButtonWhileAMenuIsOpenOpensThatOne)
{
    press("arquivo");
    release("arquivo");
    QWidget* other = button("exibir")->Widget();
    // A move of a pixel or two is not enough.
    QTest::mouseMove(other, QPoint(5, 5));
    QTest::mouseMove(other, QPoint(6, 6));
    EXPECT_EQ(openItems(), item("arquivo"));
    QTest::mouseMove(other, QPoint(12, 6));
    EXPECT_EQ(openItems(), item("exibir"));
    clock.Advance(10);
    EXPECT_TRUE(button("exibir")->Down());
    EXPECT_FALSE(button("arquivo")->Down());
}

TEST_F(MenuBarTest, AMenuNearTheBottomOfTheScreenOpensUpwardsFromItsButton)
{
    // 4 items and 2 separators: 4 × 19 + 2 × 11 + 6 = 104 pixels, below a button near the
    // bottom of the screen.
    form.SetBounds(100, 768 - 60, 408, 60);
    const TPoint top = button("arquivo")->ClientToScreen({0, 0});
    ASSERT_GT(top.y + button("arquivo")->Height() + 104, 768);
    press("arquivo");
    release("arquivo");
    TPopupMenu98Form* level = bar->OpenMenu()->OpenLevel();
    EXPECT_EQ(level->FullSize().cy, 104);
    EXPECT_TRUE(level->OpenedUpwards());
    EXPECT_EQ(level->OpenRect().bottom, top.y);
    EXPECT_EQ(level->BoundsRect(), level->OpenRect());
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

TEST_F(MenuBarTest, AnItemThatChangesTheBarWhileItsMenuOpensLeavesNoButtonBehind)
{
    // A command chosen from the bar may show or hide a top-level item: the bar makes its buttons
    // again while the clicked button is still handling its click.
    item("sobre")->OnClick = [&](TObject*) { item("hidden")->SetVisible(true); };
    press("ajuda");
    release("ajuda");
    bar->OpenMenu()->OpenLevel()->Choose(0);
    clock.Advance(10);
    ASSERT_EQ(bar->ControlCount(), 4);
    EXPECT_FALSE(button("ajuda")->Down());

    // The item with sub-items changes the bar itself before its menu opens: the menu still opens,
    // below the item's new button.
    item("ajuda")->OnClick = [&](TObject*) { item("hidden")->SetVisible(false); };
    press("ajuda");
    ASSERT_EQ(bar->ControlCount(), 3);
    EXPECT_EQ(openItems(), item("ajuda"));
    EXPECT_TRUE(button("ajuda")->Down());
    const TPoint below = button("ajuda")->ClientToScreen({0, button("ajuda")->Height()});
    EXPECT_EQ(bar->OpenMenu()->OpenLevel()->OpenRect().left, below.x);
    bar->OpenMenu()->CloseMenu();
    clock.Advance(10);
    item("ajuda")->OnClick = nullptr;

    // An item without sub-items that hides itself.
    item("hidden")->SetVisible(true);
    item("hidden")->OnClick = [&](TObject*) { item("hidden")->SetVisible(false); };
    press("hidden");
    release("hidden");
    EXPECT_EQ(bar->ControlCount(), 3);
    EXPECT_EQ(button("hidden"), nullptr);
}
