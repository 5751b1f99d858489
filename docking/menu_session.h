#pragma once
// Internal to docking/: the one open drawn menu of the application, its levels and the message
// hook that runs while any of them exists.

#include "docking/popup_menu.h"
#include "framework/application.h"
#include "framework/properties.h"

#include <functional>
#include <memory>
#include <vector>

// The settings a level keeps from its menu when it opens (the menu may go before the level has
// finished closing).
struct LevelSettings : MenuSettings {
    std::unique_ptr<TFont> font;
};

// The stored properties of the menu settings, for a class with their getters and setters (the
// drop-down menus and the menu bar that gives them its own), followed by `own`.
template <class M>
std::vector<PropertyInfo> MenuSettingProperties(std::initializer_list<PropertyInfo> own)
{
    std::vector<PropertyInfo> properties = {
        props::enumeration<M, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                          &M::Alignment, &M::SetAlignment),
        props::enumeration<M, TMenuAnimation>("CloseAnimation", MenuAnimationNames, &M::CloseAnimation,
                                              &M::SetCloseAnimation),
        props::boolean<M>("DoubleSpeed", &M::DoubleSpeed, &M::SetDoubleSpeed),
        props::integer<M, int>("Indent", &M::Indent, &M::SetIndent),
        props::integer<M, int>("ItemHeight", &M::ItemHeight, &M::SetItemHeight),
        props::enumeration<M, TMenuAnimation>("OpenAnimation", MenuAnimationNames, &M::OpenAnimation,
                                              &M::SetOpenAnimation),
        props::integer<M, int>("SeparatorHeight", &M::SeparatorHeight, &M::SetSeparatorHeight),
        props::component<M, TControl>("StatusBar", &M::StatusBar, &M::SetStatusBar),
        props::integer<M, int>("StatusBarIndex", &M::StatusBarIndex, &M::SetStatusBarIndex),
        props::integer<M, int>("Timeout", &M::Timeout, &M::SetTimeout),
        props::event<M, TNotifyEvent>("OnMenuClose", &M::OnMenuClose),
        props::event<M, TNotifyEvent>("OnMenuCommand", &M::OnMenuCommand),
    };
    properties.insert(properties.end(), own);
    return properties;
}

class MenuSession : public std::enable_shared_from_this<MenuSession> {
public:
    // Starts a session for the menu; the one open before (if any) closes.
    static std::shared_ptr<MenuSession> Start(TPopupMenu98& menu, TControl* opener, std::function<void()> closed);
    // The session whose levels the user works with now (null when no menu is open).
    static MenuSession* Current();

    MenuSession(TPopupMenu98& menu, TControl* opener, std::function<void()> closed);
    ~MenuSession();
    MenuSession(const MenuSession&) = delete;
    MenuSession& operator=(const MenuSession&) = delete;

    TPopupMenu98* Menu() const { return m_menu; }
    TControl* Opener() const { return m_opener; }
    bool IsCurrent() const { return Current() == this; }
    // The open top level (null when it is closing or gone).
    TPopupMenu98Form* TopLevel() const;

    void LevelCreated(TPopupMenu98Form& level);
    // The level has finished closing; the last one gone ends the session: the opener hears
    // that its menu closed, and what waited for the closing runs.
    void LevelGone(TPopupMenu98Form& level);
    // Closes every level; `then` runs once they have all gone.
    void CloseAll(std::function<void()> then = nullptr);
    // Closes every level, then plays the command sound and runs the item.
    void ChooseItem(TMenuItem& item);

private:
    void message(TMessage& message);
    void key(TMessage& message);
    TPopupMenu98Form* levelOf(const TControl* control) const;
    TPopupMenu98Form* levelAt(TPoint screen) const;
    TPopupMenu98Form* deepest() const;

    TComponentRef<TPopupMenu98> m_menu;
    TComponentRef<TControl> m_opener;
    std::function<void()> m_closed;
    std::vector<std::function<void()>> m_afterClose;
    std::vector<TComponentRef<TPopupMenu98Form>> m_levels;
    THookSubscription m_hook;
    TPoint m_lastMove{0, 0};
    bool m_moved = false;
};
