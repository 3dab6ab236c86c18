// The floor of a reading action as a process of its own: reads the first
// BYTES bytes of every file given (all of each with 0); a folder stands for
// the files in it. Prints how many bytes it read.
//
// usage: read_floor BYTES PATH...
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::size_t readHead(const std::filesystem::path& file, std::size_t limit, std::vector<char>& buffer) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    std::size_t total = 0;
    while (limit == 0 || total < limit) {
        const std::size_t want = limit == 0 ? buffer.size() : std::min(buffer.size(), limit - total);
        const ssize_t n = ::read(fd, buffer.data(), want);
        if (n <= 0) break;
        total += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: read_floor BYTES PATH...\n");
        return 2;
    }
    const std::size_t limit = std::strtoull(argv[1], nullptr, 10);
    std::vector<char> buffer(1 << 16);
    std::size_t total = 0;
    for (int i = 2; i < argc; ++i) {
        std::error_code ec;
        if (std::filesystem::is_directory(argv[i], ec)) {
            for (const auto& e : std::filesystem::directory_iterator(argv[i], ec))
                if (e.is_regular_file(ec)) total += readHead(e.path(), limit, buffer);
        } else {
            total += readHead(argv[i], limit, buffer);
        }
    }
    std::printf("%zu\n", total);
    return 0;
}
