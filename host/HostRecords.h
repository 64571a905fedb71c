// Byte layout of the stand-in host's mesh, vertex and triangle records.
// Every byte that a client may not write holds a known pattern, so the
// model check can tell when a client wrote past what it may touch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "msLib.h"

/// Value of every record's flags byte; the library never changes it.
inline constexpr uint8_t kRecordFlags = 0x5A;
/// Fill of the guard bytes that surround the fields a client may write.
inline constexpr uint8_t kGuardByte = 0xA5;
/// Fill of the name field past its first byte, before a client names the mesh.
inline constexpr uint8_t kNameFillByte = 0xCC;
/// Fill of a record that a client may no longer use.
inline constexpr uint8_t kRetiredByte = 0xDD;
/// Bone index of every vertex: none. Nothing among the nine operations sets it.
inline constexpr int32_t kNoBone = -1;
/// Number of guard bytes between the end of the name field and the mesh's own fields.
inline constexpr int kMeshNameGuardSize = 7;

/// The host's mesh record: flags, the name field a client writes directly,
/// guard bytes, then fields of the host's own.
struct msMesh {
  uint8_t flags;                          ///< byte 0: the client must not touch it
  char name[kMeshNameCapacity];           ///< bytes 1-32: NUL-terminated name
  uint8_t nameGuard[kMeshNameGuardSize];  ///< bytes 33-39
  uint32_t materialIndex;                 ///< host's own field, never set here
  uint32_t meshId;                        ///< position of the mesh in its model
};

/// The host's vertex record: the position is written directly by clients.
struct msVertex {
  uint8_t flags;         ///< byte 0
  uint8_t padding[3];    ///< bytes 1-3: guard
  float position[3];     ///< bytes 4-15: X, Y, Z
  float texCoords[2];    ///< bytes 16-23: U, V
  int32_t boneIndex;     ///< bytes 24-27: the host's own field
  uint8_t tailGuard[4];  ///< bytes 28-31
};

/// The host's triangle record. Clients only hand it back to the library.
struct msTriangle {
  uint16_t vertexIndices[3];  ///< bytes 0-5
  uint16_t tailGuard;         ///< bytes 6-7: guard
};

static_assert(offsetof(msMesh, name) == kMeshNameOffset);
static_assert(offsetof(msMesh, materialIndex) == 40);
static_assert(offsetof(msVertex, position) == kVertexPositionOffset);
static_assert(offsetof(msVertex, texCoords) == 16);
static_assert(offsetof(msVertex, boneIndex) == 24);
static_assert(sizeof(msVertex) == 32);
static_assert(sizeof(msTriangle) == 8);
