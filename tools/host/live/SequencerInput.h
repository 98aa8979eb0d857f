// MIDI from an ALSA sequencer source, found by its name in the MIDI catalogue, read on a thread of its own
// and handed to a live client's queue.
#pragma once

#include "LiveClient.h"

#include <memory>
#include <string>
#include <vector>

namespace orke::host {

class SequencerInput {
public:
    // The catalogue's sources, by name; empty without a sequencer.
    static std::vector<std::string> SourceNames();
    // Subscribes to the source named `name` and queues what it sends on `client`, which must outlive it.
    // Null with a one-line reason; `found` tells whether a source had that name.
    static std::unique_ptr<SequencerInput> Open(const std::string& name, LiveClient& client, bool& found,
                                                std::string& error);
    // Stops the thread and leaves the sequencer.
    ~SequencerInput();

    SequencerInput(const SequencerInput&) = delete;
    SequencerInput& operator=(const SequencerInput&) = delete;

    struct Reader;

private:
    explicit SequencerInput(std::unique_ptr<Reader> reader);
    std::unique_ptr<Reader> m_reader;
};

} // namespace orke::host
