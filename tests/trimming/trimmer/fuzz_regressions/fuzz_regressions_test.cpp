// Replays fuzzer inputs for the quad trimmer through the fuzzer's own decoder and checks: the
// seed corpus, hand-made byte strings for the degenerate shapes the decoder produces and random
// ones, which make hostile quads of every kind. Also makes sure the checks reject what they must.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "trimmer_check.h"
#include "trimmer_input_decoder.h"

namespace {

using trimmer_fuzz::CheckTrimmerOnBytes;
using trimmer_fuzz::DecodeTrimmerInput;
using Bytes = std::vector<std::uint8_t>;

std::string Check(const Bytes& bytes) {
  return CheckTrimmerOnBytes(bytes.data(), bytes.size());
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A unit square (flags 0, scale 1, origin 0) with one part from edge 0 back to edge 0 whose
// `count` points run back and forth between two places: the loop lies on top of itself.
Bytes BackAndForth(std::uint8_t count) {
  Bytes bytes{0, 6, 0, 0, 0, 1, 0};               // flags, scale, origin, one part, no loop
  bytes.insert(bytes.end(), {0, 0, 0x88, 0x13});  // enters on edge 0 at 5000 (0.08) ...
  bytes.insert(bytes.end(), {0, 0, 0x20, 0xcb});  // ... leaves on edge 0 at 52000 (0.79)
  bytes.insert(bytes.end(), {240, static_cast<std::uint8_t>(count - 12)});  // the point count
  bytes.insert(bytes.end(), {0, 0x30, 0x75, 0x60, 0xea});  // a first point (30000, 60000)
  bytes.insert(bytes.end(), count - 1, 184);               // back to the point before the last
  bytes.insert(bytes.end(), {0, 0});                       // untagged, no index noise
  return bytes;
}

TEST(TrimmerFuzzRegressions, SeedCorpusPassesTheChecks) {
  int seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(OXLEN_TRIMMER_SEED_CORPUS)) {
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_EQ(Check(ReadFile(entry.path())), "");
    ++seeds;
  }
  EXPECT_GE(seeds, 5);
}

TEST(TrimmerFuzzRegressions, DegenerateAndRandomRecordsPassTheChecks) {
  // Empty and short inputs decode into the unit square with well spread points.
  EXPECT_EQ(Check({}), "");
  EXPECT_EQ(Check({0x01, 0x06, 0, 0, 0, 0x02, 0x01}), "");
  // A loop lying on top of itself: many coincident segments (and a mesh that grows fast).
  const Bytes backAndForth = BackAndForth(24);
  const auto decoded = DecodeTrimmerInput(backAndForth.data(), backAndForth.size());
  ASSERT_EQ(decoded.quad.parts.size(), 1u);
  EXPECT_EQ(decoded.quad.parts[0].points[0], decoded.quad.parts[0].points[2]);
  EXPECT_EQ(Check(backAndForth), "");
  // Every edge number outside 0 to 3, and a point of any bit pattern.
  for (std::uint8_t edge = 248; edge != 0; ++edge)
    EXPECT_EQ(Check({0, 6, 0, 0, 0, 1, 0, edge}), "") << int(edge);
  // No part, one inner loop: its centre, one point of kind 252 and that point's 24 bytes (all
  // ones: NaN).
  Bytes raw{0, 6, 0, 0, 0, 0, 1, 0, 0x80, 0, 0x80, 1, 252};
  raw.insert(raw.end(), 24, 0xff);
  EXPECT_TRUE(DecodeTrimmerInput(raw.data(), raw.size()).hasNonFiniteCoordinate);
  EXPECT_EQ(Check(raw), "");
  // Random bytes: every decision of the decoder at random, so mostly hostile quads (degenerate
  // shapes, points on corners, the diagonal and the border, repeated, crossing or non-finite).
  std::mt19937_64 rng(314159);
  for (int trial = 0; trial < 1000; ++trial) {
    Bytes bytes(rng() % 128);
    for (std::uint8_t& byte : bytes)
      byte = static_cast<std::uint8_t>(rng() >> 56);
    EXPECT_EQ(Check(bytes), "") << "trial " << trial;
  }
}

TEST(TrimmerFuzzRegressions, ChecksRejectWhatTheTrimmerMustNotDo) {
  using trimmer_fuzz::detail::CheckRefusal;
  const trimmer_fuzz::MDecodedQuad wellFormed = DecodeTrimmerInput(nullptr, 0);
  trimmer_fuzz::MDecodedQuad malformed = wellFormed;
  malformed.hasTagCountMismatch = true;
  // Only malformed input may be refused, and only as an invalid argument.
  EXPECT_EQ(CheckRefusal(malformed, std::invalid_argument("quad: non-finite coordinate")), "");
  EXPECT_NE(CheckRefusal(wellFormed, std::invalid_argument("quad: non-finite coordinate")), "");
  EXPECT_NE(CheckRefusal(malformed, std::logic_error("MTrimmer::FindCommonEdge: parts do not "
                                                     "share one edge")),
            "");
  // Anything else is a fault of the trimmer.
  EXPECT_NE(CheckRefusal(wellFormed, std::logic_error("MTrimmer: made up")), "");
  EXPECT_NE(CheckRefusal(wellFormed, std::out_of_range("vector::_M_range_check")), "");
  EXPECT_NE(CheckRefusal(wellFormed, std::bad_optional_access()), "");
  // A segment against the direction of its triangle's edge.
  MCadTriangulator::MTrimmer::MTriangles mesh;
  mesh.vertices.assign(wellFormed.quad.corners.begin(), wellFormed.quad.corners.end());
  mesh.triangles = {{0, 1, 3}, {3, 1, 2}};
  mesh.segments = {{3, 0, std::nullopt}};
  EXPECT_EQ(trimmer_fuzz::detail::CheckConnectivity(mesh), "");
  mesh.segments = {{0, 3, std::nullopt}};
  EXPECT_NE(trimmer_fuzz::detail::CheckConnectivity(mesh), "");
}

}  // namespace
