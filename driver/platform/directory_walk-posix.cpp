#include "directory_walk.h"

bool listFilesWithExtension(const Folder& folder, const std::string& extension, std::vector<std::string>& names,
                            std::vector<std::string>& passedOver, std::string& why) {
  return listFilesWithExtensionFromListing(folder, extension, names, passedOver, why);
}
