// Pictures made on the fly for the tests, and a temporary folder that cleans up after itself.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "raster/canvas.h"

namespace tavu::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string mkdir(const std::string& name) const;

private:
    std::string path_;
};

using PixelFn = std::function<Rgb(int x, int y)>;

// Writes a w x h RGB picture; the format follows the file's extension, with vips options
// appended to the name where given (e.g. "[Q=100]"). ".bmp" uses the program's own writer.
void WritePicture(const std::string& path, int w, int h, const PixelFn& f, const std::string& options = "");
void WriteSolid(const std::string& path, int w, int h, Rgb c, const std::string& options = "");

// Decodes any picture file into a canvas (upright as stored, no orientation applied).
Canvas ReadCanvas(const std::string& path);
// The loader that reads the file ("VipsForeignLoadJpegFile", ...), empty if none.
std::string LoaderOf(const std::string& path);

// A PNG whose header declares the given size but carries almost no data.
void WritePngHeaderOnly(const std::string& path, uint32_t w, uint32_t h);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Every file name in a folder, sorted (hidden ones included).
std::vector<std::string> ListFolder(const std::string& folder);

// The mean colour of a canvas rectangle.
struct Mean {
    double r, g, b;
};
Mean MeanColour(const Canvas& c, int x, int y, int w, int h);

}  // namespace tavu::test
