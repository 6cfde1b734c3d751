#include "text/fatal.h"

#include "text/gbk.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace korvana::text {
namespace {

FatalHandler& installedHandler() {
    static FatalHandler handler;
    return handler;
}

}  // namespace

void setFatalHandler(FatalHandler handler) { installedHandler() = std::move(handler); }

std::string fatalText(int code, const std::string& gbkMessage) {
    static const std::string kHeading = gbk("运行时出错!");
    static const std::string kCode = gbk("错误代码：");
    static const std::string kMessage = gbk("错误信息：");
    return kHeading + "\n\n" + kCode + std::to_string(code) + "\n\n" + kMessage + gbkMessage;
}

void fatalError(int code, const std::string& gbkMessage) {
    if (const FatalHandler& handler = installedHandler()) {
        handler(code, gbkMessage);
    } else {
        std::string text = toUtf8(fatalText(code, gbkMessage)) + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
    // The program ends here and now: no exit routine, no destructors of statics.
    std::_Exit(1);
}

}  // namespace korvana::text
