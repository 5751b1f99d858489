#pragma once
// The drawing surface of a bitmap: a canvas whose device context draws into the bitmap's
// pixels. Before each change the bitmap makes its store its own, after it the bitmap notifies.
// Contexts are registered in a process-wide locked list so they can be given back between
// window messages. Internal to the bitmap module.

#include "framework/canvas.h"

#include <memory>

namespace platform {
class Section;
class DeviceContext;
} // namespace platform

class TBitmap;

class TBitmapCanvas : public TCanvas {
    PICTAVO_CLASS(TBitmapCanvas)
public:
    explicit TBitmapCanvas(TBitmap& bitmap);
    ~TBitmapCanvas() override;

    // Drops the device context (it is made again on the next drawing).
    void FreeContext();
    // Drops the contexts of every surface that can be locked without waiting.
    static void FreeUnlockedContexts();

protected:
    void CreateHandle() override;

private:
    void releaseContext();

    TBitmap& m_bitmap;
    std::unique_ptr<platform::DeviceContext> m_context;
    // What an empty bitmap's surface draws into: one pixel that nobody sees.
    std::unique_ptr<platform::Section> m_scratch;
};
