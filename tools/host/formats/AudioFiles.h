// Audio files through libsndfile: the input read block by block, formats by name, and the output written to a
// temporary file beside its final name, so that a render that fails or is interrupted leaves nothing there.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>

namespace orke::host {

// Parses --format: "MAJOR" or "MAJOR:SUBTYPE" ("wav", "flac:pcm24", "wav:float"). Without a subtype the
// input's is kept when the major format can hold it. False, with the reason in `error`, for an unknown name.
bool ParseFormat(const std::string& text, int inputFormat, int& format, std::string& error);

// The format OUT's name asks for: its extension's ("out.flac"), keeping the input's sample format where the
// new container holds it, and the input's whole format when the extension names the input's own kind. A name
// without extension keeps the input's format (`inputFormat`, 0 for no input: floating-point WAV). False, with
// a reason listing the extensions it knows, for an extension orke-host cannot write.
bool FormatForPath(const std::string& path, int inputFormat, int& format, std::string& error);

// "WAV 16-bit integer" and the like, for messages.
std::string FormatText(int format);

class InputFile {
public:
    // Opens `path` for reading; null with a one-line reason when it is missing or not a readable audio file.
    static std::unique_ptr<InputFile> Open(const std::string& path, std::string& error);
    ~InputFile();

    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const SF_INFO& Info() const { return m_info; }
    // The frames a WAV file's header declares, which a file cut short does not hold; -1 when not known.
    int64_t DeclaredFrames() const { return m_declared; }
    // Reads up to `frames` interleaved frames; the count read, 0 at the end.
    sf_count_t Read(float* interleaved, sf_count_t frames);

private:
    InputFile(SNDFILE* file, const SF_INFO& info)
        : m_file(file)
        , m_info(info) {}
    SNDFILE* m_file;
    SF_INFO m_info;
    int64_t m_declared = -1;
};

class OutputFile {
public:
    // Opens a temporary file beside `path` for `format`; null with a one-line reason when the format cannot
    // hold that many channels at that rate or the folder cannot be written.
    static std::unique_ptr<OutputFile> Create(const std::string& path, int format, int channels,
                                              int sampleRate, std::string& error);
    // Removes the temporary file unless Commit succeeded.
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool Write(const float* interleaved, sf_count_t frames, std::string& error);
    // Finishes the file and renames it to its final name.
    bool Commit(std::string& error);

private:
    OutputFile(std::string path, std::string temporary, SNDFILE* file)
        : m_path(std::move(path))
        , m_temporary(std::move(temporary))
        , m_file(file) {}
    std::string m_path;
    std::string m_temporary;
    SNDFILE* m_file;
    bool m_committed = false;
};

} // namespace orke::host
