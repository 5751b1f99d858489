#pragma once
// Record types and fixed values of the "plus" record set: the newer drawing records that
// enhanced metafiles carry inside comment records, numbered as the published record layouts
// number them. Internal to platform/metafile.

#include <cstdint>

namespace platform::plus {

// A comment record whose first data word is this carries plus records ("EMF+").
constexpr std::uint32_t commentIdentifier = 0x2B464D45;
// Every plus record starts with type (16 bits), flags (16 bits), size and data size (32 bits).
constexpr std::uint32_t recordHeaderSize = 12;
// The object table has 64 entries.
constexpr int objectTableSize = 64;

enum Record : std::uint16_t {
    Header = 0x4001, EndOfFile = 0x4002, Comment = 0x4003, GetDC = 0x4004,
    MultiFormatStart = 0x4005, MultiFormatSection = 0x4006, MultiFormatEnd = 0x4007,
    Object = 0x4008, Clear = 0x4009, FillRects = 0x400A, DrawRects = 0x400B, FillPolygon = 0x400C,
    DrawLines = 0x400D, FillEllipse = 0x400E, DrawEllipse = 0x400F, FillPie = 0x4010, DrawPie = 0x4011,
    DrawArc = 0x4012, FillRegion = 0x4013, FillPath = 0x4014, DrawPath = 0x4015,
    FillClosedCurve = 0x4016, DrawClosedCurve = 0x4017, DrawCurve = 0x4018, DrawBeziers = 0x4019,
    DrawImage = 0x401A, DrawImagePoints = 0x401B, DrawString = 0x401C, SetRenderingOrigin = 0x401D,
    SetAntiAliasMode = 0x401E, SetTextRenderingHint = 0x401F, SetTextContrast = 0x4020,
    SetInterpolationMode = 0x4021, SetPixelOffsetMode = 0x4022, SetCompositingMode = 0x4023,
    SetCompositingQuality = 0x4024, Save = 0x4025, Restore = 0x4026, BeginContainer = 0x4027,
    BeginContainerNoParams = 0x4028, EndContainer = 0x4029, SetWorldTransform = 0x402A,
    ResetWorldTransform = 0x402B, MultiplyWorldTransform = 0x402C, TranslateWorldTransform = 0x402D,
    ScaleWorldTransform = 0x402E, RotateWorldTransform = 0x402F, SetPageTransform = 0x4030,
    ResetClip = 0x4031, SetClipRect = 0x4032, SetClipPath = 0x4033, SetClipRegion = 0x4034,
    OffsetClip = 0x4035, DrawDriverString = 0x4036, StrokeFillPath = 0x4037,
    SerializableObject = 0x4038, SetTSGraphics = 0x4039, SetTSClip = 0x403A,
};

enum class ObjectType : std::uint8_t {
    Invalid = 0, Brush = 1, Pen = 2, Path = 3, Region = 4, Image = 5, Font = 6, StringFormat = 7,
    ImageAttributes = 8, CustomLineCap = 9,
};

// Record flags.
enum : std::uint16_t {
    FlagDual = 0x0001,            // header: the ordinary records draw the picture as well
    FlagContinued = 0x8000,       // object: the object goes on in the next object record
    FlagSolidColour = 0x8000,     // fills: the brush field is an ARGB colour, not an object
    FlagCompressed = 0x4000,      // coordinates are 16-bit integers, not floats
    FlagRelative = 0x0800,        // points are relative to the previous one, 7 or 15 bits each
    FlagClosed = 0x2000,          // draw lines: closes the figure
    FlagWinding = 0x2000,         // fill closed curve: non-zero winding fill
    FlagAppend = 0x2000,          // transform records: the matrix comes after the world transform
    FlagAntiAlias = 0x0001,       // set anti-alias mode
};

enum class Unit : std::uint8_t { World = 0, Display, Pixel, Point, Inch, Document, Millimeter };

enum class CombineMode { Replace = 0, Intersect, Union, Xor, Exclude, Complement };

enum BrushType : std::uint32_t { SolidColor = 0, HatchFill = 1, TextureFill = 2, PathGradient = 3, LinearGradient = 4 };

enum BrushDataFlags : std::uint32_t {
    BrushDataPath = 0x01, BrushDataTransform = 0x02, BrushDataPresetColors = 0x04,
    BrushDataBlendFactorsH = 0x08, BrushDataBlendFactorsV = 0x10, BrushDataFocusScales = 0x40,
    BrushDataIsGammaCorrected = 0x80, BrushDataDoNotTransform = 0x100,
};

enum PenDataFlags : std::uint32_t {
    PenDataTransform = 0x01, PenDataStartCap = 0x02, PenDataEndCap = 0x04, PenDataJoin = 0x08,
    PenDataMiterLimit = 0x10, PenDataLineStyle = 0x20, PenDataDashedLineCap = 0x40,
    PenDataDashedLineOffset = 0x80, PenDataDashedLine = 0x100, PenDataNonCenter = 0x200,
    PenDataCompoundLine = 0x400, PenDataCustomStartCap = 0x800, PenDataCustomEndCap = 0x1000,
};

enum PathPointFlags : std::uint32_t { PathRelative = 0x0800, PathRunLength = 0x1000, PathCompressed = 0x4000 };
enum PathPointType : std::uint8_t { PointStart = 0, PointLine = 1, PointBezier = 3, PointCloseSubpath = 0x80 };

enum RegionNode : std::uint32_t {
    RegionAnd = 1, RegionUnion = 2, RegionXor = 3, RegionExclude = 4, RegionComplement = 5,
    RegionRect = 0x10000000, RegionPath = 0x10000001, RegionEmpty = 0x10000002, RegionInfinite = 0x10000003,
};

enum ImageType : std::uint32_t { ImageBitmap = 1, ImageMetafile = 2 };
enum MetafileType : std::uint32_t { MetafileWmf = 1, MetafileWmfPlaceable = 2, MetafileEmf = 3, MetafileEmfPlusOnly = 4, MetafileEmfPlusDual = 5 };

enum StringFormatFlags : std::uint32_t { StringFormatVertical = 0x0002, StringFormatNoWrap = 0x1000, StringFormatNoClip = 0x4000 };
enum DriverStringOptions : std::uint32_t { DriverStringCmapLookup = 0x1, DriverStringRealizedAdvance = 0x4 };

} // namespace platform::plus
