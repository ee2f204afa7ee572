// mksounds: synthesizes the program's event sounds at build time.
//
//   mksounds OUTDIR
//
// Writes seven 16-bit mono PCM wave files at 22050 Hz into OUTDIR. Every
// sound is built from sine partials under smooth envelopes, so no file starts
// or ends with a click. Only IEEE arithmetic and our own sine are used (no
// library transcendental functions), so the files come out byte for byte the
// same on every build host. Each file is written under a temporary name and
// renamed into place once complete; on any failure the tool says so on
// standard error and exits with code 1.

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int rate = 22050;  // samples per second
constexpr double pi = 3.14159265358979323846;

using wave = std::vector<double>;  // samples in -1..1 before scaling

// Samples in a length given in milliseconds.
int msamples(int ms) { return ms * rate / 1000; }

// Sine of a phase given in cycles: the phase is reduced to one cycle exactly
// (floor is exact), folded into -1/4..1/4 cycle, and a Taylor series finishes
// it; the error is far below one step of 16-bit output.
double sincyc(double cycles) {
    double p = cycles - std::floor(cycles);  // 0 <= p < 1
    if (p > 0.5) p -= 1.0;                   // -1/2 < p <= 1/2
    if (p > 0.25) p = 0.5 - p;               // sin(pi - x) = sin(x)
    else if (p < -0.25) p = -0.5 - p;
    double x = 2.0 * pi * p;  // |x| <= pi/2
    double x2 = x * x;
    double term = x, sum = x;
    for (int k = 1; k <= 8; k++) {
        term *= -x2 / ((2.0 * k) * (2.0 * k + 1.0));
        sum += term;
    }
    return sum;
}

// Envelope at position t (seconds) within a note of length dur: a half-cosine
// rise over att seconds, then a fall (1-u)^k to exactly zero at the end, whose
// slope is zero there too for k >= 2.
double envelope(double t, double dur, double att, double k) {
    if (t <= 0.0 || t >= dur) return 0.0;
    double rise = t < att ? 0.5 - 0.5 * sincyc(0.25 + 0.5 * t / att) : 1.0;
    double u = t < att ? 0.0 : (t - att) / (dur - att);
    double fall = 1.0, rest = 1.0 - u;
    for (double e = k; e >= 1.0; e -= 1.0) fall *= rest;
    double frac = k - std::floor(k);          // half powers: k = n + 0.5
    if (frac > 0.0) fall *= std::sqrt(rest);  // sqrt is exactly rounded
    return rise * fall;
}

// One partial of a note: its frequency as a multiple of the fundamental and
// its relative amplitude.
struct partial {
    double mult;  // frequency multiple
    double amp;   // relative amplitude
};

// Partial sets: a soft bell for the chimes, a brighter one for "done".
const std::vector<partial> soft = {{1.0, 1.0}, {2.0, 0.25}, {3.0, 0.08}};
const std::vector<partial> bright = {{1.0, 1.0}, {2.0, 0.40}, {3.0, 0.18}, {4.0, 0.08}};

// Adds one note into w: starting at 'at' seconds, lasting dur seconds, with
// fundamental f, attack att and fall exponent k.
void note(wave &w, double at, double dur, double f, double amp, const std::vector<partial> &parts, double att,
          double k) {
    int first = static_cast<int>(at * rate);
    int count = static_cast<int>(dur * rate);
    for (int i = 0; i < count && first + i < static_cast<int>(w.size()); i++) {
        double t = static_cast<double>(i) / rate;
        double e = envelope(t, dur, att, k);
        if (e == 0.0) continue;
        double s = 0.0;
        for (const partial &p : parts) s += p.amp * sincyc(f * p.mult * t);
        w[first + i] += amp * e * s;
    }
}

// Program start: C5, E5, G5 rising, each ringing over the next.
wave mkstart() {
    wave w(msamples(350), 0.0);
    note(w, 0.00, 0.20, 523.25, 1.0, soft, 0.006, 2.0);
    note(w, 0.09, 0.20, 659.26, 1.0, soft, 0.006, 2.0);
    note(w, 0.18, 0.17, 783.99, 1.0, soft, 0.006, 2.0);
    return w;
}

// Program end: the start chime mirrored, G5, E5, C5 falling, the last note
// given a little more time to settle.
wave mkend() {
    wave w(msamples(400), 0.0);
    note(w, 0.00, 0.20, 783.99, 1.0, soft, 0.006, 2.0);
    note(w, 0.10, 0.20, 659.26, 1.0, soft, 0.006, 2.0);
    note(w, 0.20, 0.20, 523.25, 1.0, soft, 0.006, 2.5);
    return w;
}

// Processing: a calm swelling tone, one soft pulse per 0.6 s, played in a
// loop. Every partial and the pulse itself complete a whole number of cycles
// in the file, so sample n of the next pass continues sample n-1 of this one
// with no seam; there is no fade at either end.
wave mkproc() {
    const int n = msamples(600);  // 13230 samples
    // Cycles per file: 132 = 220 Hz, 198 = 330 Hz, 264 = 440 Hz.
    const partial parts[] = {{132.0, 1.0}, {198.0, 0.30}, {264.0, 0.12}};
    wave w(n, 0.0);
    for (int i = 0; i < n; i++) {
        double p = static_cast<double>(i) / n;  // position in the loop, 0..1
        double bump = sincyc(0.5 * p);          // sin(pi p): 0 at both ends
        bump *= bump;
        bump *= bump;                   // sin^4: smooth swell
        double e = 0.25 + 0.75 * bump;  // never silent, never abrupt
        double s = 0.0;
        for (const partial &q : parts) s += q.amp * sincyc(q.mult * p);
        w[i] = e * s;
    }
    return w;
}

// Run finished: a bright rising fifth, A5 then E6.
wave mkdone() {
    wave w(msamples(300), 0.0);
    note(w, 0.00, 0.14, 880.00, 0.9, bright, 0.004, 2.0);
    note(w, 0.10, 0.20, 1318.51, 1.0, bright, 0.004, 2.0);
    return w;
}

// Cancelled: a low blip gliding down an octave, 330 Hz to 165 Hz. The phase
// of a linear glide is f0 t + (f1 - f0) t^2 / (2 T).
wave mkcancel() {
    const int n = msamples(250);
    const double dur = static_cast<double>(n) / rate;
    const double f0 = 330.0, f1 = 165.0;
    wave w(n, 0.0);
    for (int i = 0; i < n; i++) {
        double t = static_cast<double>(i) / rate;
        double ph = f0 * t + (f1 - f0) * t * t / (2.0 * dur);
        double e = envelope(t, dur, 0.008, 2.0);
        w[i] = e * (sincyc(ph) + 0.30 * sincyc(2.0 * ph) + 0.10 * sincyc(3.0 * ph));
    }
    return w;
}

// A short percussive tick: a high partial pair under a very fast rise and a
// steep fall.
wave mktick(int ms, double f) {
    const int n = msamples(ms);
    const double dur = static_cast<double>(n) / rate;
    const partial parts[] = {{1.0, 1.0}, {0.5, 0.35}, {2.0, 0.15}};
    wave w(n, 0.0);
    for (int i = 0; i < n; i++) {
        double t = static_cast<double>(i) / rate;
        double e = envelope(t, dur, 0.0015, 4.0);
        double s = 0.0;
        for (const partial &p : parts) s += p.amp * sincyc(f * p.mult * t);
        w[i] = e * s;
    }
    return w;
}

// Menu item chosen: a crisp tick at 1400 Hz.
wave mkevent() { return mktick(60, 1400.0); }

// Selection moved: a shorter tick at 2100 Hz, written quieter.
wave mkselchg() { return mktick(40, 2100.0); }

// Peak levels as fractions of full scale, 10^(dBFS/20), written out so the
// output does not depend on the library's pow.
constexpr double db12 = 0.25118864315095801;  // -12 dBFS
constexpr double db14 = 0.19952623149688797;  // -14 dBFS
constexpr double db18 = 0.12589254117941673;  // -18 dBFS

// Scales w so that its largest sample reaches the fraction peak of full
// scale and converts it to 16-bit values, rounding half away from zero.
std::vector<std::int16_t> topcm(const wave &w, double peak) {
    double top = 0.0;
    for (double v : w) top = std::fabs(v) > top ? std::fabs(v) : top;
    double scale = top > 0.0 ? peak * 32767.0 / top : 0.0;
    std::vector<std::int16_t> out(w.size());
    for (std::size_t i = 0; i < w.size(); i++) {
        double v = w[i] * scale;
        double r = v < 0.0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5);
        if (r > 32767.0) r = 32767.0;
        if (r < -32768.0) r = -32768.0;
        out[i] = static_cast<std::int16_t>(r);
    }
    return out;
}

void put16(std::vector<unsigned char> &b, std::uint32_t v) {
    b.push_back(static_cast<unsigned char>(v & 0xff));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xff));
}

void put32(std::vector<unsigned char> &b, std::uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, (v >> 16) & 0xffff);
}

void puttag(std::vector<unsigned char> &b, const char *tag) {
    for (int i = 0; i < 4; i++) b.push_back(static_cast<unsigned char>(tag[i]));
}

// The whole file image: RIFF header, format chunk, data chunk, each field
// little-endian regardless of the host.
std::vector<unsigned char> wavimage(const std::vector<std::int16_t> &pcm) {
    const std::uint32_t datalen = static_cast<std::uint32_t>(pcm.size() * 2);
    std::vector<unsigned char> b;
    b.reserve(44 + datalen);
    puttag(b, "RIFF");
    put32(b, 36 + datalen);  // size of everything after this field
    puttag(b, "WAVE");
    puttag(b, "fmt ");
    put32(b, 16);        // format chunk size
    put16(b, 1);         // PCM
    put16(b, 1);         // channels
    put32(b, rate);      // sample rate
    put32(b, rate * 2);  // bytes per second
    put16(b, 2);         // bytes per sample frame
    put16(b, 16);        // bits per sample
    puttag(b, "data");
    put32(b, datalen);
    for (std::int16_t s : pcm) put16(b, static_cast<std::uint16_t>(s));
    return b;
}

// Writes one file under a temporary name and renames it into place. Returns
// false after reporting on standard error; no temporary file is left behind.
bool writefile(const fs::path &dest, const std::vector<unsigned char> &img) {
    fs::path tmp = dest;
    tmp += ".tmp";
    std::error_code ec;
    std::FILE *f = std::fopen(tmp.string().c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "mksounds: cannot create %s\n", tmp.string().c_str());
        return false;
    }
    bool ok = std::fwrite(img.data(), 1, img.size(), f) == img.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "mksounds: cannot write %s\n", tmp.string().c_str());
        fs::remove(tmp, ec);
        return false;
    }
    fs::rename(tmp, dest, ec);
    std::error_code rm;
    if (ec && fs::is_regular_file(dest, rm)) {
        // Some systems refuse to rename over an existing file.
        fs::remove(dest, rm);
        ec.clear();
        fs::rename(tmp, dest, ec);
    }
    if (ec) {
        std::fprintf(stderr, "mksounds: cannot rename %s to %s: %s\n", tmp.string().c_str(), dest.string().c_str(),
                     ec.message().c_str());
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

// One output file: its name, its generator and its peak level.
struct sounddef {
    const char *name;  // file name in the output folder
    wave (*make)();    // generator
    double peak;       // peak level as a fraction of full scale
};

const sounddef sounds[] = {
    {"evstart.wav", mkstart, db12}, {"evend.wav", mkend, db12},
    {"evproc.wav", mkproc, db14},  // heard for whole runs: a little softer
    {"evdone.wav", mkdone, db12},   {"evcancel.wav", mkcancel, db12},
    {"event.wav", mkevent, db12},   {"evselchg.wav", mkselchg, db18},  // heard on every arrow key: softer
};

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mksounds OUTDIR\n");
        return 1;
    }
#ifdef SIGXFSZ
    // A file size limit then fails the write, which is reported, instead of
    // killing the tool and leaving a temporary file behind.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    fs::path dir = argv[1];
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) {
        std::fprintf(stderr, "mksounds: cannot use folder %s\n", dir.string().c_str());
        return 1;
    }
    for (const sounddef &s : sounds) {
        if (!writefile(dir / s.name, wavimage(topcm(s.make(), s.peak)))) return 1;
    }
    return 0;
}
