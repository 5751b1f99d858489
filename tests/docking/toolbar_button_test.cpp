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
