#include "platform/windows_command_line.h"

#include "platform/windows_support.h"

namespace quillar {
namespace {

// One argument of a command line, quoted the way the C runtime splits it
// again: backslashes count only in front of a quote.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(backslashes * 2, L'\\');
  return text + L"\"";
}

// The program's name, the first word of a command line, is read up to the
// next blank or between quotes, without any escapes; a name cannot hold a
// quote.
std::wstring quoted_program_name(const std::wstring& name) {
  if (!name.empty() && name.find_first_of(L" \t") == std::wstring::npos) return name;
  return L"\"" + name + L"\"";
}

}  // namespace

std::wstring command_line_of(const std::vector<std::string>& arguments) {
  std::wstring command_line = quoted_program_name(wide(arguments[0]));
  for (std::size_t k = 1; k < arguments.size(); ++k) command_line += L" " + quoted(wide(arguments[k]));
  return command_line;
}

}  // namespace quillar
