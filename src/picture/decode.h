#pragma once

#include "picture/limits.h"
#include "picture/picture.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace grondel {

// The picture formats Grondel reads, recognised by content alone, never by a file name.
enum class PictureFormat {
    Unknown, // not one of the below (the file may still be a picture in another format)
    Bmp,     // Windows and OS/2 bitmaps
    Png,
    Jpeg,
    Pnm, // PGM and PPM (P2, P3, P5, P6)
};

// Why a picture was refused.
enum class PictureProblem {
    None,
    Empty,       // zero bytes
    NotAPicture, // not in a format Grondel reads (SVG, GIF, TIFF, WebP, ICO, text, ...)
    Unsupported, // a format Grondel reads, in a variant it does not (12-bit JPEG, ...)
    TooLarge,    // over one of the limits in picture/limits.h
    Damaged,     // broken, inconsistent or cut short
    Unreadable,  // the file itself could not be read (loadPicture)
};

struct PictureResult {
    Picture picture; // empty unless ok()
    PictureFormat format = PictureFormat::Unknown;
    PictureProblem problem = PictureProblem::None;
    // Why it failed: one line, a short phrase fit to follow a file name ("crater.png: ...").
    std::string error;

    bool ok() const { return problem == PictureProblem::None; }
};

// The formats Grondel reads, as the refusal of any other names them.
inline constexpr std::string_view kReadablePictureFormats = "BMP, PNG, JPEG and PGM/PPM";

// Decodes a whole picture file held in memory. The bytes are untrusted: any content gives a
// picture or a refusal, within the limits of picture/limits.h in time and memory, and nothing
// is printed. A picture is complete or refused: a file cut short, with a bad checksum or with
// data its decoder warns about is refused, never filled in.
//
// Formats: BMP (1, 4, 8, 16, 24 and 32 bits; uncompressed, bit fields, RLE4 and RLE8; bottom-up
// and top-down; OS/2 and Windows headers), PNG (every colour type and depth, interlaced; only
// its palette and transparency chunks are applied), JPEG (grey, YCbCr, CMYK and YCCK, baseline
// and progressive) and PGM/PPM (binary and plain, maxval 1 to 65535).
PictureResult decodePicture(std::span<const std::byte> bytes);
PictureResult decodePicture(std::string_view bytes);

// Reads the picture file at path and decodes it. path is untrusted (see files::readFileBounded:
// a missing file, a folder, a pipe or device is refused without blocking, a file over
// kMaxPictureFileBytes before it is read), and so are the bytes. The file's bytes are let go
// before it returns: only the picture stays. A file that cannot be read is Unreadable, with the
// file system's reason.
PictureResult loadPicture(const std::filesystem::path& path);

// The format the content is in, from its first bytes; Unknown for anything Grondel does not read.
PictureFormat sniffPictureFormat(std::span<const std::byte> bytes);

} // namespace grondel
