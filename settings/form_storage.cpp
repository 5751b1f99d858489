// The form storage: the form placement, and the properties its lines name.

#include "settings/form_storage.h"

#include "framework/class_registry.h"
#include "framework/forms.h"
#include "framework/strings.h"

#include <algorithm>

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
        const std::string name = dot == std::string::npos ? std::string() : Trim(line.substr(0, dot));
        const std::string property = dot == std::string::npos ? std::string() : Trim(line.substr(dot + 1));
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
    const TPropsStorage storage(Form(), IniSection(), SettingsFile());
    // A property that cannot be read or converted keeps its value; the others still come back.
    for (const StoredPropsLine& bound : m_bound) {
        if (!bound.component)
            continue;
        const PropertyTable* table = bound.component->Properties();
        const PropertyInfo* info = table ? table->Find(bound.property) : nullptr;
        if (!info || info->kind == PropertyKind::Method)
            continue;
        try {
            storage.LoadProperty(*bound.component, *info, bound.component->Name() + "_" + info->name);
        } catch (const std::exception&) {
        }
    }
}

void TFormStorage::Save()
{
    TFormPlacement::Save();
    rewriteLines();
    const TPropsStorage storage(Form(), IniSection(), SettingsFile());
    for (const StoredPropsLine& bound : m_bound) {
        if (!bound.component)
            continue;
        const PropertyTable* table = bound.component->Properties();
        const PropertyInfo* info = table ? table->Find(bound.property) : nullptr;
        if (info && info->kind != PropertyKind::Method)
            storage.StoreProperty(*bound.component, *info, bound.component->Name() + "_" + info->name);
    }
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
