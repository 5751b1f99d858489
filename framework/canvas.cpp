#include "framework/canvas.h"

#include "framework/exceptions.h"
#include "platform/device_context.h"
#include "platform/section.h"

namespace {

constexpr auto noDrawing = "Canvas does not allow drawing";

platform::PenMode platformPenMode(TPenMode mode)
{
    using platform::PenMode;
    switch (mode) {
    case pmBlack: return PenMode::Black;
    case pmWhite: return PenMode::White;
    case pmNop: return PenMode::Nop;
    case pmNot: return PenMode::Not;
    case pmCopy: return PenMode::CopyPen;
    case pmNotCopy: return PenMode::NotCopyPen;
    case pmMergePenNot: return PenMode::MergePenNot;
    case pmMaskPenNot: return PenMode::MaskPenNot;
    case pmMergeNotPen: return PenMode::MergeNotPen;
    case pmMaskNotPen: return PenMode::MaskNotPen;
    case pmMerge: return PenMode::MergePen;
    case pmNotMerge: return PenMode::NotMergePen;
    case pmMask: return PenMode::MaskPen;
    case pmNotMask: return PenMode::NotMaskPen;
    case pmXor: return PenMode::XorPen;
    case pmNotXor: return PenMode::NotXorPen;
    }
    return PenMode::CopyPen;
}

platform::BrushSpec brushSpec(const TBrush& brush)
{
    platform::BrushSpec selected;
    selected.style = static_cast<platform::BrushStyle>(brush.Style());
    selected.colour = ColorToRGB(brush.Color());
    selected.pattern = brush.Pattern();
    return selected;
}
} // namespace

PICTAVO_DEFINE_CLASS(TDrawable, TPersistent, nullptr, nullptr)
PICTAVO_DEFINE_CLASS(TCanvas, TPersistent, nullptr, nullptr)

// --- TCanvas ---

TCanvas::TCanvas()
{
    m_font.OnChange = [this](TObject*) { m_fontValid = false; };
    m_pen.OnChange = [this](TObject*) { m_penValid = false; };
    m_brush.OnChange = [this](TObject*) { m_brushValid = false; };
}

TCanvas::~TCanvas() = default;

platform::DeviceContext* TCanvas::Handle()
{
    if (!m_context)
        CreateHandle();
    if (!m_context)
        throw EInvalidOperation(noDrawing);
    return m_context;
}

void TCanvas::SetHandle(platform::DeviceContext* context)
{
    if (context == m_context)
        return;
    m_context = context;
    m_fontValid = m_penValid = m_brushValid = false;
}

void TCanvas::CreateHandle()
{
    throw EInvalidOperation(noDrawing);
}

void TCanvas::RequiredState()
{
    Handle();
    selectObjects();
}

void TCanvas::selectObjects()
{
    platform::DeviceContext& dc = *m_context;
    if (!m_fontValid) {
        platform::FontSpec selected;
        selected.family = m_font.Name();
        selected.height = m_font.Height();
        selected.weight = (m_font.Style() & (1u << fsBold)) ? 700 : 400;
        selected.italic = (m_font.Style() & (1u << fsItalic)) != 0;
        selected.underline = (m_font.Style() & (1u << fsUnderline)) != 0;
        selected.strikeOut = (m_font.Style() & (1u << fsStrikeOut)) != 0;
        selected.charset = std::uint8_t(m_font.Charset());
        selected.pitch = std::uint8_t(m_font.Pitch());
        dc.setFont(selected);
        dc.setTextColour(ColorToRGB(m_font.Color()));
        m_fontValid = true;
    }
    if (!m_penValid) {
        platform::PenSpec selected;
        selected.style = static_cast<platform::PenStyle>(m_pen.Style());
        selected.width = m_pen.Width();
        selected.colour = ColorToRGB(m_pen.Color());
        dc.setPen(selected);
        dc.setPenMode(platformPenMode(m_pen.Mode()));
        m_penValid = true;
    }
    if (!m_brushValid) {
        dc.setBrush(brushSpec(m_brush));
        // A solid brush also colours the background of text and hatches; any other brush
        // leaves the background alone.
        if (m_brush.Style() == bsSolid) {
            dc.setBackgroundColour(ColorToRGB(m_brush.Color()));
            dc.setBackgroundMode(platform::BackgroundMode::Opaque);
        } else {
            dc.setBackgroundColour(~ColorToRGB(m_brush.Color()) & 0x00FFFFFF);
            dc.setBackgroundMode(platform::BackgroundMode::Transparent);
        }
        m_brushValid = true;
    }
}

TPoint TCanvas::PenPos()
{
    return Handle()->currentPosition();
}

TRect TCanvas::ClipRect()
{
    platform::DeviceContext* dc = Handle();
    if (auto clip = dc->clipRect())
        return *clip;
    platform::Size size = dc->pixelSize();
    return TRect{0, 0, size.cx, size.cy};
}

void TCanvas::MoveTo(int x, int y)
{
    Handle()->moveTo({x, y});
}

void TCanvas::LineTo(int x, int y)
{
    Changing();
    RequiredState();
    m_context->lineTo({x, y});
    Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points)
{
    Changing();
    RequiredState();
    m_context->polyline(points);
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points)
{
    Changing();
    RequiredState();
    m_context->polygon(points);
    Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    Changing();
    RequiredState();
    m_context->rectangle({x1, y1, x2, y2});
    Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3)
{
    Changing();
    RequiredState();
    m_context->roundRect({x1, y1, x2, y2}, x3, y3);
    Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    Changing();
    RequiredState();
    m_context->ellipse({x1, y1, x2, y2});
    Changed();
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    Changing();
    RequiredState();
    m_context->arc({x1, y1, x2, y2}, {x3, y3}, {x4, y4});
    Changed();
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    Changing();
    RequiredState();
    m_context->chord({x1, y1, x2, y2}, {x3, y3}, {x4, y4});
    Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    Changing();
    RequiredState();
    m_context->pie({x1, y1, x2, y2}, {x3, y3}, {x4, y4});
    Changed();
}

void TCanvas::FillRect(const TRect& rect)
{
    Changing();
    RequiredState();
    m_context->fillRect(rect, brushSpec(m_brush));
    Changed();
}

void TCanvas::FrameRect(const TRect& rect)
{
    Changing();
    RequiredState();
    m_context->frameRect(rect, brushSpec(m_brush));
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect)
{
    // A dotted frame inverted onto the destination, so drawing it twice removes it.
    Changing();
    RequiredState();
    platform::DeviceContext& dc = *m_context;
    const platform::PenSpec savedPen = dc.pen();
    const platform::PenMode savedMode = dc.penMode();
    const platform::BrushSpec savedBrush = dc.brush();
    dc.setPen({platform::PenStyle::Dot, 1, 0xFFFFFF});
    dc.setPenMode(platform::PenMode::XorPen);
    dc.setBrush({platform::BrushStyle::Clear, 0, nullptr});
    dc.rectangle(rect);
    dc.setPen(savedPen);
    dc.setPenMode(savedMode);
    dc.setBrush(savedBrush);
    Changed();
}

TColor TCanvas::Pixels(int x, int y)
{
    return TColor(Handle()->pixel({x, y}));
}

void TCanvas::SetPixels(int x, int y, TColor color)
{
    Changing();
    RequiredState();
    m_context->setPixel({x, y}, ColorToRGB(color));
    Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    Changing();
    RequiredState();
    m_context->textOut({x, y}, text);
    m_context->moveTo({x + m_context->textExtent(text).cx, y});
    Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text)
{
    Changing();
    RequiredState();
    unsigned options = platform::ETO_CLIPPED;
    if (m_brush.Style() != bsClear)
        options |= platform::ETO_OPAQUE;
    m_context->extTextOut({x, y}, options, &rect, text);
    Changed();
}

TSize TCanvas::TextExtent(const std::string& text)
{
    RequiredState();
    return m_context->textExtent(text);
}

void TCanvas::Draw(int x, int y, TDrawable* graphic)
{
    if (!graphic || graphic->IsEmpty())
        return;
    Changing();
    RequiredState();
    m_context->setBackgroundColour(ColorToRGB(m_brush.Color()));
    m_context->setTextColour(ColorToRGB(m_font.Color()));
    graphic->PaintInto(*this, TRect{x, y, x + graphic->ReadWidth(), y + graphic->ReadHeight()});
    Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TDrawable* graphic)
{
    if (!graphic)
        return;
    Changing();
    RequiredState();
    graphic->PaintInto(*this, rect);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect)
{
    Changing();
    RequiredState();
    source.RequiredState();
    const platform::Section* pixels = source.m_context->section();
    // Only contexts that draw into pixels of their own can be read from.
    if (!pixels)
        throw EInvalidOperation(noDrawing);
    m_context->stretchBlt(dest, *pixels, sourceRect, m_copyMode, source.m_context->backgroundColour());
    Changed();
}

void TCanvas::BrushCopy(const TRect& dest, const platform::Section& source, const TRect& sourceRect,
                        TColor color)
{
    const TRect bounds = sourceRect.intersected(TRect{0, 0, source.width(), source.height()});
    if (bounds.isEmpty() || dest.isEmpty())
        return;
    Changing();
    RequiredState();
    // The source rectangle goes through a copy in the display format in which the pixels of
    // the given colour already show the brush; the copy is then stretched like any bitmap.
    auto copy = platform::Section::createDisplayCompatible(bounds.width(), bounds.height());
    if (!copy)
        OutOfResources();
    const platform::Colour key = ColorToRGB(color);
    const platform::Colour fill = ColorToRGB(m_brush.Color());
    for (int y = 0; y < bounds.height(); ++y)
        for (int x = 0; x < bounds.width(); ++x) {
            platform::Colour c = source.pixel(bounds.left + x, bounds.top + y);
            copy->setPixel(x, y, platform::rgbPart(c) == key ? fill : c);
        }
    TRect target = dest;
    // A source rectangle cut by the bitmap's edges keeps its scale.
    if (bounds != sourceRect && sourceRect.width() > 0 && sourceRect.height() > 0) {
        target.left = dest.left + (bounds.left - sourceRect.left) * dest.width() / sourceRect.width();
        target.top = dest.top + (bounds.top - sourceRect.top) * dest.height() / sourceRect.height();
        target.right = target.left + bounds.width() * dest.width() / sourceRect.width();
        target.bottom = target.top + bounds.height() * dest.height() / sourceRect.height();
    }
    m_context->stretchBlt(target, *copy, TRect{0, 0, bounds.width(), bounds.height()}, platform::rop::SrcCopy);
    Changed();
}

void TCanvas::Changing()
{
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TCanvas::Lock()
{
    m_mutex.lock();
    ++m_lockCount;
}

void TCanvas::Unlock()
{
    --m_lockCount;
    m_mutex.unlock();
}

bool TCanvas::TryLock()
{
    if (!m_mutex.try_lock())
        return false;
    ++m_lockCount;
    return true;
}
