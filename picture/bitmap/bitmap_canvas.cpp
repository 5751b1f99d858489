#include "picture/bitmap/bitmap_canvas.h"

#include "picture/bitmap/bitmap.h"
#include "picture/bitmap/bitmap_image.h"
#include "platform/device_context.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Surfaces that hold a device context.
struct SurfaceList {
    std::mutex mutex;
    std::vector<TBitmapCanvas*> canvases;
};

SurfaceList& surfaces()
{
    static SurfaceList list;
    return list;
}

void addSurface(TBitmapCanvas* canvas)
{
    SurfaceList& list = surfaces();
    std::lock_guard lock(list.mutex);
    if (std::find(list.canvases.begin(), list.canvases.end(), canvas) == list.canvases.end())
        list.canvases.push_back(canvas);
}

void removeSurface(TBitmapCanvas* canvas)
{
    SurfaceList& list = surfaces();
    std::lock_guard lock(list.mutex);
    std::erase(list.canvases, canvas);
}

} // namespace

PICTAVO_DEFINE_CLASS(TBitmapCanvas, TCanvas, nullptr, nullptr)

TBitmapCanvas::TBitmapCanvas(TBitmap& bitmap) : m_bitmap(bitmap)
{
    OnChanging = [this](TObject*) { m_bitmap.surfaceChanging(); };
    OnChange = [this](TObject*) { m_bitmap.NotifyChange(&m_bitmap); };
}

TBitmapCanvas::~TBitmapCanvas()
{
    FreeContext();
}

void TBitmapCanvas::CreateHandle()
{
    m_bitmap.handleNeeded();
    platform::Section* pixels = m_bitmap.ownImage().pixels();
    if (!pixels) {
        m_scratch = platform::Section::createDisplayCompatible(1, 1);
        pixels = m_scratch.get();
    }
    m_context = platform::makeSectionContext(*pixels);
    SetHandle(m_context.get());
    addSurface(this);
}

void TBitmapCanvas::FreeContext()
{
    if (!m_context)
        return;
    removeSurface(this);
    releaseContext();
}

void TBitmapCanvas::releaseContext()
{
    SetHandle(nullptr);
    m_context.reset();
    m_scratch.reset();
}

void TBitmapCanvas::FreeUnlockedContexts()
{
    SurfaceList& list = surfaces();
    std::lock_guard lock(list.mutex);
    std::erase_if(list.canvases, [](TBitmapCanvas* canvas) {
        // A surface in use on another thread keeps its context.
        if (!canvas->TryLock())
            return false;
        canvas->releaseContext();
        canvas->Unlock();
        return true;
    });
}

void FreeBitmapSurfaceContexts()
{
    TBitmapCanvas::FreeUnlockedContexts();
}
