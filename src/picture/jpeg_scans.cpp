#include "picture/jpeg.h"

#include <algorithm>
#include <array>

namespace grondel::picture_detail {
namespace {

constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kEoi = 0xD9;

bool isRestart(std::uint8_t marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

// Where a scan's entropy-coded data that starts at `from` ends: at the next marker. A 0xFF in
// the data is always followed by a stuffed 0 (or by more 0xFF fill), so only restart markers,
// which belong to the scan, can sit inside it.
std::size_t endOfCodedData(Bytes bytes, std::size_t from) {
    const auto* begin = bytes.data();
    const auto* end = begin + bytes.size();
    for (const auto* at = begin + from;;) {
        at = std::find(at, end, std::uint8_t{0xFF});
        const auto* next = std::find_if(at, end, [](std::uint8_t c) { return c != 0xFF; });
        if (next == end)
            return bytes.size();
        if (*next != 0 && !isRestart(*next))
            return static_cast<std::size_t>(at - begin);
        at = next + 1;
    }
}

const jpeg_component_info* findComponent(const jpeg_decompress_struct& info, int id) {
    for (int c = 0; c < info.num_components; ++c)
        if (info.comp_info[c].component_id == id)
            return &info.comp_info[c];
    return nullptr;
}

std::uint64_t roundUp(std::uint64_t value, std::uint64_t step) {
    return (value + step - 1) / step;
}

} // namespace

std::uint64_t jpegScanBlocks(const jpeg_decompress_struct& info,
                             const jpeg_component_info* const* components, int count) {
    if (count == 1)
        return std::uint64_t{components[0]->width_in_blocks} * components[0]->height_in_blocks;
    const std::uint64_t mcus =
        roundUp(info.image_width,
                std::uint64_t{8} * static_cast<unsigned>(info.max_h_samp_factor)) *
        roundUp(info.image_height,
                std::uint64_t{8} * static_cast<unsigned>(info.max_v_samp_factor));
    std::uint64_t perMcu = 0;
    for (int i = 0; i < count; ++i)
        perMcu += static_cast<std::uint64_t>(components[i]->h_samp_factor) *
                  static_cast<std::uint64_t>(components[i]->v_samp_factor);
    return mcus * perMcu;
}

std::uint64_t jpegPictureBlocks(const jpeg_decompress_struct& info) {
    std::uint64_t blocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        blocks +=
            std::uint64_t{info.comp_info[c].width_in_blocks} * info.comp_info[c].height_in_blocks;
    return blocks;
}

JpegScans walkJpegScans(Bytes bytes, const jpeg_decompress_struct& info) {
    JpegScans scans;
    const std::size_t size = bytes.size();
    std::size_t at = 2; // after the start-of-image marker
    for (;;) {
        // The next marker: bytes before it are garbage (which the library warns about, and
        // that refuses the file), 0xFF runs before it fill.
        while (at < size && bytes[at] != 0xFF)
            ++at;
        while (at < size && bytes[at] == 0xFF)
            ++at;
        if (at >= size)
            break;
        const std::uint8_t marker = bytes[at++];
        if (marker == kEoi)
            break;
        if (marker == 0 || marker == 0x01 || marker == 0xD8 || isRestart(marker))
            continue; // no length follows
        if (size - at < 2)
            break;
        const std::size_t length = be16(bytes, at);
        if (length < 2 || length > size - at)
            break;
        const std::size_t segmentEnd = at + length;
        if (marker != kSos) {
            at = segmentEnd;
            continue;
        }
        const int count = bytes[at + 2];
        if (count < 1 || count > 4 || length != 6 + 2 * static_cast<std::size_t>(count))
            break;
        std::array<const jpeg_component_info*, 4> components{};
        for (int i = 0; i < count; ++i) {
            components[static_cast<std::size_t>(i)] =
                findComponent(info, bytes[at + 3 + 2 * static_cast<std::size_t>(i)]);
            if (components[static_cast<std::size_t>(i)] == nullptr)
                return scans;
        }
        ++scans.count;
        scans.blocks += jpegScanBlocks(info, components.data(), count);
        at = endOfCodedData(bytes, segmentEnd);
        scans.codedBytes += at - segmentEnd;
    }
    return scans;
}

} // namespace grondel::picture_detail
