// Following freed components, listeners that come and go during a round, the scope guard, and
// modal loops whose form or application goes away.

#include "framework/application.h"
#include "framework/component_ref.h"
#include "framework/forms.h"
#include "framework/hook_list.h"
#include "framework/scope_exit.h"
#include "framework/std_controls.h"

#include "support/test_support.h"

#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

namespace {

TEST(ComponentRef, ClearsWhenTheOwnerFreesTheComponent)
{
    auto* owner = new TComponent(nullptr);
    auto* child = new TComponent(owner);
    TComponentRef<TComponent> ref(child);
    TComponentRef<TComponent> copy = ref;
    EXPECT_EQ(ref.get(), child);
    delete owner;
    EXPECT_EQ(ref.get(), nullptr);
    EXPECT_FALSE(copy);
}

TEST(ComponentRef, ClearsWhenTheComponentFreesItselfInItsOwnHandler)
{
    TApplication app;
    TForm form(nullptr);
    auto* button = new TButton(&form);
    TComponentRef<TButton> ref(button);
    bool freedBeforeReturning = false;
    button->OnClick = [&](TObject* sender) {
        // The handler goes with the button: only what is copied out survives the delete.
        bool* result = &freedBeforeReturning;
        const TComponentRef<TButton>* watch = &ref;
        delete static_cast<TButton*>(sender);
        *result = !*watch;
    };
    button->Click();
    EXPECT_TRUE(freedBeforeReturning);
    EXPECT_FALSE(ref);
}

TEST(ComponentRef, ClearsWhenASiblingsHandlerFreesTheComponentAndIsNullForItsNotifications)
{
    TComponent owner(nullptr);
    auto* target = new TComponent(&owner);
    auto* killer = new TButton(&owner);
    TComponentRef<TComponent> ref(target);
    killer->OnClick = [target](TObject*) { delete target; };
    killer->Click();
    EXPECT_FALSE(ref);
    // Repointing at a component, then at nothing, leaves the old one's list.
    auto* other = new TComponent(&owner);
    ref = other;
    ref = nullptr;
    delete other;
    EXPECT_FALSE(ref);
}

TEST(ComponentRef, AReferenceThatDiesFirstLeavesNothingBehind)
{
    auto* component = new TComponent(nullptr);
    {
        TComponentRef<TComponent> shortLived(component);
        TComponentRef<TComponent> another(component);
    }
    TComponentRef<TComponent> survivor(component);
    delete component;  // walks only the references still alive
    EXPECT_FALSE(survivor);
}

// Records which listeners ran, in order.
struct Round {
    THookList<void(int)> hooks;
    std::vector<std::string> ran;
};

TEST(HookList, AListenerRemovingItselfOrAnotherAndAddingOneDuringARound)
{
    Round round;
    THookSubscription first, second, third, added;
    first = round.hooks.Add([&](int) {
        round.ran.push_back("first");
        first.Reset();   // itself: still finishes this call
        second.Reset();  // a later one: does not run in this round
        added = round.hooks.Add([&](int) { round.ran.push_back("added"); });
    });
    second = round.hooks.Add([&](int) { round.ran.push_back("second"); });
    third = round.hooks.Add([&](int value) { round.ran.push_back("third " + std::to_string(value)); });

    round.hooks(1);
    EXPECT_EQ(round.ran, (std::vector<std::string>{"first", "third 1"})) << "the added one waits";
    round.ran.clear();
    round.hooks(2);
    EXPECT_EQ(round.ran, (std::vector<std::string>{"third 2", "added"}));
    EXPECT_EQ(round.hooks.Count(), 2);
}

TEST(HookList, SubscriptionsOutlivingTheListAndListsOutlivingSubscriptions)
{
    THookSubscription outliving;
    {
        THookList<void()> list;
        outliving = list.Add([] {});
        EXPECT_TRUE(outliving.Subscribed());
        {
            THookSubscription dying = list.Add([] {});
            EXPECT_EQ(list.Count(), 2);
        }
        EXPECT_EQ(list.Count(), 1);
    }
    EXPECT_FALSE(outliving.Subscribed());
    outliving.Reset();  // the list has gone: nothing to do, nothing touched

    // A subscription moved keeps its place; the moved-from one unsubscribes nothing.
    THookList<void()> list;
    int calls = 0;
    THookSubscription moved = list.Add([&] { ++calls; });
    THookSubscription target = std::move(moved);
    moved.Reset();
    list();
    EXPECT_EQ(calls, 1);
}

TEST(HookList, AListFreedDuringItsRoundCallsNoOneElse)
{
    auto* list = new THookList<void()>;
    std::vector<std::string> ran;
    THookSubscription a = list->Add([&] {
        ran.push_back("a");
        delete list;
    });
    THookSubscription b = list->Add([&] { ran.push_back("b"); });
    (*list)();
    EXPECT_EQ(ran, std::vector<std::string>{"a"});
}

TEST(ScopeExit, RunsOnReturnAndOnExceptionAndKeepsTheFirstFailure)
{
    bool busy = true;
    {
        ScopeExit done([&] { busy = false; });
    }
    EXPECT_FALSE(busy);

    busy = true;
    EXPECT_RAISES(([&] {
                      ScopeExit done([&] {
                          busy = false;
                          throw EInvalidOperation("cleanup");
                      });
                      throw EInvalidOperation("original");
                  }()),
                  EInvalidOperation, "original");
    EXPECT_FALSE(busy);

    // On a normal exit the cleanup's own failure reaches the caller.
    EXPECT_RAISES(([] { ScopeExit done([] { throw EInvalidOperation("cleanup"); }); }()), EInvalidOperation,
                  "cleanup");
}

TEST(FormLifeListeners, RunAroundTheFormsOwnHandlersWhichStayAsAssigned)
{
    TApplication app;
    TForm form(nullptr);
    std::vector<std::string> order;
    form.OnShow = [&](TObject*) { order.push_back("OnShow"); };
    form.OnCloseQuery = [&](TObject*, bool& canClose) {
        order.push_back("OnCloseQuery");
        canClose = false;
    };
    const THookSubscription shown = form.ShowListeners.Add([&](TForm&) { order.push_back("shown"); });
    const THookSubscription query = form.CloseQueryListeners.Add([&](TForm&, bool& canClose) {
        order.push_back(canClose ? "query yes" : "query no");
        canClose = true;
    });
    form.Show();
    EXPECT_TRUE(form.CloseQuery()) << "a listener may change the answer";
    EXPECT_EQ(order, (std::vector<std::string>{"shown", "OnShow", "OnCloseQuery", "query no"}));
    EXPECT_TRUE(bool(form.OnShow)) << "the form's handler is not wrapped";
}

TEST(FormLifeListeners, AFormFreedInItsOwnCloseQueryIsNotTouchedAgain)
{
    TApplication app;
    auto* form = new TForm(nullptr);
    int listened = 0;
    const THookSubscription query = form->CloseQueryListeners.Add([&](TForm&, bool&) { ++listened; });
    form->OnCloseQuery = [form](TObject*, bool&) { delete form; };
    TComponentRef<TForm> ref(form);
    form->Close();
    EXPECT_FALSE(ref);
    EXPECT_EQ(listened, 0);
    EXPECT_FALSE(query.Subscribed());
}

// Ends a modal loop that a fault would leave waiting, and says so.
class Safety {
public:
    explicit Safety(TApplication& app)
    {
        QTimer::singleShot(5000, &m_context, [this, &app] {
            fired = true;
            app.Terminate();
        });
    }
    bool fired = false;

private:
    QObject m_context;
};

TEST(ModalLoop, AFormFreedWithItsOwnerWhileUpEndsTheLoop)
{
    TApplication app;
    Safety safety(app);
    auto* owner = new TForm(nullptr);
    auto* dialog = new TForm(owner);
    TComponentRef<TForm> ref(dialog);
    QTimer::singleShot(0, [owner] { delete owner; });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(ref);
    EXPECT_FALSE(safety.fired);
}

TEST(ModalLoop, TerminateLeavesTheLoopFromInsideIt)
{
    TApplication app;
    TForm form(nullptr);
    QTimer::singleShot(0, [&app] { app.Terminate(); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_FALSE(form.IsModal());
    EXPECT_FALSE(form.Visible());
}

TEST(ModalLoop, AResultSetFromATimerEndsTheWaitAndDeferredDeletionsRunInside)
{
    TApplication app;
    Safety safety(app);
    TForm form(nullptr);
    auto* doomed = new QObject;
    QPointer<QObject> watch(doomed);
    bool deletedInside = false;
    QTimer::singleShot(0, [&] {
        doomed->deleteLater();
        QTimer::singleShot(10, [&] {
            deletedInside = watch.isNull();
            form.SetModalResult(mrOk);
        });
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_TRUE(deletedInside);
    EXPECT_FALSE(safety.fired);
}

} // namespace
