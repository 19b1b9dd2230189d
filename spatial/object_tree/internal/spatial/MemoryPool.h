#pragma once

#include <oneapi/tbb/concurrent_queue.h>
#include <oneapi/tbb/concurrent_vector.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace MeshQueries::detail {

/// Block allocator for the nodes of a tree built by several threads at once.
///
/// A caller takes whole blocks of `BlockSize` uninitialised slots and fills them itself without
/// further synchronisation. Blocks are carved from chunks of `BlocksPerChunk` blocks allocated in
/// one piece: the thread that finds no free block allocates a chunk, keeps its first block and
/// queues the others for the remaining threads. Blocks are never given back one by one; all
/// chunks are freed together by `Clear` or the destructor.
///
/// `T` must be trivially destructible: the pool never runs destructors of what was built in its
/// slots.
///
/// `AcquireBlock` may be called concurrently; `Clear`, `ReleaseUnusedChunks` and the counters
/// must not run concurrently with anything else.
template <class T, std::size_t BlockSize, std::size_t BlocksPerChunk>
class MemoryPool {
  static_assert(BlockSize > 0 && BlocksPerChunk > 0, "blocks and chunks hold something");
  static_assert(std::is_trivially_destructible_v<T>, "slots are freed without destruction");

 public:
  static constexpr std::size_t blockSize = BlockSize;
  static constexpr std::size_t blocksPerChunk = BlocksPerChunk;

  MemoryPool() = default;
  MemoryPool(const MemoryPool&) = delete;
  MemoryPool& operator=(const MemoryPool&) = delete;
  ~MemoryPool() { Clear(); }

  /// Hands out one block of `BlockSize` uninitialised, suitably aligned slots of `T`.
  /// Thread-safe. Throws `std::bad_alloc` when a new chunk cannot be allocated.
  T* AcquireBlock() {
    FreeBlock block;
    if (freeBlocks.try_pop(block)) {
      block.chunk->blocksNotHandedOut.fetch_sub(1, std::memory_order_relaxed);
      return block.begin;
    }
    return CarveNewChunk();
  }

  /// Frees every chunk. The blocks handed out so far become invalid.
  void Clear() {
    freeBlocks.clear();
    for (Chunk& chunk : chunks)
      Deallocate(chunk.storage);
    chunks.clear();
  }

  /// Frees the chunks none of whose blocks were handed out (and drops their queued blocks);
  /// the blocks in use stay valid.
  void ReleaseUnusedChunks() {
    std::vector<FreeBlock> kept;
    FreeBlock block;
    while (freeBlocks.try_pop(block)) {
      if (!IsUnused(*block.chunk))
        kept.push_back(block);
    }
    for (const FreeBlock& b : kept)
      freeBlocks.push(b);
    for (Chunk& chunk : chunks) {
      if (chunk.storage != nullptr && IsUnused(chunk)) {
        Deallocate(chunk.storage);
        chunk.storage = nullptr;
      }
    }
  }

  /// Number of chunks currently allocated.
  std::size_t GetChunkCount() const {
    std::size_t count = 0;
    for (const Chunk& chunk : chunks)
      count += chunk.storage != nullptr ? 1 : 0;
    return count;
  }

  /// Number of blocks handed out from the chunks currently allocated.
  std::size_t GetBlocksHandedOut() const {
    std::size_t count = 0;
    for (const Chunk& chunk : chunks) {
      if (chunk.storage != nullptr)
        count += BlocksPerChunk - chunk.blocksNotHandedOut.load(std::memory_order_relaxed);
    }
    return count;
  }

 private:
  struct Chunk {
    T* storage = nullptr;
    std::atomic<std::size_t> blocksNotHandedOut{0};

    Chunk(T* s, std::size_t left) : storage(s), blocksNotHandedOut(left) {}
    // The chunk vector may copy records when it is copied itself; it never is while the pool is
    // in use, but the element type must still be copyable for the container to compile.
    Chunk(const Chunk& other)
        : storage(other.storage),
          blocksNotHandedOut(other.blocksNotHandedOut.load(std::memory_order_relaxed)) {}
    Chunk& operator=(const Chunk& other) {
      storage = other.storage;
      blocksNotHandedOut.store(other.blocksNotHandedOut.load(std::memory_order_relaxed),
                               std::memory_order_relaxed);
      return *this;
    }
  };

  struct FreeBlock {
    T* begin = nullptr;
    Chunk* chunk = nullptr;
  };

  static bool IsUnused(const Chunk& chunk) {
    return chunk.blocksNotHandedOut.load(std::memory_order_relaxed) == BlocksPerChunk;
  }

  static T* Allocate() {
    return static_cast<T*>(
        ::operator new (sizeof(T) * BlockSize * BlocksPerChunk, std::align_val_t{alignof(T)}));
  }

  static void Deallocate(T* storage) {
    if (storage != nullptr)
      ::operator delete (storage, std::align_val_t{alignof(T)});
  }

  // Allocates a chunk, records it, queues all its blocks but the first and returns the first.
  T* CarveNewChunk() {
    struct Owner {
      T* storage;
      ~Owner() { Deallocate(storage); }
    } owner{Allocate()};
    // Element addresses of a concurrent_vector are stable, so the queued blocks may point at
    // their chunk record while other threads keep appending.
    Chunk& chunk = *chunks.emplace_back(owner.storage, BlocksPerChunk - 1);
    T* first = owner.storage;
    owner.storage = nullptr;  // the record owns the chunk from now on
    for (std::size_t b = 1; b < BlocksPerChunk; ++b)
      freeBlocks.push(FreeBlock{first + b * BlockSize, &chunk});
    return first;
  }

  tbb::concurrent_queue<FreeBlock> freeBlocks;
  tbb::concurrent_vector<Chunk> chunks;
};

}  // namespace MeshQueries::detail
