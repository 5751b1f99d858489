#include "support/picture_folder.h"

#include "platform/drives/file_search.h"
#include "platform/paths.h"

#include <QDir>
#include <QLocale>

#include <cstdio>
#include <fstream>

namespace bench_support {

PictureFolder::PictureFolder(int fileCount, bool withOthers)
{
    const char* extensions[] = {".bmp", ".JPG", ".gif", ".wmf", ".Emf", ".ico", ".jpg", ".png", ".txt"};
    const char* stems[] = {"Foto", "praia", "\xC3\x89vora", "mar", "IMG_", "f\xC3\xA9rias"};
    for (int i = 0; i < fileCount; ++i) {
        const bool other = withOthers && i % 10 == 9;
        const char* extension = other ? extensions[7 + i / 10 % 2] : extensions[i % 7];
        char name[64];
        std::snprintf(name, sizeof name, "%s %05d%s", stems[i % 6], (i * 7919) % fileCount, extension);
        std::ofstream(directory.filePath(QString::fromUtf8(name)).toStdString());
        if (!other)
            ++pictures;
    }
    driveLetterPath = platform::toDriveLetterPath(directory.path().toStdString()).value();
}

void setLocale(const benchmark::State& state)
{
    QLocale::setDefault(state.range(0) ? QLocale("pt_BR") : QLocale::c());
}

void qdirBareListing(benchmark::State& state, const PictureFolder& folder, int fileCount)
{
    for (auto _ : state) {
        QDir directory(folder.directory.path());
        QStringList names = directory.entryList(QDir::Files, QDir::NoSort);
        benchmark::DoNotOptimize(names);
        if (names.size() != fileCount)
            state.SkipWithError("wrong count");
    }
}

void qdirSortedListing(benchmark::State& state, const PictureFolder& folder)
{
    setLocale(state);
    QStringList filters;
    for (const std::string& pattern : platform::splitMask(viewerMask))
        filters << QString::fromStdString(pattern);
    for (auto _ : state) {
        QDir directory(folder.directory.path());
        QStringList names =
            directory.entryList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
        benchmark::DoNotOptimize(names);
        if (names.size() != folder.pictures)
            state.SkipWithError("wrong count");
    }
}

} // namespace bench_support
