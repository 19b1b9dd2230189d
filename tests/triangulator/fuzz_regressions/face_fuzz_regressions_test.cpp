// Replays inputs of the whole-face fuzzer through its own decoder and checks: the seed corpus
// (inputs that once broke a rule among them). Also makes sure the checks reject what they must.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "face_check.h"
#include "face_input_decoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(FaceFuzzRegressions, SeedCorpusPassesTheChecks) {
  for (const auto& entry : std::filesystem::directory_iterator(OXLEN_FACE_SEED_CORPUS)) {
    SCOPED_TRACE(entry.path().filename().string());
    const Bytes bytes = ReadFile(entry.path());
    EXPECT_EQ(face_fuzz::CheckFaceOnBytes(bytes.data(), bytes.size()), "");
  }
}

// The empty input is a plate without loops; a byte string that picks a plate with one round
// loop inside it (the checks then know what must be covered).
TEST(FaceFuzzRegressions, ChecksRejectAMeshThatCoversTheWrongPoints) {
  const Bytes empty;
  const face_fuzz::MDecodedFace plate = face_fuzz::DecodeFace(empty.data(), 0);
  ASSERT_TRUE(plate.plate);
  ASSERT_TRUE(plate.loops.empty());
  const auto whole =
      MCadTriangulator::Triangulate(plate.face, std::nullopt, 0.01, plate.maxEdgeLength, 1000, {});
  EXPECT_EQ(face_fuzz::CheckFaceMesh(plate, whole), "");
  EXPECT_NE(face_fuzz::CheckFaceMesh(plate, {}), "");  // nothing covered

  // Scale 1, plate, tolerance 1e-3 of its size, budget 1000, no edge limit, untagged, one loop:
  // near, centred, a circle of radius 0.01 + 0.7 / 2 of 60, counter-clockwise; forward.
  const Bytes circle{1, 0, 6, 4, 1, 0, 1, 0, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0, 0, 1};
  const face_fuzz::MDecodedFace holed = face_fuzz::DecodeFace(circle.data(), circle.size());
  ASSERT_EQ(holed.loops.size(), 1u);
  ASSERT_TRUE(holed.loops[0].corners.empty());
  EXPECT_NEAR(holed.loops[0].radius, 60.0 * (0.01 + 0.7 * 0x8000 / 65535.0), 1e-9);
  EXPECT_EQ(face_fuzz::CheckFaceOnBytes(circle.data(), circle.size()), "");
  EXPECT_NE(face_fuzz::CheckFaceMesh(holed, whole), "");  // the whole plate covers too much

  auto stray = whole;
  stray.triangles.clear();
  EXPECT_NE(face_fuzz::CheckFaceMesh(plate, stray), "");
  stray = whole;
  stray.triangles[0][1] = stray.triangles[0][0];
  EXPECT_NE(face_fuzz::CheckFaceMesh(plate, stray), "");
}

}  // namespace
