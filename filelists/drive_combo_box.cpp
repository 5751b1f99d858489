// The drive box: one item per existing drive, in letter order, with the glyph of its type.

#include "filelists/drive_combo_box.h"

#include "filelists/directory_list_box.h"
#include "filelists/glyphs.h"
#include "framework/drawing.h"
#include "framework/format.h"
#include "framework/strings.h"
#include "platform/drives/drives.h"

#include <algorithm>

using namespace filelists_detail;

namespace {

constexpr auto driveWithName = "%s: %s";
constexpr auto bracketed = "[%s]";

char upperLetter(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

char lowerLetter(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

} // namespace

PICTAVO_DEFINE_CLASS(TDriveComboBox, TComboBox, nullptr, createComponentOf<TDriveComboBox>)

TDriveComboBox::TDriveComboBox(TComponent* owner)
    : TComboBox(owner),
      m_floppy(loadGlyph("FLOPPY")),
      m_fixed(loadGlyph("HARD")),
      m_network(loadGlyph("NETWORK")),
      m_cdrom(loadGlyph("CDROM")),
      m_ram(loadGlyph("RAM"))
{
    SetStyle(csOwnerDrawFixed);
    resetItemHeight();
    platform::IoResult<std::string> current = platform::currentDirectory();
    // A network directory ("\\server\share\...") has no drive letter.
    if (current && !current.value.empty() && current.value[0] != '\\')
        m_drive = current.value[0];
}

TDriveComboBox::~TDriveComboBox()
{
    SetDirList(nullptr);
}

void TDriveComboBox::resetItemHeight()
{
    SetItemHeight(std::max(fontTextHeight(*Canvas(), *Font()), m_floppy->Height()));
}

void TDriveComboBox::FontChanged()
{
    TComboBox::FontChanged();
    resetItemHeight();
}

void TDriveComboBox::CreateWnd()
{
    TComboBox::CreateWnd();
    buildList();
    SetCurrentDrive(m_drive);
}

void TDriveComboBox::buildList()
{
    Items()->Clear();
    const std::uint32_t drives = platform::logicalDrives();
    const bool upper = m_textCase == tcUpperCase;
    for (int i = 0; i < 26; ++i) {
        if (!(drives & (std::uint32_t(1) << i)))
            continue;
        const char letter = char((upper ? 'A' : 'a') + i);
        const std::string drive{letter, ':'};
        const std::string root = drive + '\\';
        // Names take the case of the letter.
        auto cased = [upper](const std::string& text) {
            return upper ? AnsiUpperCase(text) : AnsiLowerCase(text);
        };
        // Volume labels come without prompting: a drive without a medium has an empty one.
        auto volumeName = [&] {
            return Format(bracketed, {cased(platform::volumeInformation(root).value.label)});
        };
        TBitmap* glyph = nullptr;
        std::string name;
        switch (platform::driveType(root)) {
        case platform::DriveType::Removable:
            // Listed without being read: it may hold no medium.
            Items()->AddObject(drive, m_floppy.get());
            continue;
        case platform::DriveType::Fixed:
            glyph = m_fixed.get();
            name = volumeName();
            break;
        case platform::DriveType::Remote:
            glyph = m_network.get();
            if (std::optional<std::string> connection = platform::networkConnection(drive))
                name = cased(*connection);
            else
                name = volumeName();
            break;
        case platform::DriveType::CDRom:
            glyph = m_cdrom.get();
            name = volumeName();
            break;
        case platform::DriveType::RamDisk:
            glyph = m_ram.get();
            name = volumeName();
            break;
        default:
            continue;
        }
        Items()->AddObject(Format(driveWithName, {std::string(1, letter), name}), glyph);
    }
}

void TDriveComboBox::SetCurrentDrive(char letter)
{
    if (ItemIndex() >= 0 && upperLetter(letter) == upperLetter(m_drive))
        return;
    if (letter == 0) {
        m_drive = 0;
        SetItemIndex(-1);
    } else {
        m_drive = m_textCase == tcUpperCase ? upperLetter(letter) : lowerLetter(letter);
        int found = -1;
        for (int i = 0; i < Items()->Count(); ++i) {
            const std::string text = Items()->Get(i);
            if (text.size() >= 2 && upperLetter(text[0]) == upperLetter(m_drive) && text[1] == ':') {
                found = i;
                break;
            }
        }
        SetItemIndex(found);
    }
    if (m_dirList)
        m_dirList->SetCurrentDrive(m_drive);
    TComboBox::Change();
}

void TDriveComboBox::Change()
{
    // The user chose an item (the framework has raised the click already).
    const int index = ItemIndex();
    if (index >= 0)
        SetCurrentDrive(Items()->Get(index)[0]);
}

void TDriveComboBox::SetTextCase(TTextCase textCase)
{
    if (textCase == m_textCase)
        return;
    m_textCase = textCase;
    if (HandleAllocated()) {
        buildList();
        SetCurrentDrive(m_drive);
    }
}

void TDriveComboBox::SetDirList(TDirectoryListBox* list)
{
    if (list == m_dirList)
        return;
    if (m_dirList)
        m_dirList->m_driveCombo = nullptr;
    m_dirList = list;
    if (list) {
        if (list->m_driveCombo && list->m_driveCombo != this)
            list->m_driveCombo->SetDirList(nullptr);
        list->m_driveCombo = this;
    }
}


void TDriveComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState)
{
    TCanvas& canvas = *Canvas();
    canvas.FillRect(rect);
    auto* glyph = dynamic_cast<TBitmap*>(Items()->GetObject(index));
    int glyphWidth = 16;
    if (glyph) {
        glyphWidth = glyph->Width();
        drawGlyph(canvas, *glyph, rect.left + 2, centredTop(rect.top, rect.bottom, glyph->Height()));
    }
    TRect textRect = rect;
    textRect.left = rect.left + glyphWidth + 6;
    DrawText(canvas, Items()->Get(index), textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

const PropertyTable* TDriveComboBox::Properties() const
{
    return &ClassProperties();
}

const PropertyTable& TDriveComboBox::ClassProperties()
{
    static const PropertyTable table(&TComboBox::ClassProperties(), {
        props::component<TDriveComboBox, TDirectoryListBox>("DirList", &TDriveComboBox::DirList,
                                                            &TDriveComboBox::SetDirList),
        props::enumeration<TDriveComboBox, TTextCase>("TextCase", {"tcLowerCase", "tcUpperCase"},
                                                      &TDriveComboBox::TextCase,
                                                      &TDriveComboBox::SetTextCase),
    });
    return table;
}
