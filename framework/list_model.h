#pragma once
// Internal to framework/: the item model, the owner-draw delegate and the item painting that
// list boxes and combo boxes share.

#include "framework/application.h"
#include "framework/list_controls.h"
#include "framework/qt_bridge.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>

namespace framework_detail {

// The items of a list control as the item views see them.
class ItemListModel : public QAbstractListModel {
public:
    struct Item {
        std::string text;
        TObject* object = nullptr;
    };

    explicit ItemListModel(QObject* parent) : QAbstractListModel(parent) {}

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(items.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= int(items.size()))
            return {};
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return qString(items[std::size_t(index.row())].text);
        return {};
    }

    void insert(int row, Item item)
    {
        Mutation m(*this);
        beginInsertRows(QModelIndex(), row, row);
        items.insert(items.begin() + row, std::move(item));
        endInsertRows();
    }
    void remove(int row)
    {
        Mutation m(*this);
        beginRemoveRows(QModelIndex(), row, row);
        items.erase(items.begin() + row);
        endRemoveRows();
    }
    void clear()
    {
        Mutation m(*this);
        beginResetModel();
        items.clear();
        endResetModel();
    }
    void setText(int row, const std::string& text)
    {
        items[std::size_t(row)].text = text;
        emit dataChanged(index(row), index(row));
    }
    // Item heights changed: the views lay their items out again.
    void relayout()
    {
        emit layoutAboutToBeChanged();
        emit layoutChanged();
    }

    std::vector<Item> items;
    // While items are added or removed, selection changes are the view's own, not the user's.
    int mutating = 0;

private:
    struct Mutation {
        explicit Mutation(ItemListModel& model) : m_model(model) { ++m_model.mutating; }
        ~Mutation() { --m_model.mutating; }
        ItemListModel& m_model;
    };
};

// Paints and measures every item through its control.
class OwnerDrawDelegate : public QStyledItemDelegate {
public:
    OwnerDrawDelegate(TOwnerDrawList& list, TControl* control, QObject* parent)
        : QStyledItemDelegate(parent), m_list(list), m_control(control)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        PaintScope scope;
        try {
            TOwnerDrawState state = 0;
            if (option.state & QStyle::State_Selected)
                state |= 1u << odSelected;
            if (option.state & QStyle::State_HasFocus)
                state |= 1u << odFocused;
            if (!(option.state & QStyle::State_Enabled))
                state |= 1u << odDisabled;
            painter->save();
            m_list.PaintListItem(*painter, index.row(), tRect(option.rect), state);
            painter->restore();
        } catch (...) {
            HandleEscapingException(m_control);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        int height = 16;
        DispatchEvent(m_control, [&] { height = m_list.ListItemHeight(index.row()); });
        return QSize(std::max(1, option.rect.width()), std::max(1, height));
    }

private:
    TOwnerDrawList& m_list;
    TControl* m_control;
};

} // namespace framework_detail

namespace framework_detail {

// Paints one item of a list control: font and brush of the control, highlight colours when
// selected, the focus frame when focused.
template <class Draw>
void paintItem(TControlCanvas& canvas, const TWinControl& control, QPainter& painter, const TRect& rect,
               TOwnerDrawState state, Draw&& draw)
{
    canvas.Lock();
    canvas.BeginPaint(painter);
    struct End {
        TControlCanvas& canvas;
        ~End()
        {
            canvas.EndPaint();
            canvas.Unlock();
        }
    } end{canvas};
    canvas.Font().CopyFrom(control.Font());
    canvas.Brush().CopyFrom(control.Brush());
    if (state & (1u << odSelected)) {
        canvas.Brush().SetColor(clHighlight);
        canvas.Font().SetColor(clHighlightText);
    }
    DispatchEvent(const_cast<TWinControl*>(&control), draw);
    if (state & (1u << odFocused))
        canvas.DrawFocusRect(rect);
}

} // namespace framework_detail
