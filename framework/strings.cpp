#include "framework/strings.h"

#include "framework/exceptions.h"
#include "framework/scope_exit.h"

#include <QCollator>
#include <QString>

#include <algorithm>

namespace {
constexpr auto listIndexError = "List index out of bounds (%d)";
constexpr auto sortedListError = "Operation not allowed on sorted string list";
constexpr auto duplicateString = "String list does not allow duplicates";

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}
} // namespace

PICTAVO_DEFINE_CLASS(TStrings, TPersistent, nullptr, nullptr)
PICTAVO_DEFINE_CLASS(TStringList, TStrings, createObjectOf<TStringList>, nullptr)

// --- TStrings ---

void TStrings::IndexError(int index)
{
    throw EListError(listIndexError, {static_cast<long long>(index)});
}

void TStrings::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit)
        IndexError(index);
}

void TStrings::Put(int index, const std::string& text)
{
    TObject* object = GetObject(index);
    BeginUpdate();
    ScopeExit updated([&] { EndUpdate(); });
    Delete(index);
    InsertObject(index, text, object);
}

int TStrings::AddObject(const std::string& text, TObject* object)
{
    return InsertObject(Count(), text, object);
}

void TStrings::AddStrings(const TStrings& other)
{
    BeginUpdate();
    ScopeExit updated([&] { EndUpdate(); });
    for (int i = 0; i < other.Count(); ++i)
        AddObject(other.Get(i), other.GetObject(i));
}

void TStrings::Exchange(int index1, int index2)
{
    CheckIndex(index1, Count());
    CheckIndex(index2, Count());
    if (index1 == index2)
        return;
    BeginUpdate();
    ScopeExit updated([&] { EndUpdate(); });
    std::string text1 = Get(index1);
    TObject* object1 = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, text1);
    PutObject(index2, object1);
}

void TStrings::Move(int from, int to)
{
    if (from == to)
        return;
    CheckIndex(from, Count());
    CheckIndex(to, Count());
    BeginUpdate();
    ScopeExit updated([&] { EndUpdate(); });
    // The copy goes in before the original comes out, so a list that refuses the
    // insertion (a sorted one) still holds the string.
    const int placed = InsertObject(to > from ? to + 1 : to, Get(from), GetObject(from));
    Delete(placed > from ? from : from + 1);
}

int TStrings::IndexOf(std::string_view text) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(Get(i), text))
            return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == object)
            return i;
    return -1;
}

std::string TStrings::Text() const
{
    std::string text;
    for (int i = 0; i < Count(); ++i)
        text += Get(i) + "\r\n";
    return text;
}

void TStrings::SetText(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    SetStrings(lines);
}

std::vector<std::string> TStrings::ToVector() const
{
    std::vector<std::string> lines;
    lines.reserve(std::size_t(Count()));
    for (int i = 0; i < Count(); ++i)
        lines.push_back(Get(i));
    return lines;
}

void TStrings::SetStrings(const std::vector<std::string>& lines)
{
    BeginUpdate();
    ScopeExit updated([&] { EndUpdate(); });
    Clear();
    for (const std::string& line : lines)
        Add(line);
}

void TStrings::BeginUpdate()
{
    // The state changes while the count is still 0, so the list's own Changing fires once.
    if (m_updateCount == 0)
        SetUpdateState(true);
    ++m_updateCount;
}

void TStrings::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0)
        SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::CopyFrom(const TPersistent* source)
{
    if (const auto* strings = dynamic_cast<const TStrings*>(source)) {
        if (strings == this)
            return;
        BeginUpdate();
        {
            ScopeExit updated([&] { EndUpdate(); });
            Clear();
            AddStrings(*strings);
        }
        return;
    }
    TPersistent::CopyFrom(source);
}

// --- TStringList ---

TStringList::TStringList(std::vector<std::string> lines)
{
    m_items.reserve(lines.size());
    for (std::string& line : lines)
        m_items.push_back({std::move(line), nullptr});
}

std::string TStringList::Get(int index) const
{
    CheckIndex(index, Count());
    return m_items[std::size_t(index)].text;
}

TObject* TStringList::GetObject(int index) const
{
    CheckIndex(index, Count());
    return m_items[std::size_t(index)].object;
}

void TStringList::Put(int index, const std::string& text)
{
    if (m_sorted)
        throw EListError(sortedListError);
    CheckIndex(index, Count());
    Changing();
    m_items[std::size_t(index)].text = text;
    Changed();
}

void TStringList::PutObject(int index, TObject* object)
{
    CheckIndex(index, Count());
    Changing();
    m_items[std::size_t(index)].object = object;
    Changed();
}

int TStringList::AddObject(const std::string& text, TObject* object)
{
    if (!m_sorted)
        return InsertObject(Count(), text, object);
    int index = 0;
    if (Find(text, index)) {
        if (m_duplicates == dupIgnore)
            return index;
        if (m_duplicates == dupError)
            throw EListError(duplicateString);
    }
    Changing();
    m_items.insert(m_items.begin() + index, Item{text, object});
    Changed();
    return index;
}

int TStringList::InsertObject(int index, const std::string& text, TObject* object)
{
    if (m_sorted)
        throw EListError(sortedListError);
    CheckIndex(index, Count() + 1);
    Changing();
    m_items.insert(m_items.begin() + index, Item{text, object});
    Changed();
    return index;
}

void TStringList::Delete(int index)
{
    CheckIndex(index, Count());
    Changing();
    m_items.erase(m_items.begin() + index);
    Changed();
}

void TStringList::Clear()
{
    if (m_items.empty())
        return;
    Changing();
    m_items.clear();
    Changed();
}

int TStringList::IndexOf(std::string_view text) const
{
    if (!m_sorted)
        return TStrings::IndexOf(text);
    int index = 0;
    return Find(text, index) ? index : -1;
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    if (sorted)
        Sort();
    m_sorted = sorted;
}

void TStringList::Sort()
{
    Changing();
    std::stable_sort(m_items.begin(), m_items.end(), [](const Item& a, const Item& b) {
        return AnsiCompareText(a.text, b.text) < 0;
    });
    Changed();
}

bool TStringList::Find(std::string_view text, int& index) const
{
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        int middle = (low + high) / 2;
        int c = AnsiCompareText(m_items[std::size_t(middle)].text, text);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (m_duplicates != dupAccept)
                    low = middle;
            }
        }
    }
    index = low;
    return found;
}

void TStringList::SetUpdateState(bool updating)
{
    if (updating)
        Changing();
    else
        Changed();
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}

// --- text helpers ---

int AnsiCompareText(std::string_view a, std::string_view b)
{
    static thread_local QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    int c = collator.compare(QString::fromUtf8(a.data(), qsizetype(a.size())),
                             QString::fromUtf8(b.data(), qsizetype(b.size())));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string UpperCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

std::string LowerCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::string AnsiUpperCase(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toUpper().toStdString();
}

std::string AnsiLowerCase(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toLower().toStdString();
}

std::string Trim(std::string_view text)
{
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    return std::string(text.substr(start, end - start));
}

std::string GetShortHint(std::string_view hint)
{
    std::size_t bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(0, bar));
}

std::string GetLongHint(std::string_view hint)
{
    std::size_t bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

std::string StripHotkey(std::string_view caption)
{
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&')
                out += '&', ++i;
            continue;
        }
        out += caption[i];
    }
    return out;
}
