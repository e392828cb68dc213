// The edit path: typed fields written whole under ImageLock, then announced.
#include "model/Edit.h"

#include "model/Model.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kel {

namespace {

std::uint8_t* AreaBytes(Model& m, EditArea area) {
    return area == EditArea::Image ? reinterpret_cast<std::uint8_t*>(&m.image)
                                   : reinterpret_cast<std::uint8_t*>(&m.system);
}

constexpr std::size_t AreaSize(EditArea area) {
    return area == EditArea::Image ? sizeof(ProgramImage) : sizeof(SystemBlock);
}

// The runs of bytes in which `after` differs from `before`.
void CollectRuns(EditArea area, std::span<const std::uint8_t> before, std::span<const std::uint8_t> after,
                 std::size_t base, std::vector<ChangedBytes>& out) {
    std::size_t i = 0;
    while (i < after.size()) {
        if (before[i] == after[i]) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < after.size() && before[end] != after[end]) {
            ++end;
        }
        out.push_back({area, static_cast<std::uint16_t>(base + i),
                       std::vector<std::uint8_t>(before.begin() + static_cast<std::ptrdiff_t>(i),
                                                 before.begin() + static_cast<std::ptrdiff_t>(end)),
                       std::vector<std::uint8_t>(after.begin() + static_cast<std::ptrdiff_t>(i),
                                                 after.begin() + static_cast<std::ptrdiff_t>(end))});
        i = end;
    }
}

void Announce(Model& m, ModelChange&& change) {
    if (!change.changes.empty()) {
        m.edits.Tell(change);
    }
}

} // namespace

int ChangeListeners::Add(Listener listener) {
    std::lock_guard lock(m_lock);
    const int id = m_next++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void ChangeListeners::Remove(int id) {
    std::lock_guard lock(m_lock);
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void ChangeListeners::Tell(const ModelChange& change) const {
    std::lock_guard lock(m_lock);
    for (std::size_t i = 0; i < m_listeners.size(); ++i) { // a listener may add or remove one
        const Listener listener = m_listeners[i].second;
        listener(change);
    }
}

namespace {

// Reads or writes a field's value in place; the caller holds ImageLock.
int Get(const std::uint8_t* p, Storage storage) {
    switch (storage) {
    case Storage::Word:
        return p[0] | (p[1] << 8);
    case Storage::HighNibble:
        return p[0] >> 4;
    case Storage::LowNibble:
        return p[0] & 0x0F;
    default:
        return p[0];
    }
}

void Put(std::uint8_t* p, Storage storage, int value) {
    switch (storage) {
    case Storage::Word:
        p[0] = static_cast<std::uint8_t>(value & 0xFF);
        p[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
        break;
    case Storage::HighNibble:
        p[0] = static_cast<std::uint8_t>(((value & 0x0F) << 4) | (p[0] & 0x0F));
        break;
    case Storage::LowNibble:
        p[0] = static_cast<std::uint8_t>((p[0] & 0xF0) | (value & 0x0F));
        break;
    default:
        p[0] = static_cast<std::uint8_t>(value);
        break;
    }
}

bool Writable(const FieldAt& f) {
    return f.storage != Storage::Bytes && f.offset + (f.storage == Storage::Word ? 2u : 1u) <= AreaSize(f.area);
}

} // namespace

std::optional<FieldAt> FieldAtAddress(Model& m, const void* at, Storage storage) {
    const auto* p = static_cast<const std::uint8_t*>(at);
    const std::uint8_t size = storage == Storage::Word ? 2 : 1;
    for (const EditArea area : {EditArea::Image, EditArea::System}) {
        const std::uint8_t* base = AreaBytes(m, area);
        if (p >= base && p + size <= base + AreaSize(area)) {
            return FieldAt{area, static_cast<std::uint16_t>(p - base), size, storage};
        }
    }
    return std::nullopt;
}

int ReadField(Model& m, const FieldAt& f) {
    if (!Writable(f)) {
        return 0;
    }
    ImageLockGuard lock(m.imageLock);
    return Get(AreaBytes(m, f.area) + f.offset, f.storage);
}

int FieldWriter::Read(const FieldAt& f) const {
    return Writable(f) ? Get(AreaBytes(m_model, f.area) + f.offset, f.storage) : 0;
}

void FieldWriter::Write(const FieldAt& f, int value) {
    if (Writable(f)) {
        Put(AreaBytes(m_model, f.area) + f.offset, f.storage, value);
    }
}

void EditField(Model& m, const FieldAt& f, int value, EditOrigin origin) {
    if (!Writable(f)) {
        return;
    }
    ModelChange change{origin, {}};
    {
        ImageLockGuard lock(m.imageLock);
        std::uint8_t* p = AreaBytes(m, f.area) + f.offset;
        const std::size_t n = f.storage == Storage::Word ? 2 : 1;
        std::array<std::uint8_t, 2> before{};
        std::memcpy(before.data(), p, n);
        Put(p, f.storage, value);
        CollectRuns(f.area, std::span(before.data(), n), std::span<const std::uint8_t>(p, n), f.offset,
                    change.changes);
    }
    Announce(m, std::move(change));
}

void EditBytes(Model& m, void* at, std::span<const std::uint8_t> bytes, EditOrigin origin) {
    auto* target = static_cast<std::uint8_t*>(at);
    for (const EditArea area : {EditArea::Image, EditArea::System}) {
        std::uint8_t* base = AreaBytes(m, area);
        if (target < base || target + bytes.size() > base + AreaSize(area)) {
            continue;
        }
        ModelChange change{origin, {}};
        {
            ImageLockGuard lock(m.imageLock);
            std::vector<std::uint8_t> before(target, target + bytes.size());
            std::memcpy(target, bytes.data(), bytes.size());
            CollectRuns(area, before, bytes, static_cast<std::size_t>(target - base), change.changes);
        }
        Announce(m, std::move(change));
        return;
    }
    std::memcpy(target, bytes.data(), bytes.size()); // not the working model: nobody else reads it
}

void EditTogether(Model& m, const std::function<void(FieldWriter&)>& write, EditOrigin origin) {
    ModelChange change{origin, {}};
    {
        ImageLockGuard lock(m.imageLock);
        const ProgramImage image = m.image;
        const SystemBlock system = m.system;
        FieldWriter writer(m);
        write(writer);
        const auto bytesOf = [](const auto& block) {
            return std::span(reinterpret_cast<const std::uint8_t*>(&block), sizeof block);
        };
        CollectRuns(EditArea::Image, bytesOf(image), bytesOf(m.image), 0, change.changes);
        CollectRuns(EditArea::System, bytesOf(system), bytesOf(m.system), 0, change.changes);
    }
    Announce(m, std::move(change));
}

} // namespace kel
