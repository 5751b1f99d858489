#pragma once
// Printer settings. TPrinterSettings mirrors the device settings of the printer a report printer
// prints on: read from the device when it is attached, changed only where the device takes the
// change, and written back into the printer's device mode before a print run. The report's own
// published printer settings (copies, page range, bin, printer index) are
// TQuickRepPrinterSettings; the report hands them to its report printer at each run.

#include "framework/persistent.h"
#include "report/qr_units.h"

#include <array>
#include <cstdint>
#include <string>

namespace platform {
class Printer;
}

// Paper sources, in order; several share a device code (the first of them is the one read).
enum class TQRBin {
    First, Upper, Lower, Middle, Manual, Envelope, EnvManual, Auto, Tractor, SmallFormat, LargeFormat,
    LargeCapacity, Cassette, Last
};
constexpr int binCount = 14;
// The paper-source code of the bin in device modes.
int BinCode(TQRBin bin);

class TPrinterSettings {
public:
    TPrinterSettings() = default;
    TPrinterSettings(const TPrinterSettings&) = delete;
    TPrinterSettings& operator=(const TPrinterSettings&) = delete;

    // Attaches the settings to a printer object (not owned) and, when at least one printer is
    // installed, reads the settings of its current printer.
    void SetPrinter(platform::Printer* printer);
    platform::Printer* Printer() const { return m_printer; }
    // Writes paper, copies, paper source and orientation into the printer's device mode, each
    // where the device mode takes it. Duplex is never written.
    void ApplySettings();
    // Whether a printer is attached and its device mode (as read) carries the field.
    bool DevModeCarries(std::uint32_t field) const;

    const std::string& Device() const { return m_device; }
    const std::string& Driver() const { return m_driver; }
    const std::string& Port() const { return m_port; }
    std::string Title() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }

    int Copies() const { return m_copies; }
    void SetCopies(int copies);
    bool Duplex() const { return m_duplex; }
    TPrinterOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TPrinterOrientation orientation);
    TQRBin OutputBin() const { return m_outputBin; }
    void SetOutputBin(TQRBin bin);
    // Default is always taken; any other paper only when the device lists it.
    TQRPaperSize PaperSize() const { return m_paperSize; }
    void SetPaperSize(TQRPaperSize paper);
    bool Supported(TQRPaperSize paper) const { return m_supported[std::size_t(paper)]; }
    // Native: the device's physical page as read, or a custom size; set only while the paper is
    // Custom.
    int PaperWidth() const { return m_paperWidth; }
    void SetPaperWidth(int width);
    int PaperLength() const { return m_paperLength; }
    void SetPaperLength(int length);
    // The paper's portrait width and length in native units: the paper table's for a standard
    // paper, PaperWidth and PaperLength for Default and Custom.
    double PortraitWidth() const;
    double PortraitLength() const;

    int PixelsPerX() const { return m_pixelsPerX; }
    int PixelsPerY() const { return m_pixelsPerY; }
    // The device's unprintable margin, native.
    int TopOffset() const { return m_topOffset; }
    int LeftOffset() const { return m_leftOffset; }

private:
    void readFromDevice();

    platform::Printer* m_printer = nullptr;
    std::string m_device;
    std::string m_driver;
    std::string m_port;
    std::uint32_t m_fields = 0;  // of the device mode as read
    std::string m_title;
    int m_copies = 0;
    bool m_duplex = false;
    TPrinterOrientation m_orientation = poPortrait;
    TQRBin m_outputBin = TQRBin::First;
    TQRPaperSize m_paperSize = TQRPaperSize::A4;
    std::array<bool, paperSizeCount> m_supported{};
    int m_paperWidth = 0;
    int m_paperLength = 0;
    int m_pixelsPerX = 0;
    int m_pixelsPerY = 0;
    int m_topOffset = 0;
    int m_leftOffset = 0;
};

// The printer settings a report publishes and hands to its report printer at each run.
class TQuickRepPrinterSettings : public TPersistent {
    PICTAVO_CLASS(TQuickRepPrinterSettings)
public:
    int Copies() const { return m_copies; }
    void SetCopies(int copies) { m_copies = copies; }
    bool Duplex() const { return m_duplex; }
    void SetDuplex(bool duplex) { m_duplex = duplex; }
    // The range of pages sent to the device; 0 leaves that end open.
    int FirstPage() const { return m_firstPage; }
    void SetFirstPage(int page) { m_firstPage = page; }
    int LastPage() const { return m_lastPage; }
    void SetLastPage(int page) { m_lastPage = page; }
    TQRBin OutputBin() const { return m_outputBin; }
    void SetOutputBin(TQRBin bin) { m_outputBin = bin; }
    // An index into the system's printer list; -1 for the default printer.
    int PrinterIndex() const { return m_printerIndex; }
    void SetPrinterIndex(int index) { m_printerIndex = index; }

    void CopyFrom(const TPersistent* source) override;
    const PropertyTable* Properties() const override;

private:
    int m_copies = 1;
    bool m_duplex = false;
    int m_firstPage = 0;
    int m_lastPage = 0;
    TQRBin m_outputBin = TQRBin::First;
    int m_printerIndex = -1;
};
