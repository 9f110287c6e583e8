#pragma once
// Reads the lines the graph builder appends to the error log during a test.

#include "services/core/ErrorLog.h"

#include <fstream>
#include <string>
#include <vector>

class ErrorLogLines {
  public:
    ErrorLogLines() : m_Skip(ReadAll().size()) {}

    // Messages written since construction, without their time stamps.
    std::vector<std::string> New() const {
        auto all = ReadAll();
        std::vector<std::string> lines(all.begin() + long(std::min(m_Skip, all.size())), all.end());
        for (auto& line : lines)
            line = line.size() > 20 ? line.substr(20) : line;
        return lines;
    }

  private:
    static std::vector<std::string> ReadAll() {
        std::ifstream in(LogFolder() + "/quillan.err");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    size_t m_Skip;
};
