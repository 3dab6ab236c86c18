#pragma once
// A fresh temporary folder per test, removed afterwards, with helpers to lay
// out catalogue files byte by byte.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace kodrix::test {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kodrix-test-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the program sees its own directory: with a trailing separator.
    std::string dirWithSlash() const { return path_.string() + "/"; }

    std::filesystem::path mkdir(std::string_view rel) const {
        auto p = path_ / std::string(rel);
        std::filesystem::create_directories(p);
        return p;
    }
    std::filesystem::path write(std::string_view rel, std::string_view bytes) const {
        auto p = path_ / std::string(rel);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p;
    }

private:
    std::filesystem::path path_;
};

}  // namespace kodrix::test
