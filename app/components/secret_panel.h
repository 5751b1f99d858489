#pragma once
// TSecretPanel: a panel that, while active, hides its child controls and scrolls its Lines
// upwards through the area inside its bevels, one pixel every Interval milliseconds. The text is
// drawn off-screen and copied into the panel; with Cycled it starts over once the last line has
// reached the top, otherwise the panel stops by itself. While it plays, an optional glyph sits
// beside the text.

#include "framework/std_controls.h"

#include <memory>
#include <vector>

class TBitmap;
class TStringList;
class TStrings;
class TTimer;

enum TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };

class TSecretPanel : public TPanel {
    PICTAVO_CLASS(TSecretPanel)
public:
    // Longer lines are cut: each line is drawn as one line of at most this many bytes.
    static constexpr int maxLineLength = 255;

    explicit TSecretPanel(TComponent* owner);
    ~TSecretPanel() override;

    // Starting: the scroll goes back to the top, the timer runs, OnStartPlay fires and the
    // visible children are hidden. Stopping: the timer stops, OnStopPlay fires and the children
    // hidden at the start are shown again.
    bool Active() const { return m_active; }
    void SetActive(bool active);
    // The scrolled text; changing it while active starts the scroll over.
    TStrings* Lines() const;
    void SetLines(const TStrings* lines);
    bool Cycled() const { return m_cycled; }
    void SetCycled(bool cycled) { m_cycled = cycled; }
    // Milliseconds between one-pixel steps.
    unsigned Interval() const;
    void SetInterval(unsigned milliseconds);
    // bvRaised and bvLowered draw each line once more in the highlight colour, a pixel up-left or
    // down-right of the text.
    TBevelCut TextStyle() const { return m_textStyle; }
    void SetTextStyle(TBevelCut style);
    TBitmap* Glyph() const { return m_glyph.get(); }
    void SetGlyph(const TBitmap* glyph);
    TGlyphLayout GlyphLayout() const { return m_glyphLayout; }
    void SetGlyphLayout(TGlyphLayout layout);

    // The scroll as it stands while active: pixels scrolled since the first line was at the top,
    // the height of one line, where the text goes in client coordinates, and the timer that
    // steps it.
    int Position() const { return m_position; }
    int LineHeight() const { return m_lineHeight; }
    TRect TextArea() const { return m_textArea; }
    TTimer* ScrollTimer() const { return m_timer.get(); }

    TNotifyEvent OnStartPlay;
    TNotifyEvent OnStopPlay;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;
    void Loaded() override;
    void Resize() override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    void start();
    void stop();
    void tick();
    // Line height, text area and off-screen bitmap for the panel's current size and font.
    void measure();
    // The client area inside the border, the bevels and the margin: text and glyph share it.
    TRect insideMargin() const;
    TRect glyphRect() const;
    void redraw();
    // Size, font, text style or glyph changed: a play in progress measures again.
    void layoutChanged();
    void linesChanged();

    std::unique_ptr<TStringList> m_lines;
    std::unique_ptr<TTimer> m_timer;
    std::unique_ptr<TBitmap> m_glyph;
    std::unique_ptr<TBitmap> m_buffer;
    std::vector<TComponentRef<TControl>> m_hiddenControls;
    bool m_active = false;
    bool m_activeAfterLoading = false;
    bool m_cycled = false;
    TBevelCut m_textStyle = bvNone;
    TGlyphLayout m_glyphLayout = glGlyphLeft;
    int m_position = 0;
    int m_lineHeight = 0;
    TRect m_textArea;
};
