#pragma once
// The report printer: the surface a report is generated on. Pages go either into a page store as
// recorded metafiles (for a preview) or straight onto the system printer, one device page per
// page. It converts native lengths (tenths of a millimetre) into device pixels, carries the
// device settings of its own printer object, tells its progress window which pages are ready, and
// prints.

#include "framework/canvas.h"
#include "framework/exceptions.h"
#include "framework/object.h"
#include "framework/weak_ref.h"
#include "report/page_store.h"
#include "report/printer_settings.h"
#include "report/qr_units.h"

#include <functional>
#include <memory>
#include <string>

class TMetafile;
class TMetafileCanvas;
class TQRPrinter;

namespace platform {
class Printer;
}

PICTAVO_EXCEPTION(EQRError, Exception);

enum class TQRPrinterStatus { Ready, Busy, Complete };
enum class TQRPrinterDestination { ToPreview, ToPrinter };

using TQRNotifyEvent = TNotifyEvent;

// A window told about a report printer's pages and progress. Notifications are deferred calls:
// they arrive when the application next processes its messages, in the order they were sent,
// and never after the window has gone. Report printers follow the window weakly.
class TQRProgressWindow : public TWeakTarget {
public:
    TQRProgressWindow() = default;
    virtual ~TQRProgressWindow() = default;
    TQRProgressWindow(const TQRProgressWindow&) = delete;
    TQRProgressWindow& operator=(const TQRProgressWindow&) = delete;

    void PostPageAvailable(int pageNumber);
    void PostProgress(int percent);
    // The report printer this window serves is being released: the window forgets it.
    virtual void QRPrinterReleased(TQRPrinter*) {}

protected:
    virtual void PageAvailable(int pageNumber) = 0;
    virtual void ProgressUpdate(int percent) = 0;
};

class TQRPrinter : public TObject {
    PICTAVO_CLASS(TQRPrinter)
public:
    // Reads the printer list; with a printer installed, selects the default printer and reads its
    // settings.
    TQRPrinter();
    // Cleans up; a print job still running ends normally, so the pages drawn are printed.
    ~TQRPrinter() override;

    TQRPrinterStatus Status() const { return m_status; }
    TQRPrinterDestination Destination() const { return m_destination; }
    void SetDestination(TQRPrinterDestination destination) { m_destination = destination; }
    // At least one printer was installed when the report printer was made.
    bool PrinterOK() const { return m_printerOK; }
    platform::Printer& Printer() const { return *m_printer; }
    TPrinterSettings& Settings() { return m_settings; }
    const TPrinterSettings& Settings() const { return m_settings; }
    // The printer chosen from the system's list, -1 for the default printer. Another index
    // selects that printer and reads its settings; one outside the list raises "Printer index
    // out of range".
    int PrinterIndex() const;
    void SetPrinterIndex(int index);
    TQRPageList& PageList() { return m_pageList; }

    // The canvas of the page being generated: a recording canvas on the page's metafile, or the
    // printer's canvas; null outside a page.
    TCanvas* Canvas() const { return m_canvas; }

    int PageCount() const { return m_pageCount; }
    // The page being generated; afterwards the page selected.
    int PageNumber() const { return m_pageNumber; }
    // Selects page n (1..PageCount): its metafile replaces the selected one. Otherwise nothing.
    void SetPageNumber(int n);
    // The selected page's metafile, or null.
    TGraphic* SelectedPage() const { return m_selectedPage.get(); }
    int AvailablePages() const { return m_availablePages; }
    int Progress() const { return m_progress; }
    // Posts a progress notification.
    void SetProgress(int percent);
    bool Cancelled() const { return m_cancelled; }
    void Cancel() { m_cancelled = true; }

    // Native lengths to device pixels of the page.
    const QRDeviceMapping& Mapping() const { return m_mapping; }
    double XFactor() const { return m_mapping.XFactor; }
    double YFactor() const { return m_mapping.YFactor; }
    int LeftOffset() const { return m_mapping.LeftOffset; }
    int TopOffset() const { return m_mapping.TopOffset; }
    int XPos(double x) const { return m_mapping.XPos(x); }
    int YPos(double y) const { return m_mapping.YPos(y); }
    int XSize(double w) const { return m_mapping.XSize(w); }
    int YSize(double h) const { return m_mapping.YSize(h); }
    // The paper's size (native) in the settings' orientation.
    double PaperWidth() const;
    double PaperLength() const;

    // The pages sent to the device; 0 leaves that end open.
    int FirstPage() const { return m_firstPage; }
    void SetFirstPage(int page) { m_firstPage = page; }
    int LastPage() const { return m_lastPage; }
    void SetLastPage(int page) { m_lastPage = page; }
    // The print job's name.
    const std::string& Title() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }

    // A preview control is attached. Going from true to false cancels a document still being
    // generated and fires AfterPreview.
    bool ShowingPreview() const { return m_showingPreview; }
    void SetShowingPreview(bool showing);
    // The window told about pages and progress; null once that window has gone.
    TQRProgressWindow* ProgressWindow() const { return m_progressWindow; }
    void SetProgressWindow(TQRProgressWindow* window) { m_progressWindow = window; }

    // Raises "QRPrinter not ready" unless Ready.
    void BeginDoc();
    // Raises "Illegal call to NewPage" unless Busy.
    void NewPage();
    void EndDoc();
    void AbortDoc();
    // Back to Ready: a busy document cancelled, the store emptied and its stream released.
    void Cleanup();

    // A new metafile of page n that the caller owns, or null.
    std::unique_ptr<TGraphic> GetPage(int n);

    // Takes the pages of a saved store file (drive-letter path): Complete, and no OnPrint or
    // OnPrintSetup, so that Print prints the stored pages.
    void Load(const std::string& fileName);
    // Saves the pages to a store file when Complete.
    void Save(const std::string& fileName);

    // OnPreview; OnPrint (without one, the stored pages are printed); OnPrintSetup.
    void Preview();
    void Print();
    void PrintSetup();

    TQRNotifyEvent OnPreview;
    TQRNotifyEvent OnPrint;
    TQRNotifyEvent OnPrintSetup;
    TQRNotifyEvent AfterPreview;
    TQRNotifyEvent AfterPrint;

private:
    // Whether the page numbered `page` goes to the device.
    bool inRange(int page) const;
    void closeRecordedPage(bool store);
    void pageDone();
    void takeOffsets(bool printing);
    void printStoredPages();

    std::unique_ptr<platform::Printer> m_printer;
    TPrinterSettings m_settings;
    bool m_printerOK = false;
    TQRPrinterStatus m_status = TQRPrinterStatus::Ready;
    TQRPrinterDestination m_destination = TQRPrinterDestination::ToPreview;
    TQRPageList m_pageList;
    std::unique_ptr<TMetafile> m_page;
    std::unique_ptr<TMetafileCanvas> m_recording;
    std::unique_ptr<TCanvas> m_printerCanvas;
    TCanvas* m_canvas = nullptr;
    std::unique_ptr<TGraphic> m_selectedPage;
    int m_pageCount = 0;
    int m_pageNumber = 0;
    int m_availablePages = 0;
    int m_progress = 0;
    bool m_cancelled = false;
    QRDeviceMapping m_mapping;
    int m_firstPage = 0;
    int m_lastPage = 0;
    std::string m_title;
    bool m_showingPreview = false;
    TWeakRef<TQRProgressWindow> m_progressWindow;
};
