#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace grondel {

// A point or direction in model space, in double precision.
struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    friend bool operator==(const Vec3&, const Vec3&) = default;
};

constexpr Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Vec3& operator+=(Vec3& a, Vec3 b) {
    return a = a + b;
}
constexpr Vec3 operator*(Vec3 a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}
constexpr double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 v) {
    return std::sqrt(dot(v, v));
}
inline double distance(Vec3 a, Vec3 b) {
    return length(b - a);
}
// v scaled to length 1. The caller makes sure v is not the zero vector.
inline Vec3 unit(Vec3 v) {
    const double l = length(v);
    return {v.x / l, v.y / l, v.z / l};
}

// The smallest box holding every point added: empty until the first.
struct Box {
    Vec3 low{kFar, kFar, kFar};
    Vec3 high{-kFar, -kFar, -kFar};

    void add(Vec3 p) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    bool empty() const { return low.x > high.x; }
    Vec3 middle() const { return (low + high) * 0.5; }
    // The longest side, 0 when empty.
    double extent() const {
        return empty() ? 0.0 : std::max({high.x - low.x, high.y - low.y, high.z - low.z});
    }

private:
    static constexpr double kFar = std::numeric_limits<double>::max();
};

} // namespace grondel
