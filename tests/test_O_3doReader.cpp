// Reading 3DO files: what the reader keeps, what it passes over, and the
// exact message of every malformed input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <typeinfo>

#include "Errors.h"
#include "O_3do.h"

namespace {

std::string DataPath(const std::string& name) { return std::string(KELVADO_DATA_DIR) + "/" + name; }

struct ErrorCase {
  const char* file;
  const char* errorClass;  // the class name as the type reports it
  std::string message;
};

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.file; }

std::string ErrorClassName(const Exception& error) {
  if (dynamic_cast<const EParserError*>(&error)) return "EParserError";
  if (dynamic_cast<const EConvertError*>(&error)) return "EConvertError";
  if (dynamic_cast<const EStringListError*>(&error)) return "EStringListError";
  if (dynamic_cast<const EListError*>(&error)) return "EListError";
  if (dynamic_cast<const EFOpenError*>(&error)) return "EFOpenError";
  return "Exception";
}

class MalformedFile : public testing::TestWithParam<ErrorCase> {};

TEST_P(MalformedFile, FailsWithTheExactMessage) {
  const ErrorCase& c = GetParam();
  T3DOModel model;
  try {
    model.LoadFromFile(DataPath(c.file));
    FAIL() << c.file << " was read without error";
  } catch (const Exception& error) {
    EXPECT_EQ(ErrorClassName(error), c.errorClass) << c.file;
    EXPECT_EQ(error.Message(), c.message) << c.file;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Reader, MalformedFile,
    testing::Values(
        ErrorCase{"empty.3do", "EParserError", "Token 'MATERIALS' not found"},
        ErrorCase{"nul_first.3do", "EParserError", "Token 'MATERIALS' not found"},
        ErrorCase{"utf16.3do", "EParserError", "Token 'MATERIALS' not found"},
        ErrorCase{"no_hierarchy.3do", "EParserError", "Token 'HIERARCHY NODES' not found"},
        ErrorCase{"z_line_break.3do", "EConvertError", "'0\n' is not a valid floating point value"},
        ErrorCase{"mesh_order.3do", "EParserError", "Token 'MESH 1' not found"},
        ErrorCase{"corner_space_before_comma.3do", "EConvertError",
                  "'0 ' is not a valid integer value"},
        ErrorCase{"corner_vertex_minus_one.3do", "EListError", "Vertex Index is out of bounds: -1"},
        ErrorCase{"corner_vertex_out_of_range.3do", "EListError",
                  "Vertex Index is out of bounds: 3"},
        ErrorCase{"corner_texture_out_of_range.3do", "EListError",
                  "Texture Vertex Index is out of bounds: 1"},
        ErrorCase{"material_minus_one.3do", "EStringListError", "List index out of bounds (-1)"},
        ErrorCase{"tab_in_field.3do", "EConvertError",
                  "'0\t0' is not a valid floating point value"},
        ErrorCase{"name_at_end.3do", "EParserError", "Chars not found"},
        ErrorCase{"comment_after_field.3do", "EConvertError",
                  "'0\n' is not a valid floating point value"},
        ErrorCase{"comment_at_end.3do", "EParserError", "Chars not found"},
        ErrorCase{"huge_face_count.3do", "EParserError", "Token '1:' not found"},
        ErrorCase{"huge_corner_count.3do", "EParserError", "Chars not found"},
        ErrorCase{"mesh_index_out_of_range.3do", "EListError", "Mesh Index is out of bounds: 1"},
        ErrorCase{"untextured_bad_index.3do", "EConvertError",
                  "'0.5' is not a valid integer value"}));

T3DOModel* Load(T3DOModel& model, const char* file) {
  model.LoadFromFile(DataPath(file));
  return &model;
}

TEST(Reader, KeepsOneVertexAndTextureVertexPerCorner) {
  T3DOModel model;
  Load(model, "shared_vertices.3do");
  ASSERT_EQ(model.Meshes.Count(), 1);
  T3DMesh* mesh = model.Meshes.Items(0);
  ASSERT_EQ(mesh->Vertices.Count(), 6);
  ASSERT_EQ(mesh->TXVertices.Count(), 6);
  // File vertex 0 opens both faces: two objects, equal positions.
  TVertex* first = mesh->Surfaces.Items(0)->Vertices.Items(0);
  TVertex* second = mesh->Surfaces.Items(1)->Vertices.Items(0);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->X, second->X);
  // The face's corners are the mesh's own objects, in corner order.
  EXPECT_EQ(mesh->Vertices.IndexOf(first), 0);
  EXPECT_EQ(mesh->Vertices.IndexOf(second), 3);
  EXPECT_EQ(mesh->Vertices.Items(4)->Y, 1.0);
}

TEST(Reader, ReadsMaterialsNamesAndFaceFields) {
  T3DOModel model;
  Load(model, "duplicate_materials.3do");
  ASSERT_EQ(model.Materials.Count(), 2);
  EXPECT_EQ(model.Materials.Strings(0), "same.mat");
  EXPECT_EQ(model.Materials.Strings(1), "same.mat");
  TSurface* face = model.Meshes.Items(0)->Surfaces.Items(0);
  EXPECT_EQ(face->Material, "same.mat");
  EXPECT_EQ(face->FaceType, 0);
  EXPECT_EQ(model.Meshes.Items(0)->Name, "m");
}

TEST(Reader, CountsOfZeroOrBelowReadNoEntries) {
  T3DOModel negative;
  Load(negative, "negative_counts.3do");
  EXPECT_EQ(negative.Materials.Count(), 0);
  EXPECT_EQ(negative.Meshes.Count(), 0);
  EXPECT_EQ(negative.Nodes.Count(), 0);

  T3DOModel materialsOnly;
  Load(materialsOnly, "materials_only.3do");
  EXPECT_EQ(materialsOnly.Materials.Count(), 2);
  EXPECT_EQ(materialsOnly.Meshes.Count(), 0);
}

TEST(Reader, MeshWithoutFacesHasNoCorners) {
  T3DOModel model;
  Load(model, "no_faces.3do");
  ASSERT_EQ(model.Meshes.Count(), 1);
  EXPECT_EQ(model.Meshes.Items(0)->Vertices.Count(), 0);
  EXPECT_EQ(model.Meshes.Items(0)->TXVertices.Count(), 0);
  EXPECT_EQ(model.Meshes.Items(0)->Surfaces.Count(), 0);
}

TEST(Reader, FindsKeywordsInAnyLetterCase) {
  T3DOModel model;
  Load(model, "lower_case.3do");
  ASSERT_EQ(model.Meshes.Count(), 1);
  EXPECT_EQ(model.Meshes.Items(0)->Vertices.Count(), 3);
}

TEST(Reader, CornersOfAnUntexturedMeshGetTheOrigin) {
  T3DOModel model;
  Load(model, "untextured.3do");
  ASSERT_EQ(model.Meshes.Count(), 2);
  // The textured mesh beside it keeps its own coordinates.
  TTXVertexList& tail = model.Meshes.Items(0)->TXVertices;
  ASSERT_EQ(tail.Count(), 3);
  EXPECT_EQ(tail.Items(2)->U, 48.0);
  EXPECT_EQ(tail.Items(2)->V, 8.0);
  // Every corner of the glow mesh, the one naming texture vertex 7 too.
  TTXVertexList& glow = model.Meshes.Items(1)->TXVertices;
  ASSERT_EQ(glow.Count(), 6);
  ASSERT_EQ(model.Meshes.Items(1)->Vertices.Count(), 6);
  for (int i = 0; i < glow.Count(); ++i) {
    EXPECT_EQ(glow.Items(i)->U, 0.0) << i;
    EXPECT_EQ(glow.Items(i)->V, 0.0) << i;
  }
}

struct VersionCase {
  const char* name;
  const char* beforeMaterials;  // where the version line normally stands
  const char* afterMaterials;
  const char* facePrelude;     // the fields between face type and corner count
  const char* firstLine = "";  // at the text's first byte, where the scanner sees no comment
};

void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.name; }

class VersionLine : public testing::TestWithParam<VersionCase> {};

// Each case's face has exactly the fields its version has, so reading three
// corners proves the right number of fields was passed over; a colour value
// of 0 taken for the corner count would read none.
TEST_P(VersionLine, DecidesTheFieldsBeforeTheCornerCount) {
  const VersionCase& c = GetParam();
  std::string text = std::string(c.firstLine) + "\n" + c.beforeMaterials +
                     "MATERIALS 1\n 0: a.mat\n" + c.afterMaterials +
                     "MESHES 1\nMESH 0\nNAME m\nVERTICES 3\n 0: 0 0 0 0\n 1: 1 0 0 0\n"
                     " 2: 0 1 0 0\nTEXTURE VERTICES 1\n 0: 0 0\nFACES 1\n 0: 0 0x0000 4 3 3 " +
                     c.facePrelude + " 3 0,0 1,0 2,0\nHIERARCHY NODES 0\n";
  T3DOModel model;
  ASSERT_NO_THROW(model.ParseText(text)) << text;
  ASSERT_EQ(model.Meshes.Count(), 1);
  EXPECT_EQ(model.Meshes.Items(0)->Vertices.Count(), 3);
  EXPECT_EQ(model.Meshes.Items(0)->Vertices.Items(1)->X, 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, VersionLine,
    testing::Values(VersionCase{"NoVersionLine", "", "", "0.000000"},
                    VersionCase{"Version21", "3DO 2.1\n", "", "0.000000"},
                    VersionCase{"Version22", "SECTION: HEADER\n\n3DO 2.2\n\n", "", "0 0 0"},
                    VersionCase{"Version23", "3DO 2.3\n", "", "0 0.5 0 1"},
                    VersionCase{"TabAndCrLf", "3do\t2.2\r\n", "", "0.0 0.0 0.0"},
                    VersionCase{"IndentedLine", " \t3DO 2.3\n", "", "0 0.5 0 1"},
                    VersionCase{"CommentRightAfterTheVersion", "3DO 2.2# by hand\n", "", "0 0 0"},
                    VersionCase{"NoBlankAfter3DO", "3DO2.2\n", "", "0"},
                    VersionCase{"UnknownVersion", "3DO 2.4\n", "", "0"},
                    VersionCase{"VersionNotAWord", "3DO 2.20\n", "", "0"},
                    VersionCase{"InsideAComment", "# 3DO 2.2\n", "", "0"},
                    VersionCase{"InsideAFileName", "MODEL 'ship.3DO 2.2'\n", "", "0"},
                    VersionCase{"AfterTheMaterials", "", "3DO 2.3\n", "0"},
                    VersionCase{"FirstNameThenLine", "MODEL 'ship.3do'\n3DO 2.2\n", "", "0 0 0"},
                    VersionCase{"FirstLineCommentSays3do", "3DO 2.2\n", "", "0 0 0",
                                "# 3DO model written by hand"},
                    VersionCase{"FirstLineCommentNamesA3doFolder", "3DO 2.2\n", "", "0 0 0",
                                "# MODEL C:\\My 3DO Files\\ship.3do"},
                    VersionCase{"FirstLineCommentNamesAnotherVersion", "3DO 2.1\n", "", "0.000000",
                                "# 3DO 2.2 model, saved back as 2.1"}),
    [](const testing::TestParamInfo<VersionCase>& info) { return info.param.name; });

// A file of many pages: the reader gives back the pages behind each mesh
// while it reads (a read of one of them would fault), and the model equals
// the one read from the same text in one piece.
TEST(Reader, LargeFileReadsTheSameWhilePassedTextIsGivenBack) {
  const std::string padding = "# " + std::string(5000, '-') + "\n";
  std::string text = "MATERIALS 1\n 0: a.mat\nMESHES 6\n";
  for (int mesh = 0; mesh < 6; ++mesh) {
    text += padding + "MESH " + std::to_string(mesh) + "\nNAME m" + std::to_string(mesh) +
            "\nVERTICES 3\n 0: 0 0 0 0\n 1: " + std::to_string(mesh) +
            " 0 0 0\n 2: 0 1 0 0\nTEXTURE VERTICES 1\n 0: 8 9\nFACES 1\n" + padding +
            " 0: 0 0x0000 4 3 3 0 3 0,0 1,0 2,0\n";
  }
  text += padding + "HIERARCHY NODES 1\n 0: 0x0000 0x00001 5 -1 -1 -1 0 1 2 3 0 0 90 0 0 0 n\n";
  const std::string path = testing::TempDir() + "kelvado_large_reader_test.3do";
  {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }
  T3DOModel fromFile;
  fromFile.LoadFromFile(path);
  std::remove(path.c_str());
  T3DOModel fromText;
  fromText.ParseText(text);
  ASSERT_EQ(fromFile.Meshes.Count(), 6);
  for (int mesh = 0; mesh < 6; ++mesh) {
    TVertexList& a = fromFile.Meshes.Items(mesh)->Vertices;
    TVertexList& b = fromText.Meshes.Items(mesh)->Vertices;
    ASSERT_EQ(a.Count(), 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(a.Items(i)->X, b.Items(i)->X) << mesh;
      EXPECT_EQ(a.Items(i)->Y, b.Items(i)->Y) << mesh;
      EXPECT_EQ(a.Items(i)->Z, b.Items(i)->Z) << mesh;
    }
  }
  EXPECT_EQ(fromFile.Meshes.Items(5)->Name, "m5");
}

// Files around a page boundary: whole pages are read into memory, other
// sizes mapped with the NUL written past the file's end in the last page.
// Either way a file reads exactly as its text does, also when its last page
// starts or ends inside a field.
struct PageEdgeCase {
  const char* name;
  size_t size;       // of the whole file
  bool endsInField;  // no line break after the last node's name
};

void PrintTo(const PageEdgeCase& c, std::ostream* out) { *out << c.name; }

class PageEdge : public testing::TestWithParam<PageEdgeCase> {};

// A one-mesh model padded by a comment to `size` bytes, whose last field,
// the node's name, runs to the end of the file or to its final line break.
std::string PaddedModel(const PageEdgeCase& c) {
  const std::string head =
      "MATERIALS 1\n 0: a.mat\nMESHES 1\nMESH 0\nNAME m\nVERTICES 3\n 0: 0 0 0 0\n 1: 1 0 0 0\n"
      " 2: 0 1 0 0\nTEXTURE VERTICES 1\n 0: 8 9\nFACES 1\n 0: 0 0x0000 4 3 3 0 3 0,0 1,0 2,0\n#";
  const std::string node =
      "\nHIERARCHY NODES 1\n 0: 0x0000 0x00001 0 -1 -1 -1 0 1 2 3 0 0 90 0 0 0 ";
  const std::string ending = c.endsInField ? "" : "\n";
  const std::string name(12, 'n');
  std::string text = head;
  text.append(c.size - head.size() - node.size() - name.size() - ending.size(), '-');
  text += node;
  text += name;
  text += ending;
  return text;
}

// What a read gives, as one text: the error's message, or the mesh's
// corners and the node's name.
std::string Outcome(const std::function<void(T3DOModel&)>& read) {
  T3DOModel model;
  try {
    read(model);
  } catch (const Exception& error) {
    return error.Message();
  }
  std::string outcome = model.Nodes.Items(0)->Name;
  const TVertexList& corners = model.Meshes.Items(0)->Vertices;
  for (int i = 0; i < corners.Count(); ++i) {
    char corner[96];
    std::snprintf(corner, sizeof corner, " %.17g,%.17g,%.17g", corners.Items(i)->X,
                  corners.Items(i)->Y, corners.Items(i)->Z);
    outcome += corner;
  }
  return outcome;
}

TEST_P(PageEdge, FileReadsAsItsText) {
  const PageEdgeCase& c = GetParam();
  const std::string text = PaddedModel(c);
  ASSERT_EQ(text.size(), c.size);
  const std::string path = testing::TempDir() + "kelvado_page_edge_" + c.name + ".3do";
  {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }
  const std::string fromFile = Outcome([&](T3DOModel& model) { model.LoadFromFile(path); });
  std::remove(path.c_str());
  EXPECT_EQ(fromFile, Outcome([&](T3DOModel& model) { model.ParseText(text); }));
  EXPECT_EQ(fromFile.rfind(c.endsInField ? "Chars not found" : std::string(12, 'n'), 0), 0u)
      << fromFile;
}

INSTANTIATE_TEST_SUITE_P(Reader, PageEdge,
                         testing::Values(PageEdgeCase{"WholePages", 8192, false},
                                         PageEdgeCase{"WholePagesEndingInAField", 8192, true},
                                         PageEdgeCase{"LastPageStartsInAField", 8192 + 5, false},
                                         PageEdgeCase{"LastPageEndsInAField", 8192 + 5, true},
                                         PageEdgeCase{"OnePageEndingInAField", 4000, true}),
                         [](const testing::TestParamInfo<PageEdgeCase>& info) {
                           return info.param.name;
                         });

TEST(Reader, ReadsOnlyTheFirstMeshesSection) {
  T3DOModel model;
  Load(model, "two_meshes_sections.3do");
  ASSERT_EQ(model.Meshes.Count(), 1);
  EXPECT_EQ(model.Meshes.Items(0)->Name, "first");
  ASSERT_EQ(model.Nodes.Count(), 1);
  EXPECT_EQ(model.Nodes.Items(0)->Name, "node");
}

TEST(Reader, ReadsEveryCornerSeparatorForm) {
  // "0,0", "1, 1", "2,  0" and "0,-1": the minus before a texture index is
  // passed over with the separator, so it names texture vertex 1.
  T3DOModel model;
  Load(model, "corner_forms.3do");
  TTXVertexList& tx = model.Meshes.Items(0)->TXVertices;
  ASSERT_EQ(tx.Count(), 4);
  EXPECT_EQ(tx.Items(0)->U, 0.0);
  EXPECT_EQ(tx.Items(1)->U, 10.0);
  EXPECT_EQ(tx.Items(2)->U, 0.0);
  EXPECT_EQ(tx.Items(3)->U, 10.0);
  EXPECT_EQ(tx.Items(3)->V, 20.0);
}

TEST(Reader, SpaceFollowedByTabsSeparatesFields) {
  T3DOModel model;
  Load(model, "space_then_tabs.3do");
  EXPECT_EQ(model.Meshes.Items(0)->Vertices.Count(), 3);
}

TEST(Reader, CommentsAfterCountsAndAtTheFirstByteAreHarmless) {
  T3DOModel model;
  Load(model, "comment_after_count.3do");
  ASSERT_EQ(model.Materials.Count(), 1);
  EXPECT_EQ(model.Materials.Strings(0), "a.mat");
}

TEST(Reader, KeepsWhatWasAppendedBeforeAnError) {
  // The face fails: the model keeps its material; the half-read mesh and
  // face are freed (the sanitizers check that nothing leaks).
  T3DOModel model;
  EXPECT_THROW(Load(model, "corner_vertex_out_of_range.3do"), EListError);
  EXPECT_EQ(model.Materials.Count(), 1);
  EXPECT_EQ(model.Meshes.Count(), 0);
}

TEST(Reader, FileThatCannotBeOpenedNamesItsFullPath) {
  for (const char* name : {"no_such_file.3do", ""}) {
    T3DOModel model;
    std::string path = name[0] ? DataPath(name) : std::string(KELVADO_DATA_DIR);
    try {
      model.LoadFromFile(path);
      FAIL() << path;
    } catch (const EFOpenError& error) {
      std::string prefix = "Cannot open file \"";
      EXPECT_EQ(error.Message().rfind(prefix, 0), 0u) << error.Message();
      EXPECT_NE(error.Message().find(name[0] ? name : "data\"", prefix.size()), std::string::npos)
          << error.Message();
      char last = error.Message().back();
      EXPECT_TRUE(last != '.' && last != '\n' && last != '\r') << error.Message();
      EXPECT_GT(error.Message().size(), path.size() + prefix.size() + 3);
    }
  }
}

#ifndef _WIN32
// The message names a full path of up to 1,023 characters; a longer one is
// named as given. (The Windows call takes no name past MAX_PATH at all.)
TEST(Reader, FullPathUpTo1023CharactersIsNamedInTheMessage) {
  const std::string folder = std::filesystem::current_path().string() + "/";
  for (size_t fullLength : {1022, 1023, 1024}) {
    std::string name;
    while (folder.size() + name.size() < fullLength) name += name.size() % 100 == 99 ? '/' : 'n';
    name.back() = 'x';
    ASSERT_EQ((folder + name).size(), fullLength);
    const std::string named = fullLength <= 1023 ? folder + name : name;
    T3DOModel model;
    try {
      model.LoadFromFile(name);
      FAIL() << name;
    } catch (const EFOpenError& error) {
      EXPECT_EQ(error.Message().rfind("Cannot open file \"" + named + "\". ", 0), 0u)
          << fullLength << ": " << error.Message();
    }
  }
}
#endif

struct Point {
  double x, y, z;
};

void ExpectNear(const TVertex* v, Point p, const std::string& where) {
  EXPECT_NEAR(v->X, p.x, 1e-6) << where;
  EXPECT_NEAR(v->Y, p.y, 1e-6) << where;
  EXPECT_NEAR(v->Z, p.z, 1e-6) << where;
}

TEST(Reader, PlacesARealisticModelThroughItsHierarchy) {
  T3DOModel model;
  Load(model, "walker.3do");
  ASSERT_EQ(model.Materials.Count(), 3);
  ASSERT_EQ(model.Meshes.Count(), 3);
  ASSERT_EQ(model.Nodes.Count(), 4);
  EXPECT_EQ(model.Nodes.Items(3)->Name, "foot");
  EXPECT_EQ(model.Meshes.Items(1)->Surfaces.Items(0)->Material, "trim.mat");
  // body: turned 90 degrees about z, lifted by the root.
  TVertexList& body = model.Meshes.Items(0)->Vertices;
  ExpectNear(body.Items(1), {0, 1, 1}, "body 1");
  ExpectNear(body.Items(3), {-1, 0, 1}, "body 3");
  // leg: 90 degrees about x at (1, 0, 0) under the body.
  TVertexList& leg = model.Meshes.Items(1)->Vertices;
  ExpectNear(leg.Items(0), {0, 1, 1}, "leg 0");
  ExpectNear(leg.Items(1), {-1, 1, 1}, "leg 1");
  // foot: its own pivot and position, then the leg's, the body's and the root's.
  TVertexList& foot = model.Meshes.Items(2)->Vertices;
  ExpectNear(foot.Items(0), {-1, 1.5, 1}, "foot 0");
  ExpectNear(foot.Items(1), {-1, 2.5, 1}, "foot 1");
  ExpectNear(foot.Items(2), {-1, 1.5, 2}, "foot 2");
  EXPECT_EQ(model.Meshes.Items(0)->TXVertices.Items(2)->V, 128.0);
}

}  // namespace
