#include "model_convert.h"

#include <cctype>
#include <vector>

#include "driver.h"
#include "platform/file_ops.h"
#include "platform/host_names.h"
#include "process.h"

// `material="` comes before the name.
constexpr size_t kMaterialNameOffset = 10;
constexpr char kMaterialTokenPrefix[] = "material";
constexpr size_t kMaterialTokenPrefixLength = sizeof kMaterialTokenPrefix - 1;

// The flags that the switches ask for, in fixed order; false when a switch
// starts with anything but "0" or "1".
static bool chooseOptionFlags(const std::string& skeleton, const std::string& boneRotation,
                              const std::string& animationPosition, std::vector<std::string>& flags) {
  const struct {
    const std::string& switchText;
    const char* flagWhenOff;
  } switches[] = {{skeleton, "-noskel"}, {boneRotation, "-nobonerot"}, {animationPosition, "-noanimpos"}};
  for (const auto& entry : switches) {
    const char first = entry.switchText.empty() ? '\0' : entry.switchText[0];
    if (first == '0') flags.push_back(entry.flagWhenOff);
    else if (first != '1') return false;
  }
  return true;
}

void convertModel(const std::string& modelName, const std::string& value, const std::string& skeleton,
                  const std::string& boneRotation, const std::string& animationPosition) {
  printf("converting %s\n", modelName.c_str());
  const std::string quotedModel = quoted(modelName);
  const std::string lua = luaProgramName();
  std::vector<std::string> args{lua, "Drevik.lua", "-s", value};
  if (chooseOptionFlags(skeleton, boneRotation, animationPosition, args)) {
    args.push_back(quotedModel);
    runAndWait(lua, args);
  }
  deleteFile(modelName + ".material");
}

bool verifyModel(const std::string& modelName) {
  if (scanMeshMaterials(modelName + ".mesh.xml")) return true;
  for (const char* suffix : {".mesh.xml", ".mesh", ".material", ".skeleton.xml", ".skeleton"})
    removeIfPresent(modelName + suffix);
  return false;
}

bool readToken(FILE* in, std::string& token) {
  token.clear();
  int c;
  while ((c = getc(in)) != EOF && isspace(c)) {
  }
  if (c == EOF) return false;
  do token += static_cast<char>(c);
  while ((c = getc(in)) != EOF && !isspace(c));
  return true;
}

std::string materialNameOfToken(const std::string& token) {
  // The closing quote is dropped without being checked, as are the two
  // characters between "material" and the name.
  const size_t end = token.empty() ? 0 : token.size() - 1;
  return end > kMaterialNameOffset ? token.substr(kMaterialNameOffset, end - kMaterialNameOffset) : "";
}

static bool isMaterialToken(const std::string& token) {
  return token.compare(0, kMaterialTokenPrefixLength, kMaterialTokenPrefix) == 0;
}

bool scanMeshMaterials(const std::string& meshXmlPath) {
  // Binary, not text: a Windows text stream ends at a Ctrl-Z byte and would
  // let the references after it pass unchecked. CR is white space to the
  // token reader, so CR LF line ends need no translation.
  FILE* mesh = fopen(meshXmlPath.c_str(), "rb");
  if (!mesh) return false;
  bool allFound = true;
  std::string token;
  while (allFound && readToken(mesh, token))
    if (isMaterialToken(token)) allFound = textureExists(materialNameOfToken(token));
  fclose(mesh);
  return allFound;
}

bool textureExists(const std::string& materialName) { return fileExists(workPath(materialName + ".tga")); }
