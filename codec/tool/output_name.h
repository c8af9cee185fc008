// Naming of the codec's output files from an input path.
#pragma once

#include <string>

// The path cut at the first "." of its file-name part (the part after the
// last "/" or "\"); a "." inside a directory name never cuts, so outputs stay
// beside their input. A file name without "." keeps the whole path.
//   rock.dds -> rock, a.b.dds -> a, my.dir/rock.dds -> my.dir/rock,
//   ..\rock.tga -> ..\rock
std::string outputBaseName(const std::string& path);
