#include "output_file.h"

std::string temporaryOutputName(const std::string& finalName, unsigned long processId, unsigned counter) {
  // Both separators count on every platform, as in the output naming; a
  // drive colon ("C:rock0.tga") ends the directory part too.
  size_t directoryEnd = finalName.find_last_of("/\\");
  directoryEnd = directoryEnd == std::string::npos ? 0 : directoryEnd + 1;
  if (directoryEnd == 0 && finalName.size() >= 2 && finalName[1] == ':') directoryEnd = 2;
  return finalName.substr(0, directoryEnd) + ".tessark-" + std::to_string(processId) + "-" +
         std::to_string(counter) + ".tmp";
}
