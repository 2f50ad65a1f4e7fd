// Text on the raster bitmap, drawn with the platform's font rendering.
#pragma once

#include "raster/cdib.h"

class QFont;

namespace tavu {

// Draws black text on an opaque white background behind the glyphs, left and top aligned at the
// given origin of the box, lines broken only at line breaks. The default font is a CJK-capable
// sans serif at 16 pixels, the width the bitmap allows per character.
CDIB::TextRenderer QtTextRenderer();
CDIB::TextRenderer QtTextRenderer(const QFont& font);

}  // namespace tavu
