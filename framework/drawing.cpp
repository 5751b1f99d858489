#include "framework/drawing.h"

#include "platform/device_context.h"

#include <algorithm>
#include <vector>

namespace {

struct Line {
    std::string text;
    int accel = -1;  // byte offset of the underlined character, or -1
};

// Splits the text into lines and resolves access-key marks.
std::vector<Line> splitLines(const std::string& text, unsigned format)
{
    std::vector<Line> lines(1);
    const bool prefix = !(format & DT_NOPREFIX);
    const bool single = (format & DT_SINGLELINE) != 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            if (!single)
                lines.emplace_back();
            continue;
        }
        if (prefix && c == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                lines.back().text += '&';
                ++i;
            } else if (i + 1 < text.size()) {
                lines.back().accel = int(lines.back().text.size());
            }
            continue;
        }
        if (c == '\t' && (format & DT_EXPANDTABS)) {
            lines.back().text += "        ";
            continue;
        }
        lines.back().text += c;
    }
    return lines;
}

// Breaks a line at blanks so that each piece fits the width; a word wider than the width
// stands alone.
std::vector<Line> wrapLine(const Line& line, int width, TCanvas& canvas)
{
    std::vector<Line> out;
    const std::string& s = line.text;
    std::size_t pos = 0;
    while (pos < s.size()) {
        // The longest run of whole words from pos that fits the width.
        std::size_t best = std::string::npos;
        std::size_t end = pos;
        while (true) {
            std::size_t next = s.find(' ', end);
            if (next == std::string::npos)
                next = s.size();
            if (canvas.TextWidth(s.substr(pos, next - pos)) > width)
                break;
            best = next;
            if (next == s.size())
                break;
            end = next + 1;
        }
        if (best == std::string::npos) {
            best = s.find(' ', pos);
            if (best == std::string::npos)
                best = s.size();
        }
        Line piece;
        piece.text = s.substr(pos, best - pos);
        if (line.accel >= int(pos) && line.accel < int(best))
            piece.accel = line.accel - int(pos);
        out.push_back(std::move(piece));
        pos = best;
        while (pos < s.size() && s[pos] == ' ')
            ++pos;
    }
    return out;
}

} // namespace

int DrawText(TCanvas& canvas, const std::string& text, TRect& rect, unsigned format)
{
    std::vector<Line> lines;
    for (const Line& line : splitLines(text, format)) {
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE) && !line.text.empty()) {
            for (Line& piece : wrapLine(line, rect.width(), canvas))
                lines.push_back(std::move(piece));
        } else {
            lines.push_back(line);
        }
    }
    // Extents select the font into the context before the metrics are read.
    canvas.TextExtent(std::string());
    platform::DeviceContext& dc = *canvas.Handle();
    const platform::TextMetrics metrics = dc.textMetrics();
    const int lineHeight = metrics.height;
    const int height = lineHeight * int(lines.size());
    int widest = 0;
    std::vector<int> widths;
    for (const Line& line : lines) {
        widths.push_back(dc.textExtent(line.text).cx);
        widest = std::max(widest, widths.back());
    }
    if (format & DT_CALCRECT) {
        rect.right = rect.left + widest;
        rect.bottom = rect.top + height;
        return height;
    }
    int y = rect.top;
    if (format & DT_VCENTER)
        y = rect.top + (rect.height() - height) / 2;
    else if (format & DT_BOTTOM)
        y = rect.bottom - height;
    canvas.Changing();
    const unsigned options = (format & DT_NOCLIP) ? 0u : unsigned(platform::ETO_CLIPPED);
    for (std::size_t i = 0; i < lines.size(); ++i, y += lineHeight) {
        int x = rect.left;
        if (format & DT_CENTER)
            x = rect.left + (rect.width() - widths[i]) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - widths[i];
        dc.extTextOut({x, y}, options, &rect, lines[i].text);
        if (lines[i].accel >= 0 && lines[i].accel < int(lines[i].text.size())) {
            // The underline sits one pixel below the base line, under the marked character
            // (a whole UTF-8 sequence).
            std::size_t begin = std::size_t(lines[i].accel);
            std::size_t end = begin + 1;
            while (end < lines[i].text.size() && (static_cast<unsigned char>(lines[i].text[end]) & 0xC0) == 0x80)
                ++end;
            int x0 = x + dc.textExtent(lines[i].text.substr(0, begin)).cx;
            int x1 = x + dc.textExtent(lines[i].text.substr(0, end)).cx;
            int underline = y + metrics.ascent + 1;
            TRect bar{x0, underline, x1, underline + 1};
            if (!(format & DT_NOCLIP))
                bar = bar.intersected(rect);
            if (!bar.isEmpty())
                dc.fillRect(bar, {platform::BrushStyle::Solid, dc.textColour(), nullptr});
        }
    }
    canvas.Changed();
    return height;
}

void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width)
{
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetStyle(psSolid);
    --rect.bottom;
    --rect.right;
    while (width-- > 0) {
        canvas.Pen().SetColor(topColor);
        canvas.Polyline({{rect.left, rect.bottom}, {rect.left, rect.top}, {rect.right, rect.top}});
        canvas.Pen().SetColor(bottomColor);
        canvas.Polyline({{rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left - 1, rect.bottom}});
        rect.left += 1;
        rect.top += 1;
        rect.right -= 1;
        rect.bottom -= 1;
    }
    ++rect.bottom;
    ++rect.right;
}
