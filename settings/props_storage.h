#pragma once
// TPropsStorage: properties of a form's components kept in a settings section as text, found by
// name through the property tables. Each kind has one text form:
//   integers in decimal (text that is no number reads as 0); characters as themselves;
//   enumerations and booleans by identifier (no match leaves the property); floats in general
//   format with "." (no number leaves the property); strings as they are; sets as "[a,b]";
//   component references by name, qualified by their owner's name when the owner is not the
//   storage's form, "(null)" for none; sub-objects as one key per sub-property (the key
//   followed by the sub-property's name); string lists and collections in a section of their
//   own ("<section>.<key>").

#include "framework/component.h"
#include "framework/properties.h"

#include <functional>
#include <optional>
#include <string>

class TPropsStorage {
public:
    // The settings file as the storage sees it: read a key (with a default), write a key, erase
    // a section. A failed write raises.
    struct File {
        std::function<std::string(const std::string& section, const std::string& key, const std::string& fallback)>
            read;
        std::function<void(const std::string& section, const std::string& key, const std::string& value)> write;
        std::function<void(const std::string& section)> eraseSection;
    };

    // `form` owns the components whose references are written by bare name.
    TPropsStorage(TComponent* form, std::string section, File file);

    // The text form of a property; empty for the kinds that keep sections of their own.
    std::string StoreStringValue(const TPersistent& object, const PropertyInfo& info) const;
    // Sets a property from its text form; text that does not convert leaves it as it is.
    void LoadStringValue(TPersistent& object, const PropertyInfo& info, const std::string& text) const;

    // Writes one property under `key`. A property whose text form is empty is not written,
    // except strings and the kinds with sections of their own.
    void StoreProperty(const TPersistent& object, const PropertyInfo& info, const std::string& key) const;
    // Reads one property from `key`; a missing key keeps the current value.
    void LoadProperty(TPersistent& object, const PropertyInfo& info, const std::string& key) const;

private:
    std::string componentName(const TComponent* component) const;
    // The component a stored name gives (null for none), or nullopt when it names an owner
    // that does not exist.
    std::optional<TComponent*> findComponent(const std::string& text) const;
    std::string listSection(const std::string& key) const { return m_section + "." + key; }

    TComponent* m_form;
    std::string m_section;
    File m_file;
};
