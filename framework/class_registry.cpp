#include "framework/class_registry.h"

#include "framework/ext_controls.h"
#include "framework/forms.h"
#include "framework/list_controls.h"
#include "framework/menus.h"
#include "framework/properties.h"
#include "framework/std_controls.h"
#include "framework/timer.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr auto duplicateClass = "A class named %s already exists";
constexpr auto classNotFound = "Class %s not found";

struct Registry {
    std::mutex mutex;
    std::vector<const TMetaClass*> classes;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

void RegisterClass(const TMetaClass* meta)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const TMetaClass* known : r.classes) {
        if (known == meta)
            return;
        if (SameText(known->name, meta->name))
            throw EFilerError(duplicateClass, {std::string(meta->name)});
    }
    r.classes.push_back(meta);
}

void RegisterClasses(std::initializer_list<const TMetaClass*> metas)
{
    for (const TMetaClass* meta : metas)
        RegisterClass(meta);
}

void UnRegisterClass(const TMetaClass* meta)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.classes.erase(std::remove(r.classes.begin(), r.classes.end(), meta), r.classes.end());
}

const TMetaClass* GetClass(std::string_view name)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const TMetaClass* known : r.classes)
        if (SameText(known->name, name))
            return known;
    return nullptr;
}

const TMetaClass* FindClass(std::string_view name)
{
    if (const TMetaClass* meta = GetClass(name))
        return meta;
    throw EClassNotFound(classNotFound, {std::string(name)});
}

void RegisterFrameworkClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterClasses({
            TForm::StaticClass(), TLabel::StaticClass(), TPanel::StaticClass(), TButton::StaticClass(),
            TListBox::StaticClass(), TComboBox::StaticClass(), TScrollBox::StaticClass(),
            TPageControl::StaticClass(), TTabSheet::StaticClass(), TMainMenu::StaticClass(),
            TPopupMenu::StaticClass(), TMenuItem::StaticClass(), TTimer::StaticClass(),
        });
    });
}
