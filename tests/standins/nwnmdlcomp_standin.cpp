// STAND-IN for the outside model compiler "nwnmdlcomp" (not part of this
// system). It does what the driver expects of the real one in "-d" mode:
//   nwnmdlcomp -d IN OUT   writes the text form of model IN to OUT
// Model convention of this stand-in: a "binary" model is a file that starts
// with four zero bytes followed by the model text; its text form is that text.
// Any other file already is a text model and is written out unchanged.
// IN is read completely before OUT is written, so IN and OUT may be one file.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command_line_record.h"

static const unsigned char kBinaryMarker[4] = {0, 0, 0, 0};

static bool readWholeFile(const char* path, std::vector<unsigned char>& bytes) {
  FILE* in = fopen(path, "rb");
  if (!in) return false;
  unsigned char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  const bool ok = !ferror(in);
  fclose(in);
  return ok;
}

static bool writeWholeFile(const char* path, const unsigned char* bytes, size_t count) {
  FILE* out = fopen(path, "wb");
  if (!out) return false;
  const bool written = fwrite(bytes, 1, count, out) == count;
  return fclose(out) == 0 && written;
}

int main(int argc, char** argv) {
  recordCommandLine(argc, argv);
  if (argc != 4 || strcmp(argv[1], "-d") != 0) {
    printf("nwnmdlcomp stand-in: usage: nwnmdlcomp -d IN OUT\n");
    return 1;
  }
  std::vector<unsigned char> model;
  if (!readWholeFile(argv[2], model)) {
    printf("nwnmdlcomp stand-in: cannot read %s\n", argv[2]);
    return 1;
  }
  const bool binary = model.size() >= sizeof kBinaryMarker && memcmp(model.data(), kBinaryMarker, sizeof kBinaryMarker) == 0;
  const size_t skip = binary ? sizeof kBinaryMarker : 0;
  if (!writeWholeFile(argv[3], model.data() + skip, model.size() - skip)) {
    printf("nwnmdlcomp stand-in: cannot write %s\n", argv[3]);
    return 1;
  }
  printf("nwnmdlcomp stand-in: %s -> %s (%s)\n", argv[2], argv[3], binary ? "binary model decompiled" : "text model unchanged");
  return 0;
}
