// The form placement: the window's position, size and state in the settings file.

#include "settings/form_storage.h"

#include "framework/application.h"
#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/forms.h"
#include "framework/scope_exit.h"
#include "framework/strings.h"
#include "platform/paths.h"
#include "platform/profile_file.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr auto unableToWrite = "Unable to write to %s";
constexpr auto resolutionSuffix = "(%dx%d)";
constexpr auto flagsKey = "Flags";
constexpr auto showCmdKey = "ShowCmd";
constexpr auto minMaxPosKey = "MinMaxPos";
constexpr auto normPosKey = "NormPos";
constexpr auto activeControlKey = "ActiveControl";
constexpr auto visibleKey = "Visible";

// Show states of a window placement.
constexpr int showNormal = 1;
constexpr int showMinimized = 2;
constexpr int showMaximized = 3;

// Decimal, or hexadecimal after "0x"; nullopt when the text is no number.
std::optional<long long> numberOf(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Up to four comma-separated numbers; each one missing or not a number takes its default.
std::array<int, 4> fourNumbers(const std::string& text, std::array<int, 4> defaults)
{
    std::size_t start = 0;
    for (int i = 0; i < 4 && start <= text.size(); ++i) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        if (const auto number = numberOf(Trim(text.substr(start, comma - start))))
            defaults[std::size_t(i)] = int(*number);
        start = comma + 1;
    }
    return defaults;
}

std::string fourNumbersText(const std::array<int, 4>& values)
{
    return Format("%d,%d,%d,%d", {values[0], values[1], values[2], values[3]});
}

// How messages name the file: in drive-letter form when it has one.
std::string shownName(const std::string& nativePath)
{
    return platform::toDriveLetterPath(nativePath).value_or(nativePath);
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
    // A window that may not be resized keeps its size however it is dragged, and has no
    // maximise button.
    if (m_preventResize) {
        limits->SetMinWidth(form->Width());
        limits->SetMaxWidth(form->Width());
        limits->SetMinHeight(form->Height());
        limits->SetMaxHeight(form->Height());
        form->SetBorderIcons(form->BorderIcons() & ~(1u << biMaximize));
    }
}

void TFormPlacement::SetPreventResize(bool prevent)
{
    m_preventResize = prevent;
    if (prevent && !IsLoading())
        applyMinMaxInfo();
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
            // Shown once: the destroying that follows the close does not try again.
            m_closingSaveFailed = true;
            HandleEscapingException(this);
        }
    });
    m_formDestroyed = form->DestroyListeners.Add([this](TForm&) {
        if (!m_active || m_saved || m_closingSaveFailed)
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
    RestoreActiveControl();
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

TPropsStorage::File TFormPlacement::SettingsFile() const
{
    const std::string path = platform::profilePath(IniFileName());
    const auto failed = [path] { throw EIniFileException(Format(unableToWrite, {shownName(path)})); };
    return {
        [path](const std::string& section, const std::string& key, const std::string& fallback) {
            return platform::readProfileString(path, section, key, fallback);
        },
        [path, failed](const std::string& section, const std::string& key, const std::string& value) {
            if (!platform::writeProfileString(path, section, key, value))
                failed();
        },
        [path, failed](const std::string& section) {
            if (!platform::eraseProfileSection(path, section))
                failed();
        },
    };
}

std::string TFormPlacement::resolutionKey(const std::string& key) const
{
    return key + Format(resolutionSuffix, {Screen->Width(), Screen->Height()});
}

void TFormPlacement::Restore()
{
    TForm* form = Form();
    if (form) {
        const TPropsStorage::File file = SettingsFile();
        const std::string section = IniSection();
        // The key of this screen's resolution first; the plain key stands in when it is missing
        // or empty, so a placement saved on another screen is still found.
        const auto read = [&](const std::string& key) {
            std::string value = Trim(file.read(section, resolutionKey(key), ""));
            return value.empty() ? Trim(file.read(section, key, "")) : value;
        };
        if (m_options & (1u << fpPosition)) {
            if (const auto flags = numberOf(Trim(file.read(section, flagsKey, std::to_string(m_flags)))))
                m_flags = int(*flags);
            const std::string minMax = read(minMaxPosKey);
            const std::string normal = read(normPosKey);
            if (!minMax.empty())
                m_minMaxPos = fourNumbers(minMax, {0, 0, 0, 0});
            if (!minMax.empty() || !normal.empty()) {
                const TRect now = form->NormalBounds();
                auto [left, top, right, bottom] =
                    fourNumbers(normal, {form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()});
                // A window that cannot be sized keeps its size at the stored place.
                const TFormBorderStyle border = form->BorderStyle();
                if (border != bsSizeable && border != bsSizeToolWin) {
                    right = left + now.width();
                    bottom = top + now.height();
                }
                if (left < right)
                    form->SetNormalBounds(TRect{left, top, right, bottom});
            }
        }
        if (m_options & (1u << fpState)) {
            const bool mainForm = Application && Application->MainForm() == form;
            TWindowState state = mainForm && (form->FormStyle() == fsMDIForm ||
                                              (form->FormStyle() == fsNormal && form->Position() == poDefault))
                                     ? wsMaximized
                                     : wsNormal;
            switch (numberOf(Trim(file.read(section, showCmdKey, "0"))).value_or(0)) {
            case 1: case 5: case 9: state = wsNormal; break;
            case 2: case 6: case 7: state = wsMinimized; break;
            case 3: state = wsMaximized; break;
            default: break;
            }
            if (state == wsMinimized && mainForm) {
                // A minimised main window comes back as the whole application minimised.
                form->SetWindowState(wsNormal);
                Application->Minimize();
            } else {
                form->SetWindowState(state);
            }
        }
        form->Invalidate();
    }
    m_restored = true;
}

void TFormPlacement::RestoreActiveControl()
{
    TForm* form = Form();
    if (!form || !(m_options & (1u << fpActiveControl)))
        return;
    const std::string name = Trim(SettingsFile().read(IniSection(), activeControlKey, ""));
    auto* control = dynamic_cast<TWinControl*>(form->FindComponent(name));
    if (control && control->CanFocus())
        form->SetActiveControl(control);
}

void TFormPlacement::Save()
{
    TForm* form = Form();
    if (!form)
        return;
    const TPropsStorage::File file = SettingsFile();
    const std::string section = IniSection();
    const bool mainForm = Application && Application->MainForm() == form;
    int show = showNormal;
    if (form->WindowState() == wsMaximized)
        show = showMaximized;
    else if (form->WindowState() == wsMinimized)
        show = showMinimized;
    const TRect normal = form->NormalBounds();
    const std::array<int, 4> normalRect{normal.left, normal.top, normal.right, normal.bottom};
    file.write(section, flagsKey, std::to_string(m_flags));
    file.write(section, showCmdKey, std::to_string(mainForm && form->WindowState() == wsMinimized ? showMinimized : show));
    file.write(section, resolutionKey(minMaxPosKey), fourNumbersText(m_minMaxPos));
    file.write(section, minMaxPosKey, fourNumbersText(m_minMaxPos));
    file.write(section, resolutionKey(normPosKey), fourNumbersText(normalRect));
    file.write(section, normPosKey, fourNumbersText(normalRect));
    if (m_options & (1u << fpActiveControl))
        if (const TWinControl* active = form->ActiveControl(); active && active->Focused())
            file.write(section, activeControlKey, active->Name());
    file.write(section, visibleKey, m_destroying ? "1" : "0");
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

