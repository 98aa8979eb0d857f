// Audio files through libsndfile: formats by name or extension, input read by blocks, output committed.
#include "AudioFiles.h"

#include "CommandLine.h"
#include "FileBytes.h"
#include "PendingFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace orke::host {
namespace {

struct NamedFormat {
    const char* name; // as --format takes it
    int code;
    const char* words; // as messages show it
};

const NamedFormat kMajors[] = {
    {"wav", SF_FORMAT_WAV, "WAV"},
    {"wavex", SF_FORMAT_WAVEX, "WAV (extensible)"},
    {"aiff", SF_FORMAT_AIFF, "AIFF"},
    {"au", SF_FORMAT_AU, "AU"},
    {"raw", SF_FORMAT_RAW, "raw (no header)"},
    {"w64", SF_FORMAT_W64, "Wave64"},
    {"rf64", SF_FORMAT_RF64, "RF64"},
    {"caf", SF_FORMAT_CAF, "CAF"},
    {"flac", SF_FORMAT_FLAC, "FLAC"},
    {"ogg", SF_FORMAT_OGG, "Ogg"},
    {"mp3", SF_FORMAT_MPEG, "MPEG"},
};

const NamedFormat kSubtypes[] = {
    {"pcm8", SF_FORMAT_PCM_S8, "8-bit integer"},
    {"u8", SF_FORMAT_PCM_U8, "unsigned 8-bit integer"},
    {"pcm16", SF_FORMAT_PCM_16, "16-bit integer"},
    {"pcm24", SF_FORMAT_PCM_24, "24-bit integer"},
    {"pcm32", SF_FORMAT_PCM_32, "32-bit integer"},
    {"float", SF_FORMAT_FLOAT, "32-bit float"},
    {"double", SF_FORMAT_DOUBLE, "64-bit float"},
    {"ulaw", SF_FORMAT_ULAW, "u-law"},
    {"alaw", SF_FORMAT_ALAW, "A-law"},
    {"vorbis", SF_FORMAT_VORBIS, "Vorbis"},
    {"opus", SF_FORMAT_OPUS, "Opus"},
    {"layer3", SF_FORMAT_MPEG_LAYER_III, "layer III"},
};

// File-name extensions and the format each one stands for; a subtype of 0 leaves the sample format open.
struct Extension {
    const char* extension;
    int major;
    int subtype;
};

const Extension kExtensions[] = {
    {"wav", SF_FORMAT_WAV, 0},
    {"wave", SF_FORMAT_WAV, 0},
    {"aif", SF_FORMAT_AIFF, 0},
    {"aiff", SF_FORMAT_AIFF, 0},
    {"aifc", SF_FORMAT_AIFF, 0},
    {"au", SF_FORMAT_AU, 0},
    {"snd", SF_FORMAT_AU, 0},
    {"raw", SF_FORMAT_RAW, 0},
    {"pcm", SF_FORMAT_RAW, 0},
    {"w64", SF_FORMAT_W64, 0},
    {"rf64", SF_FORMAT_RF64, 0},
    {"caf", SF_FORMAT_CAF, 0},
    {"flac", SF_FORMAT_FLAC, 0},
    {"ogg", SF_FORMAT_OGG, 0},
    {"oga", SF_FORMAT_OGG, 0},
    {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS},
    {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III},
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

// A format in words: the table's, else the library's own name, else the number.
template <size_t N>
std::string wordsFor(const NamedFormat (&table)[N], int code) {
    for (const NamedFormat& entry : table) {
        if (entry.code == code) {
            return entry.words;
        }
    }
    SF_FORMAT_INFO info{};
    info.format = code;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name != nullptr) {
        return info.name;
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

// `major` with the input's sample format where it holds it, otherwise the first that fits; 0 when none does.
int withSampleFormat(int major, int inputFormat) {
    const int candidates[] = {inputFormat & SF_FORMAT_SUBMASK,
                              SF_FORMAT_FLOAT,
                              SF_FORMAT_PCM_24,
                              SF_FORMAT_PCM_16,
                              SF_FORMAT_VORBIS,
                              SF_FORMAT_MPEG_LAYER_III};
    for (int subtype : candidates) {
        if (subtype != 0 && formatHolds(major | subtype, 1, 44100)) {
            return major | subtype;
        }
    }
    return 0;
}

// What a RIFF WAVE file's header says, read apart from libsndfile, which takes a cut file's length from its
// size and refuses a zero rate without saying so.
struct WaveHeader {
    bool read = false;
    uint32_t rate = 0;
    uint32_t blockAlign = 0;
    int64_t dataBytes = -1; // -1: no data chunk, or a size a streaming writer leaves unknown
};

uint32_t littleEndian(const unsigned char* bytes, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

WaveHeader readWaveHeader(const std::string& path) {
    WaveHeader header;
    std::ifstream file(path, std::ios::binary);
    unsigned char riff[12];
    if (!file.read(reinterpret_cast<char*>(riff), sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0) {
        return header;
    }
    unsigned char chunk[8];
    while (file.read(reinterpret_cast<char*>(chunk), sizeof chunk)) {
        const uint32_t size = littleEndian(chunk + 4, 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            unsigned char format[16];
            if (!file.read(reinterpret_cast<char*>(format), sizeof format)) {
                break;
            }
            header.read = true;
            header.rate = littleEndian(format + 4, 4);
            header.blockAlign = littleEndian(format + 12, 2);
            file.seekg(size - 16 + (size & 1), std::ios::cur);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            header.dataBytes = size == 0 || size == 0xFFFFFFFFu ? -1 : int64_t{size};
            break;
        } else {
            file.seekg(int64_t{size} + (size & 1), std::ios::cur);
        }
    }
    return header;
}

} // namespace

bool ParseFormat(const std::string& text, int inputFormat, int& format, std::string& error) {
    const size_t colon = text.find(':');
    const std::string majorName = text.substr(0, colon);
    const NamedFormat* major = find(kMajors, majorName);
    if (major == nullptr) {
        error = "unknown format " + Quoted(majorName) + " (known: " + names(kMajors) + ")";
        return false;
    }
    if (colon != std::string::npos) {
        const std::string subtypeName = text.substr(colon + 1);
        const NamedFormat* subtype = find(kSubtypes, subtypeName);
        if (subtype == nullptr) {
            error = "unknown sample format " + Quoted(subtypeName) + " (known: " + names(kSubtypes) + ")";
            return false;
        }
        format = major->code | subtype->code;
        if (!formatHolds(format, 1, 44100)) {
            error =
                "format " + Quoted(text) + " does not exist: " + majorName + " cannot hold " + subtypeName;
            return false;
        }
        return true;
    }
    format = withSampleFormat(major->code, inputFormat);
    if (format == 0) {
        error = "format " + Quoted(majorName) + " cannot be written";
        return false;
    }
    return true;
}

std::string FormatText(int format) {
    return wordsFor(kMajors, format & SF_FORMAT_TYPEMASK) + " " +
           wordsFor(kSubtypes, format & SF_FORMAT_SUBMASK);
}

bool FormatForPath(const std::string& path, int inputFormat, int& format, std::string& error) {
    const std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        // No extension: the input's format, or floating-point WAV, which holds whatever an instrument makes.
        format = inputFormat != 0 ? inputFormat : SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        return true;
    }
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::string known;
    for (const Extension& entry : kExtensions) {
        known += (known.empty() ? "." : " .") + std::string(entry.extension);
        if (extension != entry.extension) {
            continue;
        }
        const int inputMajor = inputFormat & SF_FORMAT_TYPEMASK;
        if (entry.subtype != 0) {
            format = entry.major | entry.subtype;
        } else if (inputMajor == entry.major ||
                   (entry.major == SF_FORMAT_WAV && inputMajor == SF_FORMAT_WAVEX)) {
            format = inputFormat; // the input's own kind keeps its exact format, extensible WAV included
        } else {
            format = withSampleFormat(entry.major, inputFormat != 0 ? inputFormat : SF_FORMAT_FLOAT);
        }
        return true;
    }
    error = "orke-host cannot write ." + PrintableText(extension) + " files (it writes " + known +
            "; or give --format)";
    return false;
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
    const WaveHeader header = readWaveHeader(path);
    if (header.read && header.rate == 0) {
        error = "cannot read " + path + ": its header gives a sample rate of 0 Hz";
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
        error = "cannot read " + path + ": " +
                (info.channels <= 0 ? "it has no channels" : "it has no sample rate");
        return nullptr;
    }
    auto input = std::unique_ptr<InputFile>(new InputFile(file, info));
    if (header.dataBytes >= 0 && header.blockAlign > 0) {
        input->m_declared = header.dataBytes / header.blockAlign;
    }
    return input;
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
    if (path.empty() || path.back() == '/') {
        error = "cannot write " + path + ": no file name";
        return nullptr;
    }
    std::string temporary;
    const int descriptor = CreateTemporaryBeside(path, temporary, error);
    if (descriptor < 0) {
        return nullptr;
    }
    WatchPendingFile(temporary);

    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    SNDFILE* file = sf_open_fd(descriptor, SFM_WRITE, &info, SF_TRUE);
    if (file == nullptr) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        close(descriptor);
        unlink(temporary.c_str());
        ForgetPendingFile();
        return nullptr;
    }
    // Samples beyond full scale are clipped, never wrapped around, in integer formats.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // No peak chunk: it carries the time of writing, and two renders of the same must be the same file.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return std::unique_ptr<OutputFile>(new OutputFile(path, std::move(temporary), file));
}

OutputFile::~OutputFile() {
    if (m_file != nullptr) {
        sf_close(m_file);
    }
    if (!m_committed) {
        unlink(m_temporary.c_str());
    }
    ForgetPendingFile();
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
    ForgetPendingFile();
    return true;
}

} // namespace orke::host
