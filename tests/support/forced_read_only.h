#pragma once
#include <QString>

#include "data/read_only_copy.h"

namespace lovetest::testing {

// While it lives, every database file counts as one the program may not
// write, as a real read-only file does for a user who is not the superuser.
class ForcedReadOnly {
public:
    ForcedReadOnly()
    {
        setWritableProbe([](const QString &) { return false; });
    }
    ~ForcedReadOnly() { setWritableProbe({}); }
    ForcedReadOnly(const ForcedReadOnly &) = delete;
    ForcedReadOnly &operator=(const ForcedReadOnly &) = delete;
};

} // namespace lovetest::testing
