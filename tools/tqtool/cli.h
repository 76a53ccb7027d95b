// Shared pieces of the tqtool command-line program: command registration and JSON output.
//
// Each command lives in its own source file and registers itself with TQTOOL_COMMAND; main()
// builds the CLI11 application from the registered commands. Texts cross the command line and
// JSON as UTF-8 and are converted to and from the library's GBK.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "tqtool/types.h"

namespace tqcli {

using json = nlohmann::json;

/// Adds a command's subcommand (and its callback) to the application.
using CommandSetup = std::function<void(CLI::App& app)>;

struct CommandRegistrar {
    explicit CommandRegistrar(CommandSetup setup);
};

#define TQTOOL_CLI_CONCAT2(a, b) a##b
#define TQTOOL_CLI_CONCAT(a, b) TQTOOL_CLI_CONCAT2(a, b)
/// Registers a function `void f(CLI::App&)` that adds one subcommand.
#define TQTOOL_COMMAND(fn) \
    static ::tqcli::CommandRegistrar TQTOOL_CLI_CONCAT(tqtool_command_, __LINE__)(fn)

/// A failure the command reports as {"error": message} with exit code 1.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// UTF-8 (command line, JSON) -> GBK (library).
tq::String toGbk(const std::string& utf8);
/// GBK (library) -> UTF-8 (terminal, JSON).
std::string toUtf8(const tq::String& gbk);
/// A string array as a JSON array of UTF-8 strings.
json toJson(const tq::StringArray& a);

/// Prints a JSON value on standard output (UTF-8, one document, newline-terminated).
void print(const json& j);

/// Sets the process exit code that main() returns after a successful parse (default 0).
void setExitCode(int code);
int exitCode();

}  // namespace tqcli
