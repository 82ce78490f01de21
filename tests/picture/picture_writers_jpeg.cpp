#include "picture/picture_writers.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <stdexcept>

namespace grondel::testing {
namespace {

J_COLOR_SPACE inputSpace(JpegColour colour) {
    switch (colour) {
    case JpegColour::Grey:
        return JCS_GRAYSCALE;
    case JpegColour::YCbCr:
    case JpegColour::Rgb:
        return JCS_RGB;
    case JpegColour::Cmyk:
    case JpegColour::Ycck:
        return JCS_CMYK;
    }
    return JCS_RGB;
}

J_COLOR_SPACE fileSpace(JpegColour colour) {
    switch (colour) {
    case JpegColour::Grey:
        return JCS_GRAYSCALE;
    case JpegColour::YCbCr:
        return JCS_YCbCr;
    case JpegColour::Rgb:
        return JCS_RGB;
    case JpegColour::Cmyk:
        return JCS_CMYK;
    case JpegColour::Ycck:
        return JCS_YCCK;
    }
    return JCS_YCbCr;
}

// The writers' inputs are the tests' own: any library complaint is a broken test.
void fail(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    throw std::runtime_error(message);
}

// Compresses samples; script, when given, replaces the progression.
std::string compress(const JpegOptions& options, const std::vector<std::uint8_t>& samples,
                     const jpeg_scan_info* script, int scripted, bool arithmetic = false) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.error_exit = fail;
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(options.width);
    info.image_height = static_cast<JDIMENSION>(options.height);
    info.in_color_space = inputSpace(options.colour);
    info.input_components = info.in_color_space == JCS_GRAYSCALE ? 1
                            : info.in_color_space == JCS_CMYK    ? 4
                                                                 : 3;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, fileSpace(options.colour));
    jpeg_set_quality(&info, options.quality, TRUE);
    if (!options.subsample)
        for (int c = 0; c < info.num_components; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (options.progressive)
        jpeg_simple_progression(&info);
    info.arith_code = arithmetic ? TRUE : FALSE;
    if (script != nullptr) {
        info.scan_info = script;
        info.num_scans = scripted;
    }
    jpeg_start_compress(&info, TRUE);
    const auto stride =
        static_cast<std::size_t>(options.width) * static_cast<std::size_t>(info.input_components);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPLE*>(samples.data() + stride * info.next_scanline);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

} // namespace

std::string jpegFile(const JpegOptions& options, const std::vector<std::uint8_t>& samples) {
    return compress(options, samples, nullptr, 0);
}

std::string jpegScanBomb(int width, int height, int scans, bool arithmetic) {
    // All DC coefficients, then all AC ones: the AC scan of a flat picture is a few end-of-band
    // runs, yet a decoder still visits every block for it. Sent again it raises no warning.
    static const jpeg_scan_info kScript[2] = {{1, {0, 0, 0, 0}, 0, 0, 0, 0},
                                              {1, {0, 0, 0, 0}, 1, 63, 0, 0}};
    JpegOptions options;
    options.width = width;
    options.height = height;
    options.colour = JpegColour::Grey;
    const std::vector<std::uint8_t> flat(static_cast<std::size_t>(width) * height, 128);
    std::string file = compress(options, flat, kScript, 2, arithmetic);
    const std::size_t lastScan = file.rfind("\xFF\xDA");
    const std::size_t end = file.size() - 2; // the end-of-image marker
    const std::string scan = file.substr(lastScan, end - lastScan);
    std::string repeats;
    repeats.reserve(scan.size() * static_cast<std::size_t>(scans));
    for (int i = 1; i < scans; ++i)
        repeats += scan;
    file.insert(end, repeats);
    return file;
}

std::vector<std::uint8_t> libjpegDecode(std::string_view file, int& components) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.error_exit = fail;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(file.data()),
                 static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&info);
    components = info.output_components;
    const std::size_t stride = std::size_t{info.output_width} * info.output_components;
    std::vector<std::uint8_t> out(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

} // namespace grondel::testing
