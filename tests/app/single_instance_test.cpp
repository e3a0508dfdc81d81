#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

// A start that can neither run nor hand over must say why, never end without a word.
TEST(SingleInstance, ALockThatCannotBeMadeIsReportedNamingTheFile) {
    TempFolder folder;
    ASSERT_TRUE(QFile(folder.Path() + "/a file").open(QIODevice::WriteOnly));
    const struct {
        const char* runtime;
        const char* reason;
    } cases[] = {{"/gone", "No such file or directory"}, {"/a file", "Not a directory"}};
    for (const auto& c : cases) {
        SingleInstance instance(folder.Path().toStdString(), folder.Path() + c.runtime);
        EXPECT_FALSE(instance.Claim()) << c.runtime;
        EXPECT_EQ(instance.Problem(),
                  QStringLiteral("Cannot create file \"%1\". %2").arg(instance.LockFilePath(), c.reason));
    }
}

TEST(SingleInstance, OneClaimsAndTheNextHandsOverWithoutAProblem) {
    TempFolder data, runtime;
    SingleInstance first(data.Path().toStdString(), runtime.Path());
    ASSERT_TRUE(first.Claim());
    EXPECT_TRUE(first.Problem().isEmpty());
    SingleInstance second(data.Path().toStdString(), runtime.Path());
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(second.Problem().isEmpty()) << second.Problem().toStdString();
}

}  // namespace
}  // namespace kerfolio::test
