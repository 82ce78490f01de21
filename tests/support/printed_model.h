#pragma once

// A game model's text read back independently of the printer, for tests: numbers as a reader
// gets them (double, and float32 as the game reads them), lists by their headings.

#include "model3do/vec3.h"

#include <charconv>
#include <map>
#include <string>
#include <vector>

namespace grondel::testing {

// The numbers of "1.5 -2 3.2e-07" or "0 0x0 4 3 1 0 3 3, 3 4, 4" ("0x0" reads as 0), as T.
template <typename T = double>
std::vector<T> numbers(const std::string& text) {
    std::vector<T> out;
    for (const char *at = text.data(), *end = at + text.size(); at < end;) {
        if (*at == ' ' || *at == ',') {
            ++at;
            continue;
        }
        T value = 0;
        const char* next = std::from_chars(at, end, value).ptr;
        at = next == at ? at + 1 : next;
        if (at + 1 < end && at[0] == 'x') // "0x0": the flags, read as 0
            at += 2;
        out.push_back(value);
    }
    return out;
}

inline Vec3 vec(const std::string& text) {
    const auto v = numbers(text);
    return {v.at(0), v.at(1), v.at(2)};
}

// Each list's lines, the text after "n: ", by heading ("VERTICES", "FACE NORMALS", ...).
using Lists = std::map<std::string, std::vector<std::string>>;

struct PrintedMesh {
    std::string name;
    std::string radius;
    Lists lists;
    std::string node; // its hierarchy line after "n: "
};

struct PrintedModel {
    std::string radius;
    Lists lists; // MATERIALS and HIERARCHY NODES
    std::vector<PrintedMesh> meshes;
};

// Mesh m is drawn by hierarchy node m + 1, as the game model writes them.
inline PrintedModel readPrinted(const std::string& text) {
    PrintedModel model;
    Lists* lists = &model.lists;
    std::string heading;
    for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
        end = std::min(text.find("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        const auto after = [&](std::size_t n) { return line.substr(n); };
        if (line.empty() || line[0] == '#') {
            continue;
        } else if (line.starts_with("MESH ")) {
            lists = &model.meshes.emplace_back().lists;
        } else if (line.starts_with("NAME ")) {
            model.meshes.back().name = after(5);
        } else if (line.starts_with("RADIUS ")) {
            (model.meshes.empty() ? model.radius : model.meshes.back().radius) = after(7);
        } else if (line[0] >= '0' && line[0] <= '9') {
            (*lists)[heading].push_back(line.substr(line.find(": ") + 2));
        } else {
            heading = line.substr(0, line.find_last_not_of("0123456789 ") + 1);
            if (heading == "HIERARCHY NODES")
                lists = &model.lists;
        }
    }
    const auto& nodes = model.lists["HIERARCHY NODES"];
    for (std::size_t m = 0; m < model.meshes.size() && m + 1 < nodes.size(); ++m)
        model.meshes[m].node = nodes[m + 1];
    return model;
}

// Where a node line ("flags type mesh parent child sibling count x y z ...") puts its mesh.
template <typename T = double>
std::vector<T> nodePosition(const std::string& node) {
    const auto all = numbers<T>(node);
    return {all.at(7), all.at(8), all.at(9)};
}

} // namespace grondel::testing
