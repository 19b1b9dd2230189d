// Small trimmed faces of every kind, as real parts are made of (see small_faces.h): the time per
// face and per stage of the pipeline in microseconds, the triangles and quads per face, and the
// heap allocations per face with the bytes they ask for. Operator new is replaced in this program
// to count them, in the library too.
//
//   small_faces_bench --signature
// prints instead a hash of every kind's meshes (vertices, triangles and border edges, bit for
// bit): an optimisation that must not change results must not change these lines.
#include <benchmark/benchmark.h>

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "small_faces.h"

namespace {

std::atomic<std::size_t> g_allocations{0};
std::atomic<std::size_t> g_allocatedBytes{0};

void* CountedAllocation(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  g_allocatedBytes.fetch_add(size, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size))
    return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return CountedAllocation(size);
}
void* operator new[](std::size_t size) {
  return CountedAllocation(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

constexpr int kFacesPerKind = 170;  // 6 kinds: about a thousand faces

void TriangulateFaces(benchmark::State& state, const std::vector<MCADFace>& faces) {
  MCadTriangulator::MStatistics sum;
  std::size_t triangles = 0;
  std::size_t quads = 0;
  const std::size_t allocationsBefore = g_allocations.load();
  const std::size_t bytesBefore = g_allocatedBytes.load();
  for (auto _ : state) {
    triangles = 0;
    quads = 0;
    for (const MCADFace& face : faces) {
      MCadTriangulator::MStatistics stats;
      auto mesh = MCadTriangulator::Triangulate(face, std::nullopt, small_faces::kTolerance,
                                                std::numeric_limits<double>::infinity(), 2000000,
                                                {}, &stats);
      benchmark::DoNotOptimize(mesh.vertices.data());
      triangles += mesh.triangles.size();
      quads += stats.quads;
      sum.initialGridSeconds += stats.initialGridSeconds;
      sum.refinementSeconds += stats.refinementSeconds;
      sum.assemblySeconds += stats.assemblySeconds;
      sum.mergeSeconds += stats.mergeSeconds;
    }
  }
  const double calls = static_cast<double>(state.iterations()) * static_cast<double>(faces.size());
  const double perFace = static_cast<double>(faces.size());
  state.counters["us/face"] =
      benchmark::Counter(calls, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["triangles/face"] = static_cast<double>(triangles) / perFace;
  state.counters["quads/face"] = static_cast<double>(quads) / perFace;
  state.counters["grid_us"] = 1e6 * sum.initialGridSeconds / calls;
  state.counters["refine_us"] = 1e6 * sum.refinementSeconds / calls;
  state.counters["assembly_us"] = 1e6 * sum.assemblySeconds / calls;
  state.counters["merge_us"] = 1e6 * sum.mergeSeconds / calls;
  state.counters["allocs/face"] =
      static_cast<double>(g_allocations.load() - allocationsBefore) / calls;
  state.counters["kB/face"] =
      static_cast<double>(g_allocatedBytes.load() - bytesBefore) / calls / 1024.0;
}

// range(0): the kind, as an index into small_faces::kKinds.
void BM_SmallFaces(benchmark::State& state) {
  const small_faces::EKind kind = small_faces::kKinds[static_cast<std::size_t>(state.range(0))];
  const std::vector<MCADFace> faces = small_faces::MakeFaces(kind, kFacesPerKind);
  state.SetLabel(small_faces::KindName(kind));
  TriangulateFaces(state, faces);
}
BENCHMARK(BM_SmallFaces)->DenseRange(0, static_cast<int>(small_faces::kKinds.size()) - 1);

// All kinds together, as one part.
void BM_SmallFacesAllKinds(benchmark::State& state) {
  std::vector<MCADFace> faces;
  for (small_faces::EKind kind : small_faces::kKinds)
    for (MCADFace& face : small_faces::MakeFaces(kind, kFacesPerKind))
      faces.push_back(std::move(face));
  TriangulateFaces(state, faces);
}
BENCHMARK(BM_SmallFacesAllKinds);

// FNV-1a over the bytes of the values.
class Hash {
 public:
  template <typename T>
  void Add(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (unsigned char b : bytes)
      m_hash = (m_hash ^ b) * 1099511628211ULL;
  }
  std::uint64_t Value() const { return m_hash; }

 private:
  std::uint64_t m_hash = 14695981039346656037ULL;
};

void PrintSignatures() {
  for (small_faces::EKind kind : small_faces::kKinds) {
    Hash hash;
    std::size_t triangles = 0;
    for (const MCADFace& face : small_faces::MakeFaces(kind, kFacesPerKind)) {
      const auto mesh =
          MCadTriangulator::Triangulate(face, std::nullopt, small_faces::kTolerance,
                                        std::numeric_limits<double>::infinity(), 2000000, {});
      for (const auto& v : mesh.vertices)
        for (int k = 0; k < 3; ++k)
          hash.Add(v[k]);
      for (const auto& t : mesh.triangles)
        for (int k = 0; k < 3; ++k)
          hash.Add(t[k]);
      for (const auto& e : mesh.border_edges) {
        hash.Add(e.first);
        hash.Add(e.second);
        hash.Add(e.tag);
      }
      triangles += mesh.triangles.size();
    }
    std::cout << small_faces::KindName(kind) << ' ' << triangles << " triangles " << std::hex
              << hash.Value() << std::dec << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--signature") == 0) {
    PrintSignatures();
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
