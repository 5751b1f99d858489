// The menu bar toolbar (a form's main menu as toolbar buttons) and menu item glyphs.

#include "docking/docking.h"

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

TForm* formOf(const TComponent* component)
{
    for (const TComponent* c = component; c; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(const_cast<TComponent*>(c)))
            return form;
    return nullptr;
}
} // namespace

// --- TToolbarButton98 ---

PICTAVO_DEFINE_CLASS(TToolbarButton98, TToolbarButton97, nullptr, createComponentOf<TToolbarButton98>)

TToolbarButton98::TToolbarButton98(TComponent* owner) : TToolbarButton97(owner)
{
    SetAllowAllUp(true);
    SetHeight(menuButtonHeight);
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

// --- TMainMenu98 ---

PICTAVO_DEFINE_CLASS(TMainMenu98, TToolbar97, nullptr, createComponentOf<TMainMenu98>)

TMainMenu98::TMainMenu98(TComponent* owner) : TToolbar97(owner)
{
    SetCaption("Menu Bar");
    SetFullSize(true);
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
    if (rebuild || visible != shown || std::any_of(m_buttons.begin(), m_buttons.end(), [](const auto& entry) {
            return !entry.first;
        })) {
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
    const TForm* form = formOf(this);
    return IsDestroying() || (form && form->IsFormDestroying());
}

void TMainMenu98::Loaded()
{
    TToolbar97::Loaded();
    listen();
    RebuildButtons();
    // The bar takes the place of the form's own menu bar.
    if (TForm* form = formOf(this))
        form->SetNativeMenuVisible(false);
}

TToolbarButton98* TMainMenu98::ButtonOf(const TMenuItem* item) const
{
    for (const auto& [button, shownItem] : m_buttons)
        if (item && shownItem == item && button)
            return button;
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
        button->SetCaption(item->Caption());
        button->SetEnabled(item->Enabled());
        button->SetHint(item->Hint());
        if (item->Default())
            button->Font()->SetStyle(1u << fsBold);
        if (item->HasBitmap())
            if (auto* bitmap = dynamic_cast<TBitmap*>(item->Bitmap()))
                button->SetGlyph(bitmap);
        if (item->Count() > 0)
            button->SetGroupIndex(1);
        button->AdjustSize();
        button->OnClick = [this, item](TObject*) { buttonClicked(item); };
        button->SetParent(this);
    }
    RequestLayout();
    LayoutControls();
}

void TMainMenu98::buttonClicked(TMenuItem* clicked)
{
    TComponentRef<TMenuItem> item(clicked);
    item->Click();
    // The click may have made the buttons again (an item shown or hidden), or freed the item:
    // the button clicked is then gone, and the item's new button (if it still has one) goes on.
    TComponentRef<TToolbarButton98> button = ButtonOf(item);
    if (!button)
        return;
    if (item->Count() == 0) {
        button->SetDown(false);
        return;
    }
    // The button stays down while its menu is open, below it (beside it in a vertical dock).
    button->SetDown(true);
    const TDock97* dock = DockedTo();
    const bool vertical = dock && !dock->IsHorizontal();
    const TPoint at = vertical ? button->ClientToScreen({button->Width(), 0})
                               : button->ClientToScreen({0, button->Height()});
    PopupMenuItems(*item, at);
    if (button && ButtonOf(item) == button)
        button->SetDown(false);
}

const PropertyTable& TMainMenu98::ClassProperties()
{
    static const PropertyTable table(&TToolbar97::ClassProperties(), {
        props::boolean<TMainMenu98>("DoubleSpeed", &TMainMenu98::DoubleSpeed, &TMainMenu98::SetDoubleSpeed),
        props::integer<TMainMenu98, int>("Indent", &TMainMenu98::Indent, &TMainMenu98::SetIndent),
        props::integer<TMainMenu98, int>("ItemHeight", &TMainMenu98::ItemHeight, &TMainMenu98::SetItemHeight),
        props::component<TMainMenu98, TMainMenu>("MainMenu", &TMainMenu98::MainMenu, &TMainMenu98::SetMainMenu),
        props::integer<TMainMenu98, int>("SeparatorHeight", &TMainMenu98::SeparatorHeight,
                                         &TMainMenu98::SetSeparatorHeight),
        props::integer<TMainMenu98, int>("StatusBarIndex", &TMainMenu98::StatusBarIndex,
                                         &TMainMenu98::SetStatusBarIndex),
        props::integer<TMainMenu98, int>("Timeout", &TMainMenu98::Timeout, &TMainMenu98::SetTimeout),
    });
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
        TMenuItemBitmaps::StaticClass(),
    });
}
