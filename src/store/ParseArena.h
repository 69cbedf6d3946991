#pragma once
// TParseArena: memory for one HTML parse at a time on one thread. The parser allocates a great
// many small pieces and frees them all together with the tree, so they are carved from large
// blocks and dropped at once. An arena kept by a worker keeps its blocks for the next page,
// which saves the allocator's work and the page faults of handing memory back and taking it
// again.
#include <cstddef>
#include <gumbo.h>
#include <vector>

class TParseArena {
public:
    TParseArena() = default;
    TParseArena(const TParseArena&) = delete;
    TParseArena& operator=(const TParseArena&) = delete;
    ~TParseArena();

    // The program's parser options, allocating from this arena (their userdata is the arena).
    // A tree parsed with them is never passed to gumbo_destroy_output: it goes with Reset.
    GumboOptions Options();
    // Frees everything taken; a few blocks are kept for the next parse.
    void Reset();

private:
    static constexpr std::size_t BlockBytes = 1 << 20;
    static constexpr std::size_t KeptBytes = 16 << 20;
    struct TBlock {
        char* Bytes;
        std::size_t Size;
    };

    void* Take(std::size_t size);

    std::vector<TBlock> FBlocks;
    std::size_t FCurrent = 0;  // the block pieces are taken from
    std::size_t FUsed = 0;     // bytes taken from it
};
