#pragma once
// Runs a piece of a test in a forked child under a time limit and, outside sanitizer builds
// (whose shadow memory needs the address space), a memory limit: a regression that blocks on a
// FIFO or reads a device without end then fails the test instead of hanging it or exhausting
// the machine. The child only calls body; it reports through its exit status.

#include <cerrno>
#include <cstdio>
#include <functional>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORVO_TESTS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORVO_TESTS_SANITIZED 1
#endif
#endif

// True when body returned true in the child within seconds and memory more than the process
// had at the call.
inline bool runsBounded(const std::function<bool()>& body, unsigned seconds = 10,
                        rlim_t memory = rlim_t(2) << 30) {
    // The limit comes on top of what the process already maps (read before the fork: the child
    // of a process with threads should not allocate).
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const rlim_t total = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + memory;
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
#ifndef ORVO_TESTS_SANITIZED
        const rlimit limit{total, total};
        ::setrlimit(RLIMIT_AS, &limit);
#else
        (void)total;
#endif
        ::alarm(seconds);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(child, &status, 0);
    } while (done < 0 && errno == EINTR);
    return done == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
