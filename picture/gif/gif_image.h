#pragma once
// TGIFImage: the picture class of GIF files (87a and 89a). An image holds the file's screen
// data and a list of frames; one frame is current and is the only one measured and drawn (there
// is no animation: delays and disposal methods are kept, never acted upon). Loading keeps every
// frame's compressed data as the file has it and decodes the first frame at once; other frames
// are decoded when first needed. Saving writes the kept data back unchanged and encodes only
// frames made from other pictures.

#include "picture/picture.h"
#include "picture/shared_image.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class Section;
}

class TBitmap;
class TGIFImage;

// A colour table: up to 256 entries of red, green and blue; entries past the count are zero.
struct TGIFColorTable {
    int Count = 0;
    std::array<std::uint8_t, 768> Entries{};

    // The entry as a plain colour.
    TColor Color(int index) const;
    void Set(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    friend bool operator==(const TGIFColorTable&, const TGIFColorTable&) = default;
};

// The screen data of a file, shared by copies of an image.
class TGIFData : public TSharedImage {
public:
    // Comment blocks that stand after the last frame, one string per data sub-block.
    std::vector<std::string> Comment;
    std::uint8_t AspectRatio = 0;
    // Size bits of the global table (count = 2^bits), 1 to 8.
    std::uint8_t TableBits = 8;
    // The screen descriptor's colour resolution plus one, 1 to 8.
    std::uint8_t ColorResolution = 8;
    // Count 0 when the file has none.
    TGIFColorTable GlobalTable;

    TGIFData* clone() const;

protected:
    void FreeHandles() override {}
};

// One frame's data, shared by copies of the frame.
class TGIFItem : public TSharedImage {
public:
    // Exactly the file's bytes from the minimum code size through the zero length byte that
    // ends the data; empty when the frame has none (a frame made from another picture).
    std::vector<std::uint8_t> CompressedData;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // The image descriptor's packed byte as read (not written back).
    std::uint8_t DescriptorFlags = 0;
    // Size bits of the table the frame uses, 1 to 8; 0 when no table applies.
    std::uint8_t BitsPerPixel = 0;
    // The frame's local table, or a copy of the global table when it has none.
    TGIFColorTable ColorTable;

    TGIFItem* clone() const;

protected:
    void FreeHandles() override {}
};

enum class TExtensionKind : std::uint8_t { GraphicControl = 0, PlainText = 1, Application = 2, Comment = 3 };

// An extension block: the bytes after its label that have a fixed size for the kind (6 for a
// graphic control block: size 4, flags, delay in hundredths, transparent index, terminator; 13
// for plain text; 12 for an application block; none for a comment), and the data sub-blocks,
// one string each.
struct TExtension {
    TExtensionKind Kind = TExtensionKind::Comment;
    std::vector<std::uint8_t> Fixed;
    std::vector<std::string> Data;

    // The file's label of a kind (0xF9, 0x01, 0xFF, 0xFE).
    static std::uint8_t Label(TExtensionKind kind);
    friend bool operator==(const TExtension&, const TExtension&) = default;
};

// One picture of a GIF file, owned by its image.
class TGIFFrame : public TPersistent {
    PICTAVO_CLASS(TGIFFrame)
public:
    explicit TGIFFrame(TGIFImage* owner);
    ~TGIFFrame() override;
    TGIFFrame(const TGIFFrame&) = delete;
    TGIFFrame& operator=(const TGIFFrame&) = delete;

    TGIFImage* Owner() const { return m_owner; }

    // The decoded picture, decoded from the compressed data on first need (an empty bitmap for
    // a frame without data). Decoding errors propagate; an abort raised by a progress handler
    // leaves the bitmap as far as it got.
    TBitmap& Bitmap();
    bool HasBitmap() const { return m_bitmap != nullptr; }
    // 0 when the frame has neither a bitmap nor compressed data; else its bitmap's, decoded if
    // needed.
    int Width();
    int Height();
    // Draws the whole bitmap scaled into the rectangle; with `transparent` and a transparent
    // colour, the pixels of that colour leave the canvas as it was.
    void Draw(TCanvas& canvas, const TRect& rect, bool transparent);

    // From null: a fresh frame. From a frame: shares its data and takes its position, bitmap,
    // transparent colour, delay, disposal and comment. From a GIF image: its current frame.
    // From any other graphic: a frame of that picture (drawn on fuchsia when the bitmap cannot
    // take it). Every case but an empty graphic updates the owner's screen size.
    void CopyFrom(const TPersistent* source) override;
    // To a frame or GIF image: they copy this frame. To a bitmap: the decoded bitmap, with this
    // frame's transparent colour as its transparent key.
    void CopyTo(TPersistent* destination) const override;

    // The strings of the first comment extension, which is made when there is none.
    std::vector<std::string>& Comment();
    std::vector<TExtension>& Extensions() { return m_extensions; }
    const std::vector<TExtension>& Extensions() const { return m_extensions; }

    // The shared frame data (never null).
    const TGIFItem& Data() const { return *m_data; }

    int Left() const { return m_left; }
    void SetLeft(int value) { m_left = value; }
    int Top() const { return m_top; }
    void SetTop(int value) { m_top = value; }
    bool Interlaced() const { return m_interlaced; }
    // clNone when the frame has none.
    TColor TransparentColor() const { return m_transparentColor; }
    void SetTransparentColor(TColor value) { m_transparentColor = value; }
    // Milliseconds: 10 × the file's hundredths of a second (so up to 655350).
    std::uint32_t Delay() const { return m_delay; }
    void SetDelay(std::uint32_t value) { m_delay = value; }
    std::uint8_t Disposal() const { return m_disposal; }
    void SetDisposal(std::uint8_t value) { m_disposal = std::uint8_t(value & 7); }
    // The frame writes its own colour table instead of using the global one.
    bool LocalTable() const { return m_localTable; }

private:
    friend class TGIFImage;
    friend class GifReader;
    friend class GifWriter;

    // A fresh frame: new empty data, no transparent colour, at (0, 0), not interlaced, delay 0,
    // disposal 0, no local table.
    void reset();
    // Shares the other frame's data and takes its position, bitmap, transparent colour, delay,
    // disposal and comment.
    void copyFrame(const TGIFFrame& other, bool localTable);
    // The strings of the first comment extension; null when there is none.
    const std::vector<std::string>* firstComment() const;
    // The frame data, made this frame's own first when it is shared.
    TGIFItem& ownData();
    void decode();
    void copyFromGraphic(TGraphic& graphic);
    // Encodes the bitmap when there is no compressed data; rebuilds the graphic control block;
    // drops empty comments. Run before writing.
    void prepareForSaving();
    void encodeBitmap();
    void updateGraphicControl();

    TGIFImage* m_owner;
    std::unique_ptr<TBitmap> m_bitmap;
    SharedRef<TGIFItem> m_data;
    std::vector<TExtension> m_extensions;
    int m_left = 0;
    int m_top = 0;
    bool m_interlaced = false;
    TColor m_transparentColor = clNone;
    std::uint32_t m_delay = 0;
    std::uint8_t m_disposal = 0;
    bool m_localTable = false;
};

enum TGIFVersion : std::uint8_t { gvNone = 0, gv87a = 1, gv89a = 2 };

// The contents of the "GIF Image" clipboard format: the file's bytes and the first frame's
// pixels.
struct TGIFClipboardData {
    std::shared_ptr<const std::vector<std::uint8_t>> Bytes;
    std::shared_ptr<const platform::Section> Bitmap;
};

class TGIFImage : public TGraphic {
    PICTAVO_CLASS(TGIFImage)
public:
    // An empty image (no frames, current frame -1) that draws transparently by default.
    TGIFImage();
    ~TGIFImage() override;

    // From null: empty (Transparent kept). From a GIF image: shares its screen data and copies
    // its frames. From a frame: an image of that frame with its owner's screen data. From a
    // bitmap: one frame of it. Anything else: the source's CopyTo.
    void CopyFrom(const TPersistent* source) override;
    // To a GIF image: it copies this one. To another graphic: the current frame (or nothing
    // for an empty image). Anything else: the assignment error.
    void CopyTo(TPersistent* destination) const override;
    // The current frame alone, at the rectangle's size, through its transparent colour when
    // Transparent() says so.
    void PaintInto(TCanvas& canvas, const TRect& rect) override;
    // True exactly when the other graphic is a GIF image sharing this image's screen data.
    bool SameImage(TGraphic& graphic) override;
    bool IsEmpty() const override;
    // The current frame's size (decoding it when needed); the logical screen size is not used.
    int ReadHeight() const override;
    int ReadWidth() const override;
    TPaletteHandle ReadPalette() override;
    // The Transparent flag, and only when some frame has a transparent colour.
    bool ReadTransparent() const override;
    // Both raise "Cannot change the Size of a GIF image".
    void WriteHeight(int value) override;
    void WriteWidth(int value) override;
    // "Data": a 32-bit little-endian byte count, then a GIF file of that many bytes.
    void ReadStoredData(TStream& stream) override;
    void WriteStoredData(TStream& stream) override;
    // Reads a GIF file from the stream's position to its end and decodes its first frame. On
    // failure the image stays as it was.
    void LoadStream(TStream& stream) override;
    // Writes a GIF file; "No GIF Data to write" for an image without frames.
    void SaveStream(TStream& stream) override;
    // The "GIF Image" format, whose data is a TGIFClipboardData; anything else raises
    // "Unsupported clipboard format".
    void LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                           const TPaletteHandle& palette) override;
    void SaveClipboardData(std::uint16_t& format, TClipboardHandle& data,
                           TPaletteHandle& palette) override;

    // Appends a frame made from the graphic and makes it current. The version becomes 87a when
    // not set, 89a once there is more than one frame.
    virtual void AddFrame(TGraphic* graphic);

    int Count() const { return int(m_frames.size()); }
    TGIFFrame& Frames(int index) const { return *m_frames.at(std::size_t(index)); }
    // -1 when there is none.
    int FrameIndex() const { return m_current; }
    void SetFrameIndex(int index);
    // The current frame's bitmap (frame 0's when the index is out of range). An image without
    // frames first gets one empty frame.
    TBitmap& Bitmap();

    // The image comment: comment blocks after the last frame.
    const std::vector<std::string>& Comment() const;
    void SetComment(std::vector<std::string> comment);
    TGIFVersion Version() const { return m_version; }
    // clNone unless the file names a background entry of its global table.
    TColor BackgroundColor() const { return m_backgroundColor; }
    int ScreenWidth() const { return m_screenWidth; }
    int ScreenHeight() const { return m_screenHeight; }
    // The largest right and bottom edges of the frames (each frame decoded to measure it).
    void UpdateScreenSize();
    // The shared screen data (never null).
    const TGIFData& ScreenData() const { return *m_screen; }

    // Called by the coders of the frames.
    void reportCoderProgress(TProgressStage stage, int percent, const std::string& message);

private:
    friend class TGIFFrame;
    friend class GifReader;
    friend class GifWriter;

    // The state CreateEmpty gives, without touching Transparent.
    void reset();
    // The screen data, made this image's own first when it is shared.
    TGIFData& ownScreen();
    TGIFFrame* currentFrame() const;
    void swapContents(TGIFImage& other);
    void loadBytes(TStream& stream, std::int64_t count);

    SharedRef<TGIFData> m_screen;
    TGIFVersion m_version = gvNone;
    std::vector<std::unique_ptr<TGIFFrame>> m_frames;
    int m_current = -1;
    std::uint16_t m_screenWidth = 0;
    std::uint16_t m_screenHeight = 0;
    TColor m_backgroundColor = clNone;
};

// Registers "gif" ("CompuServe GIF Image") and the "GIF Image" clipboard format; calling it
// again adds nothing.
void RegisterGIFFormat();
// The number of the "GIF Image" clipboard format.
std::uint16_t GIFClipboardFormat();
