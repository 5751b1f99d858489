#pragma once
// Form placement and stored properties. TFormPlacement keeps a form's position, size and state
// in a settings file; TFormStorage also keeps the properties named in its StoredProps lines
// ("Component.Property"). Both follow their form's show, close-query and destroy events: the
// form's showing restores, an allowed close saves, and destroying saves when nothing was saved
// since the last restore. The form's own handlers stay as they were assigned. A non-zero
// minimum or maximum tracking size limits the form.
//
// The settings file is an INI file (see platform/profile_file.h), written key by key; a key
// that cannot be written raises "Unable to write to %s" and ends the save there.

#include "framework/canvas.h"
#include "framework/component.h"
#include "framework/hook_list.h"
#include "framework/strings.h"
#include "settings/props_storage.h"

#include <array>

#include <memory>
#include <string>
#include <vector>

class TForm;

// Size limits of a window; 0 leaves the platform's value.
class TWinMinMaxInfo : public TPersistent {
    PICTAVO_CLASS(TWinMinMaxInfo)
public:
    int MaxPosLeft() const { return m_values[0]; }
    void SetMaxPosLeft(int value) { set(0, value); }
    int MaxPosTop() const { return m_values[1]; }
    void SetMaxPosTop(int value) { set(1, value); }
    int MaxSizeHeight() const { return m_values[2]; }
    void SetMaxSizeHeight(int value) { set(2, value); }
    int MaxSizeWidth() const { return m_values[3]; }
    void SetMaxSizeWidth(int value) { set(3, value); }
    int MaxTrackHeight() const { return m_values[4]; }
    void SetMaxTrackHeight(int value) { set(4, value); }
    int MaxTrackWidth() const { return m_values[5]; }
    void SetMaxTrackWidth(int value) { set(5, value); }
    int MinTrackHeight() const { return m_values[6]; }
    void SetMinTrackHeight(int value) { set(6, value); }
    int MinTrackWidth() const { return m_values[7]; }
    void SetMinTrackWidth(int value) { set(7, value); }
    bool DefaultMinMaxInfo() const;

    void CopyFrom(const TPersistent* source) override;
    const PropertyTable* Properties() const override;

    TNotifyEvent OnChange;

private:
    void set(int index, int value);
    int m_values[8] = {};
};

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = unsigned;  // bits 1 << TPlacementOption

class TFormPlacement : public TComponent {
    PICTAVO_CLASS(TFormPlacement)
public:
    explicit TFormPlacement(TComponent* owner);
    ~TFormPlacement() override;

    bool Active() const { return m_active; }
    void SetActive(bool active) { m_active = active; }
    // Empty: the program's file name with the extension ".INI".
    std::string IniFileName() const;
    void SetIniFileName(const std::string& name) { m_iniFileName = name; }
    // Empty: the owning form's class name.
    std::string IniSection() const;
    void SetIniSection(const std::string& section) { m_iniSection = section; }
    TWinMinMaxInfo* MinMaxInfo() const { return m_minMaxInfo.get(); }
    TPlacementOptions Options() const { return m_options; }
    void SetOptions(TPlacementOptions options) { m_options = options; }
    bool PreventResize() const { return m_preventResize; }
    // Fixes the form's size where it is now and takes its maximise button away.
    void SetPreventResize(bool prevent);
    bool UseRegistry() const { return m_useRegistry; }
    void SetUseRegistry(bool use) { m_useRegistry = use; }

    // Whether a restore ran (a save needs one unless the component is inactive), and whether a
    // save ran since.
    bool Restored() const { return m_restored; }
    bool Saved() const { return m_saved; }

    void RestoreFormPlacement();
    void SaveFormPlacement();

    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    // The form that owns the component, or null.
    TForm* Form() const;
    void Loaded() override;
    // The settings file named by IniFileName; its writes raise "Unable to write to %s".
    TPropsStorage::File SettingsFile() const;
    virtual void Restore();
    virtual void Save();

private:
    void attach();
    void applyMinMaxInfo();
    void RestoreActiveControl();
    // A placement key with the screen's resolution: "NormPos(1024x768)".
    std::string resolutionKey(const std::string& key) const;

    bool m_active = true;
    std::string m_iniFileName;
    std::string m_iniSection;
    std::unique_ptr<TWinMinMaxInfo> m_minMaxInfo;
    TPlacementOptions m_options = (1u << fpState) | (1u << fpPosition);
    bool m_preventResize = false;
    bool m_useRegistry = false;
    bool m_restored = false;
    bool m_saved = false;
    bool m_destroying = false;
    // What this platform's windows do not keep themselves: the placement's flags and the
    // minimised and maximised positions, carried from restore to save.
    bool m_closingSaveFailed = false;
    int m_flags = 0;
    std::array<int, 4> m_minMaxPos{-1, -1, -1, -1};
    // The form's life events this component follows; they end with the component.
    THookSubscription m_formShown;
    THookSubscription m_formCloseQuery;
    THookSubscription m_formDestroyed;
};

// A stored property line bound to its component.
struct StoredPropsLine {
    std::string line;                      // as written: "Component.Property"
    TComponentRef<TComponent> component;  // one of the form's components
    std::string property;
};

class TFormStorage : public TFormPlacement {
    PICTAVO_CLASS(TFormStorage)
public:
    explicit TFormStorage(TComponent* owner);
    ~TFormStorage() override;

    TStrings* StoredProps() const { return m_storedProps.get(); }
    // The lines bound to existing components of the form, in order.
    const std::vector<StoredPropsLine>& BoundProps() const { return m_bound; }

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Loaded() override;
    // A bound component went: its lines go.
    void Notification(TComponent* component, TOperation operation) override;
    void Restore() override;
    void Save() override;

private:
    // Binds each line to the component of that name; lines that name none are dropped.
    void bindLines();
    // Writes the lines again from the bound components' current names.
    void rewriteLines();

    std::unique_ptr<TStringList> m_storedProps;
    std::vector<StoredPropsLine> m_bound;
};

// Registers the settings classes with the design reader.
void RegisterSettingsClasses();
