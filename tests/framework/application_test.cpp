#include "framework/application.h"
#include "framework/forms.h"
#include "framework/std_controls.h"

#include "support/test_support.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <stdexcept>

namespace {

struct Message {
    std::string caption;
    std::string text;
    friend bool operator==(const Message&, const Message&) = default;
};

// Takes the place of the message box for a test.
class CapturedMessages {
public:
    CapturedMessages()
        : m_scope(MessagePresenter(), [this](const std::string& caption, const std::string& text) {
              messages.push_back({caption, text});
          })
    {
    }
    std::vector<Message> messages;

private:
    Seam<void(const std::string&, const std::string&)>::Scoped m_scope;
};

class ApplicationTest : public testing::Test {
protected:
    ApplicationTest() { app.SetTitle("Pictavo 2"); }
    TApplication app;
    CapturedMessages captured;
};

// A control whose painting fails.
class FailingPaint : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int paints = 0;

protected:
    void Paint() override
    {
        ++paints;
        throw EInvalidOperation("Falha ao pintar");
    }
};

} // namespace

TEST_F(ApplicationTest, AnExceptionFromAHandlerIsShownCaptionedWithTheTitle)
{
    ASSERT_EQ(Application, &app);
    app.Dispatch(nullptr, [] { throw EInvalidGraphic("Unknown picture file extension (.txt)"); });
    EXPECT_EQ(captured.messages, (std::vector<Message>{{"Pictavo 2", "Unknown picture file extension (.txt)"}}));
}

TEST_F(ApplicationTest, TheSilentAbortShowsNothingAndOtherExceptionsShowTheirText)
{
    app.Dispatch(nullptr, [] { Abort(); });
    EXPECT_TRUE(captured.messages.empty());
    app.Dispatch(nullptr, [] { throw std::runtime_error("disco cheio"); });
    EXPECT_EQ(captured.messages, (std::vector<Message>{{"Pictavo 2", "disco cheio"}}));
}

TEST_F(ApplicationTest, OnExceptionTakesThePlaceOfTheMessage)
{
    TObject* seenSender = nullptr;
    std::string seenText;
    TComponent sender(nullptr);
    app.OnException = [&](TObject* s, const std::exception& e) {
        seenSender = s;
        seenText = e.what();
    };
    app.Dispatch(&sender, [] { throw EInOutError("File not found", 2); });
    EXPECT_EQ(seenSender, &sender);
    EXPECT_EQ(seenText, "File not found");
    EXPECT_TRUE(captured.messages.empty());
}

TEST_F(ApplicationTest, AnExceptionInAClickNeverLeavesTheWindowSystem)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 150);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 75, 25);
    int clicks = 0;
    button->OnClick = [&](TObject*) {
        ++clicks;
        throw EInvalidOperation("Invalid file name - C:\\x.bmp");
    };
    form.Show();
    QTest::mouseClick(button->Widget(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(captured.messages, (std::vector<Message>{{"Pictavo 2", "Invalid file name - C:\\x.bmp"}}));
}

TEST_F(ApplicationTest, AnExceptionWhilePaintingIsShownAfterThePaint)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 150);
    auto* control = new FailingPaint(&form);
    control->SetParent(&form);
    control->SetBounds(0, 0, 50, 50);
    form.Show();
    app.ProcessMessages();
    captured.messages.clear();
    const int before = control->paints;
    control->Widget()->repaint();
    EXPECT_GT(control->paints, before);
    // Nothing is shown from inside the paint; the message waits for the message loop.
    EXPECT_TRUE(captured.messages.empty());
    app.ProcessMessages();
    ASSERT_FALSE(captured.messages.empty());
    EXPECT_EQ(captured.messages[0], (Message{"Pictavo 2", "Falha ao pintar"}));
}

TEST_F(ApplicationTest, TerminateBeforeRunMakesRunReturnAtOnce)
{
    TForm* form = nullptr;
    app.CreateForm(form);
    EXPECT_EQ(app.MainForm(), form);
    TForm* second = nullptr;
    app.CreateForm(second);
    EXPECT_EQ(app.MainForm(), form);
    app.Terminate();
    app.Run();
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(form->Visible());
}

TEST_F(ApplicationTest, RunEndsWhenTheMainFormCloses)
{
    TForm* form = nullptr;
    app.CreateForm(form);
    bool closed = false;
    form->OnClose = [&](TObject*, TCloseAction& action) {
        closed = true;
        EXPECT_EQ(action, caHide);
    };
    QTimer::singleShot(0, [form] { form->Close(); });
    // A safety net so that a fault cannot hang the test run; it goes with the test.
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [this] { app.Terminate(); });
    safety.start(5000);
    app.Run();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(app.Terminated());
    EXPECT_TRUE(form->Visible());
}

TEST_F(ApplicationTest, WithoutShowMainFormRunShowsNothing)
{
    TForm* form = nullptr;
    app.CreateForm(form);
    app.SetShowMainForm(false);
    QTimer::singleShot(0, [this] { app.Terminate(); });
    app.Run();
    EXPECT_FALSE(form->Visible());
}

TEST_F(ApplicationTest, ShowMessageAndHookAfterEachHandledEvent)
{
    ShowMessage("Pronto");
    EXPECT_EQ(captured.messages, (std::vector<Message>{{"Pictavo 2", "Pronto"}}));
    int hooks = 0;
    THookSubscription hook = app.MessageHandled.Add([&] { ++hooks; });
    // Nested dispatches count once, at the outermost end.
    app.Dispatch(nullptr, [this] { app.Dispatch(nullptr, [] {}); });
    EXPECT_EQ(hooks, 1);
    hook.Reset();
    app.Dispatch(nullptr, [] {});
    EXPECT_EQ(hooks, 1);
}

TEST_F(ApplicationTest, AFailingHookIsReportedAndTheOthersStillRun)
{
    std::vector<std::string> ran;
    const THookSubscription failing = app.MessageHandled.Add([&] {
        ran.push_back("failing");
        throw EInvalidOperation("Gancho quebrado");
    });
    const THookSubscription next = app.MessageHandled.Add([&] { ran.push_back("next"); });
    app.Dispatch(nullptr, [] {});
    EXPECT_EQ(ran, (std::vector<std::string>{"failing", "next"}));
    EXPECT_EQ(captured.messages, (std::vector<Message>{{"Pictavo 2", "Gancho quebrado"}}));
}

TEST_F(ApplicationTest, MessageHooksSeeInputBeforeItsWindowAndMaySwallowIt)
{
    TForm form(nullptr);
    form.SetClientSize(200, 100);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 80, 25);
    form.Show();
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    std::vector<std::string> seen;
    bool swallow = false;
    THookSubscription hook = app.MessageHooks.Add([&](TMessage& message) {
        if (message.kind == TMessageKind::MouseDown) {
            const TPoint at = button->ClientToScreen({5, 6});
            seen.push_back("down at (5, 6): " + std::to_string(message.screenPos == at) + " on button: " +
                           std::to_string(message.control == button));
        } else if (message.kind == TMessageKind::KeyDown) {
            seen.push_back("key " + message.text + " " + std::to_string(message.key));
        }
        message.handled = swallow;
    });
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 6));
    QTest::keyClick(button->Widget(), Qt::Key_A);
    EXPECT_EQ(clicks, 1);
    swallow = true;
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 6));
    EXPECT_EQ(clicks, 1);
    hook.Reset();
    EXPECT_EQ(seen, (std::vector<std::string>{"down at (5, 6): 1 on button: 1", "key a 65",
                                              "down at (5, 6): 1 on button: 1"}));
}

TEST(ApplicationAbsent, DispatchWithoutAnApplicationStillShowsTheMessage)
{
    ASSERT_EQ(Application, nullptr);
    CapturedMessages captured;
    DispatchEvent(nullptr, [] { throw EInvalidGraphic("Bitmap image is not valid"); });
    DispatchEvent(nullptr, [] { Abort(); });
    EXPECT_EQ(captured.messages, (std::vector<Message>{{"", "Bitmap image is not valid"}}));
}

TEST(ApplicationLook, ClassicStyleAndColoursAndTheHintPausesReachTheToolTips)
{
    const QString previousStyle = QApplication::style()->name();
    const QPalette previousPalette = QApplication::palette();
    {
        TApplication app;
        int argc = 0;
        app.Initialize(argc, nullptr);
        QStyle* style = QApplication::style();
        EXPECT_EQ(style->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 500);
        EXPECT_EQ(style->styleHint(QStyle::SH_ToolTip_FallAsleepDelay), 2500);
        app.SetHintPause(900);
        EXPECT_EQ(style->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 900);
        EXPECT_EQ(QApplication::palette().color(QPalette::Button), QColor(0xC0, 0xC0, 0xC0));
        EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor(0x00, 0x00, 0x80));

        TForm* form = nullptr;
        app.CreateForm(form);
        auto* button = new TButton(form);
        button->SetParent(form);
        button->SetShowHint(true);
        button->SetHint("Abrir");
        EXPECT_EQ(button->Widget()->toolTip(), "Abrir");
        EXPECT_EQ(button->Widget()->toolTipDuration(), 2500);
        app.SetHintHidePause(4000);
        EXPECT_EQ(button->Widget()->toolTipDuration(), 4000);

        // The window system's own widgets keep their settings in memory: nothing is written.
        QSettings settings(QSettings::UserScope, QStringLiteral("QtProject"));
        settings.setValue(QStringLiteral("FileDialog/lastVisited"), QStringLiteral("file:///tmp"));
        settings.sync();
        EXPECT_EQ(settings.status(), QSettings::AccessError);
        EXPECT_FALSE(QFileInfo::exists(settings.fileName())) << settings.fileName().toStdString();
        EXPECT_EQ(settings.value(QStringLiteral("FileDialog/lastVisited")).toString(), "file:///tmp");
    }
    QApplication::setStyle(previousStyle);
    QApplication::setPalette(previousPalette);
}
