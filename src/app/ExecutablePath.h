// The path of the running program, as start-up stores it in argv[0] for the application's
// ExecutableFile: argv[0] itself when it names a folder ("./app", "/opt/app"); otherwise the
// first executable file of that name on PATH, with every symbolic link followed (a relative
// link target taken from the link's folder) up to a hop limit. No shell is involved. When the
// name is found nowhere, or the links form a loop, the running file (/proc/self/exe) stands in.
#pragma once

#include <string>

std::string ResolveExecutablePath(const char* argv0);

// The first executable regular file named name in a folder of PATH, as the folder and name
// joined by "/" (an empty entry is the current folder), or "" when there is none. No shell is
// involved; unset, PATH is the system's default path.
std::string FindOnPath(const std::string& name);

// The final target of path's chain of links (path itself when it is none); false when the
// chain is longer than the hop limit.
bool FollowLinks(std::string* path);

// The file this process runs (/proc/self/exe), or "" when the system does not tell.
std::string RunningFilePath();
