// The process-wide block reader and writer.
#include "kernel_fixture.h"

#include "store/block_io.h"
#include "vorlain/test/debug_capture.h"

#include <gtest/gtest.h>

using namespace kernel;
using namespace vorlain::test;

class BlockIo : public IsolatedTest {
protected:
    void TearDown() override
    {
        CBlockReader::Instance().Close();
        CBlockWriter::Instance().Close();
        IsolatedTest::TearDown();
    }
    std::string makeFile(const std::string& name, size_t size, uint8_t seed)
    {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<uint8_t>(seed + i);
        std::string path = env().path(name);
        WriteBytes(path, bytes);
        return path;
    }
};

TEST_F(BlockIo, ReadsBlocksAndClosesOnTheShortOne)
{
    std::string a = makeFile("a.dat", 2500, 0);
    CBlockReader& reader = CBlockReader::Instance();
    uint8_t buf[1024];
    uint32_t count = 0;
    ASSERT_TRUE(reader.Read(a, buf, count, 0));
    EXPECT_EQ(count, 1024u);
    EXPECT_EQ(buf[0], 0);
    ASSERT_TRUE(reader.Read(a, buf, count));
    EXPECT_EQ(count, 1024u);
    EXPECT_EQ(buf[0], static_cast<uint8_t>(1024));
    ASSERT_TRUE(reader.Read(a, buf, count));
    EXPECT_EQ(count, 452u);
    EXPECT_EQ(reader.OpenPath(), "");
    ASSERT_TRUE(reader.Read(a, buf, count, 2400)); // reopens and seeks
    EXPECT_EQ(count, 100u);
    EXPECT_EQ(buf[0], static_cast<uint8_t>(2400));
    EXPECT_FALSE(reader.Read(env().path("missing.dat"), buf, count));
    EXPECT_EQ(count, 0u);
}

TEST_F(BlockIo, AnotherPathSwitchesFilesAndLogsTheDifference)
{
    std::string a = makeFile("a.dat", 4096, 0);
    std::string b = makeFile("b.dat", 4096, 100);
    DebugCapture capture;
    CBlockReader& reader = CBlockReader::Instance();
    uint8_t buf[1024];
    uint32_t count = 0;
    ASSERT_TRUE(reader.Read(a, buf, count, 0));
    ASSERT_TRUE(reader.Read(b, buf, count)); // no seek: starts at b's beginning
    EXPECT_EQ(buf[0], 100);
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{"======difference======", a, b,
                                                         "======difference======"}));
    capture.clear();
    // The same file named with doubled separators is no switch.
    std::string doubled = env().root() + "//b.dat";
    ASSERT_TRUE(reader.Read(doubled, buf, count));
    EXPECT_EQ(buf[0], static_cast<uint8_t>(100 + 1024));
    EXPECT_TRUE(capture.lines().empty());
}

TEST_F(BlockIo, WriterCreatesWithoutTruncatingSeeksAndCloses)
{
    std::string path = makeFile("w.dat", 10, 0);
    CBlockWriter& writer = CBlockWriter::Instance();
    uint8_t x[2] = {0xEE, 0xFF};
    ASSERT_TRUE(writer.Write(path, x, 2, false, 4));
    ASSERT_TRUE(writer.Write(path, x, 1, true));
    auto bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 10u); // not truncated
    EXPECT_EQ(bytes[4], 0xEE);
    EXPECT_EQ(bytes[5], 0xFF);
    EXPECT_EQ(bytes[6], 0xEE);
    EXPECT_EQ(bytes[7], 7);
    EXPECT_EQ(writer.OpenPath(), "");
    EXPECT_FALSE(writer.Write(env().path("no/dir/x"), x, 2, true));
}

TEST_F(BlockIo, AWriterLeftOpenNeverWritesIntoTheNextOperationsFile)
{
    std::string first = env().path("first.dat");
    std::string second = env().path("second.dat");
    CBlockWriter& writer = CBlockWriter::Instance();
    uint8_t x[1] = {1};
    ASSERT_TRUE(writer.Write(first, x, 1, false)); // an operation that never closed
    uint8_t y[1] = {2};
    ASSERT_TRUE(writer.Write(second, y, 1, true));
    EXPECT_EQ(ReadBytes(first), std::vector<uint8_t>{1});
    EXPECT_EQ(ReadBytes(second), std::vector<uint8_t>{2});
}
