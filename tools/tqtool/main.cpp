// tqtool: try every capability of the TQTool library from the command line.
//
// main() reads the input limits from the environment, picks the command named by the first words
// of the command line, parses the rest against the command's options and runs it. A result goes
// to standard output (exit 0); a failure prints {"error": ...} on standard error (exit 1), a
// command line that cannot be taken {"error": "usage: ..."} (exit 2).
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "cli.h"
#include "tool_api.h"
#include "tqtool/limits.h"

namespace tqcli {

namespace {

std::vector<Command>& registry() {
    static std::vector<Command> r;
    return r;
}

// ---- Limits from the environment ----

// One environment variable per field of tq::Limits. A new field gets one row here.
struct LimitVariable {
    const char* name;
    void (*apply)(tq::Limits& limits, const char* variable, const char* text);
};

// Parses a whole number from 1 to the field's maximum into the field; anything else is a usage
// error naming the variable.
template <auto Field>
void setLimit(tq::Limits& limits, const char* variable, const char* text) {
    using T = std::remove_reference_t<decltype(limits.*Field)>;
    const uint64_t max = std::numeric_limits<T>::max();
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (!*text || *text < '0' || *text > '9' || *end || errno == ERANGE || v < 1 || v > max)
        throw UsageError(std::string("usage: ") + variable + " must be a whole number from 1 to " +
                         std::to_string(max) + ", not '" + text + "'");
    limits.*Field = static_cast<T>(v);
}

const LimitVariable kLimitVariables[] = {
    {"TQTOOL_MAX_PART_BYTES", setLimit<&tq::Limits::maxPartBytes>},
    {"TQTOOL_MAX_PACKAGE_BYTES", setLimit<&tq::Limits::maxPackageBytes>},
    {"TQTOOL_MAX_INFLATE_RATIO", setLimit<&tq::Limits::maxInflateRatio>},
    {"TQTOOL_INFLATE_RATIO_FLOOR_BYTES", setLimit<&tq::Limits::inflateRatioFloorBytes>},
    {"TQTOOL_MAX_CELLS", setLimit<&tq::Limits::maxCells>},
    {"TQTOOL_MAX_TEXT_BYTES", setLimit<&tq::Limits::maxTextBytes>},
    {"TQTOOL_MAX_XLS_STREAM_BYTES", setLimit<&tq::Limits::maxXlsStreamBytes>},
    {"TQTOOL_MAX_READ_CELLS", setLimit<&tq::Limits::maxReadCells>},
    {"TQTOOL_MAX_XML_DEPTH", setLimit<&tq::Limits::maxXmlDepth>},
    {"TQTOOL_MAX_TEXT_FILE_BYTES", setLimit<&tq::Limits::maxTextFileBytes>},
    {"TQTOOL_MAX_INI_BYTES", setLimit<&tq::Limits::maxIniBytes>},
    {"TQTOOL_MAX_JSON_DEPTH", setLimit<&tq::Limits::maxJsonDepth>},
};

void applyLimitsFromEnvironment() {
    tq::Limits limits = tq::GetLimits();
    bool changed = false;
    for (const auto& v : kLimitVariables)
        if (const char* text = std::getenv(v.name)) {
            v.apply(limits, v.name, text);
            changed = true;
        }
    if (changed) tq::SetLimits(limits);
}

// ---- Command line ----

std::string programUsage() {
    std::string s = "usage: tqtool --version | COMMAND ...; commands:";
    for (const auto& c : registry()) s += "\n  tqtool " + c.usage;
    return s;
}

bool contains(const std::vector<std::string>& list, const std::string& s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

// A word that starts with '-' and is no number ("-0.5" and "-" are arguments).
bool looksLikeOption(const std::string& a) {
    return a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9') && a[1] != '.';
}

Args parseArgs(const Command& cmd, const std::vector<std::string>& words) {
    const std::string usage = "usage: tqtool " + cmd.usage;
    Args args;
    args.usage = usage;
    bool onlyPositional = cmd.parsing == Parsing::Literal;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (onlyPositional || !looksLikeOption(w)) {
            args.positional.push_back(w);
            continue;
        }
        if (w == "--") {
            onlyPositional = true;
            continue;
        }
        const size_t eq = w.find('=');
        const std::string name = w.substr(0, eq);
        const bool valued =
            cmd.parsing == Parsing::Into ? name == "--into" : contains(cmd.valued, name);
        if (cmd.parsing == Parsing::Into && !valued) {
            args.positional.push_back(w);
            continue;
        }
        if (valued) {
            if (eq != std::string::npos) {
                args.options[name] = w.substr(eq + 1);
            } else if (i + 1 < words.size()) {
                args.options[name] = words[++i];
            } else {
                throw UsageError(usage + " (" + name + " needs a value)");
            }
        } else if (contains(cmd.flags, name) && eq == std::string::npos) {
            args.options[name] = "";
        } else {
            throw UsageError(usage + " (unknown option " + w + ")");
        }
    }
    if (args.positional.size() < cmd.minPositional || args.positional.size() > cmd.maxPositional)
        throw UsageError(usage);
    return args;
}

void printError(const std::string& message, const int32_t* code) {
    JsonOut err(stderr);
    err.beginObject();
    if (code) err.key("code").num(*code);
    err.key("error").str(message).endObject();
    try {
        err.end();
    } catch (const CommandError&) {
        // Nothing more can be said when standard error cannot be written either.
    }
}

int run(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) throw UsageError(programUsage());
    if (words[0] == "--version") {
        std::printf("tqtool %s\n", tq::Version());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (words[0] == "--help" || words[0] == "-h") {
        std::printf("%s\n", programUsage().c_str());
        return 0;
    }
    applyLimitsFromEnvironment();
    // The longest command name that the first words spell ("workbook dump" before "workbook").
    const Command* cmd = nullptr;
    size_t used = 0;
    for (const auto& c : registry()) {
        std::string name;
        for (size_t n = 1; n <= words.size() && n <= 2; ++n) {
            name += (n > 1 ? " " : "") + words[n - 1];
            if (name == c.name && n > used) cmd = &c, used = n;
        }
    }
    if (!cmd) throw UsageError(programUsage() + "\n(unknown command " + words[0] + ")");
    std::vector<std::string> rest(words.begin() + static_cast<long>(used), words.end());
    if (cmd->parsing == Parsing::Options && (contains(rest, "--help") || contains(rest, "-h"))) {
        std::printf("usage: tqtool %s\n", cmd->usage.c_str());
        return 0;
    }
    cmd->run(parseArgs(*cmd, rest));
    return 0;
}

int g_exitCode = 0;

}  // namespace

CommandRegistrar::CommandRegistrar(Command command) {
    registry().push_back(std::move(command));
}

void setExitCode(int code) {
    g_exitCode = code;
}

std::string Args::value(const std::string& option, const std::string& fallback) const {
    auto it = options.find(option);
    return it == options.end() ? fallback : it->second;
}

const std::string& Args::required(const std::string& option) const {
    auto it = options.find(option);
    if (it == options.end()) throw UsageError(usage + " (" + option + " is required)");
    return it->second;
}

int64_t Args::integer(const std::string& option, int64_t fallback, int64_t min, int64_t max) const {
    auto it = options.find(option);
    if (it == options.end()) return fallback;
    const std::string& s = it->second;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 0);
    if (s.empty() || *end || errno == ERANGE || v < min || v > max)
        throw UsageError("usage: " + option + " takes a whole number from " + std::to_string(min) +
                         " to " + std::to_string(max) + ", not '" + s + "'");
    return v;
}

tq::String toGbk(std::string_view utf8) {
    return tq::tool::Utf8ToGbk(utf8);
}

std::string toUtf8(std::string_view gbk) {
    return tq::tool::GbkToUtf8(gbk);
}

}  // namespace tqcli

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    try {
        const int code = tqcli::run(argc, argv);
        return code != 0 ? code : tqcli::g_exitCode;
    } catch (const tqcli::UsageError& e) {
        tqcli::printError(e.what(), nullptr);
        return 2;
    } catch (const tqcli::CommandError& e) {
        tqcli::printError(e.what(), nullptr);
    } catch (const tq::AutomationError& e) {
        const int32_t code = e.code();
        tqcli::printError(tqcli::toUtf8(e.what()), &code);
    } catch (const std::exception& e) {
        tqcli::printError(tqcli::toUtf8(e.what()), nullptr);
    }
    return 1;
}
