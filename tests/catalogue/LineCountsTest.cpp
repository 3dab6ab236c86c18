#include "catalogue/Error.h"
#include "catalogue/LineCounts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kodrix;

TEST(LineCounts, AListThatChangedIsCountedAgain) {
    // Counts are kept between calls; each change below comes right after the
    // count before it, the same size included, as a catalogue being edited
    // or copied in while the program runs would have it.
    test::TempDir dir;
    LineCounts counts;
    const auto list = dir.path() / "A.dat";
    const struct {
        const char* bytes;
        std::size_t lines;
    } steps[] = {
        {"a\r\nb\r\n", 2},
        {"a\r\nb\r\n", 2},
        {"ab\r\n\r\n", 2},
        {"a\nb\nc\n", 3},  // the same size, one line more
        {"abc\r\n\r", 2},
        {"", 0},
        {"one line", 1},
    };
    for (const auto& step : steps) {
        dir.write("A.dat", step.bytes);
        EXPECT_EQ(counts.count(list), step.lines) << step.bytes;
        EXPECT_EQ(counts.count(list), step.lines) << step.bytes;
    }
    // Another file put in its place, and none at all.
    dir.write("B.dat", "1\n2\n3\n4\n5\n");
    std::filesystem::rename(dir.path() / "B.dat", list);
    EXPECT_EQ(counts.count(list), 5u);
    std::filesystem::remove(list);
    EXPECT_THROW(counts.count(list), Error);
}

TEST(LineCounts, AKeptCountGoesWithTheFileItWasTakenFrom) {
    // Kept at once (no settling time): a change of size, or another file in
    // the same place, is counted afresh.
    test::TempDir dir;
    LineCounts counts(0);
    const auto list = dir.path() / "A.dat";
    dir.write("A.dat", "a\nb\n");
    EXPECT_EQ(counts.count(list), 2u);
    dir.write("A.dat", "a\nb\nc\n");
    EXPECT_EQ(counts.count(list), 3u);
    dir.write("B.dat", "1\n2\n3\n4\n");
    std::filesystem::rename(dir.path() / "B.dat", list);
    EXPECT_EQ(counts.count(list), 4u);
    EXPECT_EQ(counts.count(dir.write("C.dat", "x")), 1u);  // each file its own count
    EXPECT_EQ(counts.count(list), 4u);
}
