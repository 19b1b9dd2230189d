// ReadGltf of mesh_readers.h: glTF files read back through tinygltf's own loader.

#include <tiny_gltf.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "mesh_readers.h"

namespace oxlen_mesh_testing {
namespace {

tinygltf::Model Load(const std::filesystem::path& file) {
  tinygltf::TinyGLTF loader;
  tinygltf::Model model;
  std::string error, warning;
  const bool binary = file.extension() == ".glb";
  const bool loaded = binary ? loader.LoadBinaryFromFile(&model, &error, &warning, file.string())
                             : loader.LoadASCIIFromFile(&model, &error, &warning, file.string());
  if (!loaded || !error.empty() || !warning.empty())
    throw std::runtime_error("tinygltf cannot load " + file.string() + ": " + error + warning);
  return model;
}

// The values of a tightly packed accessor of `Component`s, `width` per element, as doubles.
template <class Component>
std::vector<double> Values(const tinygltf::Model& model, int index, int componentType,
                           std::size_t width) {
  const tinygltf::Accessor& accessor = model.accessors.at(index);
  const tinygltf::BufferView& view = model.bufferViews.at(accessor.bufferView);
  if (accessor.componentType != componentType || view.byteStride != 0)
    throw std::runtime_error("unexpected glTF accessor layout");
  const auto& data = model.buffers.at(view.buffer).data;
  const std::size_t start = view.byteOffset + accessor.byteOffset;
  const std::size_t count = accessor.count * width;
  if (start + count * sizeof(Component) > view.byteOffset + view.byteLength ||
      view.byteOffset + view.byteLength > data.size())
    throw std::runtime_error("glTF accessor outside its buffer");
  std::vector<double> values(count);
  for (std::size_t i = 0; i < count; ++i) {
    Component c;
    std::memcpy(&c, data.data() + start + i * sizeof(Component), sizeof(Component));
    values[i] = static_cast<double>(c);
  }
  return values;
}

std::vector<std::array<double, 3>> Vectors(const tinygltf::Model& model, int index) {
  if (model.accessors.at(index).type != TINYGLTF_TYPE_VEC3)
    throw std::runtime_error("glTF vertex attribute is not VEC3");
  const auto values = Values<float>(model, index, TINYGLTF_COMPONENT_TYPE_FLOAT, 3);
  std::vector<std::array<double, 3>> vectors;
  for (std::size_t i = 0; i + 2 < values.size(); i += 3)
    vectors.push_back({values[i], values[i + 1], values[i + 2]});
  return vectors;
}

void AddPrimitive(MReadMesh& mesh, const tinygltf::Model& model,
                  const tinygltf::Primitive& primitive) {
  if (primitive.mode != TINYGLTF_MODE_TRIANGLES || !primitive.extras.Has("face_id"))
    throw std::runtime_error("glTF primitive without triangles or face_id");
  const auto face = static_cast<std::size_t>(primitive.extras.Get("face_id").GetNumberAsInt());
  const auto indices =
      Values<std::uint32_t>(model, primitive.indices, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, 1);
  for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
    mesh.triangles.push_back({static_cast<std::size_t>(indices[i]),
                              static_cast<std::size_t>(indices[i + 1]),
                              static_cast<std::size_t>(indices[i + 2])});
    mesh.faceOfTriangle.push_back(face);
  }
}

}  // namespace

MReadMesh ReadGltf(const std::filesystem::path& file) {
  const tinygltf::Model model = Load(file);
  MReadMesh mesh;
  if (model.meshes.empty())
    return mesh;
  const auto& primitives = model.meshes.at(0).primitives;
  const auto& attributes = primitives.at(0).attributes;
  mesh.vertices = Vectors(model, attributes.at("POSITION"));
  if (attributes.count("NORMAL"))
    mesh.normals = Vectors(model, attributes.at("NORMAL"));
  for (const tinygltf::Primitive& primitive : primitives) {
    if (primitive.attributes != attributes)
      throw std::runtime_error("glTF primitives do not share their vertices");
    AddPrimitive(mesh, model, primitive);
  }
  return mesh;
}

}  // namespace oxlen_mesh_testing
