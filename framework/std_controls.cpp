#include "framework/std_controls.h"

#include "framework/application.h"
#include "framework/drawing.h"
#include "framework/qt_bridge.h"

#include <QPushButton>

using namespace framework_detail;

PICTAVO_DEFINE_CLASS(TLabel, TGraphicControl, nullptr, createComponentOf<TLabel>)
PICTAVO_DEFINE_CLASS(TPanel, TCustomControl, nullptr, createComponentOf<TPanel>)
PICTAVO_DEFINE_CLASS(TButton, TWinControl, nullptr, createComponentOf<TButton>)

namespace {
const unsigned alignmentFlags[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
}

// --- TLabel ---

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, 65, 17);
    SetParentColor(true);
}

void TLabel::SetAlignment(TAlignment alignment)
{
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    Invalidate();
}

void TLabel::SetAutoSize(bool autoSize)
{
    if (autoSize == m_autoSize)
        return;
    m_autoSize = autoSize;
    AdjustBounds();
}

void TLabel::SetLayout(TTextLayout layout)
{
    if (layout == m_layout)
        return;
    m_layout = layout;
    Invalidate();
}

void TLabel::SetShowAccelChar(bool show)
{
    if (show == m_showAccelChar)
        return;
    m_showAccelChar = show;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    Invalidate();
}

void TLabel::SetWordWrap(bool wrap)
{
    if (wrap == m_wordWrap)
        return;
    m_wordWrap = wrap;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetFocusControl(TWinControl* control)
{
    if (control == m_focusControl)
        return;
    m_focusControl = control;
}


std::string TLabel::GetLabelText() const
{
    return Caption();
}

unsigned TLabel::DrawTextFlags() const
{
    return DT_EXPANDTABS | (m_wordWrap ? unsigned(DT_WORDBREAK) : 0u) | alignmentFlags[m_alignment];
}

void TLabel::DoDrawText(TRect& rect, unsigned flags)
{
    std::string text = GetLabelText();
    // An empty caption (or a lone access mark) still measures one blank high.
    if ((flags & DT_CALCRECT) && (text.empty() || (m_showAccelChar && text == "&")))
        text += ' ';
    if (!m_showAccelChar)
        flags |= DT_NOPREFIX;
    TCanvas& canvas = *Canvas();
    canvas.Font().CopyFrom(Font());
    if (!Enabled()) {
        rect = rect.translated(1, 1);
        canvas.Font().SetColor(clBtnHighlight);
        DrawText(canvas, text, rect, flags);
        rect = rect.translated(-1, -1);
        canvas.Font().SetColor(clBtnShadow);
    }
    DrawText(canvas, text, rect, flags);
}

void TLabel::Paint()
{
    TCanvas& canvas = *Canvas();
    if (!m_transparent) {
        canvas.Brush().SetColor(Color());
        canvas.Brush().SetStyle(bsSolid);
        canvas.FillRect(ClientRect());
    }
    canvas.Brush().SetStyle(bsClear);
    TRect rect = ClientRect();
    const unsigned flags = DrawTextFlags();
    if (m_layout != tlTop) {
        TRect calc = rect;
        DoDrawText(calc, flags | DT_CALCRECT);
        const int offset = m_layout == tlBottom ? Height() - calc.bottom : (Height() - calc.bottom) / 2;
        rect = rect.translated(0, offset);
    }
    DoDrawText(rect, flags);
}

void TLabel::AdjustBounds()
{
    if (!m_autoSize || IsLoading())
        return;
    TRect rect = ClientRect();
    DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (m_wordWrap ? unsigned(DT_WORDBREAK) : 0u));
    int left = Left();
    if (m_alignment == taRightJustify)
        left += Width() - rect.right;
    SetBounds(left, Top(), rect.right, rect.bottom);
}

void TLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::TextChanged()
{
    TGraphicControl::TextChanged();
    AdjustBounds();
}

void TLabel::FontChanged()
{
    TGraphicControl::FontChanged();
    AdjustBounds();
}

const PropertyTable* TLabel::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TLabel::ClassProperties()
{
    static const PropertyTable table(&TControl::ClassProperties(), {
        props::enumeration<TLabel, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                               &TLabel::Alignment, &TLabel::SetAlignment),
        props::boolean<TLabel>("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize),
        props::string<TLabel>("Caption", &TLabel::Caption, &TLabel::SetCaption),
        props::component<TLabel, TWinControl>("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl),
        props::enumeration<TLabel, TTextLayout>("Layout", {"tlTop", "tlCenter", "tlBottom"}, &TLabel::Layout,
                                                &TLabel::SetLayout),
        props::boolean<TLabel>("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar),
        props::boolean<TLabel>("Transparent", &TLabel::Transparent, &TLabel::SetTransparent),
        props::boolean<TLabel>("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap),
    });
    return table;
}

// --- TPanel ---

TPanel::TPanel(TComponent* owner) : TCustomControl(owner)
{
    SetControlStyle(ControlStyle() | (1u << csAcceptsControls) | (1u << csOpaque));
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
}

void TPanel::layoutChanged()
{
    Realign();
    Invalidate();
}

void TPanel::SetAlignment(TAlignment alignment)
{
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut bevel)
{
    if (bevel == m_bevelInner)
        return;
    m_bevelInner = bevel;
    layoutChanged();
}

void TPanel::SetBevelOuter(TBevelCut bevel)
{
    if (bevel == m_bevelOuter)
        return;
    m_bevelOuter = bevel;
    layoutChanged();
}

void TPanel::SetBevelWidth(int width)
{
    if (width < 1 || width == m_bevelWidth)
        return;
    m_bevelWidth = width;
    layoutChanged();
}

void TPanel::SetBorderWidth(int width)
{
    if (width < 0 || width == m_borderWidth)
        return;
    m_borderWidth = width;
    layoutChanged();
}

void TPanel::SetBorderStyle(TBorderStyle style)
{
    if (style == m_borderStyle)
        return;
    m_borderStyle = style;
    layoutChanged();
}

void TPanel::AdjustClientRect(TRect& rect) const
{
    // A single border is a sunken edge two pixels wide.
    int inset = m_borderWidth + (m_borderStyle == bsSingle ? 2 : 0);
    if (m_bevelOuter != bvNone)
        inset += m_bevelWidth;
    if (m_bevelInner != bvNone)
        inset += m_bevelWidth;
    rect = TRect{rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset};
}

void TPanel::Paint()
{
    TCanvas& canvas = *Canvas();
    TRect rect = ClientRect();
    auto bevelColors = [](TBevelCut bevel, TColor& top, TColor& bottom) {
        top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TColor top;
    TColor bottom;
    if (m_borderStyle == bsSingle) {
        Frame3D(canvas, rect, clBtnShadow, clBtnHighlight, 1);
        Frame3D(canvas, rect, cl3DDkShadow, cl3DLight, 1);
    }
    if (m_bevelOuter != bvNone) {
        bevelColors(m_bevelOuter, top, bottom);
        Frame3D(canvas, rect, top, bottom, m_bevelWidth);
    }
    Frame3D(canvas, rect, Color(), Color(), m_borderWidth);
    if (m_bevelInner != bvNone) {
        bevelColors(m_bevelInner, top, bottom);
        Frame3D(canvas, rect, top, bottom, m_bevelWidth);
    }
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(rect);
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().CopyFrom(Font());
    const int fontHeight = canvas.TextHeight("W");
    rect.top = (rect.bottom + rect.top - fontHeight) / 2;
    rect.bottom = rect.top + fontHeight;
    DrawText(canvas, Caption(), rect, DT_EXPANDTABS | DT_VCENTER | alignmentFlags[m_alignment]);
}

void TPanel::TextChanged()
{
    Invalidate();
}

const PropertyTable* TPanel::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TPanel::ClassProperties()
{
    static const PropertyTable table(&TWinControl::ClassProperties(), {
        props::enumeration<TPanel, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                               &TPanel::Alignment, &TPanel::SetAlignment),
        props::enumeration<TPanel, TBevelCut>("BevelInner", {"bvNone", "bvLowered", "bvRaised", "bvSpace"},
                                              &TPanel::BevelInner, &TPanel::SetBevelInner),
        props::enumeration<TPanel, TBevelCut>("BevelOuter", {"bvNone", "bvLowered", "bvRaised", "bvSpace"},
                                              &TPanel::BevelOuter, &TPanel::SetBevelOuter),
        props::integer<TPanel, int>("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth),
        props::enumeration<TPanel, TBorderStyle>("BorderStyle", {"bsNone", "bsSingle"}, &TPanel::BorderStyle,
                                                 &TPanel::SetBorderStyle),
        props::integer<TPanel, int>("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth),
        props::string<TPanel>("Caption", &TPanel::Caption, &TPanel::SetCaption),
    });
    return table;
}

// --- TButton ---

TButton::TButton(TComponent* owner) : TWinControl(owner, DeferWidget{})
{
    auto* button = new ControlWidget<QPushButton>(this);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [this] { DispatchEvent(this, [this] { Click(); }); });
    SetControlStyle(1u << csSetCaption);
    SetColor(clBtnFace);
    SetWidget(button);
    SetBounds(0, 0, 75, 25);
    SetTabStop(true);
}

void TButton::SetDefault(bool isDefault)
{
    m_default = isDefault;
    if (auto* button = dynamic_cast<QPushButton*>(Widget()))
        button->setDefault(isDefault);
}

void TButton::Click()
{
    if (TForm* form = GetParentForm(this))
        form->SetModalResult(m_modalResult);
    TWinControl::Click();
}

void TButton::TextChanged()
{
    if (auto* button = dynamic_cast<QPushButton*>(Widget()))
        button->setText(qString(Caption()));
}

const PropertyTable* TButton::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TButton::ClassProperties()
{
    static const PropertyTable table(&TWinControl::ClassProperties(), {
        props::boolean<TButton>("Cancel", &TButton::Cancel, &TButton::SetCancel),
        props::string<TButton>("Caption", &TButton::Caption, &TButton::SetCaption),
        props::boolean<TButton>("Default", &TButton::Default, &TButton::SetDefault),
        props::integer<TButton, TModalResult>("ModalResult", &TButton::ModalResult, &TButton::SetModalResult),
    });
    return table;
}
