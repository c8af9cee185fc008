#include "run_report.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "files/program_text.h"

#include "files/console.h"

namespace {

struct ProgressLine {
  bool shown = false;
  bool enabled = false;
  const char* what = "";
  size_t total = 0;
  RunClock::time_point started, drawn;
};

ProgressLine& progressLine() {
  static ProgressLine line;
  return line;
}

}  // namespace

// Names inside are internal text; the console gets them as it reads text.
static void printTo(FILE* stream, const char* format, va_list arguments) {
  va_list again;
  va_copy(again, arguments);
  const int length = vsnprintf(nullptr, 0, format, arguments);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  const std::string shown = consoleText(text);
  fwrite(shown.data(), 1, shown.size(), stream);
  // Standard error is unbuffered for printf alone on some C runtimes: each
  // line must reach it before a child writes there.
  if (stream == stderr) fflush(stream);
}

void printDiagnostic(const char* format, ...) {
  clearProgress();
  fflush(stdout);
  va_list arguments;
  va_start(arguments, format);
  printTo(stderr, format, arguments);
  va_end(arguments);
}

void printOutput(const char* format, ...) {
  clearProgress();
  va_list arguments;
  va_start(arguments, format);
  printTo(stdout, format, arguments);
  va_end(arguments);
}

void startProgress(const char* what, size_t total) {
  ProgressLine& line = progressLine();
  line.enabled = errorStreamIsTerminal() && total > 0;
  line.what = what;
  line.total = total;
  line.started = RunClock::now();
  line.drawn = RunClock::time_point();
}

void advanceProgress(size_t done) {
  ProgressLine& line = progressLine();
  const RunClock::time_point now = RunClock::now();
  if (!line.enabled || now - line.drawn < std::chrono::milliseconds(100)) return;
  line.drawn = now;
  const double seconds = std::chrono::duration<double>(now - line.started).count();
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  const double left = rate > 0 ? static_cast<double>(line.total - done) / rate : 0;
  fflush(stdout);  // the line goes below whatever came before it
  fprintf(stderr, "\r%s %lu/%lu, %.0f/s, %.0f s left\033[K", line.what, static_cast<unsigned long>(done),
          static_cast<unsigned long>(line.total), rate, left);
  fflush(stderr);
  line.shown = true;
}

void clearProgress() {
  ProgressLine& line = progressLine();
  if (!line.shown) return;
  fprintf(stderr, "\r\033[K");
  fflush(stderr);
  line.shown = false;
}

double secondsSince(RunClock::time_point start) {
  return std::chrono::duration<double>(RunClock::now() - start).count();
}
