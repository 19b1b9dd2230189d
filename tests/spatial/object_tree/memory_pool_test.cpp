#include "spatial/MemoryPool.h"

#include <gtest/gtest.h>
#include <oneapi/tbb/parallel_for.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using Pool = MeshQueries::detail::MemoryPool<std::uint64_t, 64, 8>;

TEST(MemoryPool, HandsOutDisjointBlocksUnderParallelUse) {
  Pool pool;
  constexpr std::size_t blocks = 203;
  std::vector<std::uint64_t*> taken(blocks);
  tbb::parallel_for(std::size_t{0}, blocks, [&](std::size_t i) {
    taken[i] = pool.AcquireBlock();
    std::fill(taken[i], taken[i] + Pool::blockSize, i);  // every slot is usable
  });
  for (std::size_t i = 0; i < blocks; ++i)
    ASSERT_EQ(std::count(taken[i], taken[i] + Pool::blockSize, i), std::ptrdiff_t(Pool::blockSize));
  EXPECT_EQ(pool.GetBlocksHandedOut(), blocks);
  // Chunks with handed-out blocks survive the release; Clear drops them all.
  const std::size_t chunks = pool.GetChunkCount();
  EXPECT_GE(chunks, (blocks + 7) / 8);
  pool.ReleaseUnusedChunks();
  EXPECT_EQ(pool.GetChunkCount(), chunks);
  pool.Clear();
  EXPECT_EQ(pool.GetChunkCount(), 0u);
  EXPECT_EQ(pool.GetBlocksHandedOut(), 0u);
}

}  // namespace
