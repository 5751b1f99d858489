#include "framework/classic_look.h"

#include "framework/application.h"
#include "platform/display.h"

#include <QApplication>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>

namespace framework_detail {
namespace {

// System colour indexes of the classic scheme.
enum SystemColour {
    window = 5, windowText = 8, highlight = 13, highlightText = 14, buttonFace = 15, buttonShadow = 16,
    grayText = 17, buttonText = 18, buttonHighlight = 20, darkShadow = 21, light3d = 22, infoText = 23,
    infoBackground = 24
};

QColor systemQColor(int index)
{
    const platform::Colour rgb = platform::systemColour(index);
    return QColor(platform::redOf(rgb), platform::greenOf(rgb), platform::blueOf(rgb));
}

QPalette classicPalette()
{
    QPalette palette;
    const auto all = [&palette](QPalette::ColorRole role, int index) { palette.setColor(role, systemQColor(index)); };
    all(QPalette::Window, buttonFace);
    all(QPalette::WindowText, windowText);
    all(QPalette::Base, window);
    all(QPalette::AlternateBase, buttonFace);
    all(QPalette::Text, windowText);
    all(QPalette::Button, buttonFace);
    all(QPalette::ButtonText, buttonText);
    all(QPalette::Light, buttonHighlight);
    all(QPalette::Midlight, light3d);
    all(QPalette::Mid, buttonShadow);
    all(QPalette::Dark, buttonShadow);
    all(QPalette::Shadow, darkShadow);
    all(QPalette::Highlight, highlight);
    all(QPalette::HighlightedText, highlightText);
    all(QPalette::ToolTipBase, infoBackground);
    all(QPalette::ToolTipText, infoText);
    all(QPalette::PlaceholderText, grayText);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, systemQColor(grayText));
    palette.setColor(QPalette::Disabled, QPalette::Base, systemQColor(buttonFace));
    // A selection keeps its colour when the window is not the active one.
    palette.setColor(QPalette::Inactive, QPalette::Highlight, systemQColor(highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, systemQColor(highlightText));
    return palette;
}

// The classic style, with tool tips timed by the application's hint pauses.
class ClassicStyle : public QProxyStyle {
public:
    ClassicStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (Application) {
            // The wait before a hint shows; once one has shown, and for as long as the hide pause
            // keeps it up, the next one comes quickly (after the short pause: see the framework's
            // tool-tip event).
            if (hint == SH_ToolTip_WakeUpDelay)
                return Application->HintPause();
            if (hint == SH_ToolTip_FallAsleepDelay)
                return Application->HintHidePause();
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void applyClassicLook(QApplication& application)
{
    application.setStyle(new ClassicStyle);
    QApplication::setPalette(classicPalette());
}

} // namespace framework_detail
