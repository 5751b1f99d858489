#pragma once
// A spooler of the tests' own: printers described in the test, and jobs drawn into images (one
// per page, the physical page at the device's resolution, white) so that tests can look at what
// was printed.

#include "platform/printers.h"

#include <QImage>

#include <deque>
#include <string>
#include <vector>

class FakeSpooler : public platform::Spooler {
public:
    struct Job {
        std::string printer;
        platform::DeviceMode mode;
        std::string title;
        std::vector<QImage> pages;
        bool ended = false;
        bool aborted = false;
    };

    std::vector<platform::PrinterDescription> printers;
    std::string defaultName;
    // Every job started, in order (their addresses stay).
    std::deque<Job> jobs;
    // How many times each query was made.
    int describeCount = 0;

    std::vector<std::string> printerNames() override;
    std::string defaultPrinterName() override { return defaultName; }
    std::optional<platform::PrinterDescription> describe(const std::string& name) override;
    std::unique_ptr<platform::PrintJob> startJob(const platform::PrinterDescription& printer,
                                                 const platform::DeviceMode& mode, const std::string& title) override;
};

// A printer description for tests: `dpi` both ways, A4 and Letter (codes 9 and 1) with margins
// of `margin` hundredths of a millimetre, A4 the default; every device-mode field carried.
platform::PrinterDescription fakePrinter(const std::string& name, int dpi, int margin = 0);
