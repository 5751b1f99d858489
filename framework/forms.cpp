#include "framework/forms.h"

#include "framework/application.h"
#include "framework/deferred_call.h"
#include "framework/design_reader.h"
#include "framework/exceptions.h"
#include "framework/menu_bar.h"
#include "framework/menus.h"
#include "framework/qt_bridge.h"
#include "framework/scope_exit.h"
#include "framework/std_controls.h"
#include "platform/display.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>

#include <algorithm>

using namespace framework_detail;

namespace {

constexpr auto cannotFocus = "Cannot focus a disabled or invisible window";

TScreen screenInstance;

// The window of a form: its frame, caption and menu bar around the client widget. Mouse
// events and painting belong to the client widget.
class FormWindow : public ControlWidget<QWidget> {
public:
    using ControlWidget<QWidget>::ControlWidget;

protected:
    bool event(QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Paint:
            return QWidget::event(e);
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            if (auto* form = dynamic_cast<TForm*>(m_control); form && form->AcceptsEvents()) {
                const bool activate = e->type() == QEvent::WindowActivate;
                DispatchEvent(form, [form, activate] { activate ? form->Activate() : form->Deactivate(); });
            }
            return QWidget::event(e);
        default:
            return ControlWidget<QWidget>::event(e);
        }
    }
    void paintEvent(QPaintEvent* e) override { QWidget::paintEvent(e); }
};

} // namespace

TScreen* const Screen = &screenInstance;

PICTAVO_DEFINE_CLASS(TForm, TWinControl, nullptr, createComponentOf<TForm>)

TForm::TForm(TComponent* owner) : TWinControl(owner, DeferWidget{}), m_canvas(std::make_unique<TControlCanvas>(this))
{
    // A form starts hidden; the program shows it.
    TControl::SetVisible(false);
    SetColor(clBtnFace);
    auto* window = new FormWindow(this);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_client = new ControlWidget<QWidget>(this, window);
    m_client->setAutoFillBackground(true);
    SetBounds(0, 0, 320, 240);
    SetWidget(window);
    applyWindowFlags();
    Screen->m_forms.push_back(this);
}

TForm::~TForm()
{
    // A modal loop showing the form ends with it.
    if (m_modalLoop)
        m_modalLoop->exit();
    DoDestroy();
    m_formDestroying = true;
    auto& forms = Screen->m_forms;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    m_menuBar.reset();
    // Owned components go while the window they sit in still exists.
    DestroyComponents();
    if (auto* host = dynamic_cast<ControlHost*>(m_client))
        host->detachControl();
}

void TForm::LoadDesign(const std::string& design)
{
    ReadDesign(*this, design, [this](std::string_view name) { return FindHandler(name); });
    DoCreate();
}

void TForm::RegisterHandler(const std::string& name, std::any handler)
{
    for (auto& entry : m_handlers)
        if (SameText(entry.first, name)) {
            entry.second = std::move(handler);
            return;
        }
    m_handlers.emplace_back(name, std::move(handler));
}

const std::any* TForm::FindHandler(std::string_view name) const
{
    for (const auto& entry : m_handlers)
        if (SameText(entry.first, name))
            return &entry.second;
    return nullptr;
}

// --- geometry ---

TSize TForm::FrameAllowance() const
{
    if (m_borderStyle == bsNone)
        return {0, 0};
    return {frameAllowanceWidth, frameAllowanceHeight};
}

int TForm::menuHeight() const
{
    return m_menuBar && m_nativeMenuVisible ? menuBarHeight : 0;
}

int TForm::ClientWidth() const
{
    return std::max(1, Width() - FrameAllowance().cx);
}

int TForm::ClientHeight() const
{
    return std::max(1, Height() - FrameAllowance().cy - menuHeight());
}

void TForm::SetBounds(int left, int top, int width, int height)
{
    const TRect work = Screen->WorkAreaRect();
    TWinControl::SetBounds(left, top, std::min(width, work.width()), std::min(height, work.height()));
    if (m_windowState == wsNormal)
        m_normalBounds = BoundsRect();
}

void TForm::SetNormalBounds(const TRect& bounds)
{
    m_normalBounds = bounds;
    if (m_windowState == wsNormal)
        SetBounds(bounds.left, bounds.top, bounds.width(), bounds.height());
}

void TForm::SetClientSize(int width, int height)
{
    SetBounds(Left(), Top(), width + FrameAllowance().cx, height + FrameAllowance().cy + menuHeight());
}

QWidget* TForm::ClientWidget() const
{
    return m_client;
}

void TForm::UpdateWidgetGeometry()
{
    QWidget* window = Widget();
    if (!window)
        return;
    m_applyingGeometry = true;
    // For a window, the position is that of its frame and the size that of its inside.
    window->move(Left(), Top());
    const int width = std::max(1, Width() - FrameAllowance().cx);
    const int height = std::max(1, Height() - FrameAllowance().cy);
    if (m_borderStyle == bsSizeable || m_borderStyle == bsSizeToolWin || m_borderStyle == bsNone) {
        window->setMinimumSize(0, 0);
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        const TSizeConstraints* c = Constraints();
        if (c->MinWidth() > 0 || c->MinHeight() > 0)
            window->setMinimumSize(std::max(0, c->MinWidth() - FrameAllowance().cx),
                                   std::max(0, c->MinHeight() - FrameAllowance().cy));
        if (c->MaxWidth() > 0 || c->MaxHeight() > 0)
            window->setMaximumSize(c->MaxWidth() > 0 ? std::max(1, c->MaxWidth() - FrameAllowance().cx) : QWIDGETSIZE_MAX,
                                   c->MaxHeight() > 0 ? std::max(1, c->MaxHeight() - FrameAllowance().cy) : QWIDGETSIZE_MAX);
        window->resize(width, height);
    } else {
        window->setFixedSize(width, height);
    }
    m_applyingGeometry = false;
    layoutWindow();
}

void TForm::layoutWindow()
{
    const int width = std::max(1, Width() - FrameAllowance().cx);
    const int height = std::max(1, Height() - FrameAllowance().cy);
    const int menu = menuHeight();
    if (m_menuBar)
        m_menuBar->widget()->setGeometry(0, 0, width, menu);
    if (m_client)
        m_client->setGeometry(0, menu, width, std::max(1, height - menu));
}

void TForm::WindowGeometryChanged()
{
    QWidget* window = Widget();
    if (!window || m_applyingGeometry)
        return;
    const TWindowState state = window->isMinimized() ? wsMinimized : window->isMaximized() ? wsMaximized : wsNormal;
    m_windowState = state;
    if (state == wsMinimized)
        return;
    const QPoint at = window->pos();
    const QSize size = window->size();
    const int width = size.width() + FrameAllowance().cx;
    const int height = size.height() + FrameAllowance().cy;
    if (at.x() == Left() && at.y() == Top() && width == Width() && height == Height())
        return;
    // The window system moved or sized the window: take its geometry as the form's.
    {
        m_applyingGeometry = true;
        ScopeExit applied([this] { m_applyingGeometry = false; });
        TControl::SetBounds(at.x(), at.y(), width, height);
        if (state == wsNormal)
            m_normalBounds = BoundsRect();
    }
    layoutWindow();
}

void TForm::UpdateWidgetVisibility()
{
    // The window is shown and hidden by SetVisible alone.
}

// --- window appearance ---

void TForm::applyWindowFlags()
{
    QWidget* window = Widget();
    if (!window)
        return;
    Qt::WindowFlags flags;
    switch (m_borderStyle) {
    case bsNone: flags = Qt::Window | Qt::FramelessWindowHint; break;
    case bsDialog: flags = Qt::Dialog; break;
    case bsToolWindow:
    case bsSizeToolWin: flags = Qt::Tool; break;
    default: flags = Qt::Window; break;
    }
    if (m_borderStyle != bsNone) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (m_borderIcons & (1u << biSystemMenu))
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        const bool dialogLike = m_borderStyle == bsDialog || m_borderStyle == bsToolWindow || m_borderStyle == bsSizeToolWin;
        if (!dialogLike && (m_borderIcons & (1u << biMinimize)))
            flags |= Qt::WindowMinimizeButtonHint;
        if (!dialogLike && (m_borderIcons & (1u << biMaximize)))
            flags |= Qt::WindowMaximizeButtonHint;
        if (m_borderIcons & (1u << biHelp))
            flags |= Qt::WindowContextHelpButtonHint;
    }
    if (m_formStyle == fsStayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    const bool shown = window->isVisible();
    window->setWindowFlags(flags);
    UpdateWidgetGeometry();
    if (shown)
        window->show();
}

void TForm::SetBorderStyle(TFormBorderStyle style)
{
    if (style == m_borderStyle)
        return;
    m_borderStyle = style;
    applyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons icons)
{
    if (icons == m_borderIcons)
        return;
    m_borderIcons = icons;
    applyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle style)
{
    if (style == m_formStyle)
        return;
    m_formStyle = style;
    applyWindowFlags();
}

void TForm::SetWindowState(TWindowState state)
{
    m_windowState = state;
    QWidget* window = Widget();
    if (!window || !Visible())
        return;
    m_applyingGeometry = true;
    switch (state) {
    case wsNormal: window->showNormal(); break;
    case wsMinimized: window->showMinimized(); break;
    case wsMaximized: window->showMaximized(); break;
    }
    m_applyingGeometry = false;
    WindowGeometryChanged();
    // Back in the normal state, the window takes the rectangle it had (or was given) there.
    if (m_windowState == wsNormal && m_normalBounds.width() > 0 && BoundsRect() != m_normalBounds)
        SetBounds(m_normalBounds.left, m_normalBounds.top, m_normalBounds.width(), m_normalBounds.height());
}

void TForm::TextChanged()
{
    if (Widget())
        Widget()->setWindowTitle(qString(Caption()));
}

TCanvas* TForm::Canvas() const
{
    return m_canvas.get();
}

void TForm::PaintWidget(QPainter& painter)
{
    m_canvas->Lock();
    m_canvas->BeginPaint(painter);
    ScopeExit painted([this] {
        m_canvas->EndPaint();
        m_canvas->Unlock();
    });
    Paint();
}

void TForm::Paint()
{
    if (OnPaint)
        OnPaint(this);
}

// --- releasing and lifetime events ---

void TForm::Release()
{
    // A form freed meanwhile (or by an earlier release) is not freed again.
    ReleaseSoon(*this);
}

void TForm::DoCreate()
{
    if (OnCreate)
        OnCreate(this);
}

void TForm::DoDestroy()
{
    if (m_destroyFired)
        return;
    m_destroyFired = true;
    DispatchEvent(this, [this] { DestroyListeners(*this); });
    if (OnDestroy)
        DispatchEvent(this, [this] { OnDestroy(this); });
}

void TForm::Activate()
{
    if (OnActivate)
        OnActivate(this);
}

void TForm::Deactivate()
{
    if (OnDeactivate)
        OnDeactivate(this);
}

// --- focus, menu, keys ---

void TForm::SetActiveControl(TWinControl* control)
{
    if (control == m_activeControl)
        return;
    if (control && (control == this || GetParentForm(control) != this || (!IsLoading() && !control->CanFocus())))
        throw EInvalidOperation(cannotFocus);
    m_activeControl = control;
    if (!IsLoading() && control && Visible() && control->Widget())
        control->Widget()->setFocus(Qt::OtherFocusReason);
}

void TForm::FocusControl(TWinControl* control)
{
    SetActiveControl(control);
    if (control && control->Widget())
        control->Widget()->setFocus(Qt::OtherFocusReason);
}

void TForm::ActiveControlEntered(TWinControl* control)
{
    if (control == m_activeControl || control == this)
        return;
    m_activeControl = control;
}

void TForm::SetMenu(TMainMenu* menu)
{
    if (menu == m_menu)
        return;
    if (m_menu)
        RemoveFreeNotification(m_menu);
    m_menu = menu;
    m_menuBar.reset();
    if (menu) {
        FreeNotification(menu);
        m_menuBar = std::make_unique<MenuBarPresenter>(Widget(), menu);
        m_menuBar->widget()->setVisible(m_nativeMenuVisible);
    }
    layoutWindow();
    Realign();
}

void TForm::SetNativeMenuVisible(bool visible)
{
    if (visible == m_nativeMenuVisible)
        return;
    m_nativeMenuVisible = visible;
    if (m_menuBar)
        m_menuBar->widget()->setVisible(visible);
    layoutWindow();
    Realign();
}

bool TForm::DialogKey(unsigned short key, TShiftState)
{
    if (key != VK_RETURN && key != VK_ESCAPE)
        return false;
    // The focused button answers Enter itself.
    if (key == VK_RETURN && m_activeControl && m_activeControl->Focused())
        if (auto* button = dynamic_cast<TButton*>(m_activeControl.get())) {
            button->Click();
            return true;
        }
    std::vector<TWinControl*> pending{this};
    while (!pending.empty()) {
        TWinControl* container = pending.back();
        pending.pop_back();
        for (int i = 0; i < container->ControlCount(); ++i) {
            TControl* child = container->Controls(i);
            if (!child->Visible() || !child->Enabled())
                continue;
            if (auto* button = dynamic_cast<TButton*>(child)) {
                if ((key == VK_RETURN && button->Default()) || (key == VK_ESCAPE && button->Cancel())) {
                    button->Click();
                    return true;
                }
            } else if (auto* win = dynamic_cast<TWinControl*>(child)) {
                pending.push_back(win);
            }
        }
    }
    return false;
}

void TForm::Loaded()
{
    TWinControl::Loaded();
    if (m_showAfterLoading) {
        m_showAfterLoading = false;
        Show();
    }
}

void TForm::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    // The menu went: its menu bar goes with it.
    if (operation == TOperation::opRemove && !m_menu && m_menuBar) {
        m_menuBar.reset();
        if (!m_formDestroying) {
            layoutWindow();
            Realign();
        }
    }
}

const PropertyTable* TForm::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TForm::ClassProperties()
{
    static const PropertyTable table(&TWinControl::ClassProperties(), {
        props::component<TForm, TWinControl>("ActiveControl", &TForm::ActiveControl, &TForm::SetActiveControl),
        props::set<TForm, TBorderIcons>("BorderIcons", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"},
                                        &TForm::BorderIcons, &TForm::SetBorderIcons),
        props::enumeration<TForm, TFormBorderStyle>(
            "BorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
            &TForm::BorderStyle, &TForm::SetBorderStyle),
        props::string<TForm>("Caption", &TForm::Caption, &TForm::SetCaption),
        props::integer<TForm, int>("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight),
        props::integer<TForm, int>("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth),
        props::enumeration<TForm, TFormStyle>("FormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"},
                                              &TForm::FormStyle, &TForm::SetFormStyle),
        props::boolean<TForm>("KeyPreview", &TForm::KeyPreview, &TForm::SetKeyPreview),
        props::component<TForm, TMainMenu>("Menu", &TForm::Menu, &TForm::SetMenu),
        props::enumeration<TForm, TPosition>(
            "Position", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                         "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"},
            &TForm::Position, &TForm::SetPosition),
        props::enumeration<TForm, TWindowState>("WindowState", {"wsNormal", "wsMinimized", "wsMaximized"},
                                                &TForm::WindowState, &TForm::SetWindowState),
        props::event<TForm, TNotifyEvent>("OnActivate", &TForm::OnActivate),
        props::event<TForm, TCloseEvent>("OnClose", &TForm::OnClose),
        props::event<TForm, TCloseQueryEvent>("OnCloseQuery", &TForm::OnCloseQuery),
        props::event<TForm, TNotifyEvent>("OnCreate", &TForm::OnCreate),
        props::event<TForm, TNotifyEvent>("OnDeactivate", &TForm::OnDeactivate),
        props::event<TForm, TNotifyEvent>("OnDestroy", &TForm::OnDestroy),
        props::event<TForm, TNotifyEvent>("OnHide", &TForm::OnHide),
        props::event<TForm, TNotifyEvent>("OnPaint", &TForm::OnPaint),
        props::event<TForm, TNotifyEvent>("OnShow", &TForm::OnShow),
    });
    return table;
}

// --- TScreen ---

int TScreen::Width() const
{
    return platform::displayInfo().pixels.cx;
}

int TScreen::Height() const
{
    return platform::displayInfo().pixels.cy;
}

int TScreen::PixelsPerInch() const
{
    return platform::displayInfo().logicalDpiY;
}

TRect TScreen::WorkAreaRect() const
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return tRect(screen->availableGeometry());
    return TRect{0, 0, Width(), Height()};
}

TForm* TScreen::ActiveForm() const
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    QWidget* active = QApplication::activeWindow();
    return active ? dynamic_cast<TForm*>(controlOf(active)) : nullptr;
}

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == m_cursor)
        return;
    const bool hadOverride = m_cursor != crDefault;
    m_cursor = cursor;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (hadOverride)
        QGuiApplication::restoreOverrideCursor();
    if (cursor != crDefault)
        QGuiApplication::setOverrideCursor(QCursor(cursorShape(cursor)));
}
