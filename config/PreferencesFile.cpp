#include "config/PreferencesFile.h"

#include "config/DecimalText.h"
#include "config/KeyWord.h"
#include "config/KeyWordLines.h"

#include <cstdio>
#include <limits>

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
    {"alert", "mediumIdle", &Preferences::mediumIdle},
    {"alert", "badIdle", &Preferences::badIdle},
};

// Values that steer new behaviour and must make sense: a wrong word here keeps the field rather
// than turning into 0 as atof would, and says so.
struct CheckedRealKey {
    const char* group;
    const char* key;
    double Preferences::*field;
    double highest;
    const char* unit;
};

constexpr CheckedRealKey kCheckedRealKeys[] = {
    {"alert", "distance", &Preferences::alertDistance, std::numeric_limits<double>::max(),
     "0 or more metres"},
    {"display", "trail", &Preferences::trailSeconds, PreferencesFile::kMaxTrailSeconds,
     "0 to 86400 seconds"},
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

std::string refusal(const char* path, const char* group, const char* key, const char* value,
                    const char* unit, double kept) {
    char text[512];
    std::snprintf(text, sizeof text, "Warning: %s: \"%s %s %s\": not %s, %g kept", path, group, key,
                  value, unit, kept);
    return text;
}

bool applyCheckedNumber(const char* path, const char* group, const char* key, const char* value,
                        Preferences& preferences, std::vector<std::string>* warnings) {
    for (const CheckedRealKey& checked : kCheckedRealKeys) {
        if (!sameWord(group, checked.group) || !sameWord(key, checked.key)) {
            continue;
        }
        double number = 0.0;
        if (!DecimalText::hexadecimalForm(value) && DecimalText::readFiniteReal(value, number) &&
            number >= 0.0 && number <= checked.highest) {
            preferences.*checked.field = number;
        } else if (warnings != nullptr) {
            warnings->push_back(
                refusal(path, group, key, value, checked.unit, preferences.*checked.field));
        }
        return true;
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

bool PreferencesFile::load(const char* path, Preferences& preferences,
                           std::vector<std::string>* warnings) {
    const bool readable =
        KeyWordLines::read(path, [&](const char* group, const char* key, const char* value) {
            if (!applyCheckedNumber(path, group, key, value, preferences, warnings)) {
                applyLine(group, key, value, preferences);
            }
        });
    // The close-vehicle choice ends at 9, so a larger number is brought down to
    // the last item. A negative one is kept: the choice then keeps its item.
    if (preferences.proxNumber > kMaxProxNumber) {
        preferences.proxNumber = kMaxProxNumber;
    }
    return readable;
}

} // namespace config
