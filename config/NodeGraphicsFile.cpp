#include "config/NodeGraphicsFile.h"

#include "config/ConfigReader.h"
#include "config/DecimalText.h"
#include "config/KeyWord.h"

namespace config {
namespace {

constexpr int kFieldsPerLine = 15;
constexpr int kLineBufferSize = 800;
constexpr int kFieldSize = 100;

constexpr int kImageField = 1;
constexpr int kFirstValueField = 2;
constexpr int kNumberOnIconField = 14;

// Where the number starts in a name: "Prox3" holds rank 3, "Ic12" node 12.
constexpr size_t kProximityNumberAt = 4;
constexpr size_t kPerNodeNumberAt = 2;

int32_t numberFrom(const std::string& name, size_t position) {
    if (name.size() <= position) {
        return 0;
    }
    return DecimalText::toInteger(name.c_str() + position);
}

// Overwrites the fields the current line has; the others keep the previous line's values.
void applyLine(const ConfigReader& reader, NodeGraphicsEntry& entry) {
    const char* text = nullptr;
    if (reader.getString(0, &text)) {
        entry.name = text;
        entry.kind = NodeGraphicsFile::kindOf(entry.name, &entry.number);
    }
    if (reader.getString(kImageField, &text)) {
        entry.hasImage = true;
        entry.imageFile = text;
    }
    for (size_t i = 0; i < entry.values.size(); ++i) {
        reader.getReal(kFirstValueField + static_cast<int>(i), &entry.values[i]);
    }
    if (reader.getString(kNumberOnIconField, &text)) {
        entry.numberOnIcon = KeyWord::matches(text, "on");
    }
}

} // namespace

NodeGraphicsKind NodeGraphicsFile::kindOf(const std::string& name, int32_t* number) {
    NodeGraphicsKind kind = UnusedEntry;
    int32_t value = 0;
    switch (name.empty() ? '\0' : name[0]) {
    case 'D':
        kind = DefaultIcon;
        break;
    case 'T':
        kind = TargetMarker;
        break;
    case 'C':
        kind = ChaseMarker;
        break;
    case 'P':
        kind = ProximityMarker;
        value = numberFrom(name, kProximityNumberAt);
        break;
    case 'I':
        kind = PerNodeIcon;
        value = numberFrom(name, kPerNodeNumberAt);
        break;
    default:
        break;
    }
    if (number != nullptr) {
        *number = value;
    }
    return kind;
}

std::vector<NodeGraphicsEntry> NodeGraphicsFile::read(const char* fileName) {
    std::vector<NodeGraphicsEntry> entries;
    if (fileName == nullptr) {
        return entries;
    }
    ConfigReader reader(fileName, kFieldsPerLine, nullptr, kLineBufferSize, kFieldSize);
    // Defaults for what the first line leaves out: no image, zero sizes and colours, id off.
    NodeGraphicsEntry carried;
    for (int i = 0; i < reader.lineCount(); ++i) {
        reader.selectLine(i);
        applyLine(reader, carried);
        entries.push_back(carried);
    }
    return entries;
}

} // namespace config
