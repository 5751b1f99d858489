#include "platform/printers.h"

#include <algorithm>
#include <cmath>

namespace platform {

PrintJob::~PrintJob() = default;
Spooler::~Spooler() = default;

Seam<Spooler>& spoolerSeam()
{
    static Seam<Spooler> seam(systemSpooler);
    return seam;
}

Spooler& spooler()
{
    return spoolerSeam()();
}

int hundredthsMmToPixels(int length, int dpi)
{
    return int(std::lround(double(length) * dpi / 2540.0));
}

// --- Printer ---

Printer::Printer() : m_names(spooler().printerNames()) {}

Printer::~Printer()
{
    if (m_job) {
        try {
            endDoc();
        } catch (...) {
            // Nothing may leave a destructor; the job is gone either way.
        }
    }
}

bool Printer::setPrinterIndex(int index)
{
    if (m_job || index < -1 || index >= int(m_names.size()))
        return false;
    m_index = index;
    m_described = false;
    m_current.reset();
    return true;
}

const PrinterDescription* Printer::current()
{
    if (!m_described) {
        m_described = true;
        std::string name;
        if (m_index >= 0) {
            name = m_names[std::size_t(m_index)];
        } else if (!m_names.empty()) {
            // A spooler without a default printer prints on the first one.
            name = spooler().defaultPrinterName();
            if (std::find(m_names.begin(), m_names.end(), name) == m_names.end())
                name = m_names.front();
        }
        if (!name.empty())
            m_current = spooler().describe(name);
        m_mode = m_current ? m_current->defaults : DeviceMode{};
    }
    return m_current ? &*m_current : nullptr;
}

DeviceMode Printer::deviceMode()
{
    current();
    return m_mode;
}

bool Printer::setDeviceMode(const std::string& device, const DeviceMode& mode)
{
    const PrinterDescription* printer = current();
    if (!printer || printer->device != device) {
        const auto it = std::find(m_names.begin(), m_names.end(), device);
        if (it == m_names.end() || !setPrinterIndex(int(it - m_names.begin())))
            return false;
        printer = current();
        if (!printer)
            return false;
    }
    m_mode = mode;
    return true;
}

int Printer::pixelsPerInchX()
{
    const PrinterDescription* printer = current();
    return printer ? printer->dpiX : 0;
}

int Printer::pixelsPerInchY()
{
    const PrinterDescription* printer = current();
    return printer ? printer->dpiY : 0;
}

namespace {

// The paper a device mode prints on: its paper code's, or for a size of its own (and a code the
// device does not list) the device's default paper.
const PaperSpec* paperOfMode(const PrinterDescription& printer, const DeviceMode& mode)
{
    const auto withCode = [&](int code) -> const PaperSpec* {
        for (const PaperSpec& paper : printer.papers)
            if (paper.code == code)
                return &paper;
        return nullptr;
    };
    if (mode.carries(DM_PAPERSIZE) && mode.paperSize != DMPAPER_USER)
        if (const PaperSpec* paper = withCode(mode.paperSize))
            return paper;
    return withCode(printer.defaults.paperSize);
}

bool isLandscape(const DeviceMode& mode)
{
    return mode.carries(DM_ORIENTATION) && mode.orientation == DMORIENT_LANDSCAPE;
}

} // namespace

std::optional<Point> printingOffsetOf(const PrinterDescription& printer, const DeviceMode& mode)
{
    const PaperSpec* paper = paperOfMode(printer, mode);
    if (!paper || !paper->margins)
        return std::nullopt;
    const PaperMargins& m = *paper->margins;
    // Landscape pages are the portrait sheet turned a quarter to the left: the sheet's left edge
    // is the page's top, its bottom edge the page's left.
    const int x = isLandscape(mode) ? m.bottom : m.left;
    const int y = isLandscape(mode) ? m.left : m.top;
    return Point{hundredthsMmToPixels(x, printer.dpiX), hundredthsMmToPixels(y, printer.dpiY)};
}

std::optional<Size> physicalPageOf(const PrinterDescription& printer, const DeviceMode& mode)
{
    int width = 0;
    int length = 0;
    if (mode.carries(DM_PAPERSIZE) && mode.paperSize == DMPAPER_USER && mode.carries(DM_PAPERWIDTH)
        && mode.carries(DM_PAPERLENGTH)) {
        width = mode.paperWidth * 10;
        length = mode.paperLength * 10;
    } else if (const PaperSpec* paper = paperOfMode(printer, mode)) {
        width = paper->width;
        length = paper->length;
    } else {
        return std::nullopt;
    }
    if (isLandscape(mode))
        std::swap(width, length);
    return Size{hundredthsMmToPixels(width, printer.dpiX), hundredthsMmToPixels(length, printer.dpiY)};
}

std::optional<Point> Printer::printingOffset()
{
    const PrinterDescription* printer = current();
    return printer ? printingOffsetOf(*printer, m_mode) : std::nullopt;
}

std::optional<Size> Printer::physicalPageSize()
{
    const PrinterDescription* printer = current();
    return printer ? physicalPageOf(*printer, m_mode) : std::nullopt;
}

std::vector<int> Printer::paperCodes()
{
    std::vector<int> codes;
    const PrinterDescription* printer = current();
    if (!printer)
        return codes;
    for (const PaperSpec& paper : printer->papers)
        codes.push_back(paper.code);
    if (printer->customSizes)
        codes.push_back(DMPAPER_USER);
    return codes;
}

bool Printer::beginDoc(const std::string& title)
{
    if (m_job)
        endDoc();
    const PrinterDescription* printer = current();
    if (!printer)
        return false;
    m_job = spooler().startJob(*printer, m_mode, title);
    return m_job != nullptr;
}

DeviceContext* Printer::page()
{
    return m_job ? &m_job->page() : nullptr;
}

void Printer::newPage()
{
    if (m_job)
        m_job->newPage();
}

void Printer::endDoc()
{
    if (auto job = std::move(m_job))
        job->end();
}

void Printer::abortDoc()
{
    if (auto job = std::move(m_job))
        job->abort();
}

} // namespace platform
