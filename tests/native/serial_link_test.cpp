#include "capture/serial_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/recording_comm_port.h"

namespace veskar {
namespace {

using Calls = std::vector<std::string>;

class SerialLinkTest : public ::testing::Test {
  protected:
    testing::RecordingCommPort port;
    SerialLink link{port};
};

TEST_F(SerialLinkTest, PortNamesFollowTheIndex) {
    const struct {
        int index;
        const char* name;
    } cases[] = {{0, "COM1"}, {1, "COM2"}, {7, "COM8"}, {9, "COM10"}, {-1, "COM0"}};
    for (const auto& c : cases) {
        port.ClearCalls();
        EXPECT_EQ(link.Open(c.index, 230400), 1) << c.name;
        ASSERT_FALSE(port.calls.empty());
        // On a second round the held port is closed first; the CreateFile follows it.
        const std::string& create = port.calls[port.calls[0].rfind("CloseHandle", 0) == 0 ? 1 : 0];
        EXPECT_EQ(create, std::string("CreateFile ") + c.name);
    }
}

TEST_F(SerialLinkTest, OpenMakesTheCallsInOrderWithTheLineSettings) {
    ASSERT_EQ(link.Open(1, 230400), 1);
    EXPECT_EQ(port.calls,
              (Calls{"CreateFile COM2", "SetupComm #1 3000 512", "GetCommState #1",
                     "SetCommState #1 230400 parity=0 bits=8 stop=0", "SetCommTimeouts #1"}));
    // Every field the link does not set keeps what GetCommState reported.
    for (auto byte : port.lastState.platformState) EXPECT_EQ(byte, 0xAB);
    EXPECT_EQ(port.lastTimeouts.readIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(port.lastTimeouts.readTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(port.lastTimeouts.readTotalTimeoutConstant, 0u);
    EXPECT_EQ(port.lastTimeouts.writeTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(port.lastTimeouts.writeTotalTimeoutConstant, 0u);
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(SerialLinkTest, OpenOnAnOpenLinkClosesTheHeldHandleFirst) {
    ASSERT_EQ(link.Open(1, 230400), 1);
    port.ClearCalls();
    ASSERT_EQ(link.Open(1, 230400), 1);
    ASSERT_GE(port.calls.size(), 2u);
    EXPECT_EQ(port.calls[0], "CloseHandle #1");  // no purge, no event mask change
    EXPECT_EQ(port.calls[1], "CreateFile COM2");
}

TEST_F(SerialLinkTest, FailedOpensLeaveTheLinkNotOpenAndHoldingNoPort) {
    struct Case {
        const char* what;
        bool absent, failGet, failSet;
        Calls callsAfterCreate;
    };
    const Case cases[] = {
        {"port absent", true, false, false, {}},
        {"GetCommState refused",
         false,
         true,
         false,
         {"SetupComm #2 3000 512", "GetCommState #2", "CloseHandle #2"}},
        {"SetCommState refused",
         false,
         false,
         true,
         {"SetupComm #2 3000 512", "GetCommState #2",
          "SetCommState #2 230400 parity=0 bits=8 stop=0", "CloseHandle #2"}},
    };
    for (const Case& c : cases) {
        testing::RecordingCommPort fresh;
        SerialLink fresh_link{fresh};
        ASSERT_EQ(fresh_link.Open(2, 230400), 1) << c.what;  // a successful open before
        if (c.absent) fresh.absentPorts.insert("COM4");
        fresh.failGetCommState = c.failGet;
        fresh.failSetCommState = c.failSet;
        fresh.ClearCalls();
        EXPECT_EQ(fresh_link.Open(3, 230400), 0) << c.what;
        Calls expected{"CloseHandle #1", "CreateFile COM4"};
        expected.insert(expected.end(), c.callsAfterCreate.begin(), c.callsAfterCreate.end());
        EXPECT_EQ(fresh.calls, expected) << c.what;
        EXPECT_FALSE(fresh_link.IsOpen());

        // Not open and holding no port: Read, Purge and Close make no system call.
        fresh.ClearCalls();
        fresh.Queue({1, 2, 3});
        std::uint8_t buffer[8] = {};
        EXPECT_EQ(fresh_link.Read(buffer, sizeof buffer), 0) << c.what;
        fresh_link.Purge();
        EXPECT_EQ(fresh_link.Close(), 1);
        EXPECT_TRUE(fresh.calls.empty()) << c.what;
    }
}

TEST_F(SerialLinkTest, ReadPurgeAndCloseBeforeAnyOpenMakeNoSystemCall) {
    std::uint8_t buffer[4] = {7, 7, 7, 7};
    port.Queue({1, 2});
    EXPECT_EQ(link.Read(buffer, sizeof buffer), 0);
    link.Purge();
    EXPECT_EQ(link.Close(), 1);
    EXPECT_TRUE(port.calls.empty());
    EXPECT_EQ(buffer[0], 7);
}

TEST_F(SerialLinkTest, ReadIsBoundedByMaxBytesAndByTheWaitingCount) {
    ASSERT_EQ(link.Open(0, 230400), 1);
    std::vector<std::uint8_t> sent;
    for (int i = 0; i < 25; ++i) sent.push_back(static_cast<std::uint8_t>(i));
    port.Queue(sent);
    port.ClearCalls();

    std::vector<std::uint8_t> received;
    std::uint8_t buffer[10];
    const int expectedCounts[] = {10, 10, 5, 0};
    for (int expected : expectedCounts) {
        const int n = link.Read(buffer, sizeof buffer);
        EXPECT_EQ(n, expected);
        received.insert(received.end(), buffer, buffer + n);
    }
    EXPECT_EQ(received, sent);
    EXPECT_EQ(port.calls[0], "ClearCommError #1");
    EXPECT_EQ(port.calls[1], "ReadFile #1 10");
    EXPECT_EQ(port.calls[5], "ReadFile #1 5");
    EXPECT_EQ(port.calls[7], "ReadFile #1 0");
}

TEST_F(SerialLinkTest, ReadWithNothingWaitingLeavesTheBufferUntouched) {
    ASSERT_EQ(link.Open(0, 230400), 1);
    std::uint8_t buffer[4] = {9, 9, 9, 9};
    EXPECT_EQ(link.Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(buffer[3], 9);
}

TEST_F(SerialLinkTest, ReadReturnsNothingWhenClearCommErrorFails) {
    ASSERT_EQ(link.Open(0, 230400), 1);
    port.Queue({1, 2, 3});
    port.failClearCommError = true;
    port.ClearCalls();
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(link.Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(port.calls, (Calls{"ClearCommError #1"}));  // no ReadFile
    port.failClearCommError = false;
    EXPECT_EQ(link.Read(buffer, sizeof buffer), 3);  // the bytes were kept for the next read
}

TEST_F(SerialLinkTest, PurgeAndCloseOfAnOpenLink) {
    ASSERT_EQ(link.Open(0, 230400), 1);
    port.ClearCalls();
    link.Purge();
    EXPECT_EQ(port.calls, (Calls{"PurgeComm #1 15"}));
    port.ClearCalls();
    EXPECT_EQ(link.Close(), 1);
    EXPECT_EQ(port.calls, (Calls{"SetCommMask #1 0", "PurgeComm #1 15", "CloseHandle #1"}));
    EXPECT_FALSE(link.IsOpen());
    port.ClearCalls();
    std::uint8_t buffer[4];
    EXPECT_EQ(link.Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(link.Close(), 1);
    EXPECT_TRUE(port.calls.empty());
}

}  // namespace
}  // namespace veskar
