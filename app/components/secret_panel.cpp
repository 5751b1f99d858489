#include "app/components/secret_panel.h"

#include "framework/drawing.h"
#include "framework/strings.h"
#include "framework/timer.h"
#include "picture/bitmap/bitmap.h"
#include "platform/device_context.h"

#include <algorithm>

PICTAVO_DEFINE_CLASS(TSecretPanel, TPanel, nullptr, createComponentOf<TSecretPanel>)

namespace {
// Room between the bevels and the text, and between a glyph and the text.
constexpr int textMargin = 3;
constexpr unsigned defaultInterval = 30;
const unsigned alignmentFlags[] = {DT_LEFT, DT_RIGHT, DT_CENTER};

// The line cut to at most maxLineLength bytes, never inside a character.
std::string shownLine(const std::string& line)
{
    if (line.size() <= std::size_t(TSecretPanel::maxLineLength))
        return line;
    std::size_t end = std::size_t(TSecretPanel::maxLineLength);
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
        --end;
    return line.substr(0, end);
}
} // namespace

TSecretPanel::TSecretPanel(TComponent* owner)
    : TPanel(owner),
      m_lines(std::make_unique<TStringList>()),
      m_timer(std::make_unique<TTimer>(nullptr)),
      m_glyph(std::make_unique<TBitmap>())
{
    m_timer->SetEnabled(false);
    m_timer->SetInterval(defaultInterval);
    m_timer->SetOnTimer([this](TObject*) { tick(); });
    m_lines->OnChange = [this](TObject*) { linesChanged(); };
    m_glyph->OnChange = [this](TObject*) { layoutChanged(); };
}

TSecretPanel::~TSecretPanel()
{
    // Going away is no stop of play: nobody is told, and the children go with the panel.
    m_timer->SetEnabled(false);
    m_lines->OnChange = nullptr;
    m_glyph->OnChange = nullptr;
}

TStrings* TSecretPanel::Lines() const
{
    return m_lines.get();
}

void TSecretPanel::SetLines(const TStrings* lines)
{
    m_lines->CopyFrom(lines);
}

unsigned TSecretPanel::Interval() const
{
    return m_timer->Interval();
}

void TSecretPanel::SetInterval(unsigned milliseconds)
{
    m_timer->SetInterval(milliseconds);
}

void TSecretPanel::SetTextStyle(TBevelCut style)
{
    // A spaced bevel has no look of its own for text.
    if (style == bvSpace)
        style = bvNone;
    if (style == m_textStyle)
        return;
    m_textStyle = style;
    layoutChanged();
}

void TSecretPanel::SetGlyph(const TBitmap* glyph)
{
    m_glyph->CopyFrom(glyph);
}

void TSecretPanel::SetGlyphLayout(TGlyphLayout layout)
{
    if (layout == m_glyphLayout)
        return;
    m_glyphLayout = layout;
    layoutChanged();
}

void TSecretPanel::SetActive(bool active)
{
    if (IsLoading()) {
        // The design is read before the panel has its size and font: start once it has.
        m_activeAfterLoading = active;
        return;
    }
    if (active == m_active)
        return;
    if (active)
        start();
    else
        stop();
}

void TSecretPanel::start()
{
    measure();
    m_position = 0;
    m_active = true;
    redraw();
    m_timer->SetEnabled(true);
    TComponentRef<TSecretPanel> alive(this);
    if (OnStartPlay)
        OnStartPlay(this);
    // The handler may have stopped the play already, or freed the panel.
    if (!alive || !m_active)
        return;
    std::vector<TControl*> shown;
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i)->Visible())
            shown.push_back(Controls(i));
    for (TControl* control : shown) {
        m_hiddenControls.emplace_back(control);
        control->Hide();
    }
    Invalidate();
}

void TSecretPanel::stop()
{
    m_timer->SetEnabled(false);
    m_active = false;
    m_buffer.reset();
    std::vector<TComponentRef<TControl>> hidden = std::move(m_hiddenControls);
    m_hiddenControls.clear();
    TComponentRef<TSecretPanel> alive(this);
    if (OnStopPlay)
        OnStopPlay(this);
    if (!alive)
        return;
    if (m_active) {
        // The handler started a new play: what this one hid stays hidden until that one stops.
        m_hiddenControls.insert(m_hiddenControls.end(), hidden.begin(), hidden.end());
        return;
    }
    for (TControl* control : hidden)
        if (control)
            control->Show();
    Invalidate();
}

void TSecretPanel::tick()
{
    if (!m_active)
        return;
    const long long lastTop = (static_cast<long long>(m_lines->Count()) - 1) * m_lineHeight;
    if (m_position < lastTop) {
        ++m_position;
    } else if (m_cycled) {
        m_position = 0;
    } else {
        SetActive(false);
        return;
    }
    redraw();
    Invalidate();
}

void TSecretPanel::measure()
{
    TCanvas& canvas = *Canvas();
    canvas.Font().CopyFrom(Font());
    // Measuring selects the font, so the metrics read next are the panel font's.
    canvas.TextExtent(std::string());
    const platform::TextMetrics metrics = canvas.Handle()->textMetrics();
    m_lineHeight = std::max(1, metrics.height + metrics.externalLeading + (m_textStyle != bvNone ? 1 : 0));

    TRect area = insideMargin();
    if (!m_glyph->IsEmpty()) {
        const int room = (m_glyphLayout == glGlyphLeft || m_glyphLayout == glGlyphRight ? m_glyph->Width()
                                                                                         : m_glyph->Height()) +
                         textMargin;
        switch (m_glyphLayout) {
        case glGlyphLeft: area.left += room; break;
        case glGlyphRight: area.right -= room; break;
        case glGlyphTop: area.top += room; break;
        case glGlyphBottom: area.bottom -= room; break;
        }
    }
    if (area.isEmpty()) {
        m_textArea = {};
        m_buffer.reset();
        return;
    }
    m_textArea = area;
    if (!m_buffer)
        m_buffer = std::make_unique<TBitmap>();
    m_buffer->SetWidth(area.width());
    m_buffer->SetHeight(area.height());
}

TRect TSecretPanel::insideMargin() const
{
    TRect inside = ClientRect();
    AdjustClientRect(inside);
    return {inside.left + textMargin, inside.top + textMargin, inside.right - textMargin, inside.bottom - textMargin};
}

TRect TSecretPanel::glyphRect() const
{
    const TRect inner = insideMargin();
    const int width = m_glyph->Width();
    const int height = m_glyph->Height();
    const int middleX = inner.left + (inner.width() - width) / 2;
    const int middleY = inner.top + (inner.height() - height) / 2;
    switch (m_glyphLayout) {
    case glGlyphLeft: return TRect::fromSize(inner.left, middleY, width, height);
    case glGlyphRight: return TRect::fromSize(inner.right - width, middleY, width, height);
    case glGlyphTop: return TRect::fromSize(middleX, inner.top, width, height);
    case glGlyphBottom: return TRect::fromSize(middleX, inner.bottom - height, width, height);
    }
    return {};
}

void TSecretPanel::redraw()
{
    if (!m_buffer)
        return;
    TCanvas& canvas = m_buffer->Surface();
    const int width = m_buffer->Width();
    const int height = m_buffer->Height();
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect({0, 0, width, height});
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().CopyFrom(Font());
    const unsigned flags = DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS | alignmentFlags[Alignment()];
    // A raised or lowered line takes one pixel more each way: the text and its highlight copy
    // both fit the line, the highlight up-left of the text (raised) or down-right (lowered).
    const int relief = m_textStyle != bvNone ? 1 : 0;
    const TPoint textAt = m_textStyle == bvRaised ? TPoint{1, 1} : TPoint{0, 0};
    const TPoint highlightAt = m_textStyle == bvLowered ? TPoint{1, 1} : TPoint{0, 0};
    const int count = m_lines->Count();
    int y = -(m_position % m_lineHeight);
    // Below the last line the text area stays blank.
    for (int index = m_position / m_lineHeight; index < count && y < height; ++index, y += m_lineHeight) {
        const std::string text = shownLine(m_lines->Get(index));
        const TRect cell{0, y, width - relief, y + m_lineHeight - relief};
        if (relief) {
            TRect place = cell.translated(highlightAt.x, highlightAt.y);
            canvas.Font().SetColor(clBtnHighlight);
            DrawText(canvas, text, place, flags);
        }
        TRect place = cell.translated(textAt.x, textAt.y);
        canvas.Font().SetColor(Font()->Color());
        DrawText(canvas, text, place, flags);
    }
}

void TSecretPanel::layoutChanged()
{
    if (!m_active)
        return;
    measure();
    redraw();
    Invalidate();
}

void TSecretPanel::linesChanged()
{
    if (!m_active)
        return;
    m_position = 0;
    redraw();
    Invalidate();
}

void TSecretPanel::Paint()
{
    TPanel::Paint();
    if (!m_active)
        return;
    TCanvas& canvas = *Canvas();
    if (!m_glyph->IsEmpty()) {
        const TRect place = glyphRect();
        canvas.Draw(place.left, place.top, m_glyph.get());
    }
    if (m_buffer)
        canvas.Draw(m_textArea.left, m_textArea.top, m_buffer.get());
}

void TSecretPanel::Loaded()
{
    TPanel::Loaded();
    if (m_activeAfterLoading) {
        m_activeAfterLoading = false;
        SetActive(true);
    }
}

void TSecretPanel::Resize()
{
    TPanel::Resize();
    layoutChanged();
}

void TSecretPanel::FontChanged()
{
    TPanel::FontChanged();
    layoutChanged();
}

void TSecretPanel::ColorChanged()
{
    TPanel::ColorChanged();
    if (m_active)
        redraw();
}

const PropertyTable* TSecretPanel::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TSecretPanel::ClassProperties()
{
    static const PropertyTable table(&TPanel::ClassProperties(), {
        props::boolean<TSecretPanel>("Active", &TSecretPanel::Active, &TSecretPanel::SetActive),
        props::boolean<TSecretPanel>("Cycled", &TSecretPanel::Cycled, &TSecretPanel::SetCycled),
        props::object<TSecretPanel, TBitmap>("Glyph", &TSecretPanel::Glyph),
        props::enumeration<TSecretPanel, TGlyphLayout>(
            "GlyphLayout", {"glGlyphLeft", "glGlyphRight", "glGlyphTop", "glGlyphBottom"},
            &TSecretPanel::GlyphLayout, &TSecretPanel::SetGlyphLayout),
        props::integer<TSecretPanel, unsigned>("Interval", &TSecretPanel::Interval, &TSecretPanel::SetInterval),
        props::strings<TSecretPanel, TStrings>("Lines", &TSecretPanel::Lines),
        props::enumeration<TSecretPanel, TBevelCut>("TextStyle", {"bvNone", "bvLowered", "bvRaised"},
                                                    &TSecretPanel::TextStyle, &TSecretPanel::SetTextStyle),
        props::event("OnStartPlay", &TSecretPanel::OnStartPlay),
        props::event("OnStopPlay", &TSecretPanel::OnStopPlay),
    });
    return table;
}
