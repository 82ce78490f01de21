#pragma once

#include "model3do/vec3.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace grondel {

// A rigid placement in model space: v -> rotation * v + offset, rotation given by its rows.
struct Placement {
    std::array<Vec3, 3> rotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    Vec3 offset;

    Vec3 operator()(Vec3 v) const {
        return Vec3{dot(rotation[0], v), dot(rotation[1], v), dot(rotation[2], v)} + offset;
    }
};

// outer after inner: v -> outer(inner(v)).
Placement operator*(const Placement& outer, const Placement& inner);

// The rotation of a node's pitch, yaw and roll, in degrees. The engine turns a node by yaw about
// z, then pitch about the turned x, then roll about the twice-turned y; as a matrix acting on
// column vectors, Rz(yaw) Rx(pitch) Ry(roll). Each turn is counter-clockwise seen from the
// positive end of its axis (right-handed), so yaw 90 takes +x to +y, pitch 90 takes +y to +z and
// roll 90 takes +z to +x. Whole multiples of 90 degrees are exact.
Placement rotation(double pitch, double yaw, double roll);

// One hierarchy node as read, links as written (-1 for none).
struct HierarchyNode {
    long long line = 0;
    long long mesh = -1;
    long long parent = -1;
    long long child = -1;
    long long sibling = -1;
    long long children = 0;
    Vec3 position;
    Vec3 angles; // pitch, yaw, roll in degrees
    Vec3 pivot;
    std::string name;

    // Filled by placeHierarchy.
    bool drawn = false;
    Placement placement; // where the node carries its mesh's vertices
};

// Walks the hierarchy the way the game draws it and reports what keeps a node from being drawn
// or placed, each problem at its node's line through problem (which may throw to stop):
// - parent, child and sibling numbers outside -1..nodes - 1 are reported and taken as -1, a
//   negative child count as 0; a parent chain that loops back to a node is reported;
// - drawing starts at node 0 and follows, for each node, its child and numChildren - 1 siblings
//   after it, each drawn the same way; a chain that ends early or leads back to a node drawn
//   already is reported, and so is every node never reached (never drawn).
// Each drawn node gets its placement: the placement of the node that drew it (none for node 0)
// after, on a vertex, its own pivot added, its rotation, its position added and its parent's
// pivot taken away: drawnBy(R(v + pivot) + position - parent's pivot). A mesh's culling sphere
// is centred where its placement carries (0, 0, 0), so rigid placements keep every distance
// from it as the mesh writes it.
//
// Time and memory linear in the number of nodes, whatever the links say.
void placeHierarchy(std::vector<HierarchyNode>& nodes,
                    const std::function<void(long long line, std::string text)>& problem);

} // namespace grondel
