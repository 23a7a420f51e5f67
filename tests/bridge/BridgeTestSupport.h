#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace orvanel::test {

// "A5 08 84" -> bytes; spaces are for reading only.
inline std::vector<std::uint8_t> bytes(const char* hex)
{
    const QByteArray raw = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    return {raw.begin(), raw.end()};
}

inline QString hex(const std::vector<std::uint8_t>& data)
{
    QStringList parts;
    for (std::uint8_t byte : data)
        parts << QString::asprintf("%02X", byte);
    return parts.join(' ');
}

inline std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace orvanel::test
