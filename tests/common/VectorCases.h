#pragma once

// The reference cases' folders for the parameterised tests of the engine and of quillan-batch.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace vectorcases {

// The case folders of pDir (those holding an args.json), in name order; empty when pDir is
// not a folder.
inline std::vector<std::filesystem::path> VectorCases(const std::filesystem::path& pDir) {
    std::vector<std::filesystem::path> cases;
    std::error_code ec;
    if (pDir.empty() || !std::filesystem::is_directory(pDir, ec)) return cases;
    for (const auto& e : std::filesystem::directory_iterator(pDir, ec))
        if (std::filesystem::exists(e.path() / "args.json")) cases.push_back(e.path());
    std::sort(cases.begin(), cases.end());
    return cases;
}

// A test name from a case folder: letters and digits kept, the rest as '_'.
inline std::string CaseName(const ::testing::TestParamInfo<std::filesystem::path>& pInfo) {
    std::string name = "case_" + pInfo.param.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

} // namespace vectorcases
