#include "docking/docking.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/std_controls.h"
#include "picture/bitmap/bitmap.h"

#include "fake_clock.h"
#include "support/test_pictures.h"
#include "support/test_support.h"

#include <QTest>
#include <QWidget>

using namespace testing_support;
using popup_layout::PlaceLevel;

namespace {

const Rgb menuFace{192, 192, 192};
const Rgb navy{0, 0, 128};
const Rgb shadow{128, 128, 128};

// A shown form with a drawn pop-up menu: five items and a separator, the third item holding a
// sub-menu of two items.
class PopupMenuTest : public ::testing::Test {
protected:
    PopupMenuTest()
    {
        form.SetBounds(100, 100, 408, 327);
        form.Show();
        // Menus and hover borders follow the application's activation.
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
        menu = new TPopupMenu98(&form);
        menu->SetOpenAnimation(anVSlide);
        menu->SetCloseAnimation(anVSlide);
        menu->SetDoubleSpeed(true);
        for (const char* caption : {"&Abrir", "&Fechar", "&Mais", "-", "&Desabilitado", "&Sair"})
            items.push_back(add(menu->Items(), caption));
        for (const char* caption : {"&Um", "&Dois"})
            subItems.push_back(add(items[2], caption));
        items[4]->SetEnabled(false);
        sound = std::make_unique<Seam<void(const std::string&)>::Scoped>(
            EventSoundSeam(), [this](const std::string& name) {
                if (!name.empty())
                    events.push_back(name + " at " + std::to_string(clock.Now() - start));
            });
    }
    ~PopupMenuTest() override
    {
        // Whatever is still open closes and goes.
        menu->CloseMenu();
        clock.Advance(1000);
        app.ProcessMessages();
    }

    TMenuItem* add(TMenuItem* parent, const char* caption)
    {
        auto* item = new TMenuItem(&form);
        item->SetCaption(caption);
        item->OnClick = [this, caption](TObject*) { events.push_back(std::string("click ") + caption); };
        parent->Add(item);
        return item;
    }

    TPopupMenu98Form* open(TPoint at = {200, 150})
    {
        start = clock.Now();
        TPopupPlacement placement;
        placement.at = at;
        placement.upwardEnd = at.y - 20;
        menu->PopupItems(*menu->Items(), placement);
        return menu->OpenLevel();
    }

    // The cursor over an item of a level, as the window system reports it.
    void moveTo(TPopupMenu98Form& level, int index)
    {
        const TRect r = level.ItemRect(index);
        QTest::mouseMove(level.ClientWidget(), QPoint(r.left + 20, (r.top + r.bottom) / 2));
    }
    // A click on an item (on the level's client widget, where the window system delivers it).
    void clickOn(TPopupMenu98Form& level, int index)
    {
        const TRect r = level.ItemRect(index);
        QTest::mouseClick(level.ClientWidget(), Qt::LeftButton, {}, QPoint(r.left + 20, (r.top + r.bottom) / 2));
    }

    TApplication app;
    FakeClock clock;
    TForm form{nullptr};
    TPopupMenu98* menu;
    std::vector<TMenuItem*> items;
    std::vector<TMenuItem*> subItems;
    std::vector<std::string> events;
    std::int64_t start = 0;
    std::unique_ptr<Seam<void(const std::string&)>::Scoped> sound;
};

} // namespace

TEST(PopupLayout, LevelsArePlacedWithinTheWorkArea)
{
    const TRect work{0, 0, 1024, 740};
    const TSize size{150, 112};
    const TRect parent{800, 100, 950, 212};
    struct {
        const char* name;
        TPopupPlacement at;
        const TRect* parent;
        bool slidesVertically;
        TRect rect;
        bool upwards, leftwards;
    } const cases[] = {
        {"where asked", {{100, 200}, 180}, nullptr, true, {100, 200, 250, 312}, false, false},
        {"upwards from the bar near the bottom", {{100, 700}, 680}, nullptr, true, {100, 568, 250, 680}, true, false},
        {"no room above either: ending at the bottom", {{100, 700}, 100}, nullptr, true, {100, 628, 250, 740},
         false, false},
        {"a top level too far right ends at the right", {{950, 200}, 180}, nullptr, true, {874, 200, 1024, 312},
         false, false},
        {"a sub-menu too far right opens left of its parent", {{943, 120}, 120}, &parent, false,
         {656, 120, 806, 232}, false, true},
        {"the same with a vertical slide", {{943, 120}, 120}, &parent, true, {656, 120, 806, 232}, false, false},
        {"a left edge at 0 or less becomes 1", {{-20, 200}, 180}, nullptr, true, {1, 200, 151, 312}, false, false},
        {"aligned by its right edge", {{400, 200}, 180, true}, nullptr, true, {250, 200, 400, 312}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const popup_layout::Placement placed = PlaceLevel(size, c.at, work, c.parent, c.slidesVertically);
        EXPECT_EQ(placed.rect, c.rect);
        EXPECT_EQ(placed.upwards, c.upwards);
        EXPECT_EQ(placed.leftwards, c.leftwards);
    }
}

TEST(PopupLayout, AnimationFramesFollowTheItemHeightAndSpeed)
{
    struct {
        const char* name;
        TSize size;
        bool doubleSpeed, vertical, sideways;
        int frames, stepHeight, stepWidth;
    } const cases[] = {
        // Step 23: 112 ÷ 23 + 1 = 5 frames growing by 22 × 1.5 = 33.
        {"a double-speed vertical slide", {150, 112}, true, true, false, 5, 33, 46},
        // Step 11: 11 frames growing by 10 × 1.5 = 15.
        {"a plain vertical slide", {150, 112}, false, true, false, 11, 15, 21},
        // The width's 150 ÷ 23 + 1 = 7 frames win; 21 × 1.5 + 1 = 32.5 rounds to 33.
        {"an unfold", {150, 112}, true, true, true, 7, 24, 33},
        {"no animation", {150, 112}, true, false, false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const popup_layout::Animation plan =
            popup_layout::PlanAnimation(c.size, 19, c.doubleSpeed, c.vertical, c.sideways);
        EXPECT_EQ(plan.frames, c.frames);
        if (c.frames == 0)
            continue;
        EXPECT_EQ(plan.stepHeight, c.stepHeight);
        EXPECT_EQ(plan.stepWidth, c.stepWidth);
    }

    // Smart and pop-up animations: a top level slides down or unfolds, sub-menus slide sideways.
    struct {
        TMenuAnimation kind;
        bool subMenu;
        bool vertical, sideways;
    } const kinds[] = {
        {anSmart, false, true, false}, {anSmart, true, false, true}, {anPopup, false, true, true},
        {anPopup, true, false, true},  {anUnfold, true, true, true}, {anNone, false, false, false},
    };
    for (const auto& k : kinds) {
        bool vertical = false;
        bool sideways = false;
        popup_layout::AnimatedDimensions(k.kind, k.subMenu, false, vertical, sideways);
        EXPECT_EQ(vertical, k.vertical) << k.kind << " " << k.subMenu;
        EXPECT_EQ(sideways, k.sideways) << k.kind << " " << k.subMenu;
    }
    bool vertical = false;
    bool sideways = false;
    popup_layout::AnimatedDimensions(anRandom, false, true, vertical, sideways);
    EXPECT_NE(vertical, sideways);
}

TEST_F(PopupMenuTest, FiveItemsAndASeparatorAre112HighAndSlideOpenInFiveFrames)
{
    TPopupMenu98Form* level = open();
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->FullSize().cy, 5 * 19 + 11 + 6);
    // The first frame shows at once, 33 pixels of the menu's bottom; the others every 20 ms.
    EXPECT_EQ(level->FramesRun(), 1);
    EXPECT_EQ(level->Height(), 33);
    EXPECT_EQ(level->Top(), 150);
    std::vector<int> heights{level->Height()};
    for (int frame = 2; frame <= 5; ++frame) {
        clock.Advance(20);
        heights.push_back(level->Height());
    }
    EXPECT_EQ(heights, (std::vector<int>{33, 66, 99, 112, 112}));
    EXPECT_EQ(level->FramesRun(), 5);
    EXPECT_TRUE(level->Opening());
    clock.Advance(19);
    EXPECT_TRUE(level->Opening());
    clock.Advance(1);
    EXPECT_FALSE(level->Opening());
    EXPECT_EQ(level->BoundsRect(), level->OpenRect());
    // The sound after the third frame.
    EXPECT_EQ(events, (std::vector<std::string>{"MenuPopup at 40"}));
}

TEST_F(PopupMenuTest, RestingOnAnItemOpensItsSubMenuAfter300MillisecondsAndAClickAtOnce)
{
    TPopupMenu98Form* level = open();
    clock.Advance(100);
    moveTo(*level, 2);
    EXPECT_EQ(level->Selected(), 2);
    clock.Advance(299);
    EXPECT_EQ(level->ChildLevel(), nullptr);
    clock.Advance(1);
    TPopupMenu98Form* child = level->ChildLevel();
    ASSERT_NE(child, nullptr);
    // Beside the selected item, 7 pixels inside the parent's right edge; the item's own click
    // ran first.
    EXPECT_EQ(child->OpenRect().left, level->OpenRect().right - 7);
    EXPECT_EQ(child->OpenRect().top, level->OpenRect().top + level->ItemRect(2).top);
    EXPECT_EQ(events.back(), "click &Mais");

    // Moving to a plain item closes the sub-menu after the pause.
    moveTo(*level, 1);
    clock.Advance(300);
    EXPECT_TRUE(child->IsClosing());
    clock.Advance(300);
    app.ProcessMessages();
    EXPECT_EQ(level->ChildLevel(), nullptr);

    // A click on the item opens it at once.
    clickOn(*level, 2);
    EXPECT_NE(level->ChildLevel(), nullptr);
}

TEST_F(PopupMenuTest, ChoosingAnItemClosesEveryLevelBeforeItsHandlerRuns)
{
    TPopupMenu98Form* level = open();
    clock.Advance(100);
    clickOn(*level, 2);
    TPopupMenu98Form* child = level->ChildLevel();
    ASSERT_NE(child, nullptr);
    clock.Advance(100);
    bool anyLevelShown = true;
    subItems[1]->OnClick = [&](TObject*) {
        anyLevelShown = level->Widget()->isVisible() || child->Widget()->isVisible() || menu->IsOpen();
        events.push_back("click &Dois");
    };
    menu->OnMenuCommand = [&](TObject* sender) { events.push_back("command " + static_cast<TMenuItem*>(sender)->Caption()); };
    events.clear();
    clickOn(*child, 1);
    EXPECT_TRUE(events.empty());
    clock.Advance(1000);
    EXPECT_FALSE(anyLevelShown);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1], "command &Dois");
    EXPECT_EQ(events[2], "click &Dois");
    EXPECT_EQ(events[0].rfind("MenuCommand", 0), 0u);
}

TEST_F(PopupMenuTest, TheKeyboardMovesRoundTheItemsSkippingSeparatorsAndChoosesByAccessKey)
{
    TPopupMenu98Form* level = open();
    clock.Advance(100);
    QWidget* keys = form.Widget();
    std::vector<int> selected;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(keys, Qt::Key_Down);
        selected.push_back(level->Selected());
    }
    // Past the last item to the first again; the separator (3) never.
    EXPECT_EQ(selected, (std::vector<int>{0, 1, 2, 4, 5, 0, 1}));
    QTest::keyClick(keys, Qt::Key_Up);
    QTest::keyClick(keys, Qt::Key_Up);
    EXPECT_EQ(level->Selected(), 5);
    // Into a sub-menu and out again.
    level->Select(2);
    QTest::keyClick(keys, Qt::Key_Right);
    ASSERT_NE(level->ChildLevel(), nullptr);
    EXPECT_EQ(level->ChildLevel()->Selected(), 0);
    QTest::keyClick(keys, Qt::Key_Left);
    EXPECT_TRUE(level->ChildLevel()->IsClosing());
    // A disabled item's access key does nothing; an enabled one's chooses it.
    events.clear();
    QTest::keyClick(keys, Qt::Key_D);
    clock.Advance(1000);
    EXPECT_TRUE(menu->IsOpen());
    QTest::keyClick(keys, Qt::Key_F);
    clock.Advance(1000);
    EXPECT_FALSE(menu->IsOpen());
    EXPECT_EQ(events.back(), "click &Fechar");
}

TEST_F(PopupMenuTest, EscapeClosesOneLevelAndAPressElsewhereClosesAllAndGoesOn)
{
    TPopupMenu98Form* level = open();
    clock.Advance(100);
    level->Select(2);
    level->OpenSubmenu(true);
    clock.Advance(100);
    QTest::keyClick(form.Widget(), Qt::Key_Escape);
    EXPECT_TRUE(level->ChildLevel()->IsClosing());
    EXPECT_TRUE(menu->IsOpen());
    QTest::keyClick(form.Widget(), Qt::Key_Escape);
    EXPECT_FALSE(menu->IsOpen());
    clock.Advance(1000);

    auto* button = new TButton(&form);
    button->SetParent(&form);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    open();
    clock.Advance(100);
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(menu->IsOpen());
    EXPECT_EQ(clicks, 1);
}

TEST_F(PopupMenuTest, DrawsTheSelectionSeparatorsDisabledItemsAndSeeThroughBitmaps)
{
    // A 16 × 16 bitmap: red with a white-backed corner; its bottom-left pixel (white) is the
    // see-through colour.
    TBitmap picture;
    picture.SetWidth(16);
    picture.SetHeight(16);
    picture.Surface().Brush().SetColor(clRed);
    picture.Surface().FillRect(TRect{0, 0, 16, 16});
    picture.Surface().Brush().SetColor(clWhite);
    picture.Surface().FillRect(TRect{0, 12, 4, 16});
    items[0]->SetCheckBitmaps(&picture, &picture);
    items[1]->SetChecked(true);
    TPopupMenu98Form* level = open();
    clock.Advance(100);
    QImage shown = grabControl(*level);
    const TRect first = level->ItemRect(0);
    // The bitmap at the left of the item, centred in a square as high as the item; the menu's
    // colour where it is see-through.
    EXPECT_EQ(pixelAt(shown, first.left + 10, first.top + 5), red);
    EXPECT_EQ(pixelAt(shown, first.left + 2 + 1, first.top + 2 + 14), menuFace);
    // The separator's groove, three pixels below its top.
    const TRect separator = level->ItemRect(3);
    EXPECT_EQ(pixelAt(shown, 20, separator.top + 3), shadow);
    EXPECT_EQ(pixelAt(shown, 20, separator.top + 4), white);
    // A checked item's sunken square.
    const TRect checked = level->ItemRect(1);
    EXPECT_EQ(pixelAt(shown, checked.left, checked.top), shadow);

    // The selection in the highlight colour; a disabled item stays on the menu's colour.
    level->Select(1);
    shown = grabControl(*level);
    EXPECT_EQ(pixelAt(shown, level->Width() - 10, checked.top + 2), navy);
    level->Select(4);
    shown = grabControl(*level);
    EXPECT_EQ(pixelAt(shown, level->Width() - 10, checked.top + 2), menuFace);
    const TRect disabled = level->ItemRect(4);
    EXPECT_EQ(pixelAt(shown, level->Width() - 10, disabled.top + 2), menuFace);
    // Its caption embossed: grey, darker than the face where the shadow lies and lighter where
    // the highlight shows, and nowhere black.
    int shadowPixels = 0;
    int highlightPixels = 0;
    int blackPixels = 0;
    for (int y = disabled.top; y < disabled.bottom; ++y)
        for (int x = 27; x < 80; ++x) {
            const Rgb p = pixelAt(shown, x, y);
            shadowPixels += p.red < 160;
            highlightPixels += p.red > 224;
            blackPixels += p.red < 100;
        }
    EXPECT_EQ(blackPixels, 0);
    EXPECT_GT(shadowPixels, 10);
    EXPECT_GT(highlightPixels, 10);
    items[0]->SetCheckBitmaps(nullptr, nullptr);
}

TEST_F(PopupMenuTest, ClosedMenusLeaveNoWindowBehindAndAMenuFreedWhileOpenTellsItsOpener)
{
    const int forms = Screen->FormCount();
    // Opened with a sub-menu and closed, again and again: every level goes each time.
    for (int round = 0; round < 3; ++round) {
        TPopupMenu98Form* level = open();
        clock.Advance(100);
        level->Select(2);
        level->OpenSubmenu(true);
        EXPECT_EQ(Screen->FormCount(), forms + 2);
        clock.Advance(100);
        menu->CloseMenu();
        clock.Advance(1000);
        EXPECT_EQ(Screen->FormCount(), forms) << "round " << round;
    }

    // A menu freed with its levels open takes them along; its opener still hears that it closed,
    // and the keyboard reaches the form again.
    auto* doomed = new TPopupMenu98(&form);
    add(doomed->Items(), "&Outro");
    bool closed = false;
    doomed->PopupItems(*doomed->Items(), TPopupPlacement{{200, 150}, 130}, &form, [&] { closed = true; });
    clock.Advance(100);
    ASSERT_TRUE(doomed->IsOpen());
    delete doomed;
    EXPECT_EQ(Screen->FormCount(), forms);
    EXPECT_FALSE(closed) << "told once the current call has returned";
    clock.Advance(0);
    EXPECT_TRUE(closed);
    int keys = 0;
    form.OnKeyDown = [&](TObject*, unsigned short&, TShiftState) { ++keys; };
    QTest::keyClick(form.Widget(), Qt::Key_Down);
    EXPECT_EQ(keys, 1);
}
