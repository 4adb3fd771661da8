// A fresh, empty working folder for each test of the front ends' shared
// code, removed afterwards; made with the standard library, so that the
// same tests build on the host and for Windows.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

class InWorkingFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int counter;
        namespace fs = std::filesystem;
        dir_ = fs::temp_directory_path() / ("meridoka-platform-" + std::to_string(++counter) + "-" +
                                            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override
    {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_, old_;
};
