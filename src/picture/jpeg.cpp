#include "picture/jpeg.h"

#include <csetjmp>
#include <cstring>
#include <jerror.h>
#include <memory>
#include <vector>

namespace grondel::picture_detail {
namespace {

// The library's error manager with where to jump back to and why it stopped. Everything the
// jump crosses is plain data: no destructor is skipped.
struct Errors {
    jpeg_error_mgr library; // first, so the library's pointer is also ours
    std::jmp_buf jump;
    PictureProblem problem = PictureProblem::Damaged;
    char text[JMSG_LENGTH_MAX + 64] = {};
};

struct Decoder {
    jpeg_decompress_struct info; // first, so the library's pointer is also ours
    Errors errors;
    jpeg_progress_mgr progress;
    // The scans' decoding work as the library goes, against what the markers allowed.
    int scansCounted = 0;
    std::uint64_t blocksDecoded = 0;
    std::uint64_t blockLimit = 0;
};

Errors& errorsOf(j_common_ptr info) {
    return *reinterpret_cast<Errors*>(info->err);
}

[[noreturn]] void stop(j_common_ptr info, PictureProblem problem, const char* text) {
    Errors& errors = errorsOf(info);
    errors.problem = problem;
    std::snprintf(errors.text, sizeof errors.text, "%s", text);
    std::longjmp(errors.jump, 1);
}

// Every error, and every warning but one, ends the decode: a warning means lost or corrupt
// data that the library would paper over with grey.
[[noreturn]] void stopOn(j_common_ptr info) {
    const int code = info->err->msg_code;
    if (code == JWRN_JPEG_EOF)
        stop(info, PictureProblem::Damaged, "the JPEG data is cut short");
    if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY)
        stop(info, PictureProblem::TooLarge, jpegNeedsTooMuchMemory().c_str());
    char message[JMSG_LENGTH_MAX] = {};
    (*info->err->format_message)(info, message);
    for (char& c : message)
        if (c == '\n' || c == '\r')
            c = ' ';
    const bool unsupported =
        code == JERR_BAD_PRECISION || code == JERR_SOF_UNSUPPORTED || code == JERR_ARITH_NOTIMPL;
    char text[JMSG_LENGTH_MAX + 32];
    std::snprintf(text, sizeof text,
                  unsupported ? "a JPEG Grondel does not read (%s)" : "the JPEG is damaged (%s)",
                  message);
    stop(info, unsupported ? PictureProblem::Unsupported : PictureProblem::Damaged, text);
}

void onError(j_common_ptr info) {
    stopOn(info);
}

void onMessage(j_common_ptr info, int level) {
    // Levels 0 and up are traces. An unknown JFIF revision is harmless.
    if (level < 0 && info->err->msg_code != JWRN_JFIF_MAJOR)
        stopOn(info);
}

void silently(j_common_ptr) {}

// The markers' count holds the work to its limit before decoding; this holds it as the
// library goes, whatever the walk may have missed: each scan's blocks are counted as it starts.
void onProgress(j_common_ptr common) {
    auto& decoder = *reinterpret_cast<Decoder*>(common);
    const jpeg_decompress_struct& info = decoder.info;
    if (info.input_scan_number > kMaxJpegScans)
        stop(common, PictureProblem::TooLarge, jpegTooManyScans().c_str());
    if (info.input_scan_number == decoder.scansCounted || info.comps_in_scan < 1)
        return;
    decoder.scansCounted = info.input_scan_number;
    decoder.blocksDecoded += jpegScanBlocks(info, info.cur_comp_info, info.comps_in_scan);
    if (decoder.blocksDecoded > decoder.blockLimit)
        stop(common, PictureProblem::TooLarge, jpegTooMuchScanWork().c_str());
}

void setUp(Decoder& decoder) {
    std::memset(&decoder.info, 0, sizeof decoder.info);
    decoder.info.err = jpeg_std_error(&decoder.errors.library);
    decoder.errors.library.error_exit = onError;
    decoder.errors.library.emit_message = onMessage;
    decoder.errors.library.output_message = silently;
    decoder.progress = {};
    decoder.progress.progress_monitor = onProgress;
}

// The functions that call into the library own the jump target; they hold no C++ objects.
bool readHeader(Decoder& decoder, Bytes bytes) {
    if (setjmp(decoder.errors.jump))
        return false;
    jpeg_create_decompress(&decoder.info);
    decoder.info.progress = &decoder.progress;
    decoder.info.mem->max_memory_to_use = static_cast<long>(kMaxDecodedBytes);
    jpeg_mem_src(&decoder.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&decoder.info, TRUE);
    // As Qt reads JPEGs, so that pictures that loaded before keep their values.
    decoder.info.dct_method = JDCT_ISLOW;
    decoder.info.do_fancy_upsampling = TRUE;
    return true;
}

// CMYK as Adobe writes it (inverted: 255 is no ink) to RGB, each channel C x K / 255 rounded
// down, as Qt converts it.
void cmykToRgb(const std::uint8_t* in, std::span<std::uint8_t> out) {
    for (std::size_t x = 0; x < out.size() / 3; ++x, in += 4) {
        const unsigned black = in[3];
        out[3 * x] = static_cast<std::uint8_t>(black * in[0] / 255);
        out[3 * x + 1] = static_cast<std::uint8_t>(black * in[1] / 255);
        out[3 * x + 2] = static_cast<std::uint8_t>(black * in[2] / 255);
    }
}

bool readPixels(Decoder& decoder, Picture& picture, std::uint8_t* cmykRow) {
    if (setjmp(decoder.errors.jump))
        return false;
    jpeg_decompress_struct& info = decoder.info;
    jpeg_start_decompress(&info);
    if (info.output_width != static_cast<JDIMENSION>(picture.width()) ||
        info.output_height != static_cast<JDIMENSION>(picture.height()))
        stop(reinterpret_cast<j_common_ptr>(&info), PictureProblem::Damaged,
             "the JPEG changed its size while decoding");
    while (info.output_scanline < info.output_height) {
        const auto y = static_cast<int>(info.output_scanline);
        JSAMPROW row = cmykRow != nullptr ? cmykRow : picture.row8(y).data();
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            stop(reinterpret_cast<j_common_ptr>(&info), PictureProblem::Damaged,
                 "the JPEG data is cut short");
        if (cmykRow != nullptr)
            cmykToRgb(cmykRow, picture.row8(y));
    }
    jpeg_finish_decompress(&info); // reads on to the end marker, which must be there
    return true;
}

struct Destroy {
    Decoder& decoder;
    ~Destroy() { jpeg_destroy_decompress(&decoder.info); }
};

} // namespace

PictureResult decodeJpeg(Bytes bytes) {
    auto decoder = std::make_unique<Decoder>();
    setUp(*decoder);
    const Destroy destroy{*decoder};
    auto failed = [&] {
        return refuse(PictureFormat::Jpeg, decoder->errors.problem, decoder->errors.text);
    };
    if (!readHeader(*decoder, bytes))
        return failed();

    const jpeg_decompress_struct& info = decoder->info;
    const int components = info.out_color_space == JCS_GRAYSCALE ? 1
                           : info.out_color_space == JCS_RGB     ? 3
                           : info.out_color_space == JCS_CMYK    ? 4
                                                                 : 0;
    if (components == 0 || info.num_components != components)
        return refuse(PictureFormat::Jpeg, PictureProblem::Unsupported,
                      "a JPEG with " + std::to_string(info.num_components) +
                          " colour components in a layout Grondel does not read");
    const PictureLayout layout = components == 1 ? PictureLayout::Grey : PictureLayout::Rgb;
    if (auto refused =
            checkPictureSize(PictureFormat::Jpeg, info.image_width, info.image_height, layout, 8))
        return *refused;

    // Judged from the markers before a single scan is decoded.
    const JpegScans scans = walkJpegScans(bytes, info);
    if (scans.count > kMaxJpegScans)
        return refuse(PictureFormat::Jpeg, PictureProblem::TooLarge, jpegTooManyScans());
    decoder->blockLimit = jpegScanBlockLimit(jpegPictureBlocks(info), scans.codedBytes);
    if (scans.blocks > decoder->blockLimit)
        return refuse(
            PictureFormat::Jpeg, PictureProblem::TooLarge,
            jpegTooMuchScanWork(scans.count, scans.blocks, decoder->blockLimit, scans.codedBytes));

    PictureResult result;
    result.format = PictureFormat::Jpeg;
    result.picture =
        Picture(static_cast<int>(info.image_width), static_cast<int>(info.image_height), layout, 8);
    std::vector<std::uint8_t> cmykRow(components == 4 ? std::size_t{info.image_width} * 4 : 0);
    if (!readPixels(*decoder, result.picture, cmykRow.empty() ? nullptr : cmykRow.data()))
        return failed();
    return result;
}

} // namespace grondel::picture_detail
