// The device workflows the System page and kelvane-cli share: recall, store, password verification and
// password change. Each sends its bulk commands through the sink it is given (the protocol's
// DeviceCommand, or the window's command entry), so the command numbers and the places of the password
// entry buffer live here only.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace kel {

// Where a workflow's commands go: type and slot, as CProtocol::DeviceCommand takes them.
using CommandSink = std::function<void(int type, int slot)>;

enum class PasswordKind { System, Panel };

// The characters of a password (6 for the system password, 4 for the panel's).
std::size_t PasswordLength(PasswordKind kind);
// The password the working system block holds.
std::span<const std::uint8_t> StoredPassword(PasswordKind kind);
// Where the new value of a password command is taken from in the password entry buffer.
std::span<std::uint8_t> PasswordEntry(PasswordKind kind);

// Recall: the slot's program becomes live, then the live system block is read back.
void RecallSlot(const CommandSink& send, int slot);
// Store: the system password command with the stored password as old and new value, the name into the
// working program and the slot (the store frame carries it), then the store command.
void StoreSlot(const CommandSink& send, int slot, std::string_view name);
// Verification: when `typed` is the stored system password, the stored bytes go as old and new value
// (the password is never rewritten, not even its padding) and, while connected, the store is allowed.
// False, sending nothing, for any other text.
bool VerifySystemPassword(const CommandSink& send, std::string_view typed);
// Change: the new value, blank padded, into the entry buffer, then the password's command.
void ChangePassword(const CommandSink& send, PasswordKind kind, std::string_view newValue);

} // namespace kel
