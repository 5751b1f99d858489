// Recording a metafile through a canvas.

#include "picture/metafile/metafile.h"

#include "platform/device_context.h"
#include "platform/display.h"
#include "platform/metafile/emf_recorder.h"

#include <QString>

#include <cmath>

namespace {

// What the recording measures against: the given context's size in pixels and in millimetres
// (from its resolution), or the screen's.
platform::ReferenceDevice referenceOf(platform::DeviceContext* reference)
{
    if (!reference)
        return platform::screenReferenceDevice();
    platform::ReferenceDevice device;
    device.pixels = reference->pixelSize();
    device.dpiX = std::max(1, reference->logicalDpiX());
    device.dpiY = std::max(1, reference->logicalDpiY());
    device.millimetres = {int(std::lround(device.pixels.cx * 25.4 / device.dpiX)),
                          int(std::lround(device.pixels.cy * 25.4 / device.dpiY))};
    device.bitsPerPixel = reference->bitsPerPixel();
    return device;
}

} // namespace

PICTAVO_DEFINE_CLASS(TMetafileCanvas, TCanvas, nullptr, nullptr)

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, platform::DeviceContext* reference)
    : TMetafileCanvas(metafile, reference, metafile.CreatorName(), metafile.PictureTitle())
{
}

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, platform::DeviceContext* reference, const std::string& creator,
                                 const std::string& title)
    : m_metafile(metafile)
{
    const platform::ReferenceDevice device = referenceOf(reference);
    if (metafile.FrameWidth() == 0) {
        const int pixels = metafile.Width();
        metafile.SetFrameWidth(pixels != 0 ? MulDiv(pixels, std::int64_t(device.millimetres.cx) * 100, device.pixels.cx)
                                           : device.millimetres.cx * 100);
    }
    if (metafile.FrameHeight() == 0) {
        const int pixels = metafile.Height();
        metafile.SetFrameHeight(pixels != 0 ? MulDiv(pixels, std::int64_t(device.millimetres.cy) * 100, device.pixels.cy)
                                            : device.millimetres.cy * 100);
    }
    const platform::Rect frame{0, 0, metafile.FrameWidth(), metafile.FrameHeight()};
    std::u16string description;
    if (!creator.empty() || !title.empty()) {
        description = QString::fromStdString(creator).toStdU16String();
        description += u'\0';
        description += QString::fromStdString(title).toStdU16String();
        description += u'\0';
        description += u'\0';
    }
    m_recorder = platform::createEnhancedMetafileRecorder(device, frame, description);
    if (!m_recorder)
        OutOfResources();
    SetHandle(m_recorder.get());
}

TMetafileCanvas::~TMetafileCanvas()
{
    SetHandle(nullptr);
    try {
        m_metafile.SetMetafileHandle(platform::closeEnhancedMetafile(std::move(m_recorder)));
    } catch (...) {
        // A destructor cannot pass the failure on; the metafile keeps its previous picture.
    }
}

void TMetafileCanvas::CreateHandle()
{
    SetHandle(m_recorder.get());
}
