#include "logs/log_file_format.h"

#include <gtest/gtest.h>

namespace veskar {
namespace {

TEST(LogFileFormatTest, NamesFollowTheChosenPath) {
    const struct {
        const char* chosen;
        int number;
        const char* name;
    } cases[] = {
        {"C:\\logs\\bus.xls", 0, "C:\\logs\\bus_0.xls"},
        {"C:\\logs\\bus.xls", 1, "C:\\logs\\bus_1.xls"},
        {"C:\\logs\\bus.txt", 1, "C:\\logs\\bus_1.xls"},
        {"C:\\data.old\\bus.xls", 0, "C:\\data.old\\bus_0.xls"},
        {"C:\\data.old\\bus", 0, "C:\\data_0.xls"},  // the last '.' wherever it stands
        {"C:\\logs\\bus", 2, "_2.xls"},              // no '.': the current directory
        {"C:\\logs\\bus.xls", 10, "C:\\logs\\bus_10.xls"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LogFileName(LogBasePathOf(std::string(c.chosen)), c.number), c.name) << c.chosen;
        const std::string chosen(c.chosen), name(c.name);
        EXPECT_EQ(LogFileName(LogBasePathOf(std::wstring(chosen.begin(), chosen.end())), c.number),
                  std::wstring(name.begin(), name.end()));
    }
    EXPECT_EQ(LogFileName(LogBasePathOf(std::wstring(L"C:\\日志\\总线.xls")), 3),
              L"C:\\日志\\总线_3.xls");
}

TEST(LogFileFormatTest, HeaderAndRowLinesAreExactBytes) {
    EXPECT_EQ(std::string(kLogHeaderLine), "Seq\tTime\tLen\tData\n");
    EXPECT_EQ(std::string(kLogHeaderLine).size(), 18u);

    const FrameRow workedExample{"7", "09:05:03", "2", "S<50:r>3C "};
    EXPECT_EQ(FormatLogLine(workedExample), "7\t09:05:03\t2\tS<50:r>3C \n");
    EXPECT_EQ(FormatLogLine(workedExample).size(), 24u);

    const FrameRow addressOnly{"1", "09:05:03", "1", "S<50:w>"};
    EXPECT_EQ(FormatLogLine(addressOnly), "1\t09:05:03\t1\tS<50:w>\n");
    EXPECT_EQ(FormatLogLine(addressOnly).find('\r'), std::string::npos);
}

}  // namespace
}  // namespace veskar
