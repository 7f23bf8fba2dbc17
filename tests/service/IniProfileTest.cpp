// "config.ini": the profile file, where it lives, and the sound-file list the service
// window builds from the folder it names.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/Utf8Path.h"
#include "service/IniProfile.h"
#include "service/ServiceProfile.h"
#include "service/SoundFileList.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(IniProfile, FirstWriteCreatesTheFileAndEveryValueComesBackAsWritten) {
    const test::TempFolder dir("zort-ini");
    const IniProfile ini(dir.path / "sub" / "config.ini");
    EXPECT_EQ(ini.Read("config", "Phone", "none"), "none") << "no file yet";
    ASSERT_TRUE(ini.Write("config", "Phone", "+7 900 123-45-67"));
    ASSERT_TRUE(ini.Write("config", "Directory", "/home/техник/Звуки"));
    ASSERT_TRUE(ini.Write("config", "DAPath", "  padded  "));
    ASSERT_TRUE(ini.Write("config", "FirmwarePath", "\"quoted\""));
    ASSERT_TRUE(ini.Write("config", "Phone", "+7 900 765-43-21 "));  // replaces, trailing blank kept

    EXPECT_EQ(ini.Read("config", "Phone"), "+7 900 765-43-21 ");
    EXPECT_EQ(ini.Read("config", "Directory"), "/home/техник/Звуки");
    EXPECT_EQ(ini.Read("config", "DAPath"), "  padded  ");
    EXPECT_EQ(ini.Read("config", "FirmwarePath"), "\"quoted\"");
    EXPECT_EQ(ReadAll(ini.Path()),
              "[config]\nPhone=\"+7 900 765-43-21 \"\nDirectory=/home/техник/Звуки\nDAPath=\"  padded  \"\n"
              "FirmwarePath=\"\"quoted\"\"\n");
    // Written through a temporary file that is gone afterwards.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(ini.Path().parent_path())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(IniProfile, NamesMatchWithoutRegardToCaseAndOtherContentStays) {
    const test::TempFolder dir("zort-ini");
    const fs::path file = dir.Write(
        "config.ini",
        "; kept comment\r\n[other]\r\nPhone=111\r\n\r\n[CONFIG]\r\n  FIRMWAREPATH = C:\\fw\\ROM.bin \r\n"
        "Phone=222\r\n\r\n[tail]\r\nx=1\r\n");
    const IniProfile ini(file);
    EXPECT_EQ(ini.Read("config", "FirmwarePAth"), "C:\\fw\\ROM.bin");
    EXPECT_EQ(ini.Read("Config", "phone"), "222") << "the key of the other section is not taken";
    ASSERT_TRUE(ini.Write("config", "PHONE", "333"));
    ASSERT_TRUE(ini.Write("config", "Directory", "/snd"));
    EXPECT_EQ(
        ReadAll(file),
        "; kept comment\r\n[other]\r\nPhone=111\r\n\r\n[CONFIG]\r\n  FIRMWAREPATH = C:\\fw\\ROM.bin \r\n"
        "PHONE=333\r\nDirectory=/snd\r\n\r\n[tail]\r\nx=1\r\n")
        << "line ends, order, comments and other sections untouched";

    const ServiceProfile p = ServiceProfile::Load(ini);
    EXPECT_EQ(p.directory, "/snd");
    EXPECT_EQ(p.firmwarePath, "C:\\fw\\ROM.bin");
    EXPECT_EQ(p.phone, "333");
    EXPECT_EQ(p.daPath, "");
}

TEST(IniProfile, AFileSavedInWindows1251IsReadInThatCodePage) {
    const test::TempFolder dir("zort-ini");
    dir.Write("config.ini", "[config]\r\nDirectory=C:\\\xC7\xE2\xF3\xEA\xE8\r\n");  // "Звуки"
    EXPECT_EQ(IniProfile(dir.path / "config.ini").Read("config", "Directory"), "C:\\Звуки");
}

TEST(IniProfile, ValuesThatWouldBreakTheFileAreRefused) {
    const test::TempFolder dir("zort-ini");
    const IniProfile ini(dir.path / "config.ini");
    std::string why;
    EXPECT_FALSE(ini.Write("config", "Phone", "123\r\n[config]\r\nPhone=evil", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(fs::exists(ini.Path())) << "nothing written";
    // A folder where the file should be: the write fails and says so.
    fs::create_directories(dir.path / "blocked" / "config.ini");
    EXPECT_FALSE(IniProfile(dir.path / "blocked" / "config.ini").Write("config", "Phone", "1", &why));
    EXPECT_NE(why.find("config.ini"), std::string::npos) << why;
}

#ifdef _WIN32

TEST(ConfigLocation, BesideTheProgramUnlessThatFolderIsReadOnly) {
    ConfigLocation l{"C:\\Program Files\\ZORT", true, "", "", "C:\\Users\\u\\AppData\\Roaming"};
    EXPECT_EQ(ConfigIniPath(l), fs::path("C:\\Program Files\\ZORT\\config.ini"));
    l.executableDirWritable = false;
    EXPECT_EQ(ConfigIniPath(l), fs::path("C:\\Users\\u\\AppData\\Roaming\\ZORT\\config.ini"));
    l.appData = "relative\\cfg";  // not a folder to go by: ignored
    EXPECT_EQ(ConfigIniPath(l), fs::path("C:\\Program Files\\ZORT\\config.ini"));
    l.appData.clear();
    EXPECT_EQ(ConfigIniPath(l), fs::path("C:\\Program Files\\ZORT\\config.ini"));
}

// The running program's own folder, found and tried for real: the test program's folder
// in the build tree takes files.
TEST(ConfigLocation, TheProgramsOwnFolderIsFoundAndTried) {
    const ConfigLocation l = ConfigLocation::FromEnvironment();
    EXPECT_TRUE(fs::exists(l.executableDir / "service_unit_tests.exe")) << Utf8FromPath(l.executableDir);
    EXPECT_TRUE(l.executableDirWritable);
    EXPECT_TRUE(l.appData.is_absolute()) << "the test programs set APPDATA";
    int probes = 0;
    for (const auto& e : fs::directory_iterator(l.executableDir)) probes += e.path().extension() == ".probe";
    EXPECT_EQ(probes, 0) << "the file made to try the folder is gone";
}

TEST(ConfigLocation, TheFallbackFolderIsCreatedByTheFirstWriteAndReadBack) {
    const test::TempFolder dir("zort-ini");
    const ConfigLocation l{dir.path / "bin", false, "", "", dir.path / "Данные программ"};
    const IniProfile writer(ConfigIniPath(l));
    ASSERT_TRUE(writer.Write(kConfigSection, kKeyPhone, "+79001234567"));
    EXPECT_TRUE(fs::exists(dir.path / "Данные программ" / "ZORT" / "config.ini"));
    EXPECT_FALSE(fs::exists(dir.path / "bin"));
    EXPECT_EQ(ServiceProfile::Load(IniProfile(ConfigIniPath(l))).phone, "+79001234567");
}

#else

TEST(ConfigLocation, BesideTheProgramUnlessThatFolderIsReadOnly) {
    ConfigLocation l{"/opt/zort/bin", true, "/home/u/.cfg", "/home/u"};
    EXPECT_EQ(ConfigIniPath(l), fs::path("/opt/zort/bin/config.ini"));
    l.executableDirWritable = false;
    EXPECT_EQ(ConfigIniPath(l), fs::path("/home/u/.cfg/zort-configurator/config.ini"));
    l.xdgConfigHome = "";
    EXPECT_EQ(ConfigIniPath(l), fs::path("/home/u/.config/zort-configurator/config.ini"));
    l.xdgConfigHome = "relative/cfg";  // not a valid XDG value: ignored
    EXPECT_EQ(ConfigIniPath(l), fs::path("/home/u/.config/zort-configurator/config.ini"));
    l.home = "";
    EXPECT_EQ(ConfigIniPath(l), fs::path("/opt/zort/bin/config.ini"));
}

TEST(ConfigLocation, TheFallbackFolderIsCreatedByTheFirstWriteAndReadBack) {
    const test::TempFolder dir("zort-ini");
    const ConfigLocation l{dir.path / "bin", false, Utf8FromPath(dir.path / "xdg"), "/nonexistent"};
    const IniProfile writer(ConfigIniPath(l));
    ASSERT_TRUE(writer.Write(kConfigSection, kKeyPhone, "+79001234567"));
    EXPECT_TRUE(fs::exists(dir.path / "xdg" / "zort-configurator" / "config.ini"));
    EXPECT_FALSE(fs::exists(dir.path / "bin"));
    EXPECT_EQ(ServiceProfile::Load(IniProfile(ConfigIniPath(l))).phone, "+79001234567");
}

#endif

TEST(SoundFileList, AmrFilesOfAnyCaseSortedByNameWithTheirSizes) {
    const test::TempFolder dir("zort-ini");
    dir.Write("b.AMR", std::string(10, 'b'));
    dir.Write("a.amr", std::string(3, 'a'));
    dir.Write("C.Amr", "");
    dir.Write(".hidden.AMR", "h");
    dir.Write("note.txt", "not a sound");
    dir.Write("AMR", "no extension");
    fs::create_directories(dir.path / "folder.AMR");

    const SoundFileList list = SoundFileList::FromFolder(Utf8FromPath(dir.path));
    std::vector<std::string> names;
    for (const std::string& p : list.paths) names.push_back(Utf8FromPath(PathFromUtf8(p).filename()));
    EXPECT_EQ(names, (std::vector<std::string>{".hidden.AMR", "C.Amr", "a.amr", "b.AMR"}));
    EXPECT_EQ(list.totalSize, 1 + 0 + 3 + 10);
    EXPECT_EQ(SoundFileList::FromFolder(Utf8FromPath(dir.path)).totalSize, list.totalSize)
        << "same folder, same sum";

    EXPECT_TRUE(SoundFileList::FromFolder(Utf8FromPath(dir.path / "missing")).paths.empty());
    EXPECT_TRUE(SoundFileList::FromFolder("").paths.empty());
}

#ifndef _WIN32
// Making a link takes a privilege on Windows.
TEST(SoundFileList, ALinkToASoundFileIsOneToUpload) {
    const test::TempFolder dir("zort-ini");
    dir.Write("b.AMR", std::string(10, 'b'));
    fs::create_symlink(dir.path / "b.AMR", dir.path / "link.AMR");
    const SoundFileList list = SoundFileList::FromFolder(dir.path.string());
    ASSERT_EQ(list.paths.size(), 2u);
    EXPECT_EQ(fs::path(list.paths[1]).filename(), "link.AMR");
    EXPECT_EQ(list.totalSize, 20);
}
#endif

}  // namespace
}  // namespace zort
