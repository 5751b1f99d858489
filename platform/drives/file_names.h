#pragma once
// The one order of file names in every list: case-insensitive and aware of the user's locale
// (the default QLocale), digits compared as text ("10" before "9"). Names are UTF-8.

#include <QCollatorSortKey>

class QCollator;

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// <0, 0 or >0 as `a` sorts before, with or after `b`. Names differing only in case compare equal.
int compareFileNames(std::string_view a, std::string_view b);

// Whether two names are the same ignoring case (the comparison of names on volumes that ignore
// case, and of the lists' names).
bool sameFileName(std::string_view a, std::string_view b);

// A name's precomputed place in the order: comparing two keys gives what compareFileNames gives
// for their names, much faster. Keys of different locales do not compare.
class FileNameKey {
public:
    explicit FileNameKey(std::string_view name);
    int compare(const FileNameKey& other) const;

private:
    FileNameKey(std::string_view name, const QCollator* collator);
    friend std::vector<std::size_t> fileNameOrder(const std::vector<std::string>& names);

    std::optional<QCollatorSortKey> m_collated;
    std::string m_folded;  // the key of the C locale: the case-folded name in UTF-8
};

// The positions of `names` in list order. Names the order holds equal (differing only in case)
// keep a fixed order among themselves: by their bytes.
std::vector<std::size_t> fileNameOrder(const std::vector<std::string>& names);
// Sorts names into list order.
void sortFileNames(std::vector<std::string>& names);

} // namespace platform
