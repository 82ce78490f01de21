#include "model3do/model_hierarchy.h"

#include "model3do/model_reader.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace grondel {
namespace {

// sin and cos of an angle in degrees, exact at whole multiples of 90.
std::pair<double, double> sinCos(double degrees) {
    double turn = std::fmod(degrees, 360.0);
    if (turn < 0.0)
        turn += 360.0;
    if (turn == 0.0)
        return {0.0, 1.0};
    if (turn == 90.0)
        return {1.0, 0.0};
    if (turn == 180.0)
        return {0.0, -1.0};
    if (turn == 270.0)
        return {-1.0, 0.0};
    const double radians = turn * std::numbers::pi / 180.0;
    return {std::sin(radians), std::cos(radians)};
}

Placement turn(std::array<Vec3, 3> rows) {
    Placement p;
    p.rotation = rows;
    return p;
}

Vec3 toVec3(const HierarchyNode::Floats& v) {
    return {v[0], v[1], v[2]};
}

Placement shift(Vec3 offset) {
    Placement p;
    p.offset = offset;
    return p;
}

} // namespace

Placement operator*(const Placement& outer, const Placement& inner) {
    Placement p;
    for (std::size_t r = 0; r < 3; ++r) {
        const Vec3 row = outer.rotation[r];
        p.rotation[r] = {dot(row, {inner.rotation[0].x, inner.rotation[1].x, inner.rotation[2].x}),
                         dot(row, {inner.rotation[0].y, inner.rotation[1].y, inner.rotation[2].y}),
                         dot(row, {inner.rotation[0].z, inner.rotation[1].z, inner.rotation[2].z})};
    }
    p.offset = outer(inner.offset);
    return p;
}

Placement rotation(double pitch, double yaw, double roll) {
    const auto [sp, cp] = sinCos(pitch);
    const auto [sy, cy] = sinCos(yaw);
    const auto [sr, cr] = sinCos(roll);
    const Placement z = turn({{{cy, -sy, 0.0}, {sy, cy, 0.0}, {0.0, 0.0, 1.0}}});
    const Placement x = turn({{{1.0, 0.0, 0.0}, {0.0, cp, -sp}, {0.0, sp, cp}}});
    const Placement y = turn({{{cr, 0.0, sr}, {0.0, 1.0, 0.0}, {-sr, 0.0, cr}}});
    return z * x * y;
}

void placeHierarchy(
    std::deque<HierarchyNode>& nodes,
    const std::function<void(long long line, std::string text, bool refused)>& problem) {
    const auto count = static_cast<long long>(nodes.size());
    const auto at = [&nodes](long long k) -> HierarchyNode& {
        return nodes[static_cast<std::size_t>(k)];
    };
    const std::string pastMemory = ": the game reads past its memory there and may crash, so the "
                                   "model is refused";
    for (long long k = 0; k < count; ++k) {
        HierarchyNode& node = at(k);
        for (auto [link, name] :
             {std::pair{&node.parent, "parent"}, std::pair{&node.child, "child"},
              std::pair{&node.sibling, "sibling"}}) {
            if (*link < -1 || *link >= count) {
                problem(node.line,
                        "node " + number(k) + " " + name + " is " + number(*link) +
                            "; the model has " + number(count) + " nodes" + pastMemory,
                        true);
                *link = -1;
            }
        }
        if (node.children < 0) {
            problem(node.line,
                    "node " + number(k) + " has " + number(node.children) +
                        " children: the game takes that as billions and follows its chain "
                        "past its end" +
                        pastMemory,
                    true);
            node.children = 0;
        }
    }

    // Parent chains, which the loader follows from every node: each node is visited once, so a
    // long or looping chain costs no more than a short one.
    enum class State { New, Open, Done };
    std::vector<State> state(nodes.size(), State::New);
    std::vector<long long> path;
    for (long long k = 0; k < count; ++k) {
        path.clear();
        long long node = k;
        while (node != -1 && state[static_cast<std::size_t>(node)] == State::New) {
            state[static_cast<std::size_t>(node)] = State::Open;
            path.push_back(node);
            node = at(node).parent;
        }
        if (node != -1 && state[static_cast<std::size_t>(node)] == State::Open)
            problem(at(node).line,
                    "the parent chain of node " + number(node) +
                        " loops back to it: the game's loader follows it for ever",
                    true);
        for (long long visited : path)
            state[static_cast<std::size_t>(visited)] = State::Done;
    }

    if (nodes.empty())
        return;
    // Drawing from node 0, depth first as the game draws: Open marks the nodes on the way down
    // to the one drawn, which a child chain must not lead back to. A node's placement is made
    // from the one that drew it.
    std::fill(state.begin(), state.end(), State::New);
    const auto place = [&](long long k, const Placement& drawnBy) {
        HierarchyNode& node = at(k);
        node.drawn = true;
        state[static_cast<std::size_t>(k)] = State::Open;
        const Vec3 parentPivot = node.parent == -1 ? Vec3{} : toVec3(at(node.parent).pivot);
        node.placement = drawnBy * shift(toVec3(node.position) - parentPivot) *
                         rotation(node.angles[0], node.angles[1], node.angles[2]) *
                         shift(toVec3(node.pivot));
    };
    struct Drawing {
        long long node;
        long long next;   // the next child to draw
        long long listed; // children drawn so far
    };
    std::vector<Drawing> stack{{0, at(0).child, 0}};
    place(0, Placement{});
    while (!stack.empty()) {
        Drawing& drawing = stack.back();
        const HierarchyNode& node = at(drawing.node);
        if (drawing.listed == node.children) {
            state[static_cast<std::size_t>(drawing.node)] = State::Done;
            stack.pop_back();
            continue;
        }
        const long long child = drawing.next;
        const std::string which =
            child != -1 && state[static_cast<std::size_t>(child)] == State::New
                ? std::string()
                : "node " + number(drawing.node);
        if (child == -1) {
            problem(node.line,
                    which + " has " + number(node.children) +
                        " children but its child and sibling chain ends after " +
                        number(drawing.listed) + pastMemory,
                    true);
        } else if (state[static_cast<std::size_t>(child)] == State::Open) {
            problem(node.line,
                    "the children of " + which + " lead back to node " + number(child) +
                        ", which draws them: the game draws it inside itself for ever",
                    true);
        } else if (state[static_cast<std::size_t>(child)] == State::Done) {
            problem(node.line,
                    "the children of " + which + " lead to node " + number(child) +
                        ", which is drawn already: the game draws it again there",
                    false);
        } else {
            drawing.next = at(child).sibling;
            ++drawing.listed;
            place(child, node.placement);
            stack.push_back({child, at(child).child, 0});
            continue;
        }
        drawing.listed = node.children; // followed no further
    }
    for (long long k = 0; k < count; ++k)
        if (!at(k).drawn)
            problem(at(k).line,
                    "node " + number(k) + " " + quoted(at(k).shownName()) +
                        " cannot be reached from node 0 through child, numChildren and sibling, "
                        "so the game never draws it",
                    false);
}

} // namespace grondel
