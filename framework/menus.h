#pragma once
// Menus: a tree of menu items (captions with "&" access keys, "-" separators, check marks,
// radio groups, shortcuts, bitmaps, click handlers) held by a main menu or a pop-up menu. The
// model knows nothing of its presentation: a form shows its main menu as a menu bar, a menu bar
// toolbar shows it as buttons; both listen to the menu's change notifications and pop up
// sub-menus through PopupMenuItems.

#include "framework/canvas.h"
#include "framework/component.h"
#include "framework/control.h"
#include "framework/hook_list.h"
#include "framework/seams.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TMenu;

// A shortcut: a virtual key code with scShift, scCtrl and scAlt bits.
using TShortCut = unsigned short;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
TShortCut ShortCut(unsigned short key, TShiftState shift);
// "Ctrl+O", "Shift+F5"; empty for scNone.
std::string ShortCutToText(TShortCut shortCut);

class TMenuItem : public TComponent {
    PICTAVO_CLASS(TMenuItem)
public:
    explicit TMenuItem(TComponent* owner);
    // Frees the sub-items too.
    ~TMenuItem() override;

    std::string Caption() const { return m_caption; }
    void SetCaption(const std::string& caption);
    // A separator: the caption "-".
    bool IsLine() const { return m_caption == "-"; }
    bool Checked() const { return m_checked; }
    // Checking a radio item unchecks the radio items of its group among its siblings.
    void SetChecked(bool checked);
    bool RadioItem() const { return m_radioItem; }
    void SetRadioItem(bool radio);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int group);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    // The default item of its menu is shown in bold.
    bool Default() const { return m_default; }
    void SetDefault(bool isDefault);
    TShortCut ShortCut() const { return m_shortCut; }
    void SetShortCut(TShortCut shortCut);
    std::string Hint() const { return m_hint; }
    void SetHint(const std::string& hint);
    // The item's bitmap, made on first use from the registered class "TBitmap" (null when no
    // such class is registered). SetBitmap copies the picture; null removes it.
    TDrawable* Bitmap() const;
    void SetBitmap(const TDrawable* bitmap);
    // Whether a non-empty bitmap is set (without making one).
    bool HasBitmap() const { return m_bitmap && !m_bitmap->IsEmpty(); }
    // Bitmaps shown beside the item for its two check states (not owned).
    void SetCheckBitmaps(TDrawable* unchecked, TDrawable* checked);
    TDrawable* UncheckedBitmap() const { return m_uncheckedBitmap; }
    TDrawable* CheckedBitmap() const { return m_checkedBitmap; }

    int Count() const { return int(m_items.size()); }
    TMenuItem* Items(int index) const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Takes the item out without freeing it.
    void Remove(TMenuItem* item);
    void Delete(int index);
    // Frees every sub-item.
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    TMenuItem* Parent() const { return m_parent; }
    int MenuIndex() const;
    void SetMenuIndex(int index);
    TMenu* GetParentMenu() const;
    // A sub-item by caption, access keys ignored, without regard to case.
    TMenuItem* Find(std::string_view caption) const;
    // A number unique among all items.
    int Command() const { return m_command; }

    // Fires OnClick when the item is enabled.
    virtual void Click();
    TNotifyEvent OnClick;

    bool HasParent() const override { return true; }
    void SetParentComponent(TComponent* parent) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

private:
    friend class TMenu;
    // What a change touches: how the item looks, or which items there are and where (its menu's
    // presentations then build their menus again).
    enum class Change { Look, Items };
    void changed(Change change);

    std::string m_caption;
    bool m_checked = false;
    bool m_radioItem = false;
    int m_groupIndex = 0;
    bool m_enabled = true;
    bool m_visible = true;
    bool m_default = false;
    TShortCut m_shortCut = scNone;
    std::string m_hint;
    mutable std::unique_ptr<TDrawable> m_bitmap;
    TDrawable* m_uncheckedBitmap = nullptr;
    TDrawable* m_checkedBitmap = nullptr;
    std::vector<TMenuItem*> m_items;
    TMenuItem* m_parent = nullptr;
    TMenu* m_menu = nullptr;  // set on the root item only
    int m_command;
};

// Tells that an item changed; rebuild: items were added, removed or moved.
using TMenuChangeEvent = std::function<void(TObject* sender, TMenuItem* source, bool rebuild)>;

class TMenu : public TComponent {
    PICTAVO_CLASS(TMenu)
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    // The root item, whose sub-items are the menu's items.
    TMenuItem* Items() const { return m_items.get(); }
    // An item by command number anywhere in the tree, or null.
    TMenuItem* FindItem(int command) const;
    // The enabled, visible item with this shortcut, or null.
    TMenuItem* FindShortCut(TShortCut shortCut) const;

    // Presentations listen here, before OnChange: the item that changed (null for the whole
    // menu), and whether items were added, removed or moved.
    THookList<void(TMenuItem* source, bool rebuild)> ChangeListeners;
    TMenuChangeEvent OnChange;

    void MenuChanged(TMenuItem* source, bool rebuild);
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

private:
    std::unique_ptr<TMenuItem> m_items;
    bool m_destroying = false;
};

class TMainMenu : public TMenu {
    PICTAVO_CLASS(TMainMenu)
public:
    explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
};

class TPopupMenu : public TMenu {
    PICTAVO_CLASS(TPopupMenu)
public:
    explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}

    // Fires OnPopup, then shows the items at the screen point (see PopupMenuItems).
    virtual void Popup(int x, int y);
    // The control whose context request opened the menu.
    TControl* PopupComponent() const { return m_popupComponent; }
    void SetPopupComponent(TControl* control);
    bool AutoPopup() const { return m_autoPopup; }
    void SetAutoPopup(bool automatic) { m_autoPopup = automatic; }

    TNotifyEvent OnPopup;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

private:
    TComponentRef<TControl> m_popupComponent;
    bool m_autoPopup = true;
};

// Shows the sub-items of `parent` as a pop-up menu at a screen point and clicks the chosen one.
// The default waits while the menu is open; the seam lets a test or another presentation take
// its place.
void PopupMenuItems(TMenuItem& parent, TPoint screenPoint);
Seam<void(TMenuItem&, TPoint)>& MenuPopupSeam();
