#include "childprocess.h"

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

int runInChild(const std::function<int()>& body, int asUser) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (asUser >= 0 && (::setgid(asUser) != 0 || ::setuid(asUser) != 0)) {
            ::_exit(90);
        }
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool mountSmallTmpfs(const char* folder, const char* size, std::string* why) {
    const std::string options = std::string("size=") + size;
    if (::mount("tmpfs", folder, "tmpfs", 0, options.c_str()) != 0) {
        *why = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void unmount(const char* folder) {
    ::umount2(folder, MNT_DETACH);
}
