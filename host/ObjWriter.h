// The host model as a Wavefront OBJ file, for viewing an import elsewhere.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "ImportRecord.h"

/// The name an `o` line carries for a mesh: its own name with every blank or
/// control byte replaced by '_' (an OBJ line ends at a line break), or
/// "meshI" when the name is empty.
std::string ObjObjectName(size_t index, const std::string& name);

/// Writes a comment that says the texture coordinates are in the file's pixel
/// units, then one `o` per mesh, then its `v X Y Z` and `vt U V` lines (one
/// pair per host vertex, so position and texture indices agree; each number
/// the shortest that reads back as the same single) and one
/// `f a/a b/b c/c` per triangle, with OBJ's file-wide 1-based indices. A
/// triangle naming a vertex its mesh does not have is left out, since OBJ
/// would read it as another mesh's vertex. Returns how many were left out.
size_t WriteObj(const std::vector<HostMeshRecord>& meshes, std::ostream& out);
