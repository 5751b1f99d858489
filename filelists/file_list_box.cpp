// The file list: the entries of a directory that match a mask, in list order.

#include "filelists/file_list_box.h"

#include "filelists/directory_list_box.h"
#include "filelists/glyphs.h"
#include "filelists/path_split.h"
#include "framework/exceptions.h"
#include "framework/format.h"
#include "platform/ascii_text.h"
#include "platform/drives/drives.h"
#include "platform/drives/file_names.h"
#include "platform/drives/file_search.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>

#include <algorithm>

using namespace filelists_detail;

namespace {

constexpr auto invalidFileName = "Invalid file name - %s";
constexpr auto bracketedDirectory = "[%s]";

// Members ftReadOnly..ftArchive are the attribute bits 0x01..0x20 in the same order.
constexpr TFileType attributeMembers = 0x3F;
// Past this many items the list takes long enough to show the hourglass.
constexpr int hourglassIndex = 100;

bool hasWildcards(std::string_view name)
{
    return name.find_first_of("*?") != std::string_view::npos;
}

bool isExecutableName(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view extension = name.substr(dot);
    for (const char* executable : {".exe", ".com", ".bat", ".pif"})
        if (platform::sameTextIgnoringAsciiCase(extension, executable))
            return true;
    return false;
}

// The hourglass while a long list fills; the previous cursor comes back when the scope ends,
// also on failure.
class Hourglass {
public:
    Hourglass() = default;
    ~Hourglass()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

    void show()
    {
        if (m_shown || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return;
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        m_shown = true;
    }

private:
    bool m_shown = false;
};

struct FoundItem {
    std::string text;
    TBitmap* glyph;
};

} // namespace

PICTAVO_DEFINE_CLASS(TFileListBox, TListBox, nullptr, createComponentOf<TFileListBox>)

TFileListBox::TFileListBox(TComponent* owner)
    : TListBox(owner),
      m_executable(loadGlyph("EXECUTABLE")),
      m_closedFolder(loadGlyph("CLOSEDFOLDER")),
      m_unknownFile(loadGlyph("UNKNOWNFILE"))
{
    SetWidth(145);
    SetStyle(lbOwnerDrawFixed);
    resetItemHeight();
    m_directory = platform::currentDirectory().value;
}

TFileListBox::~TFileListBox()
{
    if (m_dirList)
        m_dirList->SetFileList(nullptr);
    SetFileEdit(nullptr);
}

void TFileListBox::resetItemHeight()
{
    int height = fontTextHeight(*Canvas(), *Font());
    if (m_showGlyphs)
        height = std::max(height, m_executable->Height() + 1);
    SetItemHeight(height);
}

void TFileListBox::FontChanged()
{
    TListBox::FontChanged();
    resetItemHeight();
}

void TFileListBox::CreateWnd()
{
    TListBox::CreateWnd();
    ReadFileNames();
}

void TFileListBox::ReadFileNames()
{
    if (!HandleAllocated())
        return;
    const std::uint32_t attributes = m_fileType & attributeMembers;
    const bool normalFiles = (m_fileType & (1u << ftNormal)) != 0;
    checkIo(platform::setCurrentDirectory(m_directory));
    {
        // The cursor is back before the change is reported: what the change starts (loading a
        // picture) is no part of reading the list.
        Hourglass hourglass;
        Items()->Clear();

        // One reading of the directory serves every pattern of the mask. A directory that
        // cannot be read lists nothing.
        const platform::IoResult<std::vector<platform::FileEntry>> entries =
            platform::readDirectory(m_directory);
        std::vector<FoundItem> found;
        std::vector<std::string> texts;
        for (const std::string& pattern : platform::splitMask(Mask())) {
            for (const platform::FileEntry& entry :
                 platform::selectEntries(entries.value, pattern, attributes)) {
                if (!normalFiles && !(entry.attributes & attributes))
                    continue;
                if (entry.attributes & platform::FileAttribute::Directory)
                    found.push_back(
                        {Format(bracketedDirectory, {entry.name}), m_closedFolder.get()});
                else
                    found.push_back({entry.name, isExecutableName(entry.name)
                                                     ? m_executable.get()
                                                     : m_unknownFile.get()});
                texts.push_back(found.back().text);
            }
        }

        // The list keeps its items in the program's name order; a name matching two patterns
        // is there twice.
        for (std::size_t index : platform::fileNameOrder(texts))
            if (Items()->AddObject(found[index].text, found[index].glyph) == hourglassIndex)
                hourglass.show();
    }
    Change();
}

void TFileListBox::SetCurrentDirectory(const std::string& directory)
{
    if (platform::samePath(directory, m_directory))
        return;
    // A relative name is taken from the old directory. That one may be gone (a medium taken
    // out, a directory removed): the list must still be able to move on.
    platform::setCurrentDirectory(m_directory);
    checkIo(platform::setCurrentDirectory(directory));
    platform::IoResult<std::string> current = platform::currentDirectory();
    checkIo(current.error);
    m_directory = current.value;
    // A file's name stood in for the mask only while that file's directory was shown.
    m_nameMask.clear();
    ReadFileNames();
}

std::string TFileListBox::SelectedPath() const
{
    const int index = ItemIndex();
    if (index < 0)
        return {};
    return joinPath(m_directory, Items()->Get(index));
}

int TFileListBox::indexOfName(std::string_view name) const
{
    const int count = Items()->Count();
    for (int i = 0; i < count; ++i)
        if (Items()->Get(i) == name)
            return i;
    for (int i = 0; i < count; ++i)
        if (platform::sameFileName(Items()->Get(i), name))
            return i;
    return -1;
}

void TFileListBox::SetSelectedPath(const std::string& path)
{
    if (path.empty() || platform::samePath(path, SelectedPath()))
        return;
    // A name that does not exist is reported below, once the lists are in its directory.
    const PathParts parts = splitPath(path, MissingName::IsFile);
    if (m_dirList)
        m_dirList->enterDirectory(path, /*missingNameIsFile=*/true);
    else if (parts.drive != 0 && !parts.network)
        SetCurrentDirectory(Format("%s:%s", {std::string(1, parts.drive), parts.directory}));
    else
        SetCurrentDirectory(parts.directory);

    // A real file may have wildcards in its name: then it is a name like any other.
    const bool exists = !parts.file.empty() && platform::fileExists(joinPath(m_directory, parts.file));
    if (hasWildcards(parts.file) && !exists) {
        SetMask(parts.file);
        return;
    }
    if (parts.file.empty())
        return;
    // Only the name already selected is left alone. A name without an item selects none, and
    // that is reported like any other choice, even when nothing was selected before.
    const int index = indexOfName(parts.file);
    if (index < 0 || index != ItemIndex()) {
        SetItemIndex(index);
        Change();
    }
    if (!exists)
        throw EInvalidOperation(Format(invalidFileName, {path}));
    if (ItemIndex() < 0 && !m_nameMask.empty()) {
        // Another file's name stands in for the mask: the mask comes back first.
        m_nameMask.clear();
        ReadFileNames();
        SetItemIndex(indexOfName(parts.file));
        if (ItemIndex() >= 0)
            Change();
    }
    if (ItemIndex() < 0) {
        // The mask hides the file: it gives way to the file's name.
        m_nameMask = parts.file;
        ReadFileNames();
        SetItemIndex(indexOfName(parts.file));
        Change();
    }
}

void TFileListBox::SetMask(const std::string& mask)
{
    const std::string before = Mask();
    m_mask = mask;
    m_nameMask.clear();
    if (Mask() != before)
        ReadFileNames();
}

void TFileListBox::SetFileType(TFileType fileType)
{
    if (fileType == m_fileType)
        return;
    m_fileType = fileType;
    ReadFileNames();
}

void TFileListBox::SetShowGlyphs(bool show)
{
    if (show == m_showGlyphs)
        return;
    m_showGlyphs = show;
    if (show && ItemHeight() < m_executable->Height() + 1)
        resetItemHeight();
    Invalidate();
}

void TFileListBox::SetFileEdit(TWinControl* edit)
{
    if (edit == m_fileEdit)
        return;
    m_fileEdit = edit;
    if (edit) {
        const int index = ItemIndex();
        edit->SetText(index >= 0 ? Items()->Get(index) : Mask());
    }
}

void TFileListBox::Click()
{
    TListBox::Click();
    if (ItemIndex() != m_lastSelection)
        Change();
}

void TFileListBox::Change()
{
    m_lastSelection = ItemIndex();
    if (m_fileEdit) {
        m_fileEdit->SetText(m_lastSelection >= 0 ? Items()->Get(m_lastSelection) : Mask());
        if (auto* line = qobject_cast<QLineEdit*>(m_fileEdit->Widget()))
            line->selectAll();
    }
    if (OnChange)
        OnChange(this);
}


void TFileListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState)
{
    TCanvas& canvas = *Canvas();
    canvas.FillRect(rect);
    int textLeft = rect.left + 2;
    if (m_showGlyphs) {
        if (auto* glyph = dynamic_cast<TBitmap*>(Items()->GetObject(index))) {
            drawGlyph(canvas, *glyph, rect.left + 2, centredTop(rect.top, rect.bottom, glyph->Height()));
            textLeft = rect.left + glyph->Width() + 6;
        }
    }
    canvas.TextOut(textLeft, rect.top, Items()->Get(index));
}

const PropertyTable* TFileListBox::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TFileListBox::ClassProperties()
{
    static const PropertyTable table(&TListBox::ClassProperties(), {
        props::component<TFileListBox, TWinControl>("FileEdit", &TFileListBox::FileEdit,
                                                    &TFileListBox::SetFileEdit),
        props::set<TFileListBox, TFileType>(
            "FileType",
            {"ftReadOnly", "ftHidden", "ftSystem", "ftVolumeID", "ftDirectory", "ftArchive", "ftNormal"},
            &TFileListBox::FileType, &TFileListBox::SetFileType),
        props::string<TFileListBox>("Mask", &TFileListBox::Mask, &TFileListBox::SetMask),
        props::boolean<TFileListBox>("ShowGlyphs", &TFileListBox::ShowGlyphs, &TFileListBox::SetShowGlyphs),
        props::event<TFileListBox, TNotifyEvent>("OnChange", &TFileListBox::OnChange),
    });
    return table;
}
