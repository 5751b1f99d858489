#include "fake_spooler.h"

#include "platform/device_context.h"

#include <QPainter>

#include <memory>

namespace {

class FakeJob : public platform::PrintJob {
public:
    FakeJob(FakeSpooler::Job& record, QSize page, platform::Point origin, int dpiX, int dpiY)
        : m_record(record), m_size(page), m_origin(origin), m_dpiX(dpiX), m_dpiY(dpiY)
    {
        start();
    }
    ~FakeJob() override { m_context.reset(); }

    platform::DeviceContext& page() override { return *m_context; }
    void newPage() override
    {
        finishPage();
        start();
    }
    void end() override
    {
        finishPage();
        m_record.ended = true;
    }
    void abort() override
    {
        m_context.reset();
        m_painter.reset();
        m_record.aborted = true;
    }

private:
    void start()
    {
        m_image = QImage(m_size, QImage::Format_RGB32);
        m_image.fill(Qt::white);
        m_painter = std::make_unique<QPainter>(&m_image);
        m_painter->translate(m_origin.x, m_origin.y);
        m_context = platform::makePainterContext(*m_painter, m_dpiX, m_dpiY);
    }
    void finishPage()
    {
        if (!m_painter)
            return;
        m_context.reset();
        m_painter.reset();
        m_record.pages.push_back(m_image);
    }

    FakeSpooler::Job& m_record;
    QSize m_size;
    platform::Point m_origin;
    int m_dpiX;
    int m_dpiY;
    QImage m_image;
    std::unique_ptr<QPainter> m_painter;
    std::unique_ptr<platform::DeviceContext> m_context;
};

} // namespace

std::vector<std::string> FakeSpooler::printerNames()
{
    std::vector<std::string> names;
    for (const auto& printer : printers)
        names.push_back(printer.device);
    return names;
}

std::optional<platform::PrinterDescription> FakeSpooler::describe(const std::string& name)
{
    ++describeCount;
    for (const auto& printer : printers)
        if (printer.device == name)
            return printer;
    return std::nullopt;
}

std::unique_ptr<platform::PrintJob> FakeSpooler::startJob(const platform::PrinterDescription& printer,
                                                          const platform::DeviceMode& mode, const std::string& title)
{
    const platform::Size page = platform::physicalPageOf(printer, mode).value_or(platform::Size{1, 1});
    const platform::Point origin = platform::printingOffsetOf(printer, mode).value_or(platform::Point{});
    jobs.push_back({printer.device, mode, title, {}, false, false});
    return std::make_unique<FakeJob>(jobs.back(), QSize(page.cx, page.cy), origin, printer.dpiX, printer.dpiY);
}

platform::PrinterDescription fakePrinter(const std::string& name, int dpi, int margin)
{
    using namespace platform;
    PrinterDescription printer;
    printer.device = name;
    printer.driver = "/usr/share/ppd/" + name + ".ppd";
    printer.port = "file:/dev/null";
    printer.dpiX = printer.dpiY = dpi;
    const PaperMargins margins{margin, margin, margin, margin};
    printer.papers = {{9, "iso_a4_210x297mm", 21000, 29700, margins}, {1, "na_letter_8.5x11in", 21590, 27940, margins}};
    printer.sources = {{7, "auto"}, {1, "top"}, {14, "cassette"}};
    DeviceMode& mode = printer.defaults;
    mode.fields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE | DM_DUPLEX;
    mode.paperSize = 9;
    mode.paperWidth = 2100;
    mode.paperLength = 2970;
    mode.copies = 1;
    mode.defaultSource = 7;
    return printer;
}
