#pragma once
// Whole files as bytes, for tests that write hostile files and check what a failed write kept.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace corvane {

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline std::string readFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

inline void writeFile(const std::string& file, const std::string& bytes) {
    ASSERT_TRUE(std::ofstream(file, std::ios::binary) << bytes) << file;
}

}  // namespace corvane
