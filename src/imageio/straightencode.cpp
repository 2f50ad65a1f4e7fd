#include "imageio/straightencode.h"

#include "imageio/drawpipeline.h"

namespace tavu {

bool EncodeUnchangedDrawing(const std::string& source, const DrawParams& params, const std::string& path,
                            const std::string& extension, const EncodeOptions& options, int& width, int& height) {
    std::string ext;
    for (char c : extension) ext += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    if (ext == "bmp" || ((ext == "jpg" || ext == "jpeg") && options.dpi > 0)) return false;
    vips::VImage img;
    if (!OpenUnchangedDrawing(source, params, img)) return false;
    if (!EncodeImageToFile(img, path, extension, options, nullptr)) return false;
    width = img.width();
    height = img.height();
    return true;
}

}  // namespace tavu
