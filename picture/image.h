#pragma once
// TImage: a control that owns a picture and paints it, at its own size (optionally centred) or
// stretched over the control. Whenever the picture or one of the display settings changes, the
// control fits itself to the picture (AutoSize), hands its Transparent setting to the image,
// works out whether it covers its whole area, and repaints.

#include "framework/control.h"
#include "picture/picture.h"

#include <memory>

class TImage : public TGraphicControl {
    PICTAVO_CLASS(TImage)
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    // The picture the control shows (owned). Designs set it through "Picture.Data".
    TPicture* Picture() const { return m_picture.get(); }
    // Copies the source picture (null empties it).
    void SetPicture(const TPicture* picture);

    // With a picture of non-zero width and height, the control takes the picture's size
    // (keeping its left and top); a client alignment wins over it.
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);
    // Draws the picture stretched over the whole control.
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool stretch);
    // Draws an unstretched picture centred in the control.
    bool Center() const { return m_center; }
    void SetCenter(bool center);
    // Handed to the picture's image whenever the picture changes.
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);

    // Where the picture is drawn, in client coordinates (empty for an empty picture).
    TRect DestRect() const;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;
    // Runs the picture-change rules (see the class comment).
    virtual void PictureChanged();

private:
    std::unique_ptr<TPicture> m_picture;
    bool m_autoSize = false;
    bool m_stretch = false;
    bool m_center = false;
    bool m_transparent = false;
};

// Registers TImage with the design reader.
void RegisterImageClass();
