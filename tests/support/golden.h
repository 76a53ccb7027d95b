// Expected texts kept as files under tests/golden/, so that long outputs (INI files after edits,
// call logs) are reviewed as text. TQTEST_GOLDEN_UPDATE=1 rewrites each file with the actual text
// instead of comparing: review the diff.
#pragma once

#include <string>
#include <vector>

namespace tqtest {

/// Expects tests/golden/NAME to hold `actual` byte for byte.
void ExpectGolden(const std::string& name, const std::string& actual);
/// The same for lines of GBK text (a call log), kept in the file as UTF-8, one per line.
void ExpectGolden(const std::string& name, const std::vector<std::string>& gbkLines);

}  // namespace tqtest
