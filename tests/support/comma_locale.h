#pragma once

#include <clocale>

namespace grondel::testing {

// Switches the C library to a German locale, whose decimal separator is a comma, under the name
// this platform knows it by. False when none is installed.
inline bool useCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "German_Germany.1252"})
        if (std::setlocale(LC_ALL, name))
            return true;
    return false;
}

} // namespace grondel::testing
