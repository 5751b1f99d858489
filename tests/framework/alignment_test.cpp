#include "framework/ext_controls.h"
#include "framework/forms.h"
#include "framework/std_controls.h"

#include "support/test_support.h"

namespace {

TPanel* makePanel(TForm& form, TAlign align, int left, int top, int width, int height)
{
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(left, top, width, height);
    panel->SetAlign(align);
    return panel;
}

TRect bounds(const TControl* c)
{
    return c->BoundsRect();
}

// The main window: outer 592 × 478, so a client area of 584 × 451, with its four docks and the
// page control filling the rest.
class MainWindowLayout : public testing::Test {
protected:
    MainWindowLayout()
    {
        form.SetBounds(200, 107, 592, 478);
        top = makePanel(form, alTop, 0, 0, 584, 38);
        left = makePanel(form, alLeft, 0, 38, 166, 385);
        right = makePanel(form, alRight, 575, 38, 9, 385);
        bottom = makePanel(form, alBottom, 0, 423, 584, 9);
        pages = new TPageControl(&form);
        pages->SetParent(&form);
        pages->SetAlign(alClient);
    }

    TForm form{nullptr};
    TPanel* top;
    TPanel* left;
    TPanel* right;
    TPanel* bottom;
    TPageControl* pages;
};

} // namespace

TEST_F(MainWindowLayout, DocksTakeTheEdgesAndThePageControlTheRest)
{
    ASSERT_EQ(form.ClientWidth(), 584);
    ASSERT_EQ(form.ClientHeight(), 451);
    // Top and bottom span the whole width; left and right fit between them.
    EXPECT_EQ(bounds(top), (TRect{0, 0, 584, 38}));
    EXPECT_EQ(bounds(bottom), (TRect{0, 442, 584, 451}));
    EXPECT_EQ(bounds(left), (TRect{0, 38, 166, 442}));
    EXPECT_EQ(bounds(right), (TRect{575, 38, 584, 442}));
    // 584 - 166 - 9 = 409 wide, 451 - 38 - 9 = 404 high, at 166, 38.
    EXPECT_EQ(bounds(pages), (TRect{166, 38, 166 + 409, 38 + 404}));
}

TEST_F(MainWindowLayout, HidingADockGivesItsRoomToThePageControl)
{
    left->Hide();
    EXPECT_EQ(bounds(pages), (TRect{0, 38, 575, 442}));
    left->Show();
    EXPECT_EQ(bounds(pages), (TRect{166, 38, 575, 442}));
}

TEST_F(MainWindowLayout, ResizingTheWindowOrADockArrangesAgain)
{
    form.SetBounds(200, 107, 692, 528);  // client 684 × 501
    EXPECT_EQ(bounds(top), (TRect{0, 0, 684, 38}));
    EXPECT_EQ(bounds(right), (TRect{675, 38, 684, 492}));
    EXPECT_EQ(bounds(pages), (TRect{166, 38, 675, 492}));
    top->SetHeight(60);
    EXPECT_EQ(bounds(pages), (TRect{166, 60, 675, 492}));
    EXPECT_EQ(bounds(left), (TRect{0, 60, 166, 492}));
}

TEST_F(MainWindowLayout, APageFillsTheDisplayAreaOfThePageControl)
{
    auto* sheet = new TTabSheet(&form);
    sheet->SetPageControl(pages);
    sheet->SetCaption("&Imagem");
    EXPECT_EQ(pages->ActivePage(), sheet);
    EXPECT_TRUE(sheet->Visible());
    const TRect display = pages->DisplayRect();
    EXPECT_EQ(bounds(sheet), display);
    EXPECT_GT(display.width(), 0);
    EXPECT_LT(display.height(), 404);
    // A client-aligned child of the page fills it.
    auto* inner = makePanel(form, alNone, 0, 0, 10, 10);
    inner->SetParent(sheet);
    inner->SetAlign(alClient);
    EXPECT_EQ(bounds(inner), (TRect{0, 0, display.width(), display.height()}));
}

TEST(Alignment, WithinOneKindControlsGoByPositionThenByCreation)
{
    TForm form(nullptr);
    form.SetClientSize(300, 200);
    // Placed as a design places them, then arranged once.
    form.DisableAlign();
    TPanel* a = makePanel(form, alTop, 0, 50, 100, 20);
    TPanel* b = makePanel(form, alTop, 0, 10, 100, 30);
    TPanel* c = makePanel(form, alLeft, 0, 0, 40, 10);
    TPanel* d = makePanel(form, alLeft, 0, 0, 50, 10);
    form.EnableAlign();
    EXPECT_EQ(b->Top(), 0);
    EXPECT_EQ(a->Top(), 30);
    // Equal positions: the first made comes first.
    EXPECT_EQ(c->Left(), 0);
    EXPECT_EQ(d->Left(), 40);
    EXPECT_EQ(bounds(d), (TRect{40, 50, 90, 200}));
}

TEST(Alignment, OfTwoEqualBottomControlsTheLaterGoesNearerTheEdge)
{
    TForm form(nullptr);
    form.SetClientSize(300, 200);
    form.DisableAlign();
    TPanel* first = makePanel(form, alBottom, 0, 0, 100, 10);
    TPanel* second = makePanel(form, alBottom, 0, 0, 100, 10);
    form.EnableAlign();
    EXPECT_EQ(second->Top(), 190);
    EXPECT_EQ(first->Top(), 180);
}

TEST(Alignment, ConstrainedControlKeepsItsSizeAndTheRestFollows)
{
    TForm form(nullptr);
    form.SetClientSize(300, 200);
    TPanel* top = makePanel(form, alTop, 0, 0, 100, 50);
    top->Constraints()->SetMaxWidth(120);
    TPanel* rest = makePanel(form, alClient, 0, 0, 10, 10);
    EXPECT_EQ(bounds(top), (TRect{0, 0, 120, 50}));
    EXPECT_EQ(bounds(rest), (TRect{0, 50, 300, 200}));
}

TEST(Alignment, PanelsAlignInsideTheirBevelsAndBorder)
{
    TForm form(nullptr);
    form.SetClientSize(300, 200);
    TPanel* panel = makePanel(form, alNone, 10, 10, 200, 100);
    panel->SetBevelOuter(bvRaised);
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(3);
    auto* child = new TPanel(&form);
    child->SetParent(panel);
    child->SetAlign(alClient);
    // 3 of border and 1 for each bevel on every side.
    EXPECT_EQ(bounds(child), (TRect{5, 5, 195, 95}));
    panel->SetBevelInner(bvNone);
    EXPECT_EQ(bounds(child), (TRect{4, 4, 196, 96}));
}

TEST(Alignment, DesignBoundsWaitForLoadingToEnd)
{
    TForm form(nullptr);
    form.SetClientSize(300, 200);
    form.BeginLoading();
    TPanel* panel = makePanel(form, alTop, 0, 120, 50, 20);
    EXPECT_EQ(bounds(panel), (TRect{0, 120, 50, 140}));
    panel->BeginLoading();
    static_cast<TComponent&>(form).Loaded();
    static_cast<TComponent*>(panel)->Loaded();
    EXPECT_EQ(bounds(panel), (TRect{0, 0, 300, 20}));
}

TEST(ScrollBoxRange, ChildrenExtentGivesTheRangeAndScrollingMovesThem)
{
    TForm form(nullptr);
    form.SetClientSize(300, 300);
    auto* box = new TScrollBox(&form);
    box->SetParent(&form);
    box->SetBounds(0, 0, 104, 104);  // 100 × 100 inside the 2-pixel edge
    auto* picture = makePanel(form, alNone, 0, 0, 300, 200);
    picture->SetParent(box);
    EXPECT_EQ(box->HorzScrollBar()->Range(), 300);
    EXPECT_EQ(box->VertScrollBar()->Range(), 200);
    ASSERT_TRUE(box->HorzScrollBar()->IsScrollBarVisible());
    ASSERT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_LT(box->ClientWidth(), 100);

    box->HorzScrollBar()->SetPosition(50);
    EXPECT_EQ(picture->Left(), -50);
    EXPECT_EQ(box->HorzScrollBar()->Position(), 50);
    // The range is measured from the unscrolled origin.
    EXPECT_EQ(box->HorzScrollBar()->Range(), 300);
    // A position past the end stops where the last column shows.
    box->VertScrollBar()->SetPosition(10000);
    EXPECT_EQ(box->VertScrollBar()->Position(), 200 - box->ClientHeight());
    EXPECT_EQ(picture->Top(), -(200 - box->ClientHeight()));

    // A client-aligned child fills the visible area and scrolls nothing.
    picture->SetAlign(alClient);
    EXPECT_FALSE(box->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(box->HorzScrollBar()->Position(), 0);
    EXPECT_EQ(bounds(picture), (TRect{0, 0, 100, 100}));
}
