#include "text/fatal.h"

#include "text/gbk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace korvana::text {
namespace {

struct FatalRaised : std::runtime_error {
    FatalRaised(int code, std::string message)
        : std::runtime_error("fatal"), code(code), message(std::move(message)) {}
    int code;
    std::string message;
};

class Fatal : public testing::Test {
protected:
    void TearDown() override { setFatalHandler(nullptr); }
};

TEST_F(Fatal, TextLaysOutCodeAndMessage) {
    EXPECT_EQ(fatalText(kFatalTypeMismatch, gbk("数据或数组类型不匹配")),
              gbk("运行时出错!\n\n错误代码：5\n\n错误信息：数据或数组类型不匹配"));
}

TEST_F(Fatal, InstalledHandlerReceivesCodeAndMessage) {
    setFatalHandler([](int code, const std::string& message) { throw FatalRaised(code, message); });
    try {
        fatalError(kFatalNumberRequired, gbk("未得到所需要的数值型数据"));
        FAIL() << "fatalError returned";
    } catch (const FatalRaised& raised) {
        EXPECT_EQ(raised.code, 2);
        EXPECT_EQ(raised.message, gbk("未得到所需要的数值型数据"));
    }
}

// A registered exit routine that ran would change the exit code from 1 to 3.
TEST_F(Fatal, DefaultHandlerPrintsAndEndsWithoutExitRoutine) {
    EXPECT_EXIT(
        {
            std::atexit([] { std::_Exit(3); });
            fatalError(kFatalNumberRequired, gbk("未得到所需要的数值型数据"));
        },
        testing::ExitedWithCode(1), "错误代码：2\n\n错误信息：未得到所需要的数值型数据");
}

TEST_F(Fatal, ProcessEndsWhenHandlerReturns) {
    EXPECT_EXIT(
        {
            std::atexit([] { std::_Exit(3); });
            setFatalHandler([](int, const std::string&) {});
            fatalError(kFatalTypeMismatch, "x");
        },
        testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace korvana::text
