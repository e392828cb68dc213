// Recall, store and the two password workflows over the model and a command sink.
#include "protocol/DeviceWorkflows.h"

#include "model/DataConver.h"
#include "model/Model.h"
#include "protocol/CommandTables.h"

#include <cstring>

namespace kel {

namespace {

// The new value of a password command sits at these places of the entry buffer.
constexpr std::size_t kPanelEntry = 4;
constexpr std::size_t kSystemEntry = 14;
static_assert(kSystemEntry + sizeof(SystemBlock::systemPassword) <= sizeof(Model::passwordEntry));
static_assert(kPanelEntry + sizeof(SystemBlock::panelPassword) <= kSystemEntry);

std::span<std::uint8_t> PasswordField(PasswordKind kind) {
    SystemBlock& s = TheModel().system;
    return kind == PasswordKind::System ? std::span<std::uint8_t>(s.systemPassword)
                                        : std::span<std::uint8_t>(s.panelPassword);
}

// The stored system password as both old and new value of its command.
void SendStoredSystemPassword(const CommandSink& send) {
    {
        ImageLockGuard lock(ImageLock());
        const auto stored = PasswordField(PasswordKind::System);
        std::memcpy(PasswordEntry(PasswordKind::System).data(), stored.data(), stored.size());
    }
    send(CMD_SYSTEM_PASSWORD, 0);
}

} // namespace

std::size_t PasswordLength(PasswordKind kind) {
    return PasswordField(kind).size();
}

std::span<const std::uint8_t> StoredPassword(PasswordKind kind) {
    return PasswordField(kind);
}

std::span<std::uint8_t> PasswordEntry(PasswordKind kind) {
    return std::span(TheModel().passwordEntry)
        .subspan(kind == PasswordKind::System ? kSystemEntry : kPanelEntry, PasswordLength(kind));
}

void RecallSlot(const CommandSink& send, int slot) {
    send(CMD_RECALL, slot);
    send(CMD_READ_SYSTEM, 0);
}

void StoreSlot(const CommandSink& send, int slot, std::string_view name) {
    SendStoredSystemPassword(send);
    Model& m = TheModel();
    {
        ImageLockGuard lock(ImageLock());
        TextToBytes(name, m.image.name);
        TextToBytes(name, m.presets.Slot(slot).name);
    }
    send(CMD_STORE, slot);
    m.system.currentSlot = static_cast<std::uint8_t>(slot);
}

bool VerifySystemPassword(const CommandSink& send, std::string_view typed) {
    Model& m = TheModel();
    if (typed != BytesToText(StoredPassword(PasswordKind::System))) {
        return false;
    }
    SendStoredSystemPassword(send);
    if (m.connection.connected != 0) {
        m.settings.storePermission = 1;
    }
    return true;
}

void ChangePassword(const CommandSink& send, PasswordKind kind, std::string_view newValue) {
    {
        ImageLockGuard lock(ImageLock());
        TextToBytes(newValue, PasswordEntry(kind));
    }
    send(kind == PasswordKind::System ? CMD_SYSTEM_PASSWORD : CMD_PANEL_PASSWORD, 0);
}

} // namespace kel
