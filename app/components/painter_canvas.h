#pragma once
// Internal to app/: a canvas drawing through an active painter (a widget's paint event, an
// image), for the program's own widgets that draw pictures.

#include "framework/canvas.h"
#include "platform/device_context.h"

#include <memory>

class QPainter;

namespace viewer_detail {

class PainterCanvas : public TCanvas {
public:
    // The painter must stay active while the canvas draws.
    explicit PainterCanvas(QPainter& painter) : m_context(platform::makePainterContext(painter)) {}
    ~PainterCanvas() override { SetHandle(nullptr); }

protected:
    void CreateHandle() override { SetHandle(m_context.get()); }

private:
    std::unique_ptr<platform::DeviceContext> m_context;
};

} // namespace viewer_detail
