#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <ostream>
#include <filesystem>
#include <fstream>

using namespace platform;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/harlune-reg-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
};

void writeFile(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct BadRow {
    const char* label;
    const char* text;
    const char* errorPart;
};

class RegistryParseErrors : public testing::TestWithParam<BadRow> {};

// CTest names carry the printed row: its label, never its bytes.
void PrintTo(const BadRow& row, std::ostream* os) { *os << row.label; }

TEST_P(RegistryParseErrors, NameTheLineAndTheFault) {
    auto result = ParseRegistryText(GetParam().text);
    EXPECT_FALSE(result.ok) << GetParam().label;
    EXPECT_NE(result.error.find(GetParam().errorPart), std::string::npos) << result.error;
    EXPECT_TRUE(result.keys.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RegistryParseErrors,
    testing::Values(BadRow{"value before key", "\"Name\"=\"x\"\n", "line 1: value outside"},
                    BadRow{"unclosed key", "[HKEY_LOCAL_MACHINE\\A\n", "line 1: key line"},
                    BadRow{"unknown root", "[HKEY_USERS\\A]\n", "unknown root"},
                    BadRow{"bad hex", "[HKLM\\A]\n\"B\"=hex:5,02\n", "line 2: malformed hex"},
                    BadRow{"long dword", "[HKLM\\A]\n\"B\"=dword:123456789\n", "malformed dword"},
                    BadRow{"unterminated string", "[HKLM\\A]\n\"B\"=\"abc\n", "malformed string"},
                    BadRow{"no equals", "[HKLM\\A]\n\"B\" \"x\"\n", "expected '='"},
                    BadRow{"garbage", "[HKLM\\A]\n\"B\"=blob\n", "unknown value form"}),
    [](const testing::TestParamInfo<BadRow>& info) {
        std::string name = info.param.label;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(RegistryText, RoundTripsEveryValueForm) {
    const char* text = "; comment\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex\\BTConfig\\Devices\\00:0a:d9:01:02:03]\n"
                       "\"Name\"=\"T68 \\\"quoted\\\" \\\\ back\"\n"
                       "\"DevClass\"=hex:52,02,04\n"
                       "\"Count\"=dword:0000000a\n"
                       "\"Empty\"=hex:\n";
    auto parsed = ParseRegistryText(text);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.keys.size(), 1u);
    const auto& values = parsed.keys[0].values;
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(std::string(values[0].second.data.begin(), values[0].second.data.end()),
              std::string("T68 \"quoted\" \\ back\0", 20));
    EXPECT_EQ(values[1].second.data, (std::vector<uint8_t>{0x52, 0x02, 0x04}));
    EXPECT_EQ(values[2].second.data, (std::vector<uint8_t>{10, 0, 0, 0}));
    EXPECT_TRUE(values[3].second.data.empty());

    auto again = ParseRegistryText(FormatRegistryText(parsed.keys));
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.keys[0].values[0].second.data, values[0].second.data);
    EXPECT_EQ(again.keys[0].values[1].second.data, values[1].second.data);
    EXPECT_EQ(again.keys[0].values[2].second.data, values[2].second.data);
}

TEST(Registry, HandleApiEnumeratesAndQueriesIntoBoundedBuffers) {
    Registry reg;
    reg.SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Dunmere\\Harlune", "Dir", "/pictures");
    reg.SetBinary("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex\\BTConfig\\Devices\\b", "DevClass", {1, 2, 3});
    reg.SetBinary("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex\\BTConfig\\Devices\\a", "DevClass", {4, 5, 6});

    HKEY key = nullptr;
    ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "software\\tarvex\\BTConfig\\Devices", &key), kErrorSuccess);
    char name[8];
    EXPECT_EQ(reg.EnumKey(key, 0, name, sizeof name), kErrorSuccess);
    EXPECT_STREQ(name, "a");
    EXPECT_EQ(reg.EnumKey(key, 1, name, sizeof name), kErrorSuccess);
    EXPECT_STREQ(name, "b");
    EXPECT_EQ(reg.EnumKey(key, 2, name, sizeof name), kErrorNoMoreItems);
    EXPECT_EQ(reg.EnumKey(key, 0, name, 1), kErrorMoreData);
    reg.CloseKey(key);

    ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Dunmere\\Harlune", &key), kErrorSuccess);
    uint8_t small[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    uint32_t size = sizeof small;
    uint32_t type = 0;
    EXPECT_EQ(reg.QueryValue(key, "Dir", &type, small, &size), kErrorMoreData);
    EXPECT_EQ(size, 10u); // "/pictures" and its terminator
    EXPECT_EQ(small[0], 0xEE) << "a too-small buffer must not be written";
    uint8_t big[32];
    size = sizeof big;
    EXPECT_EQ(reg.QueryValue(key, "dir", &type, big, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_STREQ(reinterpret_cast<char*>(big), "/pictures");
    EXPECT_EQ(reg.QueryValue(key, "Missing", &type, big, &size), kErrorFileNotFound);
    reg.CloseKey(key);

    EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nowhere", &key), kErrorFileNotFound);
    EXPECT_EQ(key, nullptr);
}

// A handle is the registry's until closed: a second close, or a query through a closed
// handle, is refused instead of touching freed memory.
TEST(Registry, ClosedHandleIsRefused) {
    Registry reg;
    reg.SetString("HKLM\\A", "V", "x");
    HKEY key = nullptr;
    ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "A", &key), kErrorSuccess);
    EXPECT_EQ(reg.CloseKey(key), kErrorSuccess);
    EXPECT_EQ(reg.CloseKey(key), kErrorInvalidHandle);
    uint32_t size = 0;
    EXPECT_EQ(reg.QueryValue(key, "V", nullptr, nullptr, &size), kErrorInvalidHandle);
    EXPECT_EQ(reg.CloseKey(HKEY_LOCAL_MACHINE), kErrorSuccess) << "the roots are never closed";
}

TEST(Registry, HandleOfRemovedKeyReportsNotFound) {
    Registry reg;
    reg.SetString("HKLM\\A\\B", "V", "x", RegOrigin::Live);
    HKEY key = nullptr;
    ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "A\\B", &key), kErrorSuccess);
    EXPECT_TRUE(reg.DeleteKey("HKLM\\A\\B"));
    char name[8];
    EXPECT_EQ(reg.EnumKey(key, 0, name, sizeof name), kErrorFileNotFound);
    reg.CloseKey(key);
}

TEST(Registry, SavesOnlyTheUsersOwnValues) {
    TempDir dir;
    writeFile(dir.path / "defaults.ini", "[HKLM\\SOFTWARE\\Dunmere\\Harlune]\n\"Dir\"=\"/usr/share\"\n");
    writeFile(dir.path / "user.ini", "[HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n\"COM7\"=\"/dev/ttyACM0\"\n");
    Registry reg;
    std::string error;
    ASSERT_TRUE(reg.Load((dir.path / "user.ini").string(), (dir.path / "defaults.ini").string(), &error)) << error;
    EXPECT_EQ(reg.GetString("HKLM\\SOFTWARE\\Dunmere\\Harlune", "Dir"), "/usr/share");
    reg.SetString("HKLM\\SOFTWARE\\Tarvex\\BTConfig\\Devices\\x", "Name", "live", RegOrigin::Live);
    reg.SetString("HKCU\\Software\\Mine", "Colour", "blue");
    ASSERT_TRUE(reg.Save(&error)) << error;

    std::string saved = readFile(dir.path / "user.ini");
    EXPECT_NE(saved.find("/dev/ttyACM0"), std::string::npos);
    EXPECT_NE(saved.find("\"Colour\"=\"blue\""), std::string::npos);
    EXPECT_EQ(saved.find("/usr/share"), std::string::npos) << "defaults are not copied into the user file";
    EXPECT_EQ(saved.find("live"), std::string::npos) << "live provider values are never saved";

    Registry again;
    ASSERT_TRUE(again.Load((dir.path / "user.ini").string(), "", &error)) << error;
    EXPECT_EQ(again.GetString("HKCU\\Software\\Mine", "Colour"), "blue");
}

TEST(Registry, MalformedUserFileIsReportedAndNeverOverwritten) {
    TempDir dir;
    const std::string bad = "[HKLM\\A]\n\"B\"=\"ok\"\n\"C\"=nonsense\n";
    writeFile(dir.path / "user.ini", bad);
    Registry reg;
    std::string error;
    EXPECT_FALSE(reg.Load((dir.path / "user.ini").string(), "", &error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_NE(error.find("user.ini"), std::string::npos) << error;
    reg.SetString("HKCU\\X", "Y", "z");
    EXPECT_FALSE(reg.Save(&error));
    EXPECT_EQ(readFile(dir.path / "user.ini"), bad);
}

} // namespace
