#include "framework/application.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/std_controls.h"

#include "support/test_support.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

TMenuItem* addItem(TComponent& owner, TMenuItem& parent, const std::string& name, const std::string& caption)
{
    auto* item = new TMenuItem(&owner);
    item->SetName(name);
    item->SetCaption(caption);
    parent.Add(item);
    return item;
}

QAction* findAction(const QList<QAction*>& actions, const QString& text)
{
    for (QAction* action : actions) {
        if (action->text() == text)
            return action;
        if (QMenu* sub = action->menu())
            if (QAction* found = findAction(sub->actions(), text))
                return found;
    }
    return nullptr;
}

} // namespace

TEST(MenuItems, RadioItemsOfOneGroupUncheckEachOther)
{
    TComponent owner(nullptr);
    TMainMenu menu(&owner);
    TMenuItem* view = addItem(owner, *menu.Items(), "mnu_Exibir", "E&xibir");
    TMenuItem* normal = addItem(owner, *view, "mnu_ImagemNormal", "&Imagem Normal");
    TMenuItem* stretched = addItem(owner, *view, "mnu_ImagemEsticada", "Imagem &Esticada");
    TMenuItem* other = addItem(owner, *view, "mnu_Drive", "&Drive");
    for (TMenuItem* item : {normal, stretched, other}) {
        item->SetRadioItem(true);
        item->SetGroupIndex(10);
    }
    other->SetGroupIndex(11);
    other->SetChecked(true);
    stretched->SetChecked(true);
    normal->SetChecked(true);
    EXPECT_TRUE(normal->Checked());
    EXPECT_FALSE(stretched->Checked());
    EXPECT_TRUE(other->Checked());
    // Without RadioItem, marks are independent (the program's menu).
    normal->SetRadioItem(false);
    stretched->SetRadioItem(false);
    stretched->SetChecked(true);
    EXPECT_TRUE(normal->Checked());
}

TEST(MenuItems, TreeChangesAndCaptionChangesAreAnnounced)
{
    TComponent owner(nullptr);
    TMainMenu menu(&owner);
    std::vector<std::pair<std::string, bool>> changes;
    THookSubscription listening = menu.ChangeListeners.Add([&](TMenuItem* item, bool rebuild) {
        changes.emplace_back(item->Name(), rebuild);
    });
    TMenuItem* file = addItem(owner, *menu.Items(), "mnu_Arquivo", "&Arquivo");
    changes.clear();
    file->SetCaption("&Ficheiro");
    file->SetChecked(true);
    TMenuItem* exit = addItem(owner, *file, "mnu_Sair", "&Sair");
    exit->SetCaption("-");
    EXPECT_EQ(changes, (std::vector<std::pair<std::string, bool>>{
                           {"mnu_Arquivo", false}, {"mnu_Arquivo", false}, {"mnu_Arquivo", true}, {"mnu_Sair", true}}));
    EXPECT_TRUE(exit->IsLine());
    EXPECT_EQ(menu.Items()->Find("FICHEIRO"), file);
    EXPECT_EQ(menu.FindItem(exit->Command()), exit);
    listening.Reset();
    changes.clear();
    file->SetCaption("x");
    EXPECT_TRUE(changes.empty());
}

TEST(MenuItems, FreeingAnItemTakesItOutAndFreesItsSubItems)
{
    TComponent owner(nullptr);
    TMainMenu menu(&owner);
    TMenuItem* file = addItem(owner, *menu.Items(), "mnu_Arquivo", "&Arquivo");
    addItem(owner, *file, "mnu_Abrir", "&Abrir");
    addItem(owner, *file, "mnu_Sair", "&Sair");
    const int before = owner.ComponentCount();
    delete file;
    EXPECT_EQ(menu.Items()->Count(), 0);
    EXPECT_EQ(owner.ComponentCount(), before - 3);
    EXPECT_EQ(owner.FindComponent("mnu_Sair"), nullptr);
}

TEST(MenuItems, ShortcutTexts)
{
    EXPECT_EQ(ShortCutToText(ShortCut('O', 1u << ssCtrl)), "Ctrl+O");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F1 + 4, 1u << ssShift)), "Shift+F5");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, (1u << ssCtrl) | (1u << ssAlt))), "Ctrl+Alt+Del");
    EXPECT_EQ(ShortCutToText(scNone), "");
    EXPECT_EQ(ShortCut('P', 1u << ssCtrl), TShortCut(0x4050));
}

TEST(MenuBar, ClicksGoThroughTheDispatchPointAndMarksFollowTheModel)
{
    TApplication app;
    app.SetTitle("Pictavo 2");
    std::vector<std::string> messages;
    Seam<void(const std::string&, const std::string&)>::Scoped capture(
        MessagePresenter(), [&](const std::string&, const std::string& text) { messages.push_back(text); });
    TForm form(nullptr);
    auto* menu = new TMainMenu(&form);
    TMenuItem* view = addItem(form, *menu->Items(), "mnu_Exibir", "E&xibir");
    TMenuItem* zoom = addItem(form, *view, "mnu_Zoom", "&Zoom");
    zoom->SetChecked(true);
    addItem(form, *view, "N4", "-");
    TMenuItem* about = addItem(form, *view, "mnu_Sobre", "Sobre...");
    int zoomClicks = 0;
    zoom->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, zoom);
        ++zoomClicks;
        zoom->SetChecked(!zoom->Checked());
    };
    about->OnClick = [](TObject*) { throw EInvalidOperation("Printer index out of range"); };
    form.SetMenu(menu);
    auto* bar = form.Widget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QAction* zoomAction = findAction(bar->actions(), "&Zoom");
    ASSERT_NE(zoomAction, nullptr);
    EXPECT_TRUE(zoomAction->isChecked());
    zoomAction->trigger();
    EXPECT_EQ(zoomClicks, 1);
    EXPECT_FALSE(zoom->Checked());
    EXPECT_FALSE(zoomAction->isChecked());
    // A handler that fails is reported, and the menu goes on working.
    QAction* aboutAction = findAction(bar->actions(), "Sobre...");
    ASSERT_NE(aboutAction, nullptr);
    aboutAction->trigger();
    EXPECT_EQ(messages, std::vector<std::string>{"Printer index out of range"});
    // Caption and enabled changes show at once; new items once pending messages are handled.
    zoom->SetCaption("Zoo&m");
    EXPECT_EQ(zoomAction->text(), "Zoo&m");
    about->SetEnabled(false);
    EXPECT_FALSE(aboutAction->isEnabled());
    addItem(form, *view, "mnu_Novo", "&Novo");
    app.ProcessMessages();
    EXPECT_NE(findAction(bar->actions(), "&Novo"), nullptr);
    // A disabled item does not click.
    about->Click();
    EXPECT_EQ(messages.size(), 1u);
}

namespace {

// A picture whose drawing always fails.
class FailingPicture : public TDrawable {
public:
    void PaintInto(TCanvas&, const TRect&) override { throw EOutOfResources("Out of system resources"); }
    bool IsEmpty() const override { return false; }
    int ReadWidth() const override { return 16; }
    int ReadHeight() const override { return 16; }
};

} // namespace

TEST(MenuBar, AFailureWhileRebuildingIsReportedNotPassedToTheMessageLoop)
{
    TApplication app;
    app.SetTitle("Pictavo 2");
    std::vector<std::string> messages;
    Seam<void(const std::string&, const std::string&)>::Scoped capture(
        MessagePresenter(), [&](const std::string&, const std::string& text) { messages.push_back(text); });
    FailingPicture picture;  // outlives the items that show it
    TForm form(nullptr);
    auto* menu = new TMainMenu(&form);
    TMenuItem* file = addItem(form, *menu->Items(), "mnu_Arquivo", "&Arquivo");
    addItem(form, *file, "mnu_Abrir", "&Abrir...");
    form.SetMenu(menu);
    // An item with a picture that cannot be drawn joins the menu: the bar is rebuilt from the
    // message loop.
    auto* print = new TMenuItem(&form);
    print->SetCaption("&Imprimir");
    print->SetCheckBitmaps(&picture, &picture);
    file->Add(print);
    bool escaped = false;
    try {
        app.ProcessMessages();
    } catch (...) {
        escaped = true;
    }
    EXPECT_FALSE(escaped);
    EXPECT_EQ(messages, std::vector<std::string>{"Out of system resources"});
}

TEST(PopupMenu, ContextRequestsPopUpTheNearestMenuAtTheScreenPoint)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* popup = new TPopupMenu(&form);
    addItem(form, *popup->Items(), "mnu_Copiar", "&Copiar");
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(20, 30, 100, 100);
    form.SetPopupMenu(popup);
    int popups = 0;
    popup->OnPopup = [&](TObject*) { ++popups; };
    TMenuItem* shown = nullptr;
    TPoint at;
    Seam<void(TMenuItem&, TPoint)>::Scoped fake(MenuPopupSeam(), [&](TMenuItem& items, TPoint point) {
        shown = &items;
        at = point;
    });
    form.Show();
    panel->ContextPopup(5, 6);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(shown, popup->Items());
    EXPECT_EQ(at, panel->ClientToScreen({5, 6}));
    EXPECT_EQ(popup->PopupComponent(), panel);
}
