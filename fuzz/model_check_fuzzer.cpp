#include "model3do/model_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes must give a verdict: no crash, no hang, no memory sized by a count in the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The terrain rules too, for every other input.
    const grondel::ModelCheck check = grondel::checkModel(
        std::string_view(reinterpret_cast<const char*>(data), size), {size % 2 == 1});
    if (check.problems.size() > grondel::kMaxReportedProblems + 1)
        __builtin_trap();
    return 0;
}
