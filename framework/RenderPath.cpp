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

// A block of no frames (or a negative count) is still a block: ProcessBlock sees it with 0 frames.
void OrkeAuBase::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    const OrkeDenormalGuard denormals;
    BeginBlock(sampleFrames);
    if (outputs != nullptr) {
        RenderParts(inputs, outputs, sampleFrames > 0 ? static_cast<uint32_t>(sampleFrames) : 0);
    }
    EndBlock();
}

// The 64-bit block goes through in parts, each converted to 32 bits, processed, and converted back. Every
// input of a part is read before any output is written, so in-place buffers stay right.
void OrkeAuBase::processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) {
    const OrkeDenormalGuard denormals;
    BeginBlock(sampleFrames);
    if (outputs != nullptr && m_silence != nullptr) {
        const size_t numInputs = ChannelsIn();
        const size_t numOutputs = ChannelsOut();
        const uint32_t frames = sampleFrames > 0 ? static_cast<uint32_t>(sampleFrames) : 0;
        uint32_t offset = 0;
        do {
            const uint32_t part = std::min(kRenderPart, frames - offset);
            for (size_t i = 0; i < numInputs; ++i) {
                float* narrow = &m_narrowInputs[i * kRenderPart];
                const double* wide = inputs != nullptr ? inputs[i] : nullptr;
                for (uint32_t k = 0; k < part; ++k) {
                    narrow[k] = wide != nullptr ? static_cast<float>(wide[offset + k]) : 0.0f;
                }
                m_inputChannels[i] = narrow;
            }
            for (size_t i = 0; i < numOutputs; ++i) {
                m_outputChannels[i] = &m_narrowOutputs[i * kRenderPart];
            }
            RunBlock(offset, part);
            for (size_t i = 0; i < numOutputs; ++i) {
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

// The block in one piece when the host gave every channel, else in parts as long as the framework's own
// buffers, which stand in for the channels it did not give.
void OrkeAuBase::RenderParts(float** inputs, float** outputs, uint32_t frames) {
    const size_t numInputs = ChannelsIn();
    const size_t numOutputs = ChannelsOut();
    bool whole = true;
    for (size_t i = 0; i < numInputs; ++i) {
        whole = whole && inputs != nullptr && inputs[i] != nullptr;
    }
    for (size_t i = 0; i < numOutputs; ++i) {
        whole = whole && outputs[i] != nullptr;
    }
    if (!whole && m_silence == nullptr) {
        return; // never prepared: a plug-in of the earlier kind that made no kernels
    }
    const uint32_t longest = whole ? frames : kRenderPart;
    uint32_t offset = 0;
    do {
        const uint32_t part = std::min(longest, frames - offset);
        for (size_t i = 0; i < numInputs; ++i) {
            const float* given = inputs != nullptr ? inputs[i] : nullptr;
            m_inputChannels[i] = given != nullptr ? given + offset : m_silence.get();
        }
        for (size_t i = 0; i < numOutputs; ++i) {
            m_outputChannels[i] = outputs[i] != nullptr ? outputs[i] + offset : &m_discarded[i * kRenderPart];
        }
        RunBlock(offset, part);
        offset += part;
    } while (offset < frames);
}

void OrkeAuBase::BeginBlock(int32_t sampleFrames) {
    const uint32_t resetRequests = m_resetRequests.load(std::memory_order_acquire);
    if (resetRequests != m_resetsDone) {
        m_resetsDone = resetRequests;
        ResetKernels();
        m_blockChangesForced = true;
        Reset();
    }
    FetchTransport();
    if (m_events) {
        m_events->Seal(sampleFrames);
    }
    m_eventsHandedOut = 0;
}

// One part of the block, `frames` frames from `offset`: the channel arrays are set, the events of the part
// are the next ones of the list, and the transport is where the part begins.
void OrkeAuBase::RunBlock(uint32_t offset, uint32_t frames) {
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
    m_transport = offset == 0 ? m_blockTransport : advanced(m_blockTransport, offset, m_kernelSampleRate);
    const OrkeBlock block{m_inputChannels.get(),
                          static_cast<int32_t>(ChannelsIn()),
                          m_outputChannels.get(),
                          static_cast<int32_t>(ChannelsOut()),
                          frames,
                          events,
                          m_transport,
                          m_kernelSampleRate};
    ProcessBlock(block);
}

void OrkeAuBase::EndBlock() {
    if (m_events) {
        m_events->Clear();
    }
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
