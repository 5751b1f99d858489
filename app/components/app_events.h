#pragma once
// TAppEvents: application settings kept with a form's design. Once the form is loaded it copies
// them into the application object: hint colour and pauses, hint showing, whether Run shows the
// main form, and the two settings-update switches.

#include "framework/colors.h"
#include "framework/component.h"

class TAppEvents : public TComponent {
    PICTAVO_CLASS(TAppEvents)
public:
    explicit TAppEvents(TComponent* owner);

    TColor HintColor() const { return m_hintColor; }
    void SetHintColor(TColor color) { m_hintColor = color; }
    int HintPause() const { return m_hintPause; }
    void SetHintPause(int milliseconds) { m_hintPause = milliseconds; }
    int HintShortPause() const { return m_hintShortPause; }
    void SetHintShortPause(int milliseconds) { m_hintShortPause = milliseconds; }
    int HintHidePause() const { return m_hintHidePause; }
    void SetHintHidePause(int milliseconds) { m_hintHidePause = milliseconds; }
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show) { m_showHint = show; }
    bool ShowMainForm() const { return m_showMainForm; }
    void SetShowMainForm(bool show) { m_showMainForm = show; }
    bool UpdateFormatSettings() const { return m_updateFormatSettings; }
    void SetUpdateFormatSettings(bool update) { m_updateFormatSettings = update; }
    bool UpdateMetricSettings() const { return m_updateMetricSettings; }
    void SetUpdateMetricSettings(bool update) { m_updateMetricSettings = update; }

    // Copies the settings into the application object (nothing without one).
    void UpdateAppProps();

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Loaded() override;

private:
    TColor m_hintColor = clInfoBk;
    int m_hintPause = 500;
    int m_hintShortPause = 50;
    int m_hintHidePause = 2500;
    bool m_showHint = true;
    bool m_showMainForm = true;
    bool m_updateFormatSettings = true;
    bool m_updateMetricSettings = true;
};
