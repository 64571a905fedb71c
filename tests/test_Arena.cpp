// The arena past its first block: objects stay intact and in place, every
// lookup finds them in whichever block they lie, and a mesh whose corners
// outgrow the storage reserved for them imports exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "Arena.h"
#include "HostModel.h"
#include "O_3do.h"
#include "main.h"

namespace {

// 32 bytes, as a vertex: the first block holds 2,048 of them, the second
// 4,096.
struct Probe {
  explicit Probe(int64_t n) : number(n) {}
  int64_t number;
  char rest[24] = {};
};

constexpr int kFirstBlock = 64 * 1024 / sizeof(Probe);
// Into the third block.
constexpr int kProbes = kFirstBlock + 2 * kFirstBlock + 10;

std::vector<Probe*> MakeProbes(TArena<Probe>& arena, int count) {
  std::vector<Probe*> probes;
  for (int i = 0; i < count; ++i) probes.push_back(arena.New(i));
  return probes;
}

TEST(Arena, ObjectsPastTheFirstBlockKeepTheirValues) {
  TArena<Probe> arena;
  const std::vector<Probe*> probes = MakeProbes(arena, kProbes);
  for (int i = 0; i < kProbes; ++i) ASSERT_EQ(probes[i]->number, i) << "overwritten";
}

// PositionOf and Owns first ask the block that answered last; any other
// block must still be found, in whatever order the objects are asked about.
TEST(Arena, LookupsFindObjectsInEveryBlockInAnyOrder) {
  TArena<Probe> arena;
  const std::vector<Probe*> probes = MakeProbes(arena, kProbes);
  const int order[] = {kProbes - 1,     0, kFirstBlock, kFirstBlock - 1,
                       3 * kFirstBlock, 5, kProbes - 1};
  for (int i : order) {
    EXPECT_EQ(arena.PositionOf(probes[i]), i);
    EXPECT_TRUE(arena.Owns(probes[i])) << i;
  }
  for (int i = kProbes - 1; i >= 0; --i) ASSERT_EQ(arena.PositionOf(probes[i]), i);
  for (int i = 0; i < kProbes; ++i) ASSERT_TRUE(arena.Owns(probes[i])) << i;
}

TEST(Arena, AddressesOutsideItsObjectsAreNotItsOwn) {
  TArena<Probe> arena;
  EXPECT_EQ(arena.PositionOf(nullptr), -1) << "empty";
  EXPECT_FALSE(arena.Owns(nullptr));
  const std::vector<Probe*> probes = MakeProbes(arena, kProbes);
  const Probe stranger(0);
  TArena<Probe> other;
  const Probe* others = other.New(0);
  for (const void* address : {static_cast<const void*>(&stranger), static_cast<const void*>(others),
                              static_cast<const void*>(probes.back() + 1)}) {
    // Asked once after an object of the first block, once after the last.
    for (const Probe* before : {probes.front(), probes.back()}) {
      arena.PositionOf(before);
      EXPECT_EQ(arena.PositionOf(address), -1);
      EXPECT_FALSE(arena.Owns(address));
    }
  }
  // Inside an object of a later block: owned, but no object starts there.
  const auto* inside = reinterpret_cast<const char*>(probes[kFirstBlock + 1]) + 8;
  EXPECT_TRUE(arena.Owns(inside));
  EXPECT_EQ(arena.PositionOf(inside), -1);
}

// Destroyed newest first, across blocks too.
struct Recorder {
  Recorder(std::vector<int>& log, int n) : log_(log), n_(n) {}
  ~Recorder() { log_.push_back(n_); }
  std::vector<int>& log_;
  int n_;
};

TEST(Arena, DestroysNewestFirstAcrossBlocks) {
  std::vector<int> log;
  const int count = 64 * 1024 / sizeof(Recorder) + 3;
  {
    TArena<Recorder, true> arena;
    for (int i = 0; i < count; ++i) arena.New(log, i);
  }
  ASSERT_EQ(log.size(), static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) ASSERT_EQ(log[i], count - 1 - i);
}

// One mesh of 100 faces of 30 corners: 3,000 corners, where the reader
// reserves for four corners a face and a vertex block holds 2,048. Corner k
// of face f is vertex (f + k) % 30 at (v, 2v, -v) with texture vertex
// (f + 2k) % 30 at (v, 100 + v).
constexpr int kFaces = 100;
constexpr int kCorners = 30;

// Written through a stream: GCC 12 takes chained string "+" for an overflow.
std::string WideFacedModel() {
  std::ostringstream text;
  text << "MATERIALS 1\n 0: a.mat\nMESHES 1\nMESH 0\nNAME wide\nVERTICES 30\n";
  for (int v = 0; v < kCorners; ++v)
    text << " " << v << ": " << v << " " << 2 * v << " " << -v << " 0\n";
  text << "TEXTURE VERTICES 30\n";
  for (int v = 0; v < kCorners; ++v) text << " " << v << ": " << v << " " << 100 + v << "\n";
  text << "FACES 100\n";
  for (int f = 0; f < kFaces; ++f) {
    text << " " << f << ": 0 0x0000 4 3 3 0 30";
    for (int k = 0; k < kCorners; ++k)
      text << " " << (f + k) % kCorners << "," << (f + 2 * k) % kCorners;
    text << "\n";
  }
  text << "HIERARCHY NODES 1\n 0: 0x0000 0x00001 0 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 n\n";
  return text.str();
}

TEST(Arena, MeshWhoseCornersOutgrowTheFirstBlockImportsExactly) {
  T3DOModel model;
  model.ParseText(WideFacedModel());
  msModel* host = hostmodel_Create();
  AddToHostModel(model, host);
  ASSERT_EQ(hostmodel_MeshCount(host), 1);
  ASSERT_EQ(hostmodel_VertexCount(host, 0), kFaces * kCorners);
  ASSERT_EQ(hostmodel_TriangleCount(host, 0), kFaces * (kCorners - 2));
  for (int f = 0; f < kFaces; ++f) {
    for (int k = 0; k < kCorners; ++k) {
      const int v = (f + k) % kCorners;
      const int t = (f + 2 * k) % kCorners;
      float position[3] = {};
      float texCoords[2] = {};
      ASSERT_EQ(hostmodel_GetVertex(host, 0, f * kCorners + k, position, texCoords), 1);
      const std::vector<float> expected = {float(v), float(2 * v), float(-v), float(t),
                                           float(100 + t)};
      ASSERT_EQ(
          (std::vector<float>{position[0], position[1], position[2], texCoords[0], texCoords[1]}),
          expected)
          << "face " << f << " corner " << k;
    }
    for (int k = 0; k < kCorners - 2; ++k) {
      uint16_t indices[3] = {};
      ASSERT_EQ(hostmodel_GetTriangle(host, 0, f * (kCorners - 2) + k, indices), 1);
      const auto first = static_cast<uint16_t>(f * kCorners);
      ASSERT_EQ((std::vector<uint16_t>{indices[0], indices[1], indices[2]}),
                (std::vector<uint16_t>{first, static_cast<uint16_t>(first + k + 1),
                                       static_cast<uint16_t>(first + k + 2)}))
          << "face " << f << " triangle " << k;
    }
  }
  EXPECT_EQ(hostmodel::CheckedFaults(host), std::vector<std::string>{});
  hostmodel_Destroy(host);
}

}  // namespace
