#pragma once
// Internal to docking/: the one open drawn menu of the application, its levels and the message
// hook that runs while any of them exists.

#include "docking/popup_menu.h"
#include "framework/application.h"
#include "framework/properties.h"

#include <functional>
#include <vector>

// The settings a level keeps from its menu when it opens (the menu bar may hand its menus new
// ones while a level is open).
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

// The open levels of one opening of a menu. The menu owns it, and it owns the levels. Levels
// that close on their own (a sub-menu) go at once; when every level closes, the session ends:
// the opener hears that its menu closed, the chosen item runs, and the session goes with the
// rest of its levels, each a deferred call, in that order.
class MenuSession : public TComponent {
    PICTAVO_CLASS(MenuSession)
public:
    // Starts the session of an opening of the menu (the one open before has been closed).
    static MenuSession& Start(TPopupMenu98& menu, TControl* opener, std::function<void()> closed);
    // The session whose levels the user works with now (null when no menu is open).
    static MenuSession* Current();

    ~MenuSession() override;

    // The menu (null while it goes).
    TPopupMenu98* Menu() const;
    TControl* Opener() const { return m_opener; }
    bool IsCurrent() const { return Current() == this; }
    // The open top level (null when it is closing or gone).
    TPopupMenu98Form* TopLevel() const;

    // The level has finished closing.
    void LevelClosed(TPopupMenu98Form& level);
    // Closes every level.
    void CloseAll();
    // Closes every level, then plays the command sound and runs the item.
    void ChooseItem(TMenuItem& item);

private:
    MenuSession(TPopupMenu98& menu, TControl* opener, std::function<void()> closed);
    void end();
    // The session's levels, in the order they opened.
    std::vector<TPopupMenu98Form*> levels() const;
    void message(TMessage& message);
    void key(TMessage& message);
    TPopupMenu98Form* levelOf(const TControl* control) const;
    TPopupMenu98Form* levelAt(TPoint screen) const;
    TPopupMenu98Form* deepest() const;

    TComponentRef<TControl> m_opener;
    std::function<void()> m_closed;
    TComponentRef<TMenuItem> m_chosen;
    THookSubscription m_hook;
    bool m_closingAll = false;
    bool m_ended = false;
    TPoint m_lastMove{0, 0};
    bool m_moved = false;
};
