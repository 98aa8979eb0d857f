// orke-host play against a JACK server of the test's own (jackd's dummy driver, under its own name and home):
// the test's client sends Orke Synth a note on its MIDI port and records what comes back on its audio ports.
#include "ToolRun.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace orke::host::test;

namespace {

// The test's side: a MIDI output that sends one note when asked, and two audio inputs whose loudest sample
// is kept, before the note and after it.
struct Listener {
    jack_client_t* client = nullptr;
    jack_port_t* midi = nullptr;
    jack_port_t* audio[2] = {};
    std::atomic<bool> send{false};
    std::atomic<bool> sent{false};
    std::atomic<float> before{0.0f};
    std::atomic<float> after{0.0f};

    static int Process(jack_nframes_t frames, void* data) {
        auto& listener = *static_cast<Listener*>(data);
        void* midi = jack_port_get_buffer(listener.midi, frames);
        jack_midi_clear_buffer(midi);
        if (listener.send && !listener.sent) {
            const jack_midi_data_t note[3] = {0x90, 69, 100};
            jack_midi_event_write(midi, 0, note, sizeof note);
            listener.sent = true;
            return 0; // its sound starts in play's next period at the earliest
        }
        std::atomic<float>& peak = listener.sent ? listener.after : listener.before;
        for (jack_port_t* port : listener.audio) {
            const auto* samples = static_cast<const float*>(jack_port_get_buffer(port, frames));
            for (jack_nframes_t i = 0; i < frames; ++i) {
                if (!(std::fabs(samples[i]) <= peak)) { // NaN counts as loud
                    peak = std::fabs(samples[i]);
                }
            }
        }
        return 0;
    }
};

template <typename Condition>
bool waitFor(Condition condition, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// `command` started in the background by the shell, which becomes it (so the pid is the command's), with the
// home's variables and `variables` ("NAME=VALUE ...") set.
pid_t start(const ThirdPartyHome& home, const std::string& variables, const std::string& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string line = "exec env " + home.EnvironmentWords() + " " + variables + " " + command;
        execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

} // namespace

TEST(ThirdPartyJack, PlaySoundsAnInstrumentFromJackMidiAndEndsCleanlyOnSigint) {
    if (std::system("command -v jackd >/dev/null") != 0) {
        GTEST_SKIP() << "jackd is not installed (Debian package jackd2)";
    }
    if (std::string(ORKESYNTH_PATH).empty()) {
        GTEST_SKIP() << "this build has no Orke Synth";
    }
    const ThirdPartyHome home;
    const std::string server = "orke-play-test-" + std::to_string(getpid());
    const pid_t jackd = start(home, "JACK_NO_AUDIO_RESERVATION=1",
                              "jackd -n " + server + " -d dummy -r 48000 -p 256 >/dev/null 2>&1");
    ASSERT_GT(jackd, 0);
    Listener listener;
    jack_set_error_function([](const char*) {}); // each try before the server is up would say so
    jack_status_t status{};
    ASSERT_TRUE(waitFor(
        [&] {
            listener.client = jack_client_open(
                "orke-play-test", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
                server.c_str());
            return listener.client != nullptr;
        },
        20))
        << "the dummy server did not start";
    listener.midi =
        jack_port_register(listener.client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    for (int i = 0; i < 2; ++i) {
        listener.audio[i] = jack_port_register(listener.client, ("in_" + std::to_string(i + 1)).c_str(),
                                               JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    }
    jack_set_process_callback(listener.client, Listener::Process, &listener);
    ASSERT_EQ(jack_activate(listener.client), 0);

    // Orke Synth sounds, and the real-time watch sees nothing in play's callback; the same with a synth that
    // allocates on note on shows that the watch is on there.
    const std::pair<std::string, std::string> cases[] = {
        {ORKESYNTH_PATH, ""},
        {NOTES_ALLOCATES_PATH,
         "orke-host play: warning: the audio thread did what a real-time thread must not in 1 of "},
    };
    for (const auto& [plugin, warning] : cases) {
        SCOPED_TRACE(plugin);
        listener.send = listener.sent = false;
        listener.before = listener.after = 0.0f;
        ScratchFolder folder;
        // The allocating synth keeps what it allocates on note on while its note sounds, to the end.
        const pid_t play =
            start(home, "JACK_DEFAULT_SERVER=" + server + " ASAN_OPTIONS=" + WithoutLeakChecks(),
                  "'" ORKE_HOST_PATH "' play --no-connect --midi orke-play-test:midi_out --out "
                  "orke-play-test:in_1 --out orke-play-test:in_2 '" +
                      plugin + "' >" + folder.Path("out") + " 2>" + folder.Path("err"));
        ASSERT_GT(play, 0);
        const bool connected = waitFor(
            [&] {
                return jack_port_connected(listener.midi) == 1 &&
                       jack_port_connected(listener.audio[0]) == 1 &&
                       jack_port_connected(listener.audio[1]) == 1;
            },
            20);
        EXPECT_TRUE(connected) << FileText(folder.Path("err"));
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // silence before the note
        listener.send = true;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        kill(play, SIGINT);
        int ended = 0;
        waitpid(play, &ended, 0);
        const std::string err = FileText(folder.Path("err"));
        EXPECT_EQ(ended, 0) << "not a clean exit: " << err; // 0 is exit(0) and nothing else
        EXPECT_EQ(err.substr(0, warning.size()), warning);
        EXPECT_EQ(warning.empty() ? err : err.substr(err.find('\n') + 1), "") << "more than one line";
        expectAll(FileText(folder.Path("out")),
                  {"playing " + plugin +
                       " as JACK client orke-host at 48000 Hz, 256 frames a period; "
                       "orke-host:out_1 -> orke-play-test:in_1, orke-host:out_2 -> orke-play-test:in_2, "
                       "orke-play-test:midi_out -> orke-host:midi_in; Ctrl-C ends\n",
                   "\nplayed "});
        EXPECT_EQ(listener.before.load(), 0.0f) << "sound before the note";
        EXPECT_GT(listener.after.load(), 0.01f) << "no sound after the note";
        EXPECT_LT(listener.after.load(), 4.0f);
    }
    jack_client_close(listener.client);

    // Without a server (this one's gone), one line and status 1.
    kill(jackd, SIGTERM);
    waitpid(jackd, nullptr, 0);
    const ToolRun alone =
        RunTool({"play", ORKESYNTH_PATH}, home.EnvironmentWords() + " JACK_DEFAULT_SERVER=" + server);
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_EQ(alone.err, "orke-host play: no JACK server '" + server +
                             "' is running (start one, e.g. jackd -d alsa; orke-host never starts one)\n");
}
