#include "framework/menu_bar.h"

#include "framework/application.h"
#include "framework/deferred_call.h"
#include "framework/qt_bridge.h"
#include "platform/device_context.h"

#include <QAction>
#include <QImage>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace framework_detail {

namespace {

int qtKey(unsigned short key)
{
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return key;
    if (key >= VK_F1 && key < VK_F1 + 24)
        return Qt::Key_F1 + (key - VK_F1);
    switch (key) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_TAB: return Qt::Key_Tab;
    case VK_RETURN: return Qt::Key_Return;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_SPACE: return Qt::Key_Space;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_END: return Qt::Key_End;
    case VK_HOME: return Qt::Key_Home;
    case VK_LEFT: return Qt::Key_Left;
    case VK_UP: return Qt::Key_Up;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_DOWN: return Qt::Key_Down;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_DELETE: return Qt::Key_Delete;
    default: return 0;
    }
}

QKeySequence keySequence(TShortCut shortCut)
{
    const int key = qtKey(shortCut & 0xFF);
    if (!key)
        return {};
    int modifiers = 0;
    if (shortCut & scShift)
        modifiers |= Qt::SHIFT;
    if (shortCut & scCtrl)
        modifiers |= Qt::CTRL;
    if (shortCut & scAlt)
        modifiers |= Qt::ALT;
    return QKeySequence(key | modifiers);
}

// A picture drawn through a canvas into a pixmap of its own size.
QIcon iconOf(TDrawable& drawable)
{
    const int width = drawable.ReadWidth();
    const int height = drawable.ReadHeight();
    if (drawable.IsEmpty() || width <= 0 || height <= 0 || width > 256 || height > 256)
        return {};
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        auto context = platform::makePainterContext(painter);
        TCanvas canvas;
        canvas.SetHandle(context.get());
        canvas.StretchDraw(TRect{0, 0, width, height}, &drawable);
        canvas.SetHandle(nullptr);
    }
    return QIcon(QPixmap::fromImage(image));
}

struct Build {
    std::map<const TMenuItem*, QAction*>& actions;
    bool connectClicks;  // chosen items click themselves (menu bar)
};

// An action shown until the bar is made again may outlive its item: a freed item hears nothing.
void connectClick(QAction* action, TMenuItem* target, std::map<const TMenuItem*, QAction*>* actions)
{
    QPointer<QAction> guard(action);
    QObject::connect(action, &QAction::triggered, action, [item = TComponentRef<TMenuItem>(target), guard, actions] {
        if (!item)
            return;
        DispatchEvent(item, [item] { item->Click(); });
        // The action toggled its own mark: the item's mark is what counts.
        if (guard && item && actions) {
            auto it = actions->find(item);
            if (it != actions->end())
                it->second->setChecked(item->Checked());
        }
    });
}

void connectSubMenu(QMenu* sub, TMenuItem* target)
{
    QObject::connect(sub, &QMenu::aboutToShow, sub, [item = TComponentRef<TMenuItem>(target)] {
        if (item)
            DispatchEvent(item, [item] { item->Click(); });
    });
}

void fill(QMenu& menu, TMenuItem& parent, Build& build)
{
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem* item = parent.Items(i);
        if (!item->Visible())
            continue;
        if (item->IsLine()) {
            menu.addSeparator();
            continue;
        }
        QAction* action;
        if (item->Count() > 0) {
            auto* sub = new QMenu(qString(item->Caption()), &menu);
            fill(*sub, *item, build);
            action = menu.addMenu(sub);
            if (build.connectClicks)
                connectSubMenu(sub, item);
        } else {
            action = menu.addAction(qString(item->Caption()));
            if (build.connectClicks)
                connectClick(action, item, &build.actions);
        }
        action->setData(item->Command());
        updateAction(*action, *item);
        build.actions[item] = action;
    }
}

} // namespace

void updateAction(QAction& action, const TMenuItem& item)
{
    action.setText(qString(item.Caption()));
    action.setEnabled(item.Enabled());
    action.setVisible(item.Visible());
    action.setCheckable(item.Checked() || item.RadioItem());
    action.setChecked(item.Checked());
    action.setStatusTip(qString(item.Hint()));
    action.setShortcut(keySequence(item.ShortCut()));
    QFont font = action.font();
    font.setBold(item.Default());
    action.setFont(font);
    TDrawable* picture = item.Checked() ? item.CheckedBitmap() : item.UncheckedBitmap();
    if (!picture && item.HasBitmap())
        picture = item.Bitmap();
    action.setIcon(picture ? iconOf(*picture) : QIcon());
}

MenuBarPresenter::MenuBarPresenter(QWidget* window, TMenu* menu) : m_bar(new QMenuBar(window)), m_menu(menu)
{
    m_bar->setNativeMenuBar(false);
    m_listener = menu->ChangeListeners.Add([this](TMenuItem* item, bool rebuild) { changed(item, rebuild); });
    rebuild();
}

MenuBarPresenter::~MenuBarPresenter()
{
    m_listener.Reset();
    delete m_bar;
}

QAction* MenuBarPresenter::actionOf(const TMenuItem* item) const
{
    auto it = m_actions.find(item);
    return it == m_actions.end() ? nullptr : it->second;
}

void MenuBarPresenter::changed(TMenuItem* item, bool rebuildNeeded)
{
    if (!rebuildNeeded) {
        if (QAction* action = actionOf(item))
            updateAction(*action, *item);
        return;
    }
    // Items may be going away: the old actions are replaced once the current event is over,
    // and meanwhile a freed item's action does nothing.
    m_actions.clear();
    if (m_rebuildPending)
        return;
    m_rebuildPending = true;
    CallSoon(*this, [this] {
        if (m_rebuildPending)
            rebuild();
    });
}

void MenuBarPresenter::rebuild()
{
    m_rebuildPending = false;
    m_bar->clear();
    for (QMenu* menu : m_menus)
        delete menu;
    m_menus.clear();
    m_actions.clear();
    if (!m_menu)
        return;
    Build build{m_actions, true};
    TMenuItem& root = *m_menu->Items();
    for (int i = 0; i < root.Count(); ++i) {
        TMenuItem* item = root.Items(i);
        if (!item->Visible() || item->IsLine())
            continue;
        QAction* action;
        if (item->Count() > 0) {
            auto* sub = new QMenu(qString(item->Caption()), m_bar);
            m_menus.push_back(sub);
            fill(*sub, *item, build);
            action = m_bar->addMenu(sub);
            connectSubMenu(sub, item);
        } else {
            action = m_bar->addAction(qString(item->Caption()));
            connectClick(action, item, &m_actions);
        }
        action->setData(item->Command());
        updateAction(*action, *item);
        m_actions[item] = action;
    }
}

void execPopupMenu(TMenuItem& parent, TPoint screenPoint)
{
    std::map<const TMenuItem*, QAction*> actions;
    Build build{actions, false};
    QMenu menu;
    fill(menu, parent, build);
    TComponentRef<TMenu> owner = parent.GetParentMenu();
    QAction* chosen = menu.exec(QPoint(screenPoint.x, screenPoint.y));
    if (!chosen || !owner)
        return;
    // The item is looked up again: the menu may have changed while it was open.
    if (TMenuItem* item = owner->FindItem(chosen->data().toInt()))
        DispatchEvent(item, [item] { item->Click(); });
}

} // namespace framework_detail
