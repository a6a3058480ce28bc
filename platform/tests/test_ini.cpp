#include "vorlain/platform.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <gtest/gtest.h>

#include <string>

using namespace vorlain::test;

class IniFile : public IsolatedTest {};

static std::string get(const char* section, const char* key, const std::string& file,
                       const char* def = "")
{
    char buf[4096];
    VorlainGetProfileString(section, key, def, buf, sizeof buf, file.c_str());
    return buf;
}

TEST_F(IniFile, MissingFileSectionOrKeyGivesTheDefault)
{
    std::string file = env().path("missing.ini");
    EXPECT_EQ(get("menu", "01000101", file, "dflt"), "dflt");
    WriteBytes(file, {'[', 'a', ']', '\n', 'k', '=', 'v', '\n'});
    EXPECT_EQ(get("b", "k", file, "x"), "x");
    EXPECT_EQ(get("a", "other", file, "y"), "y");
    EXPECT_EQ(get("a", "k", file, "y"), "v");
}

TEST_F(IniFile, SectionsAndKeysCompareCaseInsensitivelyAndValuesKeepUtf8)
{
    std::string file = env().path("lang.ini");
    std::string text = "; comment\n[Menu]\r\n 0100030a = Supprimer la piste \r\n[other]\n0100030A=no\n"
                       "[menu]\nutf=Größe ♪\n";
    WriteBytes(file, std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(get("MENU", "0100030A", file), "Supprimer la piste");
    EXPECT_EQ(get("menu", "UTF", file), "Größe ♪");
}

TEST_F(IniFile, WritingCreatesFileSectionAndKeyAndKeepsTheRest)
{
    std::string file = env().path("Config.ini");
    ASSERT_EQ(VorlainWriteProfileString("Path", "Temp", "/data/tmp", file.c_str()), 1);
    ASSERT_EQ(VorlainWriteProfileString("MRU", "File1", "/a.mp3", file.c_str()), 1);
    ASSERT_EQ(VorlainWriteProfileString("path", "TEMP", "/other", file.c_str()), 1);
    ASSERT_EQ(VorlainWriteProfileString("Path", "Second", "2", file.c_str()), 1);
    EXPECT_EQ(get("Path", "Temp", file), "/other");
    EXPECT_EQ(get("MRU", "File1", file), "/a.mp3");
    EXPECT_EQ(VorlainGetProfileInt("Path", "Second", 0, file.c_str()), 2);
    auto bytes = ReadBytes(file);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "[Path]\nTEMP=/other\nSecond=2\n[MRU]\nFile1=/a.mp3\n");
    // No temporary file is left beside it.
    EXPECT_EQ(ListDir(env().root()).size(), 3u); // tmp, home, Config.ini
}

TEST_F(IniFile, ValuesAreCutOnACharacterBoundary)
{
    std::string file = env().path("x.ini");
    VorlainWriteProfileString("s", "k", "aé", file.c_str()); // 'a' + 2-byte é
    char buf[3];
    EXPECT_EQ(VorlainGetProfileString("s", "k", "", buf, sizeof buf, file.c_str()), 1u);
    EXPECT_STREQ(buf, "a");
}

TEST_F(IniFile, UnwritableFolderFailsWithoutCrashing)
{
    EXPECT_EQ(VorlainWriteProfileString("s", "k", "v", "/nonexistent-dir/x.ini"), 0);
    EXPECT_EQ(VorlainWriteProfileString(nullptr, "k", "v", env().path("y.ini").c_str()), 0);
}
