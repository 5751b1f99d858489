// Showing forms, modally or not, and closing them.

#include "framework/forms.h"

#include "framework/application.h"
#include "framework/exceptions.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#include <iterator>

namespace {
constexpr auto visibleModal = "Cannot make a visible window modal";
} // namespace

void TForm::applyPosition()
{
    int left = Left();
    int top = Top();
    switch (m_position) {
    case poScreenCenter:
    case poDesktopCenter:
        left = (Screen->Width() - Width()) / 2;
        top = (Screen->Height() - Height()) / 2;
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
            left = (Screen->Width() - Width()) / 2;
            top = (Screen->Height() - Height()) / 2;
        }
        break;
    }
    default: return;
    }
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
    if (OnShow)
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
    m_modal = true;
    m_modalResult = mrNone;
    window->setWindowModality(Qt::ApplicationModal);
    QPointer<QWidget> guard(window);
    auto finish = [this, guard] {
        m_modal = false;
        if (guard)
            guard->setWindowModality(Qt::NonModal);
    };
    try {
        Show();
        while (true) {
            if (m_modalResult == mrNone) {
                // The application is ending: the form is not asked, as a form that refuses
                // to close would keep the loop going without a message ever being handled.
                if (Application && Application->Terminated()) {
                    m_modalResult = mrCancel;
                    break;
                }
                if (Application)
                    Application->HandleMessage();
                else
                    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            }
            if (m_modalResult != mrNone) {
                closeModal();
                if (m_modalResult != mrNone)
                    break;
            }
        }
        if (Visible())
            Hide();
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return m_modalResult;
}

void TForm::closeModal()
{
    try {
        TCloseAction action = caNone;
        if (CloseQuery()) {
            action = caHide;
            DoClose(action);
        }
        if (action == caNone)
            m_modalResult = mrNone;
        else if (action == caFree)
            Release();
    } catch (...) {
        m_modalResult = mrNone;
        HandleEscapingException(this);
    }
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
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
        m_modalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = m_formStyle == fsMDIChild ? caMinimize : caHide;
    DoClose(action);
    if (action == caNone)
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

