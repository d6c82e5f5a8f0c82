// The command line's switches, help and default log name.
#include "install/CommandLine.h"

#include <vector>

#include "base/Ansi.h"

namespace install {
namespace {

// Arguments split at blanks and tabs outside quotes; the quotes themselves are dropped, so
// /DIR="c:\a b" and "/DIR=c:\a b" say the same. A backslash escapes nothing: a folder may
// end in one just before the closing quote.
std::vector<std::string> SplitArguments(const std::string& line) {
  std::vector<std::string> args;
  std::string current;
  bool inQuotes = false, inArgument = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (base::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < line.size()) {
      current += line.substr(i++, 2);
      inArgument = true;
    } else if (c == '"') {
      inQuotes = !inQuotes;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (inArgument) args.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) args.push_back(std::move(current));
  return args;
}

// Applies one switch; false when it is not one of ours or its value is missing or surplus.
bool Apply(CommandLine& cl, const std::string& arg) {
  if (arg.size() < 2 || arg[0] != '/') return false;
  size_t equals = arg.find('=');
  std::string name = base::UpperAscii(arg.substr(1, equals == std::string::npos ? std::string::npos : equals - 1));
  bool hasValue = equals != std::string::npos;
  std::string value = hasValue ? arg.substr(equals + 1) : std::string();
  if (name == "DIR") {
    if (base::Trim(value).empty()) return false;
    cl.dirGiven = true;
    cl.dir = value;
    return true;
  }
  if (name == "LOG") {
    if (hasValue && value.empty()) return false;
    cl.log = true;
    cl.logFile = value;
    return true;
  }
  if (hasValue) return false;
  if (name == "SILENT") {
    if (cl.display == Display::window) cl.display = Display::silent;
  } else if (name == "VERYSILENT") {
    cl.display = Display::verySilent;
  } else if (name == "SUPPRESSMSGBOXES") {
    cl.suppressMsgBoxes = true;
  } else if (name == "?" || name == "HELP") {
    cl.help = true;
  } else {
    return false;
  }
  return true;
}

std::string TwoDigits(int n) {
  return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

}  // namespace

CommandLine ParseCommandLine(const std::string& arguments) {
  CommandLine cl;
  for (const std::string& arg : SplitArguments(arguments))
    if (!Apply(cl, arg) && cl.wrong.empty()) cl.wrong = arg;
  return cl;
}

// Short lines, each description under its switch: a message box wraps what is wider than
// a third of the screen or so.
std::string UsageText(const std::string& program) {
  return "用法: " + program +
         " [选项]\n"
         "\n"
         "/SILENT\n"
         "    显示安装窗口，立即安装，完成后自动关闭\n"
         "/VERYSILENT\n"
         "    不显示任何窗口\n"
         "/SUPPRESSMSGBOXES\n"
         "    不显示消息框：错误只写入日志，并结束安装\n"
         "/DIR=\"目录\"\n"
         "    安装目录，默认为 d:\\kestrum\n"
         "/LOG\n"
         "    把安装过程写入临时文件夹中的日志\n"
         "/LOG=\"文件\"\n"
         "    把安装过程写入指定的日志文件\n"
         "/? 或 /HELP\n"
         "    显示本说明\n"
         "\n"
         "退出代码:\n"
         "0  安装完成\n"
         "1  命令行有误或无法启动\n"
         "3  安装前的检查发现问题，未写入任何文件\n"
         "4  安装步骤失败\n"
         "5  另一个安装程序正在运行";
}

std::string WrongArgumentText(const std::string& argument, const std::string& program) {
  return "无法识别的命令行参数: " + argument + "\n\n" + UsageText(program);
}

std::string DefaultLogName(const std::string& programPath, const sys::LocalTime& now) {
  std::string name = base::ExtractFileName(programPath);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  std::string year = std::to_string(now.year);
  return name + "-" + year + TwoDigits(now.month) + TwoDigits(now.day) + "-" + TwoDigits(now.hour) +
         TwoDigits(now.minute) + TwoDigits(now.second) + ".log";
}

}  // namespace install
