#pragma once
// Pictures: the abstract image every format implements (TGraphic), the container that holds one
// image and picks its class by file extension (TPicture), and the process-wide registries of
// file formats and clipboard formats.

#include "framework/canvas.h"
#include "framework/exceptions.h"
#include "framework/persistent.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Palette;
}

class TStream;
class TBitmap;
class TIcon;

enum TProgressStage { psStarting, psRunning, psEnding };

// Progress of a decoder or encoder, forwarded by the picture that holds the image.
using TProgressEvent =
    std::function<void(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone,
                       bool RedrawNow, const TRect& R, const std::string& Msg)>;

// A logical palette. Images share palettes by reference; the standard 16-colour palette is
// one such shared palette that nobody frees.
using TPaletteHandle = std::shared_ptr<const platform::Palette>;

// Clipboard data as a format puts it on the clipboard or takes it from there; what it holds
// depends on the format number (for the bitmap format 2: std::shared_ptr<const
// platform::Section>). Empty when there is no data.
using TClipboardHandle = std::any;

// The image interface. Operations are declared in the order of the interface's slots; the
// abstract ones must be supplied by every format.
class TGraphic : public TDrawable {
    PICTAVO_CLASS(TGraphic)
public:
    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    // Set by the owning picture.
    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

    // Declares the stored property "Data" (ReadStoredData / WriteStoredData), written only when
    // the image is not empty.
    void DeclareStoredData(TFiler& filer) override;
    // An empty instance of this graphic's class.
    virtual std::unique_ptr<TGraphic> CreateEmpty() const;
    // Sets ChangedFlag, then calls OnChange with this graphic as sender.
    virtual void NotifyChange(TObject* sender);
    // PaintInto, IsEmpty, ReadWidth and ReadHeight come from TDrawable.
    // Both empty, or of one class with identical WriteStoredData bytes.
    virtual bool SameImage(TGraphic& graphic);
    virtual TPaletteHandle ReadPalette();
    virtual bool ReadTransparent() const;
    // Calls LoadStream.
    virtual void ReadStoredData(TStream& stream);
    virtual void WriteHeight(int value) = 0;
    virtual void WritePalette(TPaletteHandle palette);
    virtual void WriteTransparent(bool value);
    virtual void WriteWidth(int value) = 0;
    // Calls SaveStream.
    virtual void WriteStoredData(TStream& stream);
    // Opens the existing file (drive-letter path) and reads it with LoadStream.
    virtual void LoadFile(const std::string& fileName);
    // Creates or truncates the file and writes it with SaveStream.
    virtual void SaveFile(const std::string& fileName);
    virtual void LoadStream(TStream& stream) = 0;
    virtual void SaveStream(TStream& stream) = 0;
    virtual void LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                                   const TPaletteHandle& palette) = 0;
    virtual void SaveClipboardData(std::uint16_t& format, TClipboardHandle& data,
                                   TPaletteHandle& palette) = 0;

    // Calls OnProgress with the same arguments, if set.
    virtual void ReportProgress(TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                                bool redrawNow, const TRect& r, const std::string& msg);

    int Width() const { return ReadWidth(); }
    void SetWidth(int value) { WriteWidth(value); }
    int Height() const { return ReadHeight(); }
    void SetHeight(int value) { WriteHeight(value); }
    TPaletteHandle Palette() { return ReadPalette(); }
    void SetPalette(TPaletteHandle palette) { WritePalette(std::move(palette)); }
    bool Transparent() const { return ReadTransparent(); }
    void SetTransparent(bool value) { WriteTransparent(value); }

    // Set by every NotifyChange; nothing here clears it.
    bool ChangedFlag() const { return m_changed; }
    // Set by a format when its palette may have changed; read and cleared by whoever realises it.
    bool PaletteChangedFlag() const { return m_paletteChanged; }
    void SetPaletteChangedFlag(bool value) { m_paletteChanged = value; }

private:
    bool m_changed = false;
    bool m_transparent = false;
    bool m_paletteChanged = false;
};

// An empty instance of a graphic class (a class reference from the registry).
std::unique_ptr<TGraphic> CreateGraphic(const TMetaClass* graphicClass);

// Told of changes to a picture embedded in a container document.
class IChangeNotifier {
public:
    virtual ~IChangeNotifier() = default;
    virtual void Changed() = 0;
};

// Holds at most one graphic, chosen by file extension when a file is loaded. The held graphic
// is always a copy the picture owns; its OnChange and OnProgress are hooked to the picture.
class TPicture : public TPersistent {
    PICTAVO_CLASS(TPicture)
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;
    IChangeNotifier* Notifier = nullptr;

    // The held graphic; null for an empty picture.
    TGraphic* Graphic() const { return m_graphic.get(); }
    // Holds a copy of the value (an empty picture for null) and notifies once.
    void ReplaceGraphic(const TGraphic* value);
    int Width() const;
    int Height() const;

    // Loads a file (drive-letter path) into a new graphic of the class registered for its
    // extension. On failure the previous graphic stays and nothing is notified.
    void LoadFile(const std::string& fileName);

    // The held graphic when it is of (or derives from) the class; otherwise an empty instance of
    // the class replaces the held graphic, with one change notification.
    TGraphic* GraphicAs(const TMetaClass* graphicClass);
    template <class G>
    G* GraphicAs()
    {
        return static_cast<G*>(GraphicAs(G::StaticClass()));
    }
    // GraphicAs for the bitmap and icon classes; each is defined by its format's library.
    TBitmap* Bitmap();
    TIcon* Icon();

    void CopyFrom(const TPersistent* source) override;
    void CopyTo(TPersistent* destination) const override;
    // Declares "Data": a length byte, the graphic's class name and its WriteStoredData bytes.
    void DeclareStoredData(TFiler& filer) override;
    void ReadData(TStream& stream);
    void WriteData(TStream& stream) const;

    virtual void NotifyChange(TObject* sender);
    virtual void ReportProgress(TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                                bool redrawNow, const TRect& r, const std::string& msg);

private:
    void hook(TGraphic& graphic);
    void adopt(std::unique_ptr<TGraphic> graphic);

    std::unique_ptr<TGraphic> m_graphic;
};

// One row of the file-format registry.
struct TFileFormat {
    const TMetaClass* GraphicClass = nullptr;
    std::string Extension;  // lower-cased, without the dot; may be empty
    std::string Description;
};

// The process-wide list of file formats. Lookups walk it from the last entry to the first, so
// a later registration of an extension overrides an earlier one.
class TFileFormatsList {
public:
    void Add(std::string_view extension, std::string description, const TMetaClass* graphicClass);
    // The class for an extension (without dot); ASCII letters are compared without regard to
    // case. Null when none is registered.
    const TMetaClass* FindExt(std::string_view extension) const;
    // The class whose name is exactly `className`; null when none is registered.
    const TMetaClass* FindClassName(std::string_view className) const;
    // Removes every entry whose class is the given one or derives from it.
    void Remove(const TMetaClass* graphicClass);
    bool Contains(std::string_view extension, const TMetaClass* graphicClass) const;
    // The open dialog's filter for every entry with an extension whose class is (or derives
    // from) the given one.
    std::string BuildFilterStrings(const TMetaClass* graphicClass) const;
    const std::vector<TFileFormat>& Entries() const { return m_entries; }

private:
    std::vector<TFileFormat> m_entries;
};

struct TClipboardFormat {
    std::uint16_t Format = 0;
    const TMetaClass* GraphicClass = nullptr;
};

// The process-wide list of clipboard formats and the classes that read them.
class TClipboardFormats {
public:
    void Add(std::uint16_t format, const TMetaClass* graphicClass);
    void Remove(const TMetaClass* graphicClass);
    // The class registered for a format (the last registration wins); null when none.
    const TMetaClass* FindFormat(std::uint16_t format) const;
    const std::vector<TClipboardFormat>& Entries() const { return m_entries; }

private:
    std::vector<TClipboardFormat> m_entries;
};

// The registries, created on first use.
TFileFormatsList& FileFormats();
TClipboardFormats& ClipboardFormats();

// Registration by format modules at start-up.
void RegisterFileFormat(std::string_view extension, std::string description,
                        const TMetaClass* graphicClass);
void RegisterClipboardFormat(std::uint16_t format, const TMetaClass* graphicClass);
// Removes the class and every class derived from it from both registries.
void UnregisterGraphicClass(const TMetaClass* graphicClass);
// "All (*.gif;*.jpg;...)|*.gif;*.jpg;...|CompuServe GIF Image (*.gif)|*.gif|..."
std::string PictureFilter(const TMetaClass* graphicClass);

// The row for names without an extension (TOleGraphic); see ole_graphic.h.
void RegisterOleGraphicFormat();
