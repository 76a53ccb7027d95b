// tqtool: try every capability of the TQTool library from the command line.
#include <clocale>
#include <cstdio>
#include <vector>

#include "cli.h"
#include "text/text.h"

namespace tqcli {

namespace {
std::vector<CommandSetup>& registry() {
    static std::vector<CommandSetup> r;
    return r;
}
int g_exitCode = 0;
}  // namespace

CommandRegistrar::CommandRegistrar(CommandSetup setup) {
    registry().push_back(std::move(setup));
}

tq::String toGbk(const std::string& utf8) {
    return tq::text::utf8ToGbk(utf8);
}
std::string toUtf8(const tq::String& gbk) {
    return tq::text::gbkToUtf8(gbk);
}

json toJson(const tq::StringArray& a) {
    json j = json::array();
    for (const auto& s : a) j.push_back(toUtf8(s));
    return j;
}

void print(const json& j) {
    std::string out = j.dump(-1, ' ', false, json::error_handler_t::replace);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void setExitCode(int code) {
    g_exitCode = code;
}
int exitCode() {
    return g_exitCode;
}

}  // namespace tqcli

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    CLI::App app{"tqtool: the TQTool library from the command line (texts in UTF-8)"};
    app.set_version_flag("--version", std::string("tqtool ") + tq::Version());
    app.require_subcommand(1);
    for (auto& setup : tqcli::registry()) setup(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const tqcli::CommandError& e) {
        tqcli::print({{"error", e.what()}});
        return 1;
    } catch (const tq::AutomationError& e) {
        tqcli::print({{"error", tq::text::gbkToUtf8(e.what())}, {"code", e.code()}});
        return 1;
    } catch (const std::exception& e) {
        tqcli::print({{"error", tq::text::gbkToUtf8(e.what())}});
        return 1;
    }
    return tqcli::exitCode();
}
