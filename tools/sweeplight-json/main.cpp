// sweeplight-json [--any] FILE|-
// Reads a JSON object (with --any: any JSON value) with Sweeplight's reader and prints it as
// compact JSON on one line, or prints the reader's error.

#include "ToolCommandLine.h"
#include "foundation/InputFile.h"

#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include "json/JSONError.h"
#include "json/JSONWriter.h"
#include <QCoreApplication>
#include <iostream>
#include <optional>
#include <string_view>

using namespace sweeplight;

namespace {

// The reader keeps the whole document and its tree in memory; larger inputs are refused.
constexpr qint64 kMaxInputBytes = qint64(256) << 20;

int printError(const std::optional<json::JSONError>& error) {
    if (!error) {
        // Some failures (an unknown first character, a cut-off string) carry no error object.
        std::cout << "error: no JSON value could be read\n";
        return tools::kExitFailure;
    }
    std::cout << "error " << error->domain << ' ' << error->code;
    if (error->localizedDescription)
        std::cout << ": " << *error->localizedDescription;
    std::cout << '\n';
    return tools::kExitFailure;
}

int run(const QCoreApplication& application) {
    tools::ToolCommandLine commandLine(
        QStringLiteral("Reads a JSON object with Sweeplight's reader and prints it as compact "
                       "JSON on one line, or prints the reader's error."),
        { { QStringLiteral("any"),
            QStringLiteral("Accept any JSON value, not only an object.") } });
    commandLine.parser().addPositionalArgument(
        QStringLiteral("file"), QStringLiteral("The JSON file; - reads standard input."));
    commandLine.process(application);
    const QStringList files = commandLine.positionalArguments();
    if (files.size() != 1)
        throw tools::UsageError { files.isEmpty()
                                      ? QStringLiteral("no FILE given")
                                      : QStringLiteral("one FILE only, not '%1'").arg(files[1]) };

    const foundation::InputFile::Contents input =
        foundation::InputFile::read(files[0], kMaxInputBytes);
    if (!input.ok())
        return tools::fail(input.error);

    std::ios::sync_with_stdio(false);
    const std::string_view data(input.bytes.constData(), std::size_t(input.bytes.size()));
    const json::JSONDeserializer deserializer = json::JSONDeserializer::deserializer();
    json::JSONError error;
    error.code = 0;
    std::optional<json::JSONValue> value;
    if (commandLine.isSet(QStringLiteral("any"))) {
        value = deserializer.deserialize(data, &error);
    } else if (auto dictionary = deserializer.deserializeAsDictionary(data, &error)) {
        value = json::JSONValue(std::move(dictionary));
    }
    if (!value)
        return printError(error.domain.empty() ? std::nullopt : std::optional(error));
    std::cout << json::compactJSON(*value) << '\n';
    std::cout.flush();
    if (!std::cout)
        return tools::fail(QStringLiteral("cannot write to standard output"));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    return tools::runTool([&] { return run(application); });
}
