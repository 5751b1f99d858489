#include "filelists/filelists.h"

#include "picture/picture.h"

std::string RegisteredPictureMask()
{
    // The open dialog's filter starts with the entry for every format together when there
    // are several, with its masks as the entry's pattern, and with the one format's pattern
    // otherwise: in both cases its second field.
    const std::string filter = PictureFilter(TGraphic::StaticClass());
    const std::size_t first = filter.find('|');
    if (first == std::string::npos)
        return {};
    const std::size_t second = filter.find('|', first + 1);
    return filter.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
}
