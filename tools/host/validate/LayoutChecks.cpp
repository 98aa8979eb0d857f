// Checks of the buffers as hosts lay them out: the same input through separate buffers, in place and with an
// output in another channel's input buffer must come out the same; and the channel set-ups a plug-in
// declares, handed as hosts hand them (a null input array for a plug-in without inputs, pointer arrays no
// longer than the channels declared).
#include "ValidationChecks.h"

#include "ProcessingHarness.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

namespace orke::host {
namespace {

// The blocks every layout renders, odd sizes among them, about half a second in all.
constexpr int32_t kLayoutBlocks[] = {512, 17, 1024, 1, 64, 333, 512, 256};
constexpr int kLayoutRounds = 8;

enum class Layout { Separate, InPlace, Shifted };

// The input whose buffer output `c` is written into, or -1 for a buffer of its own. In place, output c is
// input c. Shifted, output c is input c - 1, as a host that hands out buffers from a pool gives an output
// the buffer of an input it counts as read.
int32_t sharedInput(Layout layout, int32_t c, int32_t inputs) {
    switch (layout) {
    case Layout::InPlace:
        return c < inputs ? c : -1;
    case Layout::Shifted:
        return c >= 1 && c - 1 < inputs ? c - 1 : -1;
    default:
        return -1;
    }
}

bool sharesAny(Layout layout, int32_t inputs, int32_t outputs) {
    for (int32_t c = 0; c < outputs; ++c) {
        if (sharedInput(layout, c, inputs) >= 0) {
            return true;
        }
    }
    return false;
}

std::string layoutName(Layout layout) {
    switch (layout) {
    case Layout::InPlace:
        return "in place";
    case Layout::Shifted:
        return "with each output from the second on in the buffer of the input before it";
    default:
        return "with separate buffers";
    }
}

// Every output sample of one run, channel by channel.
using Rendered = std::vector<std::vector<float>>;

// Renders the blocks through a fresh instance in `layout`; empty when no instance could be made.
Rendered render(CheckContext& context, const HostedPlugin& library, Layout layout, int step) {
    auto effect = context.CreateEffect(library);
    // Each instance says its channels anew: one that announces channels no buffer can be made for renders
    // nothing (the processing checks name it).
    if (!effect || !effect->ChannelsPlausible()) {
        return {};
    }
    context.Mark(step, "the blocks " + layoutName(layout));
    const int32_t inputs = effect->NumInputs();
    const int32_t outputs = effect->NumOutputs();
    effect->Resume();
    effect->StartProcess();
    GuardedBuffers in(inputs, kValidationMaxBlock);
    GuardedBuffers out(outputs, kValidationMaxBlock, kOutputGuard);
    std::vector<float*> pointers(static_cast<size_t>(outputs));
    Rendered rendered(static_cast<size_t>(outputs));
    int64_t position = 0;
    for (int round = 0; round < kLayoutRounds; ++round) {
        for (int32_t frames : kLayoutBlocks) {
            FillTestSignal(in, frames, position);
            out.FillWithGuardPattern();
            for (int32_t c = 0; c < outputs; ++c) {
                const int32_t shared = sharedInput(layout, c, inputs);
                pointers[static_cast<size_t>(c)] = shared >= 0 ? in.Channel(shared) : out.Channel(c);
            }
            effect->Process(in.Pointers(), pointers.data(), frames);
            for (int32_t c = 0; c < outputs; ++c) {
                const float* samples = pointers[static_cast<size_t>(c)];
                rendered[static_cast<size_t>(c)].insert(rendered[static_cast<size_t>(c)].end(), samples,
                                                        samples + frames);
            }
            position += frames;
        }
    }
    effect->StopProcess();
    effect->Suspend();
    return rendered;
}

// Where two runs first differ: "output 1 at frame 16 of block 2 (0.25 against 0.125)"; empty when they do
// not.
std::string firstDifference(const Rendered& got, const Rendered& want) {
    for (size_t c = 0; c < want.size() && c < got.size(); ++c) {
        for (size_t i = 0; i < want[c].size() && i < got[c].size(); ++i) {
            if (std::memcmp(&got[c][i], &want[c][i], sizeof(float)) == 0) {
                continue;
            }
            size_t block = 0, start = 0;
            while (start + static_cast<size_t>(kLayoutBlocks[block % std::size(kLayoutBlocks)]) <= i) {
                start += static_cast<size_t>(kLayoutBlocks[block++ % std::size(kLayoutBlocks)]);
            }
            return "output " + std::to_string(c) + " at frame " + std::to_string(i - start) + " of block " +
                   std::to_string(block + 1) + " (" + std::to_string(got[c][i]) + " against " +
                   std::to_string(want[c][i]) + ")";
        }
    }
    return "";
}

// A pointer array that ends where the readable memory ends, so that reading one channel pointer past those
// the plug-in declares faults at once rather than finding a stray one.
class FencedPointers {
public:
    FencedPointers() {
        m_page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void* memory = mmap(nullptr, 2 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory != MAP_FAILED) {
            m_memory = static_cast<char*>(memory);
            mprotect(m_memory + m_page, m_page, PROT_NONE);
        }
    }
    ~FencedPointers() {
        if (m_memory != nullptr) {
            munmap(m_memory, 2 * m_page);
        }
    }
    FencedPointers(const FencedPointers&) = delete;
    FencedPointers& operator=(const FencedPointers&) = delete;

    // The array of `pointers`, the last right before the fence; null when the memory could not be had.
    float** Place(const std::vector<float*>& pointers) {
        if (m_memory == nullptr || pointers.size() * sizeof(float*) > m_page) {
            return nullptr;
        }
        auto** array = reinterpret_cast<float**>(m_memory + m_page) - pointers.size();
        std::copy(pointers.begin(), pointers.end(), array);
        return array;
    }

private:
    size_t m_page = 0;
    char* m_memory = nullptr;
};

// The channels a host adds beyond those declared, in the pass that looks for writes into them.
constexpr int32_t kUndeclaredChannels = 2;

// The first frame of a channel of kValidationMaxBlock samples that no longer holds the marker `bits`; -1
// when every one does.
int32_t firstWrittenFrame(const float* samples, uint32_t bits) {
    for (int32_t i = 0; i < kValidationMaxBlock; ++i) {
        if (std::memcmp(&samples[i], &bits, sizeof bits) != 0) {
            return i;
        }
    }
    return -1;
}

enum class Setup { NullInputArray, NullChannelPointers, UndeclaredChannels, FencedArrays };

std::string setupName(Setup setup, int32_t inputs, int32_t outputs) {
    switch (setup) {
    case Setup::NullInputArray:
        return "a null input array (it declares no inputs)";
    case Setup::NullChannelPointers:
        return "an input array of null channel pointers (it declares no inputs)";
    case Setup::UndeclaredChannels:
        return "two channels more than it declares on each side, to be left alone";
    default:
        return "pointer arrays of exactly " + Counted(inputs, "input") + " and " +
               Counted(outputs, "output") + ", nothing readable after them";
    }
}

// One set-up through a fresh instance: a few blocks of the test signal.
void runSetup(CheckContext& context, const HostedPlugin& library, Setup setup, int step) {
    auto effect = context.CreateEffect(library);
    if (!effect || !effect->ChannelsPlausible()) {
        return;
    }
    const int32_t inputs = effect->NumInputs();
    const int32_t outputs = effect->NumOutputs();
    const bool extra = setup == Setup::UndeclaredChannels;
    GuardedBuffers in(inputs + (extra ? kUndeclaredChannels : 0), kValidationMaxBlock);
    GuardedBuffers out(outputs + (extra ? kUndeclaredChannels : 0), kValidationMaxBlock, kOutputGuard);
    const std::vector<float*> nulls(2, nullptr);
    FencedPointers fencedIn, fencedOut;
    float** inputArray = in.Pointers();
    float** outputArray = out.Pointers();
    if (setup == Setup::NullInputArray) {
        inputArray = nullptr;
    } else if (setup == Setup::NullChannelPointers) {
        inputArray = fencedIn.Place(nulls);
    } else if (setup == Setup::FencedArrays) {
        inputArray = fencedIn.Place({in.Pointers(), in.Pointers() + inputs});
        outputArray = fencedOut.Place({out.Pointers(), out.Pointers() + outputs});
        if (inputArray == nullptr || outputArray == nullptr) {
            context.Note("no memory could be fenced: the exact arrays were not tried");
            return;
        }
    }
    effect->Resume();
    effect->StartProcess();
    const std::string how = setupName(setup, inputs, outputs);
    int block = 0;
    bool reported[2] = {false, false}; // a write into an undeclared output, and into an input
    for (int32_t frames : {512, 1, 1024, 64}) {
        ++block;
        context.Mark(step,
                     "block " + std::to_string(block) + " (" + Counted(frames, "frame") + ") with " + how);
        in.FillWithGuardPattern();
        FillTestSignal(in, frames, 0);
        float marker;
        std::memcpy(&marker, &kInputGuard, sizeof marker);
        for (int32_t c = inputs; c < in.Channels(); ++c) { // to be left alone: no signal to read there
            std::fill(in.Channel(c), in.Channel(c) + kValidationMaxBlock, marker);
        }
        out.FillWithGuardPattern();
        effect->Process(inputArray, outputArray, frames);
        if (!extra) {
            continue;
        }
        // Only the undeclared channels are looked at here: the processing checks look at the others.
        const std::tuple<GuardedBuffers*, int32_t, uint32_t, const char*> sides[] = {
            {&out, outputs, kOutputGuard, "output"}, {&in, inputs, kInputGuard, "input"}};
        for (size_t side = 0; side < std::size(sides); ++side) {
            const auto& [buffers, declared, marker, name] = sides[side];
            for (int32_t c = declared; c < buffers->Channels() && !reported[side]; ++c) {
                const int32_t frame = firstWrittenFrame(buffers->Channel(c), marker);
                if (frame >= 0) {
                    reported[side] = true;
                    context.Fail("wrote into " + std::string(name) + " " + std::to_string(c) +
                                 ", which it does not declare (it declares " + std::to_string(declared) +
                                 "), from frame " + std::to_string(frame) + " of block " +
                                 std::to_string(block) + " (" + Counted(frames, "frame") + ")");
                }
            }
        }
    }
    effect->StopProcess();
    effect->Suspend();
}

// The module, and the channels a first instance declares; no module when there is nothing to lay buffers out
// for (said in a note when the instance cannot process).
struct Declared {
    std::unique_ptr<HostedPlugin> library;
    int32_t inputs = 0;
    int32_t outputs = 0;
};

Declared declaredChannels(CheckContext& context) {
    Declared declared{context.OpenModule()};
    if (!declared.library) {
        return declared;
    }
    auto probe = context.CreateEffect(*declared.library);
    if (!probe) {
        return {};
    }
    declared.inputs = probe->NumInputs();
    declared.outputs = probe->NumOutputs();
    if (!probe->CanProcess() || !probe->ChannelsPlausible()) {
        context.Note(
            "has no process entry or no channels buffers can be made for: the processing checks say so");
        return {};
    }
    return declared;
}

} // namespace

void CheckBufferLayouts(CheckContext& context) {
    const Declared declared = declaredChannels(context);
    if (!declared.library) {
        return;
    }
    const auto& [library, inputs, outputs] = declared;
    std::vector<Layout> shared;
    for (Layout layout : {Layout::InPlace, Layout::Shifted}) {
        if (sharesAny(layout, inputs, outputs)) {
            shared.push_back(layout);
        }
    }
    if (shared.empty()) {
        context.Note("no inputs or no outputs: no buffer to share");
        return;
    }
    // Each layout between runs with separate buffers, every run on a fresh instance: a plug-in whose output
    // changes from one instance to the next (a random seed, a clock, state its instances share) is told apart
    // from one that mishandles shared buffers.
    const Rendered first = render(context, *library, Layout::Separate, 0);
    std::vector<std::pair<Layout, Rendered>> renders;
    int step = 1;
    for (Layout layout : shared) {
        renders.emplace_back(layout, render(context, *library, layout, step++));
        const Rendered again = render(context, *library, Layout::Separate, step++);
        if (first.empty() || renders.back().second.empty() || again.empty()) {
            return;
        }
        if (const std::string differs = firstDifference(again, first); !differs.empty()) {
            context.Note("not deterministic: two runs with separate buffers differ in " + differs +
                         ", so the layouts are not compared");
            return;
        }
    }
    std::string compared; // for the note, shortly
    for (const auto& [layout, rendered] : renders) {
        if (const std::string differs = firstDifference(rendered, first); !differs.empty()) {
            context.Fail("renders differently " + layoutName(layout) +
                         " than with separate buffers: " + differs);
        }
        compared += layout == Layout::InPlace ? ", in place" : ", each output in the input before it";
    }
    context.Note("the same blocks bit for bit alike with separate buffers" + compared);
}

void CheckChannelSetups(CheckContext& context) {
    const Declared declared = declaredChannels(context);
    if (!declared.library) {
        return;
    }
    const auto& [library, inputs, outputs] = declared;
    std::string tried;
    const Setup setups[] = {Setup::NullInputArray, Setup::NullChannelPointers, Setup::UndeclaredChannels,
                            Setup::FencedArrays};
    for (int step = context.ResumeFrom(); step < static_cast<int>(std::size(setups)); ++step) {
        const Setup setup = setups[step];
        if (inputs > 0 && (setup == Setup::NullInputArray || setup == Setup::NullChannelPointers)) {
            continue;
        }
        runSetup(context, *library, setup, step);
        const char* const shortly[] = {"a null input array", "null input channel pointers",
                                       "two undeclared channels on each side",
                                       "arrays of exactly the declared channels"};
        tried += (tried.empty() ? "" : ", ") + std::string(shortly[step]);
    }
    context.Note(std::to_string(inputs) + " in, " + std::to_string(outputs) + " out: " + tried);
}

} // namespace orke::host
