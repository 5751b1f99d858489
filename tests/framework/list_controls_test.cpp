#include "framework/application.h"
#include "framework/forms.h"
#include "framework/list_controls.h"

#include "support/test_support.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace {

struct DrawCall {
    int index;
    TRect rect;
    TOwnerDrawState state;
};

class OwnerDrawnList : public testing::Test {
protected:
    OwnerDrawnList()
    {
        form.SetBounds(0, 0, 300, 200);
        list = new TListBox(&form);
        list->SetParent(&form);
        list->SetBounds(0, 0, 100, 60);
        list->SetStyle(lbOwnerDrawFixed);
        list->SetItemHeight(13);
        list->Items()->Add("um");
        list->Items()->Add("dois");
        list->Items()->Add("tr\xC3\xAAs");
        list->OnDrawItem = [this](TWinControl* control, int index, TRect rect, TOwnerDrawState state) {
            EXPECT_EQ(control, list);
            // The canvas of the list draws, coloured for the item's state.
            const TColor expected = (state & (1u << odSelected)) ? clHighlight : clWindow;
            EXPECT_EQ(list->Canvas()->Brush().Color(), expected);
            list->Canvas()->FillRect(rect);
            calls.push_back({index, rect, state});
        };
        form.Show();
        app.ProcessMessages();
    }

    std::vector<DrawCall> paintNow()
    {
        calls.clear();
        // Rendering the list paints its items.
        list->Widget()->grab();
        return calls;
    }

    const DrawCall* callFor(int index) const
    {
        for (const DrawCall& c : calls)
            if (c.index == index)
                return &c;
        return nullptr;
    }

    TApplication app;
    TForm form{nullptr};
    TListBox* list;
    std::vector<DrawCall> calls;
};

} // namespace

TEST_F(OwnerDrawnList, EachItemIsDrawnThroughOnDrawItemInItsRow)
{
    paintNow();
    // Inside the 2-pixel edge the rows are 96 wide and 13 high, one under the other.
    const DrawCall* first = callFor(0);
    const DrawCall* third = callFor(2);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(callFor(1), nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(first->rect, (TRect{0, 0, 96, 13}));
    EXPECT_EQ(callFor(1)->rect, (TRect{0, 13, 96, 26}));
    EXPECT_EQ(third->rect, (TRect{0, 26, 96, 39}));
    EXPECT_EQ(first->state & (1u << odSelected), 0u);
    EXPECT_EQ(list->ItemRect(1), (TRect{0, 13, 96, 26}));
    EXPECT_EQ(list->ItemAtPos({5, 30}, true), 2);
    EXPECT_EQ(list->ItemAtPos({5, 50}, true), -1);
    EXPECT_EQ(list->ItemAtPos({5, 50}, false), 3);
}

TEST_F(OwnerDrawnList, TheSelectedItemIsDrawnSelected)
{
    list->SetItemIndex(1);
    EXPECT_EQ(list->ItemIndex(), 1);
    paintNow();
    ASSERT_NE(callFor(1), nullptr);
    EXPECT_NE(callFor(1)->state & (1u << odSelected), 0u);
    ASSERT_NE(callFor(0), nullptr);
    EXPECT_EQ(callFor(0)->state & (1u << odSelected), 0u);
}

TEST_F(OwnerDrawnList, OnlyTheUserSelectingClicks)
{
    int clicks = 0;
    list->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, list);
        ++clicks;
    };
    list->SetItemIndex(0);
    list->Items()->Insert(0, "zero");
    list->Items()->Delete(0);
    EXPECT_EQ(clicks, 0);
    // The view's own selection change is the user's.
    auto* view = static_cast<QAbstractItemView*>(list->Widget());
    view->selectionModel()->setCurrentIndex(view->model()->index(2, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list->ItemIndex(), 2);
    list->SetItemIndex(-1);
    EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(OwnerDrawnList, VariableItemsAreMeasuredByOnMeasureItem)
{
    list->SetStyle(lbOwnerDrawVariable);
    list->OnMeasureItem = [](TWinControl*, int index, int& height) { height = 10 + 5 * index; };
    app.ProcessMessages();
    paintNow();
    // Heights 10, 15 and 20.
    EXPECT_EQ(list->ItemRect(0), (TRect{0, 0, 96, 10}));
    EXPECT_EQ(list->ItemRect(1), (TRect{0, 10, 96, 25}));
    EXPECT_EQ(list->ItemRect(2), (TRect{0, 25, 96, 45}));
}

TEST_F(OwnerDrawnList, AnExceptionInOnDrawItemIsShownOnceThePaintIsOver)
{
    std::vector<std::string> messages;
    Seam<void(const std::string&, const std::string&)>::Scoped capture(
        MessagePresenter(), [&](const std::string&, const std::string& text) { messages.push_back(text); });
    list->OnDrawItem = [](TWinControl*, int index, TRect, TOwnerDrawState) {
        if (index == 1)
            throw EInvalidGraphic("Bitmap image is not valid");
    };
    paintNow();
    EXPECT_TRUE(messages.empty());
    app.ProcessMessages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0], "Bitmap image is not valid");
}

TEST(ListItems, ASortedListPlacesItemsInOrderWithoutRegardToCase)
{
    TListBox list(nullptr);
    list.SetSorted(true);
    list.Items()->Add("mar.jpg");
    list.Items()->Add("Abril.bmp");
    list.Items()->Add("zebra.gif");
    list.Items()->Add("abril.bmp");
    EXPECT_EQ(list.Items()->ToVector(), (std::vector<std::string>{"Abril.bmp", "abril.bmp", "mar.jpg", "zebra.gif"}));
    list.SetSorted(false);
    list.Items()->Insert(0, "primeiro");
    EXPECT_EQ(list.Items()->Get(0), "primeiro");
    EXPECT_RAISES(list.Items()->Get(9), EListError, "List index out of bounds (9)");
}

TEST(ComboBox, AddingItemsSelectsNothingAndAChoiceClicksThenChanges)
{
    TComboBox combo(nullptr);
    combo.SetStyle(csDropDownList);
    combo.Items()->Add("a:");
    combo.Items()->Add("c: [system]");
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "");
    std::vector<std::string> events;
    combo.OnClick = [&](TObject*) { events.push_back("click " + combo.Text()); };
    combo.OnChange = [&](TObject*) { events.push_back("change"); };
    combo.SetItemIndex(0);
    EXPECT_TRUE(events.empty());
    // The user picks the second drive.
    auto* widget = static_cast<QComboBox*>(combo.Widget());
    widget->setCurrentIndex(1);
    emit widget->activated(1);
    EXPECT_EQ(events, (std::vector<std::string>{"click c: [system]", "change"}));
    combo.SetText("a:");
    EXPECT_EQ(combo.ItemIndex(), 0);
}

TEST(ComboBox, AnOwnerDrawnFaceShowsTheSelectedItemThroughOnDrawItem)
{
    TApplication app;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* combo = new TComboBox(&form);
    combo->SetParent(&form);
    combo->SetStyle(csOwnerDrawFixed);
    combo->Items()->Add("a:");
    combo->Items()->Add("c: [system]");
    std::vector<std::pair<int, TOwnerDrawState>> drawn;
    combo->OnDrawItem = [&](TWinControl*, int index, TRect, TOwnerDrawState state) {
        drawn.emplace_back(index, state);
    };
    form.Show();
    combo->SetItemIndex(1);
    combo->Widget()->grab();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().first, 1);
    EXPECT_NE(drawn.back().second & (1u << odComboBoxEdit), 0u);
    // Nothing selected: the face is only filled.
    drawn.clear();
    combo->SetItemIndex(-1);
    combo->Widget()->grab();
    EXPECT_TRUE(drawn.empty());
}
