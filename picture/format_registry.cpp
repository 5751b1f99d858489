#include "picture/picture.h"

#include "framework/format.h"

#include <algorithm>

namespace {

// Extensions are stored and compared lower-cased. Only ASCII letters change case: extensions
// of picture files are ASCII, and byte-wise UTF-8 text has no single-byte case mapping beyond
// it.
std::string asciiLower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

std::unique_ptr<TFileFormatsList>& fileFormatsInstance()
{
    static std::unique_ptr<TFileFormatsList> instance;
    return instance;
}

std::unique_ptr<TClipboardFormats>& clipboardFormatsInstance()
{
    static std::unique_ptr<TClipboardFormats> instance;
    return instance;
}

} // namespace

void TFileFormatsList::Add(std::string_view extension, std::string description,
                           const TMetaClass* graphicClass)
{
    m_entries.push_back({graphicClass, asciiLower(extension), std::move(description)});
}

const TMetaClass* TFileFormatsList::FindExt(std::string_view extension) const
{
    const std::string wanted = asciiLower(extension);
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry)
        if (entry->Extension == wanted)
            return entry->GraphicClass;
    return nullptr;
}

const TMetaClass* TFileFormatsList::FindClassName(std::string_view className) const
{
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry)
        if (entry->GraphicClass->name == className)
            return entry->GraphicClass;
    return nullptr;
}

void TFileFormatsList::Remove(const TMetaClass* graphicClass)
{
    std::erase_if(m_entries, [graphicClass](const TFileFormat& entry) {
        return entry.GraphicClass->InheritsFrom(graphicClass);
    });
}

bool TFileFormatsList::Contains(std::string_view extension, const TMetaClass* graphicClass) const
{
    const std::string wanted = asciiLower(extension);
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const TFileFormat& entry) {
        return entry.Extension == wanted && entry.GraphicClass == graphicClass;
    });
}

std::string TFileFormatsList::BuildFilterStrings(const TMetaClass* graphicClass) const
{
    std::string descriptions;
    std::string masks;
    int taken = 0;
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        if (!entry->GraphicClass->InheritsFrom(graphicClass) || entry->Extension.empty())
            continue;
        if (taken > 0) {
            descriptions += '|';
            masks += ';';
        }
        descriptions = Format("%s%s (*.%s)|*.%2:s", {descriptions, entry->Description, entry->Extension});
        masks = Format("%s*.%s", {masks, entry->Extension});
        ++taken;
    }
    if (taken > 1)
        descriptions = Format("%s (%s)|%1:s|%s", {std::string("All"), masks, descriptions});
    return descriptions;
}

void TClipboardFormats::Add(std::uint16_t format, const TMetaClass* graphicClass)
{
    m_entries.push_back({format, graphicClass});
}

void TClipboardFormats::Remove(const TMetaClass* graphicClass)
{
    std::erase_if(m_entries, [graphicClass](const TClipboardFormat& entry) {
        return entry.GraphicClass->InheritsFrom(graphicClass);
    });
}

const TMetaClass* TClipboardFormats::FindFormat(std::uint16_t format) const
{
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry)
        if (entry->Format == format)
            return entry->GraphicClass;
    return nullptr;
}

TFileFormatsList& FileFormats()
{
    auto& instance = fileFormatsInstance();
    if (!instance)
        instance = std::make_unique<TFileFormatsList>();
    return *instance;
}

TClipboardFormats& ClipboardFormats()
{
    auto& instance = clipboardFormatsInstance();
    if (!instance)
        instance = std::make_unique<TClipboardFormats>();
    return *instance;
}

void RegisterFileFormat(std::string_view extension, std::string description,
                        const TMetaClass* graphicClass)
{
    FileFormats().Add(extension, std::move(description), graphicClass);
}

void RegisterClipboardFormat(std::uint16_t format, const TMetaClass* graphicClass)
{
    ClipboardFormats().Add(format, graphicClass);
}

void UnregisterGraphicClass(const TMetaClass* graphicClass)
{
    // A registry nobody has created yet holds nothing to remove.
    if (auto& formats = fileFormatsInstance())
        formats->Remove(graphicClass);
    if (auto& clipboard = clipboardFormatsInstance())
        clipboard->Remove(graphicClass);
}

std::string PictureFilter(const TMetaClass* graphicClass)
{
    return FileFormats().BuildFilterStrings(graphicClass);
}
