// Reading the running ALSA sequencer: its clients, their ports and who is subscribed to whom.
#include <CoreMIDI/SequencerSetup.h>

#if ORKE_HAVE_ALSA

// Some versions of alsa-lib declare the thread's error handler outside their C-linkage block.
extern "C" {
#include <alsa/asoundlib.h>
}

#include <cstdarg>
#include <memory>

namespace orke_coremidi {

static_assert(kSeqCapRead == SND_SEQ_PORT_CAP_READ && kSeqCapWrite == SND_SEQ_PORT_CAP_WRITE &&
              kSeqCapSubsRead == SND_SEQ_PORT_CAP_SUBS_READ &&
              kSeqCapSubsWrite == SND_SEQ_PORT_CAP_SUBS_WRITE &&
              kSeqCapNoExport == SND_SEQ_PORT_CAP_NO_EXPORT && kSeqTypePort == SND_SEQ_PORT_TYPE_PORT);

namespace {

void quiet(const char*, int, const char*, int, const char*, va_list) {}

// alsa-lib reports a missing sequencer on the standard error stream; a machine without one is no error
// here, so this thread's reports are silenced while the sequencer is opened.
class QuietErrors {
public:
    QuietErrors()
        : m_previous(snd_lib_error_set_local(quiet)) {}
    ~QuietErrors() { snd_lib_error_set_local(m_previous); }

private:
    snd_local_error_handler_t m_previous;
};

struct SequencerCloser {
    void operator()(snd_seq_t* sequencer) const { snd_seq_close(sequencer); }
};

template <typename T, void (*Free)(T*)>
struct Freer {
    void operator()(T* info) const { Free(info); }
};

template <typename T, int (*Allocate)(T**), void (*Free)(T*)>
std::unique_ptr<T, Freer<T, Free>> allocate() {
    T* info = nullptr;
    return std::unique_ptr<T, Freer<T, Free>>(Allocate(&info) == 0 ? info : nullptr);
}

} // namespace

bool ReadSequencer(SequencerSnapshot& snapshot) {
    snd_seq_t* opened = nullptr;
    {
        QuietErrors quietErrors;
        if (snd_seq_open(&opened, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) {
            return false;
        }
    }
    const std::unique_ptr<snd_seq_t, SequencerCloser> sequencer(opened);
    auto client = allocate<snd_seq_client_info_t, snd_seq_client_info_malloc, snd_seq_client_info_free>();
    auto port = allocate<snd_seq_port_info_t, snd_seq_port_info_malloc, snd_seq_port_info_free>();
    auto subscribers =
        allocate<snd_seq_query_subscribe_t, snd_seq_query_subscribe_malloc, snd_seq_query_subscribe_free>();
    if (client == nullptr || port == nullptr || subscribers == nullptr) {
        return false;
    }

    snapshot = SequencerSnapshot();
    snapshot.self = snd_seq_client_id(sequencer.get());
    snd_seq_client_info_set_client(client.get(), -1);
    while (snd_seq_query_next_client(sequencer.get(), client.get()) >= 0) {
        const int number = snd_seq_client_info_get_client(client.get());
        snapshot.clients.push_back(SequencerClient{number, snd_seq_client_info_get_name(client.get()), {}});
        snd_seq_port_info_set_client(port.get(), number);
        snd_seq_port_info_set_port(port.get(), -1);
        while (snd_seq_query_next_port(sequencer.get(), port.get()) >= 0) {
            snapshot.clients.back().ports.push_back(SequencerPort{
                snd_seq_port_info_get_port(port.get()), snd_seq_port_info_get_name(port.get()),
                snd_seq_port_info_get_capability(port.get()), snd_seq_port_info_get_type(port.get())});

            const snd_seq_addr_t sender = *snd_seq_port_info_get_addr(port.get());
            snd_seq_query_subscribe_set_root(subscribers.get(), &sender);
            snd_seq_query_subscribe_set_type(subscribers.get(), SND_SEQ_QUERY_SUBS_READ);
            snd_seq_query_subscribe_set_index(subscribers.get(), 0);
            while (snd_seq_query_port_subscribers(sequencer.get(), subscribers.get()) >= 0) {
                const snd_seq_addr_t* receiver = snd_seq_query_subscribe_get_addr(subscribers.get());
                snapshot.subscriptions.push_back({SequencerAddress{sender.client, sender.port},
                                                  SequencerAddress{receiver->client, receiver->port}});
                snd_seq_query_subscribe_set_index(subscribers.get(),
                                                  snd_seq_query_subscribe_get_index(subscribers.get()) + 1);
            }
        }
    }
    return true;
}

} // namespace orke_coremidi

#else

namespace orke_coremidi {

bool ReadSequencer(SequencerSnapshot&) {
    return false;
}

} // namespace orke_coremidi

#endif
