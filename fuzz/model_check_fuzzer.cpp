#include "model3do/model_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes must give a verdict: no crash, no hang, no memory sized by a count in the text; and
// the same verdict whether the text comes whole or in pieces.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The terrain and walkable rules too, for some inputs.
    const grondel::CheckOptions options{size % 2 == 1, size % 3 == 1};
    const grondel::ModelCheck check = grondel::checkModel(text, options);
    if (check.problems.size() > grondel::kMaxReportedProblems + 1)
        __builtin_trap();
    const std::size_t piece = 1 + (size == 0 ? 0 : data[0] * 7);
    std::size_t at = 0;
    const grondel::ModelCheck pieces = grondel::checkModel(
        [&] {
            const std::string_view next = text.substr(at, piece);
            at += next.size();
            return next;
        },
        options);
    if (pieces.problems.size() != check.problems.size() || pieces.notes != check.notes)
        __builtin_trap();
    for (std::size_t k = 0; k < check.problems.size(); ++k)
        if (pieces.problems[k].line != check.problems[k].line ||
            pieces.problems[k].text != check.problems[k].text)
            __builtin_trap();
    return 0;
}
