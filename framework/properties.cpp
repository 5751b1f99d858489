#include "framework/properties.h"

std::string PropertyInfo::Identifier(long long ordinal) const
{
    if (ordinal < 0 || ordinal >= static_cast<long long>(identifiers.size()))
        return {};
    return identifiers[std::size_t(ordinal)];
}

long long PropertyInfo::OrdinalOf(std::string_view identifier) const
{
    for (std::size_t i = 0; i < identifiers.size(); ++i)
        if (SameText(identifiers[i], identifier))
            return static_cast<long long>(i);
    return -1;
}

const PropertyInfo* PropertyTable::Find(std::string_view name) const
{
    for (const PropertyTable* table = this; table; table = table->m_base)
        for (const PropertyInfo& p : table->m_own)
            if (SameText(p.name, name))
                return &p;
    return nullptr;
}

std::vector<const PropertyInfo*> PropertyTable::All() const
{
    std::vector<const PropertyInfo*> result = m_base ? m_base->All() : std::vector<const PropertyInfo*>{};
    for (const PropertyInfo& p : m_own)
        result.push_back(&p);
    return result;
}

namespace props {
const std::vector<std::string>& booleanIdentifiers()
{
    static const std::vector<std::string> ids{"False", "True"};
    return ids;
}
} // namespace props
