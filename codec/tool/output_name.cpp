#include "tool/output_name.h"

std::string outputBaseName(const std::string& path) {
  // Both separators count on every platform: paths written for Windows
  // ("tex\rock.dds") must not be cut inside their directory part here either.
  const size_t lastSeparator = path.find_last_of("/\\");
  const size_t nameStart = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
  const size_t dot = path.find('.', nameStart);
  return dot == std::string::npos ? path : path.substr(0, dot);
}
