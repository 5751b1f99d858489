#pragma once
// TFileListBox: the file list. Shows the entries of its directory that match its mask (patterns
// separated by ";") and file types, in the one name order of the program. Selecting an item by
// mouse or keyboard raises OnChange; so does every re-reading of the entries (with nothing
// selected).

#include "framework/list_controls.h"

#include <memory>
#include <string>
#include <string_view>

class TBitmap;
class TDirectoryListBox;

// The kinds of entries a file list shows: bits 1 << member. Members ftReadOnly to ftArchive
// stand for the attributes 0x01 to 0x20; ftNormal for plain files.
enum TFileAttr { ftReadOnly, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal };
using TFileType = unsigned;

class TFileListBox : public TListBox {
    PICTAVO_CLASS(TFileListBox)
public:
    // Takes the process's current directory; the entries are read with the window.
    explicit TFileListBox(TComponent* owner);
    ~TFileListBox() override;

    const std::string& CurrentDirectory() const { return m_directory; }
    // Moves to another directory (unless it names the one shown) and reads its entries.
    // Raises EInOutError when it cannot be entered.
    void SetCurrentDirectory(const std::string& directory);
    // CurrentDirectory(), a backslash and the selected item; empty when nothing is selected.
    std::string SelectedPath() const;
    // Goes to a path: its directory becomes the list's (and the linked directory list's); a
    // name with wildcards that names no file becomes the mask; any other name is selected, the
    // mask giving way to it when it hides the file, until the directory or the mask changes
    // again. "Invalid file name - %s" when no such file exists (after the move to its
    // directory).
    void SetSelectedPath(const std::string& path);
    // The patterns the entries match: the mask set, or the name of a file it hid while that
    // file is the one gone to.
    std::string Mask() const { return m_nameMask.empty() ? m_mask : m_nameMask; }
    void SetMask(const std::string& mask);
    TFileType FileType() const { return m_fileType; }
    void SetFileType(TFileType fileType);
    bool ShowGlyphs() const { return m_showGlyphs; }
    void SetShowGlyphs(bool show);
    // The edit box that shows the selected name (or the mask when nothing is selected); any
    // windowed control whose text can be set.
    TWinControl* FileEdit() const { return m_fileEdit; }
    void SetFileEdit(TWinControl* edit);
    TDirectoryListBox* DirList() const { return m_dirList; }

    // Raised when the selected item changes through the user and after every re-reading.
    TNotifyEvent OnChange;

    // The framework's click: the change follows when the selection moved since the last one.
    void Click() override;
    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void CreateWnd() override;
    void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
    void FontChanged() override;
    // The file list change: remembers the selection, fills the edit box, then OnChange.
    virtual void Change();
    // Reads the entries again (when the window exists), then raises the change with nothing
    // selected. Raises EInOutError when the directory cannot be entered.
    void ReadFileNames();

private:
    friend class TDirectoryListBox;

    void resetItemHeight();
    // The item of that text: the same text first, else the same text ignoring case; -1 if none.
    int indexOfName(std::string_view name) const;

    std::unique_ptr<TBitmap> m_executable;
    std::unique_ptr<TBitmap> m_closedFolder;
    std::unique_ptr<TBitmap> m_unknownFile;
    std::string m_directory;
    std::string m_mask = "*.*";
    std::string m_nameMask;  // a selected file's name standing in for the mask
    TFileType m_fileType = 1u << ftNormal;
    bool m_showGlyphs = false;
    TComponentRef<TWinControl> m_fileEdit;
    TComponentRef<TDirectoryListBox> m_dirList;
    int m_lastSelection = -1;
};
