#include "SvgView.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>
#include <tuple>

#include "TextFormat.h"

namespace {

// Layout in SVG user units (pixels).
constexpr double kPanel = 360;        // side of one view's square panel
constexpr double kPanelPadding = 24;  // free border inside a panel
constexpr double kHeader = 34;        // title line above the panels
constexpr double kFooter = 44;        // scale bar below the panels
constexpr double kLegendWidth = 240;  // legend column right of the panels
constexpr double kLegendRow = 20;

// A view maps a model point to screen coordinates with y pointing up. The
// rows are orthonormal, so one scale and one scale bar serve every view.
struct View {
  const char* title;
  double right[3];
  double up[3];
};

constexpr double kYaw = 0.6108652381980153;    // 35 degrees
constexpr double kPitch = 0.5235987755982988;  // 30 degrees

const View kViews[4] = {
    {"front (X right, Z up)", {1, 0, 0}, {0, 0, 1}},
    {"side (Y right, Z up)", {0, 1, 0}, {0, 0, 1}},
    {"top (X right, Y up)", {1, 0, 0}, {0, 1, 0}},
    {"axonometric",
     {std::cos(kYaw), std::sin(kYaw), 0},
     {-std::sin(kYaw) * std::sin(kPitch), std::cos(kYaw) * std::sin(kPitch), std::cos(kPitch)}},
};

// Distinct colours for the first meshes; later ones step round the hue circle.
const char* const kPalette[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#8c564b",
                                "#e377c2", "#17becf", "#7f7f7f", "#bcbd22", "#393b79", "#637939"};
constexpr size_t kPaletteSize = sizeof kPalette / sizeof kPalette[0];

struct Screen {
  double x, y;
};

struct Bounds {
  double minX = std::numeric_limits<double>::infinity(), minY = minX;
  double maxX = -minX, maxY = -minX;
  void Add(Screen p) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  bool Empty() const { return minX > maxX; }
};

Screen Project(const View& view, const SvgPoint& p) {
  return {view.right[0] * p[0] + view.right[1] * p[1] + view.right[2] * p[2],
          view.up[0] * p[0] + view.up[1] * p[1] + view.up[2] * p[2]};
}

bool Finite(const SvgPoint& p) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

SvgPoint PositionOf(const HostVertexRecord& v) { return {v.x, v.y, v.z}; }

// Numbers in the document never depend on the C library's locale.
std::string Number(double value) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
  std::string out(text, end.ptr);
  return out == "-0.0" ? "0.0" : out;
}

std::string ScaleLabel(double value) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  return std::string(text, end.ptr);
}

// Mesh names are 8-bit text of unknown code page: bytes above 127 are shown
// as the Latin-1 characters they would be, control bytes (which XML cannot
// hold at all) as the replacement character.
std::string XmlText(const std::string& text) {
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '"')
      out += "&quot;";
    else if (byte < 32 || byte == 127)
      out += "&#xFFFD;";
    else if (byte > 127)
      out += "&#" + std::to_string(byte) + ";";
    else
      out += c;
  }
  return out;
}

std::string MeshColour(size_t index) {
  if (index < kPaletteSize) return kPalette[index];
  const long hue = static_cast<long>((index * 137) % 360);  // golden angle steps
  return "hsl(" + std::to_string(hue) + ",65%,40%)";
}

}  // namespace

std::vector<SvgEdge> MeshEdges(const HostMeshRecord& mesh, size_t* leftOut) {
  using Key = std::tuple<float, float, float, float, float, float>;
  std::set<Key> seen;
  std::vector<SvgEdge> edges;
  size_t skipped = 0;
  const auto count = static_cast<int>(mesh.vertices.size());
  for (const HostTriangleRecord& t : mesh.triangles) {
    const int corners[3] = {t.a, t.b, t.c};
    if (std::any_of(corners, corners + 3, [count](int i) { return i < 0 || i >= count; })) {
      skipped += 3;
      continue;
    }
    for (int side = 0; side < 3; ++side) {
      SvgPoint a = PositionOf(mesh.vertices[static_cast<size_t>(corners[side])]);
      SvgPoint b = PositionOf(mesh.vertices[static_cast<size_t>(corners[(side + 1) % 3])]);
      if (!Finite(a) || !Finite(b)) {
        ++skipped;
        continue;
      }
      if (b < a) std::swap(a, b);
      if (a == b) continue;  // a point, not a line: nothing to draw or report
      if (seen.insert({a[0], a[1], a[2], b[0], b[1], b[2]}).second) edges.push_back({a, b});
    }
  }
  if (leftOut) *leftOut = skipped;
  return edges;
}

namespace {

struct Picture {
  std::vector<std::vector<SvgEdge>> edges;  // per mesh
  Bounds bounds[4];                         // per view, model units
  double scale = 1;                         // pixels per model unit
  size_t edgeCount = 0;
  size_t leftOut = 0;
};

// One scale for all views: the largest at which every view fits its panel.
double CommonScale(const Bounds (&bounds)[4]) {
  constexpr double kInner = kPanel - 2 * kPanelPadding;
  double scale = std::numeric_limits<double>::infinity();
  for (const Bounds& b : bounds) {
    if (b.Empty()) continue;
    const double extent = std::max(b.maxX - b.minX, b.maxY - b.minY);
    if (extent > 0) scale = std::min(scale, kInner / extent);
  }
  return std::isfinite(scale) ? scale : 1.0;
}

Picture Prepare(const std::vector<HostMeshRecord>& meshes) {
  Picture picture;
  for (const HostMeshRecord& mesh : meshes) {
    size_t leftOut = 0;
    picture.edges.push_back(MeshEdges(mesh, &leftOut));
    picture.leftOut += leftOut;
    picture.edgeCount += picture.edges.back().size();
    for (const SvgEdge& e : picture.edges.back()) {
      for (int v = 0; v < 4; ++v) {
        picture.bounds[v].Add(Project(kViews[v], e.a));
        picture.bounds[v].Add(Project(kViews[v], e.b));
      }
    }
  }
  picture.scale = CommonScale(picture.bounds);
  return picture;
}

// Writes one mesh's edges in one view as a single path, or nothing when no
// edge shows as a line there; the view's model bounds are centred in the
// panel whose top left corner is (left, top).
void WritePath(const Picture& picture, size_t mesh, int view, double left, double top,
               std::ostream& out) {
  const Bounds& b = picture.bounds[view];
  const double centreX = left + kPanel / 2, centreY = top + kPanel / 2;
  const double midX = (b.minX + b.maxX) / 2, midY = (b.minY + b.maxY) / 2;
  auto point = [&](const SvgPoint& p) {
    const Screen s = Project(kViews[view], p);
    return Number(centreX + (s.x - midX) * picture.scale) + ' ' +
           Number(centreY - (s.y - midY) * picture.scale);
  };
  std::string segments;
  for (const SvgEdge& e : picture.edges[mesh]) {
    const std::string from = point(e.a), to = point(e.b);
    // An edge seen end-on, or shorter than the drawing's resolution, would
    // be a segment of length zero: nothing to see, so nothing is drawn.
    if (from == to) continue;
    segments += (segments.empty() ? "M" : " M") + from + 'L' + to;
  }
  if (segments.empty()) return;
  out << "<path class=\"mesh" << mesh << "\" stroke=\"" << MeshColour(mesh) << "\" d=\"" << segments
      << "\"/>\n";
}

void WriteView(const Picture& picture, int view, std::ostream& out) {
  const double left = (view % 2) * kPanel, top = kHeader + (view / 2) * kPanel;
  out << "<g class=\"view\">\n<rect x=\"" << Number(left + 4) << "\" y=\"" << Number(top + 4)
      << "\" width=\"" << Number(kPanel - 8) << "\" height=\"" << Number(kPanel - 8)
      << "\" fill=\"#fafafa\" stroke=\"#cccccc\"/>\n";
  out << "<text x=\"" << Number(left + 12) << "\" y=\"" << Number(top + 20) << "\">"
      << kViews[view].title << "</text>\n";
  if (picture.edgeCount == 0) {
    out << "<text x=\"" << Number(left + kPanel / 2) << "\" y=\"" << Number(top + kPanel / 2)
        << "\" text-anchor=\"middle\" fill=\"#888888\">nothing to draw</text>\n";
  }
  out << "<g fill=\"none\" stroke-width=\"1\" stroke-linejoin=\"round\">\n";
  for (size_t mesh = 0; mesh < picture.edges.size(); ++mesh) {
    if (!picture.edges[mesh].empty()) WritePath(picture, mesh, view, left, top, out);
  }
  out << "</g>\n</g>\n";
}

void WriteLegend(const std::vector<HostMeshRecord>& meshes, const Picture& picture,
                 std::ostream& out) {
  const double left = 2 * kPanel + 16;
  out << "<g class=\"legend\">\n<text x=\"" << Number(left) << "\" y=\"" << Number(kHeader + 20)
      << "\" font-weight=\"bold\">Meshes</text>\n";
  for (size_t i = 0; i < meshes.size(); ++i) {
    const double y = kHeader + 30 + static_cast<double>(i) * kLegendRow;
    out << "<rect x=\"" << Number(left) << "\" y=\"" << Number(y) << "\" width=\"14\" height=\"14\""
        << " fill=\"" << MeshColour(i) << "\"/>\n<text x=\"" << Number(left + 20) << "\" y=\""
        << Number(y + 12) << "\">" << XmlText(meshes[i].name) << " ("
        << Counted(picture.edges[i].size(), "edge", "edges") << ")</text>\n";
  }
  out << "</g>\n";
}

// The largest length of 1, 2 or 5 times a power of ten that is drawn no
// longer than a quarter of a panel.
double ScaleBarLength(double scale) {
  const double most = kPanel / 4 / scale;
  const double power = std::pow(10.0, std::floor(std::log10(most)));
  for (double step : {5.0, 2.0, 1.0}) {
    if (step * power <= most) return step * power;
  }
  return power;
}

void WriteScaleBar(const Picture& picture, double bottom, std::ostream& out) {
  const double units = ScaleBarLength(picture.scale);
  const double x0 = 16, x1 = x0 + units * picture.scale, y = bottom - 16;
  out << "<g class=\"scale\" stroke=\"#000000\">\n<path d=\"M" << Number(x0) << ' ' << Number(y)
      << 'L' << Number(x1) << ' ' << Number(y) << 'M' << Number(x0) << ' ' << Number(y - 5) << 'L'
      << Number(x0) << ' ' << Number(y + 5) << 'M' << Number(x1) << ' ' << Number(y - 5) << 'L'
      << Number(x1) << ' ' << Number(y + 5) << "\"/>\n";
  out << "<text stroke=\"none\" x=\"" << Number(x1 + 8) << "\" y=\"" << Number(y + 4) << "\">"
      << ScaleLabel(units) << (units == 1 ? " file unit" : " file units") << "</text>\n</g>\n";
}

}  // namespace

std::string WriteSvg(const std::vector<HostMeshRecord>& meshes, std::ostream& out) {
  const Picture picture = Prepare(meshes);
  const double legendHeight = 30 + static_cast<double>(meshes.size()) * kLegendRow;
  const double width = 2 * kPanel + kLegendWidth;
  const double height = kHeader + std::max(2 * kPanel, legendHeight) + kFooter;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Number(width) << "\" height=\""
      << Number(height) << "\" viewBox=\"0 0 " << Number(width) << ' ' << Number(height)
      << "\" font-family=\"sans-serif\" font-size=\"13\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
      << "<text x=\"16\" y=\"22\" font-size=\"16\" font-weight=\"bold\">Host model: "
      << Counted(meshes.size(), "mesh", "meshes") << ", "
      << Counted(picture.edgeCount, "edge", "edges") << "</text>\n";
  for (int view = 0; view < 4; ++view) WriteView(picture, view, out);
  WriteLegend(meshes, picture, out);
  WriteScaleBar(picture, height, out);
  out << "</svg>\n";
  if (picture.leftOut == 0) return "";
  return Counted(picture.leftOut, "triangle side", "triangle sides") +
         " naming a vertex outside their mesh or a coordinate that is not a "
         "number left out";
}
