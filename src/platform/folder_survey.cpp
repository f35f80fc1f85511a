// The rules for names, shared by the renamer, which refuses such names, and the preview's check,
// which foresees the refusal.
#include "platform/folder_survey.h"

#include <algorithm>

namespace platform {

bool isPlainName(const QByteArray& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
           !name.contains('\0');
}

bool isAsideName(QByteArrayView name) {
    constexpr QByteArrayView prefix = "tarvelok-";
    // 2^64 takes 13 digits in base 36.
    if (!name.startsWith(prefix) || name.size() == prefix.size() ||
        name.size() > prefix.size() + 13)
        return false;
    for (const char byte : name.sliced(prefix.size()))
        if (!((byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z')))
            return false;
    return true;
}

bool isFatName(const QByteArray& name) {
    static const QByteArray forbidden = "\"*:<>?\\|";
    for (const char byte : name) {
        if (static_cast<unsigned char>(byte) < 0x20 || forbidden.contains(byte))
            return false;
    }
    return !name.endsWith('.') && !name.endsWith(' ');
}

bool isAsciiName(QByteArrayView name) {
    return std::all_of(name.begin(), name.end(),
                       [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

} // namespace platform
