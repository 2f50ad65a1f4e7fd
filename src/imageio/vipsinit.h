// Start-up of the imaging library. Every entry point of imageio calls EnsureImageIO() itself.
#pragma once

#include <string>

namespace tavu {

// Starts the library once (thread-safe); false when it could not start.
bool EnsureImageIO();

// The library's readers of HEIF (HEIC, HEIF, AVIF) and ImageMagick's formats are loaded when first
// needed: LoadMoreLoaders() loads them once (thread-safe) and tells whether they are there now.
// Finding a file's loader (vipsutil.h) calls it when no reader of the library's own knows the file.
bool MoreLoadersLoaded();
bool LoadMoreLoaders();

// How many worker threads the library may use for one picture. A batch that runs several
// pictures at once lowers it so that threads do not multiply.
void SetImageIOThreads(int threads);
int ImageIOThreads();

std::string ImageIOVersion();

// True for the name of a loader class the program opens ("VipsForeignLoadJpegFile", ...): JPEG,
// PNG, GIF, TIFF, WebP, HEIF (HEIC, HEIF, AVIF) and ImageMagick (for bitmaps only).
bool IsOpenLoader(const char* loaderClassName);

}  // namespace tavu
