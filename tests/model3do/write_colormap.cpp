// Writes a colormap of a known palette, for trying 8-bit textures without a game's own:
//   write_colormap cube|grey FILE.cmp
// cube: a 6 x 7 x 6 colour cube and four greys; grey: 256 grey levels. Each with light tables
// that dim every colour towards black.
#include "support/colormaps.h"

#include <cstdio>
#include <fstream>
#include <string_view>

int main(int argc, char** argv) {
    const std::string_view kind = argc == 3 ? argv[1] : "";
    if (kind != "cube" && kind != "grey") {
        std::fprintf(stderr, "usage: write_colormap cube|grey FILE.cmp\n");
        return 2;
    }
    using namespace grondel::testing;
    const std::string bytes = colormapBytes(kind == "cube" ? colourCube() : greyRamp());
    std::ofstream out(argv[2], std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "write_colormap: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
