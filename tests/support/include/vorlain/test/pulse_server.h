// The PulseAudio test server that tools/ci-services.sh starts: a null sink
// "nullsink" and a null source "nullsrc" behind a fixed socket that accepts
// anonymous clients. Tests that need paced audio point PULSE_SERVER at it and
// skip when it does not answer.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace vorlain::test {

/** The server's socket; fixed so that tests find it whatever their HOME is. */
inline constexpr const char* kPulseSocket = "/tmp/vorlain-pulse/native";

/** Whether something accepts connections on the test server's socket. */
inline bool PulseServerAnswers()
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, kPulseSocket, sizeof addr.sun_path - 1);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

/** Points PULSE_SERVER at the test server while alive and restores it after.
 *  ALSA reads its configuration once per process: call
 *  snd_config_update_free_global() after creating this so that "default"
 *  routes to the server. */
class PulseServerScope {
public:
    PulseServerScope()
    {
        if (const char* old = std::getenv("PULSE_SERVER"))
            m_saved = old;
        std::string server = std::string("unix:") + kPulseSocket;
        setenv("PULSE_SERVER", server.c_str(), 1);
    }
    ~PulseServerScope()
    {
        if (m_saved)
            setenv("PULSE_SERVER", m_saved->c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
    }
    PulseServerScope(const PulseServerScope&) = delete;
    PulseServerScope& operator=(const PulseServerScope&) = delete;

private:
    std::optional<std::string> m_saved;
};

} // namespace vorlain::test
