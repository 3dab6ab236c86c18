// Decoding a 1920 x 1080 screenshot as the viewer does (JpegPicture: header,
// then the pixels), against libjpeg's own command-line decoder `djpeg` on the
// same file (target: 1.3 x djpeg or less).
//
// djpeg is timed as a whole process writing to /dev/null, less the same
// process on a 1 x 1 picture (start-up, library loading, exit); the median of
// each is taken. Beside it, libjpeg decoding the file in this process to RGB
// rows, nothing else: the floor.
//   jpeg_bench CATALOGUE_DIR [RUNS]
// The picture is the catalogue's first walkthrough screenshot of that size;
// without one, a picture is made.
#include "BenchSupport.h"
#include "catalogue/WalkthroughTable.h"
#include "platform/jpeg/JpegPicture.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <jpeglib.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using namespace kodrix::bench;

namespace {

Bytes jpegOf(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 80);
    return Bytes(data.begin(), data.end());
}

// The first "img1" of the catalogue's walkthroughs that is 1920 x 1080.
Bytes catalogueScreenshot(const fs::path& catalogue) {
    std::vector<fs::path> modules;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(catalogue / "sol", ec)) modules.push_back(e.path());
    std::sort(modules.begin(), modules.end());
    for (const auto& m : modules) {
        const auto bytes = kodrix::readModuleResource(m, "img1");
        if (!bytes) continue;
        kodrix::jpeg::Header h;
        if (kodrix::jpeg::readHeader(*bytes, h) == 0 && h.width == 1920 && h.height == 1080) return *bytes;
    }
    return {};
}

Bytes madePicture() {
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 1920, 1080);
    g.setColorAt(0, Qt::darkBlue);
    g.setColorAt(1, Qt::yellow);
    p.fillRect(image.rect(), g);
    for (int i = 0; i < 400; ++i)
        p.fillRect((i * 7919) % 1900, (i * 104729) % 1060, 20 + i % 90, 10 + i % 50, QColor::fromHsv(i % 360, 200, 200));
    p.end();
    return jpegOf(image);
}

// libjpeg alone: the file to RGB rows, as djpeg decodes it.
void plainLibjpegDecode(const Bytes& bytes, std::vector<unsigned char>& rgb) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = std::size_t(cinfo.output_width) * 3;
    rgb.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: jpeg_bench CATALOGUE_DIR [RUNS]\n");
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 2 ? std::max(3, std::atoi(argv[2])) : 30;

    Bytes big = catalogueScreenshot(argv[1]);
    const char* source = "the catalogue's first 1920 x 1080 screenshot";
    if (big.empty()) {
        big = madePicture();
        source = "a picture made here (the catalogue has no 1920 x 1080 screenshot)";
    }
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(Qt::gray);
    const Bytes tiny = jpegOf(one);

    const fs::path dir = fs::temp_directory_path() / ("kodrix-jpeg-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path bigFile = dir / "big.jpg", tinyFile = dir / "tiny.jpg";
    std::ofstream(bigFile, std::ios::binary).write(reinterpret_cast<const char*>(big.data()), static_cast<std::streamsize>(big.size()));
    std::ofstream(tinyFile, std::ios::binary).write(reinterpret_cast<const char*>(tiny.data()), static_cast<std::streamsize>(tiny.size()));

    kodrix::JpegPicture check;
    check.load(big);
    std::printf("picture: %s, %dx%d, %s, %zu bytes\n", source, check.width(), check.height(),
                check.isProgressive() ? "progressive" : "baseline", big.size());

    const double ours = medianMs(runs, [&] {
        kodrix::JpegPicture p;
        p.load(big);
        if (p.image().isNull()) std::abort();
    });
    std::vector<unsigned char> rgb;
    const double floor = medianMs(runs, [&] { plainLibjpegDecode(big, rgb); });

    bool djpegOk = runProcess({"djpeg", "-outfile", "/dev/null", bigFile.string()}).ok();
    auto djpeg = [&](const fs::path& file) {
        std::vector<double> ms;
        for (int i = 0; i < runs && djpegOk; ++i) {
            const ProcessRun r = runProcess({"djpeg", "-outfile", "/dev/null", file.string()});
            djpegOk &= r.ok();
            ms.push_back(r.millis);
        }
        return median(ms);
    };
    const double djpegBig = djpeg(bigFile), djpegTiny = djpeg(tinyFile);
    fs::remove_all(dir);

    std::printf("JpegPicture load + decode: median %.2f ms over %d runs\n", ours, runs);
    std::printf("libjpeg to RGB rows in this process (floor): median %.2f ms\n", floor);
    if (!djpegOk) {
        std::printf("djpeg not run (is libjpeg-turbo-progs installed?)\n");
        return 0;
    }
    const double djpegDecode = djpegBig - djpegTiny;
    std::printf("djpeg process: median %.2f ms; on a 1x1 picture %.2f ms; decoding thus %.2f ms\n", djpegBig,
                djpegTiny, djpegDecode);
    std::printf("JpegPicture / djpeg decoding: %.2f x  [target <= 1.3 x]\n", ours / djpegDecode);
    row("screenshot 1920 x 1080 decoded", ours, "ms", "djpeg decoding it", djpegDecode, "<=1.3x");
    return 0;
}
