// Comparison with the expected-text files (see golden.h).
#include "support/golden.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/os_support.h"
#include "text/text.h"

namespace tqtest {

void ExpectGolden(const std::string& name, const std::string& actual) {
    const std::string path = TQTEST_SOURCE_DIR "/tests/golden/" + name;
    if (std::getenv("TQTEST_GOLDEN_UPDATE")) ostest::writeFile(path, actual);
    EXPECT_EQ(actual, ostest::readFile(path).value_or("(missing)")) << path;
}

void ExpectGolden(const std::string& name, const std::vector<std::string>& gbkLines) {
    std::string text;
    for (const std::string& line : gbkLines) text += tq::text::gbkToUtf8(line) + "\n";
    ExpectGolden(name, text);
}

}  // namespace tqtest
