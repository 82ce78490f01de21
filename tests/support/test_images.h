#pragma once

#include <ostream>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QtEndian>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{' << texts.join(", ").toStdString() << '}';
}

// Pictures made on the spot, so no binary sample hides what a test feeds the loader.
namespace grondel::testing {

// Every pixel a different colour, none grey: red = column, green = row, blue from both.
inline QImage gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, (x * 7 + y * 13 + 5) & 0xff));
    return image;
}

inline QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The image as a file of the given format ("BMP", "PNG", "JPEG").
inline QByteArray encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A 24-bit bitmap whose header claims width x height; the pixel data holds one row at most.
inline QByteArray bitmapClaiming(qint32 width, qint32 height) {
    QByteArray bytes = encode(filled(4, 1, qRgb(1, 2, 3)), "BMP");
    qToLittleEndian<qint32>(width, bytes.data() + 18);
    qToLittleEndian<qint32>(height, bytes.data() + 22);
    return bytes;
}

} // namespace grondel::testing
