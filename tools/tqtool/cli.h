// Shared pieces of the tqtool command-line program: command registration, parsed arguments,
// failures, text conversion and JSON output.
//
// Each command lives in its own source file and registers itself with TQTOOL_COMMAND; main()
// picks the command named by the first words of the command line, parses the rest against the
// command's options and runs it. Texts cross the command line and JSON as UTF-8 and are
// converted to and from the library's GBK.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tqtool/types.h"

namespace tqcli {

/// The arguments of one command after parsing: positional arguments in order, and the options
/// given (a flag maps to "").
struct Args {
    std::string usage;  // "usage: tqtool ..." of the command
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;

    bool has(const std::string& option) const { return options.count(option) != 0; }
    /// The option's value, or `fallback` when it was not given.
    std::string value(const std::string& option, const std::string& fallback = "") const;
    /// The value of an option the command cannot do without; a usage error when it is missing.
    const std::string& required(const std::string& option) const;
    /// The option's value as an integer (decimal, 0x hexadecimal), or `fallback`; a value that is
    /// no integer of the type's range is a usage error.
    int64_t integer(const std::string& option, int64_t fallback, int64_t min, int64_t max) const;
};

/// How a command's arguments are read.
enum class Parsing {
    Options,  // --name[=value] options anywhere, `--` ends them, the rest positional
    Literal,  // every argument positional, as it stands
    Into,     // every argument positional except --into VALUE (util)
};

struct Command {
    std::string name;   // "read", "workbook dump" ...
    std::string usage;  // the synopsis after "tqtool "
    std::vector<std::string> flags;
    std::vector<std::string> valued;  // options taking a value
    size_t minPositional = 0;
    size_t maxPositional = 0;
    Parsing parsing = Parsing::Options;
    void (*run)(const Args&) = nullptr;
};

struct CommandRegistrar {
    explicit CommandRegistrar(Command command);
};

#define TQTOOL_CLI_CONCAT2(a, b) a##b
#define TQTOOL_CLI_CONCAT(a, b) TQTOOL_CLI_CONCAT2(a, b)
/// Registers one command (a tqcli::Command).
#define TQTOOL_COMMAND(...)                                             \
    static ::tqcli::CommandRegistrar TQTOOL_CLI_CONCAT(tqtool_command_, \
                                                       __LINE__)(::tqcli::Command __VA_ARGS__)

/// A failure the command reports as {"error": message} on standard error, with exit code 1.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// A command line the program cannot take: {"error": "usage: ..."} on standard error, exit 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// Sets the exit code of a command that printed its result but reports it as false (default 0).
void setExitCode(int code);

/// UTF-8 (command line, JSON) -> GBK (library).
tq::String toGbk(std::string_view utf8);
/// GBK (library) -> UTF-8 (terminal, JSON).
std::string toUtf8(std::string_view gbk);

/// Writes one JSON value on a stream as it is produced: members and elements one after another,
/// strings escaped (control characters, quote, backslash; invalid UTF-8 becomes U+FFFD), numbers
/// in the shortest form that reads back. Commas and nesting are tracked, so a command writes its
/// value as a sequence of calls. end() finishes the line and reports a failed write.
class JsonOut {
  public:
    explicit JsonOut(std::FILE* stream = stdout) : stream_(stream) {}
    ~JsonOut();
    JsonOut(const JsonOut&) = delete;
    JsonOut& operator=(const JsonOut&) = delete;

    JsonOut& beginObject();
    JsonOut& endObject();
    JsonOut& beginArray();
    JsonOut& endArray();
    JsonOut& key(std::string_view name);
    JsonOut& str(std::string_view utf8);
    JsonOut& gbk(std::string_view gbk) { return str(toUtf8(gbk)); }
    JsonOut& num(int64_t v);
    JsonOut& unum(uint64_t v);
    JsonOut& dbl(double v);
    JsonOut& boolean(bool v);
    /// A value given as JSON text, written as it stands.
    JsonOut& value(std::string_view json);
    /// An array of GBK strings, as UTF-8.
    JsonOut& gbkArray(const tq::StringArray& a);
    /// Writes the newline and flushes; a failed write raises CommandError.
    void end();

  private:
    void separate();
    void raw(std::string_view s);
    void flush();

    std::FILE* stream_;
    std::string buffer_;
    std::vector<bool> first_;  // per open object/array: no member written yet
    bool afterKey_ = false;
};

/// The text of one JSON string value (with quotes), escaped as JsonOut writes it.
std::string jsonString(std::string_view utf8);
/// A number as JsonOut writes it ("1.5", "100.0", "1e+20"; the shortest digits that read back).
/// Defined with the input parser, whose JSON library gives the form.
std::string jsonDouble(double v);

}  // namespace tqcli
