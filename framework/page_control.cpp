// Page controls and their tab sheets.

#include "framework/ext_controls.h"

#include "framework/application.h"
#include "framework/drawing.h"
#include "framework/qt_bridge.h"

#include <QTabBar>

#include <algorithm>

using namespace framework_detail;

// --- TTabSheet ---

PICTAVO_DEFINE_CLASS(TTabSheet, TWinControl, nullptr, createComponentOf<TTabSheet>)

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner)
{
    SetControlStyle(ControlStyle() | (1u << csAcceptsControls));
    SetColor(clBtnFace);
    // Only the active page shows; the page control decides.
    TControl::SetVisible(false);
}

TTabSheet::~TTabSheet()
{
    SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* pageControl)
{
    if (pageControl == m_pageControl)
        return;
    SetParent(pageControl);
}

void TTabSheet::SetParentComponent(TComponent* parent)
{
    if (auto* pageControl = dynamic_cast<TPageControl*>(parent))
        SetPageControl(pageControl);
    else
        TWinControl::SetParentComponent(parent);
}

int TTabSheet::PageIndex() const
{
    if (!m_pageControl)
        return -1;
    const auto& pages = m_pageControl->m_pages;
    return int(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index)
{
    if (m_pageControl)
        m_pageControl->movePage(this, index);
}

void TTabSheet::SetTabVisible(bool visible)
{
    if (visible == m_tabVisible)
        return;
    m_tabVisible = visible;
    if (m_pageControl)
        m_pageControl->updateTabs();
}

int TTabSheet::TabIndex() const
{
    if (!m_pageControl || !m_tabVisible)
        return -1;
    int index = 0;
    for (TTabSheet* page : m_pageControl->m_pages) {
        if (page == this)
            return index;
        if (page->m_tabVisible)
            ++index;
    }
    return -1;
}

void TTabSheet::TextChanged()
{
    if (m_pageControl)
        m_pageControl->updateTabs();
}

const PropertyTable* TTabSheet::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TTabSheet::ClassProperties()
{
    static const PropertyTable table(&TWinControl::ClassProperties(), {
        props::string<TTabSheet>("Caption", &TTabSheet::Caption, &TTabSheet::SetCaption),
        props::integer<TTabSheet, int>("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex),
        props::boolean<TTabSheet>("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible),
    });
    return table;
}

// --- TPageControl ---

PICTAVO_DEFINE_CLASS(TPageControl, TWinControl, nullptr, createComponentOf<TPageControl>)

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner)
{
    m_tabBar = new QTabBar(Widget());
    m_tabBar->setDrawBase(false);
    m_tabBar->setExpanding(false);
    QObject::connect(m_tabBar, &QTabBar::currentChanged, m_tabBar, [this](int tab) {
        if (!m_updatingTabs && AcceptsEvents())
            DispatchEvent(this, [this, tab] { tabClicked(tab); });
    });
    SetColor(clBtnFace);
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
}

TPageControl::~TPageControl()
{
    // Pages that outlive the control (owned elsewhere) forget it.
    for (TTabSheet* page : m_pages)
        page->m_pageControl = nullptr;
    m_pages.clear();
}

int TPageControl::tabBarHeight() const
{
    return m_tabBar->count() > 0 ? m_tabBar->sizeHint().height() : 0;
}

TRect TPageControl::DisplayRect() const
{
    // The frame around the page area is two pixels, with two more of margin inside.
    const int tabs = tabBarHeight();
    TRect rect{4, 4, Width() - 4, Height() - 4};
    if (m_tabPosition == tpBottom)
        rect.bottom -= tabs;
    else
        rect.top += tabs;
    if (rect.right < rect.left)
        rect.right = rect.left;
    if (rect.bottom < rect.top)
        rect.bottom = rect.top;
    return rect;
}

void TPageControl::AdjustClientRect(TRect& rect) const
{
    rect = DisplayRect();
}

void TPageControl::AlignControls(TControl* control, TRect& rect)
{
    const TRect display = DisplayRect();
    for (TTabSheet* page : m_pages) {
        page->SetBounds(display.left, display.top, display.width(), display.height());
        page->TControl::SetVisible(page == m_activePage);
    }
    TWinControl::AlignControls(control, rect);
    const int tabs = tabBarHeight();
    if (m_tabPosition == tpBottom)
        m_tabBar->setGeometry(2, Height() - tabs - 2, std::max(0, Width() - 4), tabs);
    else
        m_tabBar->setGeometry(2, 2, std::max(0, Width() - 4), tabs);
    m_tabBar->setVisible(tabs > 0);
}

void TPageControl::InsertControl(TControl* control)
{
    if (auto* page = dynamic_cast<TTabSheet*>(control)) {
        m_pages.push_back(page);
        page->m_pageControl = this;
    }
    TWinControl::InsertControl(control);
    if (auto* page = dynamic_cast<TTabSheet*>(control)) {
        if (!m_activePage && page->TabVisible())
            m_activePage = page;
        updateTabs();
    }
}

void TPageControl::RemoveControl(TControl* control)
{
    if (auto* page = dynamic_cast<TTabSheet*>(control)) {
        m_pages.erase(std::remove(m_pages.begin(), m_pages.end(), page), m_pages.end());
        page->m_pageControl = nullptr;
        if (page == m_activePage)
            m_activePage = FindNextPage(nullptr, /*forward=*/true, /*checkTabVisible=*/true);
        page->TControl::SetVisible(false);
    }
    TWinControl::RemoveControl(control);
    updateTabs();
}


void TPageControl::movePage(TTabSheet* page, int index)
{
    auto it = std::find(m_pages.begin(), m_pages.end(), page);
    if (it == m_pages.end())
        return;
    m_pages.erase(it);
    index = std::clamp(index, 0, int(m_pages.size()));
    m_pages.insert(m_pages.begin() + index, page);
    updateTabs();
}

void TPageControl::updateTabs()
{
    m_updatingTabs = true;
    while (m_tabBar->count() > 0)
        m_tabBar->removeTab(m_tabBar->count() - 1);
    for (TTabSheet* page : m_pages)
        if (page->TabVisible())
            m_tabBar->addTab(qString(page->Caption()));
    if (m_activePage && m_activePage->TabIndex() >= 0)
        m_tabBar->setCurrentIndex(m_activePage->TabIndex());
    m_tabBar->setShape(m_tabPosition == tpBottom ? QTabBar::RoundedSouth : QTabBar::RoundedNorth);
    m_updatingTabs = false;
    Realign();
    Invalidate();
}

void TPageControl::SetActivePage(TTabSheet* page)
{
    if (page && page->m_pageControl != this)
        return;
    if (page == m_activePage)
        return;
    m_activePage = page;
    if (page && page->TabIndex() >= 0) {
        m_updatingTabs = true;
        m_tabBar->setCurrentIndex(page->TabIndex());
        m_updatingTabs = false;
    }
    Realign();
}

int TPageControl::ActivePageIndex() const
{
    return m_activePage ? m_activePage->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index)
{
    SetActivePage(index >= 0 && index < PageCount() ? m_pages[std::size_t(index)] : nullptr);
}

void TPageControl::SetTabPosition(TTabPosition position)
{
    if (position == m_tabPosition)
        return;
    m_tabPosition = position;
    updateTabs();
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool forward, bool checkTabVisible) const
{
    if (m_pages.empty())
        return nullptr;
    const int count = int(m_pages.size());
    auto it = std::find(m_pages.begin(), m_pages.end(), current);
    int start = it == m_pages.end() ? (forward ? count - 1 : 0) : int(it - m_pages.begin());
    int index = start;
    for (int i = 0; i < count; ++i) {
        index = forward ? (index + 1) % count : (index + count - 1) % count;
        TTabSheet* page = m_pages[std::size_t(index)];
        if (!checkTabVisible || page->TabVisible())
            return page;
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool forward)
{
    TTabSheet* page = FindNextPage(m_activePage, forward, /*checkTabVisible=*/true);
    if (page && page != m_activePage && CanChange()) {
        SetActivePage(page);
        Change();
    }
}

void TPageControl::tabClicked(int tab)
{
    TTabSheet* chosen = nullptr;
    for (TTabSheet* page : m_pages)
        if (page->TabIndex() == tab)
            chosen = page;
    if (!chosen || chosen == m_activePage)
        return;
    if (!CanChange()) {
        // The change is refused: the tab of the active page stays selected.
        m_updatingTabs = true;
        m_tabBar->setCurrentIndex(m_activePage ? m_activePage->TabIndex() : -1);
        m_updatingTabs = false;
        return;
    }
    SetActivePage(chosen);
    Change();
}

bool TPageControl::CanChange()
{
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TPageControl::Change()
{
    if (OnChange)
        OnChange(this);
}

void TPageControl::SizeChanged()
{
    TWinControl::SizeChanged();
    Invalidate();
}

void TPageControl::FontChanged()
{
    TWinControl::FontChanged();
    m_tabBar->setFont(qFont(*Font()));
    Realign();
}

void TPageControl::PaintWidget(QPainter& painter)
{
    // A raised frame around the page area.
    TControlCanvas canvas(this);
    canvas.BeginPaint(painter);
    TRect frame = DisplayRect();
    frame = TRect{frame.left - 4, frame.top - 4, frame.right + 4, frame.bottom + 4};
    if (m_tabPosition == tpBottom)
        frame.top = 0;
    else
        frame.bottom = Height();
    Frame3D(canvas, frame, clBtnHighlight, cl3DDkShadow, 1);
    Frame3D(canvas, frame, cl3DLight, clBtnShadow, 1);
    canvas.EndPaint();
}

const PropertyTable* TPageControl::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TPageControl::ClassProperties()
{
    static const PropertyTable table(&TWinControl::ClassProperties(), {
        props::component<TPageControl, TTabSheet>("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage),
        props::enumeration<TPageControl, TTabPosition>("TabPosition", {"tpTop", "tpBottom", "tpLeft", "tpRight"},
                                                       &TPageControl::TabPosition, &TPageControl::SetTabPosition),
        props::event<TPageControl, TNotifyEvent>("OnChange", &TPageControl::OnChange),
        props::event<TPageControl, TTabChangingEvent>("OnChanging", &TPageControl::OnChanging),
    });
    return table;
}
