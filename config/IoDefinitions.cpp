#include "config/IoDefinitions.h"

#include "config/DecimalText.h"
#include "config/KeyWord.h"
#include "config/KeyWordLines.h"

namespace config {
namespace {

bool sameWord(const char* word, const char* keyWord) {
    return KeyWord::matches(word, keyWord);
}

struct ModeWord {
    const char* word;
    IoMode mode;
};

constexpr ModeWord kInputModes[] = {
    {"MULTICAST", kIoMulticast}, {"LOCAL_STATE", kIoLocalState}, {"REMOTE_STATE", kIoRemoteState},
    {"CLIENT", kIoClient},       {"SERVER", kIoServer},
};

// Only these can be outputs; "NONE" and every other word add nothing.
constexpr ModeWord kOutputModes[] = {
    {"LOCAL_STATE", kIoLocalState},
    {"CLIENT", kIoClient},
    {"SERVER", kIoServer},
    {"GEOJSON", kIoGeoJson},
};

struct TextKey {
    const char* section;
    const char* key;
    std::optional<std::string> IoDefinitions::*field;
};

constexpr TextKey kTextKeys[] = {
    {"Input", "MultiCastPortFile", &IoDefinitions::multicastPortFile},
    {"Input", "LocalStateFile", &IoDefinitions::inputLocalStateFile},
    {"Input", "RemoteStateFile", &IoDefinitions::remoteStateFile},
    {"Input", "RemoteIp", &IoDefinitions::remoteIp},
    {"Input", "ClientIp", &IoDefinitions::inputClientIp},
    {"Output", "LocalStateFile", &IoDefinitions::outputLocalStateFile},
    {"Output", "GeoJsonFile", &IoDefinitions::outputGeoJsonFile},
    {"Output", "ClientIp", &IoDefinitions::outputClientIp},
};

struct IntegerKey {
    const char* section;
    const char* key;
    int32_t IoDefinitions::*field;
};

// "SesrverPort" is the key word existing files use; the correct spelling is
// not accepted, so such files keep meaning what they always meant.
constexpr IntegerKey kIntegerKeys[] = {
    {"Input", "RemotePort", &IoDefinitions::remotePort},
    {"Input", "ClientPort", &IoDefinitions::inputClientPort},
    {"Input", "SesrverPort", &IoDefinitions::inputServerPort},
    {"Input", "MultiCastBuffersPerPort", &IoDefinitions::buffersPerPort},
    {"Input", "MultiCastBytesPerBuffer", &IoDefinitions::bytesPerBuffer},
    {"Output", "ClientPort", &IoDefinitions::outputClientPort},
    {"Output", "SesrverPort", &IoDefinitions::outputServerPort},
};

} // namespace

void IoDefinitions::reset() {
    inputMode = kIoNone;
    outputCount = 0;
    outputModes.fill(kIoNone);
    for (const TextKey& key : kTextKeys) {
        (this->*key.field).reset();
    }
    remotePort = 0;
    inputClientPort = 0;
    inputServerPort = 0;
    outputClientPort = 0;
    outputServerPort = 0;
}

bool IoDefinitions::load(const char* path) {
    reset();
    return KeyWordLines::read(path, [this](const char* section, const char* key,
                                           const char* value) { applyLine(section, key, value); });
}

void IoDefinitions::applyLine(const char* section, const char* key, const char* value) {
    if (sameWord(section, "Active")) {
        if (sameWord(key, "Input")) {
            setInputMode(value);
        } else if (sameWord(key, "Output")) {
            appendOutputMode(value);
        }
        return;
    }
    if (setText(section, key, value)) {
        return;
    }
    setInteger(section, key, value);
}

void IoDefinitions::setInputMode(const char* word) {
    for (const ModeWord& mode : kInputModes) {
        if (sameWord(word, mode.word)) {
            inputMode = mode.mode;
            return;
        }
    }
}

void IoDefinitions::appendOutputMode(const char* word) {
    if (outputCount >= kMaxOutputs) {
        return;
    }
    for (const ModeWord& mode : kOutputModes) {
        if (sameWord(word, mode.word)) {
            outputModes[static_cast<size_t>(outputCount++)] = mode.mode;
            return;
        }
    }
}

bool IoDefinitions::setText(const char* section, const char* key, const char* value) {
    for (const TextKey& text : kTextKeys) {
        if (sameWord(section, text.section) && sameWord(key, text.key)) {
            this->*text.field = value;
            return true;
        }
    }
    return false;
}

bool IoDefinitions::setInteger(const char* section, const char* key, const char* value) {
    for (const IntegerKey& integer : kIntegerKeys) {
        if (sameWord(section, integer.section) && sameWord(key, integer.key)) {
            this->*integer.field = DecimalText::toInteger(value);
            return true;
        }
    }
    return false;
}

} // namespace config
