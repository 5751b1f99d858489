#include "framework/menus.h"

#include "framework/class_registry.h"
#include "framework/exceptions.h"
#include "framework/menu_bar.h"
#include "framework/strings.h"

#include <algorithm>

namespace {

constexpr auto itemInserted = "Menu inserted twice";
constexpr auto subMenuMissing = "Sub-menu is not in menu";
constexpr auto listIndex = "List index out of bounds (%d)";

int nextCommand()
{
    static int command = 0;
    return ++command;
}

struct KeyName {
    unsigned short key;
    const char* name;
};

constexpr KeyName keyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"}, {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"}, {VK_HOME, "Home"}, {VK_LEFT, "Left"},
    {VK_UP, "Up"}, {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

} // namespace

TShortCut ShortCut(unsigned short key, TShiftState shift)
{
    if (key & 0xFF00)
        return scNone;
    TShortCut result = key;
    if (shift & (1u << ssShift))
        result |= scShift;
    if (shift & (1u << ssCtrl))
        result |= scCtrl;
    if (shift & (1u << ssAlt))
        result |= scAlt;
    return result;
}

std::string ShortCutToText(TShortCut shortCut)
{
    const unsigned short key = shortCut & 0xFF;
    std::string name;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        name = std::string(1, char(key));
    else if (key >= VK_F1 && key < VK_F1 + 24)
        name = "F" + std::to_string(key - VK_F1 + 1);
    else
        for (const KeyName& k : keyNames)
            if (k.key == key)
                name = k.name;
    if (name.empty())
        return {};
    std::string text;
    if (shortCut & scShift)
        text += "Shift+";
    if (shortCut & scCtrl)
        text += "Ctrl+";
    if (shortCut & scAlt)
        text += "Alt+";
    return text + name;
}

// --- TMenuItem ---

PICTAVO_DEFINE_CLASS(TMenuItem, TComponent, nullptr, createComponentOf<TMenuItem>)

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), m_command(nextCommand()) {}

TMenuItem::~TMenuItem()
{
    Clear();
    if (m_parent)
        m_parent->Remove(this);
}

void TMenuItem::changed(Change change)
{
    if (TMenu* menu = GetParentMenu())
        menu->MenuChanged(this, change == Change::Items);
}

void TMenuItem::SetCaption(const std::string& caption)
{
    if (caption == m_caption)
        return;
    const bool lineChanged = IsLine() != (caption == "-");
    m_caption = caption;
    changed(lineChanged ? Change::Items : Change::Look);
}

void TMenuItem::SetChecked(bool checked)
{
    if (checked == m_checked)
        return;
    m_checked = checked;
    if (checked && m_radioItem && m_parent)
        for (TMenuItem* sibling : m_parent->m_items)
            if (sibling != this && sibling->m_radioItem && sibling->m_groupIndex == m_groupIndex &&
                sibling->m_checked) {
                sibling->m_checked = false;
                sibling->changed(Change::Look);
            }
    changed(Change::Look);
}

void TMenuItem::SetRadioItem(bool radio)
{
    if (radio == m_radioItem)
        return;
    m_radioItem = radio;
    changed(Change::Look);
}

void TMenuItem::SetGroupIndex(int group)
{
    if (group == m_groupIndex)
        return;
    m_groupIndex = group;
    changed(Change::Look);
}

void TMenuItem::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    changed(Change::Look);
}

void TMenuItem::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    changed(Change::Items);
}

void TMenuItem::SetDefault(bool isDefault)
{
    if (isDefault == m_default)
        return;
    if (isDefault && m_parent)
        for (TMenuItem* sibling : m_parent->m_items)
            if (sibling != this && sibling->m_default) {
                sibling->m_default = false;
                sibling->changed(Change::Look);
            }
    m_default = isDefault;
    changed(Change::Look);
}

void TMenuItem::SetShortCut(TShortCut shortCut)
{
    if (shortCut == m_shortCut)
        return;
    m_shortCut = shortCut;
    changed(Change::Look);
}

void TMenuItem::SetHint(const std::string& hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    changed(Change::Look);
}

TDrawable* TMenuItem::Bitmap() const
{
    if (!m_bitmap)
        if (const TMetaClass* meta = GetClass("TBitmap"); meta && meta->create) {
            TObject* object = meta->create();
            if (auto* drawable = dynamic_cast<TDrawable*>(object))
                m_bitmap.reset(drawable);
            else
                delete object;
        }
    return m_bitmap.get();
}

void TMenuItem::SetBitmap(const TDrawable* bitmap)
{
    if (!bitmap) {
        m_bitmap.reset();
    } else {
        if (!m_bitmap || m_bitmap->ClassType() != bitmap->ClassType()) {
            TObject* object = bitmap->ClassType()->create ? bitmap->ClassType()->create() : nullptr;
            auto* drawable = dynamic_cast<TDrawable*>(object);
            if (!drawable) {
                delete object;
                AssignError(bitmap);
            }
            m_bitmap.reset(drawable);
        }
        m_bitmap->CopyFrom(bitmap);
    }
    changed(Change::Look);
}

void TMenuItem::SetCheckBitmaps(TDrawable* unchecked, TDrawable* checked)
{
    m_uncheckedBitmap = unchecked;
    m_checkedBitmap = checked;
    changed(Change::Look);
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(listIndex, {static_cast<long long>(index)});
    return m_items[std::size_t(index)];
}

void TMenuItem::Add(TMenuItem* item)
{
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (item->m_parent)
        throw EInvalidOperation(itemInserted);
    if (index < 0 || index > Count())
        throw EListError(listIndex, {static_cast<long long>(index)});
    m_items.insert(m_items.begin() + index, item);
    item->m_parent = this;
    changed(Change::Items);
}

void TMenuItem::Remove(TMenuItem* item)
{
    auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it == m_items.end())
        throw EInvalidOperation(subMenuMissing);
    m_items.erase(it);
    item->m_parent = nullptr;
    changed(Change::Items);
}

void TMenuItem::Delete(int index)
{
    TMenuItem* item = Items(index);
    Remove(item);
}

void TMenuItem::Clear()
{
    while (!m_items.empty())
        delete m_items.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
    auto it = std::find(m_items.begin(), m_items.end(), item);
    return it == m_items.end() ? -1 : int(it - m_items.begin());
}

int TMenuItem::MenuIndex() const
{
    return m_parent ? m_parent->IndexOf(this) : -1;
}

void TMenuItem::SetMenuIndex(int index)
{
    if (!m_parent)
        return;
    TMenuItem* parent = m_parent;
    const int count = parent->Count();
    index = std::clamp(index, 0, count - 1);
    if (index == MenuIndex())
        return;
    parent->m_items.erase(parent->m_items.begin() + MenuIndex());
    parent->m_items.insert(parent->m_items.begin() + index, this);
    changed(Change::Items);
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* item = this;
    while (item->m_parent)
        item = item->m_parent;
    return item->m_menu;
}

TMenuItem* TMenuItem::Find(std::string_view caption) const
{
    const std::string wanted = StripHotkey(caption);
    for (TMenuItem* item : m_items)
        if (SameText(StripHotkey(item->m_caption), wanted))
            return item;
    return nullptr;
}

void TMenuItem::Click()
{
    if (m_enabled && OnClick)
        OnClick(this);
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    if (auto* menu = dynamic_cast<TMenu*>(parent))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
    else
        TComponent::SetParentComponent(parent);
}

const PropertyTable* TMenuItem::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TMenuItem::ClassProperties()
{
    static const PropertyTable table(&TComponent::ClassProperties(), {
        props::object<TMenuItem, TDrawable>("Bitmap", &TMenuItem::Bitmap),
        props::string<TMenuItem>("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption),
        props::boolean<TMenuItem>("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked),
        props::boolean<TMenuItem>("Default", &TMenuItem::Default, &TMenuItem::SetDefault),
        props::boolean<TMenuItem>("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled),
        props::integer<TMenuItem, int>("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex),
        props::string<TMenuItem>("Hint", &TMenuItem::Hint, &TMenuItem::SetHint),
        props::boolean<TMenuItem>("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem),
        props::integer<TMenuItem, TShortCut>("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut),
        props::boolean<TMenuItem>("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible),
        props::event<TMenuItem, TNotifyEvent>("OnClick", &TMenuItem::OnClick),
    });
    return table;
}

// --- TMenu ---

PICTAVO_DEFINE_CLASS(TMenu, TComponent, nullptr, nullptr)
PICTAVO_DEFINE_CLASS(TMainMenu, TMenu, nullptr, createComponentOf<TMainMenu>)
PICTAVO_DEFINE_CLASS(TPopupMenu, TMenu, nullptr, createComponentOf<TPopupMenu>)

TMenu::TMenu(TComponent* owner) : TComponent(owner), m_items(std::make_unique<TMenuItem>(nullptr))
{
    m_items->m_menu = this;
}

TMenu::~TMenu()
{
    m_destroying = true;
    m_items.reset();
}

TMenuItem* TMenu::FindItem(int command) const
{
    std::vector<TMenuItem*> pending{m_items.get()};
    while (!pending.empty()) {
        TMenuItem* item = pending.back();
        pending.pop_back();
        if (item->Command() == command && item != m_items.get())
            return item;
        for (int i = 0; i < item->Count(); ++i)
            pending.push_back(item->Items(i));
    }
    return nullptr;
}

TMenuItem* TMenu::FindShortCut(TShortCut shortCut) const
{
    if (shortCut == scNone)
        return nullptr;
    std::vector<TMenuItem*> pending{m_items.get()};
    while (!pending.empty()) {
        TMenuItem* item = pending.back();
        pending.pop_back();
        if (item != m_items.get() && item->ShortCut() == shortCut && item->Enabled() && item->Visible())
            return item;
        for (int i = 0; i < item->Count(); ++i)
            pending.push_back(item->Items(i));
    }
    return nullptr;
}

void TMenu::MenuChanged(TMenuItem* source, bool rebuild)
{
    if (m_destroying)
        return;
    TComponentRef<TMenu> alive(this);
    ChangeListeners(source, rebuild);
    // A listener may free the menu.
    if (alive && OnChange)
        OnChange(this, source, rebuild);
}

const PropertyTable* TMenu::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TMenu::ClassProperties()
{
    static const PropertyTable table(&TComponent::ClassProperties(), {
        props::event<TMenu, TMenuChangeEvent>("OnChange", &TMenu::OnChange),
    });
    return table;
}

// --- TPopupMenu ---

void TPopupMenu::Popup(int x, int y)
{
    if (OnPopup)
        OnPopup(this);
    PopupMenuItems(*Items(), {x, y});
}

void TPopupMenu::SetPopupComponent(TControl* control)
{
    if (control == m_popupComponent)
        return;
    m_popupComponent = control;
}


const PropertyTable* TPopupMenu::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TPopupMenu::ClassProperties()
{
    static const PropertyTable table(&TMenu::ClassProperties(), {
        props::boolean<TPopupMenu>("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup),
        props::event<TPopupMenu, TNotifyEvent>("OnPopup", &TPopupMenu::OnPopup),
    });
    return table;
}

Seam<void(TMenuItem&, TPoint)>& MenuPopupSeam()
{
    static Seam<void(TMenuItem&, TPoint)> seam(framework_detail::execPopupMenu);
    return seam;
}

void PopupMenuItems(TMenuItem& parent, TPoint screenPoint)
{
    MenuPopupSeam()(parent, screenPoint);
}
