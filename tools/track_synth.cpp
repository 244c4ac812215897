// Synthesises the piece's music track: 147 bars at 140 BPM (252 s exactly),
// 44.1 kHz stereo, written as a 16-bit WAV file for the MP3 encoder.
//
//   usage: track_synth OUTPUT.wav
//
// The arrangement follows the acts of the piece (bars counted from 0):
//   0-31    sparse: kick, off-beat hats, a bass pulse, a soft ping per birth
//   32-95   fuller: crash, claps, open hats, a rolling bass, a blue minor-ninth
//           pad; a plucked lead over the second half
//   96-127  a new key colour, three 8-bar blocks that each add a layer (arpeggio,
//           syncopated bass, claps and pad), then a thinning collapse
//   128-134 the closing figure: three falling bell notes a bar
//   135-146 a fading tail of pad and echoes
//
// The bytes must be the same on every run and every machine, so the samples
// are computed with nothing but IEEE-754 double +, -, *, / and floor (own sine
// polynomial, own integer noise, constant tables for pitches) and the file is
// built with -ffp-contract=off. The arrangement is fixed; the only "random"
// choices come from a seeded integer generator drawn in a fixed order.

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

const long sample_rate = 44100;
const long beat_samples = 18900;  // 60/140 s at 44.1 kHz, an exact integer
const long sixteenth_samples = beat_samples / 4;
const long bar_samples = 4 * beat_samples;
const int bar_count = 147;
const long total_samples = bar_count * bar_samples;  // 11 113 200 = 252 s

const int tail_bar = 135;  // first bar of the fading tail

// Dry mix and the send into the ping-pong delay, per channel.
float mix_left[total_samples];
float mix_right[total_samples];
float send_left[total_samples];
float send_right[total_samples];

const double two_pi = 6.283185307179586;

// Equal-tempered semitone ratios 2^(k/12), as exact literals so that no
// library pow() takes part.
const double semitone_ratios[12] = {
    1.0,
    1.0594630943592953,
    1.122462048309373,
    1.189207115002721,
    1.2599210498948732,
    1.3348398541700344,
    1.4142135623730951,
    1.4983070768766815,
    1.5874010519681994,
    1.681792830507429,
    1.7817974362806785,
    1.8877486253633868,
};

uint32_t noise_state = 0x2545F491u;
uint32_t choice_state = 0x9E3779B9u;

// Sine of a phase given in turns, by folding into a quarter turn and a
// Taylor polynomial (error below 1e-9: far under one 16-bit step).
double sine_turns(double turns) {
    double r = turns - std::floor(turns);
    if (r > 0.5) r -= 1.0;
    if (r > 0.25) {
        r = 0.5 - r;
    } else if (r < -0.25) {
        r = -0.5 - r;
    }
    double x = r * two_pi;
    double x2 = x * x;
    double p = 1.0 / 6227020800.0;
    p = -1.0 / 39916800.0 + x2 * p;
    p = 1.0 / 362880.0 + x2 * p;
    p = -1.0 / 5040.0 + x2 * p;
    p = 1.0 / 120.0 + x2 * p;
    p = -1.0 / 6.0 + x2 * p;
    p = 1.0 + x2 * p;
    return x * p;
}

// Naive sawtooth in [-1, 1); the voices that use it are low-passed.
double saw_turns(double turns) {
    return 2.0 * (turns - std::floor(turns)) - 1.0;
}

// White noise in [-1, 1) from a 32-bit linear congruential generator.
double next_noise() {
    noise_state = noise_state * 1664525u + 1013904223u;
    return (double)(noise_state >> 8) / 8388608.0 - 1.0;
}

// A choice in 0..count-1 from a second generator, so the arrangement's
// choices do not depend on how much noise the voices have used.
int next_choice(int count) {
    choice_state = choice_state * 22695477u + 1u;
    return (int)((choice_state >> 16) % (uint32_t)count);
}

double midi_hz(int note) {
    int offset = note - 69;
    int octave = offset >= 0 ? offset / 12 : -((11 - offset) / 12);
    double hz = 440.0 * semitone_ratios[offset - 12 * octave];
    for (; octave > 0; --octave) hz *= 2.0;
    for (; octave < 0; ++octave) hz *= 0.5;
    return hz;
}

long at(int bar, int sixteenth) {
    return (long)bar * bar_samples + (long)sixteenth * sixteenth_samples;
}

void add_sample(long n, double left, double right, double send) {
    if (n < 0 || n >= total_samples) return;
    mix_left[n] += (float)left;
    mix_right[n] += (float)right;
    if (send > 0.0) {
        send_left[n] += (float)(left * send);
        send_right[n] += (float)(right * send);
    }
}

// Linear ramps at both ends of a note, against clicks.
double edge_envelope(long i, long length, long attack, long release) {
    double e = 1.0;
    if (i < attack) e = (double)i / (double)attack;
    long left = length - i;
    if (left < release) e *= (double)left / (double)release;
    return e;
}

void add_kick(long start, double gain) {
    const long length = 16000;
    double phase = 0.0;
    double pitch = 1.0;
    double amp = 1.0;
    for (long i = 0; i < length; ++i) {
        double hz = 47.0 + 125.0 * pitch;
        double s = sine_turns(phase) * amp * edge_envelope(i, length, 24, 900) * gain;
        add_sample(start + i, s, s, 0.0);
        phase += hz / (double)sample_rate;
        pitch *= 0.99875;
        amp *= 0.99983;
    }
}

// Noise through a one-pole high-pass; decay sets closed or open.
void add_hat(long start, long length, double decay, double gain, double pan) {
    double low = 0.0;
    double amp = 1.0;
    for (long i = 0; i < length; ++i) {
        double x = next_noise();
        low += 0.62 * (x - low);
        double s = (x - low) * amp * edge_envelope(i, length, 8, 200) * gain;
        add_sample(start + i, s * (1.0 - pan), s * (1.0 + pan), 0.0);
        amp *= decay;
    }
}

// Band-limited noise in three quick bursts over a short tone body.
void add_clap(long start, double gain) {
    const long length = 9000;
    double fast = 0.0;
    double slow = 0.0;
    double phase = 0.0;
    double amp = 1.0;
    double body = 1.0;
    for (long i = 0; i < length; ++i) {
        if (i == 330 || i == 700) amp = 1.0;
        double x = next_noise();
        fast += 0.45 * (x - fast);
        slow += 0.06 * (x - slow);
        double s = ((fast - slow) * amp + 0.35 * sine_turns(phase) * body) * edge_envelope(i, length, 10, 600) * gain;
        add_sample(start + i, s * 0.92, s, 0.15);
        phase += 185.0 / (double)sample_rate;
        amp *= i < 700 ? 0.9965 : 0.99955;
        body *= 0.9993;
    }
}

void add_bass(long start, long length, int note, double gain) {
    double hz = midi_hz(note);
    double phase = 0.0;
    double amp = 1.0;
    for (long i = 0; i < length; ++i) {
        double s = sine_turns(phase) + 0.3 * sine_turns(2.0 * phase) + 0.1 * sine_turns(3.0 * phase);
        s *= amp * edge_envelope(i, length, 60, 400) * gain;
        add_sample(start + i, s, s, 0.0);
        phase += hz / (double)sample_rate;
        amp *= 0.99995;
    }
}

// Two detuned low-passed saws, one per side, over a sine.
void add_pad(long start, long length, int note, double gain, long attack, long release) {
    double hz = midi_hz(note);
    double phase_left = 0.0;
    double phase_right = 0.37;
    double phase_sub = 0.0;
    double low_left = 0.0;
    double low_right = 0.0;
    for (long i = 0; i < length; ++i) {
        low_left += 0.07 * (saw_turns(phase_left) - low_left);
        low_right += 0.07 * (saw_turns(phase_right) - low_right);
        double sub = 0.5 * sine_turns(phase_sub);
        double e = edge_envelope(i, length, attack, release) * gain;
        add_sample(start + i, (low_left + sub) * e, (low_right + sub) * e, 0.35);
        phase_left += hz * 1.0035 / (double)sample_rate;
        phase_right += hz * 0.9965 / (double)sample_rate;
        phase_sub += hz / (double)sample_rate;
    }
}

// A plucked tone: bright overtones that die faster than the fundamental.
void add_pluck(long start, long length, int note, double gain, double pan, double send) {
    double hz = midi_hz(note);
    double phase = 0.0;
    double amp = 1.0;
    double bright = 1.0;
    for (long i = 0; i < length; ++i) {
        double s = sine_turns(phase) + bright * (0.4 * sine_turns(2.0 * phase) + 0.25 * sine_turns(3.0 * phase));
        s *= amp * edge_envelope(i, length, 30, 300) * gain;
        add_sample(start + i, s * (1.0 - pan), s * (1.0 + pan), send);
        phase += hz / (double)sample_rate;
        amp *= 0.99988;
        bright *= 0.9994;
    }
}

// A bell: inharmonic partials over a long decay.
void add_bell(long start, long length, int note, double gain, double pan, double send) {
    double hz = midi_hz(note);
    double phase = 0.0;
    double amp = 1.0;
    double upper = 1.0;
    for (long i = 0; i < length; ++i) {
        double s = sine_turns(phase) + upper * (0.5 * sine_turns(2.76 * phase) + 0.22 * sine_turns(5.4 * phase));
        s *= amp * edge_envelope(i, length, 20, 2000) * gain;
        add_sample(start + i, s * (1.0 - pan), s * (1.0 + pan), send);
        phase += hz / (double)sample_rate;
        amp *= 0.99994;
        upper *= 0.9996;
    }
}

// Bright noise with a long decay, to mark the start of an act.
void add_crash(long start, long length, double gain) {
    double low = 0.0;
    double amp = 1.0;
    for (long i = 0; i < length; ++i) {
        double x = next_noise();
        low += 0.5 * (x - low);
        double y = next_noise();
        double s = (x - low) * amp * edge_envelope(i, length, 15, 3000) * gain;
        double t = (y - low) * amp * edge_envelope(i, length, 15, 3000) * gain;
        add_sample(start + i, s, t, 0.2);
        amp *= 0.99996;
    }
}

// Noise that rises in level and brightness and stops dead at start + length.
void add_swell(long start, long length, double gain) {
    double low = 0.0;
    for (long i = 0; i < length; ++i) {
        double rise = (double)i / (double)length;
        double x = next_noise();
        low += (0.02 + 0.5 * rise) * (x - low);
        double s = low * rise * rise * edge_envelope(i, length, 1, 120) * gain;
        add_sample(start + i, s, s, 0.0);
    }
}

// Chords as MIDI notes; index 0 is the root used by the bass.
struct Chord {
    int root;
    int voices[5];
};

// The minor blue of the middle act, one chord every 4 bars.
const Chord blue_chords[4] = {
    {38, {50, 57, 60, 64, 65}},  // D minor ninth
    {34, {46, 53, 57, 60, 62}},  // B-flat major seventh with ninth
    {31, {43, 50, 57, 58, 62}},  // G minor ninth
    {33, {45, 52, 55, 57, 62}},  // A seventh, suspended fourth
};

// The brighter turn of the tree act, one chord every 2 bars.
const Chord tree_chords[4] = {
    {41, {53, 57, 60, 64, 67}},  // F major ninth
    {36, {52, 55, 59, 62, 64}},  // C major seventh over E
    {38, {50, 53, 57, 60, 64}},  // D minor ninth
    {34, {46, 53, 57, 62, 64}},  // B-flat major, raised eleventh
};

const int ping_notes[7] = {74, 77, 79, 81, 84, 86, 89};

void play_kicks(int first_bar, int end_bar, double gain) {
    for (int bar = first_bar; bar < end_bar; ++bar) {
        for (int beat = 0; beat < 4; ++beat) add_kick(at(bar, beat * 4), gain);
    }
}

void play_offbeat_hats(int first_bar, int end_bar, long length, double decay, double gain) {
    for (int bar = first_bar; bar < end_bar; ++bar) {
        for (int beat = 0; beat < 4; ++beat) add_hat(at(bar, beat * 4 + 2), length, decay, gain, 0.15);
    }
}

void play_ghost_hats(int first_bar, int end_bar, double gain) {
    for (int bar = first_bar; bar < end_bar; ++bar) {
        for (int beat = 0; beat < 4; ++beat) {
            add_hat(at(bar, beat * 4 + 1), 1800, 0.9985, gain, -0.3);
            add_hat(at(bar, beat * 4 + 3), 1800, 0.9985, gain, -0.3);
        }
    }
}

void play_claps(int first_bar, int end_bar, double gain) {
    for (int bar = first_bar; bar < end_bar; ++bar) {
        add_clap(at(bar, 4), gain);
        add_clap(at(bar, 12), gain);
    }
}

void play_pad_chord(const Chord& chord, long start, long length, double gain) {
    for (int v = 0; v < 5; ++v) add_pad(start, length, chord.voices[v], gain, beat_samples * 2, beat_samples * 4);
}

// Bars 0-31: the graph is built beat by beat.
void play_sparse_act() {
    play_kicks(0, 32, 0.8);
    play_offbeat_hats(4, 32, 2600, 0.9988, 0.11);
    play_ghost_hats(16, 32, 0.035);
    const int roots[4] = {38, 34, 31, 33};
    for (int bar = 8; bar < 32; ++bar) {
        int root = roots[(bar / 4) % 4];
        for (int beat = 0; beat < 4; ++beat) add_bass(at(bar, beat * 4 + 2), 5600, root, 0.26);
    }
    // A soft ping for each birth, on a chosen half of the beats.
    for (int bar = 2; bar < 32; ++bar) {
        for (int beat = 0; beat < 4; ++beat) {
            int note = ping_notes[next_choice(7)];
            if (next_choice(2) == 0) continue;
            add_pluck(at(bar, beat * 4 + 1), 9000, note, 0.05, beat % 2 == 0 ? -0.5 : 0.5, 0.6);
        }
    }
    add_swell(at(30, 0), 2 * bar_samples, 0.18);
}

// Bars 32-95: the blue wave, the cull and the survivor.
void play_blue_act() {
    add_crash(at(32, 0), 2 * bar_samples, 0.22);
    play_kicks(32, 96, 0.85);
    play_claps(32, 96, 0.3);
    play_offbeat_hats(32, 96, 7000, 0.99955, 0.1);
    play_ghost_hats(32, 96, 0.045);
    for (int bar = 32; bar < 96; bar += 4) {
        const Chord& chord = blue_chords[((bar - 32) / 4) % 4];
        play_pad_chord(chord, at(bar, 0), 4 * bar_samples + beat_samples * 2, 0.03);
        for (int b = bar; b < bar + 4; ++b) {
            for (int beat = 0; beat < 4; ++beat) {
                add_bass(at(b, beat * 4 + 2), 6500, chord.root, 0.28);
                if (beat % 2 == 1) add_bass(at(b, beat * 4 + 3), 2800, chord.root + 12, 0.14);
            }
        }
        // Second half: a plucked lead walks the chord tones.
        if (bar >= 64) {
            const int steps[6] = {0, 3, 6, 10, 12, 14};
            for (int half = 0; half < 2; ++half) {
                for (int s = 0; s < 6; ++s) {
                    int voice = 1 + next_choice(4);
                    add_pluck(at(bar + half * 2, steps[s]), 12000, chord.voices[voice] + 12, 0.075,
                              s % 2 == 0 ? -0.35 : 0.35, 0.5);
                }
            }
        }
    }
    add_swell(at(94, 0), 2 * bar_samples, 0.2);
}

// Bars 96-127: the tree grows in three 8-bar blocks, then collapses.
void play_tree_act() {
    add_crash(at(96, 0), 2 * bar_samples, 0.2);
    play_kicks(96, 128, 0.8);
    play_ghost_hats(96, 120, 0.04);
    play_offbeat_hats(104, 128, 2600, 0.9988, 0.09);
    play_claps(112, 120, 0.26);
    const int arp_order[8] = {0, 1, 2, 3, 4, 3, 2, 1};
    const int bass_steps[5] = {0, 3, 6, 10, 12};
    for (int bar = 96; bar < 128; ++bar) {
        const Chord& chord = tree_chords[((bar - 96) / 2) % 4];
        bool collapse = bar >= 120;
        for (int s = 0; s < 16; ++s) {
            if (collapse && s % 2 == 1) continue;
            if (collapse && bar >= 124 && s % 4 != 0) continue;
            int note = chord.voices[arp_order[s % 8]] + (s >= 8 ? 12 : 0);
            add_pluck(at(bar, s), 4000, note, collapse ? 0.05 : 0.065, s % 2 == 0 ? -0.45 : 0.45, 0.45);
        }
        if (bar >= 104 && !collapse) {
            for (int s = 0; s < 5; ++s) add_bass(at(bar, bass_steps[s]), 3600, chord.root, 0.27);
        }
        if (bar >= 112 && bar % 2 == 0) play_pad_chord(chord, at(bar, 0), 2 * bar_samples + beat_samples, 0.028);
    }
    add_swell(at(127, 0), bar_samples, 0.12);
}

// Bars 128-134: three stripes, three falling bell notes a bar.
void play_closing_figure() {
    add_crash(at(128, 0), bar_samples, 0.14);
    play_kicks(128, 135, 0.75);
    play_offbeat_hats(128, 135, 2600, 0.9988, 0.08);
    const int figure[3] = {69, 65, 62};
    for (int bar = 128; bar < 135; ++bar) {
        add_bass(at(bar, 0), 3 * beat_samples, 38, 0.26);
        if (bar == 134) {
            add_bell(at(bar, 0), 2 * bar_samples, 62, 0.12, 0.0, 0.5);
            continue;
        }
        for (int k = 0; k < 3; ++k) add_bell(at(bar, k * 4), 3 * beat_samples, figure[k], 0.1, (k - 1) * 0.4, 0.4);
    }
    play_pad_chord(blue_chords[0], at(128, 0), 7 * bar_samples, 0.024);
}

// Bars 135-146: the tail, no beat; the pad and a last slow figure fade out.
void play_tail() {
    add_kick(at(tail_bar, 0), 0.6);
    const Chord last = {38, {50, 57, 62, 64, 69}};  // D minor, added ninth
    for (int v = 0; v < 5; ++v) {
        add_pad(at(tail_bar, 0), 11 * bar_samples, last.voices[v], 0.03, beat_samples, 8 * bar_samples);
    }
    const int figure[3] = {69, 65, 62};
    for (int k = 0; k < 3; ++k) add_bell(at(tail_bar + 1, k * 8), 2 * bar_samples, figure[k], 0.07, (k - 1) * 0.5, 0.6);
}

// Ping-pong echo of the send buffers, three sixteenths apart, darkening as
// it repeats; the echoes are added to the mix.
void apply_delay() {
    const long delay = 3 * sixteenth_samples;
    const double feedback = 0.42;
    double low_left = 0.0;
    double low_right = 0.0;
    for (long n = delay; n < total_samples; ++n) {
        double echo_left = feedback * (double)send_right[n - delay];
        double echo_right = feedback * (double)send_left[n - delay];
        low_left += 0.35 * (echo_left - low_left);
        low_right += 0.35 * (echo_right - low_right);
        send_left[n] += (float)low_left;
        send_right[n] += (float)low_right;
        mix_left[n] += (float)low_left;
        mix_right[n] += (float)low_right;
    }
}

// Master level over the tail: a squared fade to silence at the last sample.
double master_gain(long n) {
    const double level = 0.78;
    long fade_start = at(tail_bar, 0);
    if (n < fade_start) return level;
    double left = (double)(total_samples - n) / (double)(total_samples - fade_start);
    return level * left * left;
}

// Gentle limiting above 0.8 so that peaks never clip hard.
double soft_limit(double v) {
    double a = v < 0.0 ? -v : v;
    if (a > 0.8) a = 0.8 + 0.2 * (1.0 - 1.0 / (1.0 + (a - 0.8) * 5.0));
    return v < 0.0 ? -a : a;
}

int16_t to_pcm(double v) {
    double q = std::floor(soft_limit(v) * 32767.0 + 0.5);
    if (q > 32767.0) q = 32767.0;
    if (q < -32768.0) q = -32768.0;
    return (int16_t)q;
}

void put_u32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)(v & 0xFF);
    p[1] = (unsigned char)((v >> 8) & 0xFF);
    p[2] = (unsigned char)((v >> 16) & 0xFF);
    p[3] = (unsigned char)((v >> 24) & 0xFF);
}

void put_u16(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)(v & 0xFF);
    p[1] = (unsigned char)((v >> 8) & 0xFF);
}

int write_wav(const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 0;
    const uint32_t data_bytes = (uint32_t)total_samples * 4u;
    unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                0,   0,   0,   0,   0, 0, 0, 0, 0,   0,   0,   0,   0,   0,   0,   0,
                                0,   0,   0,   0,   'd', 'a', 't', 'a', 0, 0, 0, 0};
    put_u32(header + 4, 36u + data_bytes);
    put_u32(header + 16, 16u);                      // fmt chunk size
    put_u16(header + 20, 1u);                       // integer PCM
    put_u16(header + 22, 2u);                       // channels
    put_u32(header + 24, (uint32_t)sample_rate);    // frames per second
    put_u32(header + 28, (uint32_t)sample_rate * 4u);  // bytes per second
    put_u16(header + 32, 4u);                       // bytes per frame
    put_u16(header + 34, 16u);                      // bits per sample
    put_u32(header + 40, data_bytes);
    int ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;

    static unsigned char block[4 * 4096];
    long n = 0;
    while (ok && n < total_samples) {
        long count = 0;
        for (; count < 4096 && n < total_samples; ++count, ++n) {
            double gain = master_gain(n);
            uint16_t left = (uint16_t)to_pcm((double)mix_left[n] * gain);
            uint16_t right = (uint16_t)to_pcm((double)mix_right[n] * gain);
            put_u16(block + 4 * count, left);
            put_u16(block + 4 * count + 2, right);
        }
        ok = std::fwrite(block, 4, (size_t)count, file) == (size_t)count;
    }
    if (std::fclose(file) != 0) ok = 0;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: track_synth OUTPUT.wav\n", stderr);
        return 2;
    }
    play_sparse_act();
    play_blue_act();
    play_tree_act();
    play_closing_figure();
    play_tail();
    apply_delay();
    if (!write_wav(argv[1])) {
        std::fprintf(stderr, "track_synth: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
