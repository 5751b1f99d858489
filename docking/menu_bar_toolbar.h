#pragma once
// The menu bar toolbar (a form's main menu shown as toolbar buttons) and menu item glyphs.

#include "docking/docking.h"
#include "docking/popup_menu.h"
#include "docking/toolbar_button.h"
#include "framework/menus.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A button of the menu bar toolbar: sized to its caption, without a drop-down arrow. A button
// whose item has sub-items opens them when the mouse goes down on it.
class TToolbarButton98 : public TToolbarButton97 {
    PICTAVO_CLASS(TToolbarButton98)
public:
    explicit TToolbarButton98(TComponent* owner);
    // Width: the caption's width plus 7 pixels on each side.
    void AdjustSize();

    void Click() override;
    void AcceleratorClick() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

protected:
    void TextChanged() override;
};

// The form's main menu shown as a dockable toolbar: one button per visible top-level item. A
// button runs its item's click handler; an item with sub-items keeps its button down and opens
// them as a drawn pop-up menu below the button (beside it in a vertical dock). While a menu is
// open, moving onto another button opens that one's menu, and the arrow keys move between them.
// Once loaded, the form no longer shows its menu as a native menu bar.
class TMainMenu98 : public MenuSettingsHolder, public TToolbar97 {
    PICTAVO_CLASS(TMainMenu98)
public:
    explicit TMainMenu98(TComponent* owner);
    ~TMainMenu98() override;

    TMainMenu* MainMenu() const { return m_menu; }
    // Raises "Value cannot be empty" for null.
    void SetMainMenu(TMainMenu* menu);
    // The menu settings (MenuSettingsHolder) are those every drop-down menu of the bar copies.

    // The button made for a top-level item, or null.
    TToolbarButton98* ButtonOf(const TMenuItem* item) const;
    // The top-level item a button stands for, or null.
    TMenuItem* ItemOf(const TToolbarButton98* button) const;
    // Makes the buttons again from the menu's items.
    void RebuildButtons();
    // What a click on a button does: closes its open menu, or closes any other, runs the item
    // and opens the item's sub-items (the first one selected when byKeyboard).
    void OpenMenuOf(TToolbarButton98& button, bool byKeyboard);
    // The drop-down menu of the bar that is open now, or null.
    TPopupMenu98* OpenMenu() const;

    TNotifyEvent OnPopup;
    TNotifyEvent OnMenuCommand;
    TNotifyEvent OnMenuClose;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void MenuSettingsChanged() override;

private:
    void menuChanged(TMenuItem* source, bool rebuild);
    // Copies the bar's font and settings into a drop-down menu.
    void configure(TPopupMenu98& menu) const;
    // Opens the menu of the button `direction` places after the open one, round the ends.
    void openNeighbour(TToolbarButton98& from, int direction);
    // While the form goes, its menu items go too: the buttons are not made again for that.
    bool formGoing() const;
    void listen();

    TComponentRef<TMainMenu> m_menu;
    THookSubscription m_menuListener;
    // Buttons and their top-level items; either may have gone since the buttons were made.
    std::vector<std::pair<TComponentRef<TToolbarButton98>, TComponentRef<TMenuItem>>> m_buttons;
};

// Puts one bitmap (or one per check state) beside a menu item.
class TMenuItemBitmaps : public TComponent {
    PICTAVO_CLASS(TMenuItemBitmaps)
public:
    explicit TMenuItemBitmaps(TComponent* owner);
    ~TMenuItemBitmaps() override;

    TMenuItem* MenuItem() const { return m_item; }
    void SetMenuItem(TMenuItem* item);
    TBitmap* CheckedBitmap() const { return m_checked.get(); }
    TBitmap* UncheckedBitmap() const { return m_unchecked.get(); }
    // Bitmap resources of the program by name ("GLYPH_ABRIR"); "#" and a number selects one by
    // number, of which this program has none.
    std::string CheckedBmpResource() const { return m_checkedResource; }
    void SetCheckedBmpResource(const std::string& name);
    std::string UncheckedBmpResource() const { return m_uncheckedResource; }
    void SetUncheckedBmpResource(const std::string& name);
    // One bitmap for both states: setting either copies it to the other.
    bool SingleBitmap() const { return m_single; }
    void SetSingleBitmap(bool single);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Loaded() override;

private:
    void bitmapChanged(TBitmap* changed);
    void loadResource(TBitmap& bitmap, const std::string& name);
    void apply();

    TComponentRef<TMenuItem> m_item;
    std::unique_ptr<TBitmap> m_checked;
    std::unique_ptr<TBitmap> m_unchecked;
    std::string m_checkedResource;
    std::string m_uncheckedResource;
    bool m_single = false;
    bool m_enabled = true;
    bool m_copying = false;
};

