#include "report/printer_settings.h"

#include "framework/properties.h"
#include "platform/printers.h"

#include <algorithm>

namespace {

constexpr std::array<int, binCount> binCodes{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};

// A device length in pixels at a resolution as native units (tenths of a millimetre).
int pixelsToNative(int pixels, int dpi)
{
    return dpi > 0 ? QRRound(double(pixels) * 254.0 / dpi) : 0;
}

} // namespace

int BinCode(TQRBin bin)
{
    return binCodes[std::size_t(bin)];
}

// --- TPrinterSettings ---

void TPrinterSettings::SetPrinter(platform::Printer* printer)
{
    m_printer = printer;
    if (m_printer && !m_printer->printers().empty())
        readFromDevice();
}

void TPrinterSettings::readFromDevice()
{
    const platform::PrinterDescription* device = m_printer->current();
    if (!device)
        return;
    const platform::DeviceMode mode = m_printer->deviceMode();
    m_device = device->device;
    // The driver's file name, without a directory.
    m_driver = device->driver.substr(device->driver.find_last_of('/') + 1);
    m_port = device->port;
    m_fields = mode.fields;

    m_pixelsPerX = m_printer->pixelsPerInchX();
    m_pixelsPerY = m_printer->pixelsPerInchY();
    m_copies = mode.carries(platform::DM_COPIES) ? mode.copies : 1;
    m_outputBin = TQRBin::First;
    if (mode.carries(platform::DM_DEFAULTSOURCE))
        for (int i = 0; i < binCount; ++i)
            if (binCodes[std::size_t(i)] == mode.defaultSource) {
                m_outputBin = TQRBin(i);
                break;
            }
    m_duplex = mode.carries(platform::DM_DUPLEX) && mode.duplex != platform::DMDUP_SIMPLEX;

    const auto offset = m_printer->printingOffset();
    m_leftOffset = offset ? pixelsToNative(offset->x, m_pixelsPerX) : 0;
    m_topOffset = offset ? pixelsToNative(offset->y, m_pixelsPerY) : 0;

    m_paperSize = TQRPaperSize::Default;
    if (mode.carries(platform::DM_PAPERSIZE) && !PaperOfDeviceCode(mode.paperSize, m_paperSize))
        m_paperSize = TQRPaperSize::Default;

    const auto page = m_printer->physicalPageSize();
    m_paperWidth = page ? pixelsToNative(page->cx, m_pixelsPerX) : 0;
    m_paperLength = page ? pixelsToNative(page->cy, m_pixelsPerY) : 0;

    m_supported.fill(false);
    for (int code : m_printer->paperCodes()) {
        TQRPaperSize paper;
        if (PaperOfDeviceCode(code, paper) && paper != TQRPaperSize::Default)
            m_supported[std::size_t(paper)] = true;
    }
}

bool TPrinterSettings::DevModeCarries(std::uint32_t field) const
{
    return m_printer && (m_fields & field) != 0;
}

void TPrinterSettings::SetCopies(int copies)
{
    if (DevModeCarries(platform::DM_COPIES))
        m_copies = copies;
}

void TPrinterSettings::SetOrientation(TPrinterOrientation orientation)
{
    if (DevModeCarries(platform::DM_ORIENTATION))
        m_orientation = orientation;
}

void TPrinterSettings::SetOutputBin(TQRBin bin)
{
    if (DevModeCarries(platform::DM_DEFAULTSOURCE))
        m_outputBin = bin;
}

void TPrinterSettings::SetPaperSize(TQRPaperSize paper)
{
    if (paper == TQRPaperSize::Default || Supported(paper))
        m_paperSize = paper;
}

void TPrinterSettings::SetPaperWidth(int width)
{
    if (m_paperSize == TQRPaperSize::Custom)
        m_paperWidth = width;
}

void TPrinterSettings::SetPaperLength(int length)
{
    if (m_paperSize == TQRPaperSize::Custom)
        m_paperLength = length;
}

double TPrinterSettings::PortraitWidth() const
{
    if (m_paperSize == TQRPaperSize::Default || m_paperSize == TQRPaperSize::Custom)
        return m_paperWidth;
    return PaperInfo(m_paperSize).width * 10;
}

double TPrinterSettings::PortraitLength() const
{
    if (m_paperSize == TQRPaperSize::Default || m_paperSize == TQRPaperSize::Custom)
        return m_paperLength;
    return PaperInfo(m_paperSize).length * 10;
}

void TPrinterSettings::ApplySettings()
{
    if (!m_printer || m_printer->printers().empty())
        return;
    const platform::PrinterDescription* device = m_printer->current();
    if (!device)
        return;
    platform::DeviceMode mode = m_printer->deviceMode();
    if (m_paperSize == TQRPaperSize::Custom) {
        // The device mode's own unit is tenths of a millimetre too.
        if (mode.carries(platform::DM_PAPERLENGTH))
            mode.paperLength = short(std::clamp(m_paperLength, 0, 32767));
        if (mode.carries(platform::DM_PAPERWIDTH))
            mode.paperWidth = short(std::clamp(m_paperWidth, 0, 32767));
    }
    if (mode.carries(platform::DM_PAPERSIZE) && m_paperSize != TQRPaperSize::Default)
        mode.paperSize = short(PaperInfo(m_paperSize).deviceCode);
    if (mode.carries(platform::DM_COPIES))
        mode.copies = short(std::clamp(m_copies, 0, 32767));
    if (mode.carries(platform::DM_DEFAULTSOURCE))
        mode.defaultSource = short(BinCode(m_outputBin));
    if (mode.carries(platform::DM_ORIENTATION))
        mode.orientation = m_orientation == poLandscape ? platform::DMORIENT_LANDSCAPE : platform::DMORIENT_PORTRAIT;
    m_printer->setDeviceMode(device->device, mode);
}

// --- TQuickRepPrinterSettings ---

PICTAVO_DEFINE_CLASS(TQuickRepPrinterSettings, TPersistent, nullptr, nullptr)

void TQuickRepPrinterSettings::CopyFrom(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TQuickRepPrinterSettings*>(source);
    if (!other) {
        TPersistent::CopyFrom(source);
        return;
    }
    m_copies = other->m_copies;
    m_duplex = other->m_duplex;
    m_firstPage = other->m_firstPage;
    m_lastPage = other->m_lastPage;
    m_outputBin = other->m_outputBin;
    m_printerIndex = other->m_printerIndex;
}

const PropertyTable* TQuickRepPrinterSettings::Properties() const
{
    using S = TQuickRepPrinterSettings;
    static const PropertyTable table(nullptr, {
        props::integer<S, int>("Copies", &S::Copies, &S::SetCopies),
        props::boolean<S>("Duplex", &S::Duplex, &S::SetDuplex),
        props::integer<S, int>("FirstPage", &S::FirstPage, &S::SetFirstPage),
        props::integer<S, int>("LastPage", &S::LastPage, &S::SetLastPage),
        props::enumeration<S, TQRBin>("OutputBin",
                                      {"First", "Upper", "Lower", "Middle", "Manual", "Envelope", "EnvManual", "Auto",
                                       "Tractor", "SmallFormat", "LargeFormat", "LargeCapacity", "Cassette", "Last"},
                                      &S::OutputBin, &S::SetOutputBin),
        props::integer<S, int>("PrinterIndex", &S::PrinterIndex, &S::SetPrinterIndex),
    });
    return &table;
}
