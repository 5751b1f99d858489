#include "framework/component.h"
#include "framework/control.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/std_controls.h"

#include "support/test_support.h"

namespace {

// Records the components it was told about.
class Watcher : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<TComponent*> removed;
    TComponent* link = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == TOperation::opRemove) {
            removed.push_back(component);
            if (component == link)
                link = nullptr;
        }
    }
};

} // namespace

TEST(ComponentOwnership, OwnerFreesWhatItOwnsAndFindsThemByName)
{
    Watcher outside(nullptr);
    auto* owner = new TComponent(nullptr);
    auto* a = new TComponent(owner);
    a->SetName("mnu_Abrir");
    auto* b = new TComponent(owner);
    b->SetName("Dock_Topo");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->FindComponent("MNU_ABRIR"), a);
    EXPECT_EQ(owner->FindComponent("dock_topo"), b);
    EXPECT_EQ(owner->FindComponent("nada"), nullptr);
    EXPECT_EQ(owner->FindComponent(""), nullptr);
    outside.FreeNotification(a);
    outside.link = a;
    delete owner;
    // The owner freed a, and the subscriber heard of it.
    EXPECT_EQ(outside.link, nullptr);
    EXPECT_EQ(outside.removed, std::vector<TComponent*>{a});
}

TEST(ComponentOwnership, NamesAreUniqueAmongSiblingsWithoutRegardToCase)
{
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    a->SetName("Imagem");
    auto* b = new TComponent(&owner);
    EXPECT_RAISES(b->SetName("IMAGEM"), EInvalidOperation, "A component named IMAGEM already exists");
    EXPECT_EQ(b->Name(), "");
    a->SetName("IMAGEM");  // renaming itself with another case is allowed
    EXPECT_EQ(a->Name(), "IMAGEM");
}

TEST(ComponentOwnership, RemovingFromTheOwnerTellsSiblings)
{
    TComponent owner(nullptr);
    auto* watcher = new Watcher(&owner);
    auto* other = new TComponent(&owner);
    owner.RemoveComponent(other);
    EXPECT_EQ(watcher->removed, std::vector<TComponent*>{other});
    EXPECT_EQ(other->Owner(), nullptr);
    delete other;
}

TEST(FreeNotification, LinksBetweenControlsAndMenusAreCleared)
{
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* list = new TPanel(&form);
    list->SetParent(&form);
    auto* menu = new TPopupMenu(&form);
    panel->SetPopupMenu(menu);
    auto* mainMenu = new TMainMenu(&form);
    form.SetMenu(mainMenu);
    delete menu;
    EXPECT_EQ(panel->PopupMenu(), nullptr);
    delete mainMenu;
    EXPECT_EQ(form.Menu(), nullptr);
    // A freed child leaves its parent's list of controls.
    EXPECT_EQ(form.ControlCount(), 2);
    delete list;
    EXPECT_EQ(form.ControlCount(), 1);
    EXPECT_EQ(form.Controls(0), panel);
}

TEST(FreeNotification, DroppingOneSideOfALinkKeepsTheOtherSidesRequest)
{
    // A pop-up menu of one form serves controls of another: each control asked to hear of the
    // menu, and the menu asks to hear of the control that opened it.
    auto* menus = new TComponent(nullptr);
    auto* popup = new TPopupMenu(menus);
    TForm form(nullptr);
    auto* first = new TPanel(&form);
    auto* second = new TPanel(&form);
    first->SetPopupMenu(popup);
    second->SetPopupMenu(popup);
    popup->SetPopupComponent(first);
    popup->SetPopupComponent(second);  // the menu lets go of the first control
    delete menus;
    EXPECT_EQ(first->PopupMenu(), nullptr);
    EXPECT_EQ(second->PopupMenu(), nullptr);

    // The same at the level of components: a link both sides asked for outlives one side's
    // withdrawal, and goes once both withdrew.
    Watcher a(nullptr);
    auto* b = new Watcher(nullptr);
    a.FreeNotification(b);
    b->FreeNotification(&a);
    b->RemoveFreeNotification(&a);
    delete b;
    EXPECT_EQ(a.removed.size(), 1u);
    auto* c = new Watcher(nullptr);
    a.FreeNotification(c);
    c->FreeNotification(&a);
    c->RemoveFreeNotification(&a);
    a.RemoveFreeNotification(c);
    delete c;
    EXPECT_EQ(a.removed.size(), 1u);
}

TEST(Assignment, ErrorsNameSourceAndDestinationClasses)
{
    TFont font;
    TPen pen;
    EXPECT_RAISES(font.CopyFrom(&pen), EConvertError, "Cannot assign a TPen to a TFont");
    EXPECT_RAISES(font.CopyFrom(nullptr), EConvertError, "Cannot assign a nil to a TFont");
    TComponent component(nullptr);
    EXPECT_RAISES(component.CopyFrom(&font), EConvertError, "Cannot assign a TFont to a TComponent");
}

TEST(PropertyTables, FoundByNameWithoutRegardToCaseBaseClassesIncluded)
{
    TPanel panel(nullptr);
    const PropertyTable* table = panel.Properties();
    const PropertyInfo* bevel = table->Find("bEVELoUTER");
    ASSERT_NE(bevel, nullptr);
    EXPECT_EQ(bevel->kind, PropertyKind::Enumeration);
    EXPECT_EQ(bevel->OrdinalOf("BVLOWERED"), 1);
    EXPECT_EQ(bevel->OrdinalOf("bvNada"), -1);
    EXPECT_EQ(bevel->Identifier(2), "bvRaised");
    bevel->set(panel, PropertyValue(1LL));
    EXPECT_EQ(panel.BevelOuter(), bvLowered);
    // Base classes: TControl's Visible, TComponent's Name; events are methods.
    const PropertyInfo* visible = table->Find("visible");
    ASSERT_NE(visible, nullptr);
    EXPECT_EQ(visible->identifiers, (std::vector<std::string>{"False", "True"}));
    EXPECT_EQ(std::get<long long>(visible->get(panel)), 1);
    ASSERT_NE(table->Find("name"), nullptr);
    EXPECT_EQ(table->Find("OnClick")->kind, PropertyKind::Method);
    EXPECT_EQ(table->Find("Nada"), nullptr);
    // Sub-objects publish tables of their own.
    const PropertyInfo* font = table->Find("Font");
    ASSERT_EQ(font->kind, PropertyKind::Object);
    TPersistent* fontObject = std::get<TPersistent*>(font->get(panel));
    const PropertyInfo* style = fontObject->Properties()->Find("style");
    EXPECT_EQ(style->kind, PropertyKind::Set);
    style->set(*fontObject, PropertyValue(static_cast<long long>((1 << fsBold) | (1 << fsUnderline))));
    EXPECT_EQ(panel.Font()->Style(), (1u << fsBold) | (1u << fsUnderline));
}

TEST(PropertyTables, EveryPropertyOnceInDeclarationOrderBaseFirst)
{
    TMenuItem item(nullptr);
    const auto all = item.Properties()->All();
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0]->name, "Name");
    EXPECT_EQ(all[1]->name, "Tag");
    EXPECT_EQ(all[2]->name, "Bitmap");
    const PropertyInfo* checked = item.Properties()->Find("Checked");
    checked->set(item, PropertyValue(1LL));
    EXPECT_TRUE(item.Checked());
}
