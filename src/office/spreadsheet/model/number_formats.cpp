// The built-in number formats and the classification of format codes (see number_formats.h).
#include "office/spreadsheet/model/number_formats.h"

#include <iterator>

#include "text/text.h"

namespace tq::office {

namespace {

// 年 月 日 时 分 秒 上午/下午 in UTF-8, for the Chinese (PRC) codes.
#define TQ_NIAN "\xe5\xb9\xb4"
#define TQ_YUE "\xe6\x9c\x88"
#define TQ_RI "\xe6\x97\xa5"
#define TQ_SHI "\xe6\x97\xb6"
#define TQ_FEN "\xe5\x88\x86"
#define TQ_MIAO "\xe7\xa7\x92"
#define TQ_AMPM "\xe4\xb8\x8a\xe5\x8d\x88/\xe4\xb8\x8b\xe5\x8d\x88"

constexpr const char* kYearMonth = "yyyy\"" TQ_NIAN "\"m\"" TQ_YUE "\"";
constexpr const char* kMonthDay = "m\"" TQ_YUE "\"d\"" TQ_RI "\"";
constexpr const char* kHourMinute = "h\"" TQ_SHI "\"mm\"" TQ_FEN "\"";
constexpr const char* kHourMinuteSecond = "h\"" TQ_SHI "\"mm\"" TQ_FEN "\"ss\"" TQ_MIAO "\"";
constexpr const char* kAmPmHourMinute = TQ_AMPM "h\"" TQ_SHI "\"mm\"" TQ_FEN "\"";
constexpr const char* kAmPmHourMinuteSecond =
    TQ_AMPM "h\"" TQ_SHI "\"mm\"" TQ_FEN "\"ss\"" TQ_MIAO "\"";

// Indexed by id; nullptr where the id has no built-in code.
constexpr const char* kBuiltin[59] = {
    /* 0 */ "General",
    /* 1 */ "0",
    /* 2 */ "0.00",
    /* 3 */ "#,##0",
    /* 4 */ "#,##0.00",
    /* 5 */ "\"$\"#,##0_);(\"$\"#,##0)",
    /* 6 */ "\"$\"#,##0_);[Red](\"$\"#,##0)",
    /* 7 */ "\"$\"#,##0.00_);(\"$\"#,##0.00)",
    /* 8 */ "\"$\"#,##0.00_);[Red](\"$\"#,##0.00)",
    /* 9 */ "0%",
    /* 10 */ "0.00%",
    /* 11 */ "0.00E+00",
    /* 12 */ "# ?/?",
    /* 13 */ "# ?\?/??",
    /* 14 */ "m/d/yyyy",
    /* 15 */ "d-mmm-yy",
    /* 16 */ "d-mmm",
    /* 17 */ "mmm-yy",
    /* 18 */ "h:mm AM/PM",
    /* 19 */ "h:mm:ss AM/PM",
    /* 20 */ "h:mm",
    /* 21 */ "h:mm:ss",
    /* 22 */ "m/d/yyyy h:mm",
    /* 23-26: no built-in code */ nullptr,
    nullptr,
    nullptr,
    nullptr,
    /* 27 */ kYearMonth,
    /* 28 */ kMonthDay,
    /* 29 */ kMonthDay,
    /* 30 */ "m-d-yy",
    /* 31 */ "yyyy\"" TQ_NIAN "\"m\"" TQ_YUE "\"d\"" TQ_RI "\"",
    /* 32 */ kHourMinute,
    /* 33 */ kHourMinuteSecond,
    /* 34 */ kAmPmHourMinute,
    /* 35 */ kAmPmHourMinuteSecond,
    /* 36 */ kYearMonth,
    /* 37 */ "#,##0 ;(#,##0)",
    /* 38 */ "#,##0 ;[Red](#,##0)",
    /* 39 */ "#,##0.00;(#,##0.00)",
    /* 40 */ "#,##0.00;[Red](#,##0.00)",
    /* 41 */ "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)",
    /* 42 */ "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)",
    /* 43 */ "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)",
    /* 44 */ "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)",
    /* 45 */ "mm:ss",
    /* 46 */ "[h]:mm:ss",
    /* 47 */ "mm:ss.0",
    /* 48 */ "##0.0E+0",
    /* 49 */ "@",
    /* 50 */ kYearMonth,
    /* 51 */ kMonthDay,
    /* 52 */ kYearMonth,
    /* 53 */ kMonthDay,
    /* 54 */ kMonthDay,
    /* 55 */ kAmPmHourMinute,
    /* 56 */ kAmPmHourMinuteSecond,
    /* 57 */ kYearMonth,
    /* 58 */ kMonthDay,
};

#undef TQ_NIAN
#undef TQ_YUE
#undef TQ_RI
#undef TQ_SHI
#undef TQ_FEN
#undef TQ_MIAO
#undef TQ_AMPM

}  // namespace

const char* BuiltinNumFmt(int id) {
    if (id < 0 || id >= static_cast<int>(std::size(kBuiltin))) return nullptr;
    return kBuiltin[id];
}

bool IsGeneralFormat(std::string_view code) {
    return code.empty() || text::equalsNoCase(code, "General") || code == kGeneralFormatLocal;
}

bool IsDateFormat(std::string_view code) {
    for (size_t i = 0; i < code.size(); ++i) {
        char ch = code[i];
        switch (ch) {
            case '"': {  // quoted text
                size_t end = code.find('"', i + 1);
                if (end == std::string_view::npos) return false;
                i = end;
                break;
            }
            case '[': {  // colour, condition or locale
                size_t end = code.find(']', i + 1);
                if (end == std::string_view::npos) return false;
                i = end;
                break;
            }
            case '\\':  // escaped character
            case '_':   // space as wide as the next character
            case '*':   // fill with the next character
                ++i;
                break;
            default: {
                if (text::startsWithNoCase(code.substr(i), "General")) {
                    i += 6;
                    break;
                }
                char lc = text::toLowerAscii(ch);
                if (lc == 'y' || lc == 'm' || lc == 'd' || lc == 'h' || lc == 's') return true;
                break;
            }
        }
    }
    return false;
}

}  // namespace tq::office
