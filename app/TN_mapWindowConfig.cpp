// The configuration loaders of the application object: the master file, the
// input/output definitions and the preferences, and how each brings its
// dialog up to date.
#include "app/TN_mapWindow.h"

#include "config/MapGraphicsFile.h"
#include "config/NodeGraphicsFile.h"
#include "config/PreferencesFile.h"
#include "ui/InputsDialog.h"
#include "ui/MasterConfigDialog.h"
#include "ui/OutputsDialog.h"
#include "ui/PreferencesDialog.h"

#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>

#include <cstdio>

namespace app {
namespace {

// A text field shows the text, or nothing for none.
template <typename Field> void showText(Field* field, const std::optional<std::string>& text) {
    field->value(text ? text->c_str() : "");
}

} // namespace

void TN_mapWindow::loadMasterConfig(const char* fileName) {
    configFileNames_[kMasterFile].reset();
    if (fileName != nullptr) {
        configFileNames_[kMasterFile] = fileName;
    }
    for (const config::MasterConfig::Entry& entry : config::MasterConfig::read(fileName)) {
        loadConfigFile(entry.key, entry.fileName);
    }
    // After every file: the node file and the node graphics file may come in either order.
    nodeGraphics_->assignPerNodeIcons(*nodeTable_);
    showConfigFileNames();
    recomputePeriods(nullptr);
}

// Each loader keeps the name before it reads, so the name shown is the one
// last given even when that file could not be read.
void TN_mapWindow::loadConfigFile(config::MasterConfig::Key key, const std::string& fileName) {
    switch (key) {
    case config::MasterConfig::kNodeFile:
        configFileNames_[kNodeFile] = fileName;
        nodeTable_->loadNodeFile(fileName.c_str());
        rebuildVehicleChoices();
        break;
    case config::MasterConfig::kPortFile:
        configFileNames_[kPortFile] = fileName;
        nodeTable_->loadPortFile(fileName.c_str());
        break;
    case config::MasterConfig::kNodeDefFile:
        configFileNames_[kNodeDefFile] = fileName;
        nodeGraphics_->load(config::NodeGraphicsFile::read(fileName.c_str()));
        break;
    case config::MasterConfig::kWwwFile:
        loadIoDefinitions(fileName.c_str());
        break;
    case config::MasterConfig::kMapFile:
        configFileNames_[kMapFile] = fileName;
        mapLayers_->load(config::MapGraphicsFile::read(fileName.c_str()));
        break;
    case config::MasterConfig::kPreferenceFile:
        loadPreferences(fileName.c_str());
        break;
    }
}

void TN_mapWindow::showConfigFileNames() {
    static const MasterConfigDialog::NameField kFields[kConfigFileCount] = {
        MasterConfigDialog::kMaster,        MasterConfigDialog::kNodeFile,
        MasterConfigDialog::kPortFile,      MasterConfigDialog::kNodeDefFile,
        MasterConfigDialog::kWwwFile,       MasterConfigDialog::kMapFile,
        MasterConfigDialog::kPreferenceFile};
    masterConfigDialog_->clearNames();
    for (int file = 0; file < kConfigFileCount; ++file) {
        if (configFileNames_[file]) {
            masterConfigDialog_->setName(kFields[file], configFileNames_[file]->c_str());
        }
    }
}

// Item i of both vehicle choices is the node at table position i; the
// callbacks rely on it. The current target and chase are selected again, so
// the choices never show nothing while a target is set.
void TN_mapWindow::rebuildVehicleChoices() {
    PreferencesDialog& d = *preferencesDialog_;
    d.targetVehicle->clear();
    d.chaseVehicle->clear();
    d.closeVehicles->clear();
    for (uint32_t position = 0; position < nodeTable_->fileNodeCount(); ++position) {
        char label[32];
        std::snprintf(label, sizeof label, "ID%03d", nodeTable_->recordAt(position)->id);
        d.chaseVehicle->add(label);
        d.targetVehicle->add(label);
    }
    d.closeVehicles->add("NONE");
    for (int count = 1; count <= 9; ++count) {
        d.closeVehicles->add(std::to_string(count).c_str());
    }
    showPreferences();
}

void TN_mapWindow::loadPreferences(const char* fileName) {
    configFileNames_[kPreferenceFile].reset();
    if (fileName != nullptr) {
        configFileNames_[kPreferenceFile] = fileName;
    }
    std::vector<std::string> warnings;
    config::PreferencesFile::load(fileName, *preferences_, &warnings);
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "%s\n", warning.c_str());
    }
    showPreferences();
}

void TN_mapWindow::showPreferences() {
    PreferencesDialog& d = *preferencesDialog_;
    config::Preferences& p = *preferences_;
    if (const nodes::NodeRecord* target = nodeTable_->findById(p.targetId)) {
        d.targetVehicle->value(static_cast<int>(target->index));
    }
    if (const nodes::NodeRecord* chase = nodeTable_->findById(p.chaseId)) {
        d.chaseVehicle->value(static_cast<int>(chase->index));
    }
    if (p.proxNumber > 9) {
        p.proxNumber = 9;
    }
    if (p.proxNumber >= 0) {
        d.closeVehicles->value(p.proxNumber);
    }
    d.targetIcon->value(p.targetIcon ? 1 : 0);
    d.chaseIcon->value(p.chaseIcon ? 1 : 0);
    d.proxIcon->value(p.proxIcon ? 1 : 0);
    const std::array<Fl_Round_Button*, 3> track = trackButtons();
    for (int mode = 0; mode < 3; ++mode) {
        track[mode]->value(p.trackMode == mode ? 1 : 0);
    }
    d.displayAll->value(p.displayMode == config::Preferences::kDisplayAll ? 1 : 0);
    d.displayTargetGroup->value(p.displayMode == config::Preferences::kDisplayTargetGroup ? 1 : 0);
    d.commentNode->value(p.commentNode ? 1 : 0);
    d.commentPacket1->value(p.commentPacket1 ? 1 : 0);
    d.commentPacket2->value(p.commentPacket2 ? 1 : 0);
    d.mediumIdle->value(p.mediumIdle);
    d.badIdle->value(p.badIdle);
}

void TN_mapWindow::loadIoDefinitions(const char* fileName) {
    configFileNames_[kWwwFile].reset();
    if (fileName != nullptr) {
        configFileNames_[kWwwFile] = fileName;
    }
    ioDefinitions_.load(fileName);
    applyIoDefinitions();
}

void TN_mapWindow::applyIoDefinitions() {
    InputsDialog& in = *inputsDialog_;
    const config::IoDefinitions& io = ioDefinitions_;
    in.resetInputsDialog();
    in.multicast->value(0);
    switch (io.inputMode) {
    case config::kIoLocalState:
        in.localState->value(1);
        break;
    case config::kIoRemoteState:
        in.remoteState->value(1);
        break;
    case config::kIoClient:
        in.client->value(1);
        break;
    case config::kIoServer:
        in.server->value(1);
        break;
    default:
        in.multicast->value(1);
        break;
    }
    OutputsDialog& out = *outputsDialog_;
    geoJsonFile_.reset();
    for (int i = 0; i < io.outputCount; ++i) {
        if (io.outputModes[i] == config::kIoGeoJson && io.outputGeoJsonFile &&
            !io.outputGeoJsonFile->empty()) {
            geoJsonFile_ = io.outputGeoJsonFile;
        } else if (io.outputModes[i] == config::kIoLocalState) {
            out.localSnapshot->value(1);
        } else if (io.outputModes[i] == config::kIoClient) {
            out.clientSending->value(1);
        } else if (io.outputModes[i] == config::kIoServer) {
            out.serverSending->value(1);
        }
    }
    showText(in.multicastFile, io.multicastPortFile);
    in.buffersPerPort->value(io.buffersPerPort);
    in.bytesPerBuffer->value(io.bytesPerBuffer);
    showText(in.stateFile, io.inputLocalStateFile);
    showText(in.remoteHost, io.remoteIp);
    in.remotePort->value(io.remotePort);
    showText(in.remoteFile, io.remoteStateFile);
    showText(in.clientHost, io.inputClientIp);
    in.clientPort->value(io.inputClientPort);
    in.serverPort->value(io.inputServerPort);

    showText(out.snapshotFile, io.outputLocalStateFile);
    out.setSnapshotFile(io.outputLocalStateFile ? io.outputLocalStateFile->c_str() : nullptr);
    out.setStatusText("State File Generation is Off");
    out.setCounterText("Counter 00000000000000");
    showText(out.clientHost, io.outputClientIp);
    out.clientPort->value(io.outputClientPort);
    out.serverPort->value(io.outputServerPort);
}

} // namespace app
