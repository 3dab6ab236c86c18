#include "catalogue/TextList.h"

#include "catalogue/Error.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kodrix;

TEST(TextList, LineEndsAsTheLoaderSplitsThem) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},          // LF CR is two line ends
        {"a\r\n\r\nb", {"a", "", "b"}},      // an empty line inside counts
        {"a\n\r", {"a", ""}},
        {"\r\n", {""}},
        {"a\r\r\n", {"a", ""}},
        {std::string("a\nb\0c\nd", 7), {"a", "b"}},  // a zero byte ends the text
        {std::string("\0abc", 4), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitLines(c.bytes), c.lines) << testing::PrintToString(c.bytes);
        EXPECT_EQ(countLines(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                                                            c.bytes.size())),
                  c.lines.size());
    }
}

namespace {
// The line rules one byte at a time, as a reference for the word-wise scans.
std::vector<std::string> linesByteByByte(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            line.push_back(c);
            open = true;
            continue;
        }
        lines.push_back(line);
        line.clear();
        open = false;
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    if (open) lines.push_back(line);
    return lines;
}
}  // namespace

TEST(TextList, CountingAndSplittingAgreeWithTheRulesWhereverTheLineEndsFall) {
    // Both scan eight bytes at a time: line ends at every offset, runs of
    // them, CR LF pairs across the eight-byte steps, and long stretches
    // without any.
    std::uint32_t seed = 7;
    auto draw = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (const std::string_view alphabet : {std::string_view("\r\nab"), std::string_view("\r\nabcdefghijklmn")}) {
        for (int i = 0; i < 3000; ++i) {
            std::string text;
            for (std::uint32_t n = draw() >> 25; n > 0; --n) text.push_back(alphabet[draw() % alphabet.size()]);
            const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
            ASSERT_EQ(splitLines(bytes), linesByteByByte(text)) << testing::PrintToString(text);
            ASSERT_EQ(countLines(bytes), splitLines(bytes).size()) << testing::PrintToString(text);
        }
    }
}

TEST(TextList, FilesAreReadAndMissingOnesReported) {
    test::TempDir dir;
    auto p = dir.write("A.dat", "Alpha\r\nAmber\r\nAxe");
    EXPECT_EQ(loadTextList(p), (std::vector<std::string>{"Alpha", "Amber", "Axe"}));
    EXPECT_EQ(countFileLines(dir.write("empty.dat", "")), 0u);
    try {
        loadTextList(dir.path() / "gone.dat");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + (dir.path() / "gone.dat").string() + "\". No such file or directory");
    }
    EXPECT_THROW(countFileLines(dir.path()), Error);  // a directory is not a list
}

TEST(TextList, FilesReadInBlocksSplitAsTheWholeText) {
    // Files are read 64 KB at a time: line ends and zero bytes at the
    // seam between two blocks fall as they would in one piece.
    const std::size_t seam = 64 << 10;
    struct Case {
        const char* what;
        std::string around;  // the bytes at seam - 1, seam, …
    };
    const Case cases[] = {
        {"CR LF across", "\r\nb"},
        {"LF CR across", "\n\rb"},
        {"CR at the end of the file", "\r"},
        {"CR CR across", "\r\r\n"},
        {"zero after the seam", std::string("\r\0tail\n", 7)},
        {"zero at the end of the first block", std::string("\0\nx", 3)},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        std::string text(seam - 1, 'a');
        for (std::size_t i = 100; i < text.size(); i += 1000) text[i] = '\n';
        text += c.around;
        const auto path = dir.write("seam.dat", text);
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        EXPECT_EQ(loadTextList(path), splitLines(bytes)) << c.what;
        EXPECT_EQ(countFileLines(path), countLines(bytes)) << c.what;
        EXPECT_EQ(countLines(bytes), splitLines(bytes).size()) << c.what;
    }
}

TEST(TextList, TextBytesAreReadUpToTheFirstZeroWhateverTheFileClaims) {
    // The text is read straight into place, sized as the file says: files
    // of every shape read as their bytes up to the first zero byte.
    test::TempDir dir;
    const std::string big(17u << 20, 'x');  // past the size read at once
    struct Case {
        const char* what;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"empty", "", ""},
        {"small", "[G]\r\nk=1\r\n", "[G]\r\nk=1\r\n"},
        {"a zero byte ends it", std::string("ab\0cd", 5), "ab"},
        {"a zero byte first", std::string("\0ab", 3), ""},
        {"larger than the first read", big + "tail", big + "tail"},
    };
    for (const Case& c : cases) {
        const auto file = FileHandle::open(dir.write("t.ini", c.bytes));
        ASSERT_TRUE(file) << c.what;
        const auto text = readTextBytes(*file);
        ASSERT_TRUE(text) << c.what;
        EXPECT_TRUE(*text == c.text) << c.what << ": " << text->size() << " bytes";
    }
    // A sparse file that claims 3 GB of zeros reads as nothing, at once.
    const auto sparse = dir.write("sparse.ini", "");
    std::filesystem::resize_file(sparse, std::uintmax_t{3} << 30);
    const auto file = FileHandle::open(sparse);
    ASSERT_TRUE(file);
    EXPECT_EQ(readTextBytes(*file)->size(), 0u);
    // A file that says it is empty may still hold text (as some system files do).
    const auto status = FileHandle::open("/proc/self/status");
    ASSERT_TRUE(status);
    EXPECT_NE(readTextBytes(*status)->find("Name:"), std::string::npos);
}
