#include "app/components/open_picture_dialog.h"

#include "app/components/picture_panel.h"
#include "framework/exceptions.h"
#include "platform/paths.h"

#include <QFileDialog>

#include <algorithm>
#include <cmath>

namespace {
constexpr auto cannotOpen = "Cannot open file %s";

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// The platform's dialog with the picture panel; the chosen file enters as a drive-letter path.
bool runOpenPictureDialog(TOpenPictureDialog& settings)
{
    std::unique_ptr<QFileDialog> dialog = viewer_detail::makeOpenPictureDialog(settings, nullptr);
    if (dialog->exec() != QDialog::Accepted)
        return false;
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty())
        return false;
    const std::string native = files.front().toStdString();
    const auto path = platform::toDriveLetterPath(native);
    if (!path)
        throw EFOpenError(cannotOpen, {native});
    settings.SetFileName(*path);
    return true;
}
} // namespace

PICTAVO_DEFINE_CLASS(TOpenPictureDialog, TComponent, nullptr, createComponentOf<TOpenPictureDialog>)

TOpenPictureDialog::TOpenPictureDialog(TComponent* owner) : TComponent(owner) {}

bool TOpenPictureDialog::Execute()
{
    return OpenPictureDialogSeam()(*this);
}

Seam<bool(TOpenPictureDialog&)>& OpenPictureDialogSeam()
{
    static Seam<bool(TOpenPictureDialog&)> seam(runOpenPictureDialog);
    return seam;
}

const PropertyTable& TOpenPictureDialog::ClassProperties()
{
    static const PropertyTable table(&TComponent::ClassProperties(), {
        props::string<TOpenPictureDialog>("FileName", &TOpenPictureDialog::FileName, &TOpenPictureDialog::SetFileName),
        props::string<TOpenPictureDialog>("Filter", &TOpenPictureDialog::Filter, &TOpenPictureDialog::SetFilter),
        props::integer<TOpenPictureDialog, int>("FilterIndex", &TOpenPictureDialog::FilterIndex,
                                                &TOpenPictureDialog::SetFilterIndex),
        props::string<TOpenPictureDialog>("InitialDir", &TOpenPictureDialog::InitialDir,
                                          &TOpenPictureDialog::SetInitialDir),
        props::string<TOpenPictureDialog>("Title", &TOpenPictureDialog::Title, &TOpenPictureDialog::SetTitle),
    });
    return table;
}

const PropertyTable* TOpenPictureDialog::Properties() const
{
    return &ClassProperties();
}

std::vector<FilterEntry> ParseDialogFilter(const std::string& filter)
{
    std::vector<FilterEntry> entries;
    if (filter.empty())
        return entries;
    const std::vector<std::string> parts = split(filter, '|');
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        FilterEntry entry;
        entry.label = parts[i];
        if (i + 1 < parts.size())
            for (const std::string& pattern : split(parts[i + 1], ';'))
                if (!pattern.empty())
                    entry.patterns.push_back(pattern);
        entries.push_back(std::move(entry));
    }
    return entries;
}

PreviewPlacement PlacePreview(int areaWidth, int areaHeight, int pictureWidth, int pictureHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return {0, 0, 0, 0};
    if (pictureWidth <= areaWidth && pictureHeight <= areaHeight)
        return {(areaWidth - pictureWidth) / 2, (areaHeight - pictureHeight) / 2, pictureWidth, pictureHeight};
    // Scaled: the other side keeps the ratio, rounded to the nearest pixel.
    if (pictureWidth > pictureHeight) {
        const int height = int(std::lround(double(pictureHeight) * areaWidth / pictureWidth));
        return {0, 0, areaWidth, height};
    }
    const int width = int(std::lround(double(pictureWidth) * areaHeight / pictureHeight));
    return {0, 0, width, areaHeight};
}
