#pragma once
#include <sys/resource.h>

#include <csignal>

namespace lovetest::testing {

// While it lives, no file can grow past `bytes`: a write beyond fails as on a
// full disk (the limit binds the superuser too, where permissions do not).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_applied = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool applied() const { return m_applied; }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
    bool m_applied = false;
};

} // namespace lovetest::testing
