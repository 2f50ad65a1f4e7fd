// Drawing a picture file onto the work canvas.
#pragma once

#include <cstdint>
#include <string>

#include "imageio/geometry.h"
#include "raster/canvas.h"

namespace tavu {

// Pictures (and canvases) larger than this are refused rather than decoded.
inline constexpr double kMaxPixels = 1e9;

struct DrawOutcome {
    enum Status {
        Drawn,          // the canvas holds the picture
        NoCanvas,       // the target size is zero or negative: the canvas is left empty
        DrawFailed,     // the file could not be read or decoded, or is too large
        SurfaceFailed,  // the canvas itself could not be made (out of memory)
    };
    Status status = NoCanvas;
    int errorNumber = 0;    // a stable number for the kind of failure
    std::string errorText;  // what went wrong, for the error log (Chinese)
    bool ok() const { return status == Drawn; }
};

// The memory a drawing may take: min(2 GiB, a quarter of the machine's memory). A picture whose
// canvas plus decoded pixels (at the decoder's shrink) would need more is refused; one that needs
// more than a quarter of it is drawn alone, never beside other pictures.
uint64_t DrawMemoryBudget();
inline uint64_t DrawAloneAbove() { return DrawMemoryBudget() / 4; }

// What drawing `path` with `params` would hold in memory, from the file's header alone: the
// canvas and the decoded pixels at the shrink the decoder will use. 0 when the header cannot be
// read (the drawing then fails on its own).
uint64_t DrawMemoryNeeded(const std::string& path, const DrawParams& params);

// Loads `path`, scales it per `params` and leaves the result in `canvas` (background where the
// picture does not reach). On any failure the canvas is left empty. Safe to call from several
// threads at once.
DrawOutcome DrawPicFile(Canvas& canvas, const std::string& path, const DrawParams& params);

// The upright size of a picture without decoding its pixels; false when it cannot be read.
bool ReadPictureSize(const std::string& path, int& width, int& height);

}  // namespace tavu
