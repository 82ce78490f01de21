#pragma once

#include "model3do/limits.h"
#include "model3do/vec3.h"

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace grondel {

// A rigid placement in model space: v -> rotation * v + offset, rotation given by its rows.
struct Placement {
    std::array<Vec3, 3> rotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    Vec3 offset;

    Vec3 operator()(Vec3 v) const {
        return Vec3{dot(rotation[0], v), dot(rotation[1], v), dot(rotation[2], v)} + offset;
    }
    // No turn and no offset: vertices stay where they are written.
    bool identity() const { return *this == Placement{}; }

    friend bool operator==(const Placement&, const Placement&) = default;
};

// outer after inner: v -> outer(inner(v)).
Placement operator*(const Placement& outer, const Placement& inner);

// The rotation of a node's pitch, yaw and roll, in degrees. The engine turns a node by yaw about
// z, then pitch about the turned x, then roll about the twice-turned y; as a matrix acting on
// column vectors, Rz(yaw) Rx(pitch) Ry(roll). Each turn is counter-clockwise seen from the
// positive end of its axis (right-handed), so yaw 90 takes +x to +y, pitch 90 takes +y to +z and
// roll 90 takes +z to +x. Whole multiples of 90 degrees are exact.
Placement rotation(double pitch, double yaw, double roll);

// One hierarchy node as the game keeps it, links as written (-1 for none). Plain data: a model
// may have millions.
struct HierarchyNode {
    using Floats = std::array<float, 3>;

    long long line = 0;
    int mesh = -1;
    int parent = -1;
    int child = -1;
    int sibling = -1;
    int children = 0;
    Floats position{};
    Floats angles{}; // pitch, yaw, roll in degrees
    Floats pivot{};
    // The name's first kGameMaxNameLength characters: what messages show of it.
    std::array<char, kGameMaxNameLength> name{};
    unsigned char nameLength = 0;

    // Filled by placeHierarchy.
    bool drawn = false;
    Placement placement; // where the node carries its mesh's vertices

    std::string_view shownName() const { return {name.data(), nameLength}; }
};

// Walks the hierarchy the way the game draws it and reports, each at its node's line through
// problem (which may throw to stop), what keeps the game from using the model (refused set:
// it reads past its memory, crashes or never ends) or from drawing a node:
// - parent, child and sibling numbers outside -1..nodes - 1 are refused and taken as -1, a
//   negative child count (billions to the game) refused and taken as 0; a parent chain that
//   loops back to a node is refused (the loader follows it for ever);
// - drawing starts at node 0 and follows, for each node, its child and numChildren - 1 siblings
//   after it, each drawn the same way: a chain that ends early or leads back to a node that
//   draws it is refused (the game follows it past its end, or for ever); one that leads to a
//   node drawn already elsewhere is reported and followed no further; every node never reached
//   is reported (never drawn).
// Each drawn node gets its placement, computed once from the placement of the node that drew it
// (none for node 0): after, on a vertex, its own pivot added, its rotation, its position added
// and its parent's pivot taken away: drawnBy(R(v + pivot) + position - parent's pivot). A
// mesh's culling sphere is centred where its placement carries (0, 0, 0), so rigid placements
// keep every distance from it as the mesh writes it.
//
// Time and memory linear in the number of nodes, whatever the links say.
void placeHierarchy(
    std::deque<HierarchyNode>& nodes,
    const std::function<void(long long line, std::string text, bool refused)>& problem);

} // namespace grondel
