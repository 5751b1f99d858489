#pragma once
// The report: a page description (paper, orientation, margins, columns), horizontal bands laid
// out down the page, and printable controls on the bands. Everything sits on a form as controls
// of the design surface, whose pixel bounds mirror the native lengths the report prints with.
// Report generation and printing come with the report printer.

#include "framework/control.h"
#include "picture/picture.h"
#include "report/printer_settings.h"
#include "report/qr_units.h"

#include <functional>
#include <memory>
#include <vector>

class TQuickRep;
class TQRCustomBand;
class TQRChildBand;

// The lines drawn around a report, a band or a printable. Changing any setting repaints the
// control that owns the frame.
class TQRFrame : public TPersistent {
    PICTAVO_CLASS(TQRFrame)
public:
    explicit TQRFrame(TControl* owner) : m_owner(owner) {}

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    bool DrawTop() const { return m_drawTop; }
    void SetDrawTop(bool draw);
    bool DrawBottom() const { return m_drawBottom; }
    void SetDrawBottom(bool draw);
    bool DrawLeft() const { return m_drawLeft; }
    void SetDrawLeft(bool draw);
    bool DrawRight() const { return m_drawRight; }
    void SetDrawRight(bool draw);
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle style);
    // Line thickness in points.
    int Width() const { return m_width; }
    void SetWidth(int width);
    bool AnyFrame() const { return m_drawTop || m_drawBottom || m_drawLeft || m_drawRight; }

    // Draws each enabled side as a filled strip inside the device rectangle; fx and fy are the
    // device pixels per native unit across and down. The brush is left clear.
    void PaintIt(TCanvas& canvas, const TRect& rect, double fx, double fy) const;

    void CopyFrom(const TPersistent* source) override;
    const PropertyTable* Properties() const override;

private:
    void changed();

    TControl* m_owner;
    TColor m_color = clBlack;
    bool m_drawTop = false;
    bool m_drawBottom = false;
    bool m_drawLeft = false;
    bool m_drawRight = false;
    TPenStyle m_style = psSolid;
    int m_width = 1;
};

// The paper, orientation, margins and columns of a report. Lengths read and write in the
// report's Units; "Values" holds (BottomMargin Length TopMargin Width LeftMargin RightMargin
// ColumnSpace) in native units.
class TQRPage : public TQRUnitBase {
    PICTAVO_CLASS(TQRPage)
public:
    explicit TQRPage(TQuickRep& report);

    TQRPaperSize PaperSize() const { return m_paperSize; }
    // A standard paper takes its size from the paper table (turned for landscape); Default and
    // Custom keep Width and Length.
    void SetPaperSize(TQRPaperSize paper);
    TPrinterOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TPrinterOrientation orientation);
    // Columns of the page body (at least 1) and the space between them.
    int Columns() const { return m_columns; }
    void SetColumns(int columns);
    bool Ruler() const { return m_ruler; }
    void SetRuler(bool ruler) { m_ruler = ruler; }

    // In the report's Units. Length and Width take a value only while the paper is Custom.
    double Length() const { return LoadUnit(m_length, QRAxis::Vertical); }
    void SetLength(double value);
    double Width() const { return LoadUnit(m_width, QRAxis::Horizontal); }
    void SetWidth(double value);
    double TopMargin() const { return LoadUnit(m_topMargin, QRAxis::Vertical); }
    void SetTopMargin(double value);
    double BottomMargin() const { return LoadUnit(m_bottomMargin, QRAxis::Vertical); }
    void SetBottomMargin(double value);
    double LeftMargin() const { return LoadUnit(m_leftMargin, QRAxis::Horizontal); }
    void SetLeftMargin(double value);
    double RightMargin() const { return LoadUnit(m_rightMargin, QRAxis::Horizontal); }
    void SetRightMargin(double value);
    double ColumnSpace() const { return LoadUnit(m_columnSpace, QRAxis::Horizontal); }
    void SetColumnSpace(double value);

    // The same lengths in native units.
    double NativeLength() const { return m_length; }
    double NativeWidth() const { return m_width; }
    double NativeTopMargin() const { return m_topMargin; }
    double NativeBottomMargin() const { return m_bottomMargin; }
    double NativeLeftMargin() const { return m_leftMargin; }
    double NativeRightMargin() const { return m_rightMargin; }
    double NativeColumnSpace() const { return m_columnSpace; }

    const PropertyTable* Properties() const override;

protected:
    std::vector<double> ReadValues() const override;
    void WriteValues(const std::vector<double>& values) override;
    void UpdateControl() override;

private:
    void setMargin(double& field, double value, QRAxis axis);

    TQuickRep& m_report;
    TQRPaperSize m_paperSize = TQRPaperSize::A4;
    TPrinterOrientation m_orientation = poPortrait;
    int m_columns = 1;
    bool m_ruler = true;
    double m_length = 0;
    double m_width = 0;
    double m_topMargin = 0;
    double m_bottomMargin = 0;
    double m_leftMargin = 0;
    double m_rightMargin = 0;
    double m_columnSpace = 0;
};

// The base of the report and its bands: a panel with a frame and a zoom that it passes on to
// every child (printables re-derive their pixel bounds, bands set their own zoom).
class TQRBasePanel : public TCustomControl {
    PICTAVO_CLASS(TQRBasePanel)
public:
    explicit TQRBasePanel(TComponent* owner);
    ~TQRBasePanel() override;

    TQRFrame* Frame() const { return m_frame.get(); }
    int Zoom() const { return m_zoom; }
    virtual void SetZoom(int zoom);

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    // Printables placed on the panel take its zoom and their report's units.
    void InsertControl(TControl* control) override;
    // The report this panel is or belongs to, or null.
    TQuickRep* report() const;

private:
    std::unique_ptr<TQRFrame> m_frame;
    int m_zoom = 100;
};

enum TQRBandType {
    rbTitle, rbPageHeader, rbDetail, rbPageFooter, rbSummary, rbGroupHeader, rbGroupFooter,
    rbSubDetail, rbColumnHeader, rbOverlay, rbChild
};
// The caption a band of the type shows on the design surface, and its default component name.
const char* BandTypeCaption(TQRBandType type);
const char* BandTypeComponentName(TQRBandType type);

// The size of a band: "Values" holds (Height Width) in native units.
class TQRBandSize : public TQRUnitBase {
    PICTAVO_CLASS(TQRBandSize)
public:
    explicit TQRBandSize(TQRCustomBand& band);

    double Height() const { return LoadUnit(m_height, QRAxis::Vertical); }
    void SetHeight(double value);
    double Width() const { return LoadUnit(m_width, QRAxis::Horizontal); }
    void SetWidth(double value);
    double NativeHeight() const { return m_height; }
    double NativeWidth() const { return m_width; }
    void SetNativeHeight(double value);
    void SetNativeWidth(double value);

    const PropertyTable* Properties() const override;

protected:
    std::vector<double> ReadValues() const override { return {m_height, m_width}; }
    void WriteValues(const std::vector<double>& values) override;
    void UpdateControl() override;

private:
    TQRCustomBand& m_band;
    double m_height = 0;
    double m_width = 0;
};

using TQRBandBeforePrintEvent = std::function<void(TObject* Sender, bool& PrintBand)>;
using TQRBandAfterPrintEvent = std::function<void(TObject* Sender, bool BandPrinted)>;

// A horizontal strip of the page. Its left edge, top and width come from the report's band
// layout; its height is its own.
class TQRCustomBand : public TQRBasePanel {
    PICTAVO_CLASS(TQRCustomBand)
public:
    explicit TQRCustomBand(TComponent* owner);
    ~TQRCustomBand() override;

    TQRBandType BandType() const { return m_bandType; }
    void SetBandType(TQRBandType type);
    TQRBandSize* Size() const { return m_size.get(); }
    bool ForceNewPage() const { return m_forceNewPage; }
    void SetForceNewPage(bool force) { m_forceNewPage = force; }
    bool ForceNewColumn() const { return m_forceNewColumn; }
    void SetForceNewColumn(bool force) { m_forceNewColumn = force; }
    bool AlignToBottom() const { return m_alignToBottom; }
    void SetAlignToBottom(bool align) { m_alignToBottom = align; }
    // The child band that follows this one, if any.
    TQRChildBand* ChildBand() const;
    bool HasChild() const { return ChildBand() != nullptr; }
    // The report the band is placed on, or null.
    TQuickRep* ParentReport() const;
    // The band's rectangle on the page in device pixels, from its last printing.
    TRect BandRect() const { return m_bandRect; }
    void SetBandRect(const TRect& rect) { m_bandRect = rect; }

    TQRBandBeforePrintEvent BeforePrint;
    TQRBandAfterPrintEvent AfterPrint;

    // The height is taken into Size; a new left or top moves the band and lays the report out
    // again (which puts it back); the width is the layout's.
    void SetBounds(int left, int top, int width, int height) override;
    void SetZoom(int zoom) override;
    // Called by the report's band layout: the band's place and width in design-surface pixels.
    void PlaceBand(int left, int top, int width);

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;

private:
    friend class TQRBandSize;
    // The pixel bounds from Size, without writing back.
    void takeSize();

    std::unique_ptr<TQRBandSize> m_size;
    TQRBandType m_bandType = rbTitle;
    bool m_forceNewPage = false;
    bool m_forceNewColumn = false;
    bool m_alignToBottom = false;
    TRect m_bandRect;
};

class TQRBand : public TQRCustomBand {
    PICTAVO_CLASS(TQRBand)
public:
    explicit TQRBand(TComponent* owner) : TQRCustomBand(owner) {}
};

// A band that follows its parent band wherever that one prints; it is laid out as the first
// band up its chain that is not a child.
class TQRChildBand : public TQRCustomBand {
    PICTAVO_CLASS(TQRChildBand)
public:
    explicit TQRChildBand(TComponent* owner);

    TQRCustomBand* ParentBand() const { return m_parentBand; }
    void SetParentBand(TQRCustomBand* band);

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

private:
    TComponentRef<TQRCustomBand> m_parentBand;
};

// The size and place of a printable relative to its band's top-left corner: "Values" holds
// (Height Left Top Width) in native units.
class TQRPrintableSize : public TQRUnitBase {
    PICTAVO_CLASS(TQRPrintableSize)
public:
    explicit TQRPrintableSize(TControl& printable);

    double Height() const { return LoadUnit(m_height, QRAxis::Vertical); }
    void SetHeight(double value) { set(m_height, SaveUnit(value, QRAxis::Vertical)); }
    double Left() const { return LoadUnit(m_left, QRAxis::Horizontal); }
    void SetLeft(double value) { set(m_left, SaveUnit(value, QRAxis::Horizontal)); }
    double Top() const { return LoadUnit(m_top, QRAxis::Vertical); }
    void SetTop(double value) { set(m_top, SaveUnit(value, QRAxis::Vertical)); }
    double Width() const { return LoadUnit(m_width, QRAxis::Horizontal); }
    void SetWidth(double value) { set(m_width, SaveUnit(value, QRAxis::Horizontal)); }
    double NativeHeight() const { return m_height; }
    double NativeLeft() const { return m_left; }
    double NativeTop() const { return m_top; }
    double NativeWidth() const { return m_width; }
    // Takes pixel bounds of the design surface: Height, Width, Top and Left.
    void TakePixelBounds(int left, int top, int width, int height);

    const PropertyTable* Properties() const override;

protected:
    std::vector<double> ReadValues() const override { return {m_height, m_left, m_top, m_width}; }
    void WriteValues(const std::vector<double>& values) override;
    void UpdateControl() override;

private:
    void set(double& field, double native);

    double m_height = 0;
    double m_left = 0;
    double m_top = 0;
    double m_width = 0;
};

// The base of printable controls: a size holder whose native values the control's pixel bounds
// mirror, a frame, and alignment inside the band.
class TQRPrintable : public TGraphicControl {
    PICTAVO_CLASS(TQRPrintable)
public:
    explicit TQRPrintable(TComponent* owner);
    ~TQRPrintable() override;

    TQRPrintableSize* Size() const { return m_size.get(); }
    TQRFrame* Frame() const { return m_frame.get(); }
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment) { m_alignment = alignment; }
    bool AlignToBand() const { return m_alignToBand; }
    void SetAlignToBand(bool align) { m_alignToBand = align; }
    TQuickRep* ParentReport() const;

    // Bounds set on the design surface go into Size (in pixels at the zoom).
    void SetBounds(int left, int top, int width, int height) override;

    // Draws the printable onto a page canvas, the band's top-left corner at the native offset
    // (x0, y0); the mapping turns native lengths into the canvas's device pixels.
    virtual void PrintOnto(TCanvas& canvas, const QRDeviceMapping& mapping, double x0, double y0);

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

private:

    std::unique_ptr<TQRPrintableSize> m_size;
    std::unique_ptr<TQRFrame> m_frame;
    TAlignment m_alignment = taLeftJustify;
    bool m_alignToBand = false;
};

// The printable picture: drawn stretched over its rectangle, or at its own size clipped to the
// rectangle (optionally centred).
class TQRImage : public TQRPrintable {
    PICTAVO_CLASS(TQRImage)
public:
    explicit TQRImage(TComponent* owner);
    ~TQRImage() override;

    // The picture (owned). Assigning copies the source; assigning null empties it.
    TPicture* Picture() const { return m_picture.get(); }
    void SetPicture(const TPicture* picture);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);
    bool Center() const { return m_center; }
    void SetCenter(bool center);
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool stretch);

    void PrintOnto(TCanvas& canvas, const QRDeviceMapping& mapping, double x0, double y0) override;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void Paint() override;

private:
    void pictureChanged();
    // Where the picture goes inside `area`: the whole area when stretched, else its own size at
    // the top-left or centred (`areaWidth`, `areaHeight` are the area's size for centring).
    TRect placement(const TRect& area, int areaWidth, int areaHeight) const;

    std::unique_ptr<TPicture> m_picture;
    bool m_autoSize = false;
    bool m_center = false;
    bool m_stretch = false;
};

class TQRPrinter;
class TQRProgressWindow;

using TQRReportBeforePrintEvent = std::function<void(TObject* Sender, bool& PrintReport)>;
using TQRNeedDataEvent = std::function<void(TObject* Sender, bool& MoreData)>;
using TQRReportNotifyEvent = std::function<void(TObject* Sender)>;

// Report options.
enum TQuickRepOption { FirstPageHeader, LastPageFooter, Compression };
using TQuickRepOptions = unsigned;  // bits 1 << TQuickRepOption

// The report control. Its pixel size on the design surface is the page's Width and Length at
// the report's zoom; its bands are laid out down the page body.
class TQuickRep : public TQRBasePanel {
    PICTAVO_CLASS(TQuickRep)
public:
    explicit TQuickRep(TComponent* owner);
    ~TQuickRep() override;

    TQRPage* Page() const { return m_page.get(); }
    // The unit of the published lengths of the page, every band's size and every printable's.
    TQRUnit Units() const { return m_units; }
    void SetUnits(TQRUnit units);
    // 1..300 percent; other values are ignored.
    void SetZoom(int zoom) override;
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool print) { m_printIfEmpty = print; }
    TQuickRepPrinterSettings* PrinterSettings() const { return m_printerSettings.get(); }
    TQuickRepOptions Options() const { return m_options; }
    void SetOptions(TQuickRepOptions options) { m_options = options; }
    std::string ReportTitle() const { return m_reportTitle; }
    void SetReportTitle(const std::string& title) { m_reportTitle = title; }
    bool ShowProgress() const { return m_showProgress; }
    void SetShowProgress(bool show) { m_showProgress = show; }

    // The bands placed on the report, in the order they were added.
    int BandCount() const { return int(m_bands.size()); }
    TQRCustomBand* Bands(int index) const { return m_bands[std::size_t(index)]; }
    // The bands in the report's band order, each followed by its child bands.
    std::vector<TQRCustomBand*> BandOrder() const;
    // Lays the bands out down the page body.
    void SetBandValues();

    // The size follows the page; only a Custom paper takes a new size from here.
    void SetBounds(int left, int top, int width, int height) override;

    // Generates every page into a new report printer for a preview. The report printer stays
    // with the report (QRPrinter) until the next operation replaces it or the caller takes it.
    void Prepare();
    // Generates into a new report printer and has it shown (OnPreview); returns when the preview
    // is over (the report printer's ShowingPreview is false) or the application ends.
    void Preview();
    // Generates straight onto the printer. Returns false, having done nothing, when no printer is
    // installed (or a run is in progress).
    bool Print();
    // The print dialog for copies and page range, for the next Preview or Print.
    void PrinterSetup();
    // Each of the three operations does nothing while a run is in progress.
    bool Running() const { return m_running; }
    // The report printer of the last operation, or null.
    TQRPrinter* QRPrinter() const { return m_qrPrinter; }
    // Hands the report printer made by Prepare to the caller.
    std::unique_ptr<TQRPrinter> TakeQRPrinter();

    // The run: the page being generated, and the native position on it.
    int PageNumber() const { return m_runPage; }
    double CurrentX() const { return m_currentX; }
    double CurrentY() const { return m_currentY; }

    TQRReportBeforePrintEvent BeforePrint;
    TQRReportNotifyEvent OnStartPage;
    TQRReportNotifyEvent OnEndPage;
    TQRReportNotifyEvent OnPreview;
    TQRReportNotifyEvent AfterPreview;
    TQRReportNotifyEvent AfterPrint;
    // Set: the run asks for records until it answers no more.
    TQRNeedDataEvent OnNeedData;

    const PropertyTable* Properties() const override;
    static const PropertyTable& ClassProperties();

protected:
    void InsertControl(TControl* control) override;
    void RemoveControl(TControl* control) override;
    void Loaded() override;
    void Paint() override;

private:
    friend class TQRPage;
    // The control's pixel size from the page.
    void updatePixelSize();
    // Units to every holder on the report.
    void applyUnits();

    // The run (qr_run.cpp).
    TQRPrinter* newReportPrinter(std::unique_ptr<TQRPrinter> printer);
    void releaseReportPrinter(TQRPrinter* printer);
    void run(TQRPrinter& printer);
    void passSettings(TQRPrinter& printer);
    void runBands(TQRPrinter& printer);
    void newPage();
    void endPage();
    void newColumn();
    bool fits(const TQRCustomBand& band) const;
    // What prints a band: the run's pass over its bands (where AlignToBottom counts), or a page
    // or column break (headers and footers).
    enum class PrintedBy { BandPass, Break };
    void printBand(TQRCustomBand* band, PrintedBy by);
    TQRCustomBand* firstBand(TQRBandType type) const;
    double pageBottom() const;

    std::unique_ptr<TQRPage> m_page;
    std::unique_ptr<TQuickRepPrinterSettings> m_printerSettings;
    TQRPrinter* m_qrPrinter = nullptr;
    std::unique_ptr<TQRPrinter> m_prepared;
    TQRPrinter* m_runPrinter = nullptr;
    bool m_running = false;
    int m_runPage = 0;
    int m_column = 1;
    double m_currentX = 0;
    double m_currentY = 0;
    double m_columnTop = 0;
    double m_footerHeight = 0;
    bool m_lastPage = false;
    bool m_pageBreakSeen = false;
    bool m_columnBreakSeen = false;
    std::vector<TQRCustomBand*> m_bands;
    TQRUnit m_units;
    bool m_printIfEmpty = true;
    TQuickRepOptions m_options = (1u << FirstPageHeader) | (1u << LastPageFooter);
    std::string m_reportTitle;
    bool m_showProgress = true;
};

// Registers the report's component classes with the design reader.
void RegisterReportClasses();
