#include "imageio/straightencode.h"

#include "imageio/drawpipeline.h"
#include "imageio/jpegrequantize.h"
#include "imageio/render.h"

namespace tavu {

bool EncodeUnchangedDrawing(const std::string& source, const DrawParams& params, const std::string& path,
                            const std::string& extension, const EncodeOptions& options, int& width, int& height) {
    std::string ext;
    for (char c : extension) ext += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    const bool jpeg = ext == "jpg" || ext == "jpeg";
    if (ext == "bmp" || (jpeg && options.dpi > 0)) return false;
    // A JPEG kept at its own size is re-encoded from its coefficients, never decoded.
    int orientation = 1;
    if (jpeg && DrawsJpegAsStored(source, params, width, height, orientation) &&
        RequantizeJpeg(source, path, options, orientation, DrawMemoryBudget()))
        return true;
    vips::VImage img;
    if (!OpenUnchangedDrawing(source, params, img)) return false;
    if (!EncodeImageToFile(img, path, extension, options, nullptr)) return false;
    width = img.width();
    height = img.height();
    return true;
}

}  // namespace tavu
