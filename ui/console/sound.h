// The terminal program's sounds, through SDL2's audio. The device is opened
// on a background thread at the first sound, so a slow or missing device never
// holds up the program; with no device, or a file that cannot be read, every
// call is silent and returns at once.
#pragma once

#include <string>

// Starts the wave file (a path in the system's encoding) and returns at once;
// with loop it repeats until the next sound. Any sound cuts the one playing.
void soundplay(const std::string &path, bool loop);

// Plays the wave file and returns when it has ended, or as soon as stop()
// says so (the sound is then cut).
void soundsync(const std::string &path, bool (*stop)());

// Cuts the sound that is playing.
void soundstop();
