#pragma once
// A small catalogue laid out in a temporary folder with the project's own
// writers: platforms, groups with their list, INI and string module, icons.
#include "support/TempDir.h"
#include "tools/pack/CatalogueBuilder.h"
#include "tools/pack/IcoWriter.h"
#include "tools/pack/NeWriter.h"

#include <QColor>
#include <QImage>

namespace kodrix::test {

struct CatalogueFixture {
    TempDir dir;

    std::filesystem::path platform(const std::string& name) const {
        auto p = dir.mkdir(name);
        pack::writePlatformMarker(p);
        return p;
    }
    // Games with code lines and icon indexes; IDs numbered from firstId.
    void group(const std::string& platformName, const std::string& letter, const std::vector<pack::GameSource>& games,
               std::uint32_t firstId = 1) const {
        pack::writeGroup(dir.path() / platformName, pack::GroupSource{letter, games}, firstId);
    }
    // An icon library of n icons in distinct colours.
    void icons(const std::string& platformName, int n, const std::string& fileName = "kodrix32.icl") const {
        std::vector<std::vector<std::uint8_t>> icos;
        for (int i = 0; i < n; ++i) {
            QImage img(32, 32, QImage::Format_ARGB32);
            img.fill(QColor::fromHsv((i * 47) % 360, 200, 220));
            icos.push_back(pack::icoFromImage(img));
        }
        pack::writeFileBytes(dir.path() / platformName / fileName, pack::writeNeIconLibrary(icos));
    }
    void file(const std::string& rel, std::string_view bytes) const { dir.write(rel, bytes); }
};

}  // namespace kodrix::test
