#include "framework/application.h"
#include "framework/ext_controls.h"
#include "framework/forms.h"
#include "framework/std_controls.h"
#include "framework/timer.h"

#include "support/test_support.h"

#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QPointer>
#include <QTabBar>
#include <QTest>
#include <QThread>

#include <algorithm>

TEST(Label, AutoSizeFitsTheTextAndKeepsTheRightEdgeWhenRightAligned)
{
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetBounds(100, 10, 65, 17);
    label->SetCaption("Arquivos");
    const int oneLine = label->Height();
    EXPECT_GT(label->Width(), 0);
    EXPECT_GT(oneLine, 0);
    // The access mark takes no room.
    const int width = label->Width();
    label->SetCaption("&Arquivos");
    EXPECT_EQ(label->Width(), width);
    label->SetShowAccelChar(false);
    EXPECT_GT(label->Width(), width);
    label->SetShowAccelChar(true);

    label->SetAlignment(taRightJustify);
    const int right = label->Left() + label->Width();
    label->SetCaption("Arquivos Gr\xC3\xA1" "ficos");
    EXPECT_GT(label->Width(), width);
    EXPECT_EQ(label->Left() + label->Width(), right);

    // Two lines are twice as high as one.
    label->SetCaption("um\ndois");
    EXPECT_EQ(label->Height(), 2 * oneLine);

    label->SetAutoSize(false);
    label->SetBounds(0, 0, 65, 17);
    label->SetCaption("Um texto bem mais comprido que o r\xC3\xB3tulo");
    EXPECT_EQ(label->Width(), 65);
    EXPECT_EQ(label->Height(), 17);
}

TEST(Button, AClickGivesTheFormTheButtonsModalResultFirst)
{
    TForm form(nullptr);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetModalResult(mrOk);
    TModalResult seen = mrNone;
    button->OnClick = [&](TObject*) { seen = form.ModalResult(); };
    button->Click();
    EXPECT_EQ(seen, mrOk);
    button->SetCaption("OK");
    EXPECT_EQ(button->Caption(), "OK");
}

TEST(PageControl, TabClicksAskOnChangingAndMayBeRefused)
{
    TApplication app;
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto* pages = new TPageControl(&form);
    pages->SetParent(&form);
    pages->SetAlign(alClient);
    pages->SetTabPosition(tpBottom);
    auto* first = new TTabSheet(&form);
    first->SetPageControl(pages);
    first->SetCaption("&Imagem");
    auto* second = new TTabSheet(&form);
    second->SetPageControl(pages);
    second->SetCaption("Detalhes");
    EXPECT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->ActivePage(), first);
    EXPECT_FALSE(second->Visible());

    auto* bar = pages->Widget()->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->tabText(0), "&Imagem");
    // Tabs at the bottom: the pages start at the top.
    EXPECT_EQ(pages->DisplayRect().top, 4);

    bool allow = false;
    int changes = 0;
    pages->OnChanging = [&](TObject*, bool& allowChange) { allowChange = allow; };
    pages->OnChange = [&](TObject*) { ++changes; };
    bar->setCurrentIndex(1);
    EXPECT_EQ(pages->ActivePage(), first);
    EXPECT_EQ(bar->currentIndex(), 0);
    EXPECT_EQ(changes, 0);
    allow = true;
    bar->setCurrentIndex(1);
    EXPECT_EQ(pages->ActivePage(), second);
    EXPECT_TRUE(second->Visible());
    EXPECT_FALSE(first->Visible());
    EXPECT_EQ(changes, 1);

    // A hidden tab leaves the strip; the caption change shows.
    first->SetTabVisible(false);
    EXPECT_EQ(bar->count(), 1);
    EXPECT_EQ(second->TabIndex(), 0);
    second->SetCaption("mar.jpg");
    EXPECT_EQ(bar->tabText(0), "mar.jpg");
    first->SetTabVisible(true);
    // Freeing the active page makes the next one active.
    delete second;
    EXPECT_EQ(pages->PageCount(), 1);
    EXPECT_EQ(pages->ActivePage(), first);
}

TEST(Timer, FiresThroughTheMessageLoopAndReportsFailures)
{
    TApplication app;
    std::vector<std::string> messages;
    Seam<void(const std::string&, const std::string&)>::Scoped capture(
        MessagePresenter(), [&](const std::string&, const std::string& text) { messages.push_back(text); });
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(1);
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        if (++ticks == 2)
            throw EInvalidOperation("Tique falhou");
    });
    // The deadline only keeps a fault from hanging the run.
    QDeadlineTimer deadline(10000);
    while (ticks < 2 && !deadline.hasExpired()) {
        app.ProcessMessages();
        QThread::msleep(1);
    }
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(messages, std::vector<std::string>{"Tique falhou"});
    timer.SetEnabled(false);
    const int stopped = ticks;
    app.ProcessMessages();
    EXPECT_EQ(ticks, stopped);
}

namespace {

QImage renderOf(TControl* control)
{
    return control->Widget()->grab().toImage();
}

QRgb rgbOf(TColor color)
{
    const platform::Colour c = ColorToRGB(color);
    return qRgb(platform::redOf(c), platform::greenOf(c), platform::blueOf(c));
}

// Records the order in which windows are made.
class WindowRecorder : public TPanel {
public:
    WindowRecorder(TComponent* owner, std::vector<std::string>& log) : TPanel(owner), m_log(log) {}

protected:
    void CreateWnd() override
    {
        TPanel::CreateWnd();
        m_log.push_back(Name());
    }

private:
    std::vector<std::string>& m_log;
};

} // namespace

TEST(Painting, APanelDrawsItsRaisedBevelAroundItsFace)
{
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 40, 20);
    form.Show();
    const QImage image = renderOf(panel);
    ASSERT_EQ(image.width(), 40);
    // Highlight on the top-left edge, shadow on the bottom-right one, the face inside.
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, rgbOf(clBtnHighlight) & 0xFFFFFF);
    EXPECT_EQ(image.pixel(39, 19) & 0xFFFFFF, rgbOf(clBtnShadow) & 0xFFFFFF);
    EXPECT_EQ(image.pixel(20, 10) & 0xFFFFFF, rgbOf(clBtnFace) & 0xFFFFFF);
    panel->SetBevelOuter(bvLowered);
    const QImage lowered = renderOf(panel);
    EXPECT_EQ(lowered.pixel(0, 0) & 0xFFFFFF, rgbOf(clBtnShadow) & 0xFFFFFF);
}

TEST(Painting, AnOpaqueLabelFillsItselfWithItsColour)
{
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 30, 15);
    label->SetColor(clRed);
    form.Show();
    EXPECT_EQ(renderOf(label).pixel(29, 14) & 0xFFFFFF, rgbOf(clRed) & 0xFFFFFF);
}

TEST(Inheritance, FontsColoursAndHintSettingsFollowTheParentUntilSetOwn)
{
    TApplication app;
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* label = new TLabel(&form);
    label->SetParent(panel);
    label->SetHint("Abrir arquivo|Abre um arquivo de imagem");
    form.Font()->SetName("Arial");
    EXPECT_EQ(label->Font()->Name(), "Arial");
    EXPECT_TRUE(label->ParentFont());
    label->Font()->SetHeight(-13);
    EXPECT_FALSE(label->ParentFont());
    form.Font()->SetHeight(-20);
    EXPECT_EQ(label->Font()->Height(), -13);
    EXPECT_EQ(panel->Font()->Height(), -20);

    // A label takes its parent's colour.
    panel->SetColor(clNavy);
    EXPECT_EQ(label->Color(), clNavy);

    // Hints show when the form asks for them; the tooltip is the short part.
    EXPECT_EQ(label->Widget()->toolTip().toStdString(), "");
    form.SetShowHint(true);
    EXPECT_TRUE(label->ShowHint());
    EXPECT_EQ(label->Widget()->toolTip().toStdString(), "Abrir arquivo");
    app.SetShowHint(false);
    EXPECT_EQ(label->Widget()->toolTip().toStdString(), "");
    app.SetShowHint(true);
    label->SetShowHint(false);
    EXPECT_FALSE(label->ParentShowHint());
    EXPECT_EQ(label->Widget()->toolTip().toStdString(), "");
}

TEST(Windows, AreMadeOnceParentFirstWhenTheFormIsShownOrAtOnceAfterwards)
{
    std::vector<std::string> log;
    TForm form(nullptr);
    auto* outer = new WindowRecorder(&form, log);
    outer->SetName("outer");
    outer->SetParent(&form);
    auto* inner = new WindowRecorder(&form, log);
    inner->SetName("inner");
    inner->SetParent(outer);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(inner->HandleAllocated());
    form.Show();
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "inner"}));
    form.Hide();
    form.Show();
    auto* late = new WindowRecorder(&form, log);
    late->SetName("late");
    late->SetParent(outer);
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "inner", "late"}));
    // Asking a parentless control for its window makes it at once.
    WindowRecorder alone(nullptr, log);
    alone.SetName("alone");
    EXPECT_EQ(alone.Handle(), alone.Widget());
    EXPECT_EQ(log.back(), "alone");
}

TEST(Mouse, APressAndReleaseInsideClicksAndADoubleClickDoubleClicks)
{
    TApplication app;
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 150);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 50, 50);
    std::vector<std::string> events;
    panel->OnClick = [&](TObject*) { events.push_back("click"); };
    panel->OnDblClick = [&](TObject*) { events.push_back("dblclick"); };
    panel->OnMouseDown = [&](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
        events.push_back("down " + std::to_string(button) + " " + std::to_string(x) + "," + std::to_string(y) +
                         ((shift & (1u << ssDouble)) ? " double" : ""));
    };
    panel->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("up"); };
    form.Show();
    QWidget* w = panel->Widget();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 6));
    EXPECT_EQ(events, (std::vector<std::string>{"down 0 5,6", "click", "up"}));
    events.clear();
    // Released outside: no click.
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 6));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(80, 6));
    EXPECT_EQ(events, (std::vector<std::string>{"down 0 5,6", "up"}));
    events.clear();
    QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(7, 8));
    ASSERT_FALSE(events.empty());
    EXPECT_NE(std::find(events.begin(), events.end(), "dblclick"), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "down 0 7,8 double"), events.end());
    // The right button presses but does not click.
    events.clear();
    QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
    EXPECT_EQ(events, (std::vector<std::string>{"down 1 1,1", "up"}));
}

TEST(Mouse, AControlFreedByItsDoubleClickHearsNothingMore)
{
    TApplication app;
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 150);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 50, 50);
    std::vector<std::string> events;
    panel->OnDblClick = [&](TObject*) {
        events.push_back("dblclick");
        delete panel;
    };
    panel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("down"); };
    form.Show();
    QPointer<QWidget> w = panel->Widget();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(7, 8), QPointF(17, 18), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(w, &dbl);
    EXPECT_EQ(events, (std::vector<std::string>{"dblclick"}));
    EXPECT_EQ(form.ControlCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}

TEST(Mouse, AButtonFreedByItsClickKeepsItsWidgetUntilTheClickIsDelivered)
{
    TApplication app;
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 150);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 80, 25);
    int clicks = 0;
    button->OnClick = [&](TObject*) {
        ++clicks;
        delete button;
    };
    form.Show();
    QPointer<QWidget> w = button->Widget();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.ControlCount(), 0);
    // The window system was still delivering the release: the widget left the form and hid,
    // and goes once the message loop comes round.
    ASSERT_FALSE(w.isNull());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->parent(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}
