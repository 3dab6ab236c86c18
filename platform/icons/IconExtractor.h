#pragma once
// Icons from icon libraries, as the shell's large icon: what the game-icon
// view and the command line show.
#include "catalogue/FileHandle.h"

#include <QImage>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kodrix {

struct ExtractedIcon { QImage image; int indexUsed = 0; bool substitute = false; };

// The icon with that index from an icon library (NE .icl, PE module or .ico file), decoded with Qt's ICO
// reader: the 32x32 image of the greatest colour depth, as the shell's large icon (closest size not above
// 32 when there is no 32x32; else the smallest). An index the library does not hold, or any damage, gives
// the substitute (a default application icon, drawn by us so it exists offscreen), never an error;
// indexUsed is the index asked for.
// The image is delivered at 32x32 like the shell's large icon: a chosen
// image of another size is scaled to it.
ExtractedIcon extractIcon(const std::filesystem::path& library, std::uint16_t index);
// The same from a library already open (looked up once, see openFileEntry).
ExtractedIcon extractIcon(FileHandle&& library, std::uint16_t index);

// The same from .ico bytes already rebuilt from a library; a null image when
// no image can be decoded.
QImage largeIconFromIco(const std::vector<std::uint8_t>& ico);

// The default application icon, 32x32.
QImage substituteIcon();

}  // namespace kodrix
