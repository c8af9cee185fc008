#include "tga_source.h"

#include <cstdio>

void encodeTexture(const std::string& /*sourcePath*/) {
  printf("Encoding is not built yet\n");
}
