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
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
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
