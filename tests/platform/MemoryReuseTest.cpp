#include "platform/MemoryReuse.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

using namespace kodrix;

TEST(MemoryReuse, ListSizedBlocksComeFromKeptMemoryAndStayWhenFreed) {
#if !defined(__GLIBC__)
    GTEST_SKIP() << "the C library keeps memory its own way";
#else
    keepFreedMemoryForReuse();
    // A block the size of a large group's lists and their order (20 MB) is
    // cut from the process's heap, not mapped on its own...
    constexpr std::size_t kSize = 20u << 20;
    const std::size_t mappedBefore = mallinfo2().hblkhd;
    char* block = static_cast<char*>(std::malloc(kSize));
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, kSize);
    EXPECT_LT(mallinfo2().hblkhd - mappedBefore, kSize);
    // ... and once freed, the heap keeps it for the next one.
    const std::size_t heap = mallinfo2().arena;
    std::free(block);
    EXPECT_GE(mallinfo2().arena + (1u << 20), heap);
#endif
}
