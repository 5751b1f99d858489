#pragma once
// Animated pop-up menus: every open menu level is a small borderless window of its own
// (TPopupMenu98Form) that draws the items of one menu, slides open and shut, follows the mouse,
// opens sub-menus after a pause and runs the chosen item. TPopupMenu98 carries the settings.
// While any level is open one message hook watches the application's input: keys move through
// the menus, a press elsewhere closes them.

#include "framework/forms.h"
#include "framework/menus.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

class TBitmap;
class ClockTimer;
class TPopupMenu98Form;
class MenuSession;
struct LevelSettings;

enum TMenuAnimation { anNone, anVSlide, anHSlide, anUnfold, anSmart, anPopup, anRandom };
// The names of the animations as window designs give them, in order.
inline constexpr std::initializer_list<const char*> MenuAnimationNames = {
    "anNone", "anVSlide", "anHSlide", "anUnfold", "anSmart", "anPopup", "anRandom"};

// The settings a drawn menu opens with (those of a stand-alone pop-up menu by default); the
// menu bar hands its own to each of its menus.
struct MenuSettings {
    TMenuAnimation openAnimation = anPopup;
    TMenuAnimation closeAnimation = anPopup;
    TAlignment alignment = taLeftJustify;
    int timeout = 20;  // milliseconds per animation frame
    bool doubleSpeed = false;
    int itemHeight = 19;
    int separatorHeight = 11;
    int indent = 27;
    TComponentRef<TControl> statusBar;
    int statusBarIndex = 0;
    bool showHint = true;
};

// Where a menu opens: its top-left (with alignRight, its top-right), and the bottom it keeps to
// when it has to open upwards (the top of the button that opened it).
struct TPopupPlacement {
    TPoint at{0, 0};
    int upwardEnd = 0;
    bool alignRight = false;
};

// The getters and setters of the menu settings, for the drop-down menus and for the menu bar that
// hands its own to them; a class that must act on a change overrides MenuSettingsChanged. It is
// their first base: the property tables then call these getters and setters through member
// pointers that need no adjustment, which the sanitizer's type check would misread.
class MenuSettingsHolder {
public:
    TMenuAnimation OpenAnimation() const { return m_settings.openAnimation; }
    void SetOpenAnimation(TMenuAnimation animation) { change(m_settings.openAnimation, animation); }
    TMenuAnimation CloseAnimation() const { return m_settings.closeAnimation; }
    void SetCloseAnimation(TMenuAnimation animation) { change(m_settings.closeAnimation, animation); }
    TAlignment Alignment() const { return m_settings.alignment; }
    void SetAlignment(TAlignment alignment) { change(m_settings.alignment, alignment); }
    // Milliseconds per animation frame.
    int Timeout() const { return m_settings.timeout; }
    void SetTimeout(int milliseconds) { change(m_settings.timeout, milliseconds); }
    bool DoubleSpeed() const { return m_settings.doubleSpeed; }
    void SetDoubleSpeed(bool doubleSpeed) { change(m_settings.doubleSpeed, doubleSpeed); }
    int ItemHeight() const { return m_settings.itemHeight; }
    void SetItemHeight(int height) { change(m_settings.itemHeight, height); }
    int SeparatorHeight() const { return m_settings.separatorHeight; }
    void SetSeparatorHeight(int height) { change(m_settings.separatorHeight, height); }
    // Where captions start, and the room on either side of the widest ones.
    int Indent() const { return m_settings.indent; }
    void SetIndent(int indent) { change(m_settings.indent, indent); }
    // A control that shows the highlighted item's hint as its caption (a panel serving as
    // status bar), and which panel of it (this framework's status panels are single).
    TControl* StatusBar() const { return m_settings.statusBar; }
    void SetStatusBar(TControl* control)
    {
        m_settings.statusBar = control;
        MenuSettingsChanged();
    }
    int StatusBarIndex() const { return m_settings.statusBarIndex; }
    void SetStatusBarIndex(int index) { change(m_settings.statusBarIndex, index); }
    // All of the above (and whether hints show).
    const MenuSettings& Settings() const { return m_settings; }

protected:
    MenuSettingsHolder() = default;
    virtual ~MenuSettingsHolder() = default;
    MenuSettingsHolder(const MenuSettingsHolder&) = delete;
    MenuSettingsHolder& operator=(const MenuSettingsHolder&) = delete;
    virtual void MenuSettingsChanged() {}

    MenuSettings m_settings;

private:
    template <class V>
    void change(V& field, V value)
    {
        field = value;
        MenuSettingsChanged();
    }
};

// The settings of drawn pop-up menus, and the opening of one.
class TPopupMenu98 : public MenuSettingsHolder, public TPopupMenu {
    PICTAVO_CLASS(TPopupMenu98)
public:
    explicit TPopupMenu98(TComponent* owner);
    ~TPopupMenu98() override;

    // The highlighted item's hint shows as a tool tip.
    bool ShowHint() const { return m_settings.showHint; }
    void SetShowHint(bool show) { m_settings.showHint = show; }
    TFont* Font() const { return m_font.get(); }
    void SetFont(const TFont* font);
    void SetSettings(const MenuSettings& settings) { m_settings = settings; }

    // Opens the menu's items at a screen point.
    void Popup(int x, int y) override;
    // Opens the sub-items of `items` (fires OnPopup first). A press on `opener` while the menu is
    // open only closes it; `closed` runs once every level has gone (from the message loop: it
    // checks what it uses); `byKeyboard` selects the first item. A menu already open anywhere
    // closes first.
    void PopupItems(TMenuItem& items, const TPopupPlacement& placement, TControl* opener = nullptr,
                    std::function<void()> closed = nullptr, bool byKeyboard = false);
    // Closes every open level of this menu (each with its closing animation).
    void CloseMenu();
    bool IsOpen() const;
    // The open top level of this menu (null when closed).
    TPopupMenu98Form* OpenLevel() const;

    // Sender: the chosen item.
    TNotifyEvent OnMenuCommand;
    // Sender: the item selected in the level that closes (null for none).
    TNotifyEvent OnMenuClose;
    // The menu bar moves to the previous (-1) or next (+1) menu when the arrow keys leave this
    // one sideways; unset, they do nothing.
    std::function<void(int direction)> OnLeaveSideways;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

private:
    std::unique_ptr<TFont> m_font;
    // The session of the menu's levels opened last, while it lasts (it is owned by the menu).
    TComponentRef<MenuSession> m_session;
};

// One open level of a drawn menu: a borderless window showing the sub-items of one item. The
// session of the menu's open levels owns it.
class TPopupMenu98Form : public TForm {
    PICTAVO_CLASS(TPopupMenu98Form)
public:
    TPopupMenu98Form(MenuSession& session, TMenuItem& items, TPopupMenu98Form* parentLevel);
    ~TPopupMenu98Form() override;

    // The item whose sub-items the level shows (null once it has gone).
    TMenuItem* Items() const { return m_items; }
    // The menu the level belongs to (null once it has gone).
    TPopupMenu98* OwnerMenu() const { return m_menu; }
    TPopupMenu98Form* ParentLevel() const { return m_parentLevel; }
    TPopupMenu98Form* ChildLevel() const { return m_child; }
    // The shown sub-items (visible ones), in order.
    int ItemCount() const { return int(m_shown.size()); }
    TMenuItem* Item(int index) const;
    // The item under a client y, or -1.
    int ItemAt(int y) const;
    TRect ItemRect(int index) const;
    int Selected() const { return m_selected; }
    void Select(int index);
    // The full size of the level and where it stands when open.
    TSize FullSize() const { return m_fullSize; }
    TRect OpenRect() const { return m_openRect; }
    bool OpenedUpwards() const { return m_upwards; }
    bool OpenedLeftwards() const { return m_leftwards; }
    // The animation frames run so far (opening, then closing).
    int FramesRun() const { return m_frames; }
    bool Opening() const { return m_phase == Phase::Opening; }
    // Closing, or closed and waiting to go.
    bool IsClosing() const { return m_phase == Phase::Closing || m_phase == Phase::Closed; }
    bool IsClosed() const { return m_phase == Phase::Closed; }

    // Places the level (see TPopupPlacement) and starts the opening animation.
    void OpenAt(const TPopupPlacement& placement);
    // Closes the open child level, then (when the selected item is enabled and has sub-items)
    // fires the item's OnClick and opens its sub-menu beside it; `selectFirst` selects its first
    // item.
    void OpenSubmenu(bool selectFirst = false);
    // Closes the level (its child first) with the closing animation.
    void CloseLevel();
    // Runs an item: one with sub-items opens them at once, an enabled one closes every level
    // and then runs.
    void Choose(int index, bool byKeyboard = false);

    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void SetVisible(bool visible) override;

protected:
    void Paint() override;

private:
    enum class Phase { Opening, Open, Closing, Closed };
    void drawImage();
    void drawItem(TCanvas& canvas, int index);
    void animationFrame();
    void applyFrameSize(int width, int height);
    void redraw();
    void selectionChanged();
    void tick();
    void finishClosing();

    MenuSession& m_session;  // the owner
    TComponentRef<TPopupMenu98> m_menu;
    std::unique_ptr<LevelSettings> m_settings;
    TComponentRef<TMenuItem> m_items;
    std::vector<TComponentRef<TMenuItem>> m_shown;
    TComponentRef<TPopupMenu98Form> m_parentLevel;
    TComponentRef<TPopupMenu98Form> m_child;
    int m_selected = -1;
    int m_previousSelected = -1;
    TSize m_fullSize{0, 0};
    TRect m_openRect{0, 0, 0, 0};
    bool m_upwards = false;
    bool m_leftwards = false;
    int m_widestCaption = 0;
    std::unique_ptr<TBitmap> m_image;
    // The visible part of the image while the level slides: its size and offset.
    TSize m_shownSize{0, 0};
    Phase m_phase = Phase::Opening;
    bool m_animateVertically = false;
    bool m_animateSideways = false;
    int m_frames = 0;
    int m_frameCount = 0;
    int m_frameStep = 0;
    int m_stepHeight = 0;
    int m_stepWidth = 0;
    std::int64_t m_animationStart = 0;
    bool m_soundPlayed = false;
    std::unique_ptr<ClockTimer> m_animation;
    std::unique_ptr<ClockTimer> m_timer;
    // Mouse moves count once the cursor has left where it was when the level opened.
    TPoint m_mouseOrigin{0, 0};
    bool m_mouseTracking = false;
};

// The sizes, placement and animation of a level, worked out without a window.
namespace popup_layout {

// width = widest caption + widest shortcut + 2 × indent + 10; height = the items' heights + 6.
TSize LevelSize(int widestCaption, int widestShortcut, int indent, int itemsHeight);

struct Placement {
    TRect rect;
    bool upwards = false;
    bool leftwards = false;
};
// Places a level of `size` at the requested point within the work area. `parent` is the parent
// level's rectangle for a sub-menu (null for a top level); `slidesVertically` says how the level
// opens.
Placement PlaceLevel(TSize size, const TPopupPlacement& requested, const TRect& work, const TRect* parent,
                     bool slidesVertically);

struct Animation {
    bool vertical = false;
    bool sideways = false;
    int frames = 0;
    int stepHeight = 0;
    int stepWidth = 0;
};
// The frames of a slide of a level of `size`: the step is the item height × 1.2 (double speed)
// or × 0.6; n = the larger of height ÷ step + 1 and width ÷ step + 1 over the animated
// dimensions; per frame the height grows by height ÷ n × 1.5 and the width by width ÷ n × 1.5
// + 1.
Animation PlanAnimation(TSize size, int itemHeight, bool doubleSpeed, bool vertical, bool sideways);
// Which dimensions a kind of animation slides, opening or closing, for a top level or a
// sub-menu. anRandom chooses one of the slides with `coin`.
void AnimatedDimensions(TMenuAnimation kind, bool subMenu, bool coin, bool& vertical, bool& sideways);

} // namespace popup_layout
