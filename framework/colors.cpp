#include "framework/colors.h"

#include "framework/properties.h"
#include "platform/display.h"

#include <cstdio>
#include <utility>

namespace {

struct NamedColor {
    TColor color;
    const char* name;
};

constexpr NamedColor namedColors[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clNone, "clNone"}, {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"}, {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
};

} // namespace

platform::Colour ColorToRGB(TColor color)
{
    return platform::colourToRgb(platform::Colour(color));
}

bool IdentToColor(std::string_view ident, TColor& color)
{
    for (const NamedColor& named : namedColors)
        if (SameText(named.name, ident)) {
            color = named.color;
            return true;
        }
    return false;
}

std::string ColorToString(TColor color)
{
    for (const NamedColor& named : namedColors)
        if (named.color == color)
            return named.name;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "$%08X", unsigned(color));
    return buffer;
}
