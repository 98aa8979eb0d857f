// Whole small files read with a size limit, and written through a temporary file beside them.
#include "FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orke::host {

bool ReadFileBytes(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, std::string& error) {
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (descriptor < 0 || fstat(descriptor, &status) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        if (descriptor >= 0) {
            close(descriptor);
        }
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        close(descriptor);
        error = "cannot read " + path + ": it is a folder";
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            close(descriptor);
            return false;
        }
        if (got == 0) {
            break;
        }
        if (bytes.size() + static_cast<size_t>(got) > limit) {
            error = "cannot read " + path + ": it is larger than " + std::to_string(limit >> 20) + " MiB";
            close(descriptor);
            return false;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    close(descriptor);
    return true;
}

int CreateTemporaryBeside(const std::string& path, std::string& temporary, std::string& error) {
    const size_t slash = path.rfind('/');
    temporary = path.substr(0, slash == std::string::npos ? 0 : slash + 1) + "." +
                path.substr(slash == std::string::npos ? 0 : slash + 1) + ".orke-host-XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return -1;
    }
    // mkstemp makes the file private; the result gets the mode any new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    return descriptor;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::string temporary;
    const int descriptor = CreateTemporaryBeside(path, temporary, error);
    if (descriptor < 0) {
        return false;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        written += static_cast<size_t>(count);
    }
    const int savedErrno = errno;
    const bool closed = close(descriptor) == 0;
    if (written != bytes.size() || !closed || rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(written != bytes.size() ? savedErrno : errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace orke::host
