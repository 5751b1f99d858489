// The system's spooler: CUPS. Qt Print Support lists the printers and draws the jobs; libcups
// tells what Qt does not give on this platform: the device's real resolution, its papers with
// their unprintable margins, its paper sources, and which settings it takes at all.

#include "platform/device_context.h"
#include "platform/printers.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace platform {

namespace {

struct DestFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct InfoFree {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};

// What the spooler says of one printer's settings.
class DestQuery {
public:
    DestQuery(cups_dest_t* dest, cups_dinfo_t* info) : m_dest(dest), m_info(info) {}

    ipp_attribute_t* defaultOf(const char* option) const
    {
        ipp_attribute_t* attribute = cupsFindDestDefault(CUPS_HTTP_DEFAULT, m_dest, m_info, option);
        return attribute && ippGetValueTag(attribute) != IPP_TAG_NOVALUE ? attribute : nullptr;
    }
    ipp_attribute_t* supportedOf(const char* option) const
    {
        return cupsFindDestSupported(CUPS_HTTP_DEFAULT, m_dest, m_info, option);
    }
    std::vector<std::string> supportedKeywords(const char* option) const
    {
        std::vector<std::string> words;
        if (ipp_attribute_t* attribute = supportedOf(option))
            for (int i = 0; i < ippGetCount(attribute); ++i)
                if (const char* word = ippGetString(attribute, i, nullptr))
                    words.emplace_back(word);
        return words;
    }
    std::string option(const char* name) const
    {
        const char* value = cupsGetOption(name, m_dest->num_options, m_dest->options);
        return value ? value : "";
    }
    cups_dest_t* dest() const { return m_dest; }
    cups_dinfo_t* info() const { return m_info; }

private:
    cups_dest_t* m_dest;
    cups_dinfo_t* m_info;
};

int integerMember(ipp_t* collection, const char* name, int fallback)
{
    ipp_attribute_t* member = collection ? ippFindAttribute(collection, name, IPP_TAG_INTEGER) : nullptr;
    return member ? ippGetInteger(member, 0) : fallback;
}

// The standard code of a paper of that size (hundredths of a millimetre), or 0.
int standardPaperCode(int width, int length)
{
    const QPageSize size(QSizeF(width / 100.0, length / 100.0), QPageSize::Millimeter, QString(),
                         QPageSize::FuzzyMatch);
    const int code = size.isValid() ? size.windowsId() : 0;
    return code > 0 && code < DMPAPER_USER ? code : 0;
}

std::vector<PaperSpec> papersOf(const DestQuery& query)
{
    std::vector<PaperSpec> papers;
    int nextOwnCode = DMPAPER_USER + 1;
    const int count = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, query.dest(), query.info(), CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size{};
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, query.dest(), query.info(), i, CUPS_MEDIA_FLAGS_DEFAULT, &size))
            continue;
        PaperSpec paper;
        paper.name = size.media;
        paper.width = size.width;
        paper.length = size.length;
        paper.margins = PaperMargins{size.left, size.top, size.right, size.bottom};
        // Every code is listed once: a second paper of a standard size (a borderless variant)
        // gets a code of the device's own.
        paper.code = standardPaperCode(size.width, size.length);
        const bool taken = std::any_of(papers.begin(), papers.end(), [&](const PaperSpec& p) { return p.code == paper.code; });
        if (paper.code == 0 || taken)
            paper.code = nextOwnCode++;
        papers.push_back(std::move(paper));
    }
    return papers;
}

// Paper sources by their IPP names; the device's other trays get codes of its own.
int sourceCode(std::string_view name)
{
    static const std::pair<std::string_view, int> codes[] = {
        {"main", 1},   {"top", 1},          {"bottom", 2},   {"middle", 3},
        {"manual", 4}, {"by-pass-tray", 4}, {"envelope", 5}, {"auto", 7},
        {"large-capacity", 11},
    };
    for (const auto& [keyword, code] : codes)
        if (keyword == name)
            return code;
    return 0;
}

std::vector<PaperSource> sourcesOf(const DestQuery& query)
{
    std::vector<PaperSource> sources;
    int nextOwnCode = DMBIN_USER;
    for (const std::string& name : query.supportedKeywords("media-source")) {
        int code = sourceCode(name);
        const bool taken = std::any_of(sources.begin(), sources.end(), [&](const PaperSource& s) { return s.code == code; });
        if (code == 0 || taken)
            code = nextOwnCode++;
        sources.push_back({code, name});
    }
    return sources;
}

std::optional<PrinterDescription> describeDestination(const std::string& name)
{
    std::unique_ptr<cups_dest_t, DestFree> dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr));
    if (!dest)
        return std::nullopt;
    std::unique_ptr<cups_dinfo_t, InfoFree> info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
    if (!info)
        return std::nullopt;
    const DestQuery query(dest.get(), info.get());

    PrinterDescription printer;
    printer.device = name;
    printer.port = query.option("device-uri");
    printer.driver = query.option("printer-make-and-model");
    DeviceMode& mode = printer.defaults;

    if (ipp_attribute_t* resolution = query.defaultOf("printer-resolution")) {
        ipp_res_t units = IPP_RES_PER_INCH;
        int y = 0;
        const int x = ippGetResolution(resolution, 0, &y, &units);
        if (x > 0 && y > 0) {
            printer.dpiX = units == IPP_RES_PER_CM ? int(x * 2.54 + 0.5) : x;
            printer.dpiY = units == IPP_RES_PER_CM ? int(y * 2.54 + 0.5) : y;
        }
    }

    printer.papers = papersOf(query);
    for (const std::string& media : query.supportedKeywords("media"))
        if (media.rfind("custom_", 0) == 0)
            printer.customSizes = true;
    if (!printer.papers.empty()) {
        mode.fields |= DM_PAPERSIZE;
        // The default paper by its name, else the first; the default's own margins win.
        const PaperSpec* chosen = &printer.papers.front();
        if (ipp_attribute_t* media = query.defaultOf("media"))
            if (const char* mediaName = ippGetString(media, 0, nullptr))
                for (const PaperSpec& paper : printer.papers)
                    if (paper.name == mediaName)
                        chosen = &paper;
        mode.paperSize = short(chosen->code);
        mode.paperWidth = short(chosen->width / 10);
        mode.paperLength = short(chosen->length / 10);
        if (ipp_attribute_t* col = query.defaultOf("media-col")) {
            ipp_t* collection = ippGetCollection(col, 0);
            PaperSpec& paper = printer.papers[std::size_t(chosen - printer.papers.data())];
            PaperMargins margins = paper.margins.value_or(PaperMargins{});
            margins.left = integerMember(collection, "media-left-margin", margins.left);
            margins.top = integerMember(collection, "media-top-margin", margins.top);
            margins.right = integerMember(collection, "media-right-margin", margins.right);
            margins.bottom = integerMember(collection, "media-bottom-margin", margins.bottom);
            paper.margins = margins;
        }
    }
    if (printer.customSizes)
        mode.fields |= DM_PAPERWIDTH | DM_PAPERLENGTH;

    if (ipp_attribute_t* copies = query.supportedOf("copies")) {
        int upper = 1;
        ippGetRange(copies, 0, &upper);
        if (upper > 1) {
            mode.fields |= DM_COPIES;
            ipp_attribute_t* given = query.defaultOf("copies");
            mode.copies = short(std::max(1, given ? ippGetInteger(given, 0) : 1));
        }
    }

    if (ipp_attribute_t* orientations = query.supportedOf("orientation-requested")) {
        for (int i = 0; i < ippGetCount(orientations); ++i)
            if (ippGetInteger(orientations, i) == IPP_ORIENT_LANDSCAPE)
                mode.fields |= DM_ORIENTATION;
        ipp_attribute_t* given = query.defaultOf("orientation-requested");
        const int value = given ? ippGetInteger(given, 0) : IPP_ORIENT_PORTRAIT;
        mode.orientation = value == IPP_ORIENT_LANDSCAPE || value == IPP_ORIENT_REVERSE_LANDSCAPE
                               ? DMORIENT_LANDSCAPE
                               : DMORIENT_PORTRAIT;
    }

    printer.sources = sourcesOf(query);
    if (!printer.sources.empty()) {
        mode.fields |= DM_DEFAULTSOURCE;
        std::string source;
        if (ipp_attribute_t* given = query.defaultOf("media-source"))
            if (const char* text = ippGetString(given, 0, nullptr))
                source = text;
        const auto named = [&](const std::string& wanted) {
            return std::find_if(printer.sources.begin(), printer.sources.end(),
                                [&](const PaperSource& s) { return s.name == wanted; });
        };
        auto it = named(source);
        if (it == printer.sources.end())
            it = named("auto");
        if (it == printer.sources.end())
            it = printer.sources.begin();
        mode.defaultSource = short(it->code);
    }

    const std::vector<std::string> sides = query.supportedKeywords("sides");
    if (sides.size() > 1) {
        mode.fields |= DM_DUPLEX;
        std::string side;
        if (ipp_attribute_t* given = query.defaultOf("sides"))
            if (const char* text = ippGetString(given, 0, nullptr))
                side = text;
        mode.duplex = side == "two-sided-long-edge"    ? DMDUP_VERTICAL
                      : side == "two-sided-short-edge" ? DMDUP_HORIZONTAL
                                                       : DMDUP_SIMPLEX;
    }
    return printer;
}

// Qt's paper sources follow the classic bin codes, except for the cassette and form source.
std::optional<QPrinter::PaperSource> qtPaperSource(int code)
{
    if (code >= 1 && code <= 11)
        return QPrinter::PaperSource(code - 1);
    if (code == 14)
        return QPrinter::Cassette;
    if (code == 15)
        return QPrinter::FormSource;
    return std::nullopt;
}

// A job drawn through QPrinter onto a CUPS queue.
class QtPrintJob final : public PrintJob {
public:
    QtPrintJob() : m_printer(QPrinter::HighResolution) {}
    ~QtPrintJob() override
    {
        if (m_painter.isActive())
            m_painter.end();
    }

    bool start(const PrinterDescription& printer, const DeviceMode& mode, const std::string& title, Point origin)
    {
        const QString name = QString::fromStdString(printer.device);
        m_printer.setPrinterName(name);
        // For a printer it does not know Qt prints into a PDF file instead: such a job is refused.
        if (m_printer.outputFormat() != QPrinter::NativeFormat || m_printer.printerName() != name)
            return false;
        m_printer.setFullPage(true);
        m_printer.setResolution(printer.dpiX);
        m_printer.setDocName(QString::fromStdString(title));
        if (mode.carries(DM_PAPERSIZE)) {
            QPageSize size;
            if (mode.paperSize == DMPAPER_USER && mode.paperWidth > 0 && mode.paperLength > 0) {
                size = QPageSize(QSizeF(mode.paperWidth / 10.0, mode.paperLength / 10.0), QPageSize::Millimeter);
            } else {
                for (const PaperSpec& paper : printer.papers)
                    if (paper.code == mode.paperSize)
                        size = QPageSize(QSizeF(paper.width / 100.0, paper.length / 100.0), QPageSize::Millimeter,
                                         QString::fromStdString(paper.name), QPageSize::FuzzyMatch);
            }
            if (size.isValid())
                m_printer.setPageSize(size);
        }
        if (mode.carries(DM_ORIENTATION))
            m_printer.setPageOrientation(mode.orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape
                                                                                 : QPageLayout::Portrait);
        if (mode.carries(DM_COPIES))
            m_printer.setCopyCount(std::max<int>(1, mode.copies));
        if (mode.carries(DM_DUPLEX))
            m_printer.setDuplex(mode.duplex == DMDUP_VERTICAL     ? QPrinter::DuplexLongSide
                                : mode.duplex == DMDUP_HORIZONTAL ? QPrinter::DuplexShortSide
                                                                  : QPrinter::DuplexNone);
        if (mode.carries(DM_DEFAULTSOURCE))
            if (const auto source = qtPaperSource(mode.defaultSource))
                m_printer.setPaperSource(*source);
        if (!m_painter.begin(&m_printer))
            return false;
        m_origin = origin;
        placeOrigin();
        m_context = makePainterContext(m_painter, printer.dpiX, printer.dpiY);
        return true;
    }

    DeviceContext& page() override { return *m_context; }

    void newPage() override
    {
        m_printer.newPage();
        placeOrigin();
    }

    void end() override
    {
        m_context.reset();
        if (m_painter.isActive())
            m_painter.end();
    }

    void abort() override
    {
        m_context.reset();
        m_printer.abort();
        if (m_painter.isActive())
            m_painter.end();
    }

private:
    // The page's origin is the printable area's corner, not the paper's.
    void placeOrigin()
    {
        m_painter.resetTransform();
        m_painter.translate(m_origin.x, m_origin.y);
    }

    QPrinter m_printer;
    QPainter m_painter;
    Point m_origin;
    std::unique_ptr<DeviceContext> m_context;
};

class CupsSpooler final : public Spooler {
public:
    std::vector<std::string> printerNames() override
    {
        std::vector<std::string> names;
        for (const QString& name : QPrinterInfo::availablePrinterNames())
            names.push_back(name.toStdString());
        return names;
    }

    std::string defaultPrinterName() override { return QPrinterInfo::defaultPrinterName().toStdString(); }

    std::optional<PrinterDescription> describe(const std::string& name) override { return describeDestination(name); }

    std::unique_ptr<PrintJob> startJob(const PrinterDescription& printer, const DeviceMode& mode,
                                       const std::string& title) override
    {
        // The page's origin sits where the device reports its printing offset for this mode.
        const Point origin = printingOffsetOf(printer, mode).value_or(Point{});
        auto job = std::make_unique<QtPrintJob>();
        if (!job->start(printer, mode, title, origin))
            return nullptr;
        return job;
    }
};

} // namespace

Spooler& systemSpooler()
{
    static CupsSpooler cups;
    return cups;
}

} // namespace platform
