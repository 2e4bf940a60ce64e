// The system's keys, known by the event's key and code names (what the key means, and
// which key it is) and, for browsers that give neither, by the desktop's key code.
#include "platform/web/system_keys_web.h"

#include <string.h>

namespace {

const char* const SYSTEM_KEY_NAMES[] = {
    "F5", "F11", "F12", "Meta", "OS", "Super", "Hyper", "ContextMenu",
    "Power", "PowerOff", "Sleep", "WakeUp", "Standby", "Hibernate", "Eject",
    // The input method's keys, and a dead key waiting for the letter it accents.
    "Dead", "Compose", "Process", "Convert", "NonConvert", "Accept", "ModeChange",
    "AllCandidates", "PreviousCandidate", "CodeInput", "SingleCandidate", "GroupFirst",
    "GroupLast", "GroupNext", "GroupPrevious", "Alphanumeric", "Eisu", "Hankaku", "Hiragana",
    "HiraganaKatakana", "KanaMode", "KanjiMode", "Katakana", "Romaji", "Zenkaku",
    "ZenkakuHankaku", "HangulMode", "HanjaMode", "JunjaMode", "FinalMode"};

// Whole families: AudioVolumeUp, MediaPlayPause, BrowserBack, LaunchMail, BrightnessUp...
const char* const SYSTEM_KEY_PREFIXES[] = {"AudioVolume", "Media", "Browser", "Launch", "Brightness",
                                           "Microphone"};

// The physical keys, for a key whose meaning the browser leaves "Unidentified".
const char* const SYSTEM_CODE_PREFIXES[] = {"Meta", "OS", "Volume", "AudioVolume", "Media",
                                            "Browser", "Launch", "Lang"};
const char* const SYSTEM_CODES[] = {"ContextMenu", "Convert", "NonConvert", "KanaMode", "Power",
                                    "Sleep", "WakeUp", "Eject"};

bool startsWith(const char* s, const char* prefix) { return strncmp(s, prefix, strlen(prefix)) == 0; }

template <int N>
bool isOneOf(const char* s, const char* const (&names)[N]) {
  for (const char* name : names)
    if (strcmp(s, name) == 0) return true;
  return false;
}

template <int N>
bool startsWithOneOf(const char* s, const char* const (&prefixes)[N]) {
  for (const char* prefix : prefixes)
    if (startsWith(s, prefix)) return true;
  return false;
}

// The desktop's key codes of the same keys: the Windows and Menu keys; the input method's
// (Kana/Hangul to Mode change, the OEM ones of Japanese keyboards, Process); Sleep; the
// browser, volume, media and launch keys; F5, F11 and F12.
bool isSystemKeyCode(unsigned long code) {
  return code == 0x5B || code == 0x5C || code == 0x5D || (code >= 0x15 && code <= 0x19) ||
         (code >= 0x1C && code <= 0x1F) || code == 0x5F || (code >= 0xA6 && code <= 0xB7) ||
         (code >= 0xF0 && code <= 0xF5) || code == 0xE5 || code == 0x74 || code == 0x7A ||
         code == 0x7B;
}

}  // namespace

int isSystemKey(const EmscriptenKeyboardEvent* e) {
  if (e->ctrlKey || e->metaKey) return 1;
  if (isOneOf(e->key, SYSTEM_KEY_NAMES) || startsWithOneOf(e->key, SYSTEM_KEY_PREFIXES)) return 1;
  if (isOneOf(e->code, SYSTEM_CODES) || startsWithOneOf(e->code, SYSTEM_CODE_PREFIXES)) return 1;
  return isSystemKeyCode(e->keyCode);
}

int isCommandKey(const EmscriptenKeyboardEvent* e) {
  return strcmp(e->key, "Meta") == 0 || strcmp(e->key, "OS") == 0 || startsWith(e->code, "Meta") ||
         startsWith(e->code, "OS");
}
