#include "store/ParseArena.h"

#include "store/HtmlParsing.h"

#include <algorithm>
#include <cstdlib>

TParseArena::~TParseArena() {
    for (const TBlock& block : FBlocks) std::free(block.Bytes);
}

GumboOptions TParseArena::Options() {
    GumboOptions options = HtmlParsing::ParserOptions();
    options.allocator = [](void* arena, size_t size) { return static_cast<TParseArena*>(arena)->Take(size); };
    options.deallocator = [](void*, void*) {};  // everything goes with Reset
    options.userdata = this;
    return options;
}

void TParseArena::Reset() {
    std::size_t kept = 0;
    std::erase_if(FBlocks, [&](const TBlock& block) {
        if (block.Size == BlockBytes && kept + block.Size <= KeptBytes) {
            kept += block.Size;
            return false;
        }
        std::free(block.Bytes);
        return true;
    });
    FCurrent = 0;
    FUsed = 0;
}

void* TParseArena::Take(std::size_t size) {
    size = (size + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    while (FCurrent < FBlocks.size() && FUsed + size > FBlocks[FCurrent].Size) {
        ++FCurrent;
        FUsed = 0;
    }
    if (FCurrent == FBlocks.size()) {
        // A piece larger than a block gets a block of its own size.
        const std::size_t blockSize = std::max(size, BlockBytes);
        char* bytes = static_cast<char*>(std::malloc(blockSize));
        if (!bytes) return nullptr;  // as the parser's own allocator would
        FBlocks.push_back({bytes, blockSize});
    }
    void* piece = FBlocks[FCurrent].Bytes + FUsed;
    FUsed += size;
    return piece;
}
