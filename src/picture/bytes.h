#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace grondel::picture_detail {

using Bytes = std::span<const std::uint8_t>;

// Unchecked multi-byte reads: the caller has made sure at + width bytes lie inside.
inline std::uint32_t le16(Bytes bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8);
}
inline std::uint32_t le32(Bytes bytes, std::size_t at) {
    return le16(bytes, at) | le16(bytes, at + 2) << 16;
}
inline std::uint32_t be16(Bytes bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] << 8 | bytes[at + 1]);
}
inline std::uint32_t be32(Bytes bytes, std::size_t at) {
    return be16(bytes, at) << 16 | be16(bytes, at + 2);
}

} // namespace grondel::picture_detail
