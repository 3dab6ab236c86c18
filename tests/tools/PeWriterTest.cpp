#include "tools/pack/PeWriter.h"

#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "tools/pack/PackError.h"
#include "catalogue/ResourceModule.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

using namespace kodrix;
using kodrix::pack::PeResourceWriter;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string utf8(std::string_view s) { return cp1251::fromUtf8(s); }
std::string text(std::span<const std::uint8_t> s) { return std::string(s.begin(), s.end()); }
Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a command, returning its standard output and exit status.
std::pair<std::string, int> run(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {"", -1};
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe)) out.append(buf.data(), n);
    const int status = ::pclose(pipe);
    return {out, status};
}

PeResourceWriter sampleModule() {
    PeResourceWriter w;
    w.addString(1, utf8("Привет, мир! Ёлка"));
    w.addString(15, "fifteen");
    w.addString(16, "sixteen");
    w.addString(20, "");
    w.addString(65535, utf8("последняя"));
    w.addString(2, std::string(300, 'x'));
    w.addRcData("name1", bytesOf(utf8("Прохождение")));
    w.addRcData("File1", bytesOf("{\\rtf1 text}"));
    w.addRcData("img12", bytesOf("\xFF\xD8\xFF\xD9"));
    w.addRcData("img3", {});
    w.addRcData("#7", bytesOf("seven"));
    w.add(ResourceId::fromText("Custom"), ResourceId::fromText("data"), 0x0419, bytesOf("ru"));
    w.add(ResourceId::fromText("Custom"), ResourceId::fromText("data"), 0x0409, bytesOf("en"));
    return w;
}

}  // namespace

TEST(PeWriter, ModulesReadBackAsWritten) {
    const Bytes image = sampleModule().build();
    auto m = ResourceModule::fromBytes(image);
    ASSERT_TRUE(m);
    const std::pair<std::uint32_t, std::string> strings[] = {
        {1, utf8("Привет, мир! Ёлка")}, {15, "fifteen"}, {16, "sixteen"},     {20, ""},
        {65535, utf8("последняя")},      {2, std::string(254, 'x')},           {3, ""},
        {17, ""},                         {65536 + 15, "fifteen"},              {1000, ""},
    };
    for (const auto& [id, expected] : strings) EXPECT_EQ(m->loadString(id), expected) << id;
    EXPECT_EQ(m->loadString(2, 1000), std::string(300, 'x'));  // stored whole

    EXPECT_EQ(text(m->namedData("NAME1")), utf8("Прохождение"));
    EXPECT_EQ(text(m->namedData("file1")), "{\\rtf1 text}");
    EXPECT_EQ(text(m->namedData("img12")), "\xFF\xD8\xFF\xD9");
    EXPECT_TRUE(m->namedData("img3").empty());
    EXPECT_EQ(text(m->namedData("#7")), "seven");
    EXPECT_THROW(m->namedData("img1"), Error);
    EXPECT_EQ(text(*m->find(ResourceId::fromText("CUSTOM"), ResourceId::fromText("Data"))), "ru");

    // Names are stored upper-cased and in the loader's order.
    EXPECT_EQ(m->names(ResourceId::id(RT_RCDATA)),
              (std::vector<ResourceId>{ResourceId::name(u"FILE1"), ResourceId::name(u"IMG12"),
                                       ResourceId::name(u"IMG3"), ResourceId::name(u"NAME1"), ResourceId::id(7)}));
    EXPECT_EQ(m->names(ResourceId::id(RT_STRING)),
              (std::vector<ResourceId>{ResourceId::id(1), ResourceId::id(2), ResourceId::id(4096)}));
}

TEST(PeWriter, LaterResourcesReplaceEarlierOnesAndBadInputIsRefused) {
    PeResourceWriter w;
    w.addString(5, "old");
    w.addString(5, "new");
    w.addRcData("Name", bytesOf("old"));
    w.addRcData("NAME", bytesOf("new"));
    const Bytes image = w.build();
    auto m = ResourceModule::fromBytes(image);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->loadString(5), "new");
    EXPECT_EQ(text(m->namedData("name")), "new");
    EXPECT_EQ(m->names(ResourceId::id(RT_RCDATA)).size(), 1u);

    EXPECT_THROW(w.addString(65536, "x"), pack::PackError);
    EXPECT_THROW(w.addString(1, std::string(65536, 'x')), pack::PackError);
    // An empty module is still a module.
    const Bytes empty = PeResourceWriter().build();
    auto e = ResourceModule::fromBytes(empty);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->loadString(0), "");
}

TEST(PeWriter, WriteFileReportsWhatFailed) {
    test::TempDir dir;
    const auto path = dir.path() / "ok.dll";
    sampleModule().writeFile(path);
    auto m = ResourceModule::open(path);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->loadString(16), "sixteen");
    try {
        sampleModule().writeFile(dir.path() / "missing" / "x.dll");
        FAIL() << "no error";
    } catch (const pack::PackError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + (dir.path() / "missing" / "x.dll").string() +
                                             "\". No such file or directory");
    }
}

TEST(PeWriter, IndependentReadersAcceptTheModule) {
    test::TempDir dir;
    const auto path = dir.path() / "sample.dll";
    sampleModule().writeFile(path);
    bool ran = false;
    if (haveTool("wrestool")) {
        ran = true;
        // wrestool shows a named type's name in place of a named resource's
        // name (it does the same for windres output); the objdump check below
        // sees the real name.
        const auto [out, status] = run("wrestool -l '" + path.string() + "' 2>&1");
        EXPECT_EQ(status, 0) << out;
        for (const char* line : {"--type=6 --name=1 --language=0", "--type=6 --name=4096 --language=0",
                                 "--type=10 --name='FILE1' --language=0", "--type=10 --name='IMG3' --language=0",
                                 "--type=10 --name=7 --language=0", "--type='CUSTOM' --name='CUSTOM' --language=1049"})
            EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
        EXPECT_EQ(out.find("warning"), std::string::npos) << out;
        const auto [raw, rawStatus] = run("wrestool -x --raw --type=10 --name=FILE1 '" + path.string() + "'");
        EXPECT_EQ(raw, "{\\rtf1 text}");
    }
    if (haveTool("objdump")) {
        ran = true;
        const auto [out, status] = run("objdump -p '" + path.string() + "' 2>&1");
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find("Magic\t\t\t010b\t(PE32)"), std::string::npos) << out;
        EXPECT_NE(out.find("Resource Directory [.rsrc]"), std::string::npos) << out;
        EXPECT_NE(out.find("]: DATA, Value: "), std::string::npos) << out;
        EXPECT_EQ(out.find("Corrupt"), std::string::npos) << out;
    }
    if (!ran) GTEST_SKIP() << "neither wrestool nor objdump is installed";
}

TEST(PeWriter, TenMegabyteStringModuleHoldsEveryId) {
    PeResourceWriter w;
    const std::string line(76, '\xE0');
    for (std::uint32_t id = 0; id < 65536; ++id) w.addString(id, line);
    const Bytes image = w.build();
    EXPECT_GT(image.size(), 10'000'000u);
    auto m = ResourceModule::fromBytes(image);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->loadString(65535), line);
}
