// Controls that paint themselves through a canvas, and the canvas that draws on a control.

#include "framework/control.h"

#include "framework/qt_bridge.h"
#include "framework/scope_exit.h"
#include "platform/device_context.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

using namespace framework_detail;

namespace {

// Paints a control through its canvas, locked, between BeginPaint and EndPaint.
template <class Paint>
void paintThrough(TControlCanvas& canvas, QPainter& painter, Paint&& paint)
{
    canvas.Lock();
    canvas.BeginPaint(painter);
    ScopeExit painted([&canvas] {
        canvas.EndPaint();
        canvas.Unlock();
    });
    paint();
}

} // namespace

// --- TGraphicControl ---

PICTAVO_DEFINE_CLASS(TGraphicControl, TControl, nullptr, nullptr)

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), m_canvas(std::make_unique<TControlCanvas>(this))
{
    SetWidget(new ControlWidget<QWidget>(this));
}

TGraphicControl::~TGraphicControl() = default;

TCanvas* TGraphicControl::Canvas() const
{
    return m_canvas.get();
}

void TGraphicControl::PaintWidget(QPainter& painter)
{
    paintThrough(*m_canvas, painter, [this] { Paint(); });
}

void TGraphicControl::Paint() {}

// --- TCustomControl ---

PICTAVO_DEFINE_CLASS(TCustomControl, TWinControl, nullptr, nullptr)

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), m_canvas(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::TCustomControl(TComponent* owner, DeferWidget)
    : TWinControl(owner, DeferWidget{}), m_canvas(std::make_unique<TControlCanvas>(this))
{
}

TCustomControl::~TCustomControl() = default;

TCanvas* TCustomControl::Canvas() const
{
    return m_canvas.get();
}

void TCustomControl::PaintWidget(QPainter& painter)
{
    paintThrough(*m_canvas, painter, [this] { Paint(); });
}

void TCustomControl::Paint() {}

// --- TControlCanvas ---

PICTAVO_DEFINE_CLASS(TControlCanvas, TCanvas, nullptr, nullptr)

TControlCanvas::TControlCanvas(TControl* control) : m_control(control) {}

TControlCanvas::~TControlCanvas()
{
    SetHandle(nullptr);
}

void TControlCanvas::BeginPaint(QPainter& painter)
{
    m_paintContexts.push_back(platform::makePainterContext(painter));
    SetHandle(m_paintContexts.back().get());
}

void TControlCanvas::EndPaint()
{
    if (m_paintContexts.empty())
        return;
    SetHandle(nullptr);
    m_paintContexts.pop_back();
    if (!m_paintContexts.empty())
        SetHandle(m_paintContexts.back().get());
}

void TControlCanvas::CreateHandle()
{
    // Outside painting a control has no surface; a one-pixel image measures text the same way.
    if (!m_measureContext) {
        m_measureImage = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
        m_measurePainter = std::make_unique<QPainter>(m_measureImage.get());
        m_measureContext = platform::makePainterContext(*m_measurePainter);
    }
    SetHandle(m_measureContext.get());
}
