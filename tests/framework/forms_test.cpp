#include "framework/application.h"
#include "framework/forms.h"
#include "framework/list_controls.h"
#include "framework/menus.h"
#include "framework/std_controls.h"

#include "support/test_support.h"

#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

// Notes when a component it watches is freed.
class FreeWatcher : public TComponent {
public:
    FreeWatcher() : TComponent(nullptr) {}
    bool freed = false;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove && component)
            freed = true;
    }
};

} // namespace

TEST(FrameAllowance, ClientAreaIsTheOuterSizeLess8By27)
{
    TForm form(nullptr);
    form.SetBounds(200, 107, 592, 478);
    EXPECT_EQ(form.ClientWidth(), 584);
    EXPECT_EQ(form.ClientHeight(), 451);
    EXPECT_EQ(form.Widget()->width(), 584);
    EXPECT_EQ(form.Widget()->height(), 451);
    form.SetClientSize(363, 231);
    EXPECT_EQ(form.Width(), 371);
    EXPECT_EQ(form.Height(), 258);
    // A tiny window keeps a client area of one pixel.
    form.SetBounds(0, 0, 0, 0);
    EXPECT_EQ(form.ClientWidth(), 1);
    EXPECT_EQ(form.ClientHeight(), 1);
    // A window without a border is all client area.
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 100, 50);
    EXPECT_EQ(form.ClientWidth(), 100);
    EXPECT_EQ(form.ClientHeight(), 50);
}

TEST(FrameAllowance, ANativeMenuBarTakes19PixelsOfTheClientArea)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 592, 478);
    auto* menu = new TMainMenu(&form);
    auto* item = new TMenuItem(&form);
    item->SetCaption("&Arquivo");
    menu->Items()->Add(item);
    auto* client = new TPanel(&form);
    client->SetParent(&form);
    client->SetAlign(alClient);
    form.SetMenu(menu);
    EXPECT_EQ(form.ClientHeight(), 432);
    EXPECT_EQ(client->Height(), 432);
    form.SetNativeMenuVisible(false);
    EXPECT_EQ(form.ClientHeight(), 451);
    EXPECT_EQ(client->Height(), 451);
}

TEST(FormPosition, ScreenCenterCentresTheOuterRectangle)
{
    // The offscreen display is 1024 × 768.
    ASSERT_EQ(Screen->Width(), 1024);
    ASSERT_EQ(Screen->Height(), 768);
    TForm form(nullptr);
    form.SetBounds(200, 107, 592, 478);
    form.SetPosition(poScreenCenter);
    TRect seenInOnShow;
    form.OnShow = [&](TObject*) { seenInOnShow = form.BoundsRect(); };
    form.Show();
    // (1024 - 592) / 2 = 216, (768 - 478) / 2 = 145: centred before OnShow runs.
    EXPECT_EQ(form.BoundsRect(), (TRect{216, 145, 808, 623}));
    EXPECT_EQ(seenInOnShow, (TRect{216, 145, 808, 623}));
    form.Hide();
    // A designed position stays where it is.
    form.SetPosition(poDesigned);
    form.SetBounds(10, 20, 300, 200);
    form.Show();
    EXPECT_EQ(form.BoundsRect(), (TRect{10, 20, 310, 220}));
}

TEST(FormPosition, AWindowLargerThanTheScreenStopsAtTheScreensSize)
{
    TForm form(nullptr);
    const int screenWidth = Screen->Width();
    const int screenHeight = Screen->Height();
    form.SetBounds(10, 20, screenWidth + 500, 300);
    EXPECT_EQ(form.BoundsRect(), (TRect{10, 20, 10 + screenWidth, 320}));
    // Through the client size too: the frame is counted within the screen's size.
    form.SetClientSize(200, screenHeight * 3);
    EXPECT_EQ(form.Height(), screenHeight);
    EXPECT_EQ(form.ClientWidth(), 200);
}

TEST(FormClose, TheCloseActionDecidesWhatHappens)
{
    TApplication app;
    auto* form = new TForm(nullptr);
    form->Show();
    TCloseAction next = caNone;
    int queries = 0;
    bool allow = true;
    form->OnCloseQuery = [&](TObject*, bool& canClose) {
        ++queries;
        canClose = allow;
    };
    int closes = 0;
    form->OnClose = [&](TObject*, TCloseAction& action) {
        ++closes;
        EXPECT_EQ(action, caHide);
        action = next;
    };
    form->Close();
    EXPECT_TRUE(form->Visible());
    next = caHide;
    allow = false;
    form->Close();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(form->Visible());
    allow = true;
    form->Close();
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(queries, 3);

    form->Show();
    next = caFree;
    FreeWatcher watcher;
    watcher.FreeNotification(form);
    form->Close();
    // Freed only once pending messages are handled.
    EXPECT_FALSE(watcher.freed);
    app.ProcessMessages();
    EXPECT_TRUE(watcher.freed);
}

TEST(FormClose, AFormFreedBeforeItsReleaseIsNotFreedTwice)
{
    TApplication app;
    const int before = Screen->FormCount();
    auto* form = new TForm(nullptr);
    form->Release();
    delete form;
    app.ProcessMessages();
    EXPECT_EQ(Screen->FormCount(), before);
}

TEST(FormModal, ShowModalReturnsTheResultOfTheButtonThatClosedIt)
{
    TApplication app;
    TForm form(nullptr);
    auto* ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetModalResult(mrOk);
    form.OnShow = [&](TObject*) { ok->Click(); };
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(form.IsModal());
}

TEST(FormModal, ARefusedCloseKeepsTheFormUpUntilTheNextResult)
{
    TApplication app;
    TForm form(nullptr);
    int queries = 0;
    form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
    form.OnShow = [&](TObject*) {
        form.SetModalResult(mrOk);
        QTimer::singleShot(0, form.Widget(), [&form] { form.SetModalResult(mrCancel); });
    };
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(queries, 2);
    // A visible form cannot be shown modally.
    form.OnShow = nullptr;
    form.Show();
    EXPECT_RAISES(form.ShowModal(), EInvalidOperation, "Cannot make a visible window modal");
}

TEST(FormModal, ATerminatedApplicationEndsTheModalLoopWithoutAskingTheForm)
{
    TApplication app;
    TForm form(nullptr);
    int queries = 0;
    // The form refuses to close (a thousand times, so that a loop that keeps asking still ends).
    form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1000; };
    form.OnShow = [&](TObject*) { app.Terminate(); };
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(queries, 0);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(form.IsModal());
}

TEST(FormModal, TheSeamTakesThePlaceOfTheModalLoop)
{
    TForm form(nullptr);
    TForm* shown = nullptr;
    Seam<TModalResult(TForm&)>::Scoped fake(ShowModalSeam(), [&](TForm& f) {
        shown = &f;
        return mrYes;
    });
    EXPECT_EQ(form.ShowModal(), mrYes);
    EXPECT_EQ(shown, &form);
    EXPECT_FALSE(form.Visible());
}

TEST(FormKeys, EnterClicksTheDefaultButtonAndEscTheCancelButton)
{
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* ok = new TButton(&form);
    ok->SetParent(panel);
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = new TButton(&form);
    cancel->SetParent(&form);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    EXPECT_TRUE(form.DialogKey(VK_RETURN, 0));
    EXPECT_EQ(form.ModalResult(), mrOk);
    EXPECT_TRUE(form.DialogKey(VK_ESCAPE, 0));
    EXPECT_EQ(form.ModalResult(), mrCancel);
    EXPECT_FALSE(form.DialogKey(VK_SPACE, 0));
    ok->SetEnabled(false);
    EXPECT_FALSE(form.DialogKey(VK_RETURN, 0));
}

TEST(FormKeys, KeyPreviewLetsTheFormSeeAndSwallowKeysFirst)
{
    TApplication app;
    TForm form(nullptr);
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    std::vector<std::string> seen;
    form.OnKeyDown = [&](TObject*, unsigned short& key, TShiftState) {
        seen.push_back("form " + std::to_string(key));
        if (key == VK_F1 + 4)
            key = 0;
    };
    list->OnKeyDown = [&](TObject* sender, unsigned short& key, TShiftState shift) {
        EXPECT_EQ(sender, list);
        seen.push_back("list " + std::to_string(key) + (shift & (1u << ssCtrl) ? " ctrl" : ""));
    };
    form.Show();
    // The Ctrl key itself goes down first.
    QTest::keyClick(list->Widget(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(seen, (std::vector<std::string>{"list 17 ctrl", "list 65 ctrl"}));
    seen.clear();
    form.SetKeyPreview(true);
    QTest::keyClick(list->Widget(), Qt::Key_A);
    QTest::keyClick(list->Widget(), Qt::Key_F5);
    EXPECT_EQ(seen, (std::vector<std::string>{"form 65", "list 65", "form 116"}));
}

TEST(FormKeys, AControlFreedByThePreviewingFormHearsNothingMore)
{
    TApplication app;
    TForm form(nullptr);
    form.SetKeyPreview(true);
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    std::vector<std::string> seen;
    form.OnKeyDown = [&](TObject*, unsigned short& key, TShiftState) {
        seen.push_back("form " + std::to_string(key));
        delete list;
    };
    form.OnKeyPress = [&](TObject*, char& key) { seen.push_back(std::string("form press ") + key); };
    list->OnKeyDown = [&](TObject*, unsigned short&, TShiftState) { seen.push_back("list down"); };
    list->OnKeyPress = [&](TObject*, char&) { seen.push_back("list press"); };
    form.Show();
    QPointer<QWidget> w = list->Widget();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(w, &press);
    EXPECT_EQ(seen, (std::vector<std::string>{"form 65"}));
    EXPECT_EQ(form.ControlCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}

TEST(FormActiveControl, OnlyAControlThatCanTakeTheFocusAndClearedWhenFreed)
{
    TForm form(nullptr);
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    EXPECT_RAISES(form.SetActiveControl(list), EInvalidOperation, "Cannot focus a disabled or invisible window");
    form.Show();
    form.SetActiveControl(list);
    EXPECT_EQ(form.ActiveControl(), list);
    list->Hide();
    EXPECT_RAISES(list->SetFocus(), EInvalidOperation, "Cannot focus a disabled or invisible window");
    delete list;
    EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST(FormScreen, FormsAreListedWhileTheyLive)
{
    const int before = Screen->FormCount();
    {
        TForm form(nullptr);
        EXPECT_EQ(Screen->FormCount(), before + 1);
        EXPECT_EQ(Screen->Forms(before), &form);
    }
    EXPECT_EQ(Screen->FormCount(), before);
}

TEST(FormShow, AWindowIsKeptToTheWorkArea)
{
    TApplication app;
    TForm form(nullptr);
    const TRect work = Screen->WorkAreaRect();
    form.SetBounds(work.right - 50, work.bottom + 400, 300, 200);
    form.Show();
    EXPECT_EQ(form.Left(), work.right - 300);
    EXPECT_EQ(form.Top(), work.bottom - 200);
    form.Hide();
    form.SetBounds(work.left - 90, work.top - 90, 10 * work.width(), 300);
    EXPECT_EQ(form.Width(), work.width()) << "no wider than the work area";
    form.Show();
    EXPECT_EQ(form.Left(), work.left);
    EXPECT_EQ(form.Top(), work.top);
}
