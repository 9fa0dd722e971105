/* Plays a MIDI file through SDL2_mixer into SDL's disk audio driver and checks that the
 * result is audible and lasts as long as the file says.
 *
 * usage: midi_play_test FILE.mid [OUTPUT.raw]
 *
 * The disk driver is run without its real-time delay (SDL_DISKAUDIODELAY=0), so a piece of
 * several minutes renders in seconds. The expected length comes from parsing the file itself
 * (tempo map and last event). */
#include <SDL.h>
#include <SDL_mixer.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define RATE 44100
#define CHANNELS 2

static volatile Uint64 frames_mixed;
static volatile Uint64 frames_loud;
static volatile int peak;
static volatile Uint64 frames_at_finish;
static volatile int finished;

static void post_mix(void *udata, Uint8 *stream, int len)
{
    (void)udata;
    const Sint16 *s = (const Sint16 *)stream;
    int frames = len / (int)(sizeof(Sint16) * CHANNELS);
    for (int i = 0; i < frames; ++i) {
        int loud = 0;
        for (int c = 0; c < CHANNELS; ++c) {
            int v = abs(s[i * CHANNELS + c]);
            if (v > peak)
                peak = v;
            if (v > 200)
                loud = 1;
        }
        if (loud && !finished)
            ++frames_loud;
    }
    frames_mixed += (Uint64)frames;
}

static void music_finished(void)
{
    frames_at_finish = frames_mixed;
    finished = 1;
}

static unsigned long read_var(const unsigned char *d, size_t end, size_t *p, int *ok)
{
    unsigned long v = 0;
    for (int n = 0; n < 4; ++n) {
        if (*p >= end) {
            *ok = 0;
            return 0;
        }
        unsigned char b = d[(*p)++];
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return v;
    }
    *ok = 0;
    return 0;
}

struct tempo_change {
    unsigned long tick;
    unsigned long usec;
};

/* Length of a standard MIDI file in seconds up to its last event; negative if damaged. */
static double midi_seconds(const unsigned char *d, size_t size)
{
    if (size < 14 || memcmp(d, "MThd", 4) != 0)
        return -1;
    unsigned long hlen = ((unsigned long)d[4] << 24) | ((unsigned long)d[5] << 16) | (d[6] << 8) | d[7];
    unsigned tracks = (d[10] << 8) | d[11];
    unsigned division = (d[12] << 8) | d[13];
    if (division == 0 || (division & 0x8000))
        return -1;
    struct tempo_change tempos[1024];
    int ntempos = 0;
    unsigned long last = 0;
    size_t pos = 8 + hlen;
    for (unsigned t = 0; t < tracks; ++t) {
        if (pos + 8 > size || memcmp(d + pos, "MTrk", 4) != 0)
            return -1;
        unsigned long len = ((unsigned long)d[pos + 4] << 24) | ((unsigned long)d[pos + 5] << 16) |
                            (d[pos + 6] << 8) | d[pos + 7];
        size_t p = pos + 8, end = pos + 8 + len;
        if (end > size)
            return -1;
        unsigned long tick = 0;
        unsigned char status = 0;
        int ok = 1;
        while (p < end && ok) {
            tick += read_var(d, end, &p, &ok);
            if (p >= end)
                break;
            if (d[p] & 0x80)
                status = d[p++];
            if (status == 0xFF) {
                if (p >= end)
                    return -1;
                unsigned char kind = d[p++];
                unsigned long n = read_var(d, end, &p, &ok);
                if (p + n > end)
                    return -1;
                if (kind == 0x51 && n == 3 && ntempos < 1024) {
                    tempos[ntempos].tick = tick;
                    tempos[ntempos].usec = ((unsigned long)d[p] << 16) | (d[p + 1] << 8) | d[p + 2];
                    ++ntempos;
                }
                p += n;
                status = 0;
            } else if (status == 0xF0 || status == 0xF7) {
                p += read_var(d, end, &p, &ok);
                status = 0;
            } else if (status & 0x80) {
                unsigned char kind = status & 0xF0;
                p += (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            } else {
                return -1;
            }
            if (tick > last)
                last = tick;
        }
        if (!ok)
            return -1;
        pos = end;
    }
    /* Tempo changes may come from any track: apply them in time order. */
    for (int i = 1; i < ntempos; ++i)
        for (int j = i; j > 0 && tempos[j].tick < tempos[j - 1].tick; --j) {
            struct tempo_change tmp = tempos[j];
            tempos[j] = tempos[j - 1];
            tempos[j - 1] = tmp;
        }
    double seconds = 0;
    unsigned long prev = 0, usec = 500000;
    for (int i = 0; i < ntempos && tempos[i].tick <= last; ++i) {
        seconds += (double)(tempos[i].tick - prev) * usec / 1e6 / division;
        prev = tempos[i].tick;
        usec = tempos[i].usec;
    }
    return seconds + (double)(last - prev) * usec / 1e6 / division;
}

static int fail(const char *what, const char *detail)
{
    fprintf(stderr, "FAIL: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
    return 1;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s FILE.mid [OUTPUT.raw]\n", argv[0]);
        return 2;
    }
    const char *path = argv[1];
    char out[4096];
    snprintf(out, sizeof out, "%s", argc > 2 ? argv[2] : "midi_play_test.raw");

    FILE *f = fopen(path, "rb");
    if (!f)
        return fail("cannot open", path);
    static unsigned char data[4 << 20];
    size_t size = fread(data, 1, sizeof data, f);
    fclose(f);
    double expected = midi_seconds(data, size);
    if (expected <= 0)
        return fail("not a readable MIDI file", path);

    SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
    SDL_setenv("SDL_DISKAUDIOFILE", out, 1);
    SDL_setenv("SDL_DISKAUDIODELAY", "0", 1);
    if (SDL_Init(SDL_INIT_AUDIO) != 0)
        return fail("SDL_Init", SDL_GetError());
    Mix_Init(MIX_INIT_MID);
    if (Mix_OpenAudio(RATE, AUDIO_S16SYS, CHANNELS, 2048) != 0)
        return fail("Mix_OpenAudio", Mix_GetError());
    Mix_Music *music = Mix_LoadMUS(path);
    if (!music)
        return fail("Mix_LoadMUS", Mix_GetError());
    Mix_SetPostMix(post_mix, NULL);
    Mix_HookMusicFinished(music_finished);
    if (Mix_PlayMusic(music, 0) != 0)
        return fail("Mix_PlayMusic", Mix_GetError());

    /* Wait for the end, but give up well after the expected length has been rendered or after
     * a minute of wall time. */
    Uint32 started = SDL_GetTicks();
    Uint64 limit = (Uint64)((expected + 30.0) * RATE);
    while (!finished && frames_mixed < limit && SDL_GetTicks() - started < 60000)
        SDL_Delay(5);
    SDL_Delay(50);
    Mix_HaltMusic();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_Quit();

    /* The disk driver must have written real samples to its file. */
    f = fopen(out, "rb");
    if (!f)
        return fail("the disk audio driver wrote no file", out);
    long loud_in_file = 0, samples_in_file = 0;
    Sint16 buf[4096];
    size_t n;
    while ((n = fread(buf, sizeof(Sint16), 4096, f)) > 0) {
        for (size_t i = 0; i < n; ++i)
            if (abs(buf[i]) > 200)
                ++loud_in_file;
        samples_in_file += (long)n;
    }
    fclose(f);
    remove(out);

    double played = finished ? (double)frames_at_finish / RATE : -1;
    double loud = (double)frames_loud / RATE;
    printf("%s: expected %.1f s, played %.1f s, audible for %.1f s, peak %d, %ld of %ld samples "
           "in the disk file audible\n",
           path, expected, played, loud, peak, loud_in_file, samples_in_file);
    if (!finished)
        return fail("the music did not end", NULL);
    if (peak < 2000)
        return fail("the music is too quiet", NULL);
    if (loud_in_file < RATE)
        return fail("the disk file holds less than a second of sound", NULL);
    /* The synthesiser lets the final notes ring out for a moment after the last event; a piece
     * that stops early or runs on is caught. */
    if (played < expected - 1.0 || played > expected + 6.0)
        return fail("the music's length differs from the file's", NULL);
    if (loud < expected * 0.8)
        return fail("the music is silent for too much of its length", NULL);
    printf("PASS\n");
    return 0;
}
