#include "framework/persistent.h"

#include "framework/exceptions.h"

namespace {
constexpr auto cannotAssign = "Cannot assign a %s to a %s";
}

PICTAVO_DEFINE_CLASS(TPersistent, TObject, nullptr, nullptr)

const TMetaClass* TObject::StaticClass()
{
    static const TMetaClass meta{"TObject", nullptr, nullptr, nullptr};
    return &meta;
}

void TPersistent::CopyFrom(const TPersistent* source)
{
    if (!source)
        AssignError(nullptr);
    source->CopyTo(this);
}

void TPersistent::CopyTo(TPersistent* destination) const
{
    // The destination reports, naming this object as the source.
    if (destination)
        destination->AssignError(this);
    throw EConvertError(cannotAssign, {ClassName(), std::string("nil")});
}

void TPersistent::DeclareStoredData(TFiler&) {}

void TPersistent::AssignError(const TPersistent* source) const
{
    throw EConvertError(cannotAssign, {source ? source->ClassName() : std::string("nil"), ClassName()});
}
