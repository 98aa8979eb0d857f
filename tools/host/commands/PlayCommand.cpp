// orke-host play: plays a plug-in live as a JACK client, until Ctrl-C: its outputs to JACK's ports, its
// inputs from them, MIDI from a JACK MIDI port or an ALSA sequencer source, set up as `process` sets it up.
#include "Commands.h"

#include "CommandLine.h"
#include "EffectSetup.h"
#include "HostCommand.h"
#include "OptionTable.h"

#if ORKE_HOST_HAS_JACK
#include "EffectOpcodes.h"
#include "HostCallback.h"
#include "HostedPlugin.h"
#include "LiveClient.h"
#include "SequencerInput.h"
#include "TempoMap.h"

#include <signal.h>

#include <ctime>
#endif

namespace orke::host {
namespace {

struct PlayOptions {
    EffectSetup setup;
    std::string midi;
    std::vector<std::string> outputs;
    std::vector<std::string> inputs;
    bool noConnect = false;
    bool list = false;
    std::string name = "orke-host";
    double tempo = 0.0;
};

const OptionTable<PlayOptions> kOptions = {
    Text("midi", "SOURCE", &PlayOptions::midi,
         "take MIDI from SOURCE: a JACK MIDI port (client:port) or an ALSA sequencer\n"
         "source by its name in the MIDI catalogue (--list shows both)"),
    Texts("out", "PORT", &PlayOptions::outputs,
          "connect the next output to the JACK port PORT; repeatable (default: the\n"
          "physical playback ports, one output to the first two when it has one)"),
    Texts("in", "PORT", &PlayOptions::inputs,
          "connect the next input to the JACK port PORT; repeatable (default: the\n"
          "physical capture ports)"),
    Flag("no-connect", &PlayOptions::noConnect, "connect no port but those named (--out, --in, --midi)"),
    Flag("list", &PlayOptions::list, "list the MIDI sources and audio ports play can connect, and end"),
    Text("name", "NAME", &PlayOptions::name, "the JACK client's name (default orke-host)"),
    Number("tempo", "BPM", &PlayOptions::tempo, 1.0, 999.0, "quarter notes per minute",
           "the playing transport's tempo, {range} (default 120)"),
    ProgramRow(&PlayOptions::setup, "select program K before playing"),
    PresetRow(&PlayOptions::setup, "load a program or bank file (.fxp, .fxb) made for this plug-in"),
    ParamRow(&PlayOptions::setup,
             "set parameter I to the normalised value V (0 to 1) before playing; repeatable"),
};

const CommandOptions kCommand = {
    "orke-host play",
    R"(usage: orke-host play [options] PLUGIN
       orke-host play --list

Plays PLUGIN (a VST 2.4 .so) live as a client of the running JACK server, which it never starts: one JACK
port per plug-in output (out_1, ...) and input (in_1, ...), and a MIDI input (midi_in) that --midi connects
to a JACK MIDI port or an ALSA sequencer source. The plug-in runs at the server's rate and period, and sees
a playing transport at --tempo. Ctrl-C (or SIGTERM) ends it; without a server it ends at once, with status 1.

options:
)",
    22,
    kOptions.Options(),
};

#if ORKE_HOST_HAS_JACK

int listSources(std::ostream& out) {
    std::string error;
    const auto client = LiveClient::Open("orke-host-list", error);
    auto section = [&out](const char* title, const std::vector<std::string>& names) {
        out << title << (names.empty() ? " none\n" : "\n");
        for (const std::string& name : names) {
            out << "  " << name << '\n';
        }
    };
    if (client) {
        section("JACK MIDI sources:", client->Ports("midi", true));
    } else {
        out << "JACK MIDI sources: none, as " << error << '\n';
    }
    section("ALSA sequencer sources:", SequencerInput::SourceNames());
    if (client) {
        section("JACK audio ports for --out:", client->Ports("audio", false));
        section("JACK audio ports for --in:", client->Ports("audio", true));
    }
    return kExitSuccess;
}

// The end signals wait, blocked in every thread (JACK's and the plug-in's start from this one), for the
// loop below to take them.
sigset_t blockEndSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&signals, signal);
    }
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

// Sets the effect up for the client's rate and largest period, as a render does, and starts it.
int prepare(const PlayOptions& options, const std::string& path, const LiveClient& client, Effect& effect,
            std::string& error) {
    if (effect.NumOutputs() <= 0 || !effect.ChannelsPlausible() || !effect.CanProcess()) {
        error = path + " has " + Counted(effect.NumInputs(), "input") + ", " +
                Counted(effect.NumOutputs(), "output") +
                (effect.CanProcess() ? "" : " and no 32-bit process entry") + "; it cannot play";
        return kExitFailure;
    }
    if (!EffectSetupFits(effect, options.setup, path, error)) {
        return kExitUsage;
    }
    effect.SetSampleRate(client.SampleRate());
    effect.SetBlockSize(client.LargestPeriod());
    effect.Dispatch(effSetProcessPrecision, 0, 0); // 32-bit samples
    if (!ApplyEffectSetup(effect, options.setup, error)) {
        return kExitFailure;
    }
    effect.Resume();
    effect.StartProcess();
    return kExitSuccess;
}

int play(const CommandLine& line, std::ostream& out, std::ostream& err) {
    PlayOptions options;
    std::string error;
    if (!kOptions.Fill(line, options, error)) {
        return UsageError(kCommand, error, err);
    }
    if (options.list) {
        return line.Positionals().empty() ? listSources(out)
                                          : UsageError(kCommand, "--list takes no PLUGIN", err);
    }
    if (line.Positionals().size() != 1) {
        return UsageError(kCommand, "expected PLUGIN", err);
    }
    const std::string path = line.Positionals()[0];
    if (!ReadSetupPreset(options.setup, error)) {
        return CommandError(kCommand, kExitFailure, error, err);
    }
    const sigset_t endSignals = blockEndSignals();
    // Declared first, closed last: the client stops calling it before it goes.
    std::unique_ptr<HostedPlugin> plugin;
    const auto client = LiveClient::Open(options.name, error);
    if (!client) {
        return CommandError(kCommand, kExitFailure, error, err);
    }
    SetHostSampleRate(client->SampleRate());
    SetHostBlockSize(client->LargestPeriod());
    if (!(plugin = HostedPlugin::Load(path, error))) {
        return CommandError(kCommand, kExitFailure, error, err);
    }
    Effect& effect = *plugin->effect;
    if (const int status = prepare(options, path, *client, effect, error); status != kExitSuccess) {
        return CommandError(kCommand, status, error, err);
    }
    LiveConnections connections{options.outputs, options.inputs, "", !options.noConnect};
    std::unique_ptr<SequencerInput> sequencer;
    if (!options.midi.empty()) {
        bool found = false;
        if (client->IsSource(options.midi, "midi")) {
            connections.midi = options.midi;
        } else if (!(sequencer = SequencerInput::Open(options.midi, *client, found, error))) {
            return CommandError(kCommand, kExitFailure,
                                found ? error
                                      : "no MIDI source is named " + Quoted(options.midi) +
                                            " (orke-host play --list shows them)",
                                err);
        }
    }
    if (!client->Play(effect, options.tempo > 0.0 ? options.tempo : kDefaultTempo, connections, error)) {
        return CommandError(kCommand, kExitFailure, error, err);
    }
    out << "playing " << path << " as JACK client " << client->Name() << " at " << client->SampleRate()
        << " Hz, " << client->Period() << " frames a period"
        << (client->Connected().empty() ? "" : "; " + client->Connected())
        << (sequencer ? "; MIDI from " + options.midi : "") << "; Ctrl-C ends\n";
    out.flush();
    const timespec wait{0, 100'000'000};
    while (sigtimedwait(&endSignals, nullptr, &wait) < 0 && client->Trouble().empty()) {
    }
    sequencer.reset();
    client->Stop();
    effect.StopProcess();
    effect.Suspend();
    const int64_t played = client->FramesPlayed();
    if (const std::string acts = client->RealtimeActs(); !acts.empty()) {
        err << "orke-host play: warning: " << acts << '\n';
    }
    if (const std::string trouble = client->Trouble(); !trouble.empty()) {
        return CommandError(kCommand, kExitFailure, trouble + " after " + Counted(played, "frame"), err);
    }
    out << "played " << Counted(played, "frame") << '\n';
    return kExitSuccess;
}

#else

int play(const CommandLine&, std::ostream&, std::ostream& err) {
    return CommandError(kCommand, kExitFailure, "this build of orke-host has no JACK (libjack-jackd2-dev)",
                        err);
}

#endif

} // namespace

int RunPlay(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunHostCommand(kCommand, argc, argv, out, err, play);
}

} // namespace orke::host
