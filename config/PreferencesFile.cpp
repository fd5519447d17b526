#include "config/PreferencesFile.h"

#include "config/DecimalText.h"
#include "config/KeyWord.h"
#include "config/KeyWordLines.h"

namespace config {
namespace {

bool sameWord(const char* word, const char* keyWord) {
    return KeyWord::matches(word, keyWord);
}

struct FlagKey {
    const char* group;
    const char* key;
    bool Preferences::*field;
};

constexpr FlagKey kFlagKeys[] = {
    {"target", "icon", &Preferences::targetIcon},
    {"chase", "icon", &Preferences::chaseIcon},
    {"prox", "icon", &Preferences::proxIcon},
    {"comment", "node", &Preferences::commentNode},
    {"comment", "mcPacket1", &Preferences::commentPacket1},
    {"comment", "mcPacket2", &Preferences::commentPacket2},
    {"alert", "alarm", &Preferences::alertAlarm},
};

struct IntegerKey {
    const char* group;
    const char* key;
    int32_t Preferences::*field;
};

constexpr IntegerKey kIntegerKeys[] = {
    {"target", "id", &Preferences::targetId},
    {"chase", "id", &Preferences::chaseId},
    {"prox", "number", &Preferences::proxNumber},
};

struct RealKey {
    const char* group;
    const char* key;
    double Preferences::*field;
};

constexpr RealKey kRealKeys[] = {
    {"alert", "distance", &Preferences::alertDistance},
    {"alert", "mediumIdle", &Preferences::mediumIdle},
    {"alert", "badIdle", &Preferences::badIdle},
};

struct ModeWord {
    const char* word;
    int32_t mode;
};

constexpr ModeWord kTrackModes[] = {
    {"all", Preferences::kTrackAll},
    {"targetGroup", Preferences::kTrackTargetGroup},
    {"roam", Preferences::kTrackRoam},
};

constexpr ModeWord kDisplayModes[] = {
    {"all", Preferences::kDisplayAll},
    {"targetGroup", Preferences::kDisplayTargetGroup},
};

bool applyFlag(const char* group, const char* key, const char* value, Preferences& preferences) {
    for (const FlagKey& flag : kFlagKeys) {
        if (!sameWord(group, flag.group) || !sameWord(key, flag.key)) {
            continue;
        }
        if (sameWord(value, "on")) {
            preferences.*flag.field = true;
        } else if (sameWord(value, "off")) {
            preferences.*flag.field = false;
        }
        return true;
    }
    return false;
}

bool applyNumber(const char* group, const char* key, const char* value, Preferences& preferences) {
    for (const IntegerKey& integer : kIntegerKeys) {
        if (sameWord(group, integer.group) && sameWord(key, integer.key)) {
            preferences.*integer.field = DecimalText::toInteger(value);
            return true;
        }
    }
    for (const RealKey& real : kRealKeys) {
        if (sameWord(group, real.group) && sameWord(key, real.key)) {
            preferences.*real.field = DecimalText::toReal(value);
            return true;
        }
    }
    return false;
}

template <size_t N> void applyMode(const ModeWord (&modes)[N], const char* value, int32_t& field) {
    for (const ModeWord& mode : modes) {
        if (sameWord(value, mode.word)) {
            field = mode.mode;
            return;
        }
    }
}

bool applyModeLine(const char* group, const char* key, const char* value,
                   Preferences& preferences) {
    if (!sameWord(key, "mode")) {
        return false;
    }
    if (sameWord(group, "track")) {
        applyMode(kTrackModes, value, preferences.trackMode);
        return true;
    }
    if (sameWord(group, "display")) {
        applyMode(kDisplayModes, value, preferences.displayMode);
        return true;
    }
    return false;
}

void applyLine(const char* group, const char* key, const char* value, Preferences& preferences) {
    if (applyFlag(group, key, value, preferences)) {
        return;
    }
    if (applyNumber(group, key, value, preferences)) {
        return;
    }
    applyModeLine(group, key, value, preferences);
}

} // namespace

bool PreferencesFile::load(const char* path, Preferences& preferences) {
    const bool readable = KeyWordLines::read(
        path, [&preferences](const char* group, const char* key, const char* value) {
            applyLine(group, key, value, preferences);
        });
    // The close-vehicle choice ends at 9, so a larger number is brought down to
    // the last item. A negative one is kept: the choice then keeps its item.
    if (preferences.proxNumber > kMaxProxNumber) {
        preferences.proxNumber = kMaxProxNumber;
    }
    return readable;
}

} // namespace config
