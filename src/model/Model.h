// The process-wide model: working and shadow copies, preset store, settings, frame records, ImageLock.
#pragma once

#include "model/Edit.h"
#include "model/ProgramImage.h"
#include "model/SystemBlock.h"
#include "protocol/FrameRecord.h"

#include <array>
#include <mutex>
#include <string>

namespace kel {

inline constexpr int kSlotCount = 21;

#pragma pack(push, 1)
// The application's copy of the device's 21 preset slots, laid out exactly as an all-presets file.
struct PresetStore {
    SystemBlock head;
    ProgramImage slots[kSlotCount]; // slot n at 66 + (n - 1) * 2712
    std::uint8_t spare;             // always 0
    SystemBlock slotSystems[kSlotCount];

    ProgramImage& Slot(int n) { return slots[n - 1]; }
    SystemBlock& SlotSystem(int n) { return slotSystems[n - 1]; }
};
#pragma pack(pop)

inline constexpr std::size_t kPresetHeadSize = 57019; // the older all-presets file
inline constexpr std::size_t kPresetStoreSize = 58405;
static_assert(offsetof(PresetStore, slots) == 66 && offsetof(PresetStore, spare) == 57018);
static_assert(offsetof(PresetStore, slotSystems) == kPresetHeadSize && sizeof(PresetStore) == kPresetStoreSize);

// Active transport codes.
enum TransportType : int { TRANSPORT_NONE = 0, TRANSPORT_SERIAL = 1, TRANSPORT_USB = 2, TRANSPORT_NET = 3 };

// Decides which of the three OutputBlocks is edited, drawn and compared.
class ModeSelector {
public:
    explicit ModeSelector(std::uint8_t& modeByte) : m_byte(&modeByte) {}
    void Set(int m);
    int Get() const { return *m_byte != 0 ? *m_byte : m_remembered; }
    // The block Get() selects, 0..2; a mode byte outside 0..3 (from a file or the device) selects Sing.
    int Block() const {
        const int mode = Get();
        return mode >= 1 && mode <= 3 ? mode - 1 : 0;
    }

private:
    std::uint8_t* m_byte;
    int m_remembered = 1;
};

// Level meters of the system page.
struct MeterState {
    bool wanted = false; // the meters are shown (the system page, the CLI's meters): reports are posted
    int ready = 1;
    int toggle = 0; // next poll: 0 → type 12, else type 24
    std::array<std::uint8_t, 12> levels{};  // report 12
    std::array<std::uint8_t, 12> signals{}; // report 24
};

// Which channel each page shows first; kept across page switches.
struct PageViewState {
    int musicChannel = 0; // EqChannel 0/1
    int deqChannel = 16;  // 16/17
    int micChannel = 2;   // 2/3
    int effect = 4;       // 4 Echo A, 5 Echo B, 6 Reverb
    std::array<int, 3> outputChannel{8, 12, 14};
    int musicFirstBand = 0, musicLastBand = 9;
    int micFirstBand = 0, micLastBand = 9;
};

struct GlobalSettings {
    TransportType transportType = TRANSPORT_NONE;
    int perSlotSystem = 1;
    int slotSystemCapability = 0;
    int storePermission = 0;
    int presetsLoaded = 0;
    MeterState meters;
    int languageFlag = 0;  // 0 English, else Chinese
    int operatingMode = 0; // 0 Easy Mode, 1 Full Mode
    int currentPage = 8;
    PageViewState view;
};

// Connection state of the lifecycle.
struct ConnectionState {
    int connected = 0;
    int deviceLookup = 0;
    int transferInProgress = 0;
};

// The six transport records; the serial TX record is also the change detector's build record.
struct FrameRecords {
    FrameRecord serialRx, serialTx, usbRx, usbTx, netRx, netTx;
    FrameRecord& Rx(int transport);
    FrameRecord& Tx(int transport);
    FrameRecord& Build() { return serialTx; }
    void ResetAll();
};

// Start paths of the file dialogs, and the working folder they were made from.
struct DialogPaths {
    std::string workingFolder;
    std::string openProgram, saveProgram; // folder + "/MusicFile/*.dia"
    std::string openAll, saveAll;         // folder + "/MusicFile/*.dat"
};

class FilterSeam;

struct Model {
    ProgramImage image{};  // working
    ProgramImage shadow{}; // what the device is believed to hold
    SystemBlock system{};
    SystemBlock shadowSystem{};
    PresetStore presets{};
    GlobalSettings settings;
    ConnectionState connection;
    ModeSelector modeSelector{image.outputMode};
    FrameRecords frames;
    // The system page writes a new password here before it asks for type 140 (bytes 14..19) or 141 (4..7).
    std::array<std::uint8_t, 20> passwordEntry{};
    DialogPaths paths;
    // ImageLock: guards the model, the queue and the frame records. Held only while data is touched,
    // never across a wait (a socket call, a serial wait, a pause of the timing table).
    std::recursive_mutex imageLock;
    // Told of every operator edit of the working image and system block (Edit.h).
    ChangeListeners edits;

    OutputBlock& ActiveOutputBlock() { return image.out[modeSelector.Block()]; }
};

Model& TheModel();
using ImageLockGuard = std::lock_guard<std::recursive_mutex>;
inline std::recursive_mutex& ImageLock() { return TheModel().imageLock; }

} // namespace kel
