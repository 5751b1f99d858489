#pragma once
// Forms (the program's windows) and the screen. A form's Width and Height are its outer size;
// this platform allows a fixed frame of 8 × 27 pixels (frame and caption), so the client area
// is the outer size less 8 × 27 (at least 1 × 1), less the menu bar when the form shows one.
// A window without a border has no frame allowance.
// A form is built from its window design (LoadDesign), which binds event handlers by name to
// the handlers the form registered.

#include "framework/control.h"
#include "framework/hook_list.h"
#include "platform/seam.h"

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QEventLoop;
class TMainMenu;

namespace framework_detail {
class MenuBarPresenter;
}

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
// Border styles of forms; panels and scroll boxes use the first two.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = unsigned;  // bits 1 << TBorderIcon
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// The frame allowance of this platform for framed windows: outer size less client size.
constexpr int frameAllowanceWidth = 8;
constexpr int frameAllowanceHeight = 27;
// The height of a form's menu bar.
constexpr int menuBarHeight = 19;

class TForm : public TWinControl {
    PICTAVO_CLASS(TForm)
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Reads the form's window design, then fires OnCreate. `design` is a design name (the Qt
    // resource ":/designs/<name>.json") or a file path (anything with "/" or ending ".json").
    void LoadDesign(const std::string& design);
    // Event handlers that designs bind by name ("FormClose"), compared without regard to case.
    void RegisterHandler(const std::string& name, std::any handler);
    template <class C, class R, class... A>
    void RegisterHandler(const std::string& name, C* object, R (C::*method)(A...))
    {
        RegisterHandler(name, std::any(std::function<R(A...)>(
                                  [object, method](A... args) { return (object->*method)(std::forward<A>(args)...); })));
    }
    const std::any* FindHandler(std::string_view name) const;

    int ClientWidth() const override;
    int ClientHeight() const override;
    // The window system keeps a window within the work area (the screen less the desktop's
    // panels), however large its contents ask it to be: wider or taller bounds stop at the work
    // area's size, and a window being shown is moved into it.
    void SetBounds(int left, int top, int width, int height) override;
    void SetClientSize(int width, int height) override;
    // Outer size less the client area's: 8 × 27 for a framed window, nothing without a border.
    virtual TSize FrameAllowance() const;
    QWidget* ClientWidget() const override;
    TCanvas* Canvas() const;

    void SetVisible(bool visible) override;
    // Shows the form and handles messages until ModalResult is set and the form may close;
    // returns the result. Raises "Cannot make a visible window modal" for a visible form. Runs
    // through ShowModalSeam, which tests replace so that nothing waits for a user.
    TModalResult ShowModal();
    // The modal loop itself (what the seam runs by default).
    TModalResult RunModal();
    // Asks OnCloseQuery, then OnClose with the action (hide by default); closing the main form
    // ends the application. A modal form only sets ModalResult to mrCancel.
    void Close();
    bool CloseQuery();
    // Frees the form once whatever runs now has returned (see ReleaseSoon).
    void Release();
    TModalResult ModalResult() const { return m_modalResult; }
    // A result other than mrNone ends the modal loop's wait: the form is asked to close.
    void SetModalResult(TModalResult result);
    bool IsModal() const { return m_modal; }

    TPosition Position() const { return m_position; }
    void SetPosition(TPosition position) { m_position = position; }
    TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return m_borderIcons; }
    void SetBorderIcons(TBorderIcons icons);
    TFormStyle FormStyle() const { return m_formStyle; }
    void SetFormStyle(TFormStyle style);
    TWindowState WindowState() const { return m_windowState; }
    void SetWindowState(TWindowState state);
    // The outer rectangle of the window in its normal state, kept while it is maximised or
    // minimised. Setting it moves the window at once in the normal state, otherwise when it is
    // restored.
    TRect NormalBounds() const { return m_normalBounds; }
    void SetNormalBounds(const TRect& bounds);

    TWinControl* ActiveControl() const { return m_activeControl; }
    // Raises "Cannot focus a disabled or invisible window" for a control that cannot take focus.
    void SetActiveControl(TWinControl* control);
    void FocusControl(TWinControl* control);
    TMainMenu* Menu() const { return m_menu; }
    void SetMenu(TMainMenu* menu);
    // Whether the form shows its menu as a menu bar of its own (a menu bar toolbar turns it off).
    bool NativeMenuVisible() const { return m_nativeMenuVisible; }
    void SetNativeMenuVisible(bool visible);
    bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool preview) { m_keyPreview = preview; }

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnPaint;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    // Components that follow their form's life (placement storage) listen here and leave the
    // form's own handlers as they were assigned: the show listeners run before OnShow, the
    // close-query listeners after OnCloseQuery (they see its answer, and may change it), the
    // destroy listeners before OnDestroy.
    THookList<void(TForm&)> ShowListeners;
    THookList<void(TForm&, bool& canClose)> CloseQueryListeners;
    THookList<void(TForm&)> DestroyListeners;

    // Fires OnCreate; LoadDesign calls it.
    void DoCreate();
    // Fires OnDestroy once. Forms whose OnDestroy handlers use members of a derived class call it
    // first thing in their own destructor; ~TForm calls it otherwise.
    void DoDestroy();
    bool IsFormDestroying() const { return m_formDestroying; }

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

    // Window-system notifications (framework only).
    void WindowGeometryChanged();
    void ActiveControlEntered(TWinControl* control);
    // Enter clicks the default button (or the focused button), Esc the cancel button; returns
    // whether a button took the key.
    bool DialogKey(unsigned short key, TShiftState shift);
    bool PaintsItself() const override { return true; }
    void PaintWidget(QPainter& painter) override;
    void Activate();
    void Deactivate();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void TextChanged() override;
    void UpdateWidgetGeometry() override;
    void UpdateWidgetVisibility() override;
    virtual void Paint();
    virtual void DoClose(TCloseAction& action);
    virtual void DoShow();
    virtual void DoHide();

private:
    int menuHeight() const;
    void applyWindowFlags();
    void applyPosition();
    void closeModal();
    void layoutWindow();

    QWidget* m_client = nullptr;
    std::unique_ptr<TControlCanvas> m_canvas;
    std::unique_ptr<framework_detail::MenuBarPresenter> m_menuBar;
    std::vector<std::pair<std::string, std::any>> m_handlers;
    TPosition m_position = poDesigned;
    TFormBorderStyle m_borderStyle = bsSizeable;
    TBorderIcons m_borderIcons = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
    TFormStyle m_formStyle = fsNormal;
    TWindowState m_windowState = wsNormal;
    TRect m_normalBounds{0, 0, 0, 0};
    TComponentRef<TWinControl> m_activeControl;
    TComponentRef<TMainMenu> m_menu;
    bool m_nativeMenuVisible = true;
    bool m_keyPreview = false;
    TModalResult m_modalResult = mrNone;
    bool m_modal = false;
    QEventLoop* m_modalLoop = nullptr;
    bool m_showAfterLoading = false;
    bool m_destroyFired = false;
    bool m_formDestroying = false;
    bool m_applyingGeometry = false;
};

// The screen: its size, its forms, and the cursor shown over the whole application.
class TScreen {
public:
    int Width() const;
    int Height() const;
    int PixelsPerInch() const;
    // The screen less the task bar.
    TRect WorkAreaRect() const;
    int FormCount() const { return int(m_forms.size()); }
    TForm* Forms(int index) const { return m_forms[std::size_t(index)]; }
    TForm* ActiveForm() const;
    // crDefault shows each control's own cursor.
    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor cursor);

private:
    friend class TForm;
    std::vector<TForm*> m_forms;
    TCursor m_cursor = crDefault;
};

extern TScreen* const Screen;

// The seam behind TForm::ShowModal.
Seam<TModalResult(TForm&)>& ShowModalSeam();
// Modal results by name as designs write them ("mrOk"), compared without regard to case.
bool IdentToModalResult(std::string_view ident, TModalResult& result);
