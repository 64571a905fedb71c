// The host model as a wireframe picture in SVG: three orthographic views
// (front, side, top) and one axonometric view at one common scale, each mesh
// in its own colour, with a legend of mesh names and a scale bar in the
// file's units. Written by hand: the picture needs no library.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "ImportRecord.h"

/// A point in model space, as the host stores it.
using SvgPoint = std::array<float, 3>;

/// One straight line of the wireframe, between two different positions.
struct SvgEdge {
  SvgPoint a;  ///< One end.
  SvgPoint b;  ///< The other end.
};

/// The lines that draw a mesh's triangles, each once: the host keeps one
/// vertex per face corner, so neighbouring faces share positions rather than
/// vertex indices, and an edge is known by its two end positions in either
/// order. In order of first appearance. Triangles naming a vertex outside the
/// mesh and sides with a coordinate that is not a finite number are left out
/// and counted in `leftOut` when it is given; sides whose ends coincide are
/// points, not lines, and are left out without a count.
std::vector<SvgEdge> MeshEdges(const HostMeshRecord& mesh, size_t* leftOut = nullptr);

/// Writes the picture of `meshes` as a complete SVG document. Every mesh is
/// drawn in each of the four views as one path of "M x y L x y" segments,
/// one segment per edge of MeshEdges, except the edges seen end-on in that
/// view, which would be segments of length zero. Returns a warning for the user (how
/// many triangle sides were left out), or "" when everything was drawn.
std::string WriteSvg(const std::vector<HostMeshRecord>& meshes, std::ostream& out);
