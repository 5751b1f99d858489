// Dragging toolbars with the mouse, as the window system delivers it: a press, moves with the
// button held (they go to the pressed window), a release.

#include "docking/docking.h"
#include "framework/application.h"
#include "framework/forms.h"

#include "support/test_support.h"

#include <QTest>
#include <QWidget>

namespace {

// A window laid out as the viewer's main window: a top dock with a full-size bar in row 0 and
// two toolbars in row 1, a left dock with a tool window, and empty right and bottom docks.
class DragTest : public ::testing::Test {
protected:
    DragTest()
    {
        form.SetBounds(100, 50, 592, 478);
        top = makeDock(dpTop);
        bottom = makeDock(dpBottom);
        left = makeDock(dpLeft);
        right = makeDock(dpRight);
        bar = toolbar("Menu Bar", 1, 0, 0);
        bar->SetFullSize(true);
        tools = toolbar("Ferramentas", 4, 1, 0);
        zoom = toolbar("Zoom", 2, 1, 164);
        panel = new TToolWindow97(&form);
        panel->SetCaption("Drive");
        panel->SetClientSize(162, 38);
        panel->SetDockedTo(left);
        form.Show();
    }

    TDock97* makeDock(TDockPosition position)
    {
        auto* dock = new TDock97(&form);
        dock->SetParent(&form);
        dock->SetPosition(position);
        return dock;
    }

    // A toolbar of `count` buttons, a separator after the first.
    TToolbar97* toolbar(const char* caption, int count, int row, int position)
    {
        auto* result = new TToolbar97(&form);
        result->SetCaption(caption);
        for (int i = 0; i < count; ++i) {
            if (i == 1)
                (new TToolbarSep97(&form))->SetParent(result);
            (new TToolbarButton97(&form))->SetParent(result);
        }
        result->SetDockRow(row);
        result->SetDockPos(position);
        result->SetDockedTo(top);
        return result;
    }

    // Presses at a point of the window (its own coordinates), moves the cursor to a screen point
    // in steps and releases it there.
    void drag(TCustomToolWindow97& window, QPoint from, TPoint toScreen, Qt::KeyboardModifiers pressed = {})
    {
        QWidget* widget = window.Widget();
        const TPoint start = window.ClientToScreen({from.x(), from.y()});
        QTest::mousePress(widget, Qt::LeftButton, pressed, from);
        for (int step = 1; step <= 4; ++step) {
            const TPoint at{start.x + (toScreen.x - start.x) * step / 4, start.y + (toScreen.y - start.y) * step / 4};
            const TPoint local = window.ScreenToClient(at);
            QTest::mouseMove(widget, QPoint(local.x, local.y));
        }
        const TPoint local = window.ScreenToClient(toScreen);
        QTest::mouseRelease(widget, Qt::LeftButton, pressed, QPoint(local.x, local.y));
    }

    TApplication app;
    TForm form{nullptr};
    TDock97 *top, *bottom, *left, *right;
    TToolbar97 *bar, *tools, *zoom;
    TToolWindow97* panel;
};

} // namespace

TEST_F(DragTest, StartsLaidOutAsDesigned)
{
    EXPECT_EQ(top->Height(), 52);
    EXPECT_EQ(tools->BoundsRect(), (TRect{0, 26, 111, 52}));
    EXPECT_EQ(zoom->BoundsRect(), (TRect{164, 26, 164 + 65, 52}));
    EXPECT_EQ(left->BoundsRect(), (TRect{0, 52, 166, 451}));
    EXPECT_EQ(panel->BoundsRect(), (TRect{0, 0, 166, 51}));
}

TEST_F(DragTest, AToolbarDraggedByItsSeparatorIntoTheLeftDockDocksThereAndThenFloatsOutOfIt)
{
    // Taken by its separator (a press there belongs to the toolbar), dropped over the left dock
    // 150 pixels below its top.
    const TPoint target = left->ClientToScreen({80, 150});
    QWidget* widget = tools->Widget();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(11 + 23 + 3, 13));
    const TPoint local = tools->ScreenToClient(target);
    QTest::mouseMove(widget, QPoint(local.x, local.y));
    EXPECT_TRUE(tools->Dragging());
    EXPECT_EQ(tools->DragTarget(), left);
    // The outline is the toolbar as the left dock would hold it: a column 27 × 107, placed at
    // the cursor by where it was taken hold of (37 of 111 across, 13 of 26 down).
    const TRect outline = tools->DragOutline();
    EXPECT_EQ(outline.width(), 27);
    EXPECT_EQ(outline.height(), 107);
    EXPECT_EQ(outline.left, target.x - 9);
    EXPECT_EQ(outline.top, target.y - 54);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(local.x, local.y));
    EXPECT_FALSE(tools->Dragging());
    EXPECT_EQ(tools->DockedTo(), left);
    EXPECT_EQ(tools->DockRow(), 0);
    EXPECT_EQ(tools->DockPos(), 150 - 54);
    // Laid out in a column; the row is as thick as the tool window beside it.
    EXPECT_EQ(tools->BoundsRect(), (TRect{0, 96, 166, 96 + 107}));
    EXPECT_TRUE(tools->CloseButtonRect().isEmpty());
    EXPECT_EQ(top->Height(), 52);
    EXPECT_EQ(zoom->Top(), 26);

    // Out by its handle (at its top now) into the picture area: it floats where the outline was.
    const TPoint free = form.ClientToScreen({350, 250});
    drag(*tools, QPoint(80, 5), free);
    ASSERT_NE(tools->FloatingWindow(), nullptr);
    // Taken at 80 of 166 across and 5 of 107 down; floating it is 114 × 48.
    const TPoint expected{free.x - 55, free.y - 2};
    EXPECT_EQ(tools->FloatingPosition(), expected);
    EXPECT_EQ(tools->FloatingWindow()->BoundsRect(), (TRect{expected.x, expected.y, expected.x + 114, expected.y + 48}));
    EXPECT_FALSE(tools->CloseButtonRect().isEmpty());
    EXPECT_EQ(left->DockedWindows().size(), 1u);
}

TEST_F(DragTest, DroppedNearARowBoundaryItOpensANewRowThere)
{
    // Zoom's middle (taken at half its height) 3 pixels above the boundary between the menu
    // bar's row and the toolbars' row.
    const TPoint target = top->ClientToScreen({300, 23});
    drag(*zoom, QPoint(5, 13), target);
    EXPECT_EQ(zoom->DockedTo(), top);
    EXPECT_EQ(bar->DockRow(), 0);
    EXPECT_EQ(zoom->DockRow(), 1);
    EXPECT_EQ(zoom->DockPos(), 300 - 5);
    EXPECT_EQ(tools->DockRow(), 2);
    EXPECT_EQ(top->Height(), 78);

    // Well inside the toolbars' row again: back into it.
    drag(*zoom, QPoint(5, 13), top->ClientToScreen({200, 65}));
    EXPECT_EQ(zoom->DockRow(), 1);
    EXPECT_EQ(tools->DockRow(), 1);
    EXPECT_EQ(top->Height(), 52);
}

TEST_F(DragTest, CtrlKeepsItFromDockingEscapeAndAClickWithoutMovingChangeNothing)
{
    // Ctrl held: the outline floats even over a dock.
    const TPoint overLeft = left->ClientToScreen({80, 200});
    QWidget* widget = zoom->Widget();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(5, 13));
    QTest::keyPress(widget, Qt::Key_Control);
    TPoint local = zoom->ScreenToClient(overLeft);
    QTest::mouseMove(widget, QPoint(local.x, local.y));
    EXPECT_EQ(zoom->DragTarget(), nullptr);
    QTest::keyRelease(widget, Qt::Key_Control);
    EXPECT_EQ(zoom->DragTarget(), left);
    QTest::keyPress(widget, Qt::Key_Control);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(local.x, local.y));
    QTest::keyRelease(widget, Qt::Key_Control);
    ASSERT_NE(zoom->FloatingWindow(), nullptr);

    // Esc: the drag ends and the window stays where it was.
    const TRect before = zoom->FloatingWindow()->BoundsRect();
    QWidget* floating = zoom->Widget();
    QTest::mousePress(floating, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseMove(floating, QPoint(-200, 200));
    ASSERT_TRUE(zoom->Dragging());
    QTest::keyClick(floating, Qt::Key_Escape);
    EXPECT_TRUE(zoom->DragOutline().isEmpty());
    QTest::mouseRelease(floating, Qt::LeftButton, {}, QPoint(-200, 200));
    EXPECT_EQ(zoom->FloatingWindow()->BoundsRect(), before);

    // A press and release in one place, here over the top dock, drops nothing.
    zoom->SetFloatingPosition(top->ClientToScreen({400, 5}));
    const TRect overTop = zoom->FloatingWindow()->BoundsRect();
    QTest::mouseClick(floating, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(zoom->FloatingWindow()->BoundsRect(), overTop);
    // Moved a little there, it docks.
    drag(*zoom, QPoint(20, 10), zoom->ClientToScreen({22, 10}));
    EXPECT_EQ(zoom->DockedTo(), top);
}

TEST_F(DragTest, ADockMayRefuseAndAWindowKeepsToTheDocksItMayGoTo)
{
    const TPoint overLeft = left->ClientToScreen({80, 200});
    left->OnRequestDock = [&](TObject* sender, TCustomToolWindow97* window, bool& accept) {
        EXPECT_EQ(sender, left);
        EXPECT_EQ(window, zoom);
        accept = false;
    };
    drag(*zoom, QPoint(5, 13), overLeft);
    EXPECT_NE(zoom->FloatingWindow(), nullptr);

    left->OnRequestDock = nullptr;
    zoom->SetDockableTo(1u << dpTop);
    drag(*zoom, QPoint(20, 10), overLeft);
    EXPECT_NE(zoom->FloatingWindow(), nullptr);
    zoom->SetDockableTo(1u << dpLeft);
    drag(*zoom, QPoint(30, 10), overLeft);
    EXPECT_EQ(zoom->DockedTo(), left);

    // A dock that allows no dragging keeps its windows.
    left->SetAllowDrag(false);
    drag(*panel, QPoint(80, 1), form.ClientToScreen({350, 250}));
    EXPECT_EQ(panel->DockedTo(), left);
}

TEST_F(DragTest, AFullSizeBarDroppedIntoAnOccupiedRowGetsARowAfterIt)
{
    // The menu bar taken by its handle and dropped in the middle of the toolbars' row.
    drag(*bar, QPoint(5, 13), top->ClientToScreen({300, 39}));
    EXPECT_EQ(tools->DockRow(), 0);
    EXPECT_EQ(zoom->DockRow(), 0);
    EXPECT_EQ(bar->DockRow(), 1);
    EXPECT_EQ(bar->BoundsRect(), (TRect{0, 26, 584, 52}));
}
