#pragma once
// The application object: title, main form, the message loop, and the one place where
// exceptions that escape event handlers are shown. Every event that reaches the framework from
// the window system runs its handler through Dispatch; an exception that escapes is passed to
// HandleException, which shows its message in a message box captioned with the title (the
// silent abort shows nothing) and lets the program go on.

#include "framework/canvas.h"
#include "framework/component.h"
#include "framework/hook_list.h"
#include "platform/seam.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TControl;
class TForm;
class QApplication;
class QEventLoop;
class QObject;

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& error)>;

// An input message on its way to a window of the application, as the message hooks see it.
enum class TMessageKind { KeyDown, KeyUp, MouseDown, MouseUp, MouseMove, MouseDblClick };
struct TMessage {
    TMessageKind kind = TMessageKind::MouseMove;
    // The control whose window receives the message; null for a window that shows no control.
    TControl* control = nullptr;
    // Mouse messages: the cursor on the screen and the button that went down or up.
    TPoint screenPos{0, 0};
    int button = 0;  // a TMouseButton
    // Key messages: the virtual key and the text it types.
    unsigned short key = 0;
    std::string text;
    unsigned shift = 0;  // a TShiftState
    // Set by a hook: the message goes no further.
    bool handled = false;
};
// Shows a message to the user: the caption of its box and its text.
using TMessagePresenter = std::function<void(const std::string& caption, const std::string& text)>;

class TApplication : public TComponent {
    PICTAVO_CLASS(TApplication)
public:
    // The first application object made becomes the global Application.
    explicit TApplication(TComponent* owner = nullptr);
    ~TApplication() override;

    // Makes the window system's application object when there is none yet. argc must outlive
    // the application object.
    void Initialize(int& argc, char** argv);

    std::string Title() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }
    // The program's file in drive-letter form.
    std::string ExeName() const;

    // The first form made by CreateForm; closing it ends Run.
    TForm* MainForm() const { return m_mainForm; }
    // Makes a form owned by the application and stores it in reference.
    template <class T>
    void CreateForm(T*& reference)
    {
        T* form = new T(this);
        reference = form;
        formCreated(form);
    }

    // Shows the main form (when ShowMainForm) and handles messages until Terminate. Returns at
    // once when there is no main form or Terminate was already asked for.
    void Run();
    void Terminate();
    bool Terminated() const { return m_terminated; }
    // Handles every pending message, then returns.
    void ProcessMessages();
    // Waits for at least one message and handles what is pending.
    void HandleMessage();
    // Minimises and restores every visible form.
    void Minimize();
    void Restore();
    // Whether one of the application's windows is the active window of the desktop.
    bool Active() const;

    bool ShowMainForm() const { return m_showMainForm; }
    void SetShowMainForm(bool show) { m_showMainForm = show; }

    // Hint settings, applied to every control's tooltip.
    TColor HintColor() const { return m_hintColor; }
    void SetHintColor(TColor color);
    int HintPause() const { return m_hintPause; }
    void SetHintPause(int milliseconds) { m_hintPause = milliseconds; }
    int HintShortPause() const { return m_hintShortPause; }
    void SetHintShortPause(int milliseconds) { m_hintShortPause = milliseconds; }
    int HintHidePause() const { return m_hintHidePause; }
    // How long a hint stays up; applied to every control's tool tip.
    void SetHintHidePause(int milliseconds);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);
    bool UpdateFormatSettings() const { return m_updateFormatSettings; }
    void SetUpdateFormatSettings(bool update) { m_updateFormatSettings = update; }
    bool UpdateMetricSettings() const { return m_updateMetricSettings; }
    void SetUpdateMetricSettings(bool update) { m_updateMetricSettings = update; }

    // Shows the exception being handled (call from a catch block): nothing for EAbort; OnException
    // when set; otherwise its message through the message presenter. Raised while painting, the
    // message is posted and shown once pending messages are processed.
    void HandleException(TObject* sender);
    void ShowException(const std::exception& error);
    // Runs an event handler; an exception that escapes goes to HandleException.
    void Dispatch(TObject* sender, const std::function<void()>& handler);

    // Run after every outermost dispatched event (surfaces give back their contexts then); a
    // listener that fails is reported and the others still run.
    THookList<void()> MessageHandled;
    // Run once when Terminate is asked for (modal loops end then).
    THookList<void()> Terminating;
    // See every input message of the application before its window does (pop-up menus and
    // drags install one while they run). A hook that fails is reported and the others still run.
    THookList<void(TMessage&)> MessageHooks;
    // Told when the application becomes active (true) or inactive (false).
    THookList<void(bool active)> ActivationListeners;

    TExceptionEvent OnException;
    // The application became active or inactive (its windows gained or lost the desktop's focus).
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

private:
    friend class TForm;
    void formCreated(TForm* form);
    void runMessageHandledHooks();
    void watchActivation();

    std::string m_title;
    TComponentRef<TForm> m_mainForm;
    bool m_terminated = false;
    bool m_showMainForm = true;
    TColor m_hintColor = clInfoBk;
    int m_hintPause = 500;
    int m_hintShortPause = 50;
    int m_hintHidePause = 2500;
    bool m_showHint = true;
    bool m_updateFormatSettings = true;
    bool m_updateMetricSettings = true;
    int m_dispatchDepth = 0;
    QEventLoop* m_loop = nullptr;
    std::unique_ptr<QApplication> m_ownQtApplication;
    std::unique_ptr<QObject> m_activationWatch;  // its connections go with the application
    std::unique_ptr<QObject> m_messageFilter;
};

// The application object, or null before one is made.
extern TApplication* Application;

// Replaces how messages are shown; an empty presenter restores the default: a modal message
// box with the error icon, or standard error when there is no display (no GUI application, or
// the offscreen platform).
void SetMessagePresenter(TMessagePresenter presenter);
// The seam behind SetMessagePresenter, for scoped replacement in tests.
Seam<void(const std::string&, const std::string&)>& MessagePresenter();
// Shows a text captioned with the application's title.
void ShowMessage(const std::string& text);

// Runs a handler for an event from the window system; works with or without an application
// object. Never lets an exception through.
void DispatchEvent(TObject* sender, const std::function<void()>& handler) noexcept;
// HandleException of the application object, or the default showing when there is none.
void HandleEscapingException(TObject* sender) noexcept;

// Marks the extent of a paint event: exceptions handled inside are shown after it.
class PaintScope {
public:
    PaintScope();
    ~PaintScope();
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    static bool Active();
};
