#pragma once
// Fatal run-time errors: one path for every condition that ends the program at once.
#include <functional>
#include <string>

namespace korvana::text {

inline constexpr int kFatalNumberRequired = 2;  // "未得到所需要的数值型数据"
inline constexpr int kFatalTypeMismatch = 5;    // "数据或数组类型不匹配"

// Receives the code and the GBK message. The program installs one that shows the error box;
// tests install one that throws. If the handler returns, the process ends with _Exit.
using FatalHandler = std::function<void(int code, const std::string& gbkMessage)>;
void setFatalHandler(FatalHandler handler);

// The box text of a fatal error: "运行时出错!", a blank line, "错误代码：" code, a blank line,
// "错误信息：" message (GBK).
std::string fatalText(int code, const std::string& gbkMessage);

[[noreturn]] void fatalError(int code, const std::string& gbkMessage);

}  // namespace korvana::text
