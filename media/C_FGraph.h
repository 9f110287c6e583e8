#pragma once
// A media object that owns one filter graph for one file at a time, built only to learn the
// file's play length; nothing is played.

#include "media/FCT_Quartz.h"

#include <cstdint>
#include <string>

class C_FGraph {
  public:
    // How long building a graph and asking its length may take in all.
    static constexpr int32_t PrerollTimeoutMs = kPrerollTimeoutMs;

    // A first graph and the probe of the registered filters. Call once before FileName.
    void Init();
    // Play length of the current file in milliseconds; 0 when none.
    int32_t Length() const { return m_Length; }
    // Path of the file the current graph was built for; empty when none.
    const std::string& FileName() const { return m_FileName; }
    // Builds the graph for the file and sets Length. The same path again does nothing; a
    // file that cannot be opened, or not within the time, leaves FileName empty and Length 0.
    void FileName(const std::string& pPath);
    // Releases the graph; FileName becomes empty and Length 0.
    void CloseWave();

  private:
    void BuildGraph(const std::string& pPath);
    void Forget();

    GraphContext m_Ctx;
    std::string m_FileName;
    int32_t m_Length = 0;
};
