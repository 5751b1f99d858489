// The directory list: the path to the current directory, the directory itself, and its
// subdirectories.

#include "filelists/directory_list_box.h"

#include "filelists/drive_combo_box.h"
#include "filelists/file_list_box.h"
#include "filelists/glyphs.h"
#include "filelists/path_split.h"
#include "framework/scope_exit.h"
#include "framework/std_controls.h"
#include "framework/strings.h"
#include "platform/drives/drives.h"
#include "platform/drives/file_names.h"
#include "platform/drives/file_search.h"

#include <algorithm>

using namespace filelists_detail;

namespace {

char upperLetter(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

int backslashCount(std::string_view path)
{
    return int(std::count(path.begin(), path.end(), '\\'));
}

bool isBareDrive(std::string_view path)
{
    return path.size() == 2 && path[1] == ':' && drivePart(path) == path;
}

} // namespace

PICTAVO_DEFINE_CLASS(TDirectoryListBox, TListBox, nullptr, createComponentOf<TDirectoryListBox>)

TDirectoryListBox::TDirectoryListBox(TComponent* owner)
    : TListBox(owner),
      m_openFolder(loadGlyph("OPENFOLDER")),
      m_closedFolder(loadGlyph("CLOSEDFOLDER")),
      m_currentFolder(loadGlyph("CURRENTFOLDER"))
{
    SetWidth(145);
    SetStyle(lbOwnerDrawFixed);
    resetItemHeight();
    m_directory = platform::currentDirectory().value;
}

TDirectoryListBox::~TDirectoryListBox()
{
    if (m_driveCombo)
        m_driveCombo->SetDirList(nullptr);
    SetFileList(nullptr);
    SetDirLabel(nullptr);
}

void TDirectoryListBox::resetItemHeight()
{
    SetItemHeight(std::max(fontTextHeight(*Canvas(), *Font()), m_openFolder->Height() + 1));
}

void TDirectoryListBox::FontChanged()
{
    TListBox::FontChanged();
    resetItemHeight();
}

char TDirectoryListBox::CurrentDrive() const
{
    return m_directory.empty() ? 0 : m_directory[0];
}

void TDirectoryListBox::SetCurrentDrive(char letter)
{
    if (upperLetter(letter) == upperLetter(CurrentDrive()))
        return;
    if (letter != 0) {
        // A bare drive is that drive's current directory.
        checkIo(platform::setCurrentDirectory(std::string{letter, ':'}));
        platform::IoResult<std::string> current = platform::currentDirectory();
        checkIo(current.error);
        m_directory = current.value;
    }
    if (!m_switchingDrive) {
        buildList();
        Change();
    }
}

void TDirectoryListBox::SetCurrentDirectory(const std::string& path)
{
    // The directory of a file in a drive's root is written as the bare drive ("C:" for
    // "C:\mar.jpg"): a bare drive given here means that root.
    enterDirectory(isBareDrive(path) ? path + '\\' : path);
}

void TDirectoryListBox::enterDirectory(const std::string& path, bool missingNameIsFile)
{
    if (path.empty() || platform::samePath(path, m_directory))
        return;
    const PathParts parts =
        splitPath(path, missingNameIsFile ? MissingName::IsFile : MissingName::Raises);
    if (parts.drive != 0 && upperLetter(parts.drive) != upperLetter(CurrentDrive())) {
        m_switchingDrive = true;
        ScopeExit done([&] { m_switchingDrive = false; });
        if (m_driveCombo)
            m_driveCombo->SetCurrentDrive(parts.drive);
        // A drive box that already shows this drive (after failing to enter it before)
        // leaves the list where it is: the list moves by itself then.
        if (upperLetter(parts.drive) != upperLetter(CurrentDrive()))
            SetCurrentDrive(parts.drive);
    }
    // The directory part may be relative to the list's directory (on the new drive by now).
    platform::setCurrentDirectory(m_directory);
    checkIo(platform::setCurrentDirectory(parts.directory));
    platform::IoResult<std::string> current = platform::currentDirectory();
    checkIo(current.error);
    m_directory = current.value;
    buildList();
    Change();
}

void TDirectoryListBox::buildList()
{
    Items()->Clear();
    const std::string drive(drivePart(m_directory));
    const std::string root = drive + '\\';
    // Names are shown as stored where the volume keeps their case. (Whether two paths are the
    // same is the volume's business too: platform::samePath asks it.)
    const platform::IoResult<platform::VolumeInformation> volume = platform::volumeInformation(root);
    m_preserveCase = !volume || volume.value.caseSensitive || volume.value.casePreserved;

    std::string_view rest = m_directory;
    const bool network = root.size() > 1 && root[1] == '\\';
    if (network) {
        Items()->AddObject(root, m_openFolder.get());
        rest = rest.substr(std::min(rest.size(), root.size()));
    }
    if (!rest.empty() && rest.back() != '\\') {
        bool first = !network;
        std::size_t start = 0;
        for (std::size_t end = rest.find('\\'); end != std::string_view::npos;
             end = rest.find('\\', start)) {
            std::string part(rest.substr(start, end - start));
            if (first)
                part += '\\';  // "C:" is shown as the root "C:\"
            first = false;
            Items()->AddObject(part, m_openFolder.get());
            start = end + 1;
        }
        Items()->AddObject(std::string(rest.substr(start)), m_currentFolder.get());
    } else if (!rest.empty()) {
        Items()->AddObject(std::string(rest), m_currentFolder.get());
    }
    const int currentIndex = Items()->Count() - 1;

    // Subdirectories: hidden and system entries are not returned without their attribute.
    platform::IoResult<std::vector<platform::FileEntry>> found =
        platform::findFiles(joinPath(m_directory, "*.*"), platform::FileAttribute::Directory);
    std::vector<std::string> names;
    for (const platform::FileEntry& entry : found.value)
        if ((entry.attributes & platform::FileAttribute::Directory) && entry.name != "." &&
            entry.name != "..")
            names.push_back(entry.name);
    platform::sortFileNames(names);
    for (const std::string& name : names)
        Items()->AddObject(name, m_closedFolder.get());

    if (HandleAllocated())
        SetItemIndex(currentIndex);
}

void TDirectoryListBox::CreateWnd()
{
    TListBox::CreateWnd();
    buildList();
    // The item as deep as the directory: the current one, or for a root the first below it.
    SetItemIndex(backslashCount(m_directory));
}

std::string TDirectoryListBox::GetItemPath(int index) const
{
    if (index < 0 || index >= Items()->Count())
        return {};
    const std::string_view drive = drivePart(m_directory);
    if (index == 0)
        return std::string(drive) + '\\';
    const TObject* glyph = Items()->GetObject(index);
    if (glyph == m_closedFolder.get())
        return joinPath(m_directory, Items()->Get(index));
    if (glyph == m_currentFolder.get())
        return m_directory;
    // An ancestor: the directory up to its (index + 1)-th backslash after the drive.
    const std::string_view afterDrive = std::string_view(m_directory).substr(drive.size());
    std::size_t end = 0;
    int seen = 0;
    while (end < afterDrive.size()) {
        if (afterDrive[end] == '\\' && ++seen == index + 1)
            break;
        ++end;
    }
    return std::string(drive) + std::string(afterDrive.substr(0, end));
}

void TDirectoryListBox::OpenCurrent()
{
    const int index = ItemIndex();
    if (index >= 0)
        enterDirectory(GetItemPath(index));
}

void TDirectoryListBox::DblClick()
{
    TListBox::DblClick();
    OpenCurrent();
}

void TDirectoryListBox::KeyPress(char& key)
{
    TListBox::KeyPress(key);
    if (key == '\r')
        OpenCurrent();
}

void TDirectoryListBox::Change()
{
    if (m_fileList)
        m_fileList->SetCurrentDirectory(m_directory);
    updateLabel();
    if (OnChange)
        OnChange(this);
}

void TDirectoryListBox::SetFileList(TFileListBox* list)
{
    if (list == m_fileList)
        return;
    if (m_fileList)
        m_fileList->m_dirList = nullptr;
    m_fileList = list;
    if (list) {
        if (list->m_dirList && list->m_dirList != this)
            list->m_dirList->SetFileList(nullptr);
        list->m_dirList = this;
    }
}

void TDirectoryListBox::SetDirLabel(TLabel* label)
{
    if (label == m_dirLabel)
        return;
    m_dirLabel = label;
    updateLabel();
}

void TDirectoryListBox::updateLabel()
{
    if (!m_dirLabel)
        return;
    // A label that sizes itself takes whatever width the text needs: the list's width limits it.
    const int width = m_dirLabel->AutoSize() ? Width() : m_dirLabel->Width();
    TCanvas& canvas = *m_dirLabel->Canvas();
    canvas.Font().CopyFrom(m_dirLabel->Font());
    m_dirLabel->SetCaption(shortenPath(m_directory, width, [&](std::string_view text) {
        return canvas.TextWidth(std::string(text));
    }));
}

void TDirectoryListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState)
{
    TCanvas& canvas = *Canvas();
    canvas.FillRect(rect);
    auto* glyph = dynamic_cast<TBitmap*>(Items()->GetObject(index));
    // Ancestors step in by depth; subdirectories sit one step below the current directory.
    const int indent = glyph == m_closedFolder.get() ? backslashCount(m_directory) * 4 + 6
                                                     : index * 4 + 2;
    int glyphWidth = 0;
    if (glyph) {
        glyphWidth = glyph->Width();
        drawGlyph(canvas, *glyph, rect.left + indent, centredTop(rect.top, rect.bottom, glyph->Height()));
    }
    const std::string text = Items()->Get(index);
    canvas.TextOut(rect.left + glyphWidth + indent + 4, rect.top,
                   m_preserveCase ? text : AnsiLowerCase(text));
}

const PropertyTable* TDirectoryListBox::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TDirectoryListBox::ClassProperties()
{
    static const PropertyTable table(&TListBox::ClassProperties(), {
        props::component<TDirectoryListBox, TLabel>("DirLabel", &TDirectoryListBox::DirLabel,
                                                    &TDirectoryListBox::SetDirLabel),
        props::component<TDirectoryListBox, TFileListBox>("FileList", &TDirectoryListBox::FileList,
                                                          &TDirectoryListBox::SetFileList),
        props::event<TDirectoryListBox, TNotifyEvent>("OnChange", &TDirectoryListBox::OnChange),
    });
    return table;
}
