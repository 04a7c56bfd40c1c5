#include "tools/simdevice/frame_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/simdevice/tests/temp_path.h"

namespace veskar::simdevice {
namespace {

class FrameLogTest : public ::testing::Test {
  protected:
    std::string Text() const {
        std::ifstream file(path_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    void TearDown() override { std::remove(path_.c_str()); }

    const std::string path_ = testing::TempPathFor("frames.log");
};

TEST_F(FrameLogTest, WorkedExampleLogShowsFramesAndHowTheyWereSent) {
    FrameLogWriter log;
    ASSERT_TRUE(log.Open(path_, "heading"));
    for (const Piece& piece : GenerateTraffic(Scenario::WorkedExample, 1, 10).pieces) {
        log.Write(piece);
    }
    ASSERT_TRUE(log.Close("end"));
    EXPECT_EQ(Text(),
              "# heading\n"
              "# seq len bytes: the frames a receiver shows, in order\n"
              "# sent: 78 48 44 52 A0 01 02 48 44\n"
              "1 3 A0 01 02\n"
              "# sent: 52 A1 05\n"
              "2 2 A1 05\n"
              "# end\n");
    EXPECT_EQ(log.FramesShown(), 2);
}

TEST_F(FrameLogTest, NotesStrayBytesAndSplitOrEmptySends) {
    Piece stray{0, Bytes(100, 0x11), 0, {}};
    Piece plain{0, {0x48, 0x44, 0x52, 0x91, 0x19, 0x80}, 1, {{0x91, 0x19, 0x80}}};
    Piece empty{0, {0x48, 0x44, 0x52}, 1, {}};
    Piece split{0, {0x48, 0x44, 0x52, 0xA0, 0x48, 0x44, 0x52, 0x07}, 1, {{0xA0}, {0x07}}};
    FrameLogWriter log;
    ASSERT_TRUE(log.Open(path_, "h"));
    for (const Piece* piece : {&stray, &plain, &empty, &split}) log.Write(*piece);
    ASSERT_TRUE(log.Close("e"));
    EXPECT_EQ(Text(),
              "# h\n"
              "# seq len bytes: the frames a receiver shows, in order\n"
              "# stray: 100 bytes without a marker, in no frame\n"
              "1 3 91 19 80\n"
              "# sent: 48 44 52\n"
              "# sent: 48 44 52 A0 48 44 52 07\n"
              "2 1 A0\n"
              "3 1 07\n"
              "# e\n");
}

TEST_F(FrameLogTest, ReadsBackTheFramesItWrote) {
    const Traffic traffic = GenerateTraffic(Scenario::HdrInData, 4, 100);
    FrameLogWriter log;
    ASSERT_TRUE(log.Open(path_, "h"));
    for (const Piece& piece : traffic.pieces) log.Write(piece);
    ASSERT_TRUE(log.Close("e"));
    EXPECT_EQ(ReadFrameLog(path_), traffic.shown);
}

TEST_F(FrameLogTest, RejectsLogsWithGapsOrWrongLengths) {
    for (const char* text : {"1 2 A0 01\n3 1 A1\n", "1 3 A0 01\n", "x\n"}) {
        std::ofstream(path_) << text;
        EXPECT_FALSE(ReadFrameLog(path_).has_value()) << text;
    }
    EXPECT_FALSE(ReadFrameLog(path_ + ".missing").has_value());
}

}  // namespace
}  // namespace veskar::simdevice
