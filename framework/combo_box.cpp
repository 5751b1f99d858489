// Combo boxes, owner-drawn or not.

#include "framework/list_controls.h"

#include "framework/list_model.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QStylePainter>

using namespace framework_detail;

namespace {

// A combo box that owner-draws its face and says when its list drops down.
class ComboWidget : public ControlWidget<QComboBox> {
public:
    using ControlWidget<QComboBox>::ControlWidget;

    void showPopup() override
    {
        if (auto* combo = dynamic_cast<TComboBox*>(m_control); combo && combo->AcceptsEvents())
            DispatchEvent(combo, [combo] { combo->DropDown(); });
        QComboBox::showPopup();
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        auto* combo = dynamic_cast<TComboBox*>(m_control);
        if (!combo || !combo->IsOwnerDraw() || !combo->AcceptsEvents()) {
            QComboBox::paintEvent(e);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        option.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect edit = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        PaintScope scope;
        try {
            combo->PaintFace(painter, tRect(edit), hasFocus());
        } catch (...) {
            HandleEscapingException(combo);
        }
    }
};

} // namespace

// --- TComboBox ---

PICTAVO_DEFINE_CLASS(TComboBox, TWinControl, nullptr, createComponentOf<TComboBox>)

TComboBox::TComboBox(TComponent* owner)
    : TWinControl(owner, DeferWidget{}), m_canvas(std::make_unique<TControlCanvas>(this))
{
    auto* combo = new ComboWidget(this);
    m_model = new ItemListModel(combo);
    m_items = std::make_unique<TListControlItems>(*m_model);
    m_delegate = new OwnerDrawDelegate(*this, this, combo);
    combo->setModel(m_model);
    combo->setItemDelegate(m_delegate);
    combo->setEditable(true);
    // With a placeholder the combo box keeps "no item" when the first item is added.
    combo->setPlaceholderText(QStringLiteral(" "));
    combo->setCurrentIndex(-1);
    combo->setMaxVisibleItems(m_dropDownCount);
    QObject::connect(combo, &QComboBox::activated, combo, [this](int) {
        if (m_settingIndex || !AcceptsEvents())
            return;
        DispatchEvent(this, [this] {
            Click();
            Change();
        });
    });
    SetControlStyle((1u << csSetCaption) | (1u << csDoubleClicks));
    SetColor(clWindow);
    SetWidget(combo);
    connectEdit();
    SetBounds(0, 0, 145, 21);
    SetTabStop(true);
}

TComboBox::~TComboBox() = default;

void TComboBox::connectEdit()
{
    auto* combo = static_cast<QComboBox*>(Widget());
    if (!combo || !combo->lineEdit())
        return;
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [this](const QString&) {
        if (AcceptsEvents())
            DispatchEvent(this, [this] { Change(); });
    });
}

TStrings* TComboBox::Items() const
{
    return m_items.get();
}

TCanvas* TComboBox::Canvas() const
{
    return m_canvas.get();
}

int TComboBox::ItemIndex() const
{
    return static_cast<QComboBox*>(Widget())->currentIndex();
}

void TComboBox::SetItemIndex(int index)
{
    m_settingIndex = true;
    auto* combo = static_cast<QComboBox*>(Widget());
    combo->setCurrentIndex(index >= 0 && index < Items()->Count() ? index : -1);
    if (index < 0 && combo->isEditable())
        combo->setEditText(QString());
    m_settingIndex = false;
}

void TComboBox::SetStyle(TComboBoxStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    auto* combo = static_cast<QComboBox*>(Widget());
    const int index = combo->currentIndex();
    combo->setEditable(style == csDropDown || style == csSimple);
    combo->setCurrentIndex(index);
    connectEdit();
    m_model->relayout();
    Invalidate();
}

void TComboBox::SetItemHeight(int height)
{
    if (height <= 0 || height == m_itemHeight)
        return;
    m_itemHeight = height;
    m_model->relayout();
}

void TComboBox::SetDropDownCount(int count)
{
    if (count <= 0)
        return;
    m_dropDownCount = count;
    static_cast<QComboBox*>(Widget())->setMaxVisibleItems(count);
}

bool TComboBox::Sorted() const
{
    return m_items->Sorted();
}

void TComboBox::SetSorted(bool sorted)
{
    m_items->SetSorted(sorted);
}

std::string TComboBox::Text() const
{
    auto* combo = static_cast<QComboBox*>(Widget());
    if (combo->isEditable())
        return stdString(combo->currentText());
    const int index = combo->currentIndex();
    return index >= 0 && index < Items()->Count() ? Items()->Get(index) : std::string();
}

void TComboBox::SetText(const std::string& text)
{
    auto* combo = static_cast<QComboBox*>(Widget());
    if (combo->isEditable()) {
        m_settingIndex = true;
        const int index = Items()->IndexOf(text);
        combo->setCurrentIndex(index);
        combo->setEditText(qString(text));
        m_settingIndex = false;
    } else {
        SetItemIndex(Items()->IndexOf(text));
    }
}

bool TComboBox::DroppedDown() const
{
    auto* combo = static_cast<QComboBox*>(Widget());
    return combo->view() && combo->view()->isVisible();
}

void TComboBox::SetDroppedDown(bool dropped)
{
    auto* combo = static_cast<QComboBox*>(Widget());
    if (dropped)
        combo->showPopup();
    else
        combo->hidePopup();
}

void TComboBox::Change()
{
    if (OnChange)
        OnChange(this);
}

void TComboBox::DropDown()
{
    if (OnDropDown)
        OnDropDown(this);
}

void TComboBox::FontChanged()
{
    TWinControl::FontChanged();
    m_model->relayout();
}

void TComboBox::PaintListItem(QPainter& painter, int index, const TRect& rect, TOwnerDrawState state)
{
    paintItem(*m_canvas, *this, painter, rect, state, [&] {
        if (index < 0 || index >= Items()->Count())
            m_canvas->FillRect(rect);
        else if (!IsOwnerDraw())
            TComboBox::DrawItem(index, rect, state);
        else
            DrawItem(index, rect, state);
    });
}

void TComboBox::PaintFace(QPainter& painter, const TRect& rect, bool focused)
{
    TOwnerDrawState state = 1u << odComboBoxEdit;
    if (focused)
        state |= (1u << odSelected) | (1u << odFocused);
    PaintListItem(painter, ItemIndex(), rect, state);
}

void TComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state)
{
    if (OnDrawItem && IsOwnerDraw()) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    m_canvas->FillRect(rect);
    if (index < Items()->Count())
        m_canvas->TextOut(rect.left + 2, rect.top, Items()->Get(index));
}

int TComboBox::ListItemHeight(int index)
{
    int height = m_itemHeight;
    if (m_style == csOwnerDrawVariable)
        MeasureItem(index, height);
    return height;
}

void TComboBox::MeasureItem(int index, int& height)
{
    if (OnMeasureItem)
        OnMeasureItem(this, index, height);
}

const PropertyTable* TComboBox::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TComboBox::ClassProperties()
{
    static const PropertyTable table(&TWinControl::ClassProperties(), {
        props::integer<TComboBox, int>("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount),
        props::integer<TComboBox, int>("ItemHeight", &TComboBox::ItemHeight, &TComboBox::SetItemHeight),
        // Items first: an index applies to the items a design gives.
        props::strings<TComboBox, TStrings>("Items", &TComboBox::Items),
        props::integer<TComboBox, int>("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex),
        props::boolean<TComboBox>("Sorted", &TComboBox::Sorted, &TComboBox::SetSorted),
        props::enumeration<TComboBox, TComboBoxStyle>(
            "Style", {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"},
            &TComboBox::Style, &TComboBox::SetStyle),
        props::string<TComboBox>("Text", &TComboBox::Text, &TComboBox::SetText),
        props::event<TComboBox, TNotifyEvent>("OnChange", &TComboBox::OnChange),
        props::event<TComboBox, TNotifyEvent>("OnDropDown", &TComboBox::OnDropDown),
        props::event<TComboBox, TDrawItemEvent>("OnDrawItem", &TComboBox::OnDrawItem),
        props::event<TComboBox, TMeasureItemEvent>("OnMeasureItem", &TComboBox::OnMeasureItem),
    });
    return table;
}
