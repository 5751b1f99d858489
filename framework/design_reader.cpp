#include "framework/design_reader.h"

#include "framework/colors.h"
#include "framework/control.h"
#include "framework/forms.h"
#include "framework/properties.h"
#include "framework/streams.h"
#include "framework/strings.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <climits>
#include <cmath>
#include <typeinfo>
#include <vector>

namespace {

constexpr auto cannotOpen = "Cannot open file %s";
constexpr auto invalidDesign = "Invalid design %s: %s";
constexpr auto wrongRoot = "Design %s describes a %s, not a %s";
constexpr auto notAComponentClass = "Class %s cannot be made from a design";
constexpr auto errorReading = "Error reading %s.%s: %s";
constexpr auto noSuchProperty = "Property %s does not exist";
constexpr auto invalidValue = "Invalid property value";
constexpr auto noSuchHandler = "Handler %s not found";
constexpr auto handlerMismatch = "Handler %s does not fit the event";
constexpr auto noSuchComponent = "Component %s not found";
constexpr auto invalidBinary = "Invalid binary data";
constexpr auto readOnly = "Property %s is read-only";

std::string str(const QString& s)
{
    return s.toStdString();
}

// A design's own failure with the component and property it concerns.
[[noreturn]] void fail(const std::string& component, const std::string& property, const std::string& reason)
{
    throw EFilerError(errorReading, {component, property, reason});
}

// Collects the binary properties an object declares, keeping the reader of the one wanted.
class DesignFiler : public TFiler {
public:
    explicit DesignFiler(std::string wanted) : m_wanted(std::move(wanted)) {}
    void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> read,
                              std::function<void(TStream&)>, bool) override
    {
        if (!m_read && SameText(name, m_wanted))
            m_read = std::move(read);
    }
    const std::function<void(TStream&)>& reader() const { return m_read; }

private:
    std::string m_wanted;
    std::function<void(TStream&)> m_read;
};

class Loader {
public:
    Loader(TComponent& root, const HandlerLookup& handlers, const std::string& source)
        : m_root(root), m_handlers(handlers), m_source(source)
    {
    }

    void load(const QJsonObject& design)
    {
        const std::string className = str(design.value("class").toString());
        if (!className.empty() && !inheritsFromName(m_root.ClassType(), className))
            throw EFilerError(wrongRoot, {m_source, className, m_root.ClassName()});
        m_root.BeginLoading();
        m_created.push_back(&m_root);
        try {
            if (design.contains("name"))
                m_root.SetName(uniqueRootName(str(design.value("name").toString())));
            applyProperties(m_root, design.value("properties").toObject(), m_root.Name());
            for (const QJsonValue& child : design.value("components").toArray())
                create(child.toObject(), m_root);
            resolveReferences();
        } catch (...) {
            // Nothing half-read stays behind: the components made so far go, the root ends
            // its loading.
            for (auto it = m_created.rbegin(); it != m_created.rend(); ++it)
                if (*it != &m_root)
                    delete *it;
            // A form the design asked to show stays as it was: hidden while still loading.
            if (auto* form = dynamic_cast<TForm*>(&m_root))
                form->SetVisible(false);
            m_root.Loaded();
            throw;
        }
        for (TComponent* component : m_created)
            component->Loaded();
    }

private:
    struct Fixup {
        TPersistent* object;
        const PropertyInfo* info;
        std::string name;
        std::string component;
        std::string property;
    };

    static bool inheritsFromName(const TMetaClass* meta, const std::string& name)
    {
        for (const TMetaClass* c = meta; c; c = c->parent)
            if (SameText(c->name, name))
                return true;
        return false;
    }

    std::string uniqueRootName(const std::string& name)
    {
        TComponent* owner = m_root.Owner();
        if (!owner || name.empty())
            return name;
        std::string candidate = name;
        for (int i = 1; owner->FindComponent(candidate) && owner->FindComponent(candidate) != &m_root; ++i)
            candidate = name + "_" + std::to_string(i);
        return candidate;
    }

    void create(const QJsonObject& design, TComponent& parent)
    {
        const std::string className = str(design.value("class").toString());
        const std::string name = str(design.value("name").toString());
        const TMetaClass* meta = FindClass(className);
        if (!meta->createComponent)
            throw EFilerError(notAComponentClass, {className});
        TComponent* component = meta->createComponent(&m_root);
        m_created.push_back(component);
        component->BeginLoading();
        component->SetName(name);
        if (&parent != &m_root || component->HasParent())
            component->SetParentComponent(&parent);
        applyProperties(*component, design.value("properties").toObject(), name.empty() ? className : name);
        for (const QJsonValue& child : design.value("components").toArray())
            create(child.toObject(), *component);
    }

    // Sets the properties of an object in the order of its property table.
    void applyProperties(TPersistent& object, const QJsonObject& values, const std::string& context)
    {
        const PropertyTable* table = object.Properties();
        const std::vector<const PropertyInfo*> all = table ? table->All() : std::vector<const PropertyInfo*>{};
        struct Entry {
            std::size_t order;
            QString key;
        };
        std::vector<Entry> entries;
        for (auto it = values.begin(); it != values.end(); ++it) {
            const std::string key = str(it.key());
            const std::string head = key.substr(0, key.find('.'));
            std::size_t order = SIZE_MAX;
            for (std::size_t i = 0; i < all.size(); ++i)
                if (SameText(all[i]->name, head)) {
                    order = i;
                    break;
                }
            entries.push_back({order, it.key()});
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return a.order < b.order; });
        for (const Entry& entry : entries)
            applyPath(object, str(entry.key), values.value(entry.key), context, str(entry.key));
    }

    // A property by a dotted path from an object.
    void applyPath(TPersistent& object, const std::string& path, const QJsonValue& value,
                   const std::string& context, const std::string& fullPath)
    {
        const std::size_t dot = path.find('.');
        const std::string head = path.substr(0, dot);
        const PropertyTable* table = object.Properties();
        const PropertyInfo* info = table ? table->Find(head) : nullptr;
        if (dot != std::string::npos) {
            if (!info || info->kind != PropertyKind::Object)
                fail(context, fullPath, Format(noSuchProperty, {head}));
            TPersistent* sub = subObject(object, *info, context, fullPath);
            applyPath(*sub, path.substr(dot + 1), value, context, fullPath);
            return;
        }
        if (!info) {
            if (value.isObject() && value.toObject().contains("base64")) {
                readBinary(object, head, value.toObject().value("base64"), context, fullPath);
                return;
            }
            fail(context, fullPath, Format(noSuchProperty, {head}));
        }
        setValue(object, *info, value, context, fullPath);
    }

    TPersistent* subObject(TPersistent& object, const PropertyInfo& info, const std::string& context,
                           const std::string& fullPath)
    {
        TPersistent* sub = info.get ? std::get<TPersistent*>(info.get(object)) : nullptr;
        if (!sub)
            fail(context, fullPath, invalidValue);
        return sub;
    }

    void readBinary(TPersistent& object, const std::string& name, const QJsonValue& text,
                    const std::string& context, const std::string& fullPath)
    {
        DesignFiler filer(name);
        object.DeclareStoredData(filer);
        if (!filer.reader())
            fail(context, fullPath, Format(noSuchProperty, {name}));
        if (!text.isString())
            fail(context, fullPath, invalidBinary);
        auto decoded = QByteArray::fromBase64Encoding(text.toString().toLatin1(),
                                                      QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            fail(context, fullPath, invalidBinary);
        const QByteArray& bytes = decoded.decoded;
        TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        filer.reader()(stream);
    }

    long long integerOf(const QJsonValue& value, const std::string& context, const std::string& fullPath)
    {
        if (value.isDouble()) {
            const double d = value.toDouble();
            if (d != std::floor(d) || d < -9.2e18 || d > 9.2e18)
                fail(context, fullPath, invalidValue);
            return static_cast<long long>(d);
        }
        if (value.isString()) {
            const std::string text = str(value.toString());
            TColor color;
            if (IdentToColor(text, color))
                return color;
            TCursor cursor;
            if (IdentToCursor(text, cursor))
                return cursor;
            TModalResult result;
            if (IdentToModalResult(text, result))
                return result;
            // "$" and hexadecimal digits.
            if (text.size() > 1 && text[0] == '$') {
                try {
                    std::size_t used = 0;
                    long long v = std::stoll(text.substr(1), &used, 16);
                    if (used == text.size() - 1)
                        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
                } catch (const std::exception&) {
                }
            }
        }
        fail(context, fullPath, invalidValue);
    }

    void setValue(TPersistent& object, const PropertyInfo& info, const QJsonValue& value,
                  const std::string& context, const std::string& fullPath)
    {
        if (info.kind == PropertyKind::Method) {
            bindHandler(object, info, value, context, fullPath);
            return;
        }
        if (info.kind == PropertyKind::Object) {
            if (!value.isObject())
                fail(context, fullPath, invalidValue);
            TPersistent* sub = subObject(object, info, context, fullPath);
            const QJsonObject values = value.toObject();
            for (auto it = values.begin(); it != values.end(); ++it)
                applyPath(*sub, str(it.key()), it.value(), context, fullPath + "." + str(it.key()));
            return;
        }
        if (!info.set)
            fail(context, fullPath, Format(readOnly, {info.name}));
        if (info.kind == PropertyKind::Component) {
            if (!value.isNull() && !value.isString())
                fail(context, fullPath, invalidValue);
            m_fixups.push_back({&object, &info, str(value.toString()), context, fullPath});
            return;
        }
        PropertyValue v;
        switch (info.kind) {
        case PropertyKind::Integer:
            v = integerOf(value, context, fullPath);
            break;
        case PropertyKind::Char:
            if (value.isString() && value.toString().toUtf8().size() == 1)
                v = static_cast<long long>(value.toString().toUtf8()[0]);
            else
                v = integerOf(value, context, fullPath);
            break;
        case PropertyKind::Enumeration: {
            long long ordinal = -1;
            if (value.isBool() && info.identifiers.size() == 2)
                ordinal = value.toBool() ? 1 : 0;
            else if (value.isString())
                ordinal = info.OrdinalOf(str(value.toString()));
            if (ordinal < 0)
                fail(context, fullPath, invalidValue);
            v = ordinal;
            break;
        }
        case PropertyKind::Float:
            if (!value.isDouble())
                fail(context, fullPath, invalidValue);
            v = value.toDouble();
            break;
        case PropertyKind::String:
            if (!value.isString())
                fail(context, fullPath, invalidValue);
            v = str(value.toString());
            break;
        case PropertyKind::Set: {
            if (!value.isArray())
                fail(context, fullPath, invalidValue);
            long long bits = 0;
            for (const QJsonValue& member : value.toArray()) {
                const long long ordinal = member.isString() ? info.OrdinalOf(str(member.toString())) : -1;
                if (ordinal < 0 || ordinal > 31)
                    fail(context, fullPath, invalidValue);
                bits |= 1LL << ordinal;
            }
            v = bits;
            break;
        }
        case PropertyKind::StringList: {
            if (!value.isArray())
                fail(context, fullPath, invalidValue);
            std::vector<std::string> lines;
            for (const QJsonValue& line : value.toArray()) {
                if (!line.isString())
                    fail(context, fullPath, invalidValue);
                lines.push_back(str(line.toString()));
            }
            v = std::move(lines);
            break;
        }
        default:
            fail(context, fullPath, invalidValue);
        }
        // A number the property's type cannot hold is refused, never cut down to another value.
        if (const long long* number = std::get_if<long long>(&v);
            number && (info.kind == PropertyKind::Integer || info.kind == PropertyKind::Char) &&
            (*number < info.minimum || *number > info.maximum))
            fail(context, fullPath, invalidValue);
        setChecked(object, info, v, context, fullPath);
    }

    // Sets a value; a failure of the setter is reported with the property it concerns.
    void setChecked(TPersistent& object, const PropertyInfo& info, const PropertyValue& v,
                    const std::string& context, const std::string& fullPath)
    {
        try {
            info.set(object, v);
        } catch (const EFilerError&) {
            throw;
        } catch (const Exception& e) {
            fail(context, fullPath, e.Message());
        }
    }

    void bindHandler(TPersistent& object, const PropertyInfo& info, const QJsonValue& value,
                     const std::string& context, const std::string& fullPath)
    {
        if (value.isNull() || (value.isString() && value.toString().isEmpty())) {
            return;
        }
        if (!value.isString())
            fail(context, fullPath, invalidValue);
        const std::string name = str(value.toString());
        const std::any* handler = m_handlers ? m_handlers(name) : nullptr;
        if (!handler)
            fail(context, fullPath, Format(noSuchHandler, {name}));
        try {
            info.setHandler(object, *handler);
        } catch (const std::bad_any_cast&) {
            fail(context, fullPath, Format(handlerMismatch, {name}));
        }
    }

    TComponent* findComponent(const std::string& name)
    {
        const std::size_t dot = name.find('.');
        if (dot != std::string::npos) {
            // Another form's component: "Form.Component".
            const std::string formName = name.substr(0, dot);
            for (int i = 0; i < Screen->FormCount(); ++i)
                if (SameText(Screen->Forms(i)->Name(), formName))
                    return Screen->Forms(i)->FindComponent(name.substr(dot + 1));
            return nullptr;
        }
        if (SameText(m_root.Name(), name))
            return &m_root;
        return m_root.FindComponent(name);
    }

    void resolveReferences()
    {
        for (const Fixup& fixup : m_fixups) {
            TComponent* target = nullptr;
            if (!fixup.name.empty()) {
                target = findComponent(fixup.name);
                if (!target)
                    fail(fixup.component, fixup.property, Format(noSuchComponent, {fixup.name}));
                if (fixup.info->referenceClass && !target->InheritsFrom(fixup.info->referenceClass))
                    fail(fixup.component, fixup.property, invalidValue);
            }
            setChecked(*fixup.object, *fixup.info, PropertyValue(target), fixup.component, fixup.property);
        }
    }

    TComponent& m_root;
    const HandlerLookup& m_handlers;
    std::string m_source;
    std::vector<TComponent*> m_created;
    std::vector<Fixup> m_fixups;
};

} // namespace

std::string DesignPath(const std::string& design)
{
    const bool isPath = design.rfind(":", 0) == 0 || design.find('/') != std::string::npos ||
                        (design.size() > 5 && design.compare(design.size() - 5, 5, ".json") == 0);
    return isPath ? design : ":/designs/" + design + ".json";
}

void ReadDesign(TComponent& root, const std::string& design, const HandlerLookup& handlers)
{
    const std::string path = DesignPath(design);
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(cannotOpen, {path});
    const QByteArray bytes = file.readAll();
    ReadDesignText(root, bytes.toStdString(), handlers, path);
}

void ReadDesignText(TComponent& root, const std::string& json, const HandlerLookup& handlers,
                    const std::string& source)
{
    RegisterFrameworkClasses();
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(json.data(), qsizetype(json.size())), &error);
    if (error.error != QJsonParseError::NoError)
        throw EFilerError(invalidDesign, {source, str(error.errorString()) + " at offset " +
                                                      std::to_string(error.offset)});
    if (!document.isObject())
        throw EFilerError(invalidDesign, {source, std::string("the document is not an object")});
    Loader loader(root, handlers, source);
    loader.load(document.object());
}
