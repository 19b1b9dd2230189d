#include <gtest/gtest.h>
#include <oneapi/tbb/parallel_for.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "spatial/MemoryPool.h"

namespace {

using Pool = MeshQueries::detail::MemoryPool<std::uint64_t, 64, 8>;

TEST(MemoryPool, HandsOutDisjointBlocksFromSharedChunks) {
  Pool pool;
  constexpr std::size_t blocks = 203;
  std::vector<std::uint64_t*> taken(blocks);
  tbb::parallel_for(std::size_t{0}, blocks, [&](std::size_t i) {
    taken[i] = pool.AcquireBlock();
    for (std::size_t s = 0; s < Pool::blockSize; ++s)
      taken[i][s] = i;  // every slot is usable
  });
  for (std::size_t i = 0; i < blocks; ++i) {
    for (std::size_t s = 0; s < Pool::blockSize; ++s)
      ASSERT_EQ(taken[i][s], i);
  }
  std::sort(taken.begin(), taken.end());
  for (std::size_t i = 1; i < blocks; ++i)
    EXPECT_GE(taken[i] - taken[i - 1], static_cast<std::ptrdiff_t>(Pool::blockSize));
  // Threads that find the queue empty at the same time each open a chunk, so there may be more
  // chunks than the blocks need.
  EXPECT_EQ(pool.GetBlocksHandedOut(), blocks);
  EXPECT_GE(pool.GetChunkCount(), (blocks + 7) / 8);

  // Chunks with handed-out blocks survive; the queued blocks stay available.
  const std::size_t chunks = pool.GetChunkCount();
  pool.ReleaseUnusedChunks();
  EXPECT_EQ(pool.GetChunkCount(), chunks);
  pool.AcquireBlock();
  EXPECT_EQ(pool.GetChunkCount(), chunks);  // the last chunk still had free blocks

  pool.Clear();
  EXPECT_EQ(pool.GetChunkCount(), 0u);
  EXPECT_EQ(pool.GetBlocksHandedOut(), 0u);
  pool.AcquireBlock();
  EXPECT_EQ(pool.GetChunkCount(), 1u);
  EXPECT_EQ(pool.GetBlocksHandedOut(), 1u);
}

}  // namespace
