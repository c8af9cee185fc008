#include "command_line.h"

std::string joinCommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) line += ' ';
    line += args[i];
  }
  return line;
}

static bool isArgumentBlank(char c) { return c == ' ' || c == '\t'; }

static size_t skipBlanks(const std::string& line, size_t at) {
  while (at < line.size() && isArgumentBlank(line[at])) ++at;
  return at;
}

// Argument 0: a quoted part runs to the next quote, backslashes stay as they are.
static size_t readProgramArgument(const std::string& line, size_t at, std::string& arg) {
  bool quoted = false;
  for (; at < line.size(); ++at) {
    const char c = line[at];
    if (c == '"') quoted = !quoted;
    else if (isArgumentBlank(c) && !quoted) break;
    else arg += c;
  }
  return at;
}

// A run of backslashes: before a quote each pair gives one backslash and an odd
// one escapes the quote (which then becomes literal); elsewhere they are
// literal. Returns the position after what was consumed.
static size_t readBackslashes(const std::string& line, size_t at, std::string& arg) {
  size_t count = 0;
  while (at < line.size() && line[at] == '\\') ++at, ++count;
  if (at < line.size() && line[at] == '"') {
    arg.append(count / 2, '\\');
    if (count % 2 == 1) {
      arg += '"';
      ++at;
    }
    return at;
  }
  arg.append(count, '\\');
  return at;
}

static size_t readArgument(const std::string& line, size_t at, std::string& arg) {
  bool quoted = false;
  while (at < line.size()) {
    const char c = line[at];
    if (c == '\\') {
      at = readBackslashes(line, at, arg);
    } else if (c == '"') {
      // Inside quotes a doubled quote stands for one literal quote.
      if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
        arg += '"';
        at += 2;
      } else {
        quoted = !quoted;
        ++at;
      }
    } else if (isArgumentBlank(c) && !quoted) {
      break;
    } else {
      arg += c;
      ++at;
    }
  }
  return at;
}

std::vector<std::string> splitWindowsCommandLine(const std::string& line) {
  std::vector<std::string> args;
  size_t at = skipBlanks(line, 0);
  if (at >= line.size()) return args;
  std::string program;
  at = readProgramArgument(line, at, program);
  args.push_back(program);
  for (at = skipBlanks(line, at); at < line.size(); at = skipBlanks(line, at)) {
    std::string arg;
    at = readArgument(line, at, arg);
    args.push_back(arg);
  }
  return args;
}
