// The platform's path syntax, in one place: joining a folder's path and a
// name, and splitting a path into the two.
#pragma once

#include <string>

// `name` inside the folder `folder` ("" for the current directory): joined
// with this platform's separator. On Windows a bare drive ("C:", the drive's
// current directory) and a root ("\", "C:\") take the name without one more
// separator ("C:rock.tga" lies in C:'s current directory, "C:\rock.tga" in
// its root).
std::string pathIn(const std::string& folder, const std::string& name);

// Splits a path into its folder and its name there, at the last separator
// of this platform ("/"; on Windows also "\" and a drive colon), so that
// pathIn gives the path back. A root keeps its separator.
void splitPath(const std::string& path, std::string& folder, std::string& name);
