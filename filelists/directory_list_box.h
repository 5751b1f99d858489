#pragma once
// TDirectoryListBox: the directory list. Shows the drive root and the ancestors of the current
// directory as open folders, the current directory, and its subdirectories as closed folders,
// each indented by its depth. Opening an item (double click, Enter) enters that directory; every
// change of directory moves the process's current directory there, refreshes the linked file
// list and label, then raises OnChange.

#include "framework/list_controls.h"

#include <memory>
#include <string>

class TBitmap;
class TDriveComboBox;
class TFileListBox;
class TLabel;

class TDirectoryListBox : public TListBox {
    PICTAVO_CLASS(TDirectoryListBox)
public:
    // Takes the process's current directory; the items are made with the window.
    explicit TDirectoryListBox(TComponent* owner);
    ~TDirectoryListBox() override;

    // "C:\Fotos", or "C:\" for a root: the directory as the platform reported it.
    const std::string& CurrentDirectory() const { return m_directory; }
    // Enters a directory (absolute, drive-relative or relative, or a file path whose directory
    // is meant). A bare drive ("C:") means that drive's root. Raises EInOutError when the drive
    // or directory cannot be entered; the list then stays where it was.
    void SetCurrentDirectory(const std::string& path);
    // The letter of CurrentDirectory().
    char CurrentDrive() const;
    // Moves to that drive's current directory; raises EInOutError when it cannot be entered.
    void SetCurrentDrive(char letter);
    TFileListBox* FileList() const { return m_fileList; }
    void SetFileList(TFileListBox* list);
    TLabel* DirLabel() const { return m_dirLabel; }
    // Shows CurrentDirectory() in the label, shortened to fit.
    void SetDirLabel(TLabel* label);

    // The directory an item stands for; empty for an index outside the items.
    std::string GetItemPath(int index) const;
    // Enters the directory of the selected item.
    void OpenCurrent();

    // Raised after every change of directory, once the file list and the label follow it.
    TNotifyEvent OnChange;

    void DblClick() override;
    void KeyPress(char& key) override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void CreateWnd() override;
    void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
    void FontChanged() override;
    // The directory list change: the file list follows, the label follows, then OnChange.
    virtual void Change();

private:
    friend class TDriveComboBox;
    friend class TFileListBox;

    // Enters a path as given: a bare drive is that drive's current directory here. With
    // `missingNameIsFile` a path to a file that does not exist enters the file's directory.
    void enterDirectory(const std::string& path, bool missingNameIsFile = false);
    void buildList();
    void updateLabel();
    void resetItemHeight();

    std::unique_ptr<TBitmap> m_openFolder;
    std::unique_ptr<TBitmap> m_closedFolder;
    std::unique_ptr<TBitmap> m_currentFolder;
    std::string m_directory;
    TComponentRef<TFileListBox> m_fileList;
    TComponentRef<TLabel> m_dirLabel;
    TComponentRef<TDriveComboBox> m_driveCombo;
    // Set while a drive box moves this list as part of entering a directory on another drive.
    bool m_switchingDrive = false;
    bool m_preserveCase = true;
};
