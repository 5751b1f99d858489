#include "docking/docking.h"
#include "docking/floating_frame.h"
#include "framework/application.h"
#include "framework/forms.h"

#include "support/test_support.h"

#include <QTest>
#include <QWidget>

namespace {

// A shown form with a top dock holding one tool window of client size 100 × 30.
class ToolWindowTest : public ::testing::Test {
protected:
    ToolWindowTest()
    {
        form.SetBounds(100, 100, 608, 427);
        dock = new TDock97(&form);
        dock->SetParent(&form);
        window = new TToolWindow97(&form);
        window->SetCaption("Painel");
        window->SetClientSize(100, 30);
        window->SetDockedTo(dock);
        form.Show();
    }

    QPoint centreOf(const TRect& r) const { return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

    TApplication app;
    TForm form{nullptr};
    TDock97* dock;
    TToolWindow97* window;
};

} // namespace

TEST_F(ToolWindowTest, FloatsInASmallWindowOfItsOwnAtItsFloatingPosition)
{
    EXPECT_EQ(window->FloatingWindow(), nullptr);
    window->SetFloatingPosition({300, 200});
    window->SetDockedTo(nullptr);
    TForm* floating = window->FloatingWindow();
    ASSERT_NE(floating, nullptr);
    EXPECT_EQ(window->Parent(), floating);
    EXPECT_EQ(dock->Height(), 0);
    // Sizing frame 4 on every side, small caption 15 above the client area.
    EXPECT_EQ(window->NonClientMargins(), (TRect{4, 19, 4, 4}));
    EXPECT_EQ(floating->BoundsRect(), (TRect{300, 200, 300 + 108, 200 + 53}));
    EXPECT_TRUE(floating->Widget()->isWindow());
    EXPECT_TRUE(floating->Widget()->isVisible());
    EXPECT_EQ(window->ClientToScreen({0, 0}), (TPoint{300, 200}));
    EXPECT_EQ(window->ClientWidth(), 100);
    EXPECT_EQ(window->ClientHeight(), 30);

    // Not resizable: the dialog frame, 3 pixels.
    window->SetResizable(false);
    EXPECT_EQ(floating->Width(), 106);
    // Docked again, the floating window goes out of sight and the dock takes the window back.
    window->SetDockedTo(dock);
    EXPECT_FALSE(floating->Widget()->isVisible());
    EXPECT_EQ(dock->Height(), 34);
}

TEST_F(ToolWindowTest, AFloatingWindowIsKeptOnTheWorkArea)
{
    // The offscreen screen: 1024 × 768, all of it work area.
    struct {
        TRect rect;
        bool acceptOverlap;
        TRect kept;
    } const cases[] = {
        {{1000, 700, 1100, 750}, false, {924, 700, 1024, 750}},
        {{1000, 740, 1100, 790}, false, {924, 718, 1024, 768}},
        {{-30, -10, 70, 40}, false, {0, 0, 100, 50}},
        {{-30, -10, 70, 40}, true, {-30, -10, 70, 40}},
        {{-130, -60, -30, -10}, true, {0, 0, 100, 50}},
        // Larger than the work area: the left and top edges win.
        {{100, 100, 1200, 150}, false, {0, 100, 1100, 150}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeepOnWorkArea(c.rect, c.acceptOverlap), c.kept);

    window->SetFloatingPosition({-200, 900});
    window->SetDockedTo(nullptr);
    EXPECT_EQ(window->FloatingWindow()->BoundsRect(), (TRect{0, 768 - 53, 108, 768}));
    EXPECT_EQ(window->FloatingPosition(), (TPoint{0, 768 - 53}));
}

TEST_F(ToolWindowTest, OnlyAFloatingWindowHasACloseButtonAndItHidesBeforeTelling)
{
    EXPECT_TRUE(window->CloseButtonRect().isEmpty());
    window->SetFloatingPosition({20, 100});
    window->SetDockedTo(nullptr);
    const TRect close = window->CloseButtonRect();
    // At the right end of the caption, as high as the caption less 1.
    EXPECT_EQ(close, (TRect{108 - 4 - 14, 4, 108 - 4, 4 + 14}));
    window->SetCloseButton(false);
    EXPECT_TRUE(window->CloseButtonRect().isEmpty());
    window->SetCloseButton(true);

    bool visibleWhenTold = true;
    int closes = 0;
    window->OnClose = [&](TObject*) {
        ++closes;
        visibleWhenTold = window->Visible();
    };
    QWidget* widget = window->Widget();
    // Released elsewhere: nothing.
    QTest::mousePress(widget, Qt::LeftButton, {}, centreOf(close));
    QTest::mouseMove(widget, QPoint(30, 10));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(window->Visible());
    QTest::mouseClick(widget, Qt::LeftButton, {}, centreOf(close));
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(visibleWhenTold);
    EXPECT_FALSE(window->Visible());
    EXPECT_FALSE(window->FloatingWindow()->Widget()->isVisible());
    // Shown again, it floats where it was.
    window->Show();
    EXPECT_TRUE(window->FloatingWindow()->Widget()->isVisible());
    EXPECT_EQ(window->FloatingWindow()->Left(), 20);
}

TEST_F(ToolWindowTest, ADoubleClickFloatsADockedWindowAndDocksAFloatingOneFirstInItsDefaultDock)
{
    auto* other = new TToolWindow97(&form);
    other->SetClientSize(80, 30);
    other->SetDockPos(0);
    other->SetDockedTo(dock);
    window->SetDefaultDock(dock);
    ASSERT_EQ(window->DockPos(), 0);
    ASSERT_EQ(other->DockPos(), 113);
    const TPoint stood = window->ClientToScreen({0, 0});

    std::vector<std::string> events;
    window->OnDockChanging = [&](TObject*) { events.push_back("changing"); };
    window->OnRecreating = [&](TObject*) { events.push_back("recreating"); };
    window->OnDockChanged = [&](TObject*) { events.push_back(window->Docked() ? "docked" : "floating"); };
    window->OnRecreated = [&](TObject*) { events.push_back("recreated"); };

    QTest::mouseDClick(window->Widget(), Qt::LeftButton, {}, QPoint(5, 10));
    ASSERT_NE(window->FloatingWindow(), nullptr);
    // A window that never floated floats where it stood.
    EXPECT_EQ(window->FloatingPosition(), stood);
    EXPECT_EQ(other->Left(), 113);

    // On its caption: back to the dock, first in row 0.
    QTest::mouseDClick(window->Widget(), Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(window->DockedTo(), dock);
    EXPECT_EQ(window->DockRow(), 0);
    EXPECT_EQ(window->DockPos(), 0);
    EXPECT_EQ(other->DockPos(), 113);
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "recreating", "floating", "recreated", "changing",
                                                "recreating", "docked", "recreated"}));
    // Without a default dock, a floating window stays afloat.
    window->SetDefaultDock(nullptr);
    window->SetDockedTo(nullptr);
    QTest::mouseDClick(window->Widget(), Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_FALSE(window->Docked());
}

TEST_F(ToolWindowTest, DraggingTheFrameResizesAFloatingToolWindowDownToItsMinimumClientSize)
{
    window->SetMinClientHeight(20);
    window->SetFloatingPosition({300, 200});
    window->SetDockedTo(nullptr);
    QWidget* widget = window->Widget();
    // The right edge 40 pixels further, the bottom-left corner 20 down and 30 to the left.
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(106, 30));
    QTest::mouseMove(widget, QPoint(146, 30));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(146, 30));
    EXPECT_EQ(window->KeptClientWidth(), 140);
    EXPECT_EQ(window->FloatingWindow()->BoundsRect(), (TRect{300, 200, 448, 253}));
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(1, 51));
    QTest::mouseMove(widget, QPoint(-29, 71));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(-29, 71));
    EXPECT_EQ(window->KeptClientWidth(), 170);
    EXPECT_EQ(window->KeptClientHeight(), 50);
    EXPECT_EQ(window->FloatingWindow()->BoundsRect(), (TRect{270, 200, 448, 273}));
    // Far too small: the minimum client size, with the right edge where it was.
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(1, 30));
    QTest::mouseMove(widget, QPoint(400, 30));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(400, 30));
    EXPECT_EQ(window->KeptClientWidth(), 32);
    EXPECT_EQ(window->FloatingWindow()->BoundsRect(), (TRect{448 - 40, 200, 448, 273}));
}

TEST_F(ToolWindowTest, FloatingWindowsHideWhileTheApplicationIsInactiveOrTheFormHidden)
{
    window->SetFloatingPosition({300, 200});
    window->SetDockedTo(nullptr);
    QWidget* floating = window->FloatingWindow()->Widget();
    ASSERT_TRUE(floating->isVisible());
    app.ActivationListeners(false);
    EXPECT_FALSE(floating->isVisible());
    EXPECT_TRUE(window->Visible());
    app.ActivationListeners(true);
    EXPECT_TRUE(floating->isVisible());

    // One that stays while inactive.
    window->SetHideWhenInactive(false);
    app.ActivationListeners(false);
    EXPECT_TRUE(floating->isVisible());
    app.ActivationListeners(true);

    form.Hide();
    EXPECT_FALSE(floating->isVisible());
    form.Show();
    EXPECT_TRUE(floating->isVisible());
    form.SetWindowState(wsMinimized);
    EXPECT_FALSE(floating->isVisible());
    form.SetWindowState(wsNormal);
    EXPECT_TRUE(floating->isVisible());
}

TEST_F(ToolWindowTest, AWindowPlacedOnTheFormFloatsWhereTheDesignPutIt)
{
    TForm designed(nullptr);
    designed.SetBounds(50, 60, 400, 300);
    auto* panel = new TToolWindow97(&designed);
    panel->BeginLoading();
    panel->SetParentComponent(&designed);
    panel->SetBounds(10, 20, 60, 60);
    static_cast<TComponent*>(panel)->Loaded();
    ASSERT_NE(panel->FloatingWindow(), nullptr);
    EXPECT_EQ(panel->FloatingPosition(), designed.ClientToScreen({10, 20}));
}
