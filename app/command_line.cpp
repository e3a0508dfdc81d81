#include "app/command_line.h"

#include <QCommandLineParser>

namespace kerfolio {
namespace {

const char kProgram[] = "kerfolio";

const char kDescription[] =
    "The shop-floor log of six wire-cut EDM machines: stamps each machine's events, keeps the NotePad\n"
    "of finished jobs and archives it once a day. Without options it opens the window, or brings the\n"
    "running one to the front.";

// Options the Qt toolkit takes out of the command line itself once the window starts; they are let
// through here so that a desktop's usual `-style fusion` is not refused.
const char* const kToolkitOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",      "qwindowgeometry",
    "geometry", "qwindowtitle",       "title",         "qwindowicon", "icon",
    "style",    "stylesheet",         "session",       "display",     "name"};
const char* const kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

void Print(std::ostream& stream, const QString& text) {
    stream << text.toLocal8Bit().constData();
}

}  // namespace

StartRequest ReadCommandLine(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    QCommandLineParser parser;
    // Long options with one dash too, the toolkit's way (-style fusion).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help({"h", "help"}, "Print this text and exit.");
    const QCommandLineOption version({"v", "version"}, "Print the version and exit.");
    const QCommandLineOption report(
        "report",
        "Open the report of the last 30 days in the browser, as kerfolio-report --recent does, "
        "and show in a message box what went wrong.");
    parser.addOptions({help, version, report});
    for (const char* name : kToolkitOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kToolkitFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    StartRequest request;
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString problem = parser.errorText().isEmpty()
                                    ? "Unexpected argument '" + parser.positionalArguments().first() + "'."
                                    : parser.errorText();
        Print(err, QString::fromLatin1(kProgram) + ": " + problem + "\nTry 'kerfolio --help'.\n");
        request = {StartRequest::Action::Exit, 2};
    } else if (parser.isSet(help)) {
        QString text = parser.helpText();
        // The parser names the program after a running application's path, or a placeholder before
        // one runs; the help names the command as it is typed.
        text.replace(0, text.indexOf(QLatin1Char('\n')), QStringLiteral("Usage: %1 [options]").arg(kProgram));
        Print(out, text);
        request = {StartRequest::Action::Exit, 0};
    } else if (parser.isSet(version)) {
        Print(out, QString::fromLatin1(kProgram) + " " + QStringLiteral(KERFOLIO_VERSION) + "\n");
        request = {StartRequest::Action::Exit, 0};
    } else if (parser.isSet(report)) {
        request.action = StartRequest::Action::Report;
    }
    return request;
}

StartRequest ReadCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return ReadCommandLine(arguments, out, err);
}

}  // namespace kerfolio
