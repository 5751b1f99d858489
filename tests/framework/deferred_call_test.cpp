// Deferred calls on the window system's clock, and weak references to objects that are not
// components.

#include "framework/application.h"
#include "framework/deferred_call.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/weak_ref.h"

#include "support/test_support.h"

#include <QTimer>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Window : TWeakTarget {
    int value = 0;
};

TEST(DeferredCall, RunsOnceTheCurrentCallHasReturnedInTheOrderMade)
{
    TApplication app;
    TComponent target(nullptr);
    Window window;
    std::vector<std::string> ran;
    CallSoon(target, [&] {
        ran.push_back("first");
        CallSoon([&] { ran.push_back("made by the first"); });
    });
    CallSoon(window, [&] { ran.push_back("second"); });
    CallSoon([&] { ran.push_back("third"); });
    EXPECT_TRUE(ran.empty()) << "nothing runs before the caller has returned";
    app.ProcessMessages();
    // A call made while the others run waits for the next round of messages.
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second", "third"}));
    app.ProcessMessages();
    EXPECT_EQ(ran.back(), "made by the first");
}

TEST(DeferredCall, IsDroppedWhenItsTargetHasGoneByThen)
{
    TApplication app;
    std::vector<std::string> ran;
    auto* freedBefore = new TComponent(nullptr);
    auto* freedByAnEarlierCall = new TComponent(nullptr);
    auto window = std::make_unique<Window>();
    TComponent kept(nullptr);
    CallSoon(*freedBefore, [&] { ran.push_back("freed before"); });
    CallSoon(kept, [&] {
        ran.push_back("kept");
        delete freedByAnEarlierCall;
    });
    CallSoon(*freedByAnEarlierCall, [&] { ran.push_back("freed by an earlier call"); });
    CallSoon(*window, [&] { ran.push_back("window"); });
    delete freedBefore;
    window.reset();
    app.ProcessMessages();
    EXPECT_EQ(ran, std::vector<std::string>{"kept"});
}

TEST(DeferredCall, AFailureIsShownAndTheCallsAfterItStillRun)
{
    TApplication app;
    app.SetTitle("Pictavo 2");
    std::vector<std::string> messages;
    Seam<void(const std::string&, const std::string&)>::Scoped presenter(
        MessagePresenter(),
        [&](const std::string& caption, const std::string& text) { messages.push_back(caption + ": " + text); });
    bool after = false;
    CallSoon([] { throw EInvalidOperation("Cannot focus a disabled or invisible window"); });
    CallSoon([&] { after = true; });
    app.ProcessMessages();
    EXPECT_EQ(messages, std::vector<std::string>{"Pictavo 2: Cannot focus a disabled or invisible window"});
    EXPECT_TRUE(after);
}

TEST(DeferredCall, RunsInsideAModalLoopAndMayWaitInOneOfItsOwn)
{
    TApplication app;
    // Ends a loop that a fault would leave waiting.
    QObject guard;
    bool stuck = false;
    QTimer::singleShot(5000, &guard, [&] {
        stuck = true;
        app.Terminate();
    });
    TForm dialog(nullptr);
    std::vector<std::string> ran;
    CallSoon(dialog, [&] {
        ran.push_back("inside the dialog's loop");
        TForm nested(nullptr);
        CallSoon(nested, [&] {
            ran.push_back("inside the nested loop");
            nested.SetModalResult(mrOk);
        });
        if (nested.ShowModal() == mrOk)
            ran.push_back("the nested loop ended");
        dialog.SetModalResult(mrOk);
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(ran, (std::vector<std::string>{"inside the dialog's loop", "inside the nested loop",
                                             "the nested loop ended"}));
    EXPECT_FALSE(stuck);
}

// An object that is a component and, through a second base, a weak target (a preview control
// that is also a progress window).
struct Both : TComponent, Window {
    Both() : TComponent(nullptr) {}
};

TEST(WeakRef, ClearsWhenItsTargetGoesAndNamesTheTargetsOwnPart)
{
    auto both = std::make_unique<Both>();
    both->value = 7;
    TWeakRef<Window> window(both.get());
    TComponentRef<Both> component(both.get());
    TWeakRef<Window> copy = window;
    TWeakRef<Window> assigned;
    assigned = copy;
    EXPECT_EQ(window.get(), static_cast<Window*>(both.get()));
    EXPECT_EQ(assigned->value, 7);
    EXPECT_EQ(component.get(), both.get());
    both.reset();
    EXPECT_FALSE(window);
    EXPECT_EQ(copy.get(), nullptr);
    EXPECT_FALSE(assigned);
    EXPECT_FALSE(component);
}

} // namespace
