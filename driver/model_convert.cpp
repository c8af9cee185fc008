#include "run_report.h"
#include "model_convert.h"

#include <cctype>
#include <vector>

#include "diagnostics.h"
#include "files/regular_file.h"
#include "files/paths.h"
#include "files/file_ops.h"
#include "platform/host_names.h"
#include "process.h"
#include "texture_lookup.h"

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
    if (!isValidSwitch(entry.switchText)) return false;
    if (entry.switchText[0] == '0') flags.push_back(entry.flagWhenOff);
  }
  return true;
}

bool isValidSwitch(const std::string& switchText) {
  return !switchText.empty() && (switchText[0] == '0' || switchText[0] == '1');
}

bool conversionArguments(const std::string& modelName, const ConversionOptions& options,
                         std::vector<ChildArgument>& args) {
  const std::string lua = luaProgramName();
  std::vector<std::string> flags;
  if (!chooseOptionFlags(options.skeleton, options.boneRotation, options.animationPosition, flags)) return false;
  args = {{lua}, {"Drevik.lua"}, {"-s"}, {options.value}};
  for (const std::string& flag : flags) args.push_back({flag});
  args.push_back(pathArgument(modelName));
  return true;
}

// False when an output stays that should have gone.
static bool removeOutputs(const std::string& modelName) {
  bool removed = true;
  for (const char* suffix : {".mesh.xml", ".mesh", ".material", ".skeleton.xml", ".skeleton"}) {
    const std::string output = modelName + suffix;
    if (!lookUpEntry(output).exists || removeFile(output)) continue;
    reportNotRemoved(output);
    removed = false;
  }
  return removed;
}

Verification verifyModel(const std::string& modelName, const Folder& work) {
  const std::string meshXml = modelName + ".mesh.xml";
  std::string missingMaterial;
  const MeshCheck check = scanMeshMaterials(meshXml, work, missingMaterial);
  if (check == MeshCheck::AllTexturesFound) return Verification::OutputsKept;
  if (check == MeshCheck::Unreadable) {
    reportMeshUnreadable(modelName, meshXml);
  } else {
    reportTextureMissing(modelName, pathIn(work.path, missingMaterial + ".tga"));
  }
  const bool removed = removeOutputs(modelName);
  return removed && check == MeshCheck::TextureMissing ? Verification::OutputsRemoved : Verification::Failed;
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

MeshCheck scanMeshMaterials(const std::string& meshXmlPath, const Folder& work, std::string& missingMaterial) {
  // Binary, not text: a Windows text stream ends at a Ctrl-Z byte and would
  // let the references after it pass unchecked. CR is white space to the
  // token reader, so CR LF line ends need no translation. A FIFO or device
  // is refused rather than waited on.
  FILE* mesh = nullptr;
  uint64_t size = 0;
  if (openRegularFile(meshXmlPath, mesh, size) != InputOpenResult::Opened) return MeshCheck::Unreadable;
  MeshCheck result = MeshCheck::AllTexturesFound;
  std::string token;
  while (result == MeshCheck::AllTexturesFound && readToken(mesh, token)) {
    if (!isMaterialToken(token)) continue;
    missingMaterial = materialNameOfToken(token);
    if (!textureExists(work, missingMaterial)) result = MeshCheck::TextureMissing;
  }
  fclose(mesh);
  return result;
}

bool textureExists(const Folder& work, const std::string& materialName) {
  return textureFileExistsIgnoringCase(work, materialName);
}
