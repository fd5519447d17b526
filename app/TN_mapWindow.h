#pragma once

#include "app/ActivitySchedule.h"
#include "app/RateTable.h"
#include "app/RemotePoll.h"
#include "config/IoDefinitions.h"
#include "config/MasterConfig.h"
#include "config/Preferences.h"
#include "nodes/NodeTable.h"
#include "nodes/ProximityAlarm.h"
#include "platform/TimeStamp.h"
#include "render/MapLayerList.h"
#include "render/NodeGraphicsSet.h"
#include "render/ViewFollower.h"
#include "ui/MapWindowCommands.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

class DrawContext;
class Fl_Box;
class InputsDialog;
class OutputsDialog;
class PreferencesDialog;
class Fl_Button;
class Fl_Choice;
class Fl_Double_Window;
class Fl_Window;
class Fl_Round_Button;
class MapView;
class MasterConfigDialog;
class glDrawSurface;

namespace app {

// The application object: owns the main window with its map surface, the
// view, the node table, the preferences, the dialogs and the timing state,
// runs the loop and carries out the commands of the windows.
//
// Exactly one exists. Everything runs on the main thread except the remote
// poll, which lives on its timer thread inside RemotePoll and talks to this
// object only through what the tick publishes and the results it takes back.
// Fl::lock() must have been called before construction (receiver threads
// and the poll wake the loop with Fl::awake()).
class TN_mapWindow : public ui::MapWindowCommands {
public:
    // The files named by the master configuration, and the master file.
    enum ConfigFile {
        kMasterFile,
        kNodeFile,
        kPortFile,
        kNodeDefFile,
        kWwwFile,
        kMapFile,
        kPreferenceFile,
        kConfigFileCount
    };

    TN_mapWindow();
    ~TN_mapWindow() override;
    TN_mapWindow(const TN_mapWindow&) = delete;
    TN_mapWindow& operator=(const TN_mapWindow&) = delete;

    // Loads every file the master file names, in its order, then shows the
    // names in the master configuration dialog and recomputes the periods.
    // None (or a file that cannot be read) loads nothing.
    void loadMasterConfig(const char* fileName);
    // Shows the windows, starts the receivers and the remote poll, and loops
    // until a close request; returns 0.
    int run();
    // One pass of the loop; returns the time waited for events, negative when
    // it blocked until one came.
    double runOnePass();

    void sampleClock() { schedule_.sampleClock(); }
    bool isEnabled(int slot) const;
    bool isDue(int slot) const { return schedule_.isDue(slot); }
    double timeUntilDue(int slot) const { return schedule_.timeUntilDue(slot); }
    // The wait of one pass: the least time until due over the switched-on
    // slots that the loop acts on, at most 1/60 s; negative when there is
    // none and the loop may block.
    double waitTime() const;
    void armRemoteTimer();
    void periodicUpdate();

    // Commands, in slot order.
    void menuWindow_(Fl_Widget* widget) override;
    void graphicsToggle_(Fl_Widget* widget) override;
    void fileChooser_(Fl_Widget* widget) override;
    void close_(Fl_Widget* widget) override;
    void graphics_(Fl_Widget* widget) override;
    void files_(Fl_Widget* widget) override;
    void inputs_(Fl_Widget* widget) override;
    void outputs_(Fl_Widget* widget) override;
    void targetVehicle_(Fl_Widget* widget) override;
    void chaseVehicle_(Fl_Widget* widget) override;
    void closeVehicles_(Fl_Widget* widget) override;
    void targetIcon_(Fl_Widget* widget) override;
    void chaseIcon_(Fl_Widget* widget) override;
    void closeIcon_(Fl_Widget* widget) override;
    void trackAll_(Fl_Widget* widget) override;
    void trackTarget_(Fl_Widget* widget) override;
    void trackRoam_(Fl_Widget* widget) override;
    void displayAll_(Fl_Widget* widget) override;
    void displayTargetGroup_(Fl_Widget* widget) override;
    void commentNode_(Fl_Widget* widget) override;
    void commentPacket1_(Fl_Widget* widget) override;
    void commentPacket2_(Fl_Widget* widget) override;
    void recomputePeriods(Fl_Widget* widget) override;

    Fl_Double_Window* mainWindow() const { return mainWindow_; }
    glDrawSurface* surface() const { return surface_; }
    MapView* view() const { return view_.get(); }
    nodes::NodeTable& nodeTable() { return *nodeTable_; }
    config::Preferences& preferences() { return *preferences_; }
    render::MapLayerList& mapLayers() { return *mapLayers_; }
    render::NodeGraphicsSet& nodeGraphics() { return *nodeGraphics_; }
    const render::ViewFollower& follower() const { return follower_; }
    const nodes::ProximityAlarm& proximityAlarm() const { return alarm_; }
    // The box right of the buttons, where the alarm shows.
    Fl_Box* alarmBox() const { return alarmBox_; }
    MasterConfigDialog* masterConfigDialog() const { return masterConfigDialog_; }
    ActivitySchedule& schedule() { return schedule_; }
    RemotePoll& remotePoll() { return *remotePoll_; }
    bool quitRequested() const { return quitRequested_; }
    bool stateFromFile() const { return stateFromFile_; }
    const std::optional<std::string>& configFileName(ConfigFile file) const {
        return configFileNames_[file];
    }
    // The rate choice of a slot, the table it is filled from and the row
    // selected when the dialogs are built.
    struct RateChoice {
        int slot;
        const RateTable* table;
        int defaultRow;
        Fl_Choice* choice;
    };
    const std::array<RateChoice, 6>& rateChoices() const { return rateChoices_; }

    PreferencesDialog* preferencesDialog() const { return preferencesDialog_; }
    InputsDialog* inputsDialog() const { return inputsDialog_; }
    OutputsDialog* outputsDialog() const { return outputsDialog_; }
    const config::IoDefinitions& ioDefinitions() const { return ioDefinitions_; }
    // The GeoJSON snapshot's file while that output is on ("Active Output
    // GEOJSON" with "Output GeoJsonFile"); none otherwise. It has no widget:
    // the definitions file sets it, and it follows the snapshot's rate.
    const std::optional<std::string>& geoJsonFile() const { return geoJsonFile_; }

    // The loaders the master configuration calls, each storing its file name
    // first; each brings its dialog up to date.
    void loadIoDefinitions(const char* fileName);
    void applyIoDefinitions();
    void loadPreferences(const char* fileName);
    void showPreferences();

    static const char* const kTitleFormat;

private:
    static void drawFrameCallback(void* self, DrawContext& context);
    void drawFrame(DrawContext& context);
    void updateFollow(DrawContext& context);
    void drawMapLayers(DrawContext& context);
    void drawNodes(DrawContext& context);
    void bindCallbacks();
    void loadConfigFile(config::MasterConfig::Key key, const std::string& fileName);
    void showConfigFileNames();
    void publishRemoteSettings();
    void applyRemoteResults();
    void createDialogs();
    void bindPreferenceWidgets();
    void fillRateChoices();
    void rebuildVehicleChoices();
    void serviceInput();
    void writeSnapshotIfDue();
    void updateAlarm();
    bool snapshotOutputsOn() const;
    std::array<Fl_Round_Button*, 3> trackButtons() const;
    std::array<Fl_Round_Button*, 2> displayButtons() const;

    Fl_Double_Window* mainWindow_ = nullptr;
    glDrawSurface* surface_ = nullptr;
    Fl_Button* graphicsButton_ = nullptr;
    Fl_Button* filesButton_ = nullptr;
    Fl_Button* inputsButton_ = nullptr;
    Fl_Button* outputsButton_ = nullptr;
    Fl_Box* alarmBox_ = nullptr;
    bool quitRequested_ = false;
    std::unique_ptr<MapView> view_;
    std::array<std::optional<std::string>, kConfigFileCount> configFileNames_;
    double defaultMediumIdle_ = 2.0;
    double defaultBadIdle_ = 4.0;
    int32_t defaultBytesPerBuffer_ = 200;
    int32_t defaultBuffersPerPort_ = 50;
    std::unique_ptr<nodes::NodeTable> nodeTable_;
    std::unique_ptr<config::Preferences> preferences_;
    // The follow state: centre and width eased towards the target and its framing.
    render::ViewFollower follower_;
    nodes::ProximityAlarm alarm_;
    std::string alarmText_; // what the alarm box shows
    std::unique_ptr<render::MapLayerList> mapLayers_;
    std::unique_ptr<render::NodeGraphicsSet> nodeGraphics_;
    MasterConfigDialog* masterConfigDialog_ = nullptr;
    bool stateFromFile_ = false;
    ActivitySchedule schedule_;
    std::array<RateChoice, 6> rateChoices_;
    std::unique_ptr<RemotePoll> remotePoll_;
    PreferencesDialog* preferencesDialog_ = nullptr;
    InputsDialog* inputsDialog_ = nullptr;
    OutputsDialog* outputsDialog_ = nullptr;
    config::IoDefinitions ioDefinitions_;
    std::optional<std::string> geoJsonFile_;
    std::string title_;
};

} // namespace app
