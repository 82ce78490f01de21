#include "picture/decoders.h"

namespace grondel {

PictureResult decodePicture(std::span<const std::byte> raw) {
    using namespace picture_detail;
    const Bytes bytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
    const PictureFormat format = sniffPictureFormat(raw);
    if (bytes.empty())
        return refuse(format, PictureProblem::Empty, "the file is empty");
    if (bytes.size() > kMaxPictureFileBytes)
        return refuse(format, PictureProblem::TooLarge, fileTooLarge(bytes.size()));
    switch (format) {
    case PictureFormat::Bmp:
        return decodeBmp(bytes);
    case PictureFormat::Png:
        return decodePng(bytes);
    case PictureFormat::Jpeg:
        return decodeJpeg(bytes);
    case PictureFormat::Pnm:
        return decodePnm(bytes);
    case PictureFormat::Unknown:
        break;
    }
    return refuse(format, PictureProblem::NotAPicture, notAReadablePicture(bytes));
}

PictureResult decodePicture(std::string_view bytes) {
    return decodePicture(std::as_bytes(std::span(bytes.data(), bytes.size())));
}

} // namespace grondel
