#pragma once
// The faces metafile text is drawn with. Internal to platform/metafile.

#include <string>

namespace platform::metafile {

// The face that draws text of a font of this family: for the Windows families, an installed
// face with the same metrics (found through fontconfig); for the symbol fonts, whose codes the
// player turns into the characters they stand for, a face that has those characters. Any other
// family, and a family none of whose faces is installed, is drawn as named (the drawing then
// narrows a stand-in face to the text's advances).
std::string drawingFace(const std::string& family);

} // namespace platform::metafile
