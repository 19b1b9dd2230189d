#include "gltf_writer.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "face_groups.h"
#include "little_endian.h"

namespace oxlen_mesh {
namespace {

using Points = std::vector<Oxlen::Math::point<double, 3>>;

// Appends the bytes of `values` to the model's only buffer and returns the index of a new buffer
// view over them, for `target` (vertex attributes or indices).
template <class T>
int AddView(tinygltf::Model& model, const std::vector<T>& values, int target) {
  std::vector<unsigned char>& data = model.buffers[0].data;
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = data.size();
  view.byteLength = values.size() * sizeof(T);
  view.target = target;
  AppendLittleEndian(data, values);
  model.bufferViews.push_back(view);
  return static_cast<int>(model.bufferViews.size()) - 1;
}

int AddAccessor(tinygltf::Model& model, tinygltf::Accessor accessor) {
  model.accessors.push_back(std::move(accessor));
  return static_cast<int>(model.accessors.size()) - 1;
}

std::vector<float> Floats(const Points& points) {
  std::vector<float> floats;
  floats.reserve(3 * points.size());
  for (const auto& p : points)
    for (int k = 0; k < 3; ++k)
      floats.push_back(static_cast<float>(p[k]));
  return floats;
}

// A VEC3 float accessor over a whole view; with bounds, as POSITION requires them.
int AddVectors(tinygltf::Model& model, const Points& points, bool withBounds) {
  const std::vector<float> floats = Floats(points);
  tinygltf::Accessor accessor;
  accessor.bufferView = AddView(model, floats, TINYGLTF_TARGET_ARRAY_BUFFER);
  accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
  accessor.type = TINYGLTF_TYPE_VEC3;
  accessor.count = points.size();
  if (withBounds) {
    accessor.minValues.assign(3, std::numeric_limits<double>::infinity());
    accessor.maxValues.assign(3, -std::numeric_limits<double>::infinity());
    for (std::size_t i = 0; i < floats.size(); ++i) {
      accessor.minValues[i % 3] = std::min<double>(accessor.minValues[i % 3], floats[i]);
      accessor.maxValues[i % 3] = std::max<double>(accessor.maxValues[i % 3], floats[i]);
    }
  }
  return AddAccessor(model, std::move(accessor));
}

// One primitive per face, each with its own range of one shared index view.
void AddPrimitives(tinygltf::Model& model, const MOutputMesh& mesh,
                   const std::map<std::string, int>& attributes) {
  const auto groups = TrianglesByFace(mesh.faceOfTriangle);
  std::vector<std::uint32_t> indices;
  indices.reserve(3 * mesh.mesh.triangles.size());
  for (const MFaceTriangles& group : groups)
    for (const std::size_t t : group.triangles)
      for (const std::size_t v : mesh.mesh.triangles[t])
        indices.push_back(static_cast<std::uint32_t>(v));
  const int view = AddView(model, indices, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  std::size_t first = 0;
  for (const MFaceTriangles& group : groups) {
    tinygltf::Accessor accessor;
    accessor.bufferView = view;
    accessor.byteOffset = first * sizeof(std::uint32_t);
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
    accessor.type = TINYGLTF_TYPE_SCALAR;
    accessor.count = 3 * group.triangles.size();
    first += accessor.count;
    tinygltf::Primitive primitive;
    primitive.attributes = attributes;
    primitive.indices = AddAccessor(model, std::move(accessor));
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    primitive.extras = tinygltf::Value(
        tinygltf::Value::Object{{"face_id", tinygltf::Value(static_cast<int>(group.face))}});
    model.meshes[0].primitives.push_back(std::move(primitive));
  }
}

void AddMesh(tinygltf::Model& model, const MOutputMesh& mesh) {
  model.buffers.emplace_back();
  model.meshes.emplace_back();
  model.meshes[0].name = "oxlen-mesh";
  std::map<std::string, int> attributes{{"POSITION", AddVectors(model, mesh.mesh.vertices, true)}};
  if (mesh.normals)
    attributes["NORMAL"] = AddVectors(model, *mesh.normals, false);
  AddPrimitives(model, mesh, attributes);
  tinygltf::Node node;
  node.mesh = 0;
  model.nodes.push_back(node);
  model.scenes.emplace_back();
  model.scenes[0].nodes.push_back(0);
  model.defaultScene = 0;
}

}  // namespace

void WriteGltf(const MOutputMesh& mesh, std::ostream& out, bool binary) {
  tinygltf::Model model;
  model.asset.version = "2.0";
  model.asset.generator = "oxlen-mesh";
  if (!mesh.mesh.triangles.empty())
    AddMesh(model, mesh);
  tinygltf::TinyGLTF writer;
  if (!writer.WriteGltfSceneToStream(&model, out, !binary, binary))
    throw std::runtime_error("tinygltf could not write the model");
}

}  // namespace oxlen_mesh
