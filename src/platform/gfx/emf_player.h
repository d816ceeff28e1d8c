#pragma once

// Replays an enhanced metafile onto any canvas: the records the metafile canvas writes (objects,
// selections, colours, modes, lines, shapes, text, bitmaps, clipping and saved states). The
// picture frame maps onto the destination rectangle; coordinates, pen widths and font heights
// scale with it. Records outside that set are skipped. The canvas's font, pen and brush are
// given back as they were.

#include <string_view>

#include "platform/gfx/canvas.h"

namespace qr2vor {

// Raises EInvalidGraphic for bytes that are no EMF or hold a bad record; what was drawn before
// the bad record stays drawn.
void PlayEnhMetafile(TCanvas& canvas, std::string_view emf, const TRect& dest);
// An enhanced metafile is played; a Windows metafile draws nothing.
void PlayMetafile(TCanvas& canvas, const TMetafile& metafile, const TRect& dest);

}  // namespace qr2vor
