#include "AudioFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace orke::host {
namespace {

struct NamedFormat {
    const char* name;
    int code;
};

const NamedFormat kMajors[] = {
    {"wav", SF_FORMAT_WAV}, {"aiff", SF_FORMAT_AIFF}, {"au", SF_FORMAT_AU},
    {"raw", SF_FORMAT_RAW}, {"w64", SF_FORMAT_W64},   {"rf64", SF_FORMAT_RF64},
    {"caf", SF_FORMAT_CAF}, {"flac", SF_FORMAT_FLAC}, {"ogg", SF_FORMAT_OGG},
};

const NamedFormat kSubtypes[] = {
    {"pcm8", SF_FORMAT_PCM_S8},   {"u8", SF_FORMAT_PCM_U8},    {"pcm16", SF_FORMAT_PCM_16},
    {"pcm24", SF_FORMAT_PCM_24},  {"pcm32", SF_FORMAT_PCM_32}, {"float", SF_FORMAT_FLOAT},
    {"double", SF_FORMAT_DOUBLE}, {"ulaw", SF_FORMAT_ULAW},    {"alaw", SF_FORMAT_ALAW},
    {"vorbis", SF_FORMAT_VORBIS}, {"opus", SF_FORMAT_OPUS},
};

template <size_t N>
const NamedFormat* find(const NamedFormat (&table)[N], const std::string& name) {
    for (const NamedFormat& entry : table) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

template <size_t N>
std::string names(const NamedFormat (&table)[N]) {
    std::string text;
    for (const NamedFormat& entry : table) {
        text += (text.empty() ? "" : ", ") + std::string(entry.name);
    }
    return text;
}

template <size_t N>
std::string nameOf(const NamedFormat (&table)[N], int code) {
    for (const NamedFormat& entry : table) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(code));
    return text;
}

bool formatHolds(int format, int channels, int sampleRate) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    return sf_format_check(&info) != 0;
}

// The one temporary file in the making, for the signal handler: a render that is interrupted, or that a
// plug-in crashes, leaves nothing behind.
char g_pendingPath[4096];
volatile sig_atomic_t g_pending = 0;
const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kSignalCount = sizeof kCleanupSignals / sizeof kCleanupSignals[0];
struct sigaction g_previous[kSignalCount];

void removePendingAndReraise(int signal) {
    if (g_pending != 0) {
        unlink(g_pendingPath);
        g_pending = 0;
    }
    for (size_t i = 0; i < kSignalCount; ++i) {
        if (kCleanupSignals[i] == signal) {
            sigaction(signal, &g_previous[i], nullptr);
        }
    }
    // A fault comes back by itself when the faulting instruction runs again, now to the previous handler.
    if (signal == SIGINT || signal == SIGTERM || signal == SIGHUP || signal == SIGABRT) {
        raise(signal);
    }
}

void watchPending(const std::string& path) {
    if (path.size() >= sizeof g_pendingPath) {
        return;
    }
    std::memcpy(g_pendingPath, path.c_str(), path.size() + 1);
    g_pending = 1;
    struct sigaction action {};
    action.sa_handler = removePendingAndReraise;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kSignalCount; ++i) {
        sigaction(kCleanupSignals[i], nullptr, &g_previous[i]);
        if (g_previous[i].sa_handler != SIG_IGN) { // a signal the user chose to ignore stays ignored
            sigaction(kCleanupSignals[i], &action, nullptr);
        }
    }
}

void forgetPending() {
    if (g_pending == 0) {
        return;
    }
    g_pending = 0;
    for (size_t i = 0; i < kSignalCount; ++i) {
        sigaction(kCleanupSignals[i], &g_previous[i], nullptr);
    }
}

} // namespace

bool ParseFormat(const std::string& text, int inputFormat, int& format, std::string& error) {
    const size_t colon = text.find(':');
    const std::string majorName = text.substr(0, colon);
    const NamedFormat* major = find(kMajors, majorName);
    if (major == nullptr) {
        error = "unknown format '" + majorName + "' (known: " + names(kMajors) + ")";
        return false;
    }
    if (colon != std::string::npos) {
        const std::string subtypeName = text.substr(colon + 1);
        const NamedFormat* subtype = find(kSubtypes, subtypeName);
        if (subtype == nullptr) {
            error = "unknown sample format '" + subtypeName + "' (known: " + names(kSubtypes) + ")";
            return false;
        }
        format = major->code | subtype->code;
        if (!formatHolds(format, 1, 44100)) {
            error = "format '" + text + "' does not exist: " + majorName + " cannot hold " + subtypeName;
            return false;
        }
        return true;
    }
    // Keep the input's sample format where the new container holds it; otherwise the first that fits.
    const int candidates[] = {inputFormat & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT, SF_FORMAT_PCM_24,
                              SF_FORMAT_PCM_16, SF_FORMAT_VORBIS};
    for (int subtype : candidates) {
        if (formatHolds(major->code | subtype, 1, 44100)) {
            format = major->code | subtype;
            return true;
        }
    }
    error = "format '" + majorName + "' cannot be written";
    return false;
}

std::string FormatText(int format) {
    return nameOf(kMajors, format & SF_FORMAT_TYPEMASK) + "/" + nameOf(kSubtypes, format & SF_FORMAT_SUBMASK);
}

std::unique_ptr<InputFile> InputFile::Open(const std::string& path, std::string& error) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (S_ISDIR(status.st_mode)) {
        error = "cannot read " + path + ": it is a folder";
        return nullptr;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    if (info.channels <= 0 || info.samplerate <= 0) {
        sf_close(file);
        error = "cannot read " + path + ": no channels or no sample rate";
        return nullptr;
    }
    return std::unique_ptr<InputFile>(new InputFile(file, info));
}

InputFile::~InputFile() {
    sf_close(m_file);
}

sf_count_t InputFile::Read(float* interleaved, sf_count_t frames) {
    return sf_readf_float(m_file, interleaved, frames);
}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, int format, int channels,
                                               int sampleRate, std::string& error) {
    if (!formatHolds(format, channels, sampleRate)) {
        error = "cannot write " + path + ": format " + FormatText(format) + " cannot hold " +
                std::to_string(channels) + " channels at " + std::to_string(sampleRate) + " Hz";
        return nullptr;
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        error = "cannot write " + path + ": no file name";
        return nullptr;
    }
    // Beside the final name, so that the rename stays within one file system.
    std::string temporary = (slash == std::string::npos ? "" : folder) + "." + name + ".orke-host-XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    // mkstemp makes the file private; the result gets the mode any new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    watchPending(temporary);

    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    SNDFILE* file = sf_open_fd(descriptor, SFM_WRITE, &info, SF_TRUE);
    if (file == nullptr) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        close(descriptor);
        unlink(temporary.c_str());
        forgetPending();
        return nullptr;
    }
    // Samples beyond full scale are clipped, never wrapped around, in integer formats.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return std::unique_ptr<OutputFile>(new OutputFile(path, std::move(temporary), file));
}

OutputFile::~OutputFile() {
    if (m_file != nullptr) {
        sf_close(m_file);
    }
    if (!m_committed) {
        unlink(m_temporary.c_str());
    }
    forgetPending();
}

bool OutputFile::Write(const float* interleaved, sf_count_t frames, std::string& error) {
    if (sf_writef_float(m_file, interleaved, frames) != frames) {
        error = "cannot write " + m_path + ": " + sf_strerror(m_file);
        return false;
    }
    return true;
}

bool OutputFile::Commit(std::string& error) {
    sf_write_sync(m_file);
    const int closed = sf_close(m_file);
    m_file = nullptr;
    if (closed != 0) {
        error = "cannot write " + m_path + ": " + sf_error_number(closed);
        return false;
    }
    if (rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        error = "cannot write " + m_path + ": " + std::strerror(errno);
        return false;
    }
    m_committed = true;
    forgetPending();
    return true;
}

} // namespace orke::host
