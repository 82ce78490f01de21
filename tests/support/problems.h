#pragma once

#include "model3do/model_check.h"

#include <string>

namespace grondel::testing {

// A check's problems, one "line N: text" each, for a failing expectation to show.
inline std::string problems(const ModelCheck& check) {
    std::string out;
    for (const ModelProblem& problem : check.problems)
        out += "\n  line " + std::to_string(problem.line) + ": " + problem.text;
    return out;
}

} // namespace grondel::testing
