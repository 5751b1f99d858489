#pragma once
// A directory of many pictures for the file-list benchmarks, and the settings both lists are
// measured with.

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <string>

namespace bench_support {

// The viewer's six patterns.
constexpr const char* viewerMask = "*.bmp;*.jpg;*.gif;*.wmf;*.emf;*.ico";

// A temporary directory of empty files: six stems, numbers scattered so that the directory's
// own order is not the sorted one, picture extensions in both cases. With `withOthers` every
// tenth file is no picture (".png" or ".txt").
struct PictureFolder {
    QTemporaryDir directory;
    std::string driveLetterPath;
    int pictures = 0;

    PictureFolder(int fileCount, bool withOthers);
};

// The locale names are sorted in: the benchmark's argument 0 is the C locale, 1 is pt_BR.
void setLocale(const benchmark::State& state);

// The peers of both file-list benchmarks, on the same folder. QDir's own listing of every
// regular file, in the directory's order:
void qdirBareListing(benchmark::State& state, const PictureFolder& folder, int fileCount);
// QDir with the viewer's patterns, sorted by name ignoring case, locale-aware (argument 0 as
// for setLocale):
void qdirSortedListing(benchmark::State& state, const PictureFolder& folder);

} // namespace bench_support
