// The render's block loop: what each block is fed, processed and written, and how long the render runs.
#include "RenderLoop.h"

#include "BlockBuffers.h"
#include "CommandLine.h"
#include "EffectOpcodes.h"
#include "EventList.h"
#include "InputFeed.h"
#include "TerminalLine.h"
#include "Transport.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace orke::host {
namespace {

// Samples no render should make, the first of each kind where OUT has it: a plug-in's NaN or infinity is
// written as whatever the format makes of it, and a sample beyond +24 dBFS is a gain gone wrong.
struct OddSamples {
    static constexpr float kLoudest = 15.848932f; // +24 dBFS
    struct First {
        const char* kind; // before "sample", and what stands after it
        const char* beyond;
        int64_t count = 0;
        int64_t frame = 0;
        int32_t channel = 0;
    };
    First nan{"NaN ", ""};
    First infinite{"infinite ", ""};
    First loud{"", " beyond +24 dBFS"};

    void Look(const float* channel, int64_t from, int64_t to, int32_t c, int64_t firstFrame) {
        for (int64_t i = from; i < to; ++i) {
            const float sample = channel[i];
            if (std::isnan(sample)) {
                note(nan, firstFrame + i - from, c);
            } else if (std::isinf(sample)) {
                note(infinite, firstFrame + i - from, c);
            } else if (std::fabs(sample) > kLoudest) {
                note(loud, firstFrame + i - from, c);
            }
        }
    }
    // A warning per kind found; whether there was any.
    bool Warn(const std::string& output, std::ostream& err) const {
        for (const First* first : {&nan, &infinite, &loud}) {
            if (first->count > 0) {
                RenderWarning(err, output + " holds " + std::to_string(first->count) + " " + first->kind +
                                       (first->count == 1 ? "sample" : "samples") + first->beyond +
                                       ", the first at frame " + std::to_string(first->frame) +
                                       " of channel " + std::to_string(first->channel));
            }
        }
        return nan.count + infinite.count + loud.count > 0;
    }

private:
    static void note(First& first, int64_t frame, int32_t channel) {
        // Channels are looked at one after another: the first is the earliest frame, then the lowest channel.
        if (first.count++ == 0 || frame < first.frame) {
            first.frame = frame;
            first.channel = channel;
        }
    }
};

// What the loop keeps from block to block.
struct Blocks {
    Blocks(RenderPlan& plan, const RenderSession& session, int64_t delay)
        : buffers(session.plugin->effect->NumInputs(), session.plugin->effect->NumOutputs(),
                  plan.options.block)
        , interleaved(static_cast<size_t>(plan.options.block) * static_cast<size_t>(session.kept))
        , inputFeed(std::move(plan.input), 0, plan.options.block)
        , sidechainFeed(std::move(plan.sidechain), session.inputChannels, plan.options.block)
        , delay(delay) {
        for (auto& channel : buffers.input) {
            inputChannels.push_back(channel.data()); // the host's own, whatever the plug-in does to its array
        }
    }
    BlockBuffers buffers;
    std::vector<float*> inputChannels;
    std::vector<float> interleaved;
    InputFeed inputFeed;
    InputFeed sidechainFeed;
    const int64_t delay;  // frames rendered before OUT's first, with --compensate
    int64_t rendered = 0; // frames processed so far
    int64_t written = 0;  // frames in OUT so far
    int64_t inputRead = 0;
    OddSamples odd;
};

// The plug-in's declared delay, which --compensate leaves out of OUT; a delay beyond a minute is no
// plug-in's.
int64_t compensatedDelay(const RenderPlan& plan, const RenderSession& session, std::ostream& err) {
    // Read after resuming, where a plug-in settles it.
    const int32_t declared = session.plugin->effect->Record()->initialDelay;
    if (!plan.options.compensate) {
        return 0;
    }
    const int64_t delay = std::clamp<int64_t>(declared, 0, int64_t{60} * plan.sampleRate);
    if (delay != declared) {
        RenderNote(err, plan.options.plugin + " declares a delay of " + std::to_string(declared) +
                            " frames; compensating " + std::to_string(delay));
    }
    return delay;
}

// Fills the next block's inputs and answers its length; 0 when the render is done. IN's length is what it
// holds, known only at its end (its header may have announced more); the render's length follows it.
int32_t feedBlock(RenderPlan& plan, const RenderSession& session, Blocks& blocks, std::ostream& err) {
    const RenderOptions& options = plan.options;
    auto goal = [&] {
        return plan.content >= 0 ? plan.content + plan.tailFrames + blocks.delay : -1;
    };
    auto frames = static_cast<int32_t>(
        goal() >= 0 ? std::min<int64_t>(options.block, goal() - blocks.rendered) : options.block);
    if (frames <= 0) {
        return 0;
    }
    auto& input = blocks.buffers.input;
    for (size_t c = static_cast<size_t>(session.inputChannels + session.sidechainChannels); c < input.size();
         ++c) {
        std::fill(input[c].begin(), input[c].end(), 0.0f); // the plug-in may have written there
    }
    const int64_t got = blocks.inputFeed.Fill(blocks.inputChannels.data(), frames);
    blocks.inputRead += got;
    if (!options.input.empty() && options.length < 0.0 && got < frames && blocks.inputRead != plan.content) {
        if (plan.content > blocks.inputRead) {
            RenderNote(err, options.input + " holds " + Counted(blocks.inputRead, "frame") + ", not the " +
                                std::to_string(plan.content) + " its header announces");
        }
        plan.content = blocks.inputRead;
        frames = static_cast<int32_t>(std::min<int64_t>(frames, goal() - blocks.rendered));
        if (frames <= 0) {
            return 0;
        }
    }
    blocks.sidechainFeed.Fill(blocks.inputChannels.data(), frames);
    return frames;
}

// Writes what the block made to OUT, past the first `delay` frames of the render, which are the plug-in's
// own delay.
bool writeBlock(RenderSession& session, Blocks& blocks, int32_t frames, std::string& error) {
    const int64_t skip = std::clamp<int64_t>(blocks.delay - blocks.rendered, 0, frames);
    const int32_t kept = session.kept;
    for (int32_t c = 0; c < kept; ++c) {
        const float* channel = blocks.buffers.output[static_cast<size_t>(c)].data();
        blocks.odd.Look(channel, skip, frames, c, blocks.written);
        for (int64_t i = skip; i < frames; ++i) {
            blocks.interleaved[static_cast<size_t>((i - skip) * kept + c)] = channel[i];
        }
    }
    if (frames > skip && !session.output->Write(blocks.interleaved.data(), frames - skip, error)) {
        return false;
    }
    blocks.written += frames - skip;
    return true;
}

} // namespace

int RunRenderLoop(RenderPlan& plan, RenderSession& session, std::ostream& out, std::ostream& err,
                  std::string& error) {
    const RenderOptions& options = plan.options;
    Effect& effect = *session.plugin->effect;
    effect.Resume();
    effect.StartProcess();
    const int64_t delay = compensatedDelay(plan, session, err);
    EventList events(options.midi.empty() ? std::vector<ScheduledMessage>{}
                                          : ScheduleMidi(plan.midi, plan.tempoMap, plan.sampleRate),
                     options.block);
    Transport transport(plan.tempoMap, plan.sampleRate);
    Blocks blocks(plan, session, delay);
    ProgressBar progress(plan.content >= 0 ? plan.content + plan.tailFrames + delay : 0, plan.sampleRate);
    while (const int32_t frames = feedBlock(plan, session, blocks, err)) {
        transport.Publish(blocks.rendered);
        session.crash->SetFrame(blocks.rendered);
        if (VstEvents* list = events.ForBlock(blocks.rendered, frames)) {
            effect.Dispatch(effProcessEvents, 0, 0, list);
        }
        effect.Process(blocks.buffers.inputPointers.data(), blocks.buffers.outputPointers.data(), frames);
        if (!writeBlock(session, blocks, frames, error)) {
            return kExitFailure;
        }
        blocks.rendered += frames;
        progress.Update(blocks.rendered);
    }
    progress.Finish();
    effect.StopProcess();
    effect.Suspend();
    if (blocks.odd.Warn(options.output, err) && options.strict) {
        error = "--strict: " + options.output + " is not written, as it would hold such samples";
        return kExitFailure;
    }
    if (!session.output->Commit(error)) {
        return kExitFailure;
    }
    out << options.output << ": " << blocks.written << " frames, " << Counted(session.kept, "channel") << ", "
        << plan.sampleRate << " Hz, " << FormatText(plan.format) << '\n';
    return kExitSuccess;
}

} // namespace orke::host
