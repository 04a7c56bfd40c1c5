#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace veskar::simdevice::testing {

// A path in the temporary folder that no other test, running at the same time, uses.
inline std::string TempPathFor(const std::string& name) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string path = std::string("simdevice_") + test->test_suite_name() + "_" + test->name() +
                       "_" + std::to_string(getpid()) + "_" + name;
    std::replace(path.begin(), path.end(), '/', '_');
    return ::testing::TempDir() + path;
}

}  // namespace veskar::simdevice::testing
