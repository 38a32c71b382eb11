/* An idle ALSA sequencer for machines whose kernel has none (virtual machines and containers
 * without sound drivers), preloaded into Qtractor by check-qtractor-session.sh.
 *
 * Qtractor refuses to start its engines, audio included, unless it can open the ALSA
 * sequencer. This library answers every sequencer call that takes a sequencer handle as a
 * sequencer with no other clients and no incoming events would: Qtractor's own client and ports
 * are accepted, its outgoing MIDI is dropped, nothing ever arrives. The calls that only fill or
 * read the caller's own records (the *_sizeof, *_set_* and *_get_* helpers) stay with the real
 * library, since they never touch the handle. The timer queries are left alone too: without
 * /dev/snd/timer they fail, which Qtractor accepts. Nothing here is used where /dev/snd/seq
 * exists; the script then runs Qtractor against the real sequencer. */

#include <alsa/asoundlib.h>

#include <errno.h>
#include <string.h>
#include <unistd.h>

/* The handle given out: an address no real sequencer uses, and the read end of a pipe that
 * nothing writes to, for Qtractor's input thread to wait on. */
static struct
{
    int fds[2];
} standin = {{-1, -1}};

static snd_seq_t* handle(void)
{
    return (snd_seq_t*)&standin;
}

int snd_seq_open(snd_seq_t** seq, const char* name, int streams, int mode)
{
    (void)name, (void)streams, (void)mode;
    if (seq == NULL)
        return -EINVAL;
    if (standin.fds[0] < 0 && pipe(standin.fds) != 0)
        return -errno;
    *seq = handle();
    return 0;
}

int snd_seq_close(snd_seq_t* seq)
{
    (void)seq;
    return 0;
}

int snd_seq_client_id(snd_seq_t* seq)
{
    (void)seq;
    return 128; /* the first number the kernel gives to user clients */
}

int snd_seq_set_client_name(snd_seq_t* seq, const char* name)
{
    (void)seq, (void)name;
    return 0;
}

int snd_seq_poll_descriptors_count(snd_seq_t* seq, short events)
{
    (void)seq, (void)events;
    return 1;
}

int snd_seq_poll_descriptors(snd_seq_t* seq, struct pollfd* pfds, unsigned int space, short events)
{
    (void)seq;
    if (pfds == NULL || space < 1)
        return 0;
    pfds[0].fd = standin.fds[0];
    pfds[0].events = events;
    pfds[0].revents = 0;
    return 1;
}

/* Ports and subscriptions: Qtractor's own are accepted; there is nobody else to list. */
int snd_seq_create_simple_port(snd_seq_t* seq, const char* name, unsigned int caps, unsigned int type)
{
    (void)seq, (void)name, (void)caps, (void)type;
    static int next = 0;
    return next++;
}

int snd_seq_delete_simple_port(snd_seq_t* seq, int port)
{
    (void)seq, (void)port;
    return 0;
}

int snd_seq_get_port_info(snd_seq_t* seq, int port, snd_seq_port_info_t* info)
{
    (void)seq, (void)port, (void)info;
    return 0;
}

int snd_seq_set_port_info(snd_seq_t* seq, int port, snd_seq_port_info_t* info)
{
    (void)seq, (void)port, (void)info;
    return 0;
}

int snd_seq_get_any_client_info(snd_seq_t* seq, int client, snd_seq_client_info_t* info)
{
    (void)seq, (void)client, (void)info;
    return -ENOENT;
}

int snd_seq_get_any_port_info(snd_seq_t* seq, int client, int port, snd_seq_port_info_t* info)
{
    (void)seq, (void)client, (void)port, (void)info;
    return -ENOENT;
}

int snd_seq_query_next_client(snd_seq_t* seq, snd_seq_client_info_t* info)
{
    (void)seq, (void)info;
    return -ENOENT;
}

int snd_seq_query_next_port(snd_seq_t* seq, snd_seq_port_info_t* info)
{
    (void)seq, (void)info;
    return -ENOENT;
}

int snd_seq_query_port_subscribers(snd_seq_t* seq, snd_seq_query_subscribe_t* subs)
{
    (void)seq, (void)subs;
    return -ENOENT;
}

int snd_seq_subscribe_port(snd_seq_t* seq, snd_seq_port_subscribe_t* sub)
{
    (void)seq, (void)sub;
    return 0;
}

int snd_seq_unsubscribe_port(snd_seq_t* seq, snd_seq_port_subscribe_t* sub)
{
    (void)seq, (void)sub;
    return 0;
}

/* The queue: accepted, and reported as standing still at its start. */
int snd_seq_alloc_queue(snd_seq_t* seq)
{
    (void)seq;
    return 0;
}

int snd_seq_free_queue(snd_seq_t* seq, int q)
{
    (void)seq, (void)q;
    return 0;
}

int snd_seq_control_queue(snd_seq_t* seq, int q, int type, int value, snd_seq_event_t* ev)
{
    (void)seq, (void)q, (void)type, (void)value, (void)ev;
    return 0;
}

int snd_seq_get_queue_status(snd_seq_t* seq, int q, snd_seq_queue_status_t* status)
{
    (void)seq, (void)q;
    memset(status, 0, snd_seq_queue_status_sizeof());
    return 0;
}

int snd_seq_get_queue_tempo(snd_seq_t* seq, int q, snd_seq_queue_tempo_t* tempo)
{
    (void)seq, (void)q;
    memset(tempo, 0, snd_seq_queue_tempo_sizeof());
    return 0;
}

int snd_seq_set_queue_tempo(snd_seq_t* seq, int q, snd_seq_queue_tempo_t* tempo)
{
    (void)seq, (void)q, (void)tempo;
    return 0;
}

int snd_seq_set_queue_timer(snd_seq_t* seq, int q, snd_seq_queue_timer_t* timer)
{
    (void)seq, (void)q, (void)timer;
    return 0;
}

/* Events: whatever Qtractor sends is dropped; nothing ever comes in. */
int snd_seq_event_output(snd_seq_t* seq, snd_seq_event_t* ev)
{
    (void)seq, (void)ev;
    return 0;
}

int snd_seq_event_output_direct(snd_seq_t* seq, snd_seq_event_t* ev)
{
    (void)seq, (void)ev;
    return 0;
}

int snd_seq_drain_output(snd_seq_t* seq)
{
    (void)seq;
    return 0;
}

int snd_seq_drop_output(snd_seq_t* seq)
{
    (void)seq;
    return 0;
}

int snd_seq_drop_input(snd_seq_t* seq)
{
    (void)seq;
    return 0;
}

int snd_seq_remove_events(snd_seq_t* seq, snd_seq_remove_events_t* info)
{
    (void)seq, (void)info;
    return 0;
}

int snd_seq_event_input(snd_seq_t* seq, snd_seq_event_t** ev)
{
    (void)seq;
    if (ev != NULL)
        *ev = NULL;
    return -EAGAIN;
}

int snd_seq_event_input_pending(snd_seq_t* seq, int fetch_sequencer)
{
    (void)seq, (void)fetch_sequencer;
    return 0;
}
