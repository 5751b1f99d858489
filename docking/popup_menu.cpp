// Drawn pop-up menus: the menu object, the session of its open levels with the message hook
// (mouse presses elsewhere, moves onto the menu bar, the keyboard), and the sizes, placement and
// animation of levels.

#include "docking/popup_menu.h"

#include "docking/docking.h"
#include "docking/event_sounds.h"
#include "docking/menu_session.h"
#include "framework/application.h"
#include "framework/deferred_call.h"

#include <QCursor>
#include <QToolTip>

#include <algorithm>
#include <cctype>
#include <cmath>

// --- TPopupMenu98 ---

PICTAVO_DEFINE_CLASS(TPopupMenu98, TPopupMenu, nullptr, createComponentOf<TPopupMenu98>)

TPopupMenu98::TPopupMenu98(TComponent* owner) : TPopupMenu(owner), m_font(std::make_unique<TFont>()) {}

TPopupMenu98::~TPopupMenu98()
{
    CloseMenu();
}

void TPopupMenu98::SetFont(const TFont* font)
{
    m_font->CopyFrom(font);
}

void TPopupMenu98::Popup(int x, int y)
{
    TPopupPlacement placement;
    placement.at = {x, y};
    placement.upwardEnd = y;
    PopupItems(*Items(), placement);
}

void TPopupMenu98::PopupItems(TMenuItem& items, const TPopupPlacement& placement, TControl* opener,
                              std::function<void()> closed, bool byKeyboard)
{
    TComponentRef<TPopupMenu98> alive(this);
    TComponentRef<TMenuItem> shown(&items);
    if (OnPopup)
        OnPopup(this);
    // The menu open before closes first; its handlers may free this one's items too.
    if (alive && shown)
        if (MenuSession* previous = MenuSession::Current())
            previous->CloseAll();
    if (!alive || !shown) {
        if (closed)
            closed();
        return;
    }
    MenuSession& session = MenuSession::Start(*this, opener, std::move(closed));
    m_session = &session;
    auto* level = new TPopupMenu98Form(session, items, nullptr);
    level->OpenAt(placement);
    if (byKeyboard)
        for (int i = 0; i < level->ItemCount(); ++i)
            if (!level->Item(i)->IsLine()) {
                level->Select(i);
                break;
            }
}

void TPopupMenu98::CloseMenu()
{
    if (m_session)
        m_session->CloseAll();
}

bool TPopupMenu98::IsOpen() const
{
    return m_session && m_session->IsCurrent() && m_session->TopLevel();
}

TPopupMenu98Form* TPopupMenu98::OpenLevel() const
{
    return m_session ? m_session->TopLevel() : nullptr;
}

const PropertyTable& TPopupMenu98::ClassProperties()
{
    using M = TPopupMenu98;
    static const PropertyTable table(&TPopupMenu::ClassProperties(),
                                     MenuSettingProperties<M>({
                                         props::boolean<M>("ShowHint", &M::ShowHint, &M::SetShowHint),
                                     }));
    return table;
}

const PropertyTable* TPopupMenu98::Properties() const
{
    return &ClassProperties();
}

// --- the session ---

PICTAVO_DEFINE_CLASS(MenuSession, TComponent, nullptr, nullptr)

namespace {
// The session of the menu open now.
TComponentRef<MenuSession>& currentSession()
{
    static TComponentRef<MenuSession> session;
    return session;
}

// A mouse move onto another button of the menu bar counts once it has gone this far.
constexpr int barMoveThreshold = 2;
} // namespace

MenuSession& MenuSession::Start(TPopupMenu98& menu, TControl* opener, std::function<void()> closed)
{
    auto* session = new MenuSession(menu, opener, std::move(closed));
    currentSession() = session;
    return *session;
}

MenuSession* MenuSession::Current()
{
    return currentSession();
}

MenuSession::MenuSession(TPopupMenu98& menu, TControl* opener, std::function<void()> closed)
    : TComponent(&menu), m_opener(opener), m_closed(std::move(closed))
{
    // One hook while any level exists.
    if (Application)
        m_hook = Application->MessageHooks.Add([this](TMessage& m) { message(m); });
}

MenuSession::~MenuSession()
{
    // The levels refer to their session while they go.
    DestroyComponents();
    // Freed with its menu before it ended: the opener still hears that the menu has closed.
    if (!m_ended && m_closed)
        CallSoon(std::move(m_closed));
}

TPopupMenu98* MenuSession::Menu() const
{
    return static_cast<TPopupMenu98*>(Owner());
}

std::vector<TPopupMenu98Form*> MenuSession::levels() const
{
    std::vector<TPopupMenu98Form*> levels;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* level = dynamic_cast<TPopupMenu98Form*>(Components(i)))
            levels.push_back(level);
    return levels;
}

TPopupMenu98Form* MenuSession::TopLevel() const
{
    for (TPopupMenu98Form* level : levels())
        if (!level->ParentLevel() && !level->IsClosing())
            return level;
    return nullptr;
}

void MenuSession::LevelClosed(TPopupMenu98Form& level)
{
    const std::vector<TPopupMenu98Form*> all = levels();
    const bool othersOpen =
        std::any_of(all.begin(), all.end(), [&](const TPopupMenu98Form* l) { return l != &level && !l->IsClosed(); });
    if (othersOpen) {
        // A sub-menu that closed on its own goes now; when every level closes, they wait for the
        // end, so that what the chosen item runs still finds them.
        if (!m_closingAll)
            level.Release();
        return;
    }
    end();
}

void MenuSession::end()
{
    if (m_ended)
        return;
    m_ended = true;
    m_hook.Reset();
    if (currentSession() == this)
        currentSession() = nullptr;
    // The opener and the chosen item hear of it once whatever runs now has returned, then the
    // session goes with its levels.
    if (m_closed)
        CallSoon(std::move(m_closed));
    if (m_chosen)
        CallSoon(*m_chosen, [item = m_chosen, menu = TComponentRef<TPopupMenu98>(Menu())] {
            PlayEventSound("MenuCommand");
            if (menu && menu->OnMenuCommand && item)
                menu->OnMenuCommand(item);
            if (item)
                item->Click();
        });
    ReleaseSoon(*this);
}

void MenuSession::CloseAll()
{
    if (m_ended)
        return;
    m_closingAll = true;
    if (currentSession() == this)
        currentSession() = nullptr;
    std::vector<TComponentRef<TPopupMenu98Form>> tops;
    for (TPopupMenu98Form* level : levels())
        if (!level->ParentLevel() && !level->IsClosed())
            tops.emplace_back(level);
    if (tops.empty()) {
        // No level was ever made (or all have closed): the session ends all the same.
        end();
        return;
    }
    // Each level's handlers may free the menu, and the session with it.
    for (const auto& level : tops)
        if (level)
            level->CloseLevel();
}

void MenuSession::ChooseItem(TMenuItem& chosen)
{
    m_chosen = &chosen;
    CloseAll();
}

TPopupMenu98Form* MenuSession::levelOf(const TControl* control) const
{
    for (TPopupMenu98Form* level : levels())
        if (level == control)
            return level;
    return nullptr;
}

TPopupMenu98Form* MenuSession::levelAt(TPoint screen) const
{
    // The deepest level first: sub-menus lie above their parents.
    const std::vector<TPopupMenu98Form*> all = levels();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        TPopupMenu98Form* level = *it;
        if (!level->IsClosing() && level->Widget() && level->Widget()->isVisible() &&
            level->BoundsRect().contains(screen))
            return level;
    }
    return nullptr;
}

TPopupMenu98Form* MenuSession::deepest() const
{
    TPopupMenu98Form* level = TopLevel();
    while (level && level->ChildLevel() && !level->ChildLevel()->IsClosing())
        level = level->ChildLevel();
    return level;
}

void MenuSession::message(TMessage& message)
{
    if (message.handled || !IsCurrent())
        return;
    switch (message.kind) {
    case TMessageKind::MouseDown:
    case TMessageKind::MouseDblClick:
        if (levelOf(message.control))
            return;
        // A press on the button that opened the menu only closes it; any other press closes
        // the menu and goes on to where it was aimed.
        if (m_opener && message.control == m_opener)
            message.handled = true;
        CloseAll();
        return;
    case TMessageKind::MouseMove: {
        const bool moved = m_moved && (std::abs(message.screenPos.x - m_lastMove.x) > barMoveThreshold ||
                                       std::abs(message.screenPos.y - m_lastMove.y) > barMoveThreshold);
        m_lastMove = message.screenPos;
        m_moved = true;
        if (levelOf(message.control))
            return;
        // Onto another menu of the same bar: that one opens instead.
        auto* button = dynamic_cast<TToolbarButton98*>(message.control);
        auto* bar = button ? dynamic_cast<TMainMenu98*>(button->Parent()) : nullptr;
        if (moved && bar && m_opener && m_opener != button && m_opener->Parent() == bar && button->Enabled() &&
            button->DropdownMenu()) {
            bar->OpenMenuOf(*button, false);
            return;
        }
        // With the button held since it opened the menu, the moves go to the button's window:
        // the level under the cursor follows them.
        if (TPopupMenu98Form* level = levelAt(message.screenPos)) {
            const TPoint at = level->ScreenToClient(message.screenPos);
            level->MouseMove(message.shift, at.x, at.y);
        }
        return;
    }
    case TMessageKind::MouseUp:
        if (levelOf(message.control))
            return;
        if (TPopupMenu98Form* level = levelAt(message.screenPos)) {
            const TPoint at = level->ScreenToClient(message.screenPos);
            message.handled = true;
            level->MouseUp(TMouseButton(message.button), message.shift, at.x, at.y);
        }
        return;
    case TMessageKind::KeyDown:
        message.handled = true;
        key(message);
        return;
    case TMessageKind::KeyUp:
        message.handled = true;
        return;
    }
}

void MenuSession::key(TMessage& message)
{
    TPopupMenu98Form* level = deepest();
    if (!level) {
        if (message.key == VK_ESCAPE)
            CloseAll();
        return;
    }
    const int count = level->ItemCount();
    // The next item that is not a separator, going round the ends.
    const auto step = [&](int from, int direction) {
        for (int i = 1; i <= count; ++i) {
            const int index = ((from + direction * i) % count + count) % count;
            if (!level->Item(index)->IsLine())
                return index;
        }
        return -1;
    };
    TPopupMenu98* menu = Menu();
    const bool sideways = menu && menu->OnLeaveSideways;
    switch (message.key) {
    case VK_UP:
        level->Select(step(level->Selected() < 0 ? 0 : level->Selected(), -1));
        return;
    case VK_DOWN:
        level->Select(step(level->Selected() < 0 ? -1 : level->Selected(), 1));
        return;
    case VK_HOME:
        level->Select(step(-1, 1));
        return;
    case VK_END:
        level->Select(step(0, -1));
        return;
    case VK_RIGHT:
        if (TMenuItem* item = level->Item(level->Selected()); item && item->Enabled() && item->Count() > 0)
            level->OpenSubmenu(true);
        else if (sideways)
            menu->OnLeaveSideways(1);
        return;
    case VK_LEFT:
        if (level->ParentLevel())
            level->CloseLevel();
        else if (sideways)
            menu->OnLeaveSideways(-1);
        return;
    case VK_RETURN:
    case VK_SPACE:
        if (level->Selected() >= 0)
            level->Choose(level->Selected(), true);
        return;
    case VK_ESCAPE:
        if (level->ParentLevel())
            level->CloseLevel();
        else
            CloseAll();
        return;
    case VK_MENU:
        CloseAll();
        return;
    default:
        break;
    }
    // An access key of the level's items chooses the item.
    if (message.text.empty() || (message.shift & ((1u << ssCtrl) | (1u << ssAlt))))
        return;
    std::string typed = message.text;
    if (typed.size() == 1)
        typed[0] = char(std::toupper(static_cast<unsigned char>(typed[0])));
    for (int i = 0; i < count; ++i)
        if (AcceleratorOf(level->Item(i)->Caption()) == typed) {
            level->Select(i);
            level->Choose(i, true);
            return;
        }
}

// --- sizes, placement and animation ---

namespace popup_layout {

TSize LevelSize(int widestCaption, int widestShortcut, int indent, int itemsHeight)
{
    return {widestCaption + widestShortcut + 2 * indent + 10, itemsHeight + 6};
}

Placement PlaceLevel(TSize size, const TPopupPlacement& requested, const TRect& work, const TRect* parent,
                     bool slidesVertically)
{
    Placement placement;
    int left = requested.alignRight ? requested.at.x - size.cx : requested.at.x;
    int top = requested.at.y;
    if (left + size.cx > work.right) {
        if (parent) {
            // To the left of the parent: a sideways slide grows leftwards from there.
            left = parent->left - size.cx + 6;
            placement.leftwards = !slidesVertically;
        } else {
            left = work.right - size.cx;
        }
    }
    if (left <= 0)
        left = 1;
    if (top + size.cy > work.bottom) {
        if (requested.upwardEnd - size.cy >= work.top) {
            top = requested.upwardEnd - size.cy;
            placement.upwards = true;
        } else {
            top = work.bottom - size.cy;
        }
    }
    if (top <= 0)
        top = 1;
    placement.rect = TRect{left, top, left + size.cx, top + size.cy};
    return placement;
}

Animation PlanAnimation(TSize size, int itemHeight, bool doubleSpeed, bool vertical, bool sideways)
{
    Animation plan;
    plan.vertical = vertical;
    plan.sideways = sideways;
    if (!vertical && !sideways)
        return plan;
    const int step = std::max(1, int(std::lround(itemHeight * (doubleSpeed ? 1.2 : 0.6))));
    plan.frames = std::max(vertical ? size.cy / step + 1 : 0, sideways ? size.cx / step + 1 : 0);
    plan.stepHeight = int(std::lround((size.cy / plan.frames) * 1.5));
    plan.stepWidth = int(std::lround((size.cx / plan.frames) * 1.5 + 1));
    return plan;
}

void AnimatedDimensions(TMenuAnimation kind, bool subMenu, bool coin, bool& vertical, bool& sideways)
{
    vertical = false;
    sideways = false;
    switch (kind) {
    case anNone: break;
    case anVSlide: vertical = true; break;
    case anHSlide: sideways = true; break;
    case anUnfold:
        vertical = true;
        sideways = true;
        break;
    case anRandom:
        (coin ? vertical : sideways) = true;
        break;
    case anSmart:
        // A top level slides down (and up again); the sub-menus of a level that has opened
        // slide sideways.
        (subMenu ? sideways : vertical) = true;
        break;
    case anPopup:
        // A top level unfolds; sub-menus slide sideways.
        sideways = true;
        vertical = !subMenu;
        break;
    }
}

} // namespace popup_layout
