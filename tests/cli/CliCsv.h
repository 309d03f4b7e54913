#pragma once

// Reading back the CSV that tervik-cli writes.

#include "NumText.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

// The comma-separated fields of a line; a trailing comma gives an empty last field.
inline std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f;
    std::stringstream in(line);
    std::string s;
    while (std::getline(in, s, ','))
        f.push_back(s);
    if (!line.empty() && line.back() == ',')
        f.emplace_back();
    return f;
}

// A number field, which must be read whole.
inline double Num(const std::string& text) {
    const char* end = nullptr;
    const double v = ParseDouble(text.c_str(), &end);
    EXPECT_EQ(end, text.c_str() + text.size()) << text;
    return v;
}
