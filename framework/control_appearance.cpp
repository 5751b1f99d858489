// The appearance of controls: text, hints, colours, fonts, cursors and pop-up menus.

#include "framework/control.h"

#include "framework/application.h"
#include "framework/menus.h"
#include "framework/qt_bridge.h"
#include "framework/scope_exit.h"
#include "framework/strings.h"

#include <QWidget>

using namespace framework_detail;

namespace {

struct NamedCursor {
    TCursor cursor;
    const char* name;
};

constexpr NamedCursor namedCursors[] = {
    {crDefault, "crDefault"}, {crNone, "crNone"}, {crArrow, "crArrow"}, {crCross, "crCross"},
    {crIBeam, "crIBeam"}, {crSizeNESW, "crSizeNESW"}, {crSizeNS, "crSizeNS"},
    {crSizeNWSE, "crSizeNWSE"}, {crSizeWE, "crSizeWE"}, {crUpArrow, "crUpArrow"},
    {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"}, {crNoDrop, "crNoDrop"},
    {crHSplit, "crHSplit"}, {crVSplit, "crVSplit"}, {crMultiDrag, "crMultiDrag"},
    {crSQLWait, "crSQLWait"}, {crNo, "crNo"}, {crAppStart, "crAppStart"}, {crHelp, "crHelp"},
    {crHandPoint, "crHandPoint"}, {crSizeAll, "crSizeAll"},
};

} // namespace

bool IdentToCursor(std::string_view ident, TCursor& cursor)
{
    for (const NamedCursor& named : namedCursors)
        if (SameText(named.name, ident)) {
            cursor = named.cursor;
            return true;
        }
    return false;
}

void TControl::SetText(const std::string& text)
{
    if (text == m_text)
        return;
    m_text = text;
    TextChanged();
}

void TControl::TextChanged()
{
    Invalidate();
}

void TControl::SetHint(const std::string& hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    applyHintToWidget();
}

void TControl::SetShowHint(bool show)
{
    m_parentShowHint = false;
    if (show == m_showHint)
        return;
    m_showHint = show;
    ShowHintChanged();
}

void TControl::SetParentShowHint(bool parent)
{
    if (parent == m_parentShowHint)
        return;
    m_parentShowHint = parent;
    if (parent)
        ParentShowHintChanged();
}

void TControl::ParentShowHintChanged()
{
    if (m_parentShowHint && m_parent && m_parent->ShowHint() != m_showHint) {
        m_showHint = m_parent->ShowHint();
        ShowHintChanged();
    }
}

void TControl::ShowHintChanged()
{
    applyHintToWidget();
}

bool TControl::HintShown() const
{
    return m_showHint && (!Application || Application->ShowHint());
}

void TControl::applyHintToWidget()
{
    if (!m_widget)
        return;
    const std::string tip = HintShown() ? GetShortHint(m_hint) : std::string();
    m_widget->setToolTip(qString(tip));
    m_widget->setToolTipDuration(Application ? Application->HintHidePause() : -1);
}

void TControl::SetColor(TColor color)
{
    m_parentColor = false;
    if (color == m_color)
        return;
    m_color = color;
    ColorChanged();
}

void TControl::SetParentColor(bool parent)
{
    if (parent == m_parentColor)
        return;
    m_parentColor = parent;
    if (parent)
        ParentColorChanged();
}

void TControl::ParentColorChanged()
{
    if (m_parentColor && m_parent && m_parent->Color() != m_color) {
        m_color = m_parent->Color();
        ColorChanged();
    }
}

void TControl::ColorChanged()
{
    applyColorToWidget();
    Invalidate();
}

void TControl::applyColorToWidget()
{
    if (!m_widget)
        return;
    QPalette palette = m_widget->palette();
    const QColor back = qColor(m_color);
    const QColor text = qColor(m_font->Color());
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, back);
        palette.setColor(group, QPalette::Base, back);
        palette.setColor(group, QPalette::Button, back);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::ButtonText, text);
    }
    m_widget->setPalette(palette);
}

void TControl::SetParentFont(bool parent)
{
    if (parent == m_parentFont)
        return;
    m_parentFont = parent;
    if (parent)
        ParentFontChanged();
}

void TControl::ParentFontChanged()
{
    if (!m_parentFont || !m_parent)
        return;
    m_changingParentFont = true;
    ScopeExit done([&] { m_changingParentFont = false; });
    m_font->CopyFrom(m_parent->Font());
}

void TControl::FontChanged()
{
    // A font of its own, unless the change came from the parent.
    if (!m_changingParentFont)
        m_parentFont = false;
    applyFontToWidget();
    applyColorToWidget();
    Invalidate();
}

void TControl::applyFontToWidget()
{
    if (m_widget)
        m_widget->setFont(qFont(*m_font));
}

void TControl::SetCursor(TCursor cursor)
{
    if (cursor == m_cursor)
        return;
    m_cursor = cursor;
    applyCursorToWidget();
}

void TControl::applyCursorToWidget()
{
    if (!m_widget)
        return;
    if (m_cursor == crDefault)
        m_widget->unsetCursor();
    else
        m_widget->setCursor(cursorShape(m_cursor));
}

void TControl::SetPopupMenu(TPopupMenu* menu)
{
    if (menu == m_popupMenu)
        return;
    m_popupMenu = menu;
}
