#include "platform/image_file.h"

#include <cstdlib>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

namespace grondel {
namespace {

// Room for the largest accepted image at 8 bytes a pixel (16-bit RGBA, as a 16-bit PNG decodes);
// it also stops formats whose size is unknown until they decode.
constexpr int kAllocationLimitMiB =
    static_cast<int>(qint64{kMaxImageSide} * kMaxImageSide * 8 / (1024 * 1024));

LoadedImage failure(ImageProblem problem, const QString& error) {
    return {QImage(), problem, error};
}

// BMP headers are little-endian; these read past the end as 0.
quint32 le32(const QByteArray& bytes, int at) {
    if (at + 4 > bytes.size())
        return 0;
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint16 le16(const QByteArray& bytes, int at) {
    if (at + 2 > bytes.size())
        return 0;
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// What a bitmap's own header says about its size and where its pixel data ends.
struct BitmapLayout {
    bool headerComplete = false;
    qint64 width = 0;
    qint64 height = 0;
    qint64 end = 0; // one past the last byte of pixel data
};

BitmapLayout bitmapLayout(const QByteArray& head, qint64 fileSize) {
    constexpr quint32 kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
    constexpr qint64 kFileHeaderSize = 14;
    BitmapLayout layout;
    const quint32 infoSize = le32(head, 14);
    layout.headerComplete = infoSize >= 12 && head.size() >= kFileHeaderSize + 26 &&
                            fileSize >= kFileHeaderSize + infoSize;
    quint32 bitsPerPixel = 0, compression = kRgb, dataSize = 0;
    if (infoSize == 12) { // the old OS/2 header: 16-bit sizes, never compressed
        layout.width = le16(head, 18);
        layout.height = le16(head, 20);
        bitsPerPixel = le16(head, 24);
    } else {
        layout.width = std::abs(qint64{static_cast<qint32>(le32(head, 18))});
        layout.height = std::abs(qint64{static_cast<qint32>(le32(head, 22))});
        bitsPerPixel = le16(head, 28);
        compression = le32(head, 30);
        dataSize = le32(head, 34);
    }

    layout.end = le32(head, 10);
    if (layout.width > kMaxImageSide || layout.height > kMaxImageSide)
        return layout; // refused for its size; its data size could overflow
    if (compression == kRgb || compression == kBitFields || compression == kAlphaBitFields) {
        const qint64 rowBytes = (layout.width * bitsPerPixel + 31) / 32 * 4;
        layout.end += rowBytes * layout.height;
    } else if (compression == kRle8 || compression == kRle4) {
        layout.end += dataSize;
    }
    return layout;
}

QString tooLarge(qint64 width, qint64 height) {
    return QStringLiteral("the image is %1 x %2 pixels, more than %3 x %3")
        .arg(width)
        .arg(height)
        .arg(kMaxImageSide);
}

LoadedImage decode(QIODevice& device) {
    const qint64 size = device.size();
    if (size == 0)
        return failure(ImageProblem::Empty, QStringLiteral("the file is empty"));
    const QByteArray head = device.peek(256);

    QImageReader::setAllocationLimit(kAllocationLimitMiB);
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return failure(ImageProblem::NotAnImage,
                       QStringLiteral("not an image in a format this program reads"));

    // Asked before size(): a header the reader dislikes makes it forget the format.
    const QByteArray fileFormat = reader.format();
    const QSize claimed = reader.size();
    if (claimed.width() > kMaxImageSide || claimed.height() > kMaxImageSide)
        return failure(ImageProblem::TooLarge, tooLarge(claimed.width(), claimed.height()));
    if (fileFormat == "bmp") {
        // Qt's BMP reader decodes the rows a short file holds and leaves the rest of the picture
        // undefined without failing, and it gives no size for a header it dislikes: the
        // header is read here as well.
        const BitmapLayout layout = bitmapLayout(head, size);
        if (!layout.headerComplete)
            return failure(ImageProblem::Damaged, QStringLiteral("the bitmap header is cut short"));
        if (layout.width > kMaxImageSide || layout.height > kMaxImageSide)
            return failure(ImageProblem::TooLarge, tooLarge(layout.width, layout.height));
        if (layout.end > size)
            return failure(ImageProblem::Damaged, QStringLiteral("the pixel data is cut short"));
    }

    QImage image = reader.read();
    if (image.isNull())
        return failure(ImageProblem::Damaged,
                       QStringLiteral("the image data is damaged (%1)").arg(reader.errorString()));
    if (image.width() > kMaxImageSide || image.height() > kMaxImageSide)
        return failure(ImageProblem::TooLarge, tooLarge(image.width(), image.height()));

    // One conversion here keeps every later pixel read a plain 32-bit load. Premultiplied
    // colours are exactly the colours composited over black, the background.
    const auto format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format)
        image.convertTo(format);
    if (image.isNull())
        return failure(ImageProblem::TooLarge, QStringLiteral("not enough memory for the image"));
    return {std::move(image), ImageProblem::None, QString()};
}

// The slow road for images that did not come through the loader: the one pixel converted the
// way the loader converts whole images.
QRgb premultipliedPixel(const QImage& image, int x, int y) {
    const QImage pixel =
        image.copy(x, y, 1, 1).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return reinterpret_cast<const QRgb*>(pixel.constScanLine(0))[0];
}

} // namespace

LoadedImage loadImage(const QString& path) {
    if (path.isEmpty())
        return failure(ImageProblem::Missing, QStringLiteral("no file name was given"));
    const QFileInfo info(path);
    if (!info.exists())
        return failure(ImageProblem::Missing, QStringLiteral("no such file"));
    if (info.isDir())
        return failure(ImageProblem::Folder, QStringLiteral("a folder, not an image file"));
    if (!info.isFile())
        return failure(ImageProblem::NotAFile, QStringLiteral("not a regular file"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(ImageProblem::Unreadable,
                       QStringLiteral("cannot be read (%1)").arg(file.errorString()));
    return decode(file);
}

LoadedImage loadImageData(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decode(buffer);
}

Cell pixelColour(const QImage& image, int x, int y) {
    if (!image.valid(x, y))
        return kBackgroundColour;
    QRgb rgb = 0;
    if (image.format() == QImage::Format_RGB32 ||
        image.format() == QImage::Format_ARGB32_Premultiplied)
        rgb = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
    else
        rgb = premultipliedPixel(image, x, y);
    return packColour(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

} // namespace grondel
