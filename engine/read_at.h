// Reading at a given place of a file, as far as it goes, and the words
// that say why a file could not be read or written.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <unistd.h>

namespace torvex {

// Up to n bytes of fd from offset into to; fewer only at the end of the
// file or on an error, whose number goes to error (which is left alone
// otherwise).
inline size_t ReadAt(int fd, unsigned long long offset, char* to, size_t n, int& error) {
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, to + done, n - done, static_cast<off_t>(offset + done));
        if (got > 0) {
            done += static_cast<size_t>(got);
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    return done;
}

// "PATH: reason"
inline std::string Describe(const std::string& path, int err) { return path + ": " + std::strerror(err); }

}  // namespace torvex
