// Showing forms, modally or not, and closing them.

#include "framework/forms.h"

#include "framework/application.h"
#include "framework/exceptions.h"
#include "framework/scope_exit.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <iterator>

namespace {
constexpr auto visibleModal = "Cannot make a visible window modal";
} // namespace

void TForm::applyPosition()
{
    const TRect work = Screen->WorkAreaRect();
    const auto centred = [&](int& left, int& top) {
        left = work.left + (work.width() - Width()) / 2;
        top = work.top + (work.height() - Height()) / 2;
    };
    int left = Left();
    int top = Top();
    switch (m_position) {
    case poScreenCenter:
    case poDesktopCenter:
        centred(left, top);
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        const TForm* around = m_position == poOwnerFormCenter ? dynamic_cast<const TForm*>(Owner()) : nullptr;
        if (!around && Application)
            around = Application->MainForm();
        if (around && around != this) {
            left = around->Left() + (around->Width() - Width()) / 2;
            top = around->Top() + (around->Height() - Height()) / 2;
        } else {
            centred(left, top);
        }
        break;
    }
    default: break;
    }
    // Nothing of the window lies outside the work area, where the desktop's panels are.
    left = std::max(work.left, std::min(left, work.right - Width()));
    top = std::max(work.top, std::min(top, work.bottom - Height()));
    if (left != Left() || top != Top())
        SetBounds(left, top, Width(), Height());
}

void TForm::SetVisible(bool visible)
{
    if (IsLoading()) {
        m_showAfterLoading = visible;
        return;
    }
    if (visible == Visible())
        return;
    QWidget* window = Widget();
    if (visible) {
        HandleNeeded();
        applyPosition();
        TControl::SetVisible(true);
        // Placement restored by OnShow comes before the window is first drawn.
        DispatchEvent(this, [this] { DoShow(); });
        if (!Visible() || !window)
            return;
        switch (m_windowState) {
        case wsMinimized: window->showMinimized(); break;
        case wsMaximized: window->showMaximized(); break;
        default: window->show(); break;
        }
        // Platforms without a window system (the offscreen one) cannot raise windows.
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            window->raise();
            window->activateWindow();
        }
        if (m_activeControl && m_activeControl->CanFocus() && m_activeControl->Widget())
            m_activeControl->Widget()->setFocus(Qt::OtherFocusReason);
    } else {
        TControl::SetVisible(false);
        if (window)
            window->hide();
        DispatchEvent(this, [this] { DoHide(); });
    }
}

void TForm::DoShow()
{
    TComponentRef<TForm> alive(this);
    ShowListeners(*this);
    if (alive && OnShow)
        OnShow(this);
}

void TForm::DoHide()
{
    if (OnHide)
        OnHide(this);
}

Seam<TModalResult(TForm&)>& ShowModalSeam()
{
    static Seam<TModalResult(TForm&)> seam([](TForm& form) { return form.RunModal(); });
    return seam;
}

bool IdentToModalResult(std::string_view ident, TModalResult& result)
{
    static const char* const names[] = {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry",
                                        "mrIgnore", "mrYes", "mrNo", "mrAll"};
    for (int i = 0; i < int(std::size(names)); ++i)
        if (SameText(names[i], ident)) {
            result = i;
            return true;
        }
    return false;
}

TModalResult TForm::ShowModal()
{
    if (Visible() || !Enabled() || m_modal)
        throw EInvalidOperation(visibleModal);
    return ShowModalSeam()(*this);
}

TModalResult TForm::RunModal()
{
    if (Visible() || !Enabled() || m_modal)
        throw EInvalidOperation(visibleModal);
    QWidget* window = Widget();
    TComponentRef<TForm> alive(this);
    QEventLoop loop;
    m_modal = true;
    m_modalResult = mrNone;
    m_modalLoop = &loop;
    window->setWindowModality(Qt::ApplicationModal);
    QPointer<QWidget> guard(window);
    ScopeExit finish([this, &alive, guard] {
        if (alive) {
            m_modalLoop = nullptr;
            m_modal = false;
        }
        if (guard)
            guard->setWindowModality(Qt::NonModal);
    });
    // The application is ending: the form is not asked, as a form that refuses to close would
    // keep the loop going with no message ever handled.
    const THookSubscription ending =
        Application ? Application->Terminating.Add([&loop] { loop.exit(); }) : THookSubscription();
    const auto terminated = [] { return Application && Application->Terminated(); };

    Show();
    while (alive) {
        if (m_modalResult == mrNone) {
            if (terminated()) {
                m_modalResult = mrCancel;
                break;
            }
            // Runs until a result is set, the form is freed or the application ends.
            loop.exec();
            continue;
        }
        closeModal();
        if (!alive || m_modalResult != mrNone)
            break;
    }
    // A form freed while it was up (with its owner, say) gives no result of its own.
    if (!alive)
        return mrCancel;
    if (Visible())
        Hide();
    return m_modalResult;
}

void TForm::closeModal()
{
    TComponentRef<TForm> alive(this);
    try {
        TCloseAction action = caNone;
        if (CloseQuery() && alive) {
            action = caHide;
            DoClose(action);
        }
        if (!alive)
            return;
        if (action == caNone)
            m_modalResult = mrNone;
        else if (action == caFree)
            Release();
    } catch (...) {
        if (alive)
            m_modalResult = mrNone;
        HandleEscapingException(alive);
    }
}

void TForm::SetModalResult(TModalResult result)
{
    m_modalResult = result;
    if (result != mrNone && m_modalLoop)
        m_modalLoop->exit();
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    TComponentRef<TForm> alive(this);
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    // A handler that freed the form has closed it for good.
    if (alive)
        CloseQueryListeners(*this, canClose);
    return canClose;
}

void TForm::DoClose(TCloseAction& action)
{
    if (OnClose)
        OnClose(this, action);
}

void TForm::Close()
{
    if (m_modal) {
        SetModalResult(mrCancel);
        return;
    }
    TComponentRef<TForm> alive(this);
    if (!CloseQuery() || !alive)
        return;
    TCloseAction action = m_formStyle == fsMDIChild ? caMinimize : caHide;
    DoClose(action);
    if (!alive || action == caNone)
        return;
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

