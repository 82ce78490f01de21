#pragma once

#include "heightmap/heightmap.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace grondel {

// Ground beyond the right or bottom edge of a small image lies at height 0: every pixel outside
// the picture reads as black, and the preview paints that area black as well.
inline constexpr Cell kBackgroundColour = 0;

// Neither side of an image may exceed this many pixels. The size in the file's header is checked
// before any pixel is decoded, so a header that claims 100000 x 100000 fails at once.
inline constexpr int kMaxImageSide = 8192;

// Why an image did not load.
enum class ImageProblem {
    None,
    Missing,    // no such file
    Folder,     // the path names a folder
    NotAFile,   // a pipe, device or socket: never opened, it could block
    Empty,      // zero bytes
    Unreadable, // the file cannot be opened or read (no permission, I/O error)
    NotAnImage, // no image format recognises the content
    TooLarge,   // wider or taller than kMaxImageSide
    Damaged,    // the format is known but its data is broken or cut short
};

struct LoadedImage {
    // On success Format_RGB32, or Format_ARGB32_Premultiplied when the file has transparency, so
    // every pixel reads the same way and a translucent pixel is its colour over black.
    QImage image;
    ImageProblem problem = ImageProblem::None;
    QString error; // why it failed, a short phrase fit to follow a file name

    bool ok() const { return problem == ImageProblem::None; }
};

// Decodes the image file at path. The format is decided from the content, never the file name,
// and may be any the Qt image plugins read (BMP, PNG including 16-bit grey, JPEG, ...).
LoadedImage loadImage(const QString& path);
// The same from bytes already in memory.
LoadedImage loadImageData(const QByteArray& bytes);

// The colour of pixel (x, y) packed 0x00BBGGRR: inside the image the colour it shows (a
// translucent pixel over the background), outside it kBackgroundColour. Any image format is
// accepted; the two formats loadImage returns are read directly.
Cell pixelColour(const QImage& image, int x, int y);

} // namespace grondel
