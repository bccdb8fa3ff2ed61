// sweeplight-json [--any] FILE|-
// Reads a JSON object (with --any: any JSON value) with Sweeplight's reader and prints it as
// compact JSON on one line, or prints the reader's error.

#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include "json/JSONError.h"
#include "json/JSONWriter.h"
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace {

constexpr char kUsage[] = "usage: sweeplight-json [--any] FILE   (FILE - reads standard input)";

std::optional<std::string> readAll(const std::string& path) {
    if (path == "-") {
        std::ostringstream buffer;
        buffer << std::cin.rdbuf();
        return std::move(buffer).str();
    }
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    // A directory opens but fails on the first read, which the stream buffer reports by throwing.
    try {
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return std::nullopt;
    }
}

int printError(const std::optional<sweeplight::json::JSONError>& error) {
    if (!error) {
        // Some failures (an unknown first character, a cut-off string) carry no error object.
        std::cout << "error: no JSON value could be read\n";
        return 1;
    }
    std::cout << "error " << error->domain << ' ' << error->code;
    if (error->localizedDescription)
        std::cout << ": " << *error->localizedDescription;
    std::cout << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    using namespace sweeplight::json;

    bool any = false;
    std::optional<std::string> path;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--any" && !any) {
            any = true;
            continue;
        }
        if (path || (argument.size() > 1 && argument.front() == '-')) {
            std::cerr << kUsage << '\n';
            return 2;
        }
        path = std::string(argument);
    }
    if (!path) {
        std::cerr << kUsage << '\n';
        return 2;
    }

    const std::optional<std::string> data = readAll(*path);
    if (!data) {
        std::cerr << "sweeplight-json: cannot read " << *path << '\n';
        return 2;
    }

    std::ios::sync_with_stdio(false);
    const JSONDeserializer deserializer = JSONDeserializer::deserializer();
    JSONError error;
    error.code = 0;
    std::optional<JSONValue> value;
    if (any) {
        value = deserializer.deserialize(*data, &error);
    } else if (auto dictionary = deserializer.deserializeAsDictionary(*data, &error)) {
        value = JSONValue(std::move(dictionary));
    }
    if (!value)
        return printError(error.domain.empty() ? std::nullopt : std::optional(error));
    std::cout << compactJSON(*value) << '\n';
    return 0;
}
