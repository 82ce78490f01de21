#pragma once

#include "picture/decode.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace grondel::testing {

// The shape and every sample a decode should give, samples row after row from the top.
struct Expected {
    int width;
    int height;
    PictureLayout layout;
    int depth;
    std::vector<std::uint16_t> samples;
};

inline ::testing::AssertionResult decodesTo(const std::string& file, const Expected& want) {
    const PictureResult result = decodePicture(file);
    if (!result.ok())
        return ::testing::AssertionFailure() << "refused: " << result.error;
    const Picture& got = result.picture;
    if (got.width() != want.width || got.height() != want.height || got.layout() != want.layout ||
        got.bitDepth() != want.depth)
        return ::testing::AssertionFailure()
               << "got " << got.width() << " x " << got.height() << " layout "
               << static_cast<int>(got.layout()) << " depth " << got.bitDepth();
    std::size_t i = 0;
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            for (int c = 0; c < got.channels(); ++c, ++i)
                if (i >= want.samples.size() || got.sample(x, y, c) != want.samples[i])
                    return ::testing::AssertionFailure()
                           << "sample " << c << " of (" << x << ", " << y << ") is "
                           << got.sample(x, y, c) << ", not "
                           << (i < want.samples.size() ? std::to_string(want.samples[i])
                                                       : std::string("there"));
    if (i != want.samples.size())
        return ::testing::AssertionFailure() << "fewer samples than expected";
    return ::testing::AssertionSuccess();
}

} // namespace grondel::testing
