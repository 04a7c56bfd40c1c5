// SerialLink against real serial ports under Wine: the test session maps pseudo-terminal pairs
// as COM3 to COM6, with their far ends as COM13 to COM16, where this test plays the device.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "capture/serial_link.h"
#include "capture/win32_comm_port.h"

namespace veskar {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kCom5 = 4;  // port index of COM5
constexpr int kBlockedCom7 = 6;

// The device side of COM5.
class FarEnd {
  public:
    FarEnd() {
        handle_ = CreateFileA("\\\\.\\COM15", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    }
    ~FarEnd() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Send(const Bytes& bytes) {
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        ASSERT_EQ(written, bytes.size());
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

class SerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::getenv("VESKAR_PTY_DIR") == nullptr) GTEST_SKIP() << "not in a Wine test session";
        ASSERT_TRUE(device.IsOpen());
        ASSERT_EQ(link.Open(kCom5, 230400), 1);
        link.Purge();  // nothing left over from an earlier test
    }
    void TearDown() override { link.Close(); }

    // Reads until `count` bytes came or two seconds passed; records each read's size.
    Bytes ReadAll(std::size_t count, std::uint32_t maxBytes, std::vector<int>* sizes = nullptr) {
        Bytes received;
        std::vector<std::uint8_t> chunk(maxBytes);
        const DWORD deadline = GetTickCount() + 2000;
        while (received.size() < count && GetTickCount() < deadline) {
            const int n = link.Read(chunk.data(), maxBytes);
            EXPECT_GE(n, 0);
            EXPECT_LE(n, static_cast<int>(maxBytes));
            if (n > 0 && sizes != nullptr) sizes->push_back(n);
            received.insert(received.end(), chunk.begin(), chunk.begin() + n);
            if (n == 0) Sleep(10);
        }
        return received;
    }

    Win32CommPort port;
    SerialLink link{port};
    FarEnd device;
};

TEST_F(SerialPortTest, BytesFromTheDeviceArriveInOrder) {
    const Bytes sent = Pattern(300);
    device.Send(sent);
    EXPECT_EQ(ReadAll(sent.size(), 10000), sent);
}

TEST_F(SerialPortTest, ReadReturnsAtOnceWhenNothingWaits) {
    std::uint8_t buffer[16] = {0x5A};
    const DWORD start = GetTickCount();
    EXPECT_EQ(link.Read(buffer, sizeof buffer), 0);
    EXPECT_LT(GetTickCount() - start, 500u);
    EXPECT_EQ(buffer[0], 0x5A);
}

TEST_F(SerialPortTest, MoreThanMaxBytesWaitingComeInFollowingReadsInOrder) {
    const Bytes sent = Pattern(2500);
    device.Send(sent);
    Sleep(300);  // let all of it reach the port's queue
    std::vector<int> sizes;
    EXPECT_EQ(ReadAll(sent.size(), 1000, &sizes), sent);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.front(), 1000);
}

TEST_F(SerialPortTest, PurgeDiscardsWhatArrivedBefore) {
    device.Send(Pattern(100));
    Sleep(300);
    link.Purge();
    const Bytes after = {0x48, 0x44, 0x52, 0xA1};
    device.Send(after);
    EXPECT_EQ(ReadAll(after.size(), 10000), after);
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST_F(SerialPortTest, ASecondOpenOfTheSamePortFails) {
    // Windows refuses a second open of a serial port opened with share mode 0; Wine (8.0) does
    // not enforce share modes on serial devices, so there the check cannot be made.
    if (RunningUnderWine()) GTEST_SKIP() << "Wine does not enforce exclusive serial opens";
    Win32CommPort otherPort;
    SerialLink other{otherPort};
    EXPECT_EQ(other.Open(kCom5, 230400), 0);
    EXPECT_FALSE(other.IsOpen());
    // Re-opening through the link that holds it releases the held handle first.
    EXPECT_EQ(link.Open(kCom5, 230400), 1);
}

TEST_F(SerialPortTest, APortThatIsNotMappedFailsToOpen) {
    for (int index : {kBlockedCom7, 9 /* COM10 */, -1 /* COM0 */}) {
        Win32CommPort otherPort;
        SerialLink other{otherPort};
        EXPECT_EQ(other.Open(index, 230400), 0) << SerialLink::PortName(index);
        std::uint8_t buffer[4];
        EXPECT_EQ(other.Read(buffer, sizeof buffer), 0);
    }
}

}  // namespace
}  // namespace veskar
