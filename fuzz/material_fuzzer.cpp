#include "model3do/colormap.h"
#include "model3do/material.h"
#include "model3do/model_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes must give a verdict, as a material and as a colormap: no crash, no hang, no memory
// sized by a count in them. A material Grondel reads, written again, reads the same.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (grondel::checkMaterial(bytes).problems.size() > grondel::kMaxReportedProblems)
        __builtin_trap();
    const grondel::MaterialRead read = grondel::readMaterial(bytes);
    std::string error;
    if (read.ok() && grondel::readMaterial(grondel::writeMaterial(read.material, error)).material !=
                         read.material)
        __builtin_trap();
    (void)grondel::readColormap(bytes);
    return 0;
}
