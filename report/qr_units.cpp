#include "report/qr_units.h"

#include "framework/control.h"
#include "framework/exceptions.h"
#include "platform/display.h"
#include "report/quick_rep.h"

#include <QLocale>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr auto invalidPropertyValue = "Invalid property value";

// Portrait sizes in millimetres; the device codes are the platform's standard paper codes.
constexpr std::array<QRPaperInfo, paperSizeCount> paperTable{{
    {"Default", "Default size", 0, 0, 0},
    {"Letter", "Letter 8 1/2 x 11 in", 215.9, 279.4, 1},
    {"LetterSmall", "Letter Small 8 1/2 x 11 in", 215.9, 279.4, 2},
    {"Tabloid", "Tabloid 11 x 17 in", 279.4, 431.8, 3},
    {"Ledger", "Ledger 17 x 11 in", 431.8, 279.4, 4},
    {"Legal", "Legal 8 1/2 x 14 in", 215.9, 355.6, 5},
    {"Statement", "Statement 5 1/2 x 8 1/2 in", 139.7, 215.9, 6},
    {"Executive", "Executive7 1/2 x 10 in", 190.5, 254.0, 7},
    {"A3", "A3 297 x 420 mm", 297.0, 420.0, 8},
    {"A4", "A4 210 x 297 mm", 210.0, 297.0, 9},
    {"A4Small", "A4 Small 210 x 297 mm", 210.0, 297.0, 10},
    {"A5", "A5 148 x 210 mm", 148.0, 210.0, 11},
    {"B4", "B4 250 x 354 mm", 250.0, 354.0, 12},
    {"B5", "B5 182 x 257 mm", 182.0, 257.0, 13},
    {"Folio", "Folio 8 1/2 x 13 in", 215.9, 330.2, 14},
    {"Quarto", "Quarto 215 x 275 mm", 215.0, 275.0, 15},
    {"qr10X14", "10x14 in", 254.0, 355.6, 16},
    {"qr11X17", "11x17 in", 279.4, 431.8, 17},
    {"Note", "Note 8 1/2 x 11 in", 215.9, 279.0, 18},
    {"Env9", "Envelope #9 3 7/8 x 8 7/8", 98.43, 225.4, 19},
    {"Env10", "Envelope #10 4 1/8 x 9 1/2", 104.8, 241.3, 20},
    {"Env11", "Envelope #11 4 1/2 x 10 3/8", 114.3, 263.5, 21},
    {"Env12", "Envelope #12 4 \xC2\xBE x 11", 101.6, 279.4, 22},
    {"Env14", "Envelope #14 5 x 11 1/2", 127.0, 292.1, 23},
    {"CSheet", "C size sheet", 100.0, 100.0, 24},
    {"DSheet", "D size sheet", 100.0, 100.0, 25},
    {"ESheet", "E size sheet", 100.0, 100.0, 26},
    {"Custom", "Custom Size", 0, 0, 256},
}};

} // namespace

const QRPaperInfo& PaperInfo(TQRPaperSize paper)
{
    return paperTable[std::size_t(paper)];
}

bool PaperOfDeviceCode(int code, TQRPaperSize& paper)
{
    for (std::size_t i = 0; i < paperTable.size(); ++i)
        if (paperTable[i].deviceCode == code) {
            paper = TQRPaperSize(i);
            return true;
        }
    return false;
}

int QRRound(double value)
{
    // The default rounding mode rounds halves to even.
    const double rounded = std::nearbyint(value);
    if (std::isnan(rounded))
        return 0;
    if (rounded <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (rounded >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(rounded);
}

Seam<bool()>& UsMeasurementSeam()
{
    static Seam<bool()> seam([] { return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem; });
    return seam;
}

// --- TQRUnitBase ---

PICTAVO_DEFINE_CLASS(TQRUnitBase, TPersistent, nullptr, nullptr)

TQRUnitBase::TQRUnitBase(TControl* control)
    : m_control(control), m_resolution(platform::displayInfo().logicalDpiY),
      m_units(UsMeasurementSeam()() ? TQRUnit::Inches : TQRUnit::MM)
{
}

void TQRUnitBase::SetZoom(int zoom)
{
    m_zoom = zoom;
    UpdateControl();
}

TQuickRep* TQRUnitBase::ParentReport() const
{
    for (TControl* c = m_control; c; c = c->Parent())
        if (auto* report = dynamic_cast<TQuickRep*>(c))
            return report;
    return nullptr;
}

namespace {

// The size of the report font in points, which sets the character cell.
double characterPoints(const TQuickRep* report)
{
    const int points = report ? std::abs(report->Font()->Size()) : 10;
    return points > 0 ? points : 1;
}

} // namespace

double TQRUnitBase::ToUnit(double native, TQRUnit unit, QRAxis axis) const
{
    switch (unit) {
    case TQRUnit::MM: return native * 0.1;
    case TQRUnit::Inches: return native / 254.0;
    case TQRUnit::Pixels: return native / (254.0 / m_resolution) * m_zoom / 100.0;
    case TQRUnit::Characters: {
        const double cell = axis == QRAxis::Horizontal ? 80.0 : 145.3;
        return (native * 0.1) / (cell / characterPoints(ParentReport()) / 2.54);
    }
    case TQRUnit::Native: break;
    }
    return native;
}

double TQRUnitBase::FromUnit(double value, TQRUnit unit, QRAxis axis) const
{
    switch (unit) {
    case TQRUnit::MM: return value * 10.0;
    case TQRUnit::Inches: return value * 254.0;
    case TQRUnit::Pixels: return value * (254.0 / m_resolution) / m_zoom * 100.0;
    case TQRUnit::Characters: {
        const double cell = axis == QRAxis::Horizontal ? 80.0 : 145.3;
        return value * (cell / characterPoints(ParentReport()) / 2.54) * 10.0;
    }
    case TQRUnit::Native: break;
    }
    return value;
}

std::string TQRUnitBase::Values() const
{
    std::string text = "(";
    for (double value : ReadValues()) {
        if (text.size() > 1)
            text += ' ';
        char buffer[32];
        // The shortest text that reads back as the same number.
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        text.append(buffer, result.ptr);
    }
    return text + ")";
}

void TQRUnitBase::SetValues(const std::string& text)
{
    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        throw EConvertError(invalidPropertyValue);
    std::vector<double> values;
    const char* p = text.data() + open + 1;
    const char* end = text.data() + close;
    while (true) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
            ++p;
        if (p == end)
            break;
        double value = 0;
        const auto result = std::from_chars(p, end, value);
        if (result.ec != std::errc() || !std::isfinite(value))
            throw EConvertError(invalidPropertyValue);
        values.push_back(value);
        p = result.ptr;
    }
    if (values.size() != ReadValues().size())
        throw EConvertError(invalidPropertyValue);
    WriteValues(values);
    UpdateControl();
}
