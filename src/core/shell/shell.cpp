// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/shell.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

pid_t Shell::start(const char *script, const QByteArrayList &words, const Options &options,
                   int *error)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (options.outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, options.outputFd, 1);
        posix_spawn_file_actions_adddup2(&actions, options.outputFd, 2);
    }
    // Onto itself: only its close-on-exec flag is cleared.
    if (options.inheritedFd > 2)
        posix_spawn_file_actions_adddup2(&actions, options.inheritedFd, options.inheritedFd);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // What a terminal's shell would have: the signals a GUI program may have changed are back at
    // their defaults, and none is blocked.
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (options.ownProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    posix_spawnattr_setflags(&attributes, flags);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    for (const int signal : { SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGHUP })
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);

    char shell[] = "sh", option[] = "-c";
    std::vector<char *> arguments = { shell, option, const_cast<char *>(script) };
    for (const QByteArray &word : words)
        arguments.push_back(const_cast<char *>(word.constData()));
    arguments.push_back(nullptr);
    pid_t pid = -1;
    *error = posix_spawn(&pid, "/bin/sh", &actions, &attributes, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return *error == 0 ? pid : -1;
}

bool Shell::hasEnded(pid_t pid, int *status)
{
    pid_t reaped;
    while ((reaped = ::waitpid(pid, status, WNOHANG)) < 0 && errno == EINTR) { }
    if (reaped < 0)
        *status = -1;
    return reaped != 0;
}

int Shell::waitFor(pid_t pid)
{
    int status = 0;
    pid_t reaped;
    while ((reaped = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) { }
    return reaped < 0 ? -1 : status;
}
