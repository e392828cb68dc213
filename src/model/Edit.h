// The one way an operator's edit enters the working model. Every edit — a page's control, a band strip, a
// graph drag, a link button with its copy, an EQ reset, a volume strip, a phone — takes ImageLock, writes
// its whole field at once (a 16-bit value is never seen half-written by the change detector) and is then
// announced to every listener (the window, the remote's live streams, the undo history).
#pragma once

#include "model/Field.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace kel {

struct Model;
struct ProgramImage;
struct SystemBlock;

// The two working blocks an edit can change.
enum class EditArea : std::uint8_t { Image, System };

// Who made an edit.
enum class EditOrigin : std::uint8_t {
    Window, // the operator at the window (pages, strips, graph, volume strips)
    Remote, // a phone through the remote service
};

// A field of the working model: where it lives and how it is stored.
struct FieldAt {
    EditArea area = EditArea::Image;
    std::uint16_t offset = 0;
    std::uint8_t size = 1;
    Storage storage = Storage::Byte;
};

// Fields of the working image and system block, named by their type.
template <class Value> constexpr FieldAt At(FieldOf<ProgramImage, Value> f) {
    return {EditArea::Image, f.offset, f.size, f.storage};
}
template <class Value> constexpr FieldAt At(FieldOf<SystemBlock, Value> f) {
    return {EditArea::System, f.offset, f.size, f.storage};
}

// Bytes of one working block that an edit changed, with what they held before.
struct ChangedBytes {
    EditArea area = EditArea::Image;
    std::uint16_t offset = 0;
    std::vector<std::uint8_t> before, after;
};

// What the listeners hear after an edit: every byte it changed. An edit that changed nothing is not
// announced.
struct ModelChange {
    EditOrigin origin = EditOrigin::Window;
    std::vector<ChangedBytes> changes;
};

// The listeners of one model's edits. They are told on the editing thread, after the edit released
// ImageLock. A listener must not block and must not take ImageLock: one that needs another thread (the
// window's, the remote service's) posts to it.
class ChangeListeners {
  public:
    using Listener = std::function<void(const ModelChange&)>;
    // Returns an id for Remove.
    int Add(Listener listener);
    // Once Remove returns, the listener is not running and is never called again.
    void Remove(int id);
    void Tell(const ModelChange& change) const;

  private:
    mutable std::recursive_mutex m_lock; // held while listeners run: Remove waits for them
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_next = 1;
};

// The field at `at` (inside the working image or system block) stored as `storage`; nullopt elsewhere.
std::optional<FieldAt> FieldAtAddress(Model& m, const void* at, Storage storage);

// The value a field holds in the working model (read under ImageLock).
int ReadField(Model& m, const FieldAt& field);
// Writes `value` into the field (a nibble keeps its other half; a Bytes field is not written this way).
void EditField(Model& m, const FieldAt& field, int value, EditOrigin origin = EditOrigin::Window);
// Writes a whole record at once: `bytes` at `at`, which points into the working image or system block.
// Bytes outside the working model (a file's program, a test's record) are written plainly, unannounced.
void EditBytes(Model& m, void* at, std::span<const std::uint8_t> bytes, EditOrigin origin = EditOrigin::Window);
template <class Record> void EditRecord(Model& m, Record* at, const Record& value,
                                        EditOrigin origin = EditOrigin::Window) {
    EditBytes(m, at, std::span(reinterpret_cast<const std::uint8_t*>(&value), sizeof value), origin);
}

// Reads and writes fields inside EditTogether, where ImageLock is already held.
class FieldWriter {
  public:
    explicit FieldWriter(Model& m) : m_model(m) {}
    int Read(const FieldAt& field) const;
    void Write(const FieldAt& field, int value);

  private:
    Model& m_model;
};

// Several fields as one edit: `write` runs under ImageLock and may change anything of the working image
// and system block (a link switched with its copy, an EQ reset, a check and a write that no bulk command
// may come between); the listeners hear every byte it changed.
void EditTogether(Model& m, const std::function<void(FieldWriter&)>& write,
                  EditOrigin origin = EditOrigin::Window);

} // namespace kel
