#include "platform/metafile/font_faces.h"

#include <QString>

#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>

namespace platform::metafile {

namespace {

struct Faces {
    const char* family;                 // lower case, as files name it
    std::initializer_list<const char*> faces;  // the first installed one draws it
};

// Free faces made with the metrics of these families, so that text keeps its width.
const Faces metricFaces[] = {
    {"arial", {"Liberation Sans", "Arimo"}},
    {"helvetica", {"Liberation Sans", "Arimo"}},
    {"arial narrow", {"Liberation Sans Narrow"}},
    {"times new roman", {"Liberation Serif", "Tinos"}},
    {"times", {"Liberation Serif", "Tinos"}},
    {"courier new", {"Liberation Mono", "Cousine"}},
    {"courier", {"Liberation Mono", "Cousine"}},
    {"calibri", {"Carlito"}},
    {"cambria", {"Caladea"}},
    {"symbol", {"Symbola"}},
    {"wingdings", {"Symbola"}},
    {"wingdings 2", {"Symbola"}},
    {"wingdings 3", {"Symbola"}},
};

bool installed(const char* face)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    const bool found = fonts && fonts->nfont > 0;
    if (fonts)
        FcFontSetDestroy(fonts);
    if (objects)
        FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

} // namespace

std::string drawingFace(const std::string& family)
{
    const QString name = QString::fromStdString(family).trimmed().toLower();
    const Faces* entry = nullptr;
    for (const Faces& f : metricFaces)
        if (name == QLatin1String(f.family))
            entry = &f;
    if (!entry)
        return family;
    // Fonts are installed while the program runs rarely enough to ask once per family.
    static std::mutex mutex;
    static std::map<const Faces*, std::string> found;
    std::lock_guard lock(mutex);
    const auto known = found.find(entry);
    if (known != found.end())
        return known->second.empty() ? family : known->second;
    std::string face;
    for (const char* candidate : entry->faces)
        if (installed(candidate)) {
            face = candidate;
            break;
        }
    found.emplace(entry, face);
    return face.empty() ? family : face;
}

} // namespace platform::metafile
