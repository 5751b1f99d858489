#pragma once
// List boxes and combo boxes: items as a string list with an object beside each string, the
// selected index, and owner drawing: with an owner-draw style every item is painted by
// DrawItem (OnDrawItem) through the control's canvas, and measured by OnMeasureItem when the
// items vary in height.

#include "framework/control.h"
#include "framework/strings.h"

#include <functional>
#include <memory>

class QAbstractItemView;

namespace framework_detail {
class ItemListModel;
class OwnerDrawDelegate;
}

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
// Owner-draw state: bits 1 << member.
enum TOwnerDrawStateMember { odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odComboBoxEdit };
using TOwnerDrawState = unsigned;

using TDrawItemEvent = std::function<void(TWinControl* control, int index, TRect rect, TOwnerDrawState state)>;
using TMeasureItemEvent = std::function<void(TWinControl* control, int index, int& height)>;

// The items of a list control: kept by the control's model, so the control shows every change.
class TListControlItems : public TStrings {
    PICTAVO_CLASS(TListControlItems)
public:
    explicit TListControlItems(framework_detail::ItemListModel& model) : m_model(model) {}

    int Count() const override;
    std::string Get(int index) const override;
    TObject* GetObject(int index) const override;
    void Put(int index, const std::string& text) override;
    void PutObject(int index, TObject* object) override;
    int InsertObject(int index, const std::string& text, TObject* object) override;
    // A sorted control places the string in order.
    int AddObject(const std::string& text, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;

    bool Sorted() const { return m_sorted; }
    void SetSorted(bool sorted);

private:
    framework_detail::ItemListModel& m_model;
    bool m_sorted = false;
};

// What the owner-draw delegate asks of a list control.
class TOwnerDrawList {
public:
    virtual ~TOwnerDrawList() = default;
    // Paints item `index` (or an empty row for -1) with the painter.
    virtual void PaintListItem(QPainter& painter, int index, const TRect& rect, TOwnerDrawState state) = 0;
    virtual int ListItemHeight(int index) = 0;
};

class TCustomListBox : public TWinControl, public TOwnerDrawList {
    PICTAVO_CLASS(TCustomListBox)
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    TStrings* Items() const;
    void SetItems(const TStrings* items) { Items()->CopyFrom(items); }
    int Count() const { return Items()->Count(); }
    int ItemIndex() const;
    // Selects an item (-1: none) without firing OnClick.
    void SetItemIndex(int index);
    TListBoxStyle Style() const { return m_style; }
    void SetStyle(TListBoxStyle style);
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height);
    bool Sorted() const;
    void SetSorted(bool sorted);
    int TopIndex() const;
    void SetTopIndex(int index);
    // The item under a client point; -1 when none, or Count when `existing` is false and the
    // point lies below the last item.
    int ItemAtPos(TPoint point, bool existing) const;
    TRect ItemRect(int index) const;
    void Clear() { Items()->Clear(); }
    TCanvas* Canvas() const;

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    void PaintListItem(QPainter& painter, int index, const TRect& rect, TOwnerDrawState state) override;
    int ListItemHeight(int index) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);
    QAbstractItemView* View() const;
    void FontChanged() override;

private:
    void selectionChanged();

    framework_detail::ItemListModel* m_model;
    std::unique_ptr<TListControlItems> m_items;
    std::unique_ptr<TControlCanvas> m_canvas;
    framework_detail::OwnerDrawDelegate* m_delegate;
    TListBoxStyle m_style = lbStandard;
    int m_itemHeight = 16;
    int m_standardHeight = 0;  // text height for the standard style; 0 until measured
    bool m_settingIndex = false;
};

class TListBox : public TCustomListBox {
    PICTAVO_CLASS(TListBox)
public:
    using TCustomListBox::TCustomListBox;
};

class TComboBox : public TWinControl, public TOwnerDrawList {
    PICTAVO_CLASS(TComboBox)
public:
    explicit TComboBox(TComponent* owner);
    ~TComboBox() override;

    TStrings* Items() const;
    void SetItems(const TStrings* items) { Items()->CopyFrom(items); }
    int ItemIndex() const;
    // Selects an item (-1: none) without firing OnChange.
    void SetItemIndex(int index);
    TComboBoxStyle Style() const { return m_style; }
    void SetStyle(TComboBoxStyle style);
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height);
    int DropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(int count);
    bool Sorted() const;
    void SetSorted(bool sorted);
    // The edit text; for a list-only style the selected item's text (setting it selects the
    // item of that text).
    std::string Text() const;
    void SetText(const std::string& text);
    bool DroppedDown() const;
    void SetDroppedDown(bool dropped);
    TCanvas* Canvas() const;

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    // The user chose an item: OnClick, then OnChange.
    virtual void Change();
    virtual void DropDown();
    bool IsOwnerDraw() const { return m_style == csOwnerDrawFixed || m_style == csOwnerDrawVariable; }
    void PaintListItem(QPainter& painter, int index, const TRect& rect, TOwnerDrawState state) override;
    int ListItemHeight(int index) override;
    // Paints the selected item into the face of an owner-drawn combo box.
    void PaintFace(QPainter& painter, const TRect& rect, bool focused);
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);
    void FontChanged() override;

private:
    void connectEdit();

    framework_detail::ItemListModel* m_model;
    std::unique_ptr<TListControlItems> m_items;
    std::unique_ptr<TControlCanvas> m_canvas;
    framework_detail::OwnerDrawDelegate* m_delegate;
    TComboBoxStyle m_style = csDropDown;
    int m_itemHeight = 16;
    int m_dropDownCount = 8;
    bool m_settingIndex = false;
};
