#pragma once

// Little-endian fields of bytes read from outside. A field that does not lie wholly inside
// the bytes reads as 0, so a check that was forgotten never reads past the end.

#include <QByteArrayView>
#include <QtEndian>

#include <cstdint>

namespace quill::fields {

// Whether `count` bytes from `at` lie inside the bytes.
inline bool Fits(QByteArrayView bytes, qint64 at, qint64 count)
{
    return at >= 0 && count >= 0 && at <= bytes.size() && count <= bytes.size() - at;
}

template <typename T>
T Read(QByteArrayView bytes, qint64 at)
{
    return Fits(bytes, at, sizeof(T)) ? qFromLittleEndian<T>(bytes.data() + at) : T{};
}

inline std::uint32_t U32(QByteArrayView bytes, qint64 at) { return Read<std::uint32_t>(bytes, at); }
inline std::int32_t I32(QByteArrayView bytes, qint64 at) { return Read<std::int32_t>(bytes, at); }
inline std::uint16_t U16(QByteArrayView bytes, qint64 at) { return Read<std::uint16_t>(bytes, at); }
inline std::int16_t I16(QByteArrayView bytes, qint64 at) { return Read<std::int16_t>(bytes, at); }

} // namespace quill::fields
