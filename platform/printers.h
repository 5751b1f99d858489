#pragma once
// The print system beneath the report engine's printer object: which printers are installed and
// which one is the default, what each device is and can do (its device mode with the fields it
// takes, its resolution, papers with their unprintable margins, paper sources), and print jobs
// drawn page by page.
//
// The system's spooler is CUPS: the printer list and the default printer come through Qt Print
// Support, the device facts Qt does not give on this platform come from libcups, and jobs are
// drawn through QPrinter. With no printer installed, or no spooler running, the list is empty and
// nothing prints: a job is refused, never written to a file instead.

#include "platform/seam.h"
#include "platform/types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class DeviceContext;

// Which fields of a device mode the device takes.
enum : std::uint32_t {
    DM_ORIENTATION = 0x00000001,
    DM_PAPERSIZE = 0x00000002,
    DM_PAPERLENGTH = 0x00000004,
    DM_PAPERWIDTH = 0x00000008,
    DM_COPIES = 0x00000100,
    DM_DEFAULTSOURCE = 0x00000200,
    DM_DUPLEX = 0x00001000,
};
enum : short { DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2 };
enum : short { DMDUP_SIMPLEX = 1, DMDUP_VERTICAL = 2, DMDUP_HORIZONTAL = 3 };
// The paper code of a size given by the paper width and length fields.
constexpr short DMPAPER_USER = 256;
// Paper-source codes of the device's own trays start here.
constexpr short DMBIN_USER = 256;

// The settings a job is printed with; `fields` tells which of them the device takes.
struct DeviceMode {
    std::uint32_t fields = 0;
    short orientation = DMORIENT_PORTRAIT;
    short paperSize = 0;    // a standard paper code, DMPAPER_USER, or a device paper above it
    short paperLength = 0;  // tenths of a millimetre
    short paperWidth = 0;
    short copies = 1;
    short defaultSource = 0;
    short duplex = DMDUP_SIMPLEX;

    bool carries(std::uint32_t field) const { return (fields & field) != 0; }
    friend bool operator==(const DeviceMode&, const DeviceMode&) = default;
};

// Unprintable margins of a paper, in hundredths of a millimetre.
struct PaperMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const PaperMargins&, const PaperMargins&) = default;
};

// A paper the device takes: its code (a standard code, or one above DMPAPER_USER for a paper
// without one), the spooler's name for it, its portrait size in hundredths of a millimetre and
// its unprintable margins when the device tells them.
struct PaperSpec {
    int code = 0;
    std::string name;
    int width = 0;
    int length = 0;
    std::optional<PaperMargins> margins;
};

// A paper source (tray) of the device: its code and the spooler's name for it.
struct PaperSource {
    int code = 0;
    std::string name;
};

// A printer as the spooler describes it.
struct PrinterDescription {
    std::string device;  // the queue's name
    std::string driver;  // the driver, as the spooler names it
    std::string port;    // where the device is (its URI)
    DeviceMode defaults;
    int dpiX = 300;
    int dpiY = 300;
    // Papers in the device's order; the codes listed are distinct.
    std::vector<PaperSpec> papers;
    std::vector<PaperSource> sources;
    // Whether the device takes sizes given by width and length (DMPAPER_USER).
    bool customSizes = false;
};

// A running print job. Each page is drawn in device pixels at the device's resolution, with
// (0, 0) at the top-left corner of the printable area (the printing offset from the paper's
// corner), as printer device contexts have it.
class PrintJob {
public:
    virtual ~PrintJob();
    // The page being drawn.
    virtual DeviceContext& page() = 0;
    // Ends the page and starts the next one.
    virtual void newPage() = 0;
    // Ends the job: its pages go to the device.
    virtual void end() = 0;
    // Drops the job: nothing of it is printed.
    virtual void abort() = 0;
};

// The spooler: installed printers, their descriptions, and jobs.
class Spooler {
public:
    virtual ~Spooler();
    // The installed printers in the spooler's order; empty with none, or when no spooler runs.
    virtual std::vector<std::string> printerNames() = 0;
    // The default printer's name; empty when there is none.
    virtual std::string defaultPrinterName() = 0;
    // None when the spooler does not know the printer (any more).
    virtual std::optional<PrinterDescription> describe(const std::string& name) = 0;
    // Starts a job on the printer with the device mode under the title; null when the printer
    // cannot take a job now (it is gone, or the spooler stopped).
    virtual std::unique_ptr<PrintJob> startJob(const PrinterDescription& printer, const DeviceMode& mode,
                                               const std::string& title) = 0;
};

// The spooler in use: the system's (CUPS), unless a test put its own in place through the seam.
Spooler& spooler();
// The system's spooler, whatever is in place.
Spooler& systemSpooler();
Seam<Spooler>& spoolerSeam();

// A device pixel count of a length in hundredths of a millimetre at a resolution, rounded to
// the nearest pixel.
int hundredthsMmToPixels(int length, int dpi);

// What the device reports for a device mode: the printable area's offset from the paper's corner
// and the paper's size, both in device pixels and for the mode's orientation; none when the
// device does not say.
std::optional<Point> printingOffsetOf(const PrinterDescription& printer, const DeviceMode& mode);
std::optional<Size> physicalPageOf(const PrinterDescription& printer, const DeviceMode& mode);

// The printer object: the installed printers, the one selected (the default printer unless an
// index was chosen), its device mode, what the device reports of itself for that device mode,
// and the job being printed on it.
class Printer {
public:
    // Reads the printer list from the spooler in use.
    Printer();
    // A job still running ends normally, so that the pages drawn are printed.
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    const std::vector<std::string>& printers() const { return m_names; }
    // -1 while the default printer is selected.
    int printerIndex() const { return m_index; }
    // Selects a printer of the list, or the default printer (-1); false (and nothing changes)
    // for another index or while a job is running. The device mode becomes the printer's own.
    bool setPrinterIndex(int index);

    // The selected printer; null when none is installed (or it has gone since the list was read).
    const PrinterDescription* current();
    // The device mode the next job prints with (the device's defaults until changed).
    DeviceMode deviceMode();
    // Takes a device mode for the printer named `device` (selecting it when it is another one of
    // the list); false when no such printer is installed.
    bool setDeviceMode(const std::string& device, const DeviceMode& mode);

    // What the device reports for the current device mode: pixels per inch, the printable
    // area's offset from the paper's corner and the paper's size, both in device pixels and for
    // the device mode's orientation. The offset and size are none when the device does not say.
    int pixelsPerInchX();
    int pixelsPerInchY();
    std::optional<Point> printingOffset();
    std::optional<Size> physicalPageSize();
    // The paper codes the device lists.
    std::vector<int> paperCodes();

    // Starts a job with the current device mode; false with no printer, or when the spooler
    // refuses the job. Ends a running job first.
    bool beginDoc(const std::string& title);
    bool printing() const { return m_job != nullptr; }
    // The page being drawn; null while no job runs.
    DeviceContext* page();
    void newPage();
    void endDoc();
    void abortDoc();

private:
    std::vector<std::string> m_names;
    int m_index = -1;
    std::optional<PrinterDescription> m_current;
    bool m_described = false;
    DeviceMode m_mode;
    std::unique_ptr<PrintJob> m_job;
};

} // namespace platform
