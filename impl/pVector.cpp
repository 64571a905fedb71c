#include "pVector.h"

Vec3 Vec3Make(double x, double y, double z) { return Vec3{x, y, z}; }

Vec3 Vec3Add(Vec3 a, Vec3 b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
