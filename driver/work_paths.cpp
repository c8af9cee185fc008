#include "work_paths.h"

#include <cctype>

#include "platform/host_names.h"

// On Windows "C:" alone names the current directory of drive C: a name joins
// it directly ("C:rock.tga"), since "C:\rock.tga" lies in the drive's root.
// "C:work" and every POSIX name take the separator as usual.
static bool isBareDrive(const std::string& directory, char separator) {
  return separator == '\\' && directory.size() == 2 && directory[1] == ':' &&
         isalpha(static_cast<unsigned char>(directory[0]));
}

std::string pathIn(const std::string& directory, const std::string& fileName) {
  const char separator = pathSeparator();
  if (isBareDrive(directory, separator)) return directory + fileName;
  return directory + separator + fileName;
}
