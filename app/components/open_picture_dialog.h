#pragma once
// TOpenPictureDialog: the file-open dialog with a picture panel at its right. Execute runs the
// dialog through OpenPictureDialogSeam (tests put their own in place) and, when the user
// confirms a file, keeps its drive-letter path in FileName.
//
// The filter is the system's: pairs of a label and a pattern list separated by "|", the
// patterns of one list separated by ";". Labels are shown as they are written; the files shown
// follow the pattern half of the chosen pair, whatever its label says.

#include "framework/component.h"
#include "platform/seam.h"

#include <string>
#include <vector>

class TOpenPictureDialog : public TComponent {
    PICTAVO_CLASS(TOpenPictureDialog)
public:
    explicit TOpenPictureDialog(TComponent* owner);

    std::string Filter() const { return m_filter; }
    void SetFilter(const std::string& filter) { m_filter = filter; }
    // 1-based index of the pair chosen first.
    int FilterIndex() const { return m_filterIndex; }
    void SetFilterIndex(int index) { m_filterIndex = index; }
    // The confirmed file (drive-letter path); also where the dialog starts.
    std::string FileName() const { return m_fileName; }
    void SetFileName(const std::string& name) { m_fileName = name; }
    std::string InitialDir() const { return m_initialDir; }
    void SetInitialDir(const std::string& directory) { m_initialDir = directory; }
    std::string Title() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }

    // Shows the dialog modally; true when the user confirmed a file.
    bool Execute();

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

private:
    std::string m_filter;
    int m_filterIndex = 1;
    std::string m_fileName;
    std::string m_initialDir;
    std::string m_title;
};

// The seam behind Execute; the default is the platform's dialog with the picture panel.
Seam<bool(TOpenPictureDialog&)>& OpenPictureDialogSeam();

struct FilterEntry {
    std::string label;
    std::vector<std::string> patterns;
};
// "Label|*.a;*.b|Other|*.c" -> {"Label", {"*.a", "*.b"}}, {"Other", {"*.c"}}. A label without a
// pattern half gets no patterns; empty patterns are dropped.
std::vector<FilterEntry> ParseDialogFilter(const std::string& filter);

// Where the picture panel draws a picture of the given size in an area of the given size:
// centred at its own size when it fits; otherwise scaled into the area from its top left, a
// picture wider than tall over the full width, any other over the full height, keeping its ratio.
struct PreviewPlacement {
    int left;
    int top;
    int width;
    int height;
};
PreviewPlacement PlacePreview(int areaWidth, int areaHeight, int pictureWidth, int pictureHeight);
