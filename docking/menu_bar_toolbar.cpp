// The menu bar toolbar (a form's main menu as toolbar buttons) and menu item glyphs.

#include "docking/docking.h"
#include "docking/floating_frame.h"
#include "docking/menu_session.h"

#include "framework/application.h"
#include "framework/class_registry.h"
#include "framework/drawing.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/scope_exit.h"
#include "picture/bitmap/bitmap.h"

#include <algorithm>
#include <cctype>

namespace {
constexpr auto valueCannotBeEmpty = "Value cannot be empty";
constexpr auto notAValidResourceName = "'%s' is not a valid resource name";
constexpr auto errorCaption = "Error";

// Room beside a menu bar button's caption, on each side.
constexpr int captionMargin = 7;
constexpr int menuButtonHeight = 22;

} // namespace

// --- TToolbarButton98 ---

PICTAVO_DEFINE_CLASS(TToolbarButton98, TToolbarButton97, nullptr, createComponentOf<TToolbarButton98>)

TToolbarButton98::TToolbarButton98(TComponent* owner) : TToolbarButton97(owner)
{
    SetAllowAllUp(true);
    SetDropdownArrow(false);
    SetHeight(menuButtonHeight);
    // While a menu is open, passing over the bar's buttons opens theirs.
    Widget()->setMouseTracking(true);
}

void TToolbarButton98::AdjustSize()
{
    TCanvas& canvas = *Canvas();
    canvas.Font().CopyFrom(Font());
    TRect r{0, 0, 0, 0};
    DrawText(canvas, Caption(), r, DT_SINGLELINE | DT_CALCRECT);
    SetBounds(Left(), Top(), r.width() + 2 * captionMargin, menuButtonHeight);
}

void TToolbarButton98::TextChanged()
{
    TToolbarButton97::TextChanged();
    AdjustSize();
}

void TToolbarButton98::Click()
{
    if (auto* bar = dynamic_cast<TMainMenu98*>(Parent()))
        bar->OpenMenuOf(*this, false);
    else
        TToolbarButton97::Click();
}

void TToolbarButton98::AcceleratorClick()
{
    if (auto* bar = dynamic_cast<TMainMenu98*>(Parent()))
        bar->OpenMenuOf(*this, true);
    else
        TToolbarButton97::AcceleratorClick();
}

void TToolbarButton98::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    // A menu opens as the mouse goes down; the release may then choose one of its items.
    if (button == mbLeft && Enabled() && DropdownMenu()) {
        TComponentRef<TToolbarButton98> alive(this);
        Click();
        if (alive)
            TGraphicControl::MouseDown(button, shift, x, y);
        return;
    }
    TToolbarButton97::MouseDown(button, shift, x, y);
}

// --- TMainMenu98 ---

PICTAVO_DEFINE_CLASS(TMainMenu98, TToolbar97, nullptr, createComponentOf<TMainMenu98>)

TMainMenu98::TMainMenu98(TComponent* owner) : TToolbar97(owner)
{
    SetCaption("Menu Bar");
    SetFullSize(true);
    m_settings.openAnimation = anSmart;
    m_settings.closeAnimation = anSmart;
}

TMainMenu98::~TMainMenu98() = default;

void TMainMenu98::SetMainMenu(TMainMenu* menu)
{
    if (!menu)
        throw EInvalidOperation(valueCannotBeEmpty);
    if (menu == m_menu)
        return;
    m_menuListener.Reset();
    if (m_menu)
        RemoveFreeNotification(m_menu);
    m_menu = menu;
    // Told when the menu goes, to take its buttons away.
    FreeNotification(menu);
    if (!IsLoading()) {
        listen();
        RebuildButtons();
    }
}

void TMainMenu98::MenuSettingsChanged()
{
    for (const auto& entry : m_buttons)
        if (entry.first)
            if (auto* menu = dynamic_cast<TPopupMenu98*>(entry.first->DropdownMenu()))
                configure(*menu);
}

void TMainMenu98::configure(TPopupMenu98& menu) const
{
    MenuSettings settings = m_settings;
    settings.showHint = HintShown();
    menu.SetSettings(settings);
    menu.SetFont(Font());
    // The bar's events, with the bar's handlers as they are when they fire.
    const TComponentRef<TMainMenu98> bar(const_cast<TMainMenu98*>(this));
    menu.OnPopup = [bar](TObject* sender) {
        if (bar && bar->OnPopup)
            bar->OnPopup(sender);
    };
    menu.OnMenuCommand = [bar](TObject* sender) {
        if (bar && bar->OnMenuCommand)
            bar->OnMenuCommand(sender);
    };
    menu.OnMenuClose = [bar](TObject* sender) {
        if (bar && bar->OnMenuClose)
            bar->OnMenuClose(sender);
    };
}

void TMainMenu98::listen()
{
    if (!m_menu || m_menuListener.Subscribed())
        return;
    m_menuListener = m_menu->ChangeListeners.Add([this](TMenuItem* source, bool rebuild) { menuChanged(source, rebuild); });
}

void TMainMenu98::menuChanged(TMenuItem* source, bool rebuild)
{
    if (formGoing())
        return;
    // Items that changed only in look update their buttons; added, removed or hidden top-level
    // items make the buttons again.
    std::vector<TMenuItem*> visible;
    for (int i = 0; i < m_menu->Items()->Count(); ++i)
        if (m_menu->Items()->Items(i)->Visible())
            visible.push_back(m_menu->Items()->Items(i));
    std::vector<TMenuItem*> shown;
    for (const auto& entry : m_buttons)
        shown.push_back(entry.second);
    const bool hasSubItemsChanged = std::any_of(m_buttons.begin(), m_buttons.end(), [](const auto& entry) {
        return entry.first && entry.second && (entry.second->Count() > 0) != (entry.first->DropdownMenu() != nullptr);
    });
    if (rebuild || visible != shown || hasSubItemsChanged ||
        std::any_of(m_buttons.begin(), m_buttons.end(), [](const auto& entry) { return !entry.first; })) {
        RebuildButtons();
        return;
    }
    for (const auto& [button, item] : m_buttons)
        if (!source || item == source) {
            button->SetCaption(item->Caption());
            button->SetEnabled(item->Enabled());
            button->SetHint(item->Hint());
        }
}

void TMainMenu98::Notification(TComponent* component, TOperation operation)
{
    TToolbar97::Notification(component, operation);
    // The menu went: so do its buttons.
    if (operation == TOperation::opRemove && !m_menu && !m_buttons.empty() && !formGoing())
        RebuildButtons();
}

bool TMainMenu98::formGoing() const
{
    const TForm* form = OwningForm(this);
    return IsDestroying() || (form && form->IsFormDestroying());
}

void TMainMenu98::Loaded()
{
    TToolbar97::Loaded();
    listen();
    RebuildButtons();
    // The bar takes the place of the form's own menu bar.
    if (TForm* form = OwningForm(this))
        form->SetNativeMenuVisible(false);
}

TToolbarButton98* TMainMenu98::ButtonOf(const TMenuItem* item) const
{
    for (const auto& [button, shownItem] : m_buttons)
        if (item && shownItem == item && button)
            return button;
    return nullptr;
}

TMenuItem* TMainMenu98::ItemOf(const TToolbarButton98* button) const
{
    for (const auto& [shownButton, item] : m_buttons)
        if (button && shownButton == button)
            return item;
    return nullptr;
}

TPopupMenu98* TMainMenu98::OpenMenu() const
{
    for (const auto& entry : m_buttons)
        if (entry.first)
            if (auto* menu = dynamic_cast<TPopupMenu98*>(entry.first->DropdownMenu()); menu && menu->IsOpen())
                return menu;
    return nullptr;
}

void TMainMenu98::RebuildButtons()
{
    const auto old = m_buttons;
    m_buttons.clear();
    for (const auto& entry : old)
        delete entry.first.get();
    if (!m_menu) {
        RequestLayout();
        return;
    }
    TMenuItem* root = m_menu->Items();
    for (int i = 0; i < root->Count(); ++i) {
        TMenuItem* item = root->Items(i);
        if (!item->Visible())
            continue;
        auto* button = new TToolbarButton98(this);
        m_buttons.emplace_back(button, item);
        button->Font()->CopyFrom(Font());
        button->SetCaption(item->Caption());
        button->SetEnabled(item->Enabled());
        button->SetHint(item->Hint());
        if (item->Default())
            button->Font()->SetStyle(button->Font()->Style() | (1u << fsBold));
        if (item->HasBitmap())
            if (auto* bitmap = dynamic_cast<TBitmap*>(item->Bitmap()))
                button->SetGlyph(bitmap);
        if (item->Count() > 0) {
            button->SetGroupIndex(1);
            auto* menu = new TPopupMenu98(button);
            configure(*menu);
            button->SetDropdownMenu(menu);
        }
        button->AdjustSize();
        button->SetParent(this);
    }
    RequestLayout();
    LayoutControls();
}

void TMainMenu98::OpenMenuOf(TToolbarButton98& clicked, bool byKeyboard)
{
    TComponentRef<TToolbarButton98> button(&clicked);
    TComponentRef<TMenuItem> item = ItemOf(&clicked);
    if (!item)
        return;
    // A click on the button of the open menu closes it.
    if (auto* open = dynamic_cast<TPopupMenu98*>(clicked.DropdownMenu()); open && open->IsOpen()) {
        open->CloseMenu();
        clicked.SetDown(false);
        return;
    }
    if (MenuSession* session = MenuSession::Current())
        session->CloseAll();
    item->Click();
    // The click may have made the buttons again (an item shown or hidden), or freed the item:
    // the button clicked is then gone, and the item's new button (if it still has one) goes on.
    if (!item)
        return;
    if (item->Count() == 0) {
        PlayEventSound("MenuCommand");
        return;
    }
    button = ButtonOf(item);
    if (!button)
        return;
    auto* menu = dynamic_cast<TPopupMenu98*>(button->DropdownMenu());
    if (!menu)
        return;
    // The button stays down while its menu is open, below it (beside it in a vertical dock).
    button->SetDown(true);
    const TDock97* dock = DockedTo();
    const bool vertical = dock && !dock->IsHorizontal();
    TPopupPlacement placement;
    placement.upwardEnd = button->ClientToScreen({0, 0}).y;
    placement.at = vertical ? button->ClientToScreen({button->Width(), 0}) : button->ClientToScreen({0, button->Height()});
    menu->OnLeaveSideways = [bar = TComponentRef<TMainMenu98>(this), button](int direction) {
        if (bar && button)
            bar->openNeighbour(*button, direction);
    };
    menu->PopupItems(*item, placement, button, [button, menu = TComponentRef<TPopupMenu98>(menu)] {
        // Opened again meanwhile, the menu keeps its button down.
        if (button && !(menu && menu->IsOpen()))
            button->SetDown(false);
    }, byKeyboard);
}

void TMainMenu98::openNeighbour(TToolbarButton98& from, int direction)
{
    std::vector<TToolbarButton98*> withMenus;
    for (const auto& entry : m_buttons)
        if (entry.first && entry.first->Enabled() && entry.first->DropdownMenu())
            withMenus.push_back(entry.first);
    const auto at = std::find(withMenus.begin(), withMenus.end(), &from);
    if (at == withMenus.end() || withMenus.size() < 2)
        return;
    const int count = int(withMenus.size());
    const int index = ((int(at - withMenus.begin()) + direction) % count + count) % count;
    OpenMenuOf(*withMenus[std::size_t(index)], true);
}

const PropertyTable& TMainMenu98::ClassProperties()
{
    using M = TMainMenu98;
    static const PropertyTable table(&TToolbar97::ClassProperties(),
                                     MenuSettingProperties<M>({
                                         props::component<M, TMainMenu>("MainMenu", &M::MainMenu, &M::SetMainMenu),
                                         props::event<M, TNotifyEvent>("OnPopup", &M::OnPopup),
                                     }));
    return table;
}

const PropertyTable* TMainMenu98::Properties() const
{
    return &ClassProperties();
}

// --- TMenuItemBitmaps ---

PICTAVO_DEFINE_CLASS(TMenuItemBitmaps, TComponent, nullptr, createComponentOf<TMenuItemBitmaps>)

TMenuItemBitmaps::TMenuItemBitmaps(TComponent* owner)
    : TComponent(owner), m_checked(std::make_unique<TBitmap>()), m_unchecked(std::make_unique<TBitmap>())
{
    m_checked->OnChange = [this](TObject*) { bitmapChanged(m_checked.get()); };
    m_unchecked->OnChange = [this](TObject*) { bitmapChanged(m_unchecked.get()); };
}

TMenuItemBitmaps::~TMenuItemBitmaps()
{
    m_checked->OnChange = nullptr;
    m_unchecked->OnChange = nullptr;
    if (m_item)
        m_item->SetCheckBitmaps(nullptr, nullptr);
}

void TMenuItemBitmaps::SetMenuItem(TMenuItem* item)
{
    if (item == m_item)
        return;
    if (m_item)
        m_item->SetCheckBitmaps(nullptr, nullptr);
    m_item = item;
    apply();
}

void TMenuItemBitmaps::SetCheckedBmpResource(const std::string& name)
{
    m_checkedResource = name;
    if (!name.empty())
        loadResource(*m_checked, name);
}

void TMenuItemBitmaps::SetUncheckedBmpResource(const std::string& name)
{
    m_uncheckedResource = name;
    if (!name.empty())
        loadResource(*m_unchecked, name);
}

void TMenuItemBitmaps::loadResource(TBitmap& bitmap, const std::string& name)
{
    if (name[0] == '#') {
        const std::string number = name.substr(1);
        const bool valid = !number.empty() && number.size() <= 5 &&
                           std::all_of(number.begin(), number.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) &&
                           std::stoi(number) <= 65535;
        if (!valid) {
            MessagePresenter()(errorCaption, Format(notAValidResourceName, {name}));
            return;
        }
    }
    bitmap.LoadFromResource(name);
}

void TMenuItemBitmaps::SetSingleBitmap(bool single)
{
    m_single = single;
}

void TMenuItemBitmaps::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void TMenuItemBitmaps::bitmapChanged(TBitmap* changed)
{
    if (m_single && !m_copying) {
        m_copying = true;
        ScopeExit done([&] { m_copying = false; });
        (changed == m_checked.get() ? m_unchecked : m_checked)->CopyFrom(changed);
    }
    apply();
}

void TMenuItemBitmaps::apply()
{
    if (!m_item || IsLoading())
        return;
    if (!m_enabled) {
        m_item->SetCheckBitmaps(nullptr, nullptr);
        return;
    }
    m_item->SetCheckBitmaps(m_unchecked->IsEmpty() ? nullptr : m_unchecked.get(),
                            m_checked->IsEmpty() ? nullptr : m_checked.get());
}

void TMenuItemBitmaps::Loaded()
{
    TComponent::Loaded();
    apply();
}

const PropertyTable& TMenuItemBitmaps::ClassProperties()
{
    static const PropertyTable table(&TComponent::ClassProperties(), {
        // Before the bitmaps, which it copies from one to the other.
        props::boolean<TMenuItemBitmaps>("SingleBitmap", &TMenuItemBitmaps::SingleBitmap,
                                         &TMenuItemBitmaps::SetSingleBitmap),
        props::object<TMenuItemBitmaps, TBitmap>("CheckedBitmap", &TMenuItemBitmaps::CheckedBitmap),
        props::string<TMenuItemBitmaps>("CheckedBmpResource", &TMenuItemBitmaps::CheckedBmpResource,
                                        &TMenuItemBitmaps::SetCheckedBmpResource),
        props::boolean<TMenuItemBitmaps>("Enabled", &TMenuItemBitmaps::Enabled, &TMenuItemBitmaps::SetEnabled),
        props::component<TMenuItemBitmaps, TMenuItem>("MenuItem", &TMenuItemBitmaps::MenuItem,
                                                      &TMenuItemBitmaps::SetMenuItem),
        props::object<TMenuItemBitmaps, TBitmap>("UncheckedBitmap", &TMenuItemBitmaps::UncheckedBitmap),
        props::string<TMenuItemBitmaps>("UncheckedBmpResource", &TMenuItemBitmaps::UncheckedBmpResource,
                                        &TMenuItemBitmaps::SetUncheckedBmpResource),
    });
    return table;
}

const PropertyTable* TMenuItemBitmaps::Properties() const
{
    return &ClassProperties();
}

// --- registration ---

void RegisterDockingClasses()
{
    RegisterClasses({
        TDock97::StaticClass(),
        TToolWindow97::StaticClass(),
        TToolbar97::StaticClass(),
        TToolbarSep97::StaticClass(),
        TToolbarButton97::StaticClass(),
        TToolbarButton98::StaticClass(),
        TMainMenu98::StaticClass(),
        TPopupMenu98::StaticClass(),
        TMenuItemBitmaps::StaticClass(),
    });
}
