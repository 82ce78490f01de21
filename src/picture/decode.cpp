#include "files/read_file.h"
#include "picture/decoders.h"

namespace grondel {

PictureResult decodePicture(std::span<const std::byte> raw) {
    using namespace picture_detail;
    const Bytes bytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
    if (bytes.empty())
        return refuse(PictureFormat::Unknown, PictureProblem::Empty, "the file is empty");
    // Before a single byte is looked at.
    if (bytes.size() > kMaxPictureFileBytes)
        return refuse(PictureFormat::Unknown, PictureProblem::TooLarge, fileTooLarge(bytes.size()));
    const PictureFormat format = sniffPictureFormat(raw);
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

PictureResult loadPicture(const std::filesystem::path& path) {
    files::ReadResult file = files::readFileBounded(path, kMaxPictureFileBytes);
    if (!file.ok())
        return picture_detail::refuse(PictureFormat::Unknown, PictureProblem::Unreadable,
                                      std::move(file.error));
    return decodePicture(file.bytes);
}

} // namespace grondel
