// List boxes and the item lists of list controls.

#include "framework/list_controls.h"

#include "framework/exceptions.h"
#include "framework/list_model.h"

#include <QListView>

#include <algorithm>

using namespace framework_detail;

// --- TListControlItems ---

PICTAVO_DEFINE_CLASS(TListControlItems, TStrings, nullptr, nullptr)

int TListControlItems::Count() const
{
    return int(m_model.items.size());
}

std::string TListControlItems::Get(int index) const
{
    CheckIndex(index, Count());
    return m_model.items[std::size_t(index)].text;
}

TObject* TListControlItems::GetObject(int index) const
{
    CheckIndex(index, Count());
    return m_model.items[std::size_t(index)].object;
}

void TListControlItems::Put(int index, const std::string& text)
{
    CheckIndex(index, Count());
    if (m_sorted) {
        TStrings::Put(index, text);
        return;
    }
    m_model.setText(index, text);
}

void TListControlItems::PutObject(int index, TObject* object)
{
    CheckIndex(index, Count());
    m_model.items[std::size_t(index)].object = object;
}

int TListControlItems::InsertObject(int index, const std::string& text, TObject* object)
{
    if (m_sorted)
        return AddObject(text, object);
    CheckIndex(index, Count() + 1);
    m_model.insert(index, {text, object});
    return index;
}

int TListControlItems::AddObject(const std::string& text, TObject* object)
{
    int index = Count();
    if (m_sorted) {
        // After the items that sort before or equal to it.
        auto it = std::upper_bound(m_model.items.begin(), m_model.items.end(), text,
                                   [](const std::string& s, const ItemListModel::Item& item) {
                                       return AnsiCompareText(s, item.text) < 0;
                                   });
        index = int(it - m_model.items.begin());
    }
    m_model.insert(index, {text, object});
    return index;
}

void TListControlItems::Delete(int index)
{
    CheckIndex(index, Count());
    m_model.remove(index);
}

void TListControlItems::Clear()
{
    m_model.clear();
}

void TListControlItems::SetSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    m_sorted = sorted;
    if (!sorted)
        return;
    std::vector<ItemListModel::Item> items = m_model.items;
    std::stable_sort(items.begin(), items.end(), [](const ItemListModel::Item& a, const ItemListModel::Item& b) {
        return AnsiCompareText(a.text, b.text) < 0;
    });
    m_model.clear();
    for (std::size_t i = 0; i < items.size(); ++i)
        m_model.insert(int(i), items[i]);
}

// --- TCustomListBox ---

PICTAVO_DEFINE_CLASS(TCustomListBox, TWinControl, nullptr, nullptr)
PICTAVO_DEFINE_CLASS(TListBox, TCustomListBox, nullptr, createComponentOf<TListBox>)

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner, DeferWidget{}), m_canvas(std::make_unique<TControlCanvas>(this))
{
    auto* view = new ScrollControlWidget<QListView>(this);
    m_model = new ItemListModel(view);
    m_items = std::make_unique<TListControlItems>(*m_model);
    m_delegate = new OwnerDrawDelegate(*this, this, view);
    view->setModel(m_model);
    view->setItemDelegate(m_delegate);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // The sunken edge of a list is two pixels wide.
    view->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    view->setLineWidth(2);
    // Qt makes the clicked item current before it selects it, so the selection (not the
    // current item) tells when ItemIndex has changed.
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view,
                     [this](const QItemSelection&, const QItemSelection&) { selectionChanged(); });
    // The generic click on release does not apply: a list clicks when its selection changes.
    SetControlStyle((1u << csSetCaption) | (1u << csDoubleClicks));
    SetWidget(view);
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
}

TCustomListBox::~TCustomListBox() = default;

QAbstractItemView* TCustomListBox::View() const
{
    return static_cast<QAbstractItemView*>(Widget());
}

TStrings* TCustomListBox::Items() const
{
    return m_items.get();
}

TCanvas* TCustomListBox::Canvas() const
{
    return m_canvas.get();
}

void TCustomListBox::selectionChanged()
{
    if (m_settingIndex || m_model->mutating || !AcceptsEvents())
        return;
    DispatchEvent(this, [this] { Click(); });
}

int TCustomListBox::ItemIndex() const
{
    const QModelIndex current = View()->currentIndex();
    return current.isValid() && View()->selectionModel()->isSelected(current) ? current.row() : -1;
}

void TCustomListBox::SetItemIndex(int index)
{
    m_settingIndex = true;
    if (index < 0 || index >= Count()) {
        View()->selectionModel()->clear();
    } else {
        const QModelIndex item = m_model->index(index);
        View()->selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
        View()->scrollTo(item);
    }
    m_settingIndex = false;
}

void TCustomListBox::SetStyle(TListBoxStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    static_cast<QListView*>(View())->setUniformItemSizes(style != lbOwnerDrawVariable);
    m_model->relayout();
}

void TCustomListBox::SetItemHeight(int height)
{
    if (height <= 0 || height == m_itemHeight)
        return;
    m_itemHeight = height;
    m_model->relayout();
}

bool TCustomListBox::Sorted() const
{
    return m_items->Sorted();
}

void TCustomListBox::SetSorted(bool sorted)
{
    m_items->SetSorted(sorted);
}

int TCustomListBox::TopIndex() const
{
    const QModelIndex top = View()->indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

void TCustomListBox::SetTopIndex(int index)
{
    if (index >= 0 && index < Count())
        View()->scrollTo(m_model->index(index), QAbstractItemView::PositionAtTop);
}

int TCustomListBox::ItemAtPos(TPoint point, bool existing) const
{
    const QModelIndex at = View()->indexAt(QPoint(point.x, point.y));
    if (at.isValid())
        return at.row();
    return existing ? -1 : Count();
}

TRect TCustomListBox::ItemRect(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return tRect(View()->visualRect(m_model->index(index)));
}

void TCustomListBox::FontChanged()
{
    TWinControl::FontChanged();
    m_standardHeight = 0;
    if (m_style == lbStandard)
        m_model->relayout();
}

void TCustomListBox::PaintListItem(QPainter& painter, int index, const TRect& rect, TOwnerDrawState state)
{
    paintItem(*m_canvas, *this, painter, rect, state, [&] {
        if (index < 0 || index >= Count())
            m_canvas->FillRect(rect);
        else if (m_style == lbStandard)
            TCustomListBox::DrawItem(index, rect, state);
        else
            DrawItem(index, rect, state);
    });
}

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state)
{
    if (OnDrawItem && m_style != lbStandard) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    m_canvas->FillRect(rect);
    if (index < Count())
        m_canvas->TextOut(rect.left + 2, rect.top, Items()->Get(index));
}

int TCustomListBox::ListItemHeight(int index)
{
    if (m_style == lbStandard) {
        if (m_standardHeight == 0) {
            m_canvas->Font().CopyFrom(Font());
            m_standardHeight = m_canvas->TextHeight("Wg");
        }
        return m_standardHeight;
    }
    int height = m_itemHeight;
    if (m_style == lbOwnerDrawVariable)
        MeasureItem(index, height);
    return height;
}

void TCustomListBox::MeasureItem(int index, int& height)
{
    if (OnMeasureItem)
        OnMeasureItem(this, index, height);
}

const PropertyTable* TCustomListBox::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TCustomListBox::ClassProperties()
{
    static const PropertyTable table(&TWinControl::ClassProperties(), {
        props::integer<TCustomListBox, int>("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight),
        // Items first: an index applies to the items a design gives.
        props::strings<TCustomListBox, TStrings>("Items", &TCustomListBox::Items),
        props::integer<TCustomListBox, int>("ItemIndex", &TCustomListBox::ItemIndex, &TCustomListBox::SetItemIndex),
        props::boolean<TCustomListBox>("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted),
        props::enumeration<TCustomListBox, TListBoxStyle>(
            "Style", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"}, &TCustomListBox::Style,
            &TCustomListBox::SetStyle),
        props::event<TCustomListBox, TDrawItemEvent>("OnDrawItem", &TCustomListBox::OnDrawItem),
        props::event<TCustomListBox, TMeasureItemEvent>("OnMeasureItem", &TCustomListBox::OnMeasureItem),
    });
    return table;
}
