// The render path: from the host's process entries to ProcessBlock and the kernels, on the audio thread.
#include "DenormalGuard.h"
#include "OrkeAuBase.h"

#include <algorithm>
#include <cstring>

namespace {

// The transport `frames` frames after `start`: the part of a block that begins there.
OrkeTransport advanced(const OrkeTransport& start, uint32_t frames, float sampleRate) {
    OrkeTransport moved = start;
    moved.samplePosition += frames;
    const double perQuarterNote = start.FramesPerQuarterNote(sampleRate);
    if (moved.Has(OrkeTransport::kPosition) && perQuarterNote > 0.0) {
        moved.quarterNotePosition += frames / perQuarterNote;
    }
    return moved;
}

} // namespace

// The steps of every block, inlined into both entries below.
[[gnu::always_inline]] inline void OrkeAuBase::BeginBlock(int32_t sampleFrames) {
    const uint32_t resetRequests = m_resetRequests.load(std::memory_order_acquire);
    if (resetRequests != m_resetsDone) {
        m_resetsDone = resetRequests;
        ResetKernels();
        m_blockChangesForced = true;
        Reset();
    }
    // The channels a block has: the record's counts, never more than the render path's arrays hold.
    m_blockInputs = std::min(m_numInputChannels, static_cast<size_t>(std::max(cEffect.numInputs, 0)));
    m_blockOutputs = std::min(m_numOutputChannels, static_cast<size_t>(std::max(cEffect.numOutputs, 0)));
    if (Described(kOrkeWantsTransport)) {
        FetchTransport();
    }
    if (m_events) {
        m_events->Seal(sampleFrames);
        m_eventsHandedOut = 0;
    }
}

[[gnu::always_inline]] inline bool OrkeAuBase::EveryChannelGiven(float* const* inputs,
                                                                 float* const* outputs) const {
    for (size_t i = 0; i < m_blockInputs; ++i) {
        if (inputs == nullptr || inputs[i] == nullptr) {
            return false;
        }
    }
    for (size_t i = 0; i < m_blockOutputs; ++i) {
        if (outputs[i] == nullptr) {
            return false;
        }
    }
    return true;
}

// One part of the block, `frames` frames from `offset`: the events of the part are the next ones of the
// list, and the transport is where the part begins.
[[gnu::always_inline]] inline void OrkeAuBase::RunBlock(const float* const* inputs, float* const* outputs,
                                                        uint32_t offset, uint32_t frames) {
    OrkeEventSpan events;
    if (m_events) {
        const OrkeEventSpan all = m_events->Events();
        size_t end = m_eventsHandedOut;
        while (end < all.size() && all[end].frame < static_cast<int32_t>(frames)) {
            ++end;
        }
        events = OrkeEventSpan(all.begin() + m_eventsHandedOut, end - m_eventsHandedOut);
        m_events->Rebase(end, static_cast<int32_t>(frames)); // the rest now counts from the next part
        m_eventsHandedOut = end;
    }
    if (offset != 0 && Described(kOrkeWantsTransport)) {
        m_transport = advanced(m_blockTransport, offset, m_kernelSampleRate);
    }
    const OrkeBlock block{inputs,      static_cast<int32_t>(m_blockInputs),
                          outputs,     static_cast<int32_t>(m_blockOutputs),
                          frames,      events,
                          m_transport, m_kernelSampleRate};
    ProcessBlock(block);
}

[[gnu::always_inline]] inline void OrkeAuBase::EndBlock() {
    if (m_events) {
        m_events->Clear();
    }
}

// A block of no frames (or a negative count) is still a block: ProcessBlock sees it with 0 frames. When the
// host gave every channel, its own arrays go to ProcessBlock as they are.
void OrkeAuBase::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    const OrkeDenormalGuard denormals;
    BeginBlock(sampleFrames);
    if (outputs != nullptr) {
        const uint32_t frames = sampleFrames > 0 ? static_cast<uint32_t>(sampleFrames) : 0;
        if (EveryChannelGiven(inputs, outputs)) {
            RunBlock(inputs, outputs, 0, frames);
        } else {
            RenderParts(inputs, outputs, frames);
        }
    }
    EndBlock();
}

// The 64-bit block goes through in parts, each converted to 32 bits, processed, and converted back. Every
// input of a part is read before any output is written, so in-place buffers stay right.
void OrkeAuBase::processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) {
    const OrkeDenormalGuard denormals;
    BeginBlock(sampleFrames);
    if (outputs != nullptr && m_silence != nullptr) {
        const uint32_t frames = sampleFrames > 0 ? static_cast<uint32_t>(sampleFrames) : 0;
        m_blockTransport = m_transport;
        uint32_t offset = 0;
        do {
            const uint32_t part = std::min(kRenderPart, frames - offset);
            for (size_t i = 0; i < m_blockInputs; ++i) {
                float* narrow = &m_narrowInputs[i * kRenderPart];
                const double* wide = inputs != nullptr ? inputs[i] : nullptr;
                for (uint32_t k = 0; k < part; ++k) {
                    narrow[k] = wide != nullptr ? static_cast<float>(wide[offset + k]) : 0.0f;
                }
                m_inputChannels[i] = narrow;
            }
            for (size_t i = 0; i < m_blockOutputs; ++i) {
                m_outputChannels[i] = &m_narrowOutputs[i * kRenderPart];
            }
            RunBlock(m_inputChannels.get(), m_outputChannels.get(), offset, part);
            for (size_t i = 0; i < m_blockOutputs; ++i) {
                if (double* wide = outputs[i]) {
                    const float* narrow = &m_narrowOutputs[i * kRenderPart];
                    for (uint32_t k = 0; k < part; ++k) {
                        wide[offset + k] = narrow[k];
                    }
                }
            }
            offset += part;
        } while (offset < frames);
    }
    EndBlock();
}

// A block the host left channels out of goes in parts as long as the framework's own buffers, which stand in
// for those channels: silence for an input, a discarded buffer for an output.
void OrkeAuBase::RenderParts(float** inputs, float** outputs, uint32_t frames) {
    if (m_silence == nullptr) {
        return; // never prepared: a plug-in of the earlier kind that made no kernels
    }
    m_blockTransport = m_transport; // each part's transport starts from the block's
    uint32_t offset = 0;
    do {
        const uint32_t part = std::min(kRenderPart, frames - offset);
        for (size_t i = 0; i < m_blockInputs; ++i) {
            const float* given = inputs != nullptr ? inputs[i] : nullptr;
            m_inputChannels[i] = given != nullptr ? given + offset : m_silence.get();
        }
        for (size_t i = 0; i < m_blockOutputs; ++i) {
            m_outputChannels[i] = outputs[i] != nullptr ? outputs[i] + offset : &m_discarded[i * kRenderPart];
        }
        RunBlock(m_inputChannels.get(), m_outputChannels.get(), offset, part);
        offset += part;
    } while (offset < frames);
}

void OrkeAuBase::ResetKernels() {
    const float rate = m_kernelSampleRate;
    for (AUKernelBase* kernel : m_kernels) {
        kernel->m_sampleRate = rate;
        kernel->m_changesForced = true;
        kernel->Reset();
    }
}

void OrkeAuBase::ProcessBlock(const OrkeBlock& block) {
    ProcessKernels(block);
}

void OrkeAuBase::Reset() {}

void OrkeAuBase::ProcessKernels(const OrkeBlock& block) {
    // The kernel list is fixed after construction: one read of it per block, none per channel.
    AUKernelBase* const* const kernels = m_kernels.data();
    const size_t count = std::min(m_kernels.size(), static_cast<size_t>(std::max(block.numOutputs, 0)));
    bool silence = false;
    for (size_t i = 0; i < count; ++i) {
        if (static_cast<int32_t>(i) < block.numInputs) {
            kernels[i]->Process(block.inputs[i], block.outputs[i], block.frames, 1, silence);
            continue;
        }
        // A kernel without an input hears silence, a part at a time.
        for (uint32_t offset = 0; offset < block.frames && m_silence != nullptr; offset += kRenderPart) {
            const uint32_t part = std::min(kRenderPart, block.frames - offset);
            kernels[i]->Process(m_silence.get(), block.outputs[i] + offset, part, 1, silence);
        }
    }
    ClearOutputs(block, static_cast<int32_t>(count));
}

void OrkeAuBase::ClearOutputs(const OrkeBlock& block, int32_t first) {
    for (int32_t i = std::max(first, 0); i < block.numOutputs; ++i) {
        std::memset(block.outputs[i], 0, sizeof(float) * block.frames);
    }
}

bool OrkeAuBase::ParametersChanged() {
    const uint32_t changes = ParameterChanges();
    if (changes == m_blockSeenChanges && !m_blockChangesForced) {
        return false;
    }
    m_blockSeenChanges = changes;
    m_blockChangesForced = false;
    return true;
}

int32_t OrkeAuBase::processEvents(VstEvents* events) {
    if (!m_events) {
        return 0;
    }
    m_events->Add(events);
    return 1;
}
