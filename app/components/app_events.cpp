#include "app/components/app_events.h"

#include "framework/application.h"

PICTAVO_DEFINE_CLASS(TAppEvents, TComponent, nullptr, createComponentOf<TAppEvents>)

TAppEvents::TAppEvents(TComponent* owner) : TComponent(owner) {}

void TAppEvents::Loaded()
{
    TComponent::Loaded();
    UpdateAppProps();
}

void TAppEvents::UpdateAppProps()
{
    if (!Application)
        return;
    Application->SetHintColor(m_hintColor);
    Application->SetHintPause(m_hintPause);
    Application->SetShowHint(m_showHint);
    Application->SetHintShortPause(m_hintShortPause);
    Application->SetHintHidePause(m_hintHidePause);
    Application->SetShowMainForm(m_showMainForm);
    Application->SetUpdateFormatSettings(m_updateFormatSettings);
    Application->SetUpdateMetricSettings(m_updateMetricSettings);
}

const PropertyTable& TAppEvents::ClassProperties()
{
    static const PropertyTable table(&TComponent::ClassProperties(), {
        props::integer<TAppEvents, TColor>("HintColor", &TAppEvents::HintColor, &TAppEvents::SetHintColor),
        props::integer<TAppEvents, int>("HintHidePause", &TAppEvents::HintHidePause, &TAppEvents::SetHintHidePause),
        props::integer<TAppEvents, int>("HintPause", &TAppEvents::HintPause, &TAppEvents::SetHintPause),
        props::integer<TAppEvents, int>("HintShortPause", &TAppEvents::HintShortPause,
                                        &TAppEvents::SetHintShortPause),
        props::boolean<TAppEvents>("ShowHint", &TAppEvents::ShowHint, &TAppEvents::SetShowHint),
        props::boolean<TAppEvents>("ShowMainForm", &TAppEvents::ShowMainForm, &TAppEvents::SetShowMainForm),
        props::boolean<TAppEvents>("UpdateFormatSettings", &TAppEvents::UpdateFormatSettings,
                                   &TAppEvents::SetUpdateFormatSettings),
        props::boolean<TAppEvents>("UpdateMetricSettings", &TAppEvents::UpdateMetricSettings,
                                   &TAppEvents::SetUpdateMetricSettings),
    });
    return table;
}

const PropertyTable* TAppEvents::Properties() const
{
    return &ClassProperties();
}
