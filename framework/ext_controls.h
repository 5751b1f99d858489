#pragma once
// Containers beyond the standard ones: a scroll box that scrolls its children, and a page
// control of tab sheets.

#include "framework/control.h"
#include "framework/forms.h"

#include <functional>
#include <memory>
#include <vector>

class QTabBar;
class TScrollBox;
class TPageControl;

enum TScrollBarKind { sbHorizontal, sbVertical };

// One scroll bar of a scroll box: its range comes from the children's extent; Position is how
// far the children are scrolled.
class TControlScrollBar : public TPersistent {
    PICTAVO_CLASS(TControlScrollBar)
public:
    TControlScrollBar(TScrollBox& owner, TScrollBarKind kind) : m_owner(owner), m_kind(kind) {}

    TScrollBarKind Kind() const { return m_kind; }
    int Position() const { return m_position; }
    void SetPosition(int position);
    // The scrolled extent: the children's extent, at least the client size when shown.
    int Range() const { return m_range; }
    // Whether the bar may show (it shows only when the range exceeds the client area).
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    // Whether the bar shows now.
    bool IsScrollBarVisible() const { return m_shown; }
    int Increment() const { return m_increment; }
    void SetIncrement(int increment) { m_increment = increment; }
    bool Tracking() const { return m_tracking; }
    void SetTracking(bool tracking) { m_tracking = tracking; }
    const PropertyTable* Properties() const override;

private:
    friend class TScrollBox;
    TScrollBox& m_owner;
    TScrollBarKind m_kind;
    int m_position = 0;
    int m_range = 0;
    bool m_visible = true;
    bool m_shown = false;
    int m_increment = 8;
    bool m_tracking = false;
};

// Scrolls its children: the scroll range is the extent of the children that are not aligned
// to the client area; scrolling moves the children.
class TScrollBox : public TWinControl {
    PICTAVO_CLASS(TScrollBox)
public:
    explicit TScrollBox(TComponent* owner);
    ~TScrollBox() override;

    TControlScrollBar* HorzScrollBar() const { return m_horz.get(); }
    TControlScrollBar* VertScrollBar() const { return m_vert.get(); }
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle style);
    bool AutoScroll() const { return m_autoScroll; }
    void SetAutoScroll(bool autoScroll);
    // Scrolls so that the control is in view.
    void ScrollInView(TControl* control);

    int ClientWidth() const override;
    int ClientHeight() const override;
    QWidget* ClientWidget() const override;
    void AdjustClientRect(TRect& rect) const override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

    // The window system scrolled the view (framework only).
    void ScrolledByUser();

protected:
    void AlignControls(TControl* control, TRect& rect) override;
    void ControlChanged(TControl* control) override;
    void SizeChanged() override;

private:
    friend class TControlScrollBar;
    int frameWidth() const;
    void updateRanges();
    void scrollTo(int horizontal, int vertical);
    void updateScrollBars();

    std::unique_ptr<TControlScrollBar> m_horz;
    std::unique_ptr<TControlScrollBar> m_vert;
    TBorderStyle m_borderStyle = bsSingle;
    bool m_autoScroll = true;
    bool m_updatingRanges = false;
    bool m_scrolling = false;
};

// A page of a page control.
class TTabSheet : public TWinControl {
    PICTAVO_CLASS(TTabSheet)
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return m_pageControl; }
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;
    void SetPageIndex(int index);
    bool TabVisible() const { return m_tabVisible; }
    void SetTabVisible(bool visible);
    // Index among the shown tabs, or -1 when its tab is hidden.
    int TabIndex() const;

    void SetParentComponent(TComponent* parent) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* m_pageControl = nullptr;
    bool m_tabVisible = true;
};

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;

// Tab sheets under a strip of tabs; the active page fills the area inside the frame.
class TPageControl : public TWinControl {
    PICTAVO_CLASS(TPageControl)
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return int(m_pages.size()); }
    TTabSheet* Pages(int index) const { return m_pages[std::size_t(index)]; }
    TTabSheet* ActivePage() const { return m_activePage; }
    // Shows the page (one of this control's) without OnChanging or OnChange.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    TTabPosition TabPosition() const { return m_tabPosition; }
    void SetTabPosition(TTabPosition position);
    // The area the pages fill, in client coordinates.
    TRect DisplayRect() const;
    // The page after (or before) the given one among the pages with visible tabs.
    TTabSheet* FindNextPage(TTabSheet* current, bool forward, bool checkTabVisible) const;
    void SelectNextPage(bool forward);

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

    void AdjustClientRect(TRect& rect) const override;
    bool PaintsItself() const override { return true; }
    void PaintWidget(QPainter& painter) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    virtual bool CanChange();
    virtual void Change();
    void AlignControls(TControl* control, TRect& rect) override;
    void InsertControl(TControl* control) override;
    void RemoveControl(TControl* control) override;
    void SizeChanged() override;
    void FontChanged() override;

private:
    friend class TTabSheet;
    int tabBarHeight() const;
    void updateTabs();
    void tabClicked(int tab);
    void movePage(TTabSheet* page, int index);

    QTabBar* m_tabBar = nullptr;
    std::vector<TTabSheet*> m_pages;
    TComponentRef<TTabSheet> m_activePage;
    TTabPosition m_tabPosition = tpTop;
    bool m_updatingTabs = false;
};
