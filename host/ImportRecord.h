// What one run of the stand-in host observed: the plug-in's answers, the
// message boxes it showed, and the host model it left behind. The output
// writers (dump, summary, OBJ, ...) all work from this one record, so none of
// them depends on how the plug-in was called or how the host model is kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// One message box as the plug-in asked for it.
struct MessageBoxRecord {
  std::string caption;  ///< The caption, byte for byte.
  std::string text;     ///< The text, byte for byte.
  unsigned style = 0;   ///< The MB_* style bits.
};

/// One host vertex: position and texture coordinates as the host stores them.
struct HostVertexRecord {
  float x = 0, y = 0, z = 0;  ///< Position.
  float u = 0, v = 0;         ///< Texture coordinates.
};

/// One host triangle: three indices into its mesh's vertices.
struct HostTriangleRecord {
  int a = 0, b = 0, c = 0;  ///< Corner vertex indices, in corner order.
};

/// One host mesh, in host order.
struct HostMeshRecord {
  std::string name;                           ///< The name the plug-in wrote.
  std::vector<HostVertexRecord> vertices;     ///< In index order.
  std::vector<HostTriangleRecord> triangles;  ///< In index order.
};

/// Everything a run produced, in the order it happened.
struct ImportRecord {
  std::vector<MessageBoxRecord> creationBoxes;  ///< Shown while the object was created.
  int32_t type = 0;                             ///< GetType's answer.
  std::string title;                            ///< GetTitle's text.
  std::vector<MessageBoxRecord> executeBoxes;   ///< Shown during Execute.
  int32_t result = 0;                           ///< Execute's answer.
  std::vector<HostMeshRecord> meshes;           ///< The host model afterwards.
  std::vector<std::string> hostFaults;          ///< Misuses the host library detected.
  /// Every call the plug-in made into the host library, as text, in order;
  /// kept only when asked for, since a large model makes millions.
  std::vector<std::string> hostCalls;
};
