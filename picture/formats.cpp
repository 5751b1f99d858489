#include "picture/formats.h"

#include "picture/bitmap/bitmap.h"
#include "picture/gif/gif_image.h"
#include "picture/icon/icon.h"
#include "picture/jpeg/jpeg_image.h"
#include "picture/metafile/metafile.h"
#include "picture/picture.h"
#include "picture/plugin/plugin_image.h"
#include "picture/png/png_image.h"

void RegisterPictureFormats()
{
    // The order is the registry's: lookups walk it from the last row up, and the open dialog
    // lists the rows last first. Rows in order:
    //   "wmf" "Metafiles", "emf" "Enhanced Metafiles"   (metafile module)
    //   "ico" "Icons"                                    (icon module)
    //   "bmp" "Bitmaps"                                  (bitmap module)
    //   "jpeg", "jpg" "JPEG Image File"                  (JPEG module)
    //   "gif" "CompuServe GIF Image"                     (GIF module)
    //   "png" "PNG Image"                                (PNG module)
    //   "webp", "tif", ... one row per extension that an installed image plugin reads and no
    //   row above has                                    (plugin module)
    //   "" ""                                            (names without an extension)
    // Each module's Register...Format() goes in its place below as the module arrives; until
    // then its extensions are unknown to the registry.
    RegisterMetafileFormat();
    RegisterIconFormat();
    RegisterBitmapFormat();
    RegisterJPEGFormat();
    RegisterGIFFormat();
    RegisterPNGFormat();
    RegisterPluginFormats();
    RegisterOleGraphicFormat();
}
