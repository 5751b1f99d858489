#include "settings/form_storage.h"

#include "framework/application.h"
#include "framework/class_registry.h"
#include "framework/forms.h"
#include "framework/scope_exit.h"

#include <algorithm>

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The file part of a drive-letter path with its extension replaced.
std::string withIniExtension(const std::string& path)
{
    const auto slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name + ".INI";
}

} // namespace

// --- TWinMinMaxInfo ---

PICTAVO_DEFINE_CLASS(TWinMinMaxInfo, TPersistent, createObjectOf<TWinMinMaxInfo>, nullptr)

void TWinMinMaxInfo::set(int index, int value)
{
    if (m_values[index] == value)
        return;
    m_values[index] = value;
    if (OnChange)
        OnChange(this);
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const
{
    return std::all_of(std::begin(m_values), std::end(m_values), [](int v) { return v == 0; });
}

void TWinMinMaxInfo::CopyFrom(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TWinMinMaxInfo*>(source);
    if (!other) {
        TPersistent::CopyFrom(source);
        return;
    }
    std::copy(std::begin(other->m_values), std::end(other->m_values), std::begin(m_values));
    if (OnChange)
        OnChange(this);
}

const PropertyTable* TWinMinMaxInfo::Properties() const
{
    static const PropertyTable table(nullptr, {
        props::integer<TWinMinMaxInfo, int>("MaxPosLeft", &TWinMinMaxInfo::MaxPosLeft, &TWinMinMaxInfo::SetMaxPosLeft),
        props::integer<TWinMinMaxInfo, int>("MaxPosTop", &TWinMinMaxInfo::MaxPosTop, &TWinMinMaxInfo::SetMaxPosTop),
        props::integer<TWinMinMaxInfo, int>("MaxSizeHeight", &TWinMinMaxInfo::MaxSizeHeight,
                                            &TWinMinMaxInfo::SetMaxSizeHeight),
        props::integer<TWinMinMaxInfo, int>("MaxSizeWidth", &TWinMinMaxInfo::MaxSizeWidth,
                                            &TWinMinMaxInfo::SetMaxSizeWidth),
        props::integer<TWinMinMaxInfo, int>("MaxTrackHeight", &TWinMinMaxInfo::MaxTrackHeight,
                                            &TWinMinMaxInfo::SetMaxTrackHeight),
        props::integer<TWinMinMaxInfo, int>("MaxTrackWidth", &TWinMinMaxInfo::MaxTrackWidth,
                                            &TWinMinMaxInfo::SetMaxTrackWidth),
        props::integer<TWinMinMaxInfo, int>("MinTrackHeight", &TWinMinMaxInfo::MinTrackHeight,
                                            &TWinMinMaxInfo::SetMinTrackHeight),
        props::integer<TWinMinMaxInfo, int>("MinTrackWidth", &TWinMinMaxInfo::MinTrackWidth,
                                            &TWinMinMaxInfo::SetMinTrackWidth),
    });
    return &table;
}

// --- TFormPlacement ---

PICTAVO_DEFINE_CLASS(TFormPlacement, TComponent, nullptr, createComponentOf<TFormPlacement>)

TFormPlacement::TFormPlacement(TComponent* owner)
    : TComponent(owner), m_minMaxInfo(std::make_unique<TWinMinMaxInfo>())
{
    if (!dynamic_cast<TForm*>(owner))
        m_options = 0;
    m_minMaxInfo->OnChange = [this](TObject*) {
        if (!IsLoading())
            applyMinMaxInfo();
    };
}

TFormPlacement::~TFormPlacement() = default;

TForm* TFormPlacement::Form() const
{
    return dynamic_cast<TForm*>(Owner());
}

std::string TFormPlacement::IniFileName() const
{
    if (!m_iniFileName.empty())
        return m_iniFileName;
    return withIniExtension(Application ? Application->ExeName() : std::string("pictavo"));
}

std::string TFormPlacement::IniSection() const
{
    if (!m_iniSection.empty())
        return m_iniSection;
    const TForm* form = Form();
    return form ? form->ClassName() : std::string();
}

void TFormPlacement::Loaded()
{
    TComponent::Loaded();
    attach();
    applyMinMaxInfo();
}

void TFormPlacement::applyMinMaxInfo()
{
    // The form's size limits stand for the platform's tracking limits: the window cannot be
    // dragged (or set) beyond them.
    TForm* form = Form();
    if (!form)
        return;
    TSizeConstraints* limits = form->Constraints();
    if (m_minMaxInfo->MinTrackWidth() != 0)
        limits->SetMinWidth(m_minMaxInfo->MinTrackWidth());
    if (m_minMaxInfo->MinTrackHeight() != 0)
        limits->SetMinHeight(m_minMaxInfo->MinTrackHeight());
    if (m_minMaxInfo->MaxTrackWidth() != 0)
        limits->SetMaxWidth(m_minMaxInfo->MaxTrackWidth());
    if (m_minMaxInfo->MaxTrackHeight() != 0)
        limits->SetMaxHeight(m_minMaxInfo->MaxTrackHeight());
}

void TFormPlacement::attach()
{
    TForm* form = Form();
    if (!form)
        return;
    // The form runs these listeners around its own handlers: the restore before OnShow, the
    // save after an OnCloseQuery that lets the form close, the destroying save before OnDestroy.
    // A failure is shown and stops nothing.
    m_formShown = form->ShowListeners.Add([this](TForm&) {
        if (!m_active)
            return;
        try {
            RestoreFormPlacement();
        } catch (...) {
            HandleEscapingException(this);
        }
    });
    m_formCloseQuery = form->CloseQueryListeners.Add([this](TForm& closing, bool& canClose) {
        if (!canClose || !m_active || !closing.HandleAllocated())
            return;
        try {
            SaveFormPlacement();
        } catch (...) {
            HandleEscapingException(this);
        }
    });
    m_formDestroyed = form->DestroyListeners.Add([this](TForm&) {
        if (!m_active || m_saved)
            return;
        m_destroying = true;
        ScopeExit saved([this] { m_destroying = false; });
        try {
            SaveFormPlacement();
        } catch (...) {
            HandleEscapingException(this);
        }
    });
}

void TFormPlacement::RestoreFormPlacement()
{
    m_saved = false;
    Restore();
    if (OnRestorePlacement)
        OnRestorePlacement(this);
}

void TFormPlacement::SaveFormPlacement()
{
    if (!m_restored && m_active)
        return;
    Save();
    if (OnSavePlacement)
        OnSavePlacement(this);
    m_saved = true;
}

void TFormPlacement::Restore()
{
    // FIXME: read the placement from the settings file once profile files are available.
    m_restored = true;
}

void TFormPlacement::Save()
{
    // FIXME: write the placement to the settings file once profile files are available.
}

const PropertyTable& TFormPlacement::ClassProperties()
{
    static const PropertyTable table(&TComponent::ClassProperties(), {
        props::boolean<TFormPlacement>("Active", &TFormPlacement::Active, &TFormPlacement::SetActive),
        props::string<TFormPlacement>("IniFileName", &TFormPlacement::IniFileName, &TFormPlacement::SetIniFileName),
        props::string<TFormPlacement>("IniSection", &TFormPlacement::IniSection, &TFormPlacement::SetIniSection),
        props::object<TFormPlacement, TWinMinMaxInfo>("MinMaxInfo", &TFormPlacement::MinMaxInfo),
        props::set<TFormPlacement, TPlacementOptions>("Options", {"fpState", "fpPosition", "fpActiveControl"},
                                                      &TFormPlacement::Options, &TFormPlacement::SetOptions),
        props::boolean<TFormPlacement>("PreventResize", &TFormPlacement::PreventResize,
                                       &TFormPlacement::SetPreventResize),
        props::boolean<TFormPlacement>("UseRegistry", &TFormPlacement::UseRegistry, &TFormPlacement::SetUseRegistry),
        props::event<TFormPlacement, TNotifyEvent>("OnRestorePlacement", &TFormPlacement::OnRestorePlacement),
        props::event<TFormPlacement, TNotifyEvent>("OnSavePlacement", &TFormPlacement::OnSavePlacement),
    });
    return table;
}

const PropertyTable* TFormPlacement::Properties() const
{
    return &ClassProperties();
}

// --- TFormStorage ---

PICTAVO_DEFINE_CLASS(TFormStorage, TFormPlacement, nullptr, createComponentOf<TFormStorage>)

TFormStorage::TFormStorage(TComponent* owner) : TFormPlacement(owner), m_storedProps(std::make_unique<TStringList>()) {}

TFormStorage::~TFormStorage() = default;

void TFormStorage::Loaded()
{
    TFormPlacement::Loaded();
    bindLines();
}

void TFormStorage::bindLines()
{
    m_bound.clear();
    TForm* form = Form();
    std::vector<StoredPropsLine> lines;
    // Walked from the last line to the first, so deleting a line leaves the others' indexes.
    for (int i = m_storedProps->Count() - 1; i >= 0; --i) {
        const std::string line = m_storedProps->Get(i);
        const auto dot = line.find('.');
        const std::string name = dot == std::string::npos ? std::string() : trimmed(line.substr(0, dot));
        const std::string property = dot == std::string::npos ? std::string() : trimmed(line.substr(dot + 1));
        TComponent* component = form && !name.empty() && !property.empty() ? form->FindComponent(name) : nullptr;
        if (!component) {
            m_storedProps->Delete(i);
            continue;
        }
        lines.push_back({line, component, property});
    }
    std::reverse(lines.begin(), lines.end());
    m_bound = std::move(lines);
}

void TFormStorage::rewriteLines()
{
    m_storedProps->Clear();
    for (StoredPropsLine& bound : m_bound) {
        bound.line = bound.component->Name() + "." + bound.property;
        m_storedProps->Add(bound.line);
    }
}

void TFormStorage::Notification(TComponent* component, TOperation operation)
{
    TFormPlacement::Notification(component, operation);
    if (operation != TOperation::opRemove)
        return;
    // The lines are bound to components the form owns, which all hear of their siblings' going.
    const auto before = m_bound.size();
    std::erase_if(m_bound, [](const StoredPropsLine& line) { return !line.component; });
    if (m_bound.size() != before && !IsDestroying())
        rewriteLines();
}

void TFormStorage::Restore()
{
    TFormPlacement::Restore();
    rewriteLines();
    // FIXME: read each bound property from the settings file once profile files are available.
}

void TFormStorage::Save()
{
    TFormPlacement::Save();
    rewriteLines();
    // FIXME: write each bound property to the settings file once profile files are available.
}

const PropertyTable& TFormStorage::ClassProperties()
{
    static const PropertyTable table(&TFormPlacement::ClassProperties(), {
        props::strings<TFormStorage, TStrings>("StoredProps", &TFormStorage::StoredProps),
    });
    return table;
}

const PropertyTable* TFormStorage::Properties() const
{
    return &ClassProperties();
}

void RegisterSettingsClasses()
{
    RegisterClasses({TFormPlacement::StaticClass(), TFormStorage::StaticClass()});
}
