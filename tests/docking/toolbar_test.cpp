#include "docking/docking.h"
#include "framework/forms.h"

#include "support/test_support.h"

#include <QTest>
#include <QWidget>

namespace {

// A toolbar of one button, a separator and three more buttons (23 × 22 each).
class ToolbarTest : public ::testing::Test {
protected:
    ToolbarTest()
    {
        form.SetClientSize(600, 400);
        dock = new TDock97(&form);
        dock->SetParent(&form);
        toolbar = new TToolbar97(&form);
        for (int i = 0; i < 4; ++i) {
            if (i == 1) {
                separator = new TToolbarSep97(&form);
                separator->SetParent(toolbar);
            }
            auto* button = new TToolbarButton97(&form);
            button->SetParent(toolbar);
            buttons.push_back(button);
        }
    }

    std::vector<TRect> placed() const
    {
        std::vector<TRect> bounds;
        for (int i = 0; i < toolbar->ControlCount(); ++i)
            bounds.push_back(toolbar->Controls(i)->BoundsRect());
        return bounds;
    }

    TForm form{nullptr};
    TDock97* dock;
    TToolbar97* toolbar;
    TToolbarSep97* separator = nullptr;
    std::vector<TToolbarButton97*> buttons;
};

} // namespace

TEST_F(ToolbarTest, LaysItsButtonsOutInARowOrAColumnWithoutMargins)
{
    toolbar->SetDockedTo(dock);
    EXPECT_EQ(placed(), (std::vector<TRect>{{0, 0, 23, 22}, {23, 0, 29, 22}, {29, 0, 52, 22}, {52, 0, 75, 22},
                                            {75, 0, 98, 22}}));
    // 98 pixels of controls, the handle and borders: 111 × 26.
    EXPECT_EQ(toolbar->BoundsRect(), (TRect{0, 0, 111, 26}));
    EXPECT_FALSE(separator->Across());

    auto* side = new TDock97(&form);
    side->SetParent(&form);
    side->SetPosition(dpRight);
    toolbar->SetDockedTo(side);
    EXPECT_EQ(placed(), (std::vector<TRect>{{0, 0, 23, 22}, {0, 22, 23, 28}, {0, 28, 23, 50}, {0, 50, 23, 72},
                                            {0, 72, 23, 94}}));
    EXPECT_TRUE(separator->Across());
    EXPECT_EQ(toolbar->Width(), 27);
    EXPECT_EQ(toolbar->Height(), 4 * 22 + 6 + 13);
    EXPECT_EQ(dock->Height(), 0);

    // A wider button widens the bar; the others are centred across it.
    buttons[2]->SetWidth(31);
    EXPECT_EQ(toolbar->Width(), 35);
    EXPECT_EQ(buttons[0]->Left(), 4);
}

TEST_F(ToolbarTest, FloatingItKeepsMarginsAndWrapsAtItsFloatingWidth)
{
    toolbar->SetFloatingPosition({100, 100});
    toolbar->SetDockedTo(nullptr);
    // Margins of 4 left and right, 2 on top, 1 below; frame 4 and caption 15.
    EXPECT_EQ(placed(), (std::vector<TRect>{{4, 2, 27, 24}, {27, 2, 33, 24}, {33, 2, 56, 24}, {56, 2, 79, 24},
                                            {79, 2, 102, 24}}));
    EXPECT_EQ(toolbar->BoundsRect(), (TRect{0, 0, 106 + 8, 25 + 23}));

    // At 60 pixels the second group goes to the next line, below the separator laid across;
    // within the group the third button wraps on its own.
    toolbar->SetFloatingWidth(60);
    EXPECT_EQ(placed(), (std::vector<TRect>{{4, 2, 27, 24}, {4, 24, 50, 30}, {4, 30, 27, 52}, {27, 30, 50, 52},
                                            {4, 52, 27, 74}}));
    EXPECT_TRUE(separator->Across());
    EXPECT_EQ(toolbar->ClientWidth(), 54);
    EXPECT_EQ(toolbar->ClientHeight(), 75);
    // Never narrower than the widest control and the margins.
    toolbar->SetFloatingWidth(10);
    EXPECT_EQ(toolbar->FloatingWidth(), 31);
    EXPECT_EQ(toolbar->ClientWidth(), 31);
    EXPECT_EQ(toolbar->ClientHeight(), 97);

    // Docked toolbars never wrap.
    toolbar->SetDockedTo(dock);
    EXPECT_EQ(toolbar->BoundsRect(), (TRect{0, 0, 111, 26}));
    EXPECT_FALSE(separator->Across());
}

TEST_F(ToolbarTest, ResizingAFloatingToolbarChoosesItsLines)
{
    toolbar->SetFloatingPosition({100, 100});
    toolbar->SetDockedTo(nullptr);
    QWidget* widget = toolbar->Widget();
    ASSERT_NE(toolbar->FloatingWindow(), nullptr);
    form.Show();
    // The bottom edge 27 pixels down: the lines come nearest a client height of 75 at the widest
    // width that gives them, 76 pixels.
    const int bottom = toolbar->Height() - 2;
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(50, bottom));
    QTest::mouseMove(widget, QPoint(50, bottom + 50));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(50, bottom + 50));
    EXPECT_EQ(toolbar->FloatingWidth(), 76);
    EXPECT_EQ(toolbar->ClientHeight(), 75);
    // The right edge: the width follows, down to the narrowest.
    const int right = toolbar->Width() - 2;
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(right, 30));
    QTest::mouseMove(widget, QPoint(right + 30, 30));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(right + 30, 30));
    EXPECT_EQ(toolbar->FloatingWidth(), 84);
    EXPECT_EQ(toolbar->ClientHeight(), 53);
}
