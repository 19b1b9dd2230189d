#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>

#include "atomic_file.h"
#include "mesh_readers.h"
#include "mesh_writers.h"

namespace {

namespace fs = std::filesystem;
using oxlen_mesh::MOutputMesh;
using oxlen_mesh::MWriteOptions;
using oxlen_mesh_testing::MReadMesh;
using Point = Oxlen::Math::point<double, 3>;

// A box turned about Z, each of its six sides a face of its own with four vertices of its own and
// their normal, the faces' ids sparse and their triangles interleaved in the mesh.
struct FacedBox {
  Oxlen::Geometry::triangle_surface mesh;
  std::vector<std::size_t> faceOfTriangle;
  std::vector<Point> normals;
};

Point Turned(const Point& p) {
  return {0.6 * p[0] - 0.8 * p[1], 0.8 * p[0] + 0.6 * p[1], p[2]};
}

FacedBox MakeFacedBox() {
  const Point size{12.5, 0.1, 3.25};
  const std::size_t ids[6] = {41, 3, 12, 7, 20, 8};
  FacedBox box;
  std::vector<std::array<std::size_t, 3>> second;
  for (int side = 0; side < 6; ++side) {
    const int axis = side / 2;
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    const bool high = side % 2 == 1;
    Point normal{0, 0, 0};
    normal[axis] = high ? 1 : -1;
    const std::size_t first = box.mesh.vertices.size();
    for (const auto& [a, b] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
      Point p{0, 0, 0};
      p[axis] = high ? size[axis] : 0;
      p[u] = a * size[u];
      p[v] = b * size[v];
      box.mesh.vertices.push_back(Turned(p));
      box.normals.push_back(Turned(normal));
    }
    const auto quad =
        high ? std::array<std::size_t, 4>{0, 1, 2, 3} : std::array<std::size_t, 4>{0, 3, 2, 1};
    box.mesh.triangles.push_back({first + quad[0], first + quad[1], first + quad[2]});
    second.push_back({first + quad[0], first + quad[2], first + quad[3]});
    box.faceOfTriangle.push_back(ids[side]);
  }
  box.mesh.triangles.insert(box.mesh.triangles.end(), second.begin(), second.end());
  box.faceOfTriangle.insert(box.faceOfTriangle.end(), std::begin(ids), std::end(ids));
  return box;
}

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<fs::path> Listing(const fs::path& dir) {
  std::set<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir))
    files.insert(entry.path().filename());
  return files;
}

// A fresh, empty folder per test and process.
class MeshOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    dir_ = fs::temp_directory_path() /
           ("oxlen_mesh_output_" + test + "_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

void ExpectNear(const std::array<double, 3>& read, const Point& written, double tolerance) {
  for (int k = 0; k < 3; ++k)
    EXPECT_NEAR(read[k], written[k], tolerance);
}

// The triangles with their faces, in a canonical order: files may group them by face.
std::multiset<std::tuple<std::size_t, std::size_t, std::size_t, std::size_t>> FacedTriangles(
    const std::vector<std::array<std::size_t, 3>>& triangles,
    const std::vector<std::size_t>& faces) {
  std::multiset<std::tuple<std::size_t, std::size_t, std::size_t, std::size_t>> set;
  for (std::size_t t = 0; t < triangles.size(); ++t)
    set.insert({faces[t], triangles[t][0], triangles[t][1], triangles[t][2]});
  return set;
}

// A file with shared vertices (OBJ, PLY, glTF) holds the box's vertices in order, its normals, and
// its triangles each on its own face.
void ExpectSameBox(const MReadMesh& read, const FacedBox& box, double tolerance) {
  ASSERT_EQ(read.vertices.size(), box.mesh.vertices.size());
  ASSERT_EQ(read.normals.size(), box.normals.size());
  for (std::size_t v = 0; v < read.vertices.size(); ++v) {
    ExpectNear(read.vertices[v], box.mesh.vertices[v], tolerance);
    ExpectNear(read.normals[v], box.normals[v], tolerance);
  }
  ASSERT_EQ(read.triangles.size(), box.mesh.triangles.size());
  EXPECT_EQ(FacedTriangles(read.triangles, read.faceOfTriangle),
            FacedTriangles(box.mesh.triangles, box.faceOfTriangle));
  EXPECT_EQ(std::set<std::size_t>(read.faceOfTriangle.begin(), read.faceOfTriangle.end()).size(),
            6u);
}

// An STL file holds triangle `order[i]` of the box as its i-th facet, with the facet's normal.
void ExpectSameStlFacets(const MReadMesh& read, const FacedBox& box,
                         const std::vector<std::size_t>& order) {
  ASSERT_EQ(read.triangles.size(), order.size());
  ASSERT_EQ(read.vertices.size(), 3 * order.size());
  ASSERT_EQ(read.normals.size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    const auto& triangle = box.mesh.triangles[order[i]];
    for (int k = 0; k < 3; ++k)
      ExpectNear(read.vertices[read.triangles[i][k]], box.mesh.vertices[triangle[k]], 1e-5);
    ExpectNear(read.normals[i], box.normals[triangle[0]], 1e-6);
  }
  std::set<std::array<double, 3>> distinct(read.vertices.begin(), read.vertices.end());
  EXPECT_EQ(distinct.size(), 8u);  // the box's corners
}

TEST_F(MeshOutput, EveryFormatReadsBackWithItsFacesAndNormals) {
  const FacedBox box = MakeFacedBox();
  const MOutputMesh out{box.mesh, box.faceOfTriangle, &box.normals};
  for (const char* name : {"box.obj", "box.ply", "box.glb", "box.GLTF"})
    oxlen_mesh::WriteMesh(out, (dir_ / name).string());
  ExpectSameBox(oxlen_mesh_testing::ReadObj(dir_ / "box.obj"), box, 0.0);
  ExpectSameBox(oxlen_mesh_testing::ReadPly(dir_ / "box.ply"), box, 0.0);
  ExpectSameBox(oxlen_mesh_testing::ReadGltf(dir_ / "box.glb"), box, 1e-5);
  fs::rename(dir_ / "box.GLTF", dir_ / "box.gltf");
  ExpectSameBox(oxlen_mesh_testing::ReadGltf(dir_ / "box.gltf"), box, 1e-5);
  EXPECT_EQ(Bytes(dir_ / "box.glb").substr(0, 4), "glTF");
  EXPECT_NE(Bytes(dir_ / "box.gltf").find("\"uri\": \"data:application/octet-stream;base64,"),
            std::string::npos);
}

TEST_F(MeshOutput, StlIsBinaryByDefaultAndAsciiWithOneSolidPerFace) {
  const FacedBox box = MakeFacedBox();
  const MOutputMesh out{box.mesh, box.faceOfTriangle, &box.normals};
  oxlen_mesh::WriteMesh(out, (dir_ / "binary.stl").string());
  oxlen_mesh::WriteMesh(out, (dir_ / "ascii.stl").string(), MWriteOptions{.asciiStl = true});
  std::vector<std::size_t> meshOrder(box.mesh.triangles.size());
  for (std::size_t t = 0; t < meshOrder.size(); ++t)
    meshOrder[t] = t;
  ExpectSameStlFacets(oxlen_mesh_testing::ReadBinaryStl(dir_ / "binary.stl"), box, meshOrder);

  // ASCII: the faces in ascending order of id, each face's triangles in mesh order.
  std::vector<std::size_t> byFace = meshOrder;
  std::stable_sort(byFace.begin(), byFace.end(), [&](std::size_t a, std::size_t b) {
    return box.faceOfTriangle[a] < box.faceOfTriangle[b];
  });
  const MReadMesh ascii = oxlen_mesh_testing::ReadAsciiStl(dir_ / "ascii.stl");
  ExpectSameStlFacets(ascii, box, byFace);
  for (std::size_t i = 0; i < byFace.size(); ++i)
    EXPECT_EQ(ascii.faceOfTriangle[i], box.faceOfTriangle[byFace[i]]);
}

TEST_F(MeshOutput, WithoutNormalsTheFacesAreStillKept) {
  const FacedBox box = MakeFacedBox();
  const MOutputMesh out{box.mesh, box.faceOfTriangle};
  for (const char* name : {"box.obj", "box.ply", "box.glb"})
    oxlen_mesh::WriteMesh(out, (dir_ / name).string());
  for (const MReadMesh& read : {oxlen_mesh_testing::ReadObj(dir_ / "box.obj"),
                                oxlen_mesh_testing::ReadPly(dir_ / "box.ply"),
                                oxlen_mesh_testing::ReadGltf(dir_ / "box.glb")}) {
    EXPECT_TRUE(read.normals.empty());
    EXPECT_EQ(read.vertices.size(), 24u);
    EXPECT_EQ(FacedTriangles(read.triangles, read.faceOfTriangle),
              FacedTriangles(box.mesh.triangles, box.faceOfTriangle));
  }
  EXPECT_EQ(Bytes(dir_ / "box.obj").find("vn "), std::string::npos);
  EXPECT_NE(Bytes(dir_ / "box.obj").find("f 1 4 3\n"), std::string::npos);
}

TEST_F(MeshOutput, TheSameMeshGivesTheSameBytes) {
  const FacedBox box = MakeFacedBox();
  const MOutputMesh out{box.mesh, box.faceOfTriangle, &box.normals};
  for (const std::string ext : {"stl", "obj", "ply", "glb", "gltf"}) {
    oxlen_mesh::WriteMesh(out, (dir_ / ("a." + ext)).string());
    oxlen_mesh::WriteMesh(out, (dir_ / ("b." + ext)).string());
    EXPECT_EQ(Bytes(dir_ / ("a." + ext)), Bytes(dir_ / ("b." + ext))) << ext;
  }
}

TEST_F(MeshOutput, AMeshWithoutTrianglesWritesValidEmptyFiles) {
  const Oxlen::Geometry::triangle_surface empty;
  for (const char* name : {"e.obj", "e.ply", "e.glb", "e.gltf", "e.stl"})
    oxlen_mesh::WriteMesh(empty, (dir_ / name).string());
  EXPECT_TRUE(oxlen_mesh_testing::ReadObj(dir_ / "e.obj").triangles.empty());
  EXPECT_TRUE(oxlen_mesh_testing::ReadPly(dir_ / "e.ply").triangles.empty());
  EXPECT_TRUE(oxlen_mesh_testing::ReadGltf(dir_ / "e.glb").triangles.empty());
  EXPECT_TRUE(oxlen_mesh_testing::ReadGltf(dir_ / "e.gltf").triangles.empty());
  EXPECT_TRUE(oxlen_mesh_testing::ReadBinaryStl(dir_ / "e.stl").triangles.empty());
}

TEST_F(MeshOutput, KnowsTheFiveExtensionsInAnyCase) {
  for (const char* path : {"a.stl", "a.OBJ", "dir.x/a.ply", "a.glb", "a.GlTf"})
    EXPECT_TRUE(oxlen_mesh::IsSupportedMeshPath(path)) << path;
  for (const char* path : {"a.step", "a", "a.gltf/b", "a.stl.tmp", ".glb.x"})
    EXPECT_FALSE(oxlen_mesh::IsSupportedMeshPath(path)) << path;
  EXPECT_THROW(oxlen_mesh::WriteMesh(MakeFacedBox().mesh, (dir_ / "a.xyz").string()),
               std::runtime_error);
  EXPECT_TRUE(Listing(dir_).empty());
}

// Whatever goes wrong, the message is one line naming the path and nothing is left behind.
void ExpectCleanFailure(const fs::path& target, const fs::path& dir) {
  const auto before = Listing(dir);
  try {
    oxlen_mesh::WriteMesh(MakeFacedBox().mesh, target.string());
    ADD_FAILURE() << "writing " << target << " did not fail";
  } catch (const std::runtime_error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(target.string()), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
  EXPECT_EQ(Listing(dir), before);
}

TEST_F(MeshOutput, AnUnwritablePathFailsCleanly) {
  std::ofstream(dir_ / "plain_file") << "not a folder";
  fs::create_directory(dir_ / "a_folder.ply");
  ExpectCleanFailure(dir_ / "missing" / "mesh.stl", dir_);
  ExpectCleanFailure(dir_ / "plain_file" / "mesh.obj", dir_);
  ExpectCleanFailure(dir_ / "a_folder.ply", dir_);
  EXPECT_TRUE(fs::is_empty(dir_ / "a_folder.ply"));
}

TEST_F(MeshOutput, AFailedWriteLeavesThePreviousFileUntouched) {
  const fs::path target = dir_ / "mesh.obj";
  std::ofstream(target) << "previous content\n";
  const auto before = Listing(dir_);
  EXPECT_THROW(oxlen_mesh::WriteFileAtomically(target.string(),
                                               [](std::ostream& out) {
                                                 out << "half of a mesh";
                                                 throw std::runtime_error("interrupted");
                                               }),
               std::runtime_error);
  EXPECT_EQ(Bytes(target), "previous content\n");
  EXPECT_EQ(Listing(dir_), before);

  const FacedBox box = MakeFacedBox();
  const std::vector<std::size_t> tooFewFaces(box.faceOfTriangle.begin() + 1,
                                             box.faceOfTriangle.end());
  EXPECT_THROW(oxlen_mesh::WriteMesh(MOutputMesh{box.mesh, tooFewFaces}, target.string()),
               std::invalid_argument);
  const std::vector<Point> tooFewNormals(box.normals.begin() + 1, box.normals.end());
  EXPECT_THROW(oxlen_mesh::WriteMesh(MOutputMesh{box.mesh, box.faceOfTriangle, &tooFewNormals},
                                     target.string()),
               std::invalid_argument);
  EXPECT_EQ(Bytes(target), "previous content\n");
  EXPECT_EQ(Listing(dir_), before);

  oxlen_mesh::WriteMesh(box.mesh, target.string());
  EXPECT_EQ(oxlen_mesh_testing::ReadObj(target).triangles.size(), 12u);
  EXPECT_EQ(Listing(dir_), before);
}

}  // namespace
