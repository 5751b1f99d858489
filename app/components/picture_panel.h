#pragma once
// Internal to app/: the widgets of the open-picture dialog. The picture panel shows the file the
// dialog points at: "Picture:" and "(None)" while there is no picture, otherwise its size and the
// picture itself; its "Preview" button (or a double click on the picture) opens the picture in a
// modal window of its own. Files that are missing, are directories or do not load show the empty
// state; nothing is reported.

#include "picture/picture.h"

#include <QWidget>

#include <memory>
#include <string>

class QFileDialog;
class QLabel;
class QToolButton;
class TOpenPictureDialog;
class TForm;

namespace viewer_detail {

class PreviewArea;

class PicturePanel : public QWidget {
public:
    explicit PicturePanel(QWidget* parent = nullptr);
    ~PicturePanel() override;

    // A native path (as the dialog reports it); empty for none.
    void showFile(const QString& nativePath);
    QString captionText() const;
    bool previewEnabled() const;
    bool hasPicture() const { return m_hasPicture; }
    TPicture& picture() { return *m_picture; }
    // The area the picture is drawn in (a double click there opens the preview).
    QWidget* previewArea() const;
    // Opens the modal "Preview" window for the picture shown; nothing without one.
    void preview();

private:
    void clear();

    std::unique_ptr<TPicture> m_picture;
    bool m_hasPicture = false;
    QLabel* m_caption;
    PreviewArea* m_area;
    QToolButton* m_button;
};

// The window the "Preview" button opens: a sizeable tool window captioned "Preview", centred on
// the screen, showing the picture stretched inside a 5-pixel border of the window colour. For a
// picture of non-zero width its first client size is the picture's size plus the border.
std::unique_ptr<TForm> makePreviewWindow(const TPicture& picture);

// The dialog as TOpenPictureDialog's settings describe it, not yet shown; the panel is set to the
// picture panel it holds.
std::unique_ptr<QFileDialog> makeOpenPictureDialog(const TOpenPictureDialog& settings, PicturePanel** panel);

} // namespace viewer_detail
