// The LV2 modules in process, through lilv: MIDI and the host's time position reaching the plug-in, control
// ports as real values, the latency port, the ports' units and properties, the state interface, and Orke Echo
// following the host's tempo exactly as its VST 2.4 module does.
#include "Lv2TestHost.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/port-props/port-props.h>
#include <lv2/units/units.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <sstream>

namespace {

constexpr const char* kProbeUri = "urn:orke:test:OKpb";
constexpr uint32_t kBlock = 256;

// The probe's report (see OrkeLv2Probe.cpp), read from its second output at `frame`: the transport, then the
// parameters.
struct Transport {
    float valid, tempo, position, barStart, numerator, denominator, playing, samplePosition;
};
struct Report {
    Transport transport;
    float changes, level, time, active, shape;
};

Report reportAt(Lv2TestPlugin& probe, uint32_t frame) {
    static_assert(sizeof(Report) == 13 * sizeof(float), "the report is the output's samples in order");
    Report report;
    std::memcpy(&report, probe.Audio("out_r").data() + frame, sizeof(report));
    return report;
}

std::string printed(const Transport& r) {
    std::ostringstream out;
    out << "valid " << r.valid << ", tempo " << r.tempo << ", position " << r.position << ", bar start "
        << r.barStart << ", " << r.numerator << "/" << r.denominator << ", playing " << r.playing
        << ", sample " << r.samplePosition;
    return out.str();
}

// The probe's first output's value for a message.
float midiValue(uint8_t status, uint8_t data1, uint8_t data2) {
    return float(status * 65536 + data1 * 256 + data2);
}

// The LV2 plug-in run block by block, `feed` filling each block's inputs and events first, against the VST
// 2.4 module's render of the same frames.
void expectSameRender(Lv2TestPlugin& lv2, const Channels& vst, size_t loudFrom,
                      const std::function<void(size_t start)>& feed) {
    Channels rendered(2);
    for (size_t start = 0; start < vst[0].size(); start += kBlock) {
        feed(start);
        lv2.Run(kBlock);
        const float *left = lv2.Audio("out_l").data(), *right = lv2.Audio("out_r").data();
        rendered[0].insert(rendered[0].end(), left, left + kBlock);
        rendered[1].insert(rendered[1].end(), right, right + kBlock);
    }
    ExpectSameSamples(rendered, vst, loudFrom);
}

} // namespace

TEST(Lv2Probe, MidiReachesThePluginAtItsFramesWithNoAudioInputs) {
    Lv2TestPlugin probe(ORKE_PROBE_BUNDLE, kProbeUri);
    EXPECT_EQ(lilv_plugin_get_num_ports(probe.plugin), 8u) << "2 outputs, 4 controls, events, latency";
    const std::pair<uint32_t, std::vector<uint8_t>> events[] = {
        {5, {0x90, 60, 100}},
        {17, {0xB1, 7, 64}},
        {30, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}, // SysEx: not taken
        {40, {0xC2, 3}},
        {255, {0x80, 60, 0}}};
    std::vector<float> expected(kBlock, 0.0f);
    for (const auto& [frame, bytes] : events) {
        probe.AddMidi(frame, bytes);
        expected[frame] =
            bytes.size() > 3 ? 0.0f : midiValue(bytes[0], bytes[1], bytes.size() > 2 ? bytes[2] : 0);
    }
    probe.Run(kBlock);
    const std::vector<float>& out = probe.Audio("out_l");
    for (uint32_t frame = 0; frame < kBlock; ++frame) {
        EXPECT_EQ(out[frame], expected[frame]) << "frame " << frame;
    }

    // A block holds as many events as the plug-in takes (four); the rest are left out, the next block is
    // free again.
    for (int k = 0; k < 6; ++k) {
        probe.AddMidi(10 * k, {0x90, uint8_t(60 + k), 1});
    }
    probe.Run(kBlock);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(out[10 * k], k < 4 ? midiValue(0x90, uint8_t(60 + k), 1) : 0.0f) << "event " << k;
    }
    probe.Run(kBlock);
    EXPECT_EQ(std::count(out.begin(), out.begin() + kBlock, 0.0f), kBlock) << "events left in the list";
}

TEST(Lv2Probe, TimePositionBecomesTheTransportAndMovesOn) {
    Lv2TestPlugin probe(ORKE_PROBE_BUNDLE, kProbeUri);
    constexpr double kRate = 48000.0;
    const float all = float(1 | 2 | 4 | 8 | 16); // sample position, tempo, position, bar start, signature

    // Before the host gives a position the plug-in has no transport.
    probe.Run(kBlock);
    EXPECT_EQ(reportAt(probe, 0).transport.valid, 0.0f);

    // Bar 2 (from 0), beat 1.5 of 3/4 at 120 beats a minute: 7.5 quarter notes in, the bar started at 6.
    probe.AddTime(0, {48000, 1, 2, 1.5, 4, 3, 120});
    probe.Run(kBlock);
    const double step = kBlock * 120.0 / (60.0 * kRate); // beats per block
    const auto check = [&](const char* when, uint32_t frame, const Transport& expected) {
        EXPECT_EQ(printed(reportAt(probe, frame).transport), printed(expected)) << when;
    };
    check("at the position", 0, {all, 120, 7.5f, 6, 3, 4, 1, 48000});
    probe.Run(kBlock);
    check("a block later", 0, {all, 120, float(7.5 + step), 6, 3, 4, 1, 48000 + kBlock});

    // A position in the middle of a block starts a new part there: stopped, somewhere else, in 6/8.
    probe.AddTime(100, {96000, 0, -1, -1, 8, 6, 120});
    probe.Run(kBlock);
    check("up to the new position", 0, {all, 120, float(7.5 + 2 * step), 6, 3, 4, 1, 48000 + 2 * kBlock});
    const double before = 7.5 + 2 * step + 100 * 120.0 / (60.0 * kRate);
    const float barStart = float(std::floor(before / 6) * 6 / 2);
    const Transport stopped = {all, 60, float(before / 2), barStart, 6, 8, 0, 96000};
    check("from the new position", 100, stopped);
    probe.Run(kBlock);
    check("stopped, a block later", 0, stopped);
}

TEST(Lv2Probe, ControlPortsReachTheParametersAsRealValuesOnlyWhenTheyChange) {
    Lv2TestPlugin probe(ORKE_PROBE_BUNDLE, kProbeUri);
    probe.Run(kBlock);
    const float changes = reportAt(probe, 0).changes;
    probe.Run(kBlock);
    EXPECT_EQ(reportAt(probe, 0).changes, changes) << "ports that did not move changed the parameters";

    // A taper's normalised values reach only some real values: the nearest of them counts.
    // The port, its value, the real value the plug-in holds for it, within a relative tolerance.
    const std::tuple<const char*, float, float, float> cases[] = {
        {"level", 0.75f, 0.75f, 0},      {"time", 37.5f, 37.5f, 2e-6f},
        {"time", 999.9f, 999.9f, 2e-6f}, {"active", 0.0f, 0.0f, 0},
        {"shape", 2.0f, 2.0f, 0},        {"level", 1.5f, 1.0f, 0},
        {"time", 0.0f, 1.0f, 0},         {"shape", 1.4f, 1.0f, 0},
        {"level", NAN, 1.0f, 0}, // not a number: ignored, the value stays
    };
    for (const auto& [symbol, port, reaches, within] : cases) {
        probe.Control(symbol) = port;
        probe.Run(kBlock);
        const Report r = reportAt(probe, 0);
        const std::map<std::string, float> held = {
            {"level", r.level}, {"time", r.time}, {"active", r.active}, {"shape", r.shape}};
        EXPECT_NEAR(held.at(symbol), reaches, reaches * within) << symbol << " at " << port;
    }
}

TEST(Lv2Probe, LatencyPortReportsTheDelayAndNoMapLeavesEventsAndStateOut) {
    Lv2TestPlugin probe(ORKE_PROBE_BUNDLE, kProbeUri);
    probe.Run(16);
    EXPECT_EQ(probe.Control("latency"), 64.0f);

    Lv2TestPlugin unmapped(ORKE_PROBE_BUNDLE, kProbeUri, 48000.0, false);
    unmapped.AddMidi(3, {0x90, 60, 100});
    unmapped.Run(16);
    EXPECT_EQ(unmapped.Audio("out_l")[3], 0.0f) << "events were read without a map";
    SavedState state;
    EXPECT_EQ(unmapped.Save(state), LV2_STATE_ERR_NO_FEATURE);
}

// What lilv reads from the bundles: each port's unit and properties, and the presets.
TEST(Lv2Bundles, PortsCarryTheirUnitsPropertiesAndScalePoints) {
    // Bundle, plug-in, port, its unit (null: none), its properties, its count of scale points.
    const std::tuple<const char*, const char*, const char*, const char*, std::set<std::string>, size_t>
        ports[] = {
            // clang-format off
        {ORKE_GAIN_BUNDLE, "urn:orke:OKgn", "gain", LV2_UNITS__db, {}, 0},
        {ORKE_GAIN_BUNDLE, "urn:orke:OKgn", "polarity", nullptr,
         {LV2_CORE__integer, LV2_CORE__enumeration}, 2},
        {ORKE_FILTER_BUNDLE, "urn:orke:OKfl", "cutoff", LV2_UNITS__hz, {LV2_PORT_PROPS__logarithmic}, 0},
        {ORKE_FILTER_BUNDLE, "urn:orke:OKfl", "type", nullptr, {LV2_CORE__integer, LV2_CORE__enumeration}, 3},
        {ORKE_ECHO_BUNDLE, "urn:orke:OKec", "sync", nullptr, {LV2_CORE__toggled}, 0},
        {ORKE_ECHO_BUNDLE, "urn:orke:OKec", "time", LV2_UNITS__ms, {LV2_PORT_PROPS__logarithmic}, 0},
        {ORKE_ECHO_BUNDLE, "urn:orke:OKec", "feedback", LV2_UNITS__pc, {}, 0},
        {ORKE_ECHO_BUNDLE, "urn:orke:OKec", "note", nullptr, {LV2_CORE__integer, LV2_CORE__enumeration}, 12},
        {ORKE_PROBE_BUNDLE, kProbeUri, "latency", LV2_UNITS__frame,
         {LV2_CORE__reportsLatency, LV2_CORE__integer, LV2_CORE__connectionOptional}, 0},
        {ORKE_PROBE_BUNDLE, kProbeUri, "events", nullptr, {LV2_CORE__connectionOptional}, 0},
            // clang-format on
        };
    for (const auto& [bundle, uri, symbol, unitUri, expectedProperties, scalePoints] : ports) {
        Lv2TestPlugin plugin(bundle, uri);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin.plugin, plugin.Port(symbol));
        const auto unit = Lv2TestPlugin::Own(lilv_port_get(
            plugin.plugin, port, Lv2TestPlugin::Own(lilv_new_uri(plugin.world, LV2_UNITS__unit)).get()));
        EXPECT_STREQ(unit ? lilv_node_as_uri(unit.get()) : nullptr, unitUri) << symbol;
        std::set<std::string> properties;
        LilvNodes* found = lilv_port_get_properties(plugin.plugin, port);
        LILV_FOREACH(nodes, i, found) {
            properties.insert(lilv_node_as_uri(lilv_nodes_get(found, i)));
        }
        lilv_nodes_free(found);
        EXPECT_EQ(properties, expectedProperties) << symbol;
        LilvScalePoints* points = lilv_port_get_scale_points(plugin.plugin, port);
        EXPECT_EQ(points != nullptr ? lilv_scale_points_size(points) : 0u, scalePoints) << symbol;
        lilv_scale_points_free(points);
    }
}

// Each plug-in's state through the wrapper's state interface: its own form (Orke Gain, the probe) or the
// plug-in's chunk (Orke Echo keeps its programs as one).
struct StatePlugin {
    const char* name;
    const char* bundle;
    const char* uri;
    std::vector<std::pair<const char*, float>> controls; // away from the defaults
};

TEST(Lv2State, RoundTripsEveryValueAndRefusesBadStateKeepingItsOwn) {
    const StatePlugin plugins[] = {
        // clang-format off
        {"OrkeGain", ORKE_GAIN_BUNDLE, "urn:orke:OKgn", {{"gain", -6.0206f}, {"polarity", 1.0f}}},
        {"Probe", ORKE_PROBE_BUNDLE, kProbeUri,
         {{"level", 0.125f}, {"time", 3.0f}, {"active", 0.0f}, {"shape", 2.0f}}},
        {"OrkeEcho", ORKE_ECHO_BUNDLE, "urn:orke:OKec",
         {{"sync", 0.0f}, {"time", 123.0f}, {"feedback", 60.0f}, {"mix", 20.0f}}}};
    // clang-format on
    for (const StatePlugin& p : plugins) {
        SCOPED_TRACE(p.name);
        Lv2TestPlugin first(p.bundle, p.uri);
        for (const auto& [symbol, value] : p.controls) {
            first.Control(symbol) = value;
        }
        first.Run(64);
        SavedState saved;
        ASSERT_EQ(first.Save(saved), LV2_STATE_SUCCESS);
        ASSERT_EQ(saved.size(), 1u);

        // A fresh instance restored from it saves the very same state.
        Lv2TestPlugin second(p.bundle, p.uri);
        SavedState fresh;
        ASSERT_EQ(second.Save(fresh), LV2_STATE_SUCCESS);
        ASSERT_EQ(second.Restore(saved), LV2_STATE_SUCCESS);
        SavedState again;
        ASSERT_EQ(second.Save(again), LV2_STATE_SUCCESS);
        EXPECT_EQ(again.begin()->second.bytes, saved.begin()->second.bytes) << "restored state differs";

        // Bad states change nothing.
        const LV2_URID key = saved.begin()->first;
        const SavedProperty good = saved.begin()->second;
        Lv2TestPlugin other(ORKE_FILTER_BUNDLE, "urn:orke:OKfl");
        SavedState foreign;
        ASSERT_EQ(other.Save(foreign), LV2_STATE_SUCCESS);
        std::vector<std::pair<const char*, SavedProperty>> bad = {
            {"truncated by a byte", {good.type, {good.bytes.begin(), good.bytes.end() - 1}}},
            {"truncated to its half",
             {good.type, {good.bytes.begin(), good.bytes.begin() + good.bytes.size() / 2}}},
            {"one byte longer", {good.type, good.bytes}},
            {"empty", {good.type, {}}},
            {"another plug-in's", {good.type, foreign.begin()->second.bytes}},
            {"of another type", {second.urids.Map(LV2_ATOM__String), good.bytes}},
        };
        bad[2].second.bytes.push_back(0);
        for (const auto& [what, property] : bad) {
            EXPECT_NE(second.Restore({{key, property}}), LV2_STATE_SUCCESS) << what;
            SavedState after;
            ASSERT_EQ(second.Save(after), LV2_STATE_SUCCESS);
            EXPECT_EQ(after.begin()->second.bytes, good.bytes) << "changed by a state " << what;
        }
        // A state of port values only holds nothing of the plug-in's own: taken, nothing changes.
        EXPECT_EQ(second.Restore({}), LV2_STATE_SUCCESS);
    }
}

// Orke Echo synced to the host's tempo: the same parameters (the LV2 ports given the real values the VST 2.4
// module's own mapping gives its normalised ones) and 120 beats a minute render the same samples.
TEST(Lv2Echo, FollowsTheHostTempoAsItsVstModuleDoes) {
    HostedPlugin vst(ORKE_ECHO_VST, 48000.0f, 4096);
    const std::pair<const char*, float> settings[] = {{"sync", 1.0f}, {"note", 4.0f / 11.0f},
                                                      {"time", 0.3f}, {"feedback", 0.5f},
                                                      {"mix", 0.5f},  {"high_cut", 0.8f}};
    Lv2TestPlugin lv2(ORKE_ECHO_BUNDLE, "urn:orke:OKec");
    for (uint32_t i = 0; i < 6; ++i) {
        vst.SetParameter(int32_t(i), settings[i].second);
        lv2.Control(settings[i].first) = vst.RealValue(i, settings[i].second);
    }
    VstTimeInfo time{};
    time.sampleRate = 48000.0;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid | kVstBarsValid | kVstTimeSigValid;
    vst.SetTime(time);
    lv2.AddTime(0, {0, 1, 0, 0, 4, 4, 120});

    // A second in whole blocks: a 100 ms burst, then its echoes.
    const Channels input = NoiseBurst(188 * kBlock, 4800, 7);
    expectSameRender(lv2, vst.Play(input, kBlock), 12000, [&](size_t start) {
        std::copy_n(input[0].begin() + start, kBlock, lv2.Audio("in_l").begin());
        std::copy_n(input[1].begin() + start, kBlock, lv2.Audio("in_r").begin());
    });
}

// Orke Synth, an instrument without inputs, played the same notes through both formats at the same settings
// (those of one of its programs) renders the same samples.
TEST(Lv2Synth, PlaysTheSameNotesAsItsVstModule) {
    HostedPlugin vst(ORKE_SYNTH_VST, 48000.0f, 4096);
    Lv2TestPlugin lv2(ORKE_SYNTH_BUNDLE, "urn:orke:OKsy");
    vst.SetProgram(1);
    const uint32_t controls = lilv_plugin_get_num_ports(lv2.plugin) - 3; // but the outputs and events
    for (uint32_t i = 0; i < controls; ++i) {
        const float normalised = vst.effect->getParameter(vst.effect, int32_t(i));
        vst.SetParameter(int32_t(i), normalised);
        const LilvPort* port = lilv_plugin_get_port_by_index(lv2.plugin, 2 + i);
        lv2.Control(lilv_node_as_string(lilv_port_get_symbol(lv2.plugin, port))) =
            vst.RealValue(i, normalised);
    }
    const std::vector<Message> notes = {{100, 0x90, 60, 100}, {3000, 0x90, 64, 80}, {9000, 0xE0, 0, 80},
                                        {20000, 0x80, 60, 0}, {30000, 0x80, 64, 0}, {30001, 0x90, 67, 127},
                                        {40000, 0x80, 67, 0}};
    const Channels silence(2, std::vector<float>(188 * kBlock));
    expectSameRender(lv2, vst.Play(silence, kBlock, notes), 0, [&](size_t start) {
        for (const Message& m : notes) {
            if (m.frame >= long(start) && m.frame < long(start + kBlock)) {
                lv2.AddMidi(m.frame - long(start), {m.status, m.data1, m.data2});
            }
        }
    });
}
