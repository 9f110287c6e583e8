#pragma once
// Temporary folders, environment overrides and the one GUI application of a
// test program (the control and list tests take it from here too).

#include "foundation/FoundationUtil.h"

#include <QApplication>

#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

using foundation_test::TempFolder;

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* pName, const std::string& pValue) : m_Name(pName) {
        if (const char* old = std::getenv(pName)) m_Old = old;
        setenv(pName, pValue.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_Old)
            setenv(m_Name, m_Old->c_str(), 1);
        else
            unsetenv(m_Name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* m_Name;
    std::optional<std::string> m_Old;
};

// One offscreen application for the whole test program.
inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "quillan-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace testsupport
