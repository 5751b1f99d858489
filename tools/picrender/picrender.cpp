#include "tools/picrender/picrender.h"

#include "framework/canvas.h"
#include "framework/exceptions.h"
#include "picture/formats.h"
#include "picture/picture.h"
#include "platform/device_context.h"
#include "platform/paths.h"

#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

namespace picrender {

namespace {

constexpr auto usage = "usage: picrender INPUT OUTPUT.png [--size WxH] [--transparent] [--small]\n";
// Qt's PNG writer turns a quality of 80 into zlib's fastest compression level (quality 90 and
// more stores the pixels uncompressed); -1 keeps zlib's default level. For a photo the fastest
// level writes several times faster and the file is a sixth larger.
constexpr int fastestPngQuality = 80;
constexpr int defaultPngQuality = -1;
constexpr auto cannotOpen = "Cannot open file %s";
constexpr auto cannotCreate = "Cannot create file %s";
// The PNG writer refuses images of more rows or columns than this (the PNG library's default
// limit on either side, which it applies when writing as well as reading).
constexpr int maxPngSide = 1000000;
constexpr auto tooLargeForPng = "Picture of %d x %d pixels is too large for PNG (at most %d rows and %d columns)";

// A canvas drawing into a QImage through a painter.
class ImageCanvas : public TCanvas {
public:
    explicit ImageCanvas(QImage& image) : m_painter(&image), m_context(platform::makePainterContext(m_painter)) {}
    ~ImageCanvas() override { SetHandle(nullptr); }

protected:
    void CreateHandle() override { SetHandle(m_context.get()); }

private:
    QPainter m_painter;
    std::unique_ptr<platform::DeviceContext> m_context;
};

std::optional<std::pair<int, int>> parseSize(const std::string& text)
{
    // Numbers too large for an int are refused, not wrapped into some other size.
    const char* const end = text.data() + text.size();
    int width = 0;
    int height = 0;
    const auto [afterWidth, widthError] = std::from_chars(text.data(), end, width);
    if (widthError != std::errc() || afterWidth == end || (*afterWidth != 'x' && *afterWidth != 'X'))
        return std::nullopt;
    const auto [afterHeight, heightError] = std::from_chars(afterWidth + 1, end, height);
    if (heightError != std::errc() || afterHeight != end)
        return std::nullopt;
    if (width <= 0 || height <= 0)
        return std::nullopt;
    return std::make_pair(width, height);
}

} // namespace

QImage render(const std::string& fileName, const Options& options)
{
    RegisterPictureFormats();
    TPicture picture;
    picture.LoadFile(fileName);
    const int width = options.width > 0 ? options.width : picture.Width();
    const int height = options.height > 0 ? options.height : picture.Height();
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    if (image.isNull())
        OutOfResources();
    image.fill(Qt::white);
    if (TGraphic* graphic = picture.Graphic()) {
        if (options.transparent)
            graphic->SetTransparent(true);
        ImageCanvas canvas(image);
        canvas.StretchDraw(TRect{0, 0, width, height}, graphic);
    }
    return image;
}

bool savePng(const QImage& image, const std::string& fileName, bool smallFile)
{
    QImageWriter writer(QString::fromStdString(fileName), "png");
    writer.setQuality(smallFile ? defaultPngQuality : fastestPngQuality);
    return writer.write(image);
}

int run(const std::vector<std::string>& arguments)
{
    std::vector<std::string> files;
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--transparent") {
            options.transparent = true;
        } else if (argument == "--small") {
            options.smallFile = true;
        } else if (argument == "--size" && i + 1 < arguments.size()) {
            const auto size = parseSize(arguments[++i]);
            if (!size) {
                std::fputs(usage, stderr);
                return 2;
            }
            options.width = size->first;
            options.height = size->second;
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    try {
        // The picture container speaks drive-letter paths; native ones are converted here.
        const std::optional<std::string> input = platform::toDriveLetterPath(files[0]);
        if (!input)
            throw EFOpenError(cannotOpen, {files[0]});
        const QImage image = render(*input, options);
        if (image.width() > maxPngSide || image.height() > maxPngSide)
            throw Exception(tooLargeForPng, {(long long)image.width(), (long long)image.height(), (long long)maxPngSide, (long long)maxPngSide});
        if (!savePng(image, files[1], options.smallFile))
            throw EFCreateError(cannotCreate, {files[1]});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

} // namespace picrender
