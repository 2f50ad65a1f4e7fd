// What saving a rendered picture would give: the result encoded exactly as the run encodes it
// (into a temporary file that is then removed) and measured. The window shows it under the preview
// before a run, and the comparison view shows the encoded result's pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/batchrun.h"

namespace tavu {

struct SaveEstimate {
    bool ok = false;
    std::string error;            // why nothing would be saved
    int sourceWidth = 0, sourceHeight = 0;  // upright
    uint64_t sourceBytes = 0;
    int width = 0, height = 0;    // the result's pixel size
    uint64_t bytes = 0;           // the result's file size
    SizeInfo size;                // what the size search chose (size.searched when it ran)
    std::string extension;
};

// Encodes `canvas` (the render of `entry` with `render`) as the run would save it with `options`:
// straight from the source where the run takes that way. With `keep`, the encoded file's bytes are
// handed back too.
SaveEstimate EstimateSave(const Canvas& canvas, const std::string& entry, const RenderSettings& render,
                          const BatchOptions& options, std::vector<uint8_t>* keep = nullptr);

// "原图 4000×3000 · 3.8 MB → 800×600 · 约 142 KB (−96%)", with the quality a file-size range chose.
std::string EstimateText(const SaveEstimate& e);

}  // namespace tavu
