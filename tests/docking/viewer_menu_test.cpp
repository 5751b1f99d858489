// The main window's menu bar as a user meets it: reached from the keyboard, with the glyphs of
// its items drawn on the menu's own colour.

#include "app/other_forms.h"
#include "app/startup.h"
#include "app/viewer_form.h"
#include "docking/docking.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/menus.h"

#include "fake_clock.h"
#include "support/test_pictures.h"
#include "support/test_support.h"

#include <QTest>
#include <QWidget>

#include <algorithm>
#include <vector>

using namespace testing_support;

namespace {

const Rgb face{192, 192, 192};
const Rgb shadow{128, 128, 128};
const Rgb navy{0, 0, 128};
const Rgb magenta{255, 0, 255};

std::size_t count(const std::vector<Rgb>& pixels, const Rgb& colour)
{
    return std::size_t(std::count(pixels.begin(), pixels.end(), colour));
}

// The program's windows as start-up makes them, the main window shown; modal windows are
// recorded instead of run.
class ViewerMenuTest : public ::testing::Test {
protected:
    ViewerMenuTest()
    {
        application.SetTitle(ViewerTitle);
        RegisterViewerClasses();
        CreateViewerWindows();
        StartViewer(ParseCommandLine({"pictavo"}));
        EXPECT_TRUE(QTest::qWaitForWindowActive(Form_Viewer->Widget()));
    }
    ~ViewerMenuTest() override
    {
        if (TPopupMenu98* open = Form_Viewer->MainMenu981->OpenMenu())
            open->CloseMenu();
        clock.Advance(1000);
    }

    // Types a key into the main window, and lets the menus' animations run to their end.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(Form_Viewer->ClientWidget(), key, modifiers);
        clock.Advance(1000);
    }
    static TMenuItem* item(const char* name) { return dynamic_cast<TMenuItem*>(Form_Viewer->FindComponent(name)); }
    TPopupMenu98Form* openLevel() const
    {
        TPopupMenu98* open = Form_Viewer->MainMenu981->OpenMenu();
        return open ? open->OpenLevel() : nullptr;
    }
    // The colours in the square at the left of an item, where its glyph goes.
    std::vector<Rgb> glyphSquare(TPopupMenu98Form& level, int index)
    {
        const QImage shown = grabControl(level);
        const TRect item = level.ItemRect(index);
        std::vector<Rgb> colours;
        for (int y = item.top; y < item.bottom; ++y)
            for (int x = item.left; x < item.left + item.height(); ++x)
                colours.push_back(pixelAt(shown, x, y));
        return colours;
    }

    TApplication application;
    FakeClock clock;
    std::vector<TForm*> modal;
    Seam<TModalResult(TForm&)>::Scoped showModal{ShowModalSeam(), [this](TForm& form) {
                                                     modal.push_back(&form);
                                                     return mrOk;
                                                 }};
};

} // namespace

TEST_F(ViewerMenuTest, AltAndXOpenTheirMenusAndTheKeyboardReachesSobre)
{
    // The bar's menus slide open at double speed; their other settings are the defaults.
    auto* arquivo = dynamic_cast<TPopupMenu98*>(
        Form_Viewer->MainMenu981->ButtonOf(item("mnu_Arquivo"))->DropdownMenu());
    ASSERT_NE(arquivo, nullptr);
    EXPECT_EQ(arquivo->OpenAnimation(), anSmart);
    EXPECT_EQ(arquivo->CloseAnimation(), anSmart);
    EXPECT_TRUE(arquivo->DoubleSpeed());
    EXPECT_EQ(arquivo->Timeout(), 20);
    EXPECT_EQ(arquivo->ItemHeight(), 19);
    EXPECT_EQ(arquivo->SeparatorHeight(), 11);
    EXPECT_EQ(arquivo->Indent(), 27);

    key(Qt::Key_A, Qt::AltModifier);
    ASSERT_NE(openLevel(), nullptr);
    EXPECT_EQ(openLevel()->Items(), item("mnu_Arquivo"));
    EXPECT_TRUE(Form_Viewer->MainMenu981->ButtonOf(item("mnu_Arquivo"))->Down());
    key(Qt::Key_X, Qt::AltModifier);
    ASSERT_NE(openLevel(), nullptr);
    EXPECT_EQ(openLevel()->Items()->Caption(), "E&xibir");
    // One menu further right is "?"; Enter chooses its first item after every level has closed.
    key(Qt::Key_Right);
    ASSERT_NE(openLevel(), nullptr);
    EXPECT_EQ(openLevel()->Items()->Caption(), "?");
    EXPECT_EQ(openLevel()->Selected(), 0);
    key(Qt::Key_Return);
    EXPECT_EQ(Form_Viewer->MainMenu981->OpenMenu(), nullptr);
    EXPECT_EQ(modal, (std::vector<TForm*>{Sobre}));
}

TEST_F(ViewerMenuTest, TheGlyphsOfAbrirAndImprimirShowTheMenuBehindThemAndDisabledAreEmbossed)
{
    key(Qt::Key_A, Qt::AltModifier);
    TPopupMenu98Form* level = openLevel();
    ASSERT_NE(level, nullptr);
    ASSERT_EQ(level->Item(0), item("mnu_Abrir"));
    ASSERT_EQ(level->Item(3), item("mnu_Imprimir"));
    // "Abrir" is selected: its folder sits on the selection's colour; "Imprimir" on the menu's.
    const auto abrir = glyphSquare(*level, 0);
    EXPECT_EQ(count(abrir, magenta), 0u);
    EXPECT_GT(count(abrir, navy), 200u);
    EXPECT_GT(count(abrir, Rgb{255, 255, 0}), 10u);
    const auto imprimir = glyphSquare(*level, 3);
    EXPECT_EQ(count(imprimir, magenta), 0u);
    EXPECT_GT(count(imprimir, face), 200u);
    key(Qt::Key_Escape);

    // Disabled, the printer is drawn in the shadow colour with its highlight below and right,
    // on the menu's colour and nothing else.
    item("mnu_Imprimir")->SetEnabled(false);
    key(Qt::Key_A, Qt::AltModifier);
    level = openLevel();
    ASSERT_NE(level, nullptr);
    const auto disabled = glyphSquare(*level, 3);
    EXPECT_GT(count(disabled, shadow), 10u);
    EXPECT_GT(count(disabled, white), 10u);
    EXPECT_EQ(count(disabled, face) + count(disabled, shadow) + count(disabled, white), disabled.size());
}
