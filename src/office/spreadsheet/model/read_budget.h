// The budget of a workbook being read: the records it turns into (cells, rows, strings, merged
// areas, formats, sheets) and the bytes of its texts, counted while the file is read so that a
// hostile file is refused before its memory grows past a fixed multiple of the budget.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "tqtool/limits.h"

namespace tq::office {

/// A budget of tq::Limits was exceeded; what() names the limit (English).
class LimitError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ReadBudget {
  public:
    explicit ReadBudget(const Limits& limits)
        : maxRecords_(limits.maxCells), maxText_(limits.maxTextBytes) {}

    /// Counts `n` more records (maxCells).
    void records(uint64_t n = 1) {
        records_ += n;
        if (records_ > maxRecords_)
            throw LimitError("the workbook holds more than " + std::to_string(maxRecords_) +
                             " cells (limit maxCells)");
    }
    /// Counts a text of `bytes` bytes that is kept (maxTextBytes), and the string as a record.
    void text(uint64_t bytes) {
        checkPending(bytes);
        text_ += bytes;
        records();
    }
    /// Refuses a text still being assembled once it would not fit any more.
    void checkPending(uint64_t bytes) const {
        if (text_ + bytes > maxText_)
            throw LimitError("the workbook holds more than " + std::to_string(maxText_) +
                             " bytes of text (limit maxTextBytes)");
    }

  private:
    uint64_t maxRecords_;
    uint64_t maxText_;
    uint64_t records_ = 0;
    uint64_t text_ = 0;
};

}  // namespace tq::office
