#pragma once

#include <functional>
#include <string>

// Runs `body` in a forked child and returns its exit code (or -1 when it
// did not exit normally). With `asUser` the child first drops root to that
// user id, so a file mode can refuse it what root would be allowed.
int runInChild(const std::function<int()>& body, int asUser = -1);

// Mounts a small tmpfs at `folder`; false (with the reason) where mounting is
// not allowed here.
bool mountSmallTmpfs(const char* folder, const char* size, std::string* why);
void unmount(const char* folder);
