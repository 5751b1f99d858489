#pragma once
// The drawing surface of windows, bitmaps, printers and metafiles: a current font, pen and
// brush, a copy mode, and drawing operations over a platform device context.

#include "framework/colors.h"
#include "framework/persistent.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
class DeviceContext;
class Section;
} // namespace platform

class TCanvas;

using TNotifyEvent = std::function<void(TObject* sender)>;

// What a canvas draws through its draw-at-point and stretch-draw: pictures implement it.
class TDrawable : public TPersistent {
    PICTAVO_CLASS(TDrawable)
public:
    // Draws the whole image scaled into the rectangle; draws nothing when empty.
    virtual void PaintInto(TCanvas& canvas, const TRect& rect) = 0;
    virtual bool IsEmpty() const = 0;
    virtual int ReadWidth() const = 0;
    virtual int ReadHeight() const = 0;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = unsigned;  // bits 1 << TFontStyle
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// Graphics objects of a canvas; each calls OnChange after a change.
class TGraphicsObject : public TPersistent {
    PICTAVO_CLASS(TGraphicsObject)
public:
    TNotifyEvent OnChange;

protected:
    void Changed();
};

class TFont : public TGraphicsObject {
    PICTAVO_CLASS(TFont)
public:
    TFont();
    void CopyFrom(const TPersistent* source) override;
    const PropertyTable* Properties() const override;

    std::string Name() const { return m_name; }
    void SetName(const std::string& name);
    // Negative: character height in pixels; positive: cell height.
    int Height() const { return m_height; }
    void SetHeight(int height);
    // Points at the screen's logical pixels per inch.
    int Size() const;
    void SetSize(int points);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TFontStyles Style() const { return m_style; }
    void SetStyle(TFontStyles style);
    TFontPitch Pitch() const { return m_pitch; }
    void SetPitch(TFontPitch pitch);
    int Charset() const { return m_charset; }
    void SetCharset(int charset);
    int PixelsPerInch() const { return m_pixelsPerInch; }
    void SetPixelsPerInch(int ppi) { m_pixelsPerInch = ppi; }

private:
    std::string m_name = "MS Sans Serif";
    int m_height = -11;
    TColor m_color = clWindowText;
    TFontStyles m_style = 0;
    TFontPitch m_pitch = fpDefault;
    int m_charset = 1;
    int m_pixelsPerInch = 96;
};

class TPen : public TGraphicsObject {
    PICTAVO_CLASS(TPen)
public:
    void CopyFrom(const TPersistent* source) override;
    const PropertyTable* Properties() const override;

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    int Width() const { return m_width; }
    void SetWidth(int width);
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return m_mode; }
    void SetMode(TPenMode mode);

private:
    TColor m_color = clBlack;
    int m_width = 1;
    TPenStyle m_style = psSolid;
    TPenMode m_mode = pmCopy;
};

class TBrush : public TGraphicsObject {
    PICTAVO_CLASS(TBrush)
public:
    void CopyFrom(const TPersistent* source) override;
    const PropertyTable* Properties() const override;

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle style);
    // A pattern section tiled by the brush (not owned); null for a plain brush.
    const platform::Section* Pattern() const { return m_pattern; }
    void SetPattern(const platform::Section* pattern);

private:
    TColor m_color = clWhite;
    TBrushStyle m_style = bsSolid;
    const platform::Section* m_pattern = nullptr;
};

// Canvas copy modes are raster operation codes.
using TCopyMode = std::uint32_t;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

class TCanvas : public TPersistent {
    PICTAVO_CLASS(TCanvas)
public:
    TCanvas();
    ~TCanvas() override;

    TFont& Font() { return m_font; }
    TPen& Pen() { return m_pen; }
    TBrush& Brush() { return m_brush; }
    TCopyMode CopyMode() const { return m_copyMode; }
    void SetCopyMode(TCopyMode mode) { m_copyMode = mode; }
    TPoint PenPos();
    void SetPenPos(TPoint p) { MoveTo(p.x, p.y); }
    // The clip box in logical coordinates.
    TRect ClipRect();

    // The device context; subclasses make one on demand (CreateHandle) and drop it when the
    // target goes away. Drawing makes sure one exists with the font, pen and brush selected.
    platform::DeviceContext* Handle();
    void SetHandle(platform::DeviceContext* context);
    bool HandleAllocated() const { return m_context != nullptr; }

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(const std::vector<TPoint>& points);
    void Polygon(const std::vector<TPoint>& points);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.left, r.top, r.right, r.bottom); }
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void DrawFocusRect(const TRect& rect);
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);

    void TextOut(int x, int y, const std::string& text);
    void TextRect(const TRect& rect, int x, int y, const std::string& text);
    TSize TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }

    // Draws the graphic at its own size. Does nothing for a null or empty graphic; otherwise
    // sets the device's background colour to the brush colour and its text colour to the font
    // colour (they colour the 0 and 1 pixels of a monochrome bitmap), then paints.
    void Draw(int x, int y, TDrawable* graphic);
    // Paints the graphic into the rectangle; does nothing only for a null graphic (formats draw
    // nothing for an empty image).
    void StretchDraw(const TRect& rect, TDrawable* graphic);
    // Copies a rectangle of another canvas with the copy mode.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
    // Copies a rectangle of a bitmap's pixels, replacing the pixels of `color` by this
    // canvas's brush.
    void BrushCopy(const TRect& dest, const platform::Section& source, const TRect& sourceRect,
                   TColor color);

    // Drawing state notifications, for surfaces that must copy their store before a change.
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;
    void Changing();
    void Changed();

    // A recursive lock for surfaces shared between threads; LockCount counts nested locks.
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return m_lockCount; }

protected:
    // Makes the device context for drawing; the base raises "Canvas does not allow drawing".
    virtual void CreateHandle();
    // Selects the font, pen and brush into the context when they changed.
    void RequiredState();

private:
    void selectObjects();

    TFont m_font;
    TPen m_pen;
    TBrush m_brush;
    TCopyMode m_copyMode = cmSrcCopy;
    platform::DeviceContext* m_context = nullptr;
    bool m_fontValid = false;
    bool m_penValid = false;
    bool m_brushValid = false;
    std::recursive_mutex m_mutex;
    int m_lockCount = 0;
};
