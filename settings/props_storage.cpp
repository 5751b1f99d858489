#include "settings/props_storage.h"

#include "framework/collection.h"
#include "framework/forms.h"
#include "framework/strings.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr auto nullReference = "(null)";
constexpr auto countKey = "Count";
constexpr auto itemKey = "Item";

// Decimal integers as the settings file holds them; anything else is 0.
long long integerOf(const std::string& text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

std::string floatText(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

// The class name as an owner without a name is known by: without its leading "T".
std::string classWithoutPrefix(const TComponent& component)
{
    std::string name = component.ClassName();
    return !name.empty() && name[0] == 'T' ? name.substr(1) : name;
}

bool isSetSeparator(char c)
{
    return c == ' ' || c == ',' || c == '[' || c == ']' || c == '\t';
}

} // namespace

TPropsStorage::TPropsStorage(TComponent* form, std::string section, File file)
    : m_form(form), m_section(std::move(section)), m_file(std::move(file))
{
}

std::string TPropsStorage::componentName(const TComponent* component) const
{
    const TComponent* owner = component->Owner();
    if (!owner || owner == m_form)
        return component->Name();
    const std::string ownerName = owner->Name().empty() ? classWithoutPrefix(*owner) : owner->Name();
    return ownerName + "." + component->Name();
}

std::optional<TComponent*> TPropsStorage::findComponent(const std::string& text) const
{
    const auto dot = text.find('.');
    if (dot == std::string::npos)
        return m_form ? m_form->FindComponent(text) : nullptr;
    // Another form of the application, by name; no form of that name: nothing to set at all.
    const std::string ownerName = text.substr(0, dot);
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TForm* form = Screen->Forms(i);
        if (SameText(form->Name(), ownerName))
            return form->FindComponent(text.substr(dot + 1));
    }
    return std::nullopt;
}

std::string TPropsStorage::StoreStringValue(const TPersistent& object, const PropertyInfo& info) const
{
    const PropertyValue value = info.get(object);
    switch (info.kind) {
    case PropertyKind::Integer:
        return std::to_string(std::get<long long>(value));
    case PropertyKind::Char: {
        const auto c = static_cast<char>(std::get<long long>(value));
        return c == 0 ? std::string() : std::string(1, c);
    }
    case PropertyKind::Enumeration:
        return info.Identifier(std::get<long long>(value));
    case PropertyKind::Float:
        return floatText(std::get<double>(value));
    case PropertyKind::String:
        return std::get<std::string>(value);
    case PropertyKind::Set: {
        const auto bits = static_cast<unsigned long long>(std::get<long long>(value));
        std::string text = "[";
        for (std::size_t i = 0; i < info.identifiers.size() && i < 32; ++i)
            if (bits & (1ULL << i)) {
                if (text.size() > 1)
                    text += ",";
                text += info.identifiers[i];
            }
        return text + "]";
    }
    case PropertyKind::Component: {
        const TComponent* component = std::get<TComponent*>(value);
        return component ? componentName(component) : std::string();
    }
    default:
        return {};
    }
}

void TPropsStorage::LoadStringValue(TPersistent& object, const PropertyInfo& info, const std::string& text) const
{
    if (!info.set)
        return;
    switch (info.kind) {
    case PropertyKind::Integer:
        info.set(object, std::clamp(integerOf(text), info.minimum, info.maximum));
        break;
    case PropertyKind::Char:
        if (!text.empty())
            info.set(object, static_cast<long long>(static_cast<unsigned char>(text[0])));
        break;
    case PropertyKind::Enumeration:
        if (const long long ordinal = info.OrdinalOf(text); ordinal >= 0)
            info.set(object, ordinal);
        break;
    case PropertyKind::Float: {
        double number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (!text.empty() && error == std::errc() && end == text.data() + text.size())
            info.set(object, number);
        break;
    }
    case PropertyKind::String:
        info.set(object, text);
        break;
    case PropertyKind::Set: {
        long long bits = 0;
        std::size_t i = 0;
        while (i < text.size()) {
            while (i < text.size() && isSetSeparator(text[i]))
                ++i;
            std::size_t end = i;
            while (end < text.size() && !isSetSeparator(text[end]))
                ++end;
            if (end > i)
                if (const long long ordinal = info.OrdinalOf(text.substr(i, end - i)); ordinal >= 0 && ordinal < 32)
                    bits |= 1LL << ordinal;
            i = end;
        }
        info.set(object, bits);
        break;
    }
    case PropertyKind::Component:
        // Only a property that refers to a component takes a stored one, and an empty value
        // changes nothing. "(null)", or a name the owner does not know, leaves it referring to
        // none.
        if (text.empty() || !std::get<TComponent*>(info.get(object)))
            break;
        if (SameText(text, nullReference))
            info.set(object, static_cast<TComponent*>(nullptr));
        else if (const std::optional<TComponent*> component = findComponent(text))
            info.set(object, *component);
        break;
    default:
        break;
    }
}

void TPropsStorage::StoreProperty(const TPersistent& object, const PropertyInfo& info, const std::string& key) const
{
    switch (info.kind) {
    case PropertyKind::Method:
        return;
    case PropertyKind::Object: {
        const auto* sub = std::get<TPersistent*>(info.get(object));
        if (const PropertyTable* table = sub ? sub->Properties() : nullptr)
            for (const PropertyInfo* subInfo : table->All())
                StoreProperty(*sub, *subInfo, key + subInfo->name);
        return;
    }
    case PropertyKind::StringList: {
        const auto lines = std::get<std::vector<std::string>>(info.get(object));
        const std::string section = listSection(key);
        m_file.eraseSection(section);
        if (lines.empty())
            return;
        m_file.write(section, countKey, std::to_string(lines.size()));
        for (std::size_t i = 0; i < lines.size(); ++i)
            m_file.write(section, itemKey + std::to_string(i), lines[i]);
        return;
    }
    case PropertyKind::Collection: {
        const auto* collection = dynamic_cast<const TCollection*>(std::get<TPersistent*>(info.get(object)));
        const std::string section = listSection(key);
        m_file.eraseSection(section);
        if (!collection)
            return;
        for (int i = 0; i < collection->Count(); ++i) {
            const TCollectionItem& item = *collection->Items(i);
            if (const PropertyTable* table = item.Properties())
                for (const PropertyInfo* itemInfo : table->All())
                    if (const std::string text = StoreStringValue(item, *itemInfo);
                        !text.empty() || itemInfo->kind == PropertyKind::String)
                        m_file.write(section, itemKey + std::to_string(i) + "_" + itemInfo->name, Trim(text));
        }
        return;
    }
    default: {
        const std::string text = Trim(StoreStringValue(object, info));
        if (!text.empty() || info.kind == PropertyKind::String)
            m_file.write(m_section, key, text);
    }
    }
}

void TPropsStorage::LoadProperty(TPersistent& object, const PropertyInfo& info, const std::string& key) const
{
    switch (info.kind) {
    case PropertyKind::Method:
        return;
    case PropertyKind::Object: {
        auto* sub = std::get<TPersistent*>(info.get(object));
        if (const PropertyTable* table = sub ? sub->Properties() : nullptr)
            for (const PropertyInfo* subInfo : table->All())
                LoadProperty(*sub, *subInfo, key + subInfo->name);
        return;
    }
    case PropertyKind::StringList: {
        const std::string section = listSection(key);
        const long long count = integerOf(Trim(m_file.read(section, countKey, "0")));
        if (count <= 0)
            return;
        std::vector<std::string> lines;
        for (long long i = 0; i < count; ++i)
            lines.push_back(m_file.read(section, itemKey + std::to_string(i), ""));
        info.set(object, std::move(lines));
        return;
    }
    case PropertyKind::Collection: {
        auto* collection = dynamic_cast<TCollection*>(std::get<TPersistent*>(info.get(object)));
        if (!collection)
            return;
        const std::string section = listSection(key);
        for (int i = 0; i < collection->Count(); ++i) {
            TCollectionItem& item = *collection->Items(i);
            if (const PropertyTable* table = item.Properties())
                for (const PropertyInfo* itemInfo : table->All()) {
                    const std::string current = StoreStringValue(item, *itemInfo);
                    const std::string itemName = itemKey + std::to_string(i) + "_" + itemInfo->name;
                    LoadStringValue(item, *itemInfo, Trim(m_file.read(section, itemName, current)));
                }
        }
        return;
    }
    default: {
        const std::string current = StoreStringValue(object, info);
        LoadStringValue(object, info, Trim(m_file.read(m_section, key, current)));
    }
    }
}
