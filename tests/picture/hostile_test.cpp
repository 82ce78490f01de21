#include "picture/hostile_pictures.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

// Every hostile file gives its own refusal, in one line, with nothing printed by any library;
// the two text bombs that hold a good picture decode it without inflating a byte of text.
TEST(HostilePictures, EachIsRefusedWithItsReasonInOneLineAndNothingPrinted) {
    const std::vector<HostilePicture> files = hostilePictures();
    ASSERT_GE(files.size(), 40U);
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    std::vector<PictureResult> results;
    for (const HostilePicture& file : files)
        results.push_back(decodePicture(file.bytes));
    const std::string printed =
        ::testing::internal::GetCapturedStderr() + ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "");

    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].name);
        const PictureResult& result = results[i];
        EXPECT_EQ(result.problem, files[i].problem) << result.error;
        EXPECT_NE(result.error.find(files[i].reason), std::string::npos) << result.error;
        EXPECT_EQ(result.error.find_first_of("\r\n"), std::string::npos) << result.error;
        EXPECT_EQ(result.ok(), result.error.empty());
        EXPECT_EQ(result.picture.empty(), !result.ok());
    }
}

#ifndef _WIN32
// The file limit is checked before any byte is read: the bytes here cannot even be read.
TEST(HostilePictures, AFileOverTheSizeLimitIsRefusedUnread) {
    const std::size_t size = kMaxPictureFileBytes + 1;
    void* unreadable = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(unreadable, MAP_FAILED);
    const PictureResult result =
        decodePicture(std::span(static_cast<const std::byte*>(unreadable), size));
    munmap(unreadable, size);
    EXPECT_EQ(result.problem, PictureProblem::TooLarge);
    EXPECT_EQ(result.error, "the file is 257 MiB, more than the limit of 256 MiB for a picture");
}
#endif

// The sides limit is inclusive, and a picture right at the decoded-size limit still decodes.
TEST(HostilePictures, PicturesRightAtTheLimitsDecode) {
    const std::string wide = "P5 8192 1 255\n" + std::string(8192, '\x10');
    EXPECT_TRUE(decodePicture(wide).ok());
    const std::string tall = "P5 1 8192 255\n" + std::string(8192, '\x10');
    EXPECT_TRUE(decodePicture(tall).ok());
    // 8192 x 8192 grey at 16 bits is 128 MiB; as RGBA at 8 bits, 256 MiB: both allowed.
    const PictureResult deep = decodePicture("P5 8192 8192 65535\n" + std::string(1, '\0'));
    EXPECT_EQ(deep.problem, PictureProblem::Damaged) << deep.error; // let through to its data
    const PictureResult colour16 = decodePicture("P6 8192 5462 65535\n");
    EXPECT_EQ(colour16.problem, PictureProblem::TooLarge) << colour16.error;
    const PictureResult colour16Fits = decodePicture("P6 8192 5461 65535\n");
    EXPECT_EQ(colour16Fits.problem, PictureProblem::Damaged) << colour16Fits.error;
}
