#pragma once
// Objects that can be assigned to one another and declare stored data of their own.

#include "framework/object.h"

#include <functional>
#include <string>

class TStream;
class PropertyTable;

// Declares stored binary properties of an object to a design reader or writer.
class TFiler {
public:
    virtual ~TFiler() = default;
    // `read` is called with a stream holding exactly the property's bytes; `write` writes them.
    // `hasData` false: nothing is written for this property.
    virtual void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> read,
                                      std::function<void(TStream&)> write, bool hasData) = 0;
};

class TPersistent : public TObject {
    PICTAVO_CLASS(TPersistent)
public:
    // Copies the source into this object. The base asks the source to copy itself into this
    // object, which by default raises the assignment error.
    virtual void CopyFrom(const TPersistent* source);
    // Copies this object into the destination; the base raises the assignment error.
    virtual void CopyTo(TPersistent* destination) const;
    // Declares stored data beyond the property tables; none by default.
    virtual void DeclareStoredData(TFiler& filer);
    // The class's stored properties; null when it publishes none.
    virtual const PropertyTable* Properties() const { return nullptr; }

protected:
    // "Cannot assign a %s to a %s": the source's class name (or "nil") and this class's name.
    [[noreturn]] void AssignError(const TPersistent* source) const;
};
