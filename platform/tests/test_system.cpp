#include "vorlain/platform.h"
#include "vorlain/test/debug_capture.h"
#include "vorlain/test/temp_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace vorlain::test;

class Folders : public IsolatedTest {};

TEST_F(Folders, TempBaseIsTmpdirWithATrailingSlash)
{
    char buf[260];
    ASSERT_EQ(VorlainGetTempBase(buf, sizeof buf), 1);
    EXPECT_EQ(std::string(buf), std::string(std::getenv("TMPDIR")) + "/");
    setenv("TMPDIR", "", 1);
    ASSERT_EQ(VorlainGetTempBase(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "/tmp/");
}

TEST_F(Folders, TempBaseFallsBackToDocumentsThenDataFolder)
{
    std::string longTmp(300, 'x');
    setenv("TMPDIR", ("/" + longTmp).c_str(), 1); // does not fit 260
    char buf[260];
    ASSERT_EQ(VorlainGetTempBase(buf, sizeof buf), 1);
    EXPECT_EQ(std::string(buf), std::string(std::getenv("XDG_DOCUMENTS_DIR")) + "/");
    setenv("XDG_DOCUMENTS_DIR", ("/" + longTmp).c_str(), 1);
    ASSERT_EQ(VorlainGetTempBase(buf, sizeof buf), 1);
    std::string expected = std::string(std::getenv("XDG_DATA_HOME")) + "/ZanthoVorlain/";
    EXPECT_EQ(std::string(buf), expected);
    EXPECT_TRUE(Exists(expected));
}

TEST_F(Folders, ConfigFolderIsCreatedUnderXdgConfigHome)
{
    char buf[260];
    ASSERT_EQ(VorlainGetConfigDir(buf, sizeof buf), 1);
    EXPECT_EQ(std::string(buf), std::string(std::getenv("XDG_CONFIG_HOME")) + "/Vorlain");
    EXPECT_TRUE(Exists(buf));
    char tiny[4];
    EXPECT_EQ(VorlainGetConfigDir(tiny, sizeof tiny), 0);
}

TEST_F(Folders, FreeSpaceUsesTheNearestExistingParent)
{
    int64_t here = VorlainFreeSpaceKiB(env().root().c_str());
    EXPECT_GT(here, 0);
    EXPECT_GT(VorlainFreeSpaceKiB((env().root() + "/not/yet/there").c_str()), 0);
    EXPECT_EQ(VorlainFreeSpaceKiB(""), 0);
    EXPECT_EQ(VorlainFreeSpaceKiB(nullptr), 0);
}

TEST(Text, CollapseSeparatorsAndCutOnCharacterBoundaries)
{
    char p[] = "/tmp//Vorlain_Tmp1///Track00/x.dat";
    VorlainCollapseSeparators(p);
    EXPECT_STREQ(p, "/tmp/Vorlain_Tmp1/Track00/x.dat");
    char out[4];
    VorlainCopyTextCut(out, sizeof out, "ab♪"); // ♪ is 3 bytes: only "ab" fits
    EXPECT_STREQ(out, "ab");
    VorlainCopyTextCut(out, sizeof out, nullptr);
    EXPECT_STREQ(out, "");
}

TEST(Debug, LinesReachTheSinkFormatted)
{
    DebugCapture capture;
    VorlainOutputDebugString("Loading Path=%s from=%lld to=%lld", "/a/00000001.dat", 0LL, 5000000LL);
    std::string longText(1000, 'z');
    VorlainOutputDebugString("%s", longText.c_str());
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Loading Path=/a/00000001.dat from=0 to=5000000");
    EXPECT_EQ(lines[1], longText);
}

TEST(Tick, CountAdvances)
{
    uint32_t a = VorlainTickCount();
    struct timespec ts{0, 20'000'000};
    nanosleep(&ts, nullptr);
    uint32_t b = VorlainTickCount();
    EXPECT_GE(static_cast<uint32_t>(b - a), 15u);
}
