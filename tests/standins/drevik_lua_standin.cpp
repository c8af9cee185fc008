// STAND-IN for the Lua interpreter running the conversion script, for systems
// without Lua (the Windows build, where Quorvel starts "lua.exe"). Started as
//   lua Drevik.lua -s VALUE [-noskel] [-nobonerot] [-noanimpos] MODEL
// it checks that the script file is there, as the interpreter would, and then
// does what standins/Drevik.lua does, byte for byte: same files, same output,
// same messages and exit status. It runs no other script.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command_line_record.h"

struct DrevikOptions {
  const char* scale = nullptr;
  const char* model = nullptr;
  bool skeleton = true;
  bool boneRotation = true;
  bool animationPosition = true;
};

[[noreturn]] static void fail(const std::string& message) {
  fprintf(stderr, "Drevik.lua stand-in: %s\n", message.c_str());
  exit(1);
}

// The script's arguments: "-s" takes the next argument (none at the end),
// any other unknown argument is the model, the last one counting.
static DrevikOptions parseArguments(int count, char** args) {
  DrevikOptions options;
  for (int i = 0; i < count; ++i) {
    const char* a = args[i];
    if (strcmp(a, "-s") == 0) {
      options.scale = i + 1 < count ? args[i + 1] : nullptr;
      ++i;
    } else if (strcmp(a, "-noskel") == 0) {
      options.skeleton = false;
    } else if (strcmp(a, "-nobonerot") == 0) {
      options.boneRotation = false;
    } else if (strcmp(a, "-noanimpos") == 0) {
      options.animationPosition = false;
    } else {
      options.model = a;
    }
  }
  if (!options.model || !options.scale) fail("usage: lua Drevik.lua -s VALUE [-noskel] [-nobonerot] [-noanimpos] MODEL");
  return options;
}

static bool isLuaSpace(char c) { return isspace(static_cast<unsigned char>(c)) != 0; }

// Lua's pattern "^%s*bitmap%s+(%S+)" on one line; "" when it does not match.
static std::string bitmapName(const std::string& line) {
  size_t at = 0;
  while (at < line.size() && isLuaSpace(line[at])) ++at;
  if (line.compare(at, 6, "bitmap") != 0) return "";
  at += 6;
  const size_t blanks = at;
  while (at < line.size() && isLuaSpace(line[at])) ++at;
  if (at == blanks) return "";
  const size_t nameStart = at;
  while (at < line.size() && !isLuaSpace(line[at])) ++at;
  return line.substr(nameStart, at - nameStart);
}

static bool readWholeFile(const char* path, std::string& bytes) {
  FILE* in = fopen(path, "rb");
  if (!in) return false;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) bytes.append(chunk, got);
  fclose(in);
  return true;
}

// Each name once, in order of appearance; lines end at "\n" only, as Lua's
// lines() reads them.
static std::vector<std::string> materialNames(const char* modelPath) {
  std::string text;
  if (!readWholeFile(modelPath, text)) fail(std::string("cannot read ") + modelPath);
  std::vector<std::string> names;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string name = bitmapName(text.substr(lineStart, lineEnd - lineStart));
    bool seen = false;
    for (const std::string& known : names) seen = seen || known == name;
    if (!name.empty() && !seen) names.push_back(name);
    lineStart = lineEnd + 1;
  }
  if (names.empty()) names.push_back("BaseWhiteNoLighting");
  return names;
}

static void writeFile(const std::string& path, const std::string& text) {
  FILE* out = fopen(path.c_str(), "wb");
  if (!out) fail("cannot write " + path);
  fwrite(text.data(), 1, text.size(), out);
  fclose(out);
}

static std::string meshXml(const std::vector<std::string>& names, const std::string& scale) {
  std::string xml = "<?xml version=\"1.0\"?>\n<mesh scale=\"" + scale + "\">\n    <submeshes>\n";
  for (const std::string& name : names)
    xml += "        <submesh material=\"" + name + "\" usesharedvertices=\"true\" />\n";
  return xml + "    </submeshes>\n</mesh>\n";
}

static const char* luaBoolean(bool value) { return value ? "true" : "false"; }

static std::string skeletonXml(const DrevikOptions& options) {
  return std::string("<skeleton bonerotation=\"") + luaBoolean(options.boneRotation) + "\" animationposition=\"" +
         luaBoolean(options.animationPosition) + "\">\n</skeleton>\n";
}

static bool scriptIsDrevik(const char* script) {
  const char* name = script + strlen(script);
  while (name > script && name[-1] != '/' && name[-1] != '\\') --name;
  return strcmp(name, "Drevik.lua") == 0;
}

int main(int argc, char** argv) {
  recordCommandLine(argc, argv);
  if (argc < 2 || !scriptIsDrevik(argv[1])) {
    fprintf(stderr, "lua stand-in: runs only Drevik.lua: lua Drevik.lua ARGUMENTS\n");
    return 1;
  }
  std::string script;
  if (!readWholeFile(argv[1], script)) {
    fprintf(stderr, "lua stand-in: cannot open %s\n", argv[1]);
    return 1;
  }
  const DrevikOptions options = parseArguments(argc - 2, argv + 2);
  const std::string model = options.model;
  const std::string scale = options.scale;
  const std::vector<std::string> names = materialNames(options.model);
  const std::string count = std::to_string(names.size());
  writeFile(model + ".mesh.xml", meshXml(names, scale));
  writeFile(model + ".mesh", "Drevik stand-in mesh, " + count + " submeshes, scale " + scale + "\n");
  writeFile(model + ".material", "// Drevik stand-in: per-model materials\n");
  if (options.skeleton) {
    writeFile(model + ".skeleton.xml", skeletonXml(options));
    writeFile(model + ".skeleton", "Drevik stand-in skeleton\n");
  }
  printf("Drevik.lua stand-in: %s -> %s submeshes\n", model.c_str(), count.c_str());
  return 0;
}
