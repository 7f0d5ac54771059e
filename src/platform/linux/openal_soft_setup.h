#pragma once

// Sets OpenAL Soft up for this process, once, before its first call: small
// mixing periods for a short path from play() to the speaker (unless the
// user has an OpenAL Soft configuration of their own: ALSOFT_CONF,
// ~/.alsoftrc or $XDG_CONFIG_HOME/alsoft.conf), no log of its own, and the
// ALSA library it may load kept from writing on the terminal. The
// configuration is named to OpenAL Soft through the environment only while
// its first call runs, and lives in memory, never on a disk. The commands
// that play call it before any other thread starts; the audio output calls
// it too when it is made, for programs that made no such start.
void tonnixSetUpOpenALSoft();
