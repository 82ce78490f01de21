#include "files/show_path.h"

#include <cstdint>

namespace grondel::files {

namespace {

void appendHexByte(std::string& out, unsigned byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[(byte >> 4) & 0xF];
    out += kDigits[byte & 0xF];
}

// The length of the valid UTF-8 sequence at the start of text, or 0 when it is not one
// (overlong forms, surrogates and code points past U+10FFFF are not valid).
std::size_t validSequence(std::string_view text, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(0);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, code = lead & 0x07;
    else
        return 0;
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

// Characters that a terminal or log would take as a line break or a control.
bool isControl(char32_t code) {
    return code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F) || code == 0x2028 ||
           code == 0x2029;
}

} // namespace

std::string escapedName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    while (!name.empty()) {
        const auto lead = static_cast<unsigned char>(name.front());
        std::size_t length = 1;
        char32_t code = lead;
        if (lead >= 0x80)
            length = validSequence(name, code);
        if (code == '\n')
            out += "\\n";
        else if (code == '\t')
            out += "\\t";
        else if (code == '\\')
            out += "\\\\";
        else if (length == 0)
            appendHexByte(out, lead); // not UTF-8: this byte alone, then try again after it
        else if (isControl(code)) {
            for (std::size_t i = 0; i < length; ++i)
                appendHexByte(out, static_cast<unsigned char>(name[i]));
        } else
            out.append(name.substr(0, length));
        name.remove_prefix(length == 0 ? 1 : length);
    }
    return out;
}

#ifdef _WIN32
namespace {

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    if (code < 0x800)
        out += static_cast<char>(0xC0 | (code >> 6));
    else {
        if (code < 0x10000)
            out += static_cast<char>(0xE0 | (code >> 12));
        else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        }
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (code & 0x3F));
}

} // namespace

std::string showPath(const std::filesystem::path& path) {
    // UTF-16 to UTF-8 by hand: a Windows name may hold an unpaired surrogate, shown as \uXXXX.
    const std::wstring& wide = path.native();
    std::string out;
    std::string run; // valid text not yet escaped
    const auto unit = [&](std::size_t i) { return static_cast<char32_t>(wide[i] & 0xFFFF); };
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t code = unit(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size() &&
            (unit(i + 1) & 0xFC00) == 0xDC00) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(++i) - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            constexpr char kDigits[] = "0123456789ABCDEF";
            out += escapedName(run) + "\\u";
            run.clear();
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kDigits[(code >> shift) & 0xF];
            continue;
        }
        appendUtf8(run, code);
    }
    return out + escapedName(run);
}
#else
std::string showPath(const std::filesystem::path& path) {
    return escapedName(path.native());
}
#endif

} // namespace grondel::files
