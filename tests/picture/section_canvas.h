#pragma once
// A canvas drawing into a 32-bit section of the display's format, for tests that draw pictures
// and then read the pixels back.

#include "framework/canvas.h"
#include "platform/section.h"
#include "platform/device_context.h"

#include <memory>

class SectionCanvas : public TCanvas {
public:
    SectionCanvas(int width, int height, platform::Colour background = 0xFFFFFF)
        : m_section(platform::Section::createDisplayCompatible(width, height))
    {
        m_section->fill(background);
    }
    ~SectionCanvas() override { SetHandle(nullptr); }

    platform::Section& section() { return *m_section; }
    platform::Colour pixel(int x, int y) const { return m_section->pixel(x, y); }

protected:
    void CreateHandle() override
    {
        m_context = platform::makeSectionContext(*m_section);
        SetHandle(m_context.get());
    }

private:
    std::unique_ptr<platform::Section> m_section;
    std::unique_ptr<platform::DeviceContext> m_context;
};
