#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MPointOnLoop.h"
#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "Oxlen/Cad/Triangulation/MSurfaceIsolines.h"
#include "Oxlen/CadEntity/MCADParameterList_1d.h"
#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/point.h"

class MCADLoop;
struct MCADFin;
class MCAD2DVCurve;

/// Turns a trimming loop of a CAD face into a closed polyline in model space.
///
/// Each fin's curve is sampled at its own parameters (refined so that its UV steps pass the grid
/// isolines one at a time), thinned where it is straight, and refined by chords until the middle
/// of no chord strays from the curve by the tolerance. The fins are then put into chain order
/// (`OrderFins`), their junctions repaired (`JoinFins`) and their points concatenated.
///
/// Every curve point is taken from the CAD entity library in internal units, divided by 10000 and
/// transformed by the face placement (as a row vector) into model space.
///
/// A fin whose curve is defined in the UV plane of a surface (`MCAD3DVUVSurfaceCurve2DBased`) is
/// clipped to that surface's limits: its UV point is clamped into [min, max] along each direction
/// that is not periodic, and its model point is the surface point there. Clamping moves no point
/// inside the limits and moves every point outside onto their border, so the clipped loop winds
/// around every point inside the limits exactly as the loop does: the region it bounds within the
/// limits is the loop's region there, at any scale (a loop at 1e9 clips exactly like one just
/// outside the limits). Stretches outside run along the border of the limits. Along a periodic
/// direction (a cylinder's U) nothing is clipped. A space curve without UV is evaluated as it is.
///
/// A class of static functions; it keeps no state, so any number of loops may be segmented on
/// different threads at once.
class MCadTriangulator::MLoopSegmenter {
 public:
  /// A loop that cannot be segmented: a space curve (one not defined in UV) that leaves the face
  /// far behind, a curve that lists no parameter, a loop whose points collapse into a box of
  /// diagonal below 0.0001, or a UV loop clipped wholly onto the border of the limits that bounds
  /// nothing within them. The triangulation driver catches it and tries the loop's alternatives.
  struct MExceptionBadLoop : std::runtime_error {
    MExceptionBadLoop() : std::runtime_error("MLoopSegmenter: incorrect loop") {}
  };

  /// A fin that cannot be a loop edge: its curve lists a NaN or infinite parameter, gives a NaN or
  /// infinite point (3D or UV), or is a NURBS curve that is not continuous. The input is wrong,
  /// not the loop's shape, so the loop is rejected rather than dropped: the triangulation driver
  /// turns it into std::invalid_argument "face: loop L, fin F: <reason>".
  struct MExceptionBadFin : std::invalid_argument {
    /// A broken fin whose place in its loop is not known: "fin: <reason>".
    explicit MExceptionBadFin(const std::string& reason)
        : std::invalid_argument("fin: " + reason), reason(reason) {}
    /// Broken fin `fin` (0-based) of the loop: "loop: fin <fin>: <reason>".
    MExceptionBadFin(std::size_t fin, const std::string& reason)
        : std::invalid_argument("loop: fin " + std::to_string(fin) + ": " + reason),
          fin(fin),
          reason(reason) {}
    /// The fin's index in its loop, when known.
    std::optional<std::size_t> fin;
    /// What is wrong with the fin, without the argument name.
    std::string reason;
  };

  /// The samples of one fin's curve: parallel lists of curve parameters and model-space points,
  /// in the curve's own direction.
  struct MFinSamples {
    std::vector<double> parameters;
    std::vector<Oxlen::Math::point<double, 3>> points;
  };

  /// The points of one fin, in the order in which the loop passes them.
  using MFinPoints = std::vector<MPointOnLoop>;

  // Work limits. They never bind on curves that are continuous and reasonably sampled; they stop
  // the refinements on curves that jump or oscillate without end, and the fin ordering on
  // degenerate loops whose fins all lie close together.

  /// Chords inserted into one fin by the chordal refinement; once reached, the fin keeps the
  /// points it has (the refinement of that fin stops, the loop is still segmented).
  static constexpr std::size_t kMaxChordInsertionsPerFin = 100000;
  /// Times a chord descending from one sample chord may be split; a chord this deep spans a
  /// jump of the curve and is kept as it is.
  static constexpr int kMaxChordSplitDepth = 64;
  /// Bisection steps of the search for the curve point over the middle of a chord; when they run
  /// out the point at the chord's middle parameter is taken, as when the search stalls.
  static constexpr int kMaxMiddleSearchSteps = 200;
  /// Halvings of one parameter step in `RefineByIsolines`; when they run out (a UV jump) that
  /// step is left as it is.
  static constexpr int kMaxIsolineHalvings = 100;
  /// Parameters inserted into one fin's list by `RefineByIsolines`; once reached, the rest of the
  /// list is left as it is.
  static constexpr std::size_t kMaxIsolineInsertionsPerFin = 20000;

  /// Steps the ordering search of `OrderFins` may take for n fins: max(100000, 1000 n). When they
  /// run out the best order found so far is used.
  static std::size_t OrderSearchBudget(std::size_t finCount);

  /// Segments a loop into a closed polyline.
  ///
  /// Every fin is segmented (`SegmentFin`) and reversed when it runs against its curve; the fins
  /// are put into chain order (`OrderFins`), each junction from fin i to fin (i + 1) mod n is
  /// repaired (`JoinFins`; a loop of one fin is joined with itself), and the fins' points are
  /// concatenated. Where two fins meet both contribute their end point.
  /// @param[in] loop      the loop; every fin has a curve.
  /// @param[in] tags      absent, or one tag per fin in fin order; the result then carries one tag
  ///                      per point, the tag of the fin the point came from (after reordering).
  /// @param[in] placement the face placement applied to curve points (row vector convention).
  /// @param[in] tolerance the chordal tolerance in model units: finite and >= 0.
  /// @param[in] isolines  the grid's current isolines (finite values).
  /// @param[in] box       the grid's 3D bounding box in model space.
  /// @return the segmented loop; with tags, `tags->size() == points.size()`.
  /// @throws MExceptionBadLoop when a refinement point of a space curve (one without UV) lies
  ///         farther than max(10 tolerance, 10 diagonals of `box`) from `box`, when a curve lists
  ///         no parameter, when the loop has no points or they span a box whose diagonal is below
  ///         0.0001, or when the loop, its fins all in UV on a surface without periodic
  ///         direction, was clipped wholly onto the border of the limits and winds around their
  ///         inside zero times (it bounds nothing within them).
  /// @throws MExceptionBadFin "loop: fin F: ..." (F the 0-based fin index) for a fin whose curve
  ///         lists a NaN or infinite parameter, gives a NaN or infinite point (3D or UV), or is a
  ///         NURBS curve that is not continuous (`M3dNurbsCurve::IsContinuous`).
  /// @throws std::invalid_argument "tags: ..." when the tag count differs from the fin count,
  ///         "tolerance: ..." for a negative or non-finite tolerance, "loop: ..." for a fin
  ///         without curve, "isolines: ..." for a non-finite isoline.
  static MSegmentedLoop SegmentLoop(const MCADLoop& loop, std::optional<std::vector<int>> tags,
                                    const Oxlen::Math::matrix4x4<double>& placement,
                                    double tolerance, const MSurfaceIsolines& isolines,
                                    const Oxlen::Math::boundingbox<double, 3>& box);

  /// Segments one fin in its curve's own direction (the caller reverses it for `sameSense`
  /// false).
  ///
  /// Takes the samples of `SampleFinCurve` and refines them by chords: for every chord of length
  /// at least 1.49e-8, the curve point that projects within `tolerance` of the chord's middle is
  /// searched by bisection of the chord's parameter interval (the point at the middle parameter
  /// when the projection stalls); it is inserted, and its left chord examined next, when it lies
  /// at least `tolerance` from the chord. Points carry `uv` exactly when the fin's curve is a
  /// `MCAD3DVUVSurfaceCurve2DBased` with a UV curve: the UV curve at the point's parameter,
  /// clipped to the surface's limits (see the class comment), and the point is the surface point
  /// there.
  ///
  /// The refinement ends on any curve: a chord split `kMaxChordSplitDepth` times is kept, and
  /// after `kMaxChordInsertionsPerFin` insertions the fin keeps the points it has.
  /// @param[in] fin       the fin; its curve is not null.
  /// @param[in] placement the face placement.
  /// @param[in] tolerance the chordal tolerance (model units), finite and >= 0.
  /// @param[in] isolines  the grid isolines.
  /// @param[in] box       the grid's 3D box.
  /// @return the fin's points: empty when the curve lists no parameter, a single point when it
  ///         lists one.
  /// @throws MExceptionBadLoop for a refinement point of a space curve farther than
  ///         max(10 tolerance, 10 diagonals of `box`) from `box`.
  /// @throws MExceptionBadFin "fin: ..." for a non-finite parameter, 3D point or UV point, or a
  ///         NURBS curve (in space or in UV) that is not continuous.
  /// @throws std::invalid_argument ("fin: ...", "tolerance: ...", "isolines: ...") as
  ///         `SegmentLoop`.
  static MFinPoints SegmentFin(const MCADFin& fin, const Oxlen::Math::matrix4x4<double>& placement,
                               double tolerance, const MSurfaceIsolines& isolines,
                               const Oxlen::Math::boundingbox<double, 3>& box);

  /// The initial samples of a fin's curve.
  ///
  /// For a UV-based curve (evaluated clipped to its surface's limits) the UV curve's parameters
  /// are listed (a NURBS UV curve that lists only its two ends is first split into `order` equal
  /// parameter steps) and refined by `RefineByIsolines`; any other curve lists its own
  /// parameters. The midpoint of every two
  /// consecutive parameters is inserted, the curve is evaluated in model space, and the
  /// parameters are thinned by `MQuadrangulatedSurface::DecimateParameters` with `tolerance`.
  /// @param[in] fin       the fin; its curve is not null.
  /// @param[in] placement the face placement.
  /// @param[in] isolines  the grid isolines (finite values).
  /// @param[in] tolerance the decimation tolerance, not NaN.
  /// @return the remaining parameters (ascending when the curve lists them so) and their points.
  /// @throws MExceptionBadFin "fin: ..." for a non-finite parameter, 3D point or UV point, or a
  ///         NURBS curve that is not continuous.
  /// @throws std::invalid_argument "fin: ..." for a fin without curve.
  static MFinSamples SampleFinCurve(const MCADFin& fin,
                                    const Oxlen::Math::matrix4x4<double>& placement,
                                    const MSurfaceIsolines& isolines, double tolerance);

  /// Inserts parameters until, between the UV points of any two consecutive parameters, at most
  /// one U isoline value and at most one V isoline value lie (more only when they coincide to a
  /// relative 1.49e-8).
  ///
  /// For every pair (t0, t1) the step dt = t1 - t0 is halved until the UV step from t0 to
  /// t0 + dt passes few enough isolines; t0 + dt is then inserted and the pair (t0 + dt, t1) is
  /// examined next. On a UV curve that jumps, a step whose halvings reach `kMaxIsolineHalvings`,
  /// or whose halved step no longer moves away from t0, is left as it is; after
  /// `kMaxIsolineInsertionsPerFin` insertions the rest of the list is left alone.
  /// @param[in,out] parameters the curve parameters; fewer than two are left unchanged.
  /// @param[in]     uvCurve    the UV curve the parameters belong to.
  /// @param[in]     isolines   the grid isolines; each list is used as an ordered set.
  /// @throws MExceptionBadFin "fin: ..." for a non-finite parameter or UV point (of the UV curve
  ///         as it is, not clipped: steps outside the limits pass no isoline either way).
  /// @throws std::invalid_argument "isolines: ..." for a non-finite isoline value.
  static void RefineByIsolines(MCADParameterList_1d& parameters, const MCAD2DVCurve& uvCurve,
                               const MSurfaceIsolines& isolines);

  /// Finds the cyclic order and orientation of the fins that closes the loop with the smallest
  /// total gap, and applies it to `fins` and `tags`.
  ///
  /// Nothing happens for fewer than two fins or when the fins already chain (`AreFinsChained`).
  /// Otherwise a depth-first search over paths that start with fin 0 (forward first, reversed
  /// afterwards) follows, from every fin, only its two nearest fins and those within
  /// 2 `tolerance`, prunes paths whose running gap exceeds the best closed cycle (starting from
  /// the given order's cost) and rejects paths that reverse more than half of the fins. A better
  /// cycle, if found, replaces the order; fins walked backwards are reversed. The search takes at
  /// most `OrderSearchBudget(n)` steps and then keeps the best cycle found so far, so a loop of
  /// many fins crowded together still returns promptly.
  /// @param[in,out] fins      the fin lists; none may be empty.
  /// @param[in,out] tags      absent, or one tag per fin; reordered like the fins.
  /// @param[in]     tolerance the chordal tolerance.
  /// @throws std::invalid_argument "fins: ..." for an empty fin or a non-finite end point,
  ///         "tags: ..." for a tag count that differs from the fin count.
  static void OrderFins(std::vector<MFinPoints>& fins, std::optional<std::vector<int>>& tags,
                        double tolerance);

  /// True when the fins already chain: the summed gaps from each fin's last point to the next
  /// fin's first point (cyclically), divided by those gaps plus the summed distances between each
  /// fin's first and last points, is below 0.001.
  /// @param[in] fins the fin lists; none may be empty.
  /// @return false for no fins (and when both sums are zero).
  /// @throws std::invalid_argument "fins: ..." for an empty fin.
  static bool AreFinsChained(const std::vector<MFinPoints>& fins);

  /// Repairs the junction from the end of `a` to the start of `b`: a gap below the tolerance
  /// next to an end shorter than the tolerance, or between parallel ends, is closed by moving one
  /// end point onto the other; ends that overshoot or fall short of each other are cut back (or
  /// extended) to the crossing of their end lines when the moves stay within the tolerance; a gap
  /// that continues an end's direction is left open. Moved points carry interpolated `uv` as
  /// `MPointOnLoop::Interpolate` gives it; a snapped point is a copy of the other, `uv`
  /// included. Nothing happens when `a` or `b` is empty. Never throws beyond allocation
  /// failures.
  /// @param[in,out] a         the fin before the junction (its last point may move).
  /// @param[in,out] b         the fin after the junction (its first point may move); may be `a`.
  /// @param[in]     tolerance the chordal tolerance.
  static void JoinFins(MFinPoints& a, MFinPoints& b, double tolerance);

  /// A reliable direction at the start of a fin: (P[0], P[k]) for the first k whose point lies at
  /// least `tolerance` from P[0] (or is the last point) and such that every point between lies
  /// within |P[k] - P[0]| / 100 of the segment from P[0] to P[k]; (P[0], P[1]) when no k
  /// qualifies.
  /// @param[in] f         the fin's points; not empty.
  /// @param[in] tolerance the chordal tolerance.
  /// @return (last, last) for a fin of one point.
  /// @throws std::invalid_argument "f: ..." for an empty fin.
  static std::pair<MPointOnLoop, MPointOnLoop> GetEndSegment(const MFinPoints& f, double tolerance);
};
