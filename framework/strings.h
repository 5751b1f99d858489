#pragma once
// String lists: an ordered list of strings, each with an object pointer beside it, and the text
// helpers the system's string rules use. Strings are UTF-8; comparisons without regard to case
// fold ASCII letters, and the locale-aware comparison sorts the way every list of the program
// sorts.

#include "framework/canvas.h"
#include "framework/properties.h"

#include <string>
#include <string_view>
#include <vector>

// Abstract list of strings with objects. Lists kept by controls derive from it and keep their
// items where the control needs them; TStringList keeps them in memory.
class TStrings : public TPersistent {
    PICTAVO_CLASS(TStrings)
public:
    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual TObject* GetObject(int index) const = 0;
    virtual void Put(int index, const std::string& text);
    virtual void PutObject(int index, TObject* object) = 0;
    // Inserts at index (0..Count); a sorted list may place the string elsewhere and returns where.
    virtual int InsertObject(int index, const std::string& text, TObject* object) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    std::string Strings(int index) const { return Get(index); }
    TObject* Objects(int index) const { return GetObject(index); }
    int Add(const std::string& text) { return AddObject(text, nullptr); }
    virtual int AddObject(const std::string& text, TObject* object);
    void Insert(int index, const std::string& text) { InsertObject(index, text, nullptr); }
    void AddStrings(const TStrings& other);
    void Exchange(int index1, int index2);
    void Move(int from, int to);
    // The first string equal to text without regard to case, or -1.
    virtual int IndexOf(std::string_view text) const;
    int IndexOfObject(const TObject* object) const;

    // Lines joined by "\r\n" (each line ends with it); setting splits at "\r\n", "\n" or "\r".
    std::string Text() const;
    void SetText(const std::string& text);
    std::vector<std::string> ToVector() const;
    void SetStrings(const std::vector<std::string>& lines);

    // Nested updates: Changed notifications are held back until the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return m_updateCount; }

    void CopyFrom(const TPersistent* source) override;

protected:
    // "List index out of bounds (%d)".
    [[noreturn]] static void IndexError(int index);
    void CheckIndex(int index, int limit) const;
    virtual void SetUpdateState(bool updating);

private:
    int m_updateCount = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// A string list in memory, optionally sorted, with change notifications.
class TStringList : public TStrings {
    PICTAVO_CLASS(TStringList)
public:
    TStringList() = default;
    explicit TStringList(std::vector<std::string> lines);

    int Count() const override { return int(m_items.size()); }
    std::string Get(int index) const override;
    TObject* GetObject(int index) const override;
    void Put(int index, const std::string& text) override;
    void PutObject(int index, TObject* object) override;
    int InsertObject(int index, const std::string& text, TObject* object) override;
    int AddObject(const std::string& text, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;
    int IndexOf(std::string_view text) const override;

    bool Sorted() const { return m_sorted; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return m_duplicates; }
    void SetDuplicates(TDuplicates duplicates) { m_duplicates = duplicates; }
    void Sort();
    // Binary search of a sorted list: true when found; index is where it is or would go.
    bool Find(std::string_view text, int& index) const;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool updating) override;
    void Changing();
    void Changed();

private:
    struct Item {
        std::string text;
        TObject* object = nullptr;
    };
    std::vector<Item> m_items;
    bool m_sorted = false;
    TDuplicates m_duplicates = dupIgnore;
};

// Locale-aware comparison without regard to case (the order every list of the program uses):
// negative, zero or positive.
int AnsiCompareText(std::string_view a, std::string_view b);
// ASCII case mapping of UTF-8 text (other bytes unchanged).
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
// Locale-aware case mapping of UTF-8 text.
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// Blanks and control characters removed at both ends.
std::string Trim(std::string_view text);
// Hints: "short|long"; the short part is what a tooltip shows.
std::string GetShortHint(std::string_view hint);
std::string GetLongHint(std::string_view hint);
// A caption without its access-key marks ("&&" stands for a literal "&").
std::string StripHotkey(std::string_view caption);

namespace props {
// A string list property: the getter returns the object's TStrings, which the value replaces.
template <class C, class S>
PropertyInfo strings(std::string name, S* (C::*getter)() const)
{
    PropertyInfo p = named(std::move(name), PropertyKind::StringList);
    p.get = [getter](const TPersistent& o) {
        return PropertyValue(static_cast<const TStrings*>((static_cast<const C&>(o).*getter)())->ToVector());
    };
    p.set = [getter](TPersistent& o, const PropertyValue& v) {
        static_cast<TStrings*>((static_cast<const C&>(o).*getter)())->SetStrings(std::get<std::vector<std::string>>(v));
    };
    return p;
}
} // namespace props
