#pragma once
// Runs a piece of a test in a forked child under a time limit and, outside sanitizer builds
// (whose shadow memory needs the address space), a memory limit: a regression that blocks on a
// FIFO or reads a device without end then fails the test instead of hanging it or exhausting
// the machine. The child only calls body; it reports through its exit status.

#include <cerrno>
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

// True when body returned true in the child within seconds and memory.
inline bool runsBounded(const std::function<bool()>& body, unsigned seconds = 10,
                        rlim_t memory = rlim_t(2) << 30) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
#ifndef ORVO_TESTS_SANITIZED
        const rlimit limit{memory, memory};
        ::setrlimit(RLIMIT_AS, &limit);
#else
        (void)memory;
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
