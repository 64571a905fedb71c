// Reading a 3DO text into a T3DOModel. The reader does not tokenise the file:
// it searches forward for the keywords and index labels it needs and reads a
// fixed sequence of fields after each, passing over all other text.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "NumberConversion.h"
#include "O_3do.h"
#include "O_parser.h"
#include "WholeFile.h"

namespace {

const TCharSet kSpaceOnly = MakeCharSet(" ");
const TCharSet kSpaceOrLineBreak = MakeCharSet("\n\r ");
const TCharSet kCommaOnly = MakeCharSet(",");
const TCharSet kDigitOrPoint = MakeCharSet(".0123456789");

// A 2.1 face entry holds geometry, lighting and texture modes and one
// extralight value before its corner count. Later versions write a colour in
// place of that one value: R G B in 2.2, R G B A in 2.3.
constexpr int kFacePreludeFields21 = 4;
constexpr int kFacePreludeFields22 = kFacePreludeFields21 + 2;
constexpr int kFacePreludeFields23 = kFacePreludeFields21 + 3;

bool IsLineBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// A version number such as "2.1": digits, a point, digits.
bool IsVersionNumber(std::string_view word) {
  const size_t point = word.find('.');
  if (point == 0 || point == std::string_view::npos || point + 1 == word.size()) return false;
  return word.find_first_not_of("0123456789.") == std::string_view::npos &&
         word.find('.', point + 1) == std::string_view::npos;
}

// The version of a header line that begins at `p` ("3DO", blanks, then the
// version as a whole word), or empty when the line is none.
std::string_view VersionOfLine(const char* p, const char* end) {
  while (p < end && IsLineBlank(*p)) ++p;
  constexpr std::string_view kHeaderWord = "3DO";
  if (end - p <= static_cast<ptrdiff_t>(kHeaderWord.size())) return {};
  // Letter case is folded for ASCII letters alone, as the scanner does.
  for (char expected : kHeaderWord) {
    const char c = *p++;
    if ((c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c) != expected) return {};
  }
  if (!IsLineBlank(*p)) return {};
  while (p < end && IsLineBlank(*p)) ++p;
  const char* word = p;
  while (p < end && !IsLineBlank(*p) && !IsLineEnd(*p) && *p != '#') ++p;
  const std::string_view version(word, static_cast<size_t>(p - word));
  return IsVersionNumber(version) ? version : std::string_view();
}

// The version named by the first header line in [text, end). Line by line,
// so a line that begins with "#" is a comment here even at the text's
// first byte, which the scanner takes as an ordinary character: that line
// usually names the file, and may well say "3DO".
std::string_view HeaderVersion(const char* text, const char* end) {
  for (const char* line = text; line < end;) {
    const std::string_view version = VersionOfLine(line, end);
    if (!version.empty()) return version;
    while (line < end && !IsLineEnd(*line)) ++line;
    while (line < end && IsLineEnd(*line)) ++line;
  }
  return {};
}

// The file's indexed VERTICES or TEXTURE VERTICES table of the mesh being
// read. Corners copy from it; a read outside it fails as the model's own
// lists do.
template <class Entry, const char* OutOfBoundsPrefix>
class TScratchTable {
 public:
  void Clear() { entries_.clear(); }
  void Add(const Entry& entry) { entries_.push_back(entry); }
  bool Empty() const { return entries_.empty(); }
  const Entry& At(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= entries_.size())
      RaiseListIndexError(OutOfBoundsPrefix, index);
    return entries_[static_cast<size_t>(index)];
  }

 private:
  std::vector<Entry> entries_;  // kept between meshes, so its storage is reused
};

struct TPoint {
  double x, y, z;
};
struct TTexturePoint {
  double u, v;
};

// Room for a face's corners is made before they are read, but a corner count
// from the file never sizes more than this: a larger face grows as it reads.
constexpr int32_t kMostCornersReserved = 64;

// Hands `item` to the owning `list`; should the append itself fail, the
// item is freed here instead of leaking.
template <class List, class Item>
void AppendOwned(List& list, std::unique_ptr<Item> item) {
  list.Add(item.get());
  item.release();
}

// Reads one text into one model. Owns the scanner and the scratch tables of
// the current mesh's VERTICES and TEXTURE VERTICES, plain values that go
// with the reader however the reading ends.
class T3DOReader {
 public:
  T3DOReader(T3DOModel& model, const char* text, const std::function<void(const char*)>& textPassed)
      : model_(model), text_(text), textPassed_(textPassed) {
    parser_.CommentChars = MakeCharSet("#");
    parser_.Cursor = text;
  }

  void ReadVersion();
  void ReadMaterials();
  void ReadMeshes();
  void ReadNodes();

 private:
  void Find(std::string_view token);
  void FindLabel(int32_t index);
  void EnterEntry(int32_t index);
  std::string_view Read(const TCharSet& stopSet);
  void Skip(const TCharSet& stopSet) { Read(stopSet); }
  int32_t ReadInt(const TCharSet& stopSet) { return StrToInt(Read(stopSet)); }
  double ReadReal(const TCharSet& stopSet) { return StrToFloat(Read(stopSet)); }
  int32_t ReadCount(std::string_view keyword, bool twoWords = false);

  std::unique_ptr<T3DMesh> ReadMesh(int32_t meshIndex);
  void ReadScratchVertices();
  void ReadScratchTXVertices();
  std::unique_ptr<TSurface> ReadFace(int32_t faceIndex, T3DMesh& mesh);
  void ReadCorner(T3DMesh& mesh, TSurface& face);
  std::unique_ptr<TNode> ReadNode(int32_t nodeIndex);

  T3DOModel& model_;
  const char* text_;
  const std::function<void(const char*)>& textPassed_;
  TQnParser parser_;
  TScratchTable<TPoint, kVertexIndexPrefix> scratchVertices_;
  TScratchTable<TTexturePoint, kTXVertexIndexPrefix> scratchTXVertices_;
  std::string field_;  // holds a field only where a comment interrupts it
  // Fields of a face entry between its face type and its corner count.
  int facePreludeFields_ = kFacePreludeFields21;
};

void T3DOReader::Find(std::string_view token) { parser_.SkipUntilToken(token); }

// Entries are located by their index in decimal directly followed by ":".
void T3DOReader::FindLabel(int32_t index) {
  char label[16];
  char* end = std::to_chars(label, label + sizeof label - 1, index).ptr;
  *end++ = ':';
  const std::string_view token(label, static_cast<size_t>(end - label));
  // In a table the next label follows the previous entry after blanks and
  // comments, which SkipBlanks passes exactly as the search would: the label
  // found there is the first occurrence. Anything else takes the search.
  parser_.SkipBlanks();
  if (!parser_.Matches(token)) Find(token);
}

// Most entries start the same way: find the label, read past it and the
// blanks after it, so the cursor rests on the entry's first field.
void T3DOReader::EnterEntry(int32_t index) {
  FindLabel(index);
  Skip(kSpaceOnly);
  parser_.SkipBlanks();
}

std::string_view T3DOReader::Read(const TCharSet& stopSet) {
  return parser_.ReadFieldUntilChars(stopSet, field_);
}

// A count follows its keyword after blanks. Reading up to a SPACE consumes
// the keyword; a two-word keyword is stepped over whole first, since its
// inner SPACE would otherwise end the read.
int32_t T3DOReader::ReadCount(std::string_view keyword, bool twoWords) {
  Find(keyword);
  if (twoWords) parser_.SkipToken(keyword);
  Skip(kSpaceOnly);
  parser_.SkipBlanks();
  return ReadInt(kSpaceOrLineBreak);
}

// The version decides how many fields a face has before its corner count;
// it comes from the header line before the materials, and a file without
// one reads as 2.1. The materials are found by the scanner's own rule, from
// the cursor on, so reading them starts right there.
void T3DOReader::ReadVersion() {
  Find("MATERIALS");
  const std::string_view version = HeaderVersion(text_, parser_.Cursor);
  if (version == "2.2") facePreludeFields_ = kFacePreludeFields22;
  if (version == "2.3") facePreludeFields_ = kFacePreludeFields23;
}

void T3DOReader::ReadMaterials() {
  int32_t count = ReadCount("MATERIALS");
  for (int32_t i = 0; i < count; ++i) {
    EnterEntry(i);
    model_.Materials.Add(std::string(Read(kSpaceOrLineBreak)));
  }
}

void T3DOReader::ReadMeshes() {
  int32_t count = ReadCount("MESHES");
  for (int32_t i = 0; i < count; ++i) {
    AppendOwned(model_.Meshes, ReadMesh(i));
    // The mesh holds copies of all it needs from the text behind it.
    if (textPassed_) textPassed_(parser_.Cursor);
  }
}

std::unique_ptr<T3DMesh> T3DOReader::ReadMesh(int32_t meshIndex) {
  auto mesh = std::make_unique<T3DMesh>();
  Find("MESH " + std::to_string(meshIndex));
  Skip(kSpaceOrLineBreak);  // the word "MESH"; the number is never read
  Find("NAME");
  Skip(kSpaceOnly);
  parser_.SkipBlanks();
  mesh->Name = Read(kSpaceOrLineBreak);
  ReadScratchVertices();
  ReadScratchTXVertices();
  int32_t faceCount = ReadCount("FACES");
  for (int32_t i = 0; i < faceCount; ++i) {
    AppendOwned(mesh->Surfaces, ReadFace(i, *mesh));
  }
  return mesh;
}

void T3DOReader::ReadScratchVertices() {
  scratchVertices_.Clear();
  int32_t count = ReadCount("VERTICES");
  for (int32_t i = 0; i < count; ++i) {
    EnterEntry(i);
    double x = ReadReal(kSpaceOnly);
    parser_.SkipBlanks();
    double y = ReadReal(kSpaceOnly);
    parser_.SkipBlanks();
    double z = ReadReal(kSpaceOnly);
    scratchVertices_.Add({x, y, z});
  }
}

void T3DOReader::ReadScratchTXVertices() {
  scratchTXVertices_.Clear();
  int32_t count = ReadCount("TEXTURE VERTICES", true);
  for (int32_t i = 0; i < count; ++i) {
    EnterEntry(i);
    double u = ReadReal(kSpaceOnly);
    parser_.SkipBlanks();
    double v = ReadReal(kSpaceOrLineBreak);
    scratchTXVertices_.Add({u, v});
  }
}

std::unique_ptr<TSurface> T3DOReader::ReadFace(int32_t faceIndex, T3DMesh& mesh) {
  auto face = std::make_unique<TSurface>();
  EnterEntry(faceIndex);
  face->Material = model_.Materials.Strings(ReadInt(kSpaceOnly));
  parser_.SkipBlanks();
  face->FaceType = ReadInt(kSpaceOnly);
  for (int field = 0; field < facePreludeFields_; ++field) {
    parser_.SkipBlanks();
    Skip(kSpaceOnly);
  }
  parser_.SkipBlanks();
  int32_t cornerCount = ReadInt(kSpaceOnly);
  if (cornerCount > 0) {
    const int32_t reserved = std::min(cornerCount, kMostCornersReserved);
    face->Vertices.Reserve(reserved);
    face->TXVertices.Reserve(reserved);
  }
  for (int32_t k = 0; k < cornerCount; ++k) ReadCorner(mesh, *face);
  return face;
}

// Every corner gets vertex objects of its own, owned by the mesh; the face
// refers to the same objects, so placing the mesh moves the face too.
void T3DOReader::ReadCorner(T3DMesh& mesh, TSurface& face) {
  parser_.SkipBlanks();
  const TPoint& point = scratchVertices_.At(ReadInt(kCommaOnly));
  TVertex* vertex = mesh.NewVertex(point.x, point.y, point.z);
  mesh.Vertices.Add(vertex);
  face.Vertices.Add(vertex);
  Skip(kDigitOrPoint);  // the comma and anything else before the next index
  parser_.SkipBlanks();
  const int32_t txIndex = ReadInt(kSpaceOrLineBreak);
  // An untextured mesh has an empty table, yet its corners still name a
  // texture vertex (0 as a rule); they all get the origin.
  const TTexturePoint texturePoint =
      scratchTXVertices_.Empty() ? TTexturePoint{0.0, 0.0} : scratchTXVertices_.At(txIndex);
  TTXVertex* txVertex = mesh.NewTXVertex(texturePoint.u, texturePoint.v);
  mesh.TXVertices.Add(txVertex);
  face.TXVertices.Add(txVertex);
}

void T3DOReader::ReadNodes() {
  int32_t count = ReadCount("HIERARCHY NODES", true);
  for (int32_t i = 0; i < count; ++i) {
    AppendOwned(model_.Nodes, ReadNode(i));
  }
}

std::unique_ptr<TNode> T3DOReader::ReadNode(int32_t nodeIndex) {
  auto node = std::make_unique<TNode>();
  FindLabel(nodeIndex);
  for (int field = 0; field < 3; ++field) {  // the label, flags and type
    Skip(kSpaceOnly);
    parser_.SkipBlanks();
  }
  for (int32_t* target : {&node->MeshIndex, &node->ParentIndex, &node->ChildIndex,
                          &node->SiblingIndex, &node->ChildCount}) {
    *target = ReadInt(kSpaceOnly);
    parser_.SkipBlanks();
  }
  for (double* target :
       {&node->Position.x, &node->Position.y, &node->Position.z, &node->Rotation.x,
        &node->Rotation.y, &node->Rotation.z, &node->Pivot.x, &node->Pivot.y, &node->Pivot.z}) {
    *target = ReadReal(kSpaceOnly);
    parser_.SkipBlanks();
  }
  node->Name = Read(kSpaceOrLineBreak);
  return node;
}

}  // namespace

void T3DOModel::LoadFromFile(const std::string& fileName) {
  TReadOnlyFile file(fileName);
  TFileText text = file.ReadAll();
  ParseNulTerminated(text.Text(), [&](const char* passed) { text.ReleaseBefore(passed); });
}

void T3DOModel::ParseText(const std::string& text) { ParseNulTerminated(text.c_str()); }

void T3DOModel::ParseNulTerminated(const char* text,
                                   const std::function<void(const char*)>& textPassed) {
  {
    T3DOReader reader(*this, text, textPassed);
    reader.ReadVersion();
    reader.ReadMaterials();
    reader.ReadMeshes();
    reader.ReadNodes();
  }
  ApplyHierarchy();
}
