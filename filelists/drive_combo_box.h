#pragma once
// TDriveComboBox: the drive box. A drop-down list of the existing drives, each with the glyph of
// its type ("c: [system]", "a:", "x: \\server\share"); choosing one moves the linked directory
// list to that drive's current directory.

#include "framework/list_controls.h"

#include <memory>

class TBitmap;
class TDirectoryListBox;

enum TTextCase { tcLowerCase, tcUpperCase };

class TDriveComboBox : public TComboBox {
    PICTAVO_CLASS(TDriveComboBox)
public:
    // Takes the drive of the process's current directory; the items are made with the window.
    explicit TDriveComboBox(TComponent* owner);
    ~TDriveComboBox() override;

    // The chosen drive letter (cased as TextCase says), or 0 for none.
    char CurrentDrive() const { return m_drive; }
    // Chooses a drive: selects its item, moves the linked directory list (which raises
    // EInOutError when the drive cannot be entered, leaving this box on the new drive), then
    // reports the change. Choosing the drive already chosen does nothing.
    void SetCurrentDrive(char letter);
    TTextCase TextCase() const { return m_textCase; }
    // Rebuilds the items and chooses the current drive again.
    void SetTextCase(TTextCase textCase);
    TDirectoryListBox* DirList() const { return m_dirList; }
    // Links both ways; the old list is unlinked.
    void SetDirList(TDirectoryListBox* list);

    // The framework's report of the user's choice: chooses the drive of the selected item.
    void Change() override;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void CreateWnd() override;
    void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
    void FontChanged() override;

private:
    friend class TDirectoryListBox;

    void buildList();
    void resetItemHeight();

    std::unique_ptr<TBitmap> m_floppy;
    std::unique_ptr<TBitmap> m_fixed;
    std::unique_ptr<TBitmap> m_network;
    std::unique_ptr<TBitmap> m_cdrom;
    std::unique_ptr<TBitmap> m_ram;
    char m_drive = 0;
    TTextCase m_textCase = tcLowerCase;
    TComponentRef<TDirectoryListBox> m_dirList;
};
