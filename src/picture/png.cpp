#include "picture/png.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <spng.h>
#include <zlib.h>

namespace grondel::picture_detail {
namespace {

// Feeds libspng the kept ranges of the file one after another, and counts what it has read.
struct KeptStream {
    Bytes bytes;
    const PngPlan* plan = nullptr;
    std::size_t range = 0;
    std::size_t offset = 0; // into the current range
    std::size_t delivered = 0;
};

int readKept(spng_ctx*, void* user, void* out, std::size_t length) {
    auto& stream = *static_cast<KeptStream*>(user);
    auto* to = static_cast<std::uint8_t*>(out);
    while (length > 0) {
        if (stream.range >= stream.plan->kept.size())
            return SPNG_IO_EOF;
        const auto [from, end] = stream.plan->kept[stream.range];
        const std::size_t count = std::min(length, end - from - stream.offset);
        std::memcpy(to, stream.bytes.data() + from + stream.offset, count);
        to += count;
        length -= count;
        stream.offset += count;
        stream.delivered += count;
        if (stream.offset == end - from) {
            ++stream.range;
            stream.offset = 0;
        }
    }
    return 0;
}

// The libspng output format and flags that give the samples of pngLayout at pngDepth: the
// file's own layout where it matches (16-bit samples in host order), else expanded.
struct Output {
    int format;
    int flags;
};

Output outputFor(int colourType, int bitDepth, bool transparency) {
    switch (colourType) {
    case 0: // grey; 1, 2 and 4-bit levels widened to 8 bits by repeating their bits
        if (transparency)
            return {bitDepth == 16 ? SPNG_FMT_GA16 : SPNG_FMT_GA8, SPNG_DECODE_TRNS};
        return {bitDepth < 8 ? SPNG_FMT_G8 : SPNG_FMT_PNG, 0};
    case 2:
        if (transparency)
            return {bitDepth == 16 ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8, SPNG_DECODE_TRNS};
        return {SPNG_FMT_PNG, 0};
    case 3: // the indices, coloured by PaletteColours
        return {SPNG_FMT_PNG, 0};
    default: // grey and alpha, RGBA
        return {SPNG_FMT_PNG, 0};
    }
}

PictureResult failed(int error) {
    if (error == SPNG_EIDAT_TOO_SHORT || error == SPNG_EOF || error == SPNG_IO_EOF)
        return refuse(PictureFormat::Png, PictureProblem::Damaged,
                      "the PNG image data stops short");
    return refuse(PictureFormat::Png, PictureProblem::Damaged,
                  std::string("the PNG is damaged (") + spng_strerror(error) + ")");
}

// Adam7: where each pass's pixels start and how far apart they lie, across and down.
struct Pass {
    std::uint32_t x, y, dx, dy;
};
constexpr std::array<Pass, 7> kAdam7{{{0, 0, 8, 8},
                                      {4, 0, 8, 8},
                                      {0, 4, 4, 8},
                                      {2, 0, 4, 4},
                                      {0, 2, 2, 4},
                                      {1, 0, 2, 2},
                                      {0, 1, 1, 2}}};

// Colours a palette picture from its scanlines of indices. libspng would colour an index past
// the palette black without a word; the file gives no colour for that pixel, so it is refused.
class PaletteColours {
public:
    PaletteColours(spng_ctx* png, const PngPlan& plan, bool interlaced)
        : width_(plan.width)
        , depth_(static_cast<unsigned>(plan.bitDepth))
        , interlaced_(interlaced)
        , indices_((std::size_t{plan.width} * depth_ + 7) / 8) {
        error_ = spng_get_plte(png, &palette_);
        alpha_.fill(255);
        spng_trns trns{};
        if (error_ == 0 && plan.transparency && spng_get_trns(png, &trns) == 0)
            std::copy_n(trns.type3_alpha, std::min<std::uint32_t>(trns.n_type3_entries, 256),
                        alpha_.begin());
    }

    int error() const { return error_; }
    std::span<std::uint8_t> scanline() { return indices_; }

    // The pixels of the scanline just decoded, for row info, into the picture; the refusal for
    // an index past the palette.
    std::optional<PictureResult> paint(const spng_row_info& info, Picture& picture) const {
        const auto pass = static_cast<std::size_t>(info.pass);
        const std::uint32_t start = interlaced_ ? kAdam7[pass].x : 0;
        const std::uint32_t step = interlaced_ ? kAdam7[pass].dx : 1;
        const auto row = picture.row8(static_cast<int>(info.row_num));
        const std::size_t channels = picture.hasAlpha() ? 4 : 3;
        const unsigned perByte = 8 / depth_, mask = (1U << depth_) - 1;
        for (std::uint32_t k = 0, x = start; x < width_; ++k, x += step) {
            // The leftmost index sits in the highest bits of its byte.
            const unsigned shift = 8 - depth_ * (k % perByte + 1);
            const unsigned index = (indices_[k / perByte] >> shift) & mask;
            if (index >= palette_.n_entries)
                return refuse(PictureFormat::Png, PictureProblem::Damaged,
                              "the PNG has pixel index " + std::to_string(index) + " beyond its " +
                                  std::to_string(palette_.n_entries) + "-entry palette");
            const spng_plte_entry& colour = palette_.entries[index];
            std::uint8_t* out = row.data() + x * channels;
            out[0] = colour.red;
            out[1] = colour.green;
            out[2] = colour.blue;
            if (channels == 4)
                out[3] = alpha_[index];
        }
        return std::nullopt;
    }

private:
    std::uint32_t width_;
    unsigned depth_;
    bool interlaced_;
    std::vector<std::uint8_t> indices_;
    spng_plte palette_{};
    std::array<std::uint8_t, 256> alpha_{};
    int error_ = 0;
};

// The bytes the image data inflates to: every scanline of every pass, each with its filter byte.
std::uint64_t scanlineBytes(const spng_ihdr& header) {
    constexpr std::array<std::uint64_t, 7> kChannels{1, 0, 3, 1, 2, 0, 4}; // by colour type
    const std::uint64_t bits = header.bit_depth * kChannels[header.color_type % 7];
    auto pass = [&](std::uint32_t x, std::uint32_t y, std::uint32_t dx, std::uint32_t dy) {
        if (header.width <= x || header.height <= y)
            return std::uint64_t{0};
        const std::uint64_t width = (header.width - x + dx - 1) / dx;
        const std::uint64_t height = (header.height - y + dy - 1) / dy;
        return height * (1 + (width * bits + 7) / 8);
    };
    if (header.interlace_method == 0)
        return pass(0, 0, 1, 1);
    std::uint64_t total = 0;
    for (const Pass& p : kAdam7)
        total += pass(p.x, p.y, p.dx, p.dy);
    return total;
}

// Whether the image data inflates to more than its scanlines, as in a decompression bomb. The
// output is counted, never kept, and inflating stops at the first byte too many; what follows
// the zlib stream's end, or a stream damaged after the scanlines, adds no pixels and passes.
bool inflatesPastTheRows(Bytes bytes, const PngPlan& plan, const spng_ihdr& header) {
    const std::uint64_t rows = scanlineBytes(header);
    z_stream zlib{};
    if (inflateInit(&zlib) != Z_OK)
        return true;
    std::array<Bytef, std::size_t{1} << 16> sink{};
    std::uint64_t inflated = 0;
    int status = Z_OK;
    for (std::size_t at = plan.imageDataChunks.first;
         status == Z_OK && at < plan.imageDataChunks.second;) {
        const std::uint32_t length = be32(bytes, at);
        zlib.next_in = const_cast<Bytef*>(bytes.data() + at + 8);
        zlib.avail_in = length;
        while (status == Z_OK && zlib.avail_in > 0 && inflated <= rows) {
            zlib.next_out = sink.data();
            zlib.avail_out = static_cast<uInt>(sink.size());
            status = inflate(&zlib, Z_NO_FLUSH);
            inflated += sink.size() - zlib.avail_out;
            if (status == Z_BUF_ERROR)
                status = Z_OK; // wants the next chunk
        }
        if (inflated > rows)
            break;
        at += 12 + std::size_t{length};
    }
    inflateEnd(&zlib);
    return inflated > rows;
}

using Context = std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)>;

Context makeContext(KeptStream& stream) {
    Context context(spng_ctx_new(0), spng_ctx_free);
    if (!context)
        return context;
    spng_ctx* png = context.get();
    spng_set_png_stream(png, readKept, &stream);
    spng_set_image_limits(png, kMaxPictureSide, kMaxPictureSide);
    // Only tRNS reaches libspng of the ancillary chunks; these bound anything else regardless.
    spng_set_chunk_limits(png, std::size_t{1} << 16, std::size_t{1} << 20);
    spng_set_option(png, SPNG_CHUNK_COUNT_LIMIT, 16);
    // The walk has verified every chunk's checksum on these very bytes: not a second time.
    spng_set_crc_action(png, SPNG_CRC_USE, SPNG_CRC_USE);
    return context;
}

} // namespace

PictureResult decodePng(Bytes bytes) {
    PngPlan plan;
    if (auto refused = planPng(bytes, plan))
        return *refused;
    KeptStream stream{bytes, &plan};
    const Context context = makeContext(stream);
    if (!context)
        return failed(SPNG_EMEM);
    spng_ctx* png = context.get();
    spng_ihdr header{};
    if (const int error = spng_get_ihdr(png, &header))
        return failed(error);

    const PictureLayout layout = pngLayout(plan.colourType, plan.transparency);
    const int depth = pngDepth(plan.bitDepth);
    const Output output = outputFor(plan.colourType, plan.bitDepth, plan.transparency);
    const std::size_t rowBytes = static_cast<std::size_t>(header.width) *
                                 static_cast<std::size_t>(Picture::channelsOf(layout)) *
                                 static_cast<std::size_t>(depth / 8);
    const bool paletted = plan.colourType == 3;
    std::size_t imageBytes = 0;
    if (const int error = spng_decoded_image_size(png, output.format, &imageBytes))
        return failed(error);
    if (!paletted && imageBytes != rowBytes * header.height)
        return failed(SPNG_EINTERNAL);
    if (const int error = spng_decode_image(png, nullptr, 0, output.format,
                                            output.flags | SPNG_DECODE_PROGRESSIVE))
        return failed(error);
    std::optional<PaletteColours> colours;
    if (paletted) {
        colours.emplace(png, plan, header.interlace_method != 0);
        if (colours->error() != 0)
            return failed(colours->error());
    }

    PictureResult result;
    result.format = PictureFormat::Png;
    result.picture =
        Picture(static_cast<int>(header.width), static_cast<int>(header.height), layout, depth);
    Picture& picture = result.picture;
    std::size_t beforeLastRow = 0;
    for (;;) {
        spng_row_info row{};
        int error = spng_get_row_info(png, &row);
        if (error == 0 && colours) {
            beforeLastRow = stream.delivered;
            const auto scanline = colours->scanline();
            error = spng_decode_scanline(png, scanline.data(), scanline.size());
            if (error == 0 || error == SPNG_EOI)
                if (auto refused = colours->paint(row, picture))
                    return *std::move(refused);
        } else if (error == 0) {
            beforeLastRow = stream.delivered;
            const auto y = static_cast<int>(row.row_num);
            void* out = depth == 16 ? static_cast<void*>(picture.row16(y).data())
                                    : static_cast<void*>(picture.row8(y).data());
            error = out != nullptr ? spng_decode_row(png, out, rowBytes) : SPNG_EINTERNAL;
        }
        if (error == SPNG_EOI)
            break;
        if (error != 0)
            return failed(error);
    }

    // libspng stops inflating once the last row is in. Image data that goes on well past what
    // the last row can take (with a generous margin for tiny chunks) may still be padding that
    // inflates to nothing, such as empty stored blocks, which careful readers accept; if it
    // inflates to more than the rows, the header and the data disagree, as in a decompression
    // bomb, and it is refused.
    const std::size_t leftover = plan.imageDataEnd - std::min(beforeLastRow, plan.imageDataEnd);
    if (leftover > 13 * (rowBytes + 1) + (std::size_t{1} << 16) &&
        inflatesPastTheRows(bytes, plan, header))
        return refuse(PictureFormat::Png, PictureProblem::Damaged,
                      "the PNG image data runs on past the picture's last row");
    return result;
}

} // namespace grondel::picture_detail
