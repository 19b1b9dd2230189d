#pragma once

// Turns any byte string into a trimming record for `MCadTriangulator::MTrimmer::TrimQuad`.
//
// The bytes are read from the front as a sequence of small decisions (quad shape, how many parts
// and loops, where each point goes, which tags), so that a mutation of one byte changes one
// decision and the rest of the record stays put. Reading past the end yields zero bytes, which
// pick the ordinary case of every decision, and well spread parameters; every byte string
// decodes, the empty one into an empty unit square.
//
// Loop points are drawn in the parameter square of the quad and lifted onto it. Most follow a
// guide that keeps a polyline from crossing itself (real loops do not, and crossing loop
// segments make the trimmer cut on and on); the others land anywhere inside, on corners, on the
// diagonal, on the border, on or back over the points before them, off the quad's surface or,
// rarely, at arbitrary (even non-finite) coordinates. A few decisions break what the trimmer may
// assume of its input (tag counts, edge numbers, crossing tags, finite coordinates); the decoded
// record says which, so that a checker can tell a correct refusal from a wrong one.
//
// The decoding uses only integer arithmetic, multiplications and additions of doubles: the same
// bytes give the same record on every platform.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Math/point.h"
#include "byte_reader.h"

namespace trimmer_fuzz {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;
using MInnerLoop = MCadTriangulator::MLoopsOnQuads::MInnerLoop;

/// A trimming record decoded from bytes, with what it breaks on purpose.
struct MDecodedQuad {
  MTrimmer::MQuadToTrim quad;
  /// The status of corner 0 handed to `SelectInnerTriangles`.
  bool firstVertexInside = false;

  /// Some coordinate is NaN or infinite.
  bool hasNonFiniteCoordinate = false;
  /// Some tag list differs in length from its point list.
  bool hasTagCountMismatch = false;
  /// Some part enters or leaves through an edge number outside 0 to 3.
  bool hasEdgeOutsideQuad = false;
  /// Some tagged part lacks its start or end tag.
  bool hasMissingCrossingTag = false;
  /// The largest absolute finite coordinate of the record.
  double largestCoordinate = 0.0;

  /// Index replacements (position in the flattened triangle list, new value) applied to a copy
  /// of a trimmed mesh before it goes to `SelectInnerTriangles`, which must cope with any index.
  std::vector<std::pair<std::uint32_t, std::int32_t>> indexNoise;

  /// Whether `TrimQuad` has to refuse the record with std::invalid_argument.
  bool IsMalformed() const { return hasNonFiniteCoordinate || hasTagCountMismatch; }
};

using MByteReader = fuzz_input::MByteReader;

namespace detail {

using UV = Oxlen::Math::point<double, 2>;

/// At most this many loop points per record, so that one input stays fast to trim.
constexpr std::size_t kPointBudget = 160;

/// Rotations with rational entries (Pythagorean triples), exact on every platform.
inline std::array<MPoint, 3> Rotation(int which) {
  switch (which % 4) {
    case 1:  // about x by atan(4/3)
      return {MPoint(1.0, 0.0, 0.0), MPoint(0.0, 0.6, 0.8), MPoint(0.0, -0.8, 0.6)};
    case 2:  // about z by atan(12/5)
      return {MPoint(5.0 / 13.0, 12.0 / 13.0, 0.0), MPoint(-12.0 / 13.0, 5.0 / 13.0, 0.0),
              MPoint(0.0, 0.0, 1.0)};
    case 3:  // about y by atan(3/4)
      return {MPoint(0.8, 0.0, -0.6), MPoint(0.0, 1.0, 0.0), MPoint(0.6, 0.0, 0.8)};
    default:
      return {MPoint(1.0, 0.0, 0.0), MPoint(0.0, 1.0, 0.0), MPoint(0.0, 0.0, 1.0)};
  }
}

/// Quad sizes from a millionth to a million.
inline double Scale(int which) {
  static constexpr double kScales[13] = {1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1.0,
                                         1e1,  1e2,  1e3,  1e4,  1e5,  1e6};
  return kScales[which % 13];
}

/// The point of edge k of the unit square at parameter t from its start corner (edges 0 bottom,
/// 1 right, 2 top, 3 left, running counter-clockwise).
inline UV OnSquareEdge(int k, double t) {
  switch (k & 3) {
    case 0:
      return UV(t, 0.0);
    case 1:
      return UV(1.0, t);
    case 2:
      return UV(1.0 - t, 1.0);
    default:
      return UV(0.0, 1.0 - t);
  }
}

inline UV SquareCorner(int k) {
  return OnSquareEdge(k, 0.0);
}

/// The parameters t for which p + t d lies in the unit square (p inside it), as [low, high].
inline std::pair<double, double> SquareInterval(const UV& p, const UV& d) {
  double low = 0.0;
  double high = 0.0;
  bool first = true;
  for (int i = 0; i < 2; ++i) {
    if (d[i] == 0.0)
      continue;
    double a = (0.0 - p[i]) / d[i];
    double b = (1.0 - p[i]) / d[i];
    if (a > b)
      std::swap(a, b);
    low = first ? a : std::max(low, a);
    high = first ? b : std::min(high, b);
    first = false;
  }
  return high < low ? std::make_pair(0.0, 0.0) : std::make_pair(low, high);
}

/// The direction of pseudo-angle a in [0, 4): a walk around the square [-1, 1]^2 that turns
/// monotonically, so that points at increasing pseudo-angles about a centre form a star-shaped,
/// simple polygon without any trigonometry.
inline UV PseudoAngleDirection(double a) {
  const int side = static_cast<int>(a) & 3;
  const double t = 2.0 * (a - static_cast<int>(a)) - 1.0;
  switch (side) {
    case 0:
      return UV(1.0, t);
    case 1:
      return UV(-t, 1.0);
    case 2:
      return UV(-1.0, -t);
    default:
      return UV(t, -1.0);
  }
}

/// Where the ordinary points of a polyline go, so that it does not cross itself: for a part,
/// in order along the chord from its entering to its leaving crossing, anywhere across the square
/// at each place; for an inner loop (or a part leaving where it entered), around a centre at
/// increasing pseudo-angles.
struct MGuide {
  bool star = false;
  UV from;  // chord start, or the centre
  UV to;    // chord end
  std::size_t count = 1;

  /// Point `index` of `count`, placed by two numbers in [0, 1].
  UV At(std::size_t index, double along, double across) const {
    const double slot = (static_cast<double>(index) + along) / static_cast<double>(count);
    if (star) {
      const UV d = PseudoAngleDirection(4.0 * std::min(slot, 0.999999));
      return from + (across * SquareInterval(from, d).second) * d;
    }
    const UV c = from + slot * (to - from);
    const UV normal(from[1] - to[1], to[0] - from[0]);
    const auto [low, high] = SquareInterval(c, normal);
    return c + (low + across * (high - low)) * normal;
  }
};

/// Builds the record: the quad's placement and shape, then its parts and loops.
class MQuadDecoder {
 public:
  explicit MQuadDecoder(MByteReader& reader) : in_(reader) {}

  MDecodedQuad Decode() {
    const std::uint8_t flags = in_.Byte();
    out_.firstVertexInside = (flags & 1) != 0;
    piecewiseLift_ = (flags & 2) != 0;
    rotation_ = Rotation((flags >> 2) & 3);
    const int shape = (flags >> 4) & 3;
    size_ = Scale(in_.Byte());
    for (int i = 0; i < 3; ++i)
      origin_[i] = static_cast<std::int8_t>(in_.Byte()) * size_ * 8.0;
    DecodeCorners(shape);

    const int partCount = in_.Below(6);
    const int loopCount = in_.Below(4);
    for (int p = 0; p < partCount; ++p)
      out_.quad.parts.push_back(DecodePart());
    for (int l = 0; l < loopCount; ++l)
      out_.quad.innerLoops.push_back(DecodeLoop());
    for (int n = in_.Below(4); n > 0; --n)
      out_.indexNoise.emplace_back(in_.Word(), NoiseIndex());
    return std::move(out_);
  }

 private:
  // Corners in local coordinates before rotation and translation: the unit square (shape 0), a
  // planar quad with moved corners (1), one whose corners leave their plane by up to about 2 %
  // of its size (2), or corners anywhere in a box (3), which can be non-convex or degenerate.
  void DecodeCorners(int shape) {
    for (int k = 0; k < 4; ++k) {
      const UV c = SquareCorner(k);
      MPoint local(c[0], c[1], 0.0);
      if (shape == 1 || shape == 2) {
        local[0] += 0.4 * (in_.Unit() - 0.5);
        local[1] += 0.4 * (in_.Unit() - 0.5);
      }
      if (shape == 2)
        local[2] = 0.04 * (in_.Unit() - 0.5);
      if (shape == 3)
        local = MPoint(3.0 * in_.Unit() - 1.0, 3.0 * in_.Unit() - 1.0, 0.5 * in_.Unit());
      local_[k] = local;
      out_.quad.corners[k] = Place(local);
    }
  }

  MPoint Place(const MPoint& local) {
    const MPoint p = origin_ + size_ * (local[0] * rotation_[0] + local[1] * rotation_[1] +
                                        local[2] * rotation_[2]);
    Note(p);
    return p;
  }

  void Note(const MPoint& p) {
    for (int i = 0; i < 3; ++i) {
      if (!std::isfinite(p[i]))
        out_.hasNonFiniteCoordinate = true;
      else if (std::fabs(p[i]) > out_.largestCoordinate)
        out_.largestCoordinate = std::fabs(p[i]);
    }
  }

  // The local point of the quad at square parameters uv: on the bilinear patch through the
  // corners, or on the two triangles (0, 1, 3) and (3, 1, 2) of the trimmer's first cut.
  MPoint LocalAt(const UV& uv) const {
    const double u = uv[0];
    const double v = uv[1];
    if (!piecewiseLift_)
      return (1.0 - u) * (1.0 - v) * local_[0] + u * (1.0 - v) * local_[1] + u * v * local_[2] +
             (1.0 - u) * v * local_[3];
    if (u + v <= 1.0)
      return local_[0] + u * (local_[1] - local_[0]) + v * (local_[3] - local_[0]);
    return local_[2] + (1.0 - v) * (local_[1] - local_[2]) + (1.0 - u) * (local_[3] - local_[2]);
  }

  MPoint Lift(const UV& uv) { return Place(LocalAt(uv)); }

  double BorderParameter() {
    const std::uint8_t kind = in_.Byte();
    if (kind < 200)
      return in_.Unit();
    if (kind < 220)
      return 0.0;
    if (kind < 240)
      return 1.0;
    if (kind < 248)
      return 0.5;
    return kind & 1 ? 1e-14 : 1.0 - 1e-14;
  }

  std::int32_t EdgeNumber() {
    const std::uint8_t b = in_.Byte();
    if (b < 248)
      return b % 4;
    static constexpr std::int32_t kOutside[8] = {4,
                                                 -1,
                                                 5,
                                                 7,
                                                 100,
                                                 -5,
                                                 std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()};
    out_.hasEdgeOutsideQuad = true;
    return kOutside[b - 248];
  }

  std::int32_t Tag() {
    const std::uint8_t b = in_.Byte();
    if (b < 250)
      return b % 8;  // few values, so that neighbouring pieces share tags
    static constexpr std::int32_t kExtreme[6] = {-1,
                                                 0,
                                                 1 << 30,
                                                 std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max(),
                                                 -7};
    return kExtreme[b - 250];
  }

  std::size_t PointCount() {
    const std::uint8_t b = in_.Byte();
    return b < 240 ? b % 12 : 12 + in_.Below(28);
  }

  // Appends the next loop point to `chain`, which holds the polyline so far (for a part, its
  // entering crossing first); returns false when the point budget is spent.
  bool AppendPoint(std::vector<MPoint>& chain, const MGuide& guide, std::size_t index) {
    if (points_ >= kPointBudget)
      return false;
    ++points_;
    const std::uint8_t kind = in_.Byte();
    const MPoint* previous = chain.empty() ? nullptr : &chain.back();
    if (kind < 112) {  // the ordinary point, where the guide puts it
      const double along = in_.Unit();
      chain.push_back(Lift(guide.At(index, along, in_.Unit())));
    } else if (kind < 128) {  // anywhere inside, maybe crossing the polyline
      const double u = in_.Unit();
      chain.push_back(Lift(UV(u, in_.Unit())));
    } else if (kind < 144) {  // on a corner
      chain.push_back(out_.quad.corners[in_.Below(4)]);
    } else if (kind < 160) {  // on the diagonal from corner 1 to corner 3
      const double t = in_.Unit();
      chain.push_back(Lift(UV(t, 1.0 - t)));
    } else if (kind < 176 && previous != nullptr) {  // the same point again
      chain.push_back(*previous);
    } else if (kind < 184 && previous != nullptr) {  // a hair away from the last one
      const MPoint d(in_.Unit() - 0.5, in_.Unit() - 0.5, in_.Unit() - 0.5);
      chain.push_back(*previous + (1e-12 * size_) * d);
    } else if (kind < 192 && chain.size() >= 2) {  // back to the point before the last
      chain.push_back(chain[chain.size() - 2]);
    } else if (kind < 200 && chain.size() >= 2) {  // back along the last few points
      const std::size_t n = std::min<std::size_t>(chain.size() - 1, 1 + in_.Below(4));
      for (std::size_t i = 1; i <= n; ++i)
        chain.push_back(chain[chain.size() - 2 * i]);
    } else if (kind < 216) {  // on the quad border
      const int k = in_.Below(4);
      chain.push_back(Lift(OnSquareEdge(k, in_.Unit())));
    } else if (kind < 224) {  // exact special parameters
      static const UV kSpecial[4] = {UV(0.5, 0.5), UV(0.25, 0.25), UV(0.75, 0.25), UV(0.5, 0.0)};
      chain.push_back(Lift(kSpecial[in_.Below(4)]));
    } else if (kind < 232) {  // slightly outside the square
      const double u = 1.02 * in_.Unit() - 0.01;
      chain.push_back(Lift(UV(u, 1.02 * in_.Unit() - 0.01)));
    } else if (kind < 240) {  // a billionth away from a corner
      const UV c = SquareCorner(in_.Below(4));
      const UV inward(c[0] == 0.0 ? 1e-9 : -1e-9, c[1] == 0.0 ? 1e-9 : -1e-9);
      chain.push_back(Lift(c + in_.Unit() * inward));
    } else if (kind < 248) {  // off the quad's surface
      const double u = in_.Unit();
      MPoint local = LocalAt(UV(u, in_.Unit()));
      local[2] += 0.1 * (in_.Unit() - 0.5);
      chain.push_back(Place(local));
    } else if (kind < 252) {  // next to the diagonal
      const double t = in_.Unit();
      chain.push_back(Lift(UV(t, 1.0 - t + 1e-14)));
    } else if (kind < 255) {  // any bit pattern
      MPoint p;
      for (int i = 0; i < 3; ++i)
        p[i] = in_.Raw();
      Note(p);
      chain.push_back(p);
    } else {  // a point at the origin of the model, far from a displaced quad
      chain.push_back(MPoint(0.0, 0.0, 0.0));
    }
    return true;
  }

  // Tags for n points: none (kind < 128), one each, or (rarely) one too many or too few.
  std::optional<std::vector<std::int32_t>> Tags(std::size_t n, std::uint8_t kind) {
    if (kind < 128)
      return std::nullopt;
    std::vector<std::int32_t> tags;
    for (std::size_t i = 0; i < n; ++i)
      tags.push_back(Tag());
    if (kind >= 240 && kind < 248) {
      out_.hasTagCountMismatch = true;
      if (kind & 1 || tags.empty())
        tags.push_back(Tag());
      else
        tags.pop_back();
    }
    return tags;
  }

  MTrimmer::MPartToTrim DecodePart() {
    MTrimmer::MPartToTrim part;
    part.startEdge = EdgeNumber();
    const UV start = OnSquareEdge(part.startEdge, BorderParameter());
    part.startPoint = Lift(start);
    part.endEdge = EdgeNumber();
    const UV end = OnSquareEdge(part.endEdge, BorderParameter());
    part.endPoint = Lift(end);
    MGuide guide{start == end, start, end, PointCount()};
    std::vector<MPoint> chain{part.startPoint};
    for (std::size_t i = 0; i < guide.count && AppendPoint(chain, guide, i); ++i) {
    }
    part.points.assign(chain.begin() + 1, chain.end());

    const std::uint8_t tagKind = in_.Byte();
    part.tags = Tags(part.points.size(), tagKind);
    if (part.tags) {
      part.startTag = Tag();
      part.endTag = Tag();
      if (tagKind >= 248) {  // a splitting point without its tag
        out_.hasMissingCrossingTag = true;
        (tagKind & 1 ? part.startTag : part.endTag).reset();
      }
    }
    return part;
  }

  MInnerLoop DecodeLoop() {
    MInnerLoop loop;
    const double u = in_.Unit();
    MGuide guide{true, UV(u, in_.Unit()), UV(), PointCount()};
    for (std::size_t i = 0; i < guide.count && AppendPoint(loop.points, guide, i); ++i) {
    }
    const std::uint8_t closing = in_.Byte();
    if (closing >= 192 && !loop.points.empty())  // closed explicitly by a copy of the first
      loop.points.push_back(loop.points.front());
    loop.tags = Tags(loop.points.size(), in_.Byte());
    return loop;
  }

  std::int32_t NoiseIndex() {
    const std::uint8_t b = in_.Byte();
    if (b < 128)
      return b % 16;
    return static_cast<std::int32_t>(in_.Word32());
  }

  MByteReader& in_;
  MDecodedQuad out_;
  bool piecewiseLift_ = false;
  std::array<MPoint, 3> rotation_{};
  double size_ = 1.0;
  MPoint origin_;
  std::array<MPoint, 4> local_{};
  std::size_t points_ = 0;
};

}  // namespace detail

/// Decodes a byte string (any length, any content) into a trimming record.
inline MDecodedQuad DecodeTrimmerInput(const std::uint8_t* data, std::size_t size) {
  MByteReader reader(data, size);
  return detail::MQuadDecoder(reader).Decode();
}

}  // namespace trimmer_fuzz
