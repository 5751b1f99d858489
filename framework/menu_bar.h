#pragma once
// Internal to framework/: menus shown through the window system's own menu widgets: a form's
// menu bar, and pop-up menus.

#include "framework/menus.h"
#include "framework/weak_ref.h"

#include <map>
#include <memory>
#include <vector>

class QMenu;
class QMenuBar;
class QWidget;
class QAction;

namespace framework_detail {

// Shows a menu's items in a menu bar of the window and keeps it up to date. After a change that
// adds or removes items, the bar is made again once the current event is over.
class MenuBarPresenter : public TWeakTarget {
public:
    MenuBarPresenter(QWidget* window, TMenu* menu);
    ~MenuBarPresenter();
    MenuBarPresenter(const MenuBarPresenter&) = delete;
    MenuBarPresenter& operator=(const MenuBarPresenter&) = delete;

    QMenuBar* widget() const { return m_bar; }
    // The action showing an item, or null (tests and lower-level code).
    QAction* actionOf(const TMenuItem* item) const;

private:
    void changed(TMenuItem* item, bool rebuild);
    void rebuild();

    QMenuBar* m_bar;
    TComponentRef<TMenu> m_menu;
    THookSubscription m_listener;
    std::map<const TMenuItem*, QAction*> m_actions;
    std::vector<QMenu*> m_menus;  // the menus of the bar's items (their sub-menus go with them)
    bool m_rebuildPending = false;
};
// Brings one action up to date with its item.
void updateAction(QAction& action, const TMenuItem& item);
// The default pop-up: a Qt menu at the point, waited for; the chosen item is clicked.
void execPopupMenu(TMenuItem& parent, TPoint screenPoint);

} // namespace framework_detail
