// Single-byte text of the model's fixed-width fields (names, passwords) as the pages show and store it.
#pragma once

#include "model/DataConver.h"
#include "model/ProgramImage.h"

#include <QByteArray>
#include <QString>

#include <span>
#include <string>
#include <string_view>

namespace kel {

inline QString FieldText(std::span<const u8> field) {
    const std::string text = BytesToText(field);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Blank padded to the field's width.
inline void StoreText(const QString& text, std::span<u8> field) {
    const QByteArray bytes = text.toLatin1();
    TextToBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), field);
}

} // namespace kel
