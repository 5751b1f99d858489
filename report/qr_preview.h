#pragma once
// The preview control: one page of a generated report at a chosen zoom, a white sheet with a
// black outline and a drop shadow, centred while it is smaller than the control and scrolled
// when it is larger. The page is the report printer's stored metafile, played back scaled.

#include "framework/ext_controls.h"
#include "report/qr_printer.h"

#include <functional>
#include <memory>

using TQRPageAvailableEvent = std::function<void(TObject* Sender, int PageNum)>;
using TQRProgressUpdateEvent = std::function<void(TObject* Sender, int Progress)>;

// The painted page.
class TQRPreviewImage : public TGraphicControl {
    PICTAVO_CLASS(TQRPreviewImage)
public:
    explicit TQRPreviewImage(TComponent* owner);
    ~TQRPreviewImage() override;

    TQRPrinter* QRPrinter() const { return m_printer; }
    void SetQRPrinter(TQRPrinter* printer) { m_printer = printer; }
    int PageNumber() const { return m_pageNumber; }
    // Whether a page is shown.
    bool PageShown() const { return m_page != nullptr; }
    TGraphic* Page() const { return m_page.get(); }
    // The zoom the image was last sized for.
    int ImageZoom() const { return m_imageZoom; }
    void SetImageZoom(int zoom) { m_imageZoom = zoom; }

    // Takes page n from the report printer (none when it has no such page yet) and repaints.
    void ShowPage(int n);

protected:
    void Paint() override;

private:
    TQRPrinter* m_printer = nullptr;
    int m_pageNumber = 1;
    std::unique_ptr<TGraphic> m_page;
    int m_imageZoom = 100;
};

enum class TQRZoomState { Fit, Width, Explicit };

class TQRPreview : public TScrollBox, public TQRProgressWindow {
    PICTAVO_CLASS(TQRPreview)
public:
    explicit TQRPreview(TComponent* owner);
    ~TQRPreview() override;

    TQRPrinter* QRPrinter() const { return m_printer; }
    // Attaches a report printer (null detaches): this preview becomes its progress window and
    // shows its first page once that exists.
    void SetQRPrinter(TQRPrinter* printer);
    int PageNumber() const { return m_pageNumber; }
    // Ignored for n ≤ 0, beyond the page count, without a report printer, or for the page shown.
    void SetPageNumber(int n);
    int Zoom() const { return m_zoom; }
    // Ignored outside 2..2000; the zoom becomes explicit.
    void SetZoom(int zoom);
    TQRZoomState ZoomState() const { return m_zoomState; }
    void ZoomToFit();
    void ZoomToWidth();
    // Shows the current page if it has become available since.
    void RefreshPage();
    TQRPreviewImage* PreviewImage() const { return m_image; }

    TQRPageAvailableEvent OnPageAvailable;
    TQRProgressUpdateEvent OnProgressUpdate;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void PageAvailable(int pageNumber) override;
    void ProgressUpdate(int percent) override;
    void QRPrinterReleased(TQRPrinter* printer) override;
    void SizeChanged() override;

private:
    // The page's size in pixels at 100 %.
    double pageWidth() const;
    double pageLength() const;
    void resizeImage();
    void detach();

    TQRPrinter* m_printer = nullptr;
    TQRPreviewImage* m_image = nullptr;
    int m_pageNumber = 1;
    int m_zoom = 100;
    TQRZoomState m_zoomState = TQRZoomState::Explicit;
};
