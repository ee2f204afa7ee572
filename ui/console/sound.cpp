// Sounds through SDL2's audio. One sound at a time is mixed by the audio
// callback from a buffer in the device's format; a new sound replaces the
// buffer. The device (22050 Hz, 16-bit, mono, the format of the program's
// sounds; SDL converts for the hardware) is opened on a background thread with
// standard error sent to /dev/null for that moment, as the audio libraries
// print there when no device exists.

#include "ui/console/sound.h"

#include <SDL.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

enum { audnone, audopening, audready, audfailed, audclosed };

constexpr int rate = 22050;                       // device format: samples per second,
constexpr SDL_AudioFormat format = AUDIO_S16SYS;  // sample format,
constexpr int channels = 1;                       // channels,
constexpr int framebytes = 2 * channels;          // and bytes per frame

// ---- Audio state (all of it guarded by mu; the audio callback takes mu too) ----
std::mutex mu;
std::condition_variable cv;                     // signalled when a sound ends or the device is ready or failed
int state = audnone;                            // audnone until the first sound, then opening, ready or failed
SDL_AudioDeviceID dev = 0;                      // the open device, 0 when none
Uint8 *data = nullptr;                          // the sound being played (SDL_malloc'd), nullptr when none
Uint32 len = 0;                                 // its length in bytes
Uint32 pos = 0;                                 // bytes of it already handed to the device
bool looping = false;                           // it starts again at its end
bool playing = false;                           // bytes of it are still to be handed to the device
int tail = 0;                                   // callbacks of silence still to pass before it counts as ended
unsigned serial = 0;                            // grows with every sound started or cut
Uint8 *pendata = nullptr;                       // a sound asked for while the device was opening
Uint32 penlen = 0;                              // its length
bool penloop = false;                           // whether it loops
std::chrono::steady_clock::time_point penwhen;  // when it was asked for

// Sends standard error to /dev/null while the audio libraries may print.
struct quietstderr {
    int saved = -1;
    quietstderr() {
        int nul = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nul < 0) return;
        saved = fcntl(2, F_DUPFD_CLOEXEC, 3);
        if (saved >= 0) dup2(nul, 2);
        close(nul);
    }
    ~quietstderr() {
        if (saved < 0) return;
        dup2(saved, 2);
        close(saved);
    }
};

void callback(void *, Uint8 *stream, int n) {
    std::lock_guard<std::mutex> lk(mu);
    int off = 0;
    while (off < n && playing) {
        Uint32 take = len - pos;
        if (take > Uint32(n - off)) take = Uint32(n - off);
        std::memcpy(stream + off, data + pos, take);
        pos += take;
        off += int(take);
        if (pos >= len) {
            if (looping && len > 0) pos = 0;
            else {
                playing = false;
                tail = 2;  // what was handed over still has to leave the device
            }
        }
    }
    if (off < n) std::memset(stream + off, 0, std::size_t(n - off));
    if (!playing && tail > 0 && --tail == 0) cv.notify_all();
}

// Starts buf (taking it over) as the sound being played; the caller holds mu.
// Gives back the replaced buffer for freeing outside the lock.
Uint8 *startlocked(Uint8 *buf, Uint32 n, bool loop) {
    Uint8 *old = data;
    data = buf;
    len = n;
    pos = 0;
    looping = loop;
    playing = buf && n > 0;
    tail = 0;
    serial++;
    return old;
}

void openerwork();

void opener() {
    // The audio threads leave the program's signals (Ctrl+C, hang-up) to
    // the thread that waits for the user; SDL's thread inherits this mask.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    openerwork();
    SDL_TLSCleanup();  // SDL's per-thread data (its error text) dies with this thread
}

void openerwork() {
    SDL_AudioDeviceID d = 0;
    {
        quietstderr q;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            SDL_AudioSpec want{}, have{};
            want.freq = rate;
            want.format = format;
            want.channels = channels;
            want.samples = 512;
            want.callback = callback;
            d = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
            if (!d) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    Uint8 *drop = nullptr, *old = nullptr;
    {
        std::lock_guard<std::mutex> lk(mu);
        if (state == audclosed) {  // the program ended meanwhile
            if (d) {
                quietstderr q;
                SDL_CloseAudioDevice(d);
            }
            return;
        }
        if (d) {
            dev = d;
            state = audready;
            // A sound asked for during the opening still plays if it loops or
            // is recent; an old one-off sound would come too late to mean anything.
            if (pendata && (penloop || std::chrono::steady_clock::now() - penwhen < std::chrono::seconds(1)))
                old = startlocked(pendata, penlen, penloop);
            else drop = pendata;
        } else {
            state = audfailed;
            drop = pendata;
        }
        pendata = nullptr;
    }
    SDL_free(drop);
    SDL_free(old);
    if (d) SDL_PauseAudioDevice(d, 0);
    cv.notify_all();
}

void audioexit() {
    SDL_AudioDeviceID d;
    Uint8 *a, *b;
    {
        std::lock_guard<std::mutex> lk(mu);
        d = dev;
        dev = 0;
        state = audclosed;
        a = startlocked(nullptr, 0, false);
        b = pendata;
        pendata = nullptr;
    }
    if (d) {
        quietstderr q;
        SDL_CloseAudioDevice(d);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SDL_free(a);
    SDL_free(b);
}

// The state, after starting the opener on first use.
int audiostate() {
    std::lock_guard<std::mutex> lk(mu);
    if (state == audnone) {
        state = audopening;
        std::atexit(audioexit);
        std::thread(opener).detach();
    }
    return state;
}

// Reads a wave file and converts it to the device's format. False when the
// file is missing, unreadable or not a wave file SDL can convert.
bool loadsound(const std::string &path, Uint8 *&buf, Uint32 &n) {
    SDL_AudioSpec spec{};
    Uint8 *wav = nullptr;
    Uint32 wlen = 0;
    if (!SDL_LoadWAV(path.c_str(), &spec, &wav, &wlen)) return false;
    SDL_AudioCVT cvt{};
    int r = SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, format, channels, rate);
    if (r < 0) {
        SDL_FreeWAV(wav);
        return false;
    }
    if (r == 0) {
        buf = wav;
        n = wlen;
    } else {
        cvt.len = int(wlen);
        cvt.buf = (Uint8 *)SDL_malloc(std::size_t(wlen) * std::size_t(cvt.len_mult));
        if (!cvt.buf) {
            SDL_FreeWAV(wav);
            return false;
        }
        std::memcpy(cvt.buf, wav, wlen);
        SDL_FreeWAV(wav);
        if (SDL_ConvertAudio(&cvt) != 0) {
            SDL_free(cvt.buf);
            return false;
        }
        buf = cvt.buf;
        n = Uint32(cvt.len_cvt);
    }
    n -= n % framebytes;
    if (n == 0) {
        SDL_free(buf);
        return false;
    }
    return true;
}

}  // namespace

void soundstop() {
    Uint8 *old;
    {
        std::lock_guard<std::mutex> lk(mu);
        old = startlocked(nullptr, 0, false);
    }
    SDL_free(old);
    cv.notify_all();
}

void soundplay(const std::string &path, bool loop) {
    int st = audiostate();
    soundstop();  // a new sound cuts the old one, even when it cannot play itself
    if (st != audready && st != audopening) return;
    Uint8 *buf = nullptr;
    Uint32 n = 0;
    if (!loadsound(path, buf, n)) return;
    Uint8 *old = nullptr;
    {
        std::lock_guard<std::mutex> lk(mu);
        if (state == audready) old = startlocked(buf, n, loop);
        else if (state == audopening) {
            old = pendata;
            pendata = buf;
            penlen = n;
            penloop = loop;
            penwhen = std::chrono::steady_clock::now();
        } else old = buf;
    }
    SDL_free(old);
}

void soundsync(const std::string &path, bool (*stop)()) {
    audiostate();
    soundstop();
    {
        // A device still opening (only in the program's first moments) is
        // given a short while; the sound is skipped if it is not ready then.
        std::unique_lock<std::mutex> lk(mu);
        Uint8 *old = pendata;
        pendata = nullptr;
        cv.wait_for(lk, std::chrono::seconds(1), [] { return state != audopening; });
        bool ready = state == audready;
        lk.unlock();
        SDL_free(old);
        if (!ready) return;
    }
    Uint8 *buf = nullptr;
    Uint32 n = 0;
    if (!loadsound(path, buf, n)) return;
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(2000 + 1000LL * n / (rate * framebytes));
    std::unique_lock<std::mutex> lk(mu);
    if (state != audready) {
        lk.unlock();
        SDL_free(buf);
        return;
    }
    Uint8 *old = startlocked(buf, n, false);
    unsigned mine = serial;
    lk.unlock();
    SDL_free(old);
    lk.lock();
    // Waits for the callback's signal; the short timeouts only let a stop
    // request or a stalled device end the wait.
    while (serial == mine && (playing || tail > 0)) {
        if (stop && stop()) break;
        if (std::chrono::steady_clock::now() > limit) break;
        cv.wait_for(lk, std::chrono::milliseconds(20));
    }
    bool cut = serial == mine && (playing || tail > 0);
    lk.unlock();
    if (cut) soundstop();
}
