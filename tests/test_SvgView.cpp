// The wireframe picture: which lines a mesh gives, and what the document holds.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>
#include <sstream>

#include "SvgView.h"

namespace {

// A mesh as the plug-in builds it: one host vertex per face corner, and a fan
// of triangles per face.
HostMeshRecord FanMesh(const std::string &name, const std::vector<std::vector<SvgPoint>> &faces) {
  HostMeshRecord mesh{name, {}, {}};
  for (const auto &face : faces) {
    const int first = static_cast<int>(mesh.vertices.size());
    for (const SvgPoint &p : face) mesh.vertices.push_back({p[0], p[1], p[2], 0, 0});
    for (int i = 1; i + 1 < static_cast<int>(face.size()); ++i) {
      mesh.triangles.push_back({first, first + i, first + i + 1});
    }
  }
  return mesh;
}

HostMeshRecord Cube() {
  const SvgPoint c[8] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0},
                         {0, 0, 2}, {2, 0, 2}, {2, 2, 2}, {0, 2, 2}};
  return FanMesh("cube", {{c[0], c[3], c[2], c[1]},
                          {c[4], c[5], c[6], c[7]},
                          {c[0], c[1], c[5], c[4]},
                          {c[1], c[2], c[6], c[5]},
                          {c[2], c[3], c[7], c[6]},
                          {c[3], c[0], c[4], c[7]}});
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct EdgeCase {
  const char *what;
  HostMeshRecord mesh;
  size_t edges;
  size_t leftOut;
};

TEST(SvgView, MeshEdgesDrawsEachLineOnce) {
  const HostMeshRecord bad{"bad", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 3}, {-1, 0, 1}}};
  const HostMeshRecord notANumber{"nan", {{0, 0, 0}, {1, 0, 0}, {kNaN, 1, 0}}, {{0, 1, 2}}};
  const EdgeCase cases[] = {
      {"one triangle", FanMesh("t", {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}), 3, 0},
      // 12 cube edges plus one fan diagonal per face, although no two faces
      // share a vertex index.
      {"cube of quads", Cube(), 18, 0},
      {"quad as two faces",
       FanMesh("q", {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{1, 1, 0}, {0, 1, 0}, {0, 0, 0}}}), 5, 0},
      {"pentagon fan", FanMesh("p", {{{0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {1, 2, 0}, {-1, 1, 0}}}), 7,
       0},
      {"collapsed triangle", FanMesh("c", {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}}), 0, 0},
      {"sliver", FanMesh("s", {{{0, 0, 0}, {1, 0, 0}, {1, 0, 0}}}), 1, 0},
      {"indices outside the mesh", bad, 0, 6},
      {"a coordinate that is not a number", notANumber, 1, 2},
      {"no triangles", HostMeshRecord{"empty", {{1, 2, 3}}, {}}, 0, 0},
  };
  for (const EdgeCase &c : cases) {
    size_t leftOut = 99;
    EXPECT_EQ(MeshEdges(c.mesh, &leftOut).size(), c.edges) << c.what;
    EXPECT_EQ(leftOut, c.leftOut) << c.what;
  }
}

// Counts the "M" segments of every path drawn for a mesh (class "meshI").
size_t SegmentsOf(const std::string &svg, size_t mesh) {
  const std::regex path("<path class=\"mesh" + std::to_string(mesh) + "\"[^>]* d=\"([^\"]*)\"");
  size_t segments = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), path); it != std::sregex_iterator();
       ++it) {
    const std::string d = (*it)[1];
    segments += static_cast<size_t>(std::count(d.begin(), d.end(), 'M'));
  }
  return segments;
}

TEST(SvgView, EveryViewDrawsEveryEdgeNotSeenEndOn) {
  const std::vector<HostMeshRecord> meshes = {Cube(),
                                              FanMesh("wing", {{{5, 0, 0}, {9, 0, 0}, {9, 3, 1}}})};
  std::ostringstream out;
  EXPECT_EQ(WriteSvg(meshes, out), "");
  const std::string svg = out.str();
  // Each orthographic view sees 4 of the cube's 18 edges end-on; the side
  // view sees the wing's edge along X end-on. No segment has length zero.
  EXPECT_EQ(SegmentsOf(svg, 0), 3u * 14u + 18u);
  EXPECT_EQ(SegmentsOf(svg, 1), 4u * 3u - 1u);
  EXPECT_FALSE(std::regex_search(svg, std::regex("M([0-9.-]+ [0-9.-]+)L\\1[ \"]")));
  EXPECT_NE(svg.find("Host model: 2 meshes, 21 edges"), std::string::npos);
  for (const char *text : {"front (", "side (", "top (", "axonometric", ">cube (18 edges)<",
                           ">wing (3 edges)<", " file unit"}) {
    EXPECT_NE(svg.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
}

TEST(SvgView, ScaleBarIsARoundLengthInFileUnits) {
  // The cube spans 2 units; whatever the panel size, the bar reads 1, 2 or 5
  // times a power of ten.
  std::ostringstream out;
  WriteSvg({Cube()}, out);
  std::smatch match;
  const std::string svg = out.str();
  ASSERT_TRUE(std::regex_search(svg, match, std::regex(">([0-9.e+-]+) file units?<")));
  const double units = std::stod(match[1]);
  const double mantissa = units / std::pow(10.0, std::floor(std::log10(units)));
  EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
              std::abs(mantissa - 5) < 1e-9)
      << units;
}

TEST(SvgView, NamesAreEscapedForXml) {
  std::ostringstream out;
  WriteSvg({FanMesh("a<b&\"c\"\x01\xe9", {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}})}, out);
  EXPECT_NE(out.str().find(">a&lt;b&amp;&quot;c&quot;&#xFFFD;&#233; (3 edges)<"),
            std::string::npos);
}

TEST(SvgView, ModelWithoutEdgesStillGivesACompletePicture) {
  const std::vector<std::vector<HostMeshRecord>> models = {
      {},
      {HostMeshRecord{"lonely", {{1, 1, 1}}, {}}},
      {FanMesh("dot", {{{4, 4, 4}, {4, 4, 4}, {4, 4, 4}}})}};
  for (const auto &meshes : models) {
    std::ostringstream out;
    EXPECT_EQ(WriteSvg(meshes, out), "");
    EXPECT_NE(out.str().find("nothing to draw"), std::string::npos);
    EXPECT_EQ(out.str().find("nan"), std::string::npos);
    EXPECT_EQ(out.str().find("inf"), std::string::npos);
  }
}

TEST(SvgView, LeftOutSidesAreReported) {
  std::ostringstream out;
  const std::string warning =
      WriteSvg({HostMeshRecord{"bad", {{0, 0, 0}, {1, 0, 0}}, {{0, 1, 2}}}}, out);
  EXPECT_EQ(warning.rfind("3 triangle sides naming", 0), 0u) << warning;
}

}  // namespace
