#pragma once
// TRxTrayIcon: shows its icon in the desktop's notification area while the icon is not empty
// (added on the first picture, modified on later changes, removed when the icon empties, the
// component turns inactive or goes). Mouse actions on it do nothing: the program attaches no
// menu and no handler. The notification area is reached through TrayIconSeam.

#include "framework/component.h"
#include "platform/seam.h"

#include <memory>
#include <string>

class TPicture;

enum class TrayIconMessage { Add, Modify, Delete };

class TRxTrayIcon : public TComponent {
    PICTAVO_CLASS(TRxTrayIcon)
public:
    explicit TRxTrayIcon(TComponent* owner);
    ~TRxTrayIcon() override;

    bool Active() const { return m_active; }
    void SetActive(bool active);
    std::string Hint() const { return m_hint; }
    void SetHint(const std::string& hint);
    // The icon shown; any picture the registry loads.
    TPicture* Icon() const { return m_icon.get(); }
    // Whether the icon is in the notification area now.
    bool Shown() const { return m_shown; }

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

private:
    void update();

    bool m_active = true;
    std::string m_hint;
    std::unique_ptr<TPicture> m_icon;
    bool m_shown = false;
};

// Carries a request to the notification area; the default shows the icon with the desktop's
// system tray where there is one.
Seam<void(TrayIconMessage, const TRxTrayIcon&)>& TrayIconSeam();
