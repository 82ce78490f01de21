#pragma once

// Writers for small picture files made on the spot, so that every file a test or a benchmark
// feeds the decoders is visible in code and nothing binary is stored. Plain C++, zlib and
// libjpeg: no Qt.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace grondel::testing {

// --- zlib ---------------------------------------------------------------------------------

std::string zlibCompress(std::string_view raw);
// A valid zlib stream of raw whose data is followed by `blocks` empty stored blocks (five bytes
// each, inflating to nothing), as a writer that flushes often leaves them, before its end.
std::string zlibWithEmptyBlocks(std::string_view raw, std::size_t blocks);
// A valid zlib stream that inflates to count zero bytes, about 1 KB for each MiB, built without
// ever holding the zeros: for decompression bombs.
std::string zlibZeros(std::uint64_t count);

// --- PNG ----------------------------------------------------------------------------------

std::string pngChunk(std::string_view type, std::string_view data);

struct PngOptions {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    int depth = 8;
    int colourType = 0; // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
    bool interlaced = false;
    std::string palette{};      // PLTE data: red, green, blue a colour
    std::string transparency{}; // tRNS data
    // Chunks written before the image data, whole (pngChunk), e.g. text or gamma.
    std::vector<std::string> before{};
    // The image data is split into IDAT chunks of at most this many bytes.
    std::size_t idatBytes = 1 << 20;
};

int pngChannels(int colourType);
// The IHDR chunk for options.
std::string pngHeaderChunk(const PngOptions& options);
// A PNG of options whose samples are given row after row, channels side by side, each 0 to
// 2^depth - 1 (palette indices for colour type 3); packed, filtered (none) and compressed here,
// interlaced with Adam7 when options says so.
std::string pngFile(const PngOptions& options, const std::vector<std::uint16_t>& samples);
// The same from an already compressed image data stream.
std::string pngFileWithData(const PngOptions& options, std::string_view zlibStream);

// --- BMP ----------------------------------------------------------------------------------

struct BmpOptions {
    std::uint32_t infoSize = 40; // 12, 40, 52, 56, 64, 108 or 124
    std::int32_t width = 1;
    std::int32_t height = 1; // negative: top-down
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    // Red, green, blue (and alpha) masks: in the header from 52 bytes, else after it when
    // compression is 3 (three) or 6 (four).
    std::vector<std::uint32_t> masks{};
    std::string palette{}; // raw entries: blue, green, red (and 0 unless the header is 12 bytes)
    // 0: the data size for run-length data, else 0 as most writers leave it.
    std::uint32_t imageSize = 0;
    // The pixel data offset; 0 puts it right after the headers and palette.
    std::uint32_t offset = 0;
};

std::string bmpFile(const BmpOptions& options, std::string_view pixelData);
// Pads each row's bytes to four, as bitmaps store them.
std::string bmpRows(const std::vector<std::string>& rows);

// --- PGM/PPM ------------------------------------------------------------------------------

// "P5\n# comment\n3 2\n255\n" and so on.
std::string pnmHeader(char kind, std::uint32_t width, std::uint32_t height, std::uint32_t maxval,
                      std::string_view comment = {});

// --- JPEG ---------------------------------------------------------------------------------

enum class JpegColour { Grey, YCbCr, Rgb, Cmyk, Ycck };

struct JpegOptions {
    int width = 8;
    int height = 8;
    JpegColour colour = JpegColour::YCbCr;
    bool progressive = false;
    int quality = 90;
    bool subsample = true; // 2 x 2 chroma for YCbCr and YCCK
};

// Samples row after row: 1 a pixel for grey, 3 (red, green, blue) or 4 (CMYK as stored).
std::string jpegFile(const JpegOptions& options, const std::vector<std::uint8_t>& samples);
// A progressive flat grey JPEG: one scan of the DC coefficients, then the same scan of all AC
// coefficients `scans` times, each a valid, nearly empty scan that still walks every block;
// Huffman or arithmetic coded.
std::string jpegScanBomb(int width, int height, int scans, bool arithmetic = false);

// libjpeg's own decode with the settings Grondel uses (integer slow DCT, fancy upsampling):
// the samples (grey, RGB or CMYK as stored) and their count a pixel.
std::vector<std::uint8_t> libjpegDecode(std::string_view file, int& components);

// --- bytes --------------------------------------------------------------------------------

void putLe16(std::string& out, std::uint32_t value);
void putLe32(std::string& out, std::uint32_t value);
void putBe32(std::string& out, std::uint32_t value);
void setLe32(std::string& out, std::size_t at, std::uint32_t value);
void setBe32(std::string& out, std::size_t at, std::uint32_t value);

} // namespace grondel::testing
