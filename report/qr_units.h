#pragma once
// Report lengths. Every length of the page, bands and printables is held in one
// device-independent unit, tenths of a millimetre (Native), and converted on demand into the unit
// the report shows (Units), into pixels of the design surface at the report's zoom, and into
// device pixels of a page canvas. Rounded values round to the nearest integer, halves to even.

#include "framework/persistent.h"
#include "framework/seams.h"

#include <string>
#include <vector>

class TControl;
class TQuickRep;

enum class TQRUnit { MM, Inches, Pixels, Characters, Native };

enum TPrinterOrientation { poPortrait, poLandscape };

// The papers a report page can have, in the order of the paper table.
enum class TQRPaperSize {
    Default, Letter, LetterSmall, Tabloid, Ledger, Legal, Statement, Executive, A3, A4, A4Small, A5,
    B4, B5, Folio, Quarto, qr10X14, qr11X17, Note, Env9, Env10, Env11, Env12, Env14, CSheet, DSheet,
    ESheet, Custom
};
constexpr int paperSizeCount = 28;

// One row of the paper table: the value's name, the text shown for it, its portrait size in
// millimetres (0 for Default and Custom) and its paper code in device modes.
struct QRPaperInfo {
    const char* identifier;
    const char* displayText;
    double width;
    double length;
    int deviceCode;
};
const QRPaperInfo& PaperInfo(TQRPaperSize paper);
// The first paper of the table with the device code; none for a code the table lacks.
bool PaperOfDeviceCode(int code, TQRPaperSize& paper);

// Which way a length runs on the page: across (x positions, widths, the side margins) or down.
// Only the Characters unit tells them apart: its cells are narrower than they are high.
enum class QRAxis { Horizontal, Vertical };

// Rounds to the nearest integer, halves to even; values beyond the int range stop at its ends.
int QRRound(double value);

// Native lengths to device pixels of a page canvas: XPos(x) = (x - LeftOffset) * XFactor and
// YPos(y) = (y - TopOffset) * YFactor place a point, XSize and YSize scale a length. The report
// printer keeps one for the page it draws.
struct QRDeviceMapping {
    double XFactor = 1.0;
    double YFactor = 1.0;
    int LeftOffset = 0;
    int TopOffset = 0;

    int XPos(double x) const { return QRRound((x - LeftOffset) * XFactor); }
    int YPos(double y) const { return QRRound((y - TopOffset) * YFactor); }
    int XSize(double w) const { return QRRound(w * XFactor); }
    int YSize(double h) const { return QRRound(h * YFactor); }
};

// The base of every value holder (the page, band sizes, printable sizes): the unit its published
// lengths are read and written in, the zoom of its design-surface pixels, and the stored
// property "Values", the holder's native values in its fixed order.
class TQRUnitBase : public TPersistent {
    PICTAVO_CLASS(TQRUnitBase)
public:
    // `control` is the control whose pixel bounds mirror the values (the report for its page).
    explicit TQRUnitBase(TControl* control);

    TQRUnit Units() const { return m_units; }
    void SetUnits(TQRUnit units) { m_units = units; }
    // Percent; the design-surface pixels the holder's control shows its values in.
    int Zoom() const { return m_zoom; }
    void SetZoom(int zoom);
    // The screen's pixels per inch when the holder was made.
    int ScreenResolution() const { return m_resolution; }
    // The report the holder's control belongs to, or null.
    TQuickRep* ParentReport() const;

    // A native length running along the axis in a unit, and back.
    double ToUnit(double native, TQRUnit unit, QRAxis axis) const;
    double FromUnit(double value, TQRUnit unit, QRAxis axis) const;
    // A native length in the holder's Units, and back.
    double LoadUnit(double native, QRAxis axis) const { return ToUnit(native, m_units, axis); }
    double SaveUnit(double value, QRAxis axis) const { return FromUnit(value, m_units, axis); }
    // A native length in rounded design-surface pixels.
    int PixelsOf(double native, QRAxis axis) const { return QRRound(ToUnit(native, TQRUnit::Pixels, axis)); }

    // Set while the holder gives its control pixel bounds, so that the control takes them
    // without writing them back.
    bool ParentUpdating() const { return m_parentUpdating; }
    // Holds the parent-updating flag for its lifetime.
    class ParentUpdate {
    public:
        explicit ParentUpdate(TQRUnitBase& holder) : m_holder(holder), m_was(holder.m_parentUpdating)
        {
            holder.m_parentUpdating = true;
        }
        ~ParentUpdate() { m_holder.m_parentUpdating = m_was; }
        ParentUpdate(const ParentUpdate&) = delete;
        ParentUpdate& operator=(const ParentUpdate&) = delete;

    private:
        TQRUnitBase& m_holder;
        bool m_was;
    };

    // "(v1 v2 ...)": the native values in the holder's order. Setting it takes all of them, then
    // updates the control; a list of the wrong length or with a bad number raises
    // "Invalid property value".
    std::string Values() const;
    void SetValues(const std::string& text);

protected:
    virtual std::vector<double> ReadValues() const = 0;
    virtual void WriteValues(const std::vector<double>& values) = 0;
    // The values changed: the control takes its bounds from them.
    virtual void UpdateControl() {}
    TControl* Control() const { return m_control; }

private:
    TControl* m_control;
    int m_resolution;
    TQRUnit m_units;
    int m_zoom = 100;
    bool m_parentUpdating = false;
};

// Whether the system's locale measures in inches (the US system); new holders then show inches
// and new pages are Letter. Tests put their own answer in place.
Seam<bool()>& UsMeasurementSeam();
