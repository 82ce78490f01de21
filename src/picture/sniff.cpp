#include "picture/decoders.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace grondel {
namespace {

using namespace std::string_view_literals;
using picture_detail::Bytes;

bool startsWith(Bytes bytes, std::string_view prefix, std::size_t at = 0) {
    return bytes.size() >= at + prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin() + static_cast<long>(at),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

bool isSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Text that opens like XML or SVG, after an optional byte order mark and blank space.
bool looksLikeXml(Bytes bytes) {
    std::size_t at = startsWith(bytes, "\xEF\xBB\xBF") ? 3 : 0;
    while (at < bytes.size() && at < 4096 && isSpace(bytes[at]))
        ++at;
    return startsWith(bytes, "<?xml", at) || startsWith(bytes, "<svg", at) ||
           startsWith(bytes, "<!DOCTYPE", at) || startsWith(bytes, "<!--", at);
}

// What a file in a format Grondel does not read looks like, for its refusal.
std::string_view otherFormat(Bytes bytes) {
    struct Magic {
        std::string_view prefix;
        std::size_t at;
        std::string_view name;
    };
    static constexpr std::array<Magic, 24> kMagics{{
        {"GIF87a", 0, "a GIF picture"},
        {"GIF89a", 0, "a GIF picture"},
        {"II*\0"sv, 0, "a TIFF picture"},
        {"MM\0*"sv, 0, "a TIFF picture"},
        {"II+\0"sv, 0, "a BigTIFF picture"},
        {"MM\0+"sv, 0, "a BigTIFF picture"},
        {"WEBP", 8, "a WebP picture"},
        {"\0\0\1\0"sv, 0, "an icon (ICO)"},
        {"\0\0\2\0"sv, 0, "a cursor (CUR)"},
        {"P7", 0, "a PAM picture"},
        {"P1", 0, "a PBM bitmap"},
        {"P4", 0, "a PBM bitmap"},
        {"PF", 0, "a PFM picture"},
        {"Pf", 0, "a PFM picture"},
        {"8BPS", 0, "a Photoshop document"},
        {"qoif", 0, "a QOI picture"},
        {"ftypavif", 4, "an AVIF picture"},
        {"ftypheic", 4, "a HEIF picture"},
        {"ftypmif1", 4, "a HEIF picture"},
        {"\0\0\0\x0CjP  "sv, 0, "a JPEG 2000 picture"},
        {"\xFF\x4F\xFF\x51", 0, "a JPEG 2000 picture"},
        {"DDS ", 0, "a DirectDraw surface"},
        {"v/1\x01", 0, "an OpenEXR picture"},
        {"#?RADIANCE", 0, "a Radiance HDR picture"},
    }};
    for (const Magic& magic : kMagics)
        if (startsWith(bytes, magic.prefix, magic.at))
            return magic.name;
    if (startsWith(bytes, "\x1F\x8B"))
        return "gzip-compressed data (an SVGZ drawing, perhaps)";
    if (startsWith(bytes, "/* XPM */"))
        return "an XPM picture";
    if (startsWith(bytes, "%PDF"))
        return "a PDF document";
    if (startsWith(bytes, "PK\3\4"sv))
        return "a ZIP archive";
    if (looksLikeXml(bytes))
        return "an SVG drawing or other XML text";
    return {};
}

} // namespace

PictureFormat sniffPictureFormat(std::span<const std::byte> raw) {
    const Bytes bytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
    if (startsWith(bytes, "BM"))
        return PictureFormat::Bmp;
    if (startsWith(bytes, "\x89PNG"))
        return PictureFormat::Png;
    // A JPEG starts with its start-of-image marker and the next marker's 0xFF.
    if (startsWith(bytes, "\xFF\xD8\xFF") || (bytes.size() < 3 && startsWith(bytes, "\xFF\xD8")))
        return PictureFormat::Jpeg;
    if (bytes.size() >= 2 && bytes[0] == 'P' &&
        (bytes[1] == '2' || bytes[1] == '3' || bytes[1] == '5' || bytes[1] == '6') &&
        (bytes.size() == 2 || isSpace(bytes[2]) || bytes[2] == '#'))
        return PictureFormat::Pnm;
    return PictureFormat::Unknown;
}

namespace picture_detail {

std::string notAReadablePicture(Bytes bytes) {
    const std::string_view looks = otherFormat(bytes);
    if (looks.empty())
        return "not a picture in a format Grondel reads (" + std::string(kReadablePictureFormats) +
               ")";
    return std::string(looks) + ", a format Grondel does not read (it reads " +
           std::string(kReadablePictureFormats) + ")";
}

} // namespace picture_detail
} // namespace grondel
