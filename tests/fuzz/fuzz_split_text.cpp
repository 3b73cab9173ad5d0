// splitText on any bytes: the first byte gives the separator's length, the
// rest is separator then text. Joining the items with the separator must
// give the text back, and no item may hold the separator.
#include <cstddef>
#include <cstdint>

#include <QByteArray>

#include "data/split_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t separatorSize = std::min<size_t>(data[0] % 12, size - 1);
    const QByteArray separator(reinterpret_cast<const char *>(data + 1), qsizetype(separatorSize));
    const QByteArray text(reinterpret_cast<const char *>(data + 1 + separatorSize),
                          qsizetype(size - 1 - separatorSize));
    const QList<QByteArray> items = lovetest::splitText(text, separator);
    if (items.isEmpty() || items.join(separator) != text)
        __builtin_trap();
    if (!separator.isEmpty()) {
        for (const QByteArray &item : items) {
            if (item.contains(separator))
                __builtin_trap();
        }
    }
    return 0;
}
