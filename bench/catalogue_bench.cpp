// Reader and writer timings that need no catalogue on disk (each the median
// of a few runs, in milliseconds):
//  - building a 10 MB string module (65536 strings of 76 bytes);
//  - one million loadString calls on it, and open + 15 strings from a file;
//  - the code text of the widest range an INI can give (the cap reached);
//  - 20,000 INI sections indexed once and each looked up.
//
// usage: catalogue_bench [RUNS]
#include "BenchSupport.h"
#include "catalogue/GameEntry.h"
#include "catalogue/IniProfile.h"
#include "catalogue/ResourceModule.h"
#include "tools/pack/PeWriter.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

using namespace kodrix::bench;

namespace {


}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string line(76, '\xE0');
    std::vector<std::uint8_t> image;
    const double build = medianMs(runs, [&] {
        kodrix::pack::PeResourceWriter w;
        for (std::uint32_t id = 0; id < 65536; ++id) w.addString(id, line);
        image = w.build();
    });
    std::printf("build a %.1f MB string module: %.1f ms\n", image.size() / 1e6, build);

    auto module = kodrix::ResourceModule::fromBytes(image);
    if (!module) return 1;
    std::size_t total = 0;
    const double million = medianMs(runs, [&] {
        for (std::uint32_t id = 0; id < 1'000'000; ++id) total += module->loadString(id).size();
    });
    std::printf("1,000,000 loadString calls: %.1f ms\n", million);

    const auto path = std::filesystem::temp_directory_path() / ("kodrix-bench-" + std::to_string(::getpid()) + ".dll");
    kodrix::pack::PeResourceWriter w;
    for (std::uint32_t id = 0; id < 65536; ++id) w.addString(id, line);
    w.writeFile(path);
    const double openRead = medianMs(runs * 20, [&] {
        auto m = kodrix::ResourceModule::open(path);
        for (std::uint32_t id = 40000; id < 40015; ++id) total += m->loadString(id).size();
    });
    std::filesystem::remove(path);
    std::printf("open the 10 MB module from disk + 15 strings + close: %.3f ms\n", openRead);

    std::size_t lines = 0;
    const double widest = medianMs(runs, [&] { lines = kodrix::codeTextLines(*module, INT32_MIN, INT32_MAX).size(); });
    std::printf("code text of begin=%d end=%d (%zu lines, the cap): %.1f ms\n", INT32_MIN, INT32_MAX, lines, widest);

    std::string text;
    const int n = 20000;
    for (int i = 0; i < n; ++i)
        text += "[Game " + std::to_string(i) + "]\r\nbegin=" + std::to_string(i * 10) + "\r\nend=" +
                std::to_string(i * 10 + 9) + "\r\nicon=" + std::to_string(i % 50) + "\r\n";
    long long sum = 0;
    const double ini = medianMs(runs, [&] {
        auto profile = kodrix::IniProfile::fromBytes(text);
        for (int i = 0; i < n; ++i) sum += profile.readInteger("game " + std::to_string(i), "END");
    });
    std::printf("INI of %d sections: index + %d lookups: %.1f ms\n", n, n, ini);
    return total == 0 || sum == 0;
}
