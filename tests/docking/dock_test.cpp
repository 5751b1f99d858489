#include "docking/docking.h"
#include "framework/forms.h"
#include "picture/bitmap/bitmap.h"

#include "support/test_pictures.h"
#include "support/test_support.h"

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
    // and whose bar size is `barSize`.
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

struct BarPlacement {
    int length, barSize, row, position;
    bool fullSize = false;
};
struct Placed {
    int row, position;
    TRect bounds;
};
struct ArrangementCase {
    const char* name;
    int dockLength;
    std::vector<BarPlacement> bars;
    std::vector<Placed> expected;
    int dockHeight;
};

} // namespace

TEST_F(DockTest, ArrangesRowsAndPositions)
{
    const ArrangementCase cases[] = {
        {"a window starting inside the previous one moves to its end", 600,
         {{100, 22, 0, 0}, {50, 22, 0, 10}},
         {{0, 0, {0, 0, 100, 26}}, {0, 100, {100, 0, 150, 26}}}, 26},
        {"rows in use are numbered without gaps; each is its thickest window plus 4", 600,
         {{60, 22, 0, 0}, {60, 30, 2, 0}, {60, 22, 5, 0}},
         {{0, 0, {0, 0, 60, 26}}, {1, 0, {0, 26, 60, 60}}, {2, 0, {0, 60, 60, 86}}}, 86},
        {"a full-size window takes a row alone and the dock's length", 600,
         {{60, 22, 0, 0}, {60, 22, 0, 200, true}, {60, 22, 1, 0}},
         {{1, 0, {0, 26, 60, 52}}, {0, 0, {0, 0, 600, 26}}, {2, 0, {0, 52, 60, 78}}}, 78},
        {"a row too long for the dock moves back by the excess", 300,
         {{100, 22, 0, 0}, {100, 22, 0, 150}, {100, 22, 0, 250}},
         {{0, 0, {0, 0, 100, 26}}, {0, 100, {100, 0, 200, 26}}, {0, 200, {200, 0, 300, 26}}}, 26},
        {"what still does not fit runs past the end", 150,
         {{100, 22, 0, 0}, {100, 22, 0, 100}},
         {{0, 0, {0, 0, 100, 26}}, {0, 100, {100, 0, 200, 26}}}, 26},
        {"the first place of a row is its start", 600,
         {{100, 22, 0, 0}, {100, 22, 0, -8}},
         {{0, 100, {100, 0, 200, 26}}, {0, 0, {0, 0, 100, 26}}}, 26},
        {"thin windows still make rows of 8 + 4", 600,
         {{40, 3, 0, 0}},
         {{0, 0, {0, 0, 40, 12}}}, 12},
    };
    for (const ArrangementCase& c : cases) {
        SCOPED_TRACE(c.name);
        TForm caseForm(nullptr);
        caseForm.SetClientSize(c.dockLength, 400);
        auto* caseDock = new TDock97(&caseForm);
        caseDock->SetParent(&caseForm);
        caseDock->BeginUpdate();
        std::vector<TToolWindow97*> windows;
        for (const BarPlacement& bar : c.bars) {
            auto* window = new TToolWindow97(&caseForm);
            window->SetClientSize(bar.length - 13, bar.barSize);
            window->SetDockRow(bar.row);
            window->SetDockPos(bar.position);
            window->SetFullSize(bar.fullSize);
            window->SetDockedTo(caseDock);
            windows.push_back(window);
        }
        caseDock->EndUpdate();
        for (std::size_t i = 0; i < windows.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(windows[i]->DockRow(), c.expected[i].row);
            EXPECT_EQ(windows[i]->DockPos(), c.expected[i].position);
            EXPECT_EQ(windows[i]->BoundsRect(), c.expected[i].bounds);
        }
        EXPECT_EQ(caseDock->Height(), c.dockHeight);
    }
}

TEST_F(DockTest, TwoRowsOfToolbarsAreFiftyTwoHighPlusTheBorderAndAnEmptyDockShrinksToNothing)
{
    TToolWindow97* top = bar(100, 22, 0, 0);
    TToolWindow97* bottom = bar(100, 22, 1, 0);
    EXPECT_EQ(dock->Height(), 2 * (22 + 4));
    dock->SetBoundLines((1u << blTop) | (1u << blBottom));
    EXPECT_EQ(dock->Height(), 52 + 2);
    // The windows sit inside the lines.
    EXPECT_EQ(top->Top(), 1);
    dock->SetBoundLines(0);
    top->SetDockedTo(nullptr);
    EXPECT_EQ(dock->Height(), 26);
    bottom->SetDockedTo(nullptr);
    EXPECT_EQ(dock->Height(), 0);
    dock->SetFixAlign(true);
    EXPECT_EQ(dock->Height(), 1);
}

TEST_F(DockTest, LimitToOneRowPutsEveryWindowInRowZero)
{
    TToolWindow97* a = bar(100, 22, 0, 0);
    TToolWindow97* b = bar(100, 22, 3, 0);
    dock->SetLimitToOneRow(true);
    EXPECT_EQ(b->DockRow(), 0);
    EXPECT_EQ(b->BoundsRect(), (TRect{100, 0, 200, 26}));
    EXPECT_EQ(a->Left(), 0);
}

TEST_F(DockTest, AHiddenWindowLeavesItsPlaceAndComesBackToIt)
{
    TToolWindow97* first = bar(100, 22, 0, 0);
    TToolWindow97* second = bar(100, 22, 1, 40);
    first->Hide();
    // Alone now, the second row closes the gap.
    EXPECT_EQ(second->Top(), 0);
    EXPECT_EQ(dock->Height(), 26);
    EXPECT_EQ(first->DockRow(), 0);
    first->Show();
    EXPECT_EQ(first->BoundsRect(), (TRect{0, 0, 100, 26}));
    EXPECT_EQ(second->BoundsRect(), (TRect{40, 26, 140, 52}));
    EXPECT_EQ(dock->Height(), 52);
    // Hiding everything empties the dock.
    first->Hide();
    second->Hide();
    EXPECT_EQ(dock->Height(), 0);
}

TEST_F(DockTest, ACoordinateAcrossTheDockChoosesARowOrANewOne)
{
    bar(100, 22, 0, 0);
    bar(100, 30, 1, 0);
    ASSERT_EQ(dock->RowSizes(), (std::vector<int>{26, 34}));
    struct {
        int across;
        int row;
        bool newRow;
    } const cases[] = {
        {-3, 0, true}, {0, 0, true}, {5, 0, true}, {6, 0, false}, {21, 0, false}, {22, 1, true},
        {26, 1, true}, {31, 1, true}, {32, 1, false}, {55, 1, false}, {56, 2, true}, {200, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.across);
        bool newRow = false;
        EXPECT_EQ(dock->RowAt(c.across, newRow), c.row);
        EXPECT_EQ(newRow, c.newRow);
    }
}

TEST_F(DockTest, MovingAWindowNearARowBoundaryOpensANewRowThere)
{
    TToolWindow97* a = bar(100, 22, 0, 0);
    TToolWindow97* b = bar(100, 22, 1, 0);
    TToolWindow97* moved = bar(100, 22, 1, 200);
    // Its middle (top + 13) 3 pixels before the boundary at 26: a new row between the two.
    moved->SetBounds(50, 10, 100, 26);
    EXPECT_EQ(a->DockRow(), 0);
    EXPECT_EQ(moved->DockRow(), 1);
    EXPECT_EQ(moved->DockPos(), 50);
    EXPECT_EQ(b->DockRow(), 2);
    EXPECT_EQ(dock->Height(), 78);
    // Well inside a row (its middle 5 pixels before the end of b's row): into that row.
    moved->SetBounds(300, 60, 100, 26);
    EXPECT_EQ(moved->DockRow(), 1);
    EXPECT_EQ(b->DockRow(), 1);
    EXPECT_EQ(moved->BoundsRect(), (TRect{300, 26, 400, 52}));
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
    // A dock that lets nothing be dragged shows no handles.
    left->SetAllowDrag(false);
    EXPECT_EQ(drive->BoundsRect(), (TRect{0, 0, 166, 42}));
}

TEST_F(DockTest, TellsOfWindowsComingAndGoing)
{
    std::vector<std::string> told;
    dock->OnInsertRemoveBar = [&](TObject* sender, bool inserting, TCustomToolWindow97* bar) {
        EXPECT_EQ(sender, dock);
        told.push_back((inserting ? "in " : "out ") + bar->Caption());
    };
    TToolWindow97* window = bar(100, 22, 0, 0);
    window->SetCaption("Zoom");
    window->SetDockedTo(nullptr);
    window->SetDockedTo(dock);
    EXPECT_EQ(told, (std::vector<std::string>{"in ", "out Zoom", "in Zoom"}));
}

TEST_F(DockTest, MisplacementsAreRefusedWithTheirMessages)
{
    TToolWindow97* window = bar(100, 22, 0, 0);
    EXPECT_RAISES(TDock97 dockOfNoForm(window), EInvalidOperation, "TDock97 must be owned by a form");
    EXPECT_RAISES(TToolbar97 toolbarOfNoForm(dock), EInvalidOperation, "Tool windows must be owned by a form");
    EXPECT_RAISES(dock->SetPosition(dpLeft), EInvalidOperation,
                  "Cannot change Position of a TDock97 if it already contains controls");
    EXPECT_RAISES(dock->Hide(), EInvalidOperation, "Cannot hide a TDock97");
    EXPECT_TRUE(dock->Visible());

    auto* inner = new TDock97(&form);
    EXPECT_RAISES(inner->SetParentComponent(window), EInvalidOperation,
                  "A TDock97 control cannot be placed inside a tool window or another TDock97");
    EXPECT_RAISES(inner->SetParentComponent(dock), EInvalidOperation,
                  "A TDock97 control cannot be placed inside a tool window or another TDock97");
    auto* panel = new TToolWindow97(&form);
    EXPECT_RAISES(panel->SetParentComponent(window), EInvalidOperation,
                  "A tool window can only be placed on a TDock97 or directly on the form");
    auto* separator = new TToolbarSep97(&form);
    EXPECT_RAISES(separator->SetParentComponent(window), EInvalidOperation,
                  "TToolbarSep97 can only be placed on a TToolbar97");
}

TEST_F(DockTest, TilesItsBackgroundOverItselfAndItsToolbars)
{
    // A 2 × 2 background: red on the top row, the blue bottom row is the see-through colour.
    TBitmap background;
    background.SetWidth(2);
    background.SetHeight(2);
    background.Surface().SetPixels(0, 0, clRed);
    background.Surface().SetPixels(1, 0, clRed);
    background.Surface().SetPixels(0, 1, clBlue);
    background.Surface().SetPixels(1, 1, clBlue);
    TToolWindow97* window = bar(100, 22, 0, 20);
    dock->SetBackground(&background);
    form.Show();
    const QImage shown = grabControl(*dock);
    EXPECT_EQ(pixelAt(shown, 10, 0), red);
    EXPECT_EQ(pixelAt(shown, 10, 1), blue);
    // Behind the toolbar's client area, in step with the dock's tiles (the toolbar starts at an
    // even offset).
    EXPECT_EQ(pixelAt(grabControl(*window), 30, 4), red);
    EXPECT_EQ(pixelAt(grabControl(*window), 30, 5), blue);

    dock->SetBackgroundTransparent(true);
    const Rgb face{192, 192, 192};
    EXPECT_EQ(pixelAt(grabControl(*dock), 10, 1), face);
    dock->SetBackgroundOnToolbars(false);
    EXPECT_EQ(pixelAt(grabControl(*window), 30, 4), face);
}
