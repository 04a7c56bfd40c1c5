#include "capture/frame_row.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace veskar {
namespace {

std::time_t PinnedClock() {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 11;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::time_t FailingClock() {
    return static_cast<std::time_t>(-1);
}

class FrameRowTest : public ::testing::Test {
  protected:
    void SetUp() override { SetWallClock(&PinnedClock); }
    void TearDown() override { SetWallClock(nullptr); }
};

TEST_F(FrameRowTest, FormsTheFourTexts) {
    const struct {
        std::vector<std::uint8_t> bytes;
        int number;
        const char* len;
        const char* data;
    } cases[] = {
        {{0x00}, 1, "1", "S<00:w>"},
        {{0xFF}, 2, "1", "S<7F:r>"},
        {{0xA1}, 7, "1", "S<50:r>"},
        {{0xA0, 0x00, 0x10}, 12, "3", "S<50:w>00 10 "},
        {{0xA1, 0x3C}, 200000, "2", "S<50:r>3C "},
        {{0x91, 0xab, 0xCD, 0x0f}, 3, "4", "S<48:r>AB CD 0F "},
    };
    for (const auto& c : cases) {
        const FrameRow row = FormatFrameRow(
            Frame{c.bytes.data(), static_cast<std::int32_t>(c.bytes.size())}, c.number);
        EXPECT_EQ(row.seq, std::to_string(c.number));
        EXPECT_EQ(row.time, "09:05:03");
        EXPECT_EQ(row.len, c.len);
        EXPECT_EQ(row.data, c.data);
    }
}

TEST_F(FrameRowTest, TimeIsEmptyWhenTheClockCannotBeConverted) {
    const std::uint8_t address = 0xA0;
    SetWallClock(&FailingClock);
    EXPECT_EQ(FormatFrameRow(Frame{&address, 1}, 1).time, "");
    SetWallClock(&PinnedClock);
    EXPECT_EQ(FormatFrameRow(Frame{&address, 1}, 1).time, "09:05:03");
}

TEST_F(FrameRowTest, SeqShowsNumbersBeyondTheSignedRange) {
    const std::uint8_t address = 0xA0;
    EXPECT_EQ(FormatFrameRow(Frame{&address, 1}, 4294967295LL).seq, "4294967295");
}

}  // namespace
}  // namespace veskar
