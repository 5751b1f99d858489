// The print preview window's toolbar, as its design makes it.

#include "app/other_forms.h"
#include "app/startup.h"
#include "docking/docking.h"
#include "framework/application.h"
#include "picture/bitmap/bitmap.h"

#include "support/test_support.h"

#include <QTest>
#include <QWidget>

TEST(PreviewToolbar, StretchesOverTheTopDockAndItsZoomButtonsKeepOneDown)
{
    TApplication app;
    RegisterViewerClasses();
    TForm_PrintPreview preview(nullptr);
    preview.Show();
    auto* dock = dynamic_cast<TDock97*>(preview.FindComponent("Dock971"));
    auto* toolbar = dynamic_cast<TToolbar97*>(preview.FindComponent("Toolbar971"));
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->DockedTo(), dock);
    EXPECT_EQ(toolbar->Width(), dock->Width());
    EXPECT_TRUE(toolbar->CloseButtonRect().isEmpty());
    // Buttons 24 wide, separators 8, one after the other; every button has its own picture.
    std::vector<int> lefts;
    for (int i = 0; i < toolbar->ControlCount(); ++i) {
        lefts.push_back(toolbar->Controls(i)->Left());
        if (auto* button = dynamic_cast<TToolbarButton97*>(toolbar->Controls(i))) {
            EXPECT_EQ(button->Glyph()->Width(), 16) << button->Name();
        }
    }
    EXPECT_EQ(lefts, (std::vector<int>{0, 24, 48, 72, 80, 104, 128, 152, 176, 184, 208, 232, 240}));
    // The other docks hold nothing.
    for (const char* name : {"Dock972", "Dock973", "Dock974"})
        EXPECT_EQ(dynamic_cast<TDock97*>(preview.FindComponent(name))->DockedWindows().size(), 0u) << name;

    auto button = [&](const char* name) { return dynamic_cast<TToolbarButton97*>(preview.FindComponent(name)); };
    EXPECT_TRUE(button("tbar_zoomtowidth")->Down());
    QTest::mouseClick(button("ToolbarButton971")->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button("ToolbarButton971")->Down());
    EXPECT_FALSE(button("tbar_zoomtowidth")->Down());
    QTest::mouseClick(button("ToolbarButton971")->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button("ToolbarButton971")->Down());
}
