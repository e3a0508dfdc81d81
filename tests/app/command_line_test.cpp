#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kerfolio {
namespace {

using Action = StartRequest::Action;

TEST(CommandLine, EachOptionLeadsWhereItSays) {
    struct Case {
        QStringList arguments;  // after the program's name
        Action action;
        int status;
        const char* outPart;  // "" for no output at all
        const char* errPart;
    } cases[] = {
        {{}, Action::Window, 0, "", ""},
        {{"--report"}, Action::Report, 0, "", ""},
        {{"--version"}, Action::Exit, 0, "kerfolio ", ""},
        {{"-v"}, Action::Exit, 0, "kerfolio ", ""},
        {{"--help"}, Action::Exit, 0, "Usage: kerfolio [options]", ""},
        {{"-h"}, Action::Exit, 0, "--version", ""},
        // The toolkit's own options pass to it, also together with ours.
        {{"-style", "fusion"}, Action::Window, 0, "", ""},
        {{"-platform", "offscreen", "--report"}, Action::Report, 0, "", ""},
        {{"--bogus"}, Action::Exit, 2, "", "Unknown option 'bogus'"},
        {{"--version", "--bogus"}, Action::Exit, 2, "", "kerfolio --help"},
        {{"--report=yes"}, Action::Exit, 2, "", "report"},
        {{"save.ini"}, Action::Exit, 2, "", "Unexpected argument 'save.ini'"},
        {{"-style"}, Action::Exit, 2, "", "style"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        std::ostringstream out, err;
        const StartRequest request = ReadCommandLine(QStringList{"kerfolio"} + c.arguments, out, err);
        EXPECT_EQ(request.action, c.action);
        EXPECT_EQ(request.exitStatus, c.status);
        for (const auto& [stream, part] : {std::pair{&out, c.outPart}, std::pair{&err, c.errPart}}) {
            if (*part == '\0') {
                EXPECT_EQ(stream->str(), "");
            } else {
                EXPECT_NE(stream->str().find(part), std::string::npos) << stream->str();
            }
        }
    }
}

TEST(CommandLine, HelpListsOurOptionsOnlyInTheLocalesLanguage) {
    struct Case {
        const char* lang;
        const char* usage;
    } cases[] = {{"C.UTF-8", "Usage: kerfolio [options]"}, {"zh_CN.UTF-8", "用法：kerfolio [选项]"}};
    const QByteArray lcAll = qgetenv("LC_ALL");
    for (const Case& c : cases) {
        qputenv("LC_ALL", c.lang);
        std::ostringstream out, err;
        ReadCommandLine({"kerfolio", "--help"}, out, err);
        EXPECT_NE(out.str().find(c.usage), std::string::npos) << out.str();
        for (const char* ours : {"--help", "--version", "--report"})
            EXPECT_NE(out.str().find(ours), std::string::npos) << ours;
        EXPECT_EQ(out.str().find("platform"), std::string::npos)
            << "the toolkit's options stay out of the help";
    }
    if (lcAll.isNull())
        qunsetenv("LC_ALL");
    else
        qputenv("LC_ALL", lcAll);
}

}  // namespace
}  // namespace kerfolio
