// Prerequisites of a test that the project's test command installs (a locale, a Python module,
// a program such as soffice or ssconvert). Outside CI a missing one skips the test and says why;
// in CI (the CI environment variable set) it fails the test, so nothing is skipped silently.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tqtest {

/// True when the CI environment variable is set to anything but "" or "0".
bool InCI();
/// True when `program` is found on PATH and is executable.
bool HaveProgram(const std::string& program);
/// True when /usr/bin/python3 can import `module`.
bool HavePythonModule(const std::string& module);

}  // namespace tqtest

/// Skips the test (outside CI) or fails it (in CI) when `cond` is false; `what` names the missing
/// piece, e.g. "python3-xlrd".
#define TQ_REQUIRE(cond, what)                                                               \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            if (::tqtest::InCI()) FAIL() << "missing in CI: " << (what);                     \
            GTEST_SKIP() << "missing: " << (what) << " (scripts/setup.sh test installs it)"; \
        }                                                                                    \
    } while (0)
