#include "support/graphic_harness.h"

#include "framework/exceptions.h"
#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/formats.h"
#include "picture/metafile/metafile.h"
#include "picture/picture.h"
#include "platform/device_context.h"
#include "platform/png_decoder.h"
#include "platform/section.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace fuzz_support {

namespace {

// An A4 page at the display's 96 pixels to the inch, with the report's default margins.
constexpr int pageWidth = 794;
constexpr int pageHeight = 1123;
constexpr int margin = 38;
// Encoding in every class costs a few times what decoding did; only small pictures go through it.
constexpr std::int64_t maxEncodedPixels = std::int64_t(1) << 16;

void drawOddly(TGraphic& graphic)
{
    SmallCanvas canvas;
    for (const TRect& rect : {TRect{0, 0, 1, 1}, TRect{-5, -7, 40, 3}, TRect{3, 3, 3, 10}, TRect{15, 12, -2, 1},
                              TRect{9, 2, 9, 2}, TRect{-30000, -30000, 30000, 30000}})
        canvas.StretchDraw(rect, &graphic);
    canvas.Handle()->setClipRect(platform::Rect{2, 3, 9, 5});
    canvas.StretchDraw({0, 0, 16, 16}, &graphic);
    canvas.Draw(-1, -2, &graphic);
    canvas.Handle()->setClipRect(platform::Rect{4, 4, 4, 4});
    canvas.Draw(0, 0, &graphic);
    canvas.Handle()->setClipRect(std::nullopt);
}

// Whatever can be copied may still refuse, with the system's messages.
template <class Step>
void mayRefuse(Step step)
{
    try {
        step();
    } catch (const Exception&) {
    }
}

void assign(TGraphic& graphic, bool intoEveryClass)
{
    TBitmap bitmap;
    mayRefuse([&] {
        bitmap.CopyFrom(&graphic);
        SmallCanvas canvas;
        canvas.StretchDraw({0, 0, 16, 16}, &bitmap);
    });
    mayRefuse([&] {
        std::unique_ptr<TGraphic> copy = graphic.CreateEmpty();
        copy->CopyFrom(&graphic);
        (void)copy->SameImage(graphic);
    });
    if (!intoEveryClass || bitmap.IsEmpty())
        return;
    // Every class of the registry takes the picture (most of them through its bitmap), which
    // makes them encode it in their own way.
    std::vector<const TMetaClass*> classes;
    for (const TFileFormat& format : FileFormats().Entries())
        if (std::find(classes.begin(), classes.end(), format.GraphicClass) == classes.end())
            classes.push_back(format.GraphicClass);
    for (const TMetaClass* graphicClass : classes) {
        mayRefuse([&] {
            std::unique_ptr<TGraphic> other = CreateGraphic(graphicClass);
            other->CopyFrom(&graphic);
        });
        mayRefuse([&] {
            std::unique_ptr<TGraphic> other = CreateGraphic(graphicClass);
            other->CopyFrom(&bitmap);
            SmallCanvas canvas;
            canvas.StretchDraw({0, 0, 16, 16}, other.get());
        });
    }
}

void clipboardRoundTrip(TGraphic& graphic)
{
    mayRefuse([&] {
        std::uint16_t format = 0;
        TClipboardHandle data;
        TPaletteHandle palette;
        graphic.SaveClipboardData(format, data, palette);
        // Pasted as the program would (by the class registered for the format), and into a
        // picture of the same class.
        const TMetaClass* reader = ClipboardFormats().FindFormat(format);
        for (const TMetaClass* graphicClass : {reader, graphic.ClassType()}) {
            if (!graphicClass)
                continue;
            mayRefuse([&] {
                std::unique_ptr<TGraphic> pasted = CreateGraphic(graphicClass);
                pasted->LoadClipboardData(format, data, palette);
                SmallCanvas canvas;
                canvas.StretchDraw({0, 0, 16, 16}, pasted.get());
            });
        }
    });
}

void storedFormRoundTrip(TGraphic& graphic)
{
    TPicture picture;
    picture.ReplaceGraphic(&graphic);
    TMemoryStream stored;
    try {
        picture.WriteData(stored);
        stored.SetPosition(0);
        TPicture again;
        again.ReadData(stored);
        if (!again.Graphic() || again.Graphic()->ClassType() != graphic.ClassType())
            std::abort();
    } catch (const Exception&) {
        std::abort();  // what a picture stores, it must read again
    }
}

void printLayout(TGraphic& graphic)
{
    // The page's orientation follows the picture's shape.
    const bool portrait = graphic.Height() > graphic.Width();
    const int width = portrait ? pageWidth : pageHeight;
    const int height = portrait ? pageHeight : pageWidth;
    const TRect area{margin, margin, width - margin, height - margin};
    TMetafile page;
    page.SetWidth(width);
    page.SetHeight(height);
    {
        TMetafileCanvas recording(page, nullptr);
        recording.StretchDraw(area, &graphic);
        // At its own size, centred and clipped to the area.
        recording.Handle()->setClipRect(platform::Rect{area.left, area.top, area.right, area.bottom});
        recording.Draw((area.left + area.right - graphic.Width()) / 2, (area.top + area.bottom - graphic.Height()) / 2,
                       &graphic);
        recording.Handle()->setClipRect(std::nullopt);
    }
    SmallCanvas preview;
    preview.StretchDraw({0, 0, 16, 16}, &page);
}

} // namespace

SmallCanvas::SmallCanvas()
    : m_section(platform::Section::createDisplayCompatible(16, 16)), m_context(platform::makeSectionContext(*m_section))
{
}

SmallCanvas::~SmallCanvas()
{
    SetHandle(nullptr);
}

void SmallCanvas::CreateHandle()
{
    SetHandle(m_context.get());
}

void startPictureFormats()
{
    static const bool started = [] {
        // Text in metafiles needs the font system, which needs the application object.
        if (!QGuiApplication::instance()) {
            if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "fuzzer";
            static char* argv[] = {name, nullptr};
            new QGuiApplication(argc, argv);  // lives as long as the process
        }
        RegisterPictureFormats();
        platform::setPngChecksIgnored(true);
        return true;
    }();
    (void)started;
}

bool loadInput(TGraphic& graphic, const std::uint8_t* data, std::size_t size)
{
    TMemoryStream input(std::vector<std::uint8_t>(data, data + size));
    try {
        graphic.LoadStream(input);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

void requireReadsBack(TGraphic& written, TGraphic& reader, int width, int height)
{
    TMemoryStream saved;
    try {
        written.SaveStream(saved);
        saved.SetPosition(0);
        reader.LoadStream(saved);
    } catch (const Exception&) {
        std::abort();  // what we read must write, and what we wrote must read
    }
    if (reader.Width() != width || reader.Height() != height)
        std::abort();
}

void useLikeTheProgram(TGraphic& graphic, std::int64_t maxCopiedPixels)
{
    startPictureFormats();
    drawOddly(graphic);
    const std::int64_t pixels = std::int64_t(graphic.Width()) * graphic.Height();
    if (graphic.IsEmpty() || pixels > maxCopiedPixels)
        return;
    assign(graphic, pixels <= maxEncodedPixels);
    clipboardRoundTrip(graphic);
    storedFormRoundTrip(graphic);
    printLayout(graphic);
}

} // namespace fuzz_support
