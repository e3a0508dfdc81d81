#include "app/command_line.h"

#include <QCommandLineParser>

namespace kerfolio {
namespace {

const char kProgram[] = "kerfolio";

const char kDescription[] =
    "The shop-floor log of six wire-cut EDM machines: stamps each machine's events, keeps the NotePad\n"
    "of finished jobs and archives it once a day. Without options it opens the window, or brings the\n"
    "running one to the front.";
const char kDescriptionChinese[] =
    "六台线切割机床的车间记录：记下每台机床的事件，保存完成工件的记事本，每天存档一次。\n"
    "不带选项时打开窗口，或把已在运行的窗口调到最前。";

// Chinese under a zh_* locale (LC_ALL, LC_MESSAGES, LANG, the first set), English otherwise.
bool ChineseLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty()) return value.startsWith("zh");
    }
    return false;
}

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
    const bool chinese = ChineseLocale();
    parser.setApplicationDescription(chinese ? QString::fromUtf8(kDescriptionChinese)
                                             : QString::fromLatin1(kDescription));
    const QCommandLineOption help({"h", "help"}, chinese ? QStringLiteral("显示本说明后退出。")
                                                         : QStringLiteral("Print this text and exit."));
    const QCommandLineOption version({"v", "version"}, chinese
                                                           ? QStringLiteral("显示版本后退出。")
                                                           : QStringLiteral("Print the version and exit."));
    const QCommandLineOption report(
        "report", chinese ? QStringLiteral("像 kerfolio-report --recent 那样在浏览器中打开最近30天的报表，"
                                           "出错时在消息框中说明原因。")
                          : QStringLiteral("Open the report of the last 30 days in the browser, as "
                                           "kerfolio-report --recent does, and show in a message box what "
                                           "went wrong."));
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
        text.replace(0, text.indexOf(QLatin1Char('\n')),
                     (chinese ? QStringLiteral("用法：%1 [选项]") : QStringLiteral("Usage: %1 [options]"))
                         .arg(kProgram));
        if (chinese) text.replace(QStringLiteral("Options:"), QStringLiteral("选项："));
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
