#include "platform/drives/file_names.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <memory>
#include <utility>

namespace platform {
namespace {

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Under the C locale QCollator compares code points, and its sort keys there ignore the case
// setting; that locale's order is therefore computed here, on case-folded text, for both.
bool isCLocale(const QLocale& locale)
{
    return locale.language() == QLocale::C;
}

// The collator of the current default locale, made again when the default locale changes.
// QCollator is reentrant, not thread-safe: one per thread.
const QCollator* collator()
{
    thread_local std::unique_ptr<QCollator> current;
    QLocale locale;
    if (isCLocale(locale))
        return nullptr;
    if (!current || current->locale() != locale) {
        current = std::make_unique<QCollator>(locale);
        current->setCaseSensitivity(Qt::CaseInsensitive);
        current->setNumericMode(false);
        current->setIgnorePunctuation(false);
    }
    return current.get();
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// The C locale's key: the case-folded name in UTF-8, whose byte order is code-point order.
std::string foldedUtf8(std::string_view name)
{
    bool ascii = true;
    std::string folded(name);
    for (char& c : folded) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    if (ascii)
        return folded;
    return fromUtf8(name).toCaseFolded().toStdString();
}

} // namespace

int compareFileNames(std::string_view a, std::string_view b)
{
    if (const QCollator* names = collator())
        return sign(names->compare(fromUtf8(a), fromUtf8(b)));
    return sign(foldedUtf8(a).compare(foldedUtf8(b)));
}

bool sameFileName(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    return fromUtf8(a).compare(fromUtf8(b), Qt::CaseInsensitive) == 0;
}

FileNameKey::FileNameKey(std::string_view name) : FileNameKey(name, collator())
{
}

FileNameKey::FileNameKey(std::string_view name, const QCollator* names)
{
    if (names)
        m_collated.emplace(names->sortKey(fromUtf8(name)));
    else
        m_folded = foldedUtf8(name);
}

int FileNameKey::compare(const FileNameKey& other) const
{
    if (m_collated && other.m_collated)
        return sign(m_collated->compare(*other.m_collated));
    return sign(m_folded.compare(other.m_folded));
}

std::vector<std::size_t> fileNameOrder(const std::vector<std::string>& names)
{
    // Keys sit beside their positions, so that sorting touches no other memory.
    const QCollator* localeCollator = collator();
    std::vector<std::pair<FileNameKey, std::size_t>> keyed;
    keyed.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        keyed.emplace_back(FileNameKey(names[i], localeCollator), i);
    std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        int byKey = a.first.compare(b.first);
        if (byKey != 0)
            return byKey < 0;
        return names[a.second] < names[b.second];
    });
    std::vector<std::size_t> order;
    order.reserve(names.size());
    for (const auto& entry : keyed)
        order.push_back(entry.second);
    return order;
}

void sortFileNames(std::vector<std::string>& names)
{
    std::vector<std::size_t> order = fileNameOrder(names);
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (std::size_t index : order)
        sorted.push_back(std::move(names[index]));
    names = std::move(sorted);
}

} // namespace platform
