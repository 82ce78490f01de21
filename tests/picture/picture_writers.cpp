#include "picture/picture_writers.h"

#include <array>
#include <stdexcept>
#include <zlib.h>

namespace grondel::testing {

void putLe16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void putLe32(std::string& out, std::uint32_t value) {
    putLe16(out, value & 0xFFFF);
    putLe16(out, value >> 16);
}

void putBe32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void setLe32(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void setBe32(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

std::string zlibCompress(std::string_view raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                  9) != Z_OK)
        throw std::runtime_error("zlib compress failed");
    out.resize(size);
    return out;
}

std::string zlibWithEmptyBlocks(std::string_view raw, std::size_t blocks) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY); // raw deflate
    std::string data(deflateBound(&stream, static_cast<uLong>(raw.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    stream.avail_in = static_cast<uInt>(raw.size());
    stream.next_out = reinterpret_cast<Bytef*>(data.data());
    stream.avail_out = static_cast<uInt>(data.size());
    deflate(&stream, Z_SYNC_FLUSH); // not final, and ends on a byte
    data.resize(data.size() - stream.avail_out);
    deflateEnd(&stream);
    std::string out = "\x78\xDA" + data;
    out.reserve(out.size() + 5 * blocks + 9);
    for (std::size_t i = 0; i < blocks; ++i)
        out += std::string("\x00\x00\x00\xFF\xFF", 5); // not final, stored, 0 bytes
    out += std::string("\x01\x00\x00\xFF\xFF", 5);     // final, stored, 0 bytes
    putBe32(out, static_cast<std::uint32_t>(adler32(1, reinterpret_cast<const Bytef*>(raw.data()),
                                                    static_cast<uInt>(raw.size()))));
    return out;
}

std::string zlibZeros(std::uint64_t count) {
    // One MiB of zeros deflated and fully flushed is a run of blocks that stands alone; the
    // stream repeats it, adds a short tail, an empty final block and the checksum.
    constexpr std::uint64_t kPiece = 1 << 20;
    auto deflated = [](std::uint64_t bytes) {
        z_stream stream{};
        deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
        const std::string zeros(bytes, '\0');
        std::string out(deflateBound(&stream, static_cast<uLong>(bytes)) + 64, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        stream.avail_in = static_cast<uInt>(bytes);
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, Z_FULL_FLUSH);
        out.resize(out.size() - stream.avail_out);
        deflateEnd(&stream);
        return out;
    };
    const std::string piece = deflated(kPiece);
    std::string out = "\x78\xDA";
    out.reserve(2 + piece.size() * (count / kPiece) + 4096);
    for (std::uint64_t i = 0; i < count / kPiece; ++i)
        out += piece;
    if (count % kPiece != 0)
        out += deflated(count % kPiece);
    out += std::string("\x03\x00", 2); // the final block: fixed codes, end of block only
    // Adler-32 of zeros: the first sum stays 1, the second counts the bytes.
    putBe32(out, static_cast<std::uint32_t>((count % 65521) << 16 | 1));
    return out;
}

std::string pngChunk(std::string_view type, std::string_view data) {
    std::string out;
    putBe32(out, static_cast<std::uint32_t>(data.size()));
    std::string body(type);
    body += data;
    out += body;
    putBe32(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                  static_cast<uInt>(body.size()))));
    return out;
}

int pngChannels(int colourType) {
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

std::string pngHeaderChunk(const PngOptions& options) {
    std::string header;
    putBe32(header, options.width);
    putBe32(header, options.height);
    header += static_cast<char>(options.depth);
    header += static_cast<char>(options.colourType);
    header += std::string("\0\0", 2); // compression, filter
    header += static_cast<char>(options.interlaced ? 1 : 0);
    return pngChunk("IHDR", header);
}

namespace {

// One scanline, filter byte first, of the pixels (x0 + i dx, y) for i = 0, 1, ...
std::string scanline(const PngOptions& options, const std::vector<std::uint16_t>& samples,
                     std::uint32_t y, std::uint32_t x0, std::uint32_t dx) {
    const auto channels = static_cast<std::uint32_t>(pngChannels(options.colourType));
    std::string out(1, '\0');
    unsigned bits = 0, filled = 0;
    for (std::uint32_t x = x0; x < options.width; x += dx)
        for (std::uint32_t c = 0; c < channels; ++c) {
            const std::uint16_t value = samples[(y * options.width + x) * channels + c];
            if (options.depth == 16) {
                out += static_cast<char>(value >> 8);
                out += static_cast<char>(value & 0xFF);
            } else if (options.depth == 8) {
                out += static_cast<char>(value);
            } else { // packed, the leftmost sample in the highest bits
                bits = bits << options.depth | value;
                filled += static_cast<unsigned>(options.depth);
                if (filled == 8) {
                    out += static_cast<char>(bits);
                    bits = filled = 0;
                }
            }
        }
    if (filled != 0)
        out += static_cast<char>(bits << (8 - filled));
    return out;
}

} // namespace

std::string pngFileWithData(const PngOptions& options, std::string_view zlibStream) {
    std::string out = "\x89PNG\r\n\x1A\n";
    out += pngHeaderChunk(options);
    for (const std::string& chunk : options.before)
        out += chunk;
    if (!options.palette.empty())
        out += pngChunk("PLTE", options.palette);
    if (!options.transparency.empty())
        out += pngChunk("tRNS", options.transparency);
    for (std::size_t at = 0; at < zlibStream.size(); at += options.idatBytes)
        out += pngChunk("IDAT", zlibStream.substr(at, options.idatBytes));
    out += pngChunk("IEND", "");
    return out;
}

std::string pngFile(const PngOptions& options, const std::vector<std::uint16_t>& samples) {
    std::string raw;
    if (!options.interlaced) {
        for (std::uint32_t y = 0; y < options.height; ++y)
            raw += scanline(options, samples, y, 0, 1);
    } else {
        struct Pass {
            std::uint32_t x0, y0, dx, dy;
        };
        constexpr std::array<Pass, 7> kAdam7{{{0, 0, 8, 8},
                                              {4, 0, 8, 8},
                                              {0, 4, 4, 8},
                                              {2, 0, 4, 4},
                                              {0, 2, 2, 4},
                                              {1, 0, 2, 2},
                                              {0, 1, 1, 2}}};
        for (const Pass& pass : kAdam7) {
            if (pass.x0 >= options.width) // an empty pass has no scanlines at all
                continue;
            for (std::uint32_t y = pass.y0; y < options.height; y += pass.dy)
                raw += scanline(options, samples, y, pass.x0, pass.dx);
        }
    }
    return pngFileWithData(options, zlibCompress(raw));
}

std::string bmpRows(const std::vector<std::string>& rows) {
    std::string out;
    for (const std::string& row : rows) {
        out += row;
        out.append((4 - row.size() % 4) % 4, '\0');
    }
    return out;
}

std::string bmpFile(const BmpOptions& options, std::string_view pixelData) {
    std::string info;
    putLe32(info, options.infoSize);
    if (options.infoSize == 12) {
        putLe16(info, static_cast<std::uint32_t>(options.width) & 0xFFFF);
        putLe16(info, static_cast<std::uint32_t>(options.height) & 0xFFFF);
        putLe16(info, 1);
        putLe16(info, static_cast<std::uint32_t>(options.bits));
    } else {
        putLe32(info, static_cast<std::uint32_t>(options.width));
        putLe32(info, static_cast<std::uint32_t>(options.height));
        putLe16(info, 1);
        putLe16(info, static_cast<std::uint32_t>(options.bits));
        putLe32(info, options.compression);
        putLe32(info, options.imageSize);
        putLe32(info, 2835);
        putLe32(info, 2835);
        putLe32(info, options.coloursUsed);
        putLe32(info, 0);
    }
    std::string masks;
    for (std::uint32_t mask : options.masks)
        putLe32(options.infoSize == 40 || options.infoSize == 64 ? masks : info, mask);
    if (options.infoSize >= 108 && info.size() == 56)
        putLe32(info, 0x73524742); // 'sRGB'
    info.resize(options.infoSize, '\0');

    const auto offset =
        options.offset != 0
            ? options.offset
            : static_cast<std::uint32_t>(14 + info.size() + masks.size() + options.palette.size());
    std::string out = "BM";
    putLe32(out, static_cast<std::uint32_t>(offset + pixelData.size()));
    putLe32(out, 0);
    putLe32(out, offset);
    out += info;
    out += masks;
    out += options.palette;
    out.resize(std::max<std::size_t>(out.size(), offset), '\0');
    out += pixelData;
    return out;
}

std::string pnmHeader(char kind, std::uint32_t width, std::uint32_t height, std::uint32_t maxval,
                      std::string_view comment) {
    std::string out = {'P', kind, '\n'};
    if (!comment.empty())
        out += "# " + std::string(comment) + "\n";
    out +=
        std::to_string(width) + " " + std::to_string(height) + "\n" + std::to_string(maxval) + "\n";
    return out;
}

} // namespace grondel::testing
