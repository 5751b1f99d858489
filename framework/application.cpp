#include "framework/application.h"

#include "framework/classic_look.h"
#include "framework/deferred_call.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/qt_bridge.h"
#include "platform/paths.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPalette>
#include <QSettings>
#include <QToolTip>

#include <algorithm>
#include <cstdio>

TApplication* Application = nullptr;

namespace {

constexpr auto unknownException = "Unknown exception";

thread_local int paintDepth = 0;

bool hasDisplay()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void defaultPresenter(const std::string& caption, const std::string& text)
{
    if (!hasDisplay()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

std::string captionText()
{
    return Application ? Application->Title() : std::string();
}

// Shows an exception: nothing for the silent abort, the application's OnException when set,
// otherwise its message.
void presentException(TObject* sender, const std::exception_ptr& error) noexcept
{
    try {
        try {
            std::rethrow_exception(error);
        } catch (const EAbort&) {
            return;
        } catch (const std::exception& e) {
            if (Application && Application->OnException) {
                Application->OnException(sender, e);
                return;
            }
            if (Application)
                Application->ShowException(e);
            else
                MessagePresenter()(captionText(), e.what());
        } catch (...) {
            MessagePresenter()(captionText(), unknownException);
        }
    } catch (...) {
        // A presenter or handler that fails has nowhere left to report to.
    }
}

// Shows the exception being handled, if any; one raised while painting is shown once the
// painting is over.
void showCurrentException(TObject* sender)
{
    std::exception_ptr error = std::current_exception();
    if (!error)
        return;
    if (PaintScope::Active()) {
        // Shown once the painting is over, through the error handling again.
        CallSoon([error] { std::rethrow_exception(error); });
        return;
    }
    presentException(sender, error);
}

// Shows the application's input messages to its message hooks before their windows see them.
class MessageHookFilter : public QObject {
public:
    explicit MessageHookFilter(TApplication& application) : m_application(application) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (m_application.MessageHooks.Empty() || !watched->isWidgetType())
            return false;
        TMessage message;
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(e);
            message.kind = e->type() == QEvent::KeyPress ? TMessageKind::KeyDown : TMessageKind::KeyUp;
            message.key = framework_detail::virtualKey(*key);
            message.text = key->text().toStdString();
            message.shift = framework_detail::shiftState(key->modifiers(), Qt::NoButton);
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(e);
            message.kind = e->type() == QEvent::MouseButtonPress     ? TMessageKind::MouseDown
                           : e->type() == QEvent::MouseButtonRelease ? TMessageKind::MouseUp
                           : e->type() == QEvent::MouseMove          ? TMessageKind::MouseMove
                                                                     : TMessageKind::MouseDblClick;
            const QPoint at = mouse->globalPosition().toPoint();
            message.screenPos = {at.x(), at.y()};
            message.button = mouse->button() == Qt::RightButton    ? mbRight
                             : mouse->button() == Qt::MiddleButton ? mbMiddle
                                                                   : mbLeft;
            message.shift = framework_detail::shiftState(mouse->modifiers(), mouse->buttons());
            break;
        }
        default:
            return false;
        }
        message.control = framework_detail::controlOf(static_cast<QWidget*>(watched));
        m_application.MessageHooks.ForEach([&](const std::function<void(TMessage&)>& hook) {
            try {
                hook(message);
            } catch (...) {
                m_application.HandleException(&m_application);
            }
        });
        return message.handled;
    }

private:
    TApplication& m_application;
};

} // namespace

Seam<void(const std::string&, const std::string&)>& MessagePresenter()
{
    static Seam<void(const std::string&, const std::string&)> seam(defaultPresenter);
    return seam;
}

void SetMessagePresenter(TMessagePresenter presenter)
{
    MessagePresenter().Set(std::move(presenter));
}

void ShowMessage(const std::string& text)
{
    MessagePresenter()(captionText(), text);
}

void DispatchEvent(TObject* sender, const std::function<void()>& handler) noexcept
{
    if (Application) {
        Application->Dispatch(sender, handler);
        return;
    }
    try {
        handler();
    } catch (...) {
        HandleEscapingException(sender);
    }
}

void HandleEscapingException(TObject* sender) noexcept
{
    if (Application) {
        try {
            Application->HandleException(sender);
        } catch (...) {
        }
        return;
    }
    showCurrentException(sender);
}

PaintScope::PaintScope()
{
    ++paintDepth;
}

PaintScope::~PaintScope()
{
    --paintDepth;
}

bool PaintScope::Active()
{
    return paintDepth > 0;
}

// --- TApplication ---

PICTAVO_DEFINE_CLASS(TApplication, TComponent, nullptr, nullptr)

TApplication::TApplication(TComponent* owner) : TComponent(owner)
{
    if (!Application)
        Application = this;
    watchActivation();
}

TApplication::~TApplication()
{
    // Forms refer to the application while they go.
    DestroyComponents();
    if (Application == this)
        Application = nullptr;
}

void TApplication::Initialize(int& argc, char** argv)
{
    if (!QCoreApplication::instance()) {
        m_ownQtApplication = std::make_unique<QApplication>(argc, argv);
        watchActivation();
    }
    if (auto* gui = qobject_cast<QApplication*>(QCoreApplication::instance()))
        framework_detail::applyClassicLook(*gui);
    // The program writes no file but its own settings: the window system's widgets (the file
    // dialog's last folder and history) keep their state for the run only. Their settings file
    // lies where nothing can be made, so writing it fails quietly and the values stay in memory.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null/pictavo"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("/dev/null/pictavo"));
}

void TApplication::watchActivation()
{
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!gui)
        return;
    m_activationWatch = std::make_unique<QObject>();
    QObject::connect(gui, &QGuiApplication::applicationStateChanged, m_activationWatch.get(),
                     [this](Qt::ApplicationState state) {
        const bool active = state == Qt::ApplicationActive;
        if (active && OnActivate)
            Dispatch(this, [this] { OnActivate(this); });
        else if (!active && OnDeactivate)
            Dispatch(this, [this] { OnDeactivate(this); });
        Dispatch(this, [this, active] { ActivationListeners(active); });
    });
    m_messageFilter = std::make_unique<MessageHookFilter>(*this);
    gui->installEventFilter(m_messageFilter.get());
}

bool TApplication::Active() const
{
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return gui && QGuiApplication::applicationState() == Qt::ApplicationActive;
}

std::string TApplication::ExeName() const
{
    if (!QCoreApplication::instance())
        return {};
    const std::string native = QCoreApplication::applicationFilePath().toStdString();
    return platform::toDriveLetterPath(native).value_or(native);
}

void TApplication::formCreated(TForm* form)
{
    if (!m_mainForm)
        m_mainForm = form;
}


void TApplication::Run()
{
    if (!m_mainForm || m_terminated)
        return;
    if (m_showMainForm) {
        TForm* form = m_mainForm;
        Dispatch(this, [form] { form->Show(); });
    }
    if (m_terminated)
        return;
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
}

void TApplication::Terminate()
{
    const bool first = !m_terminated;
    m_terminated = true;
    if (m_loop)
        m_loop->quit();
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
    if (first)
        Terminating();
}

void TApplication::ProcessMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::Minimize()
{
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->Visible())
            Screen->Forms(i)->SetWindowState(wsMinimized);
}

void TApplication::Restore()
{
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->WindowState() == wsMinimized)
            Screen->Forms(i)->SetWindowState(wsNormal);
}

void TApplication::SetHintColor(TColor color)
{
    m_hintColor = color;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QPalette palette = QToolTip::palette();
        const platform::Colour rgb = ColorToRGB(color);
        palette.setColor(QPalette::ToolTipBase,
                         QColor(platform::redOf(rgb), platform::greenOf(rgb), platform::blueOf(rgb)));
        QToolTip::setPalette(palette);
    }
}

void TApplication::SetHintHidePause(int milliseconds)
{
    if (milliseconds == m_hintHidePause)
        return;
    m_hintHidePause = milliseconds;
    for (int i = 0; i < Screen->FormCount(); ++i)
        Screen->Forms(i)->UpdateHints();
}

void TApplication::SetShowHint(bool show)
{
    if (show == m_showHint)
        return;
    m_showHint = show;
    for (int i = 0; i < Screen->FormCount(); ++i)
        Screen->Forms(i)->UpdateHints();
}

void TApplication::HandleException(TObject* sender)
{
    showCurrentException(sender);
}

void TApplication::ShowException(const std::exception& error)
{
    const auto* exception = dynamic_cast<const Exception*>(&error);
    MessagePresenter()(m_title, exception ? exception->Message() : std::string(error.what()));
}

void TApplication::Dispatch(TObject* sender, const std::function<void()>& handler)
{
    ++m_dispatchDepth;
    try {
        handler();
    } catch (...) {
        HandleException(sender);
    }
    --m_dispatchDepth;
    if (m_dispatchDepth == 0)
        runMessageHandledHooks();
}

void TApplication::runMessageHandledHooks()
{
    MessageHandled.ForEach([this](const std::function<void()>& hook) {
        try {
            hook();
        } catch (...) {
            HandleException(this);
        }
    });
}
