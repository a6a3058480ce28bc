#include "plugins/fx_host_client.h"

#include "common/last_error.h"
#include "vorlain/platform.h"

#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace kernel {

using namespace fx;

CFxHostClient::~CFxHostClient()
{
    stop(false);
}

std::string CFxHostClient::HelperPath()
{
    if (const char* env = std::getenv("VORLAIN_FX_HOST"); env && *env)
        return env;
    // The helper is installed beside the kernel library, and in the build
    // tree beside every program that links the kernel.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&CFxHostClient::HelperPath), &info) && info.dli_fname) {
        std::string path = info.dli_fname;
        const size_t slash = path.rfind('/');
        if (slash != std::string::npos)
            return path.substr(0, slash + 1) + "vorlain-fx-host";
    }
    return "vorlain-fx-host";
}

int CFxHostClient::TimeoutMs()
{
    if (const char* env = std::getenv("VORLAIN_PLUGIN_TIMEOUT_MS")) {
        const long ms = std::strtol(env, nullptr, 10);
        if (ms > 0 && ms < 3'600'000)
            return static_cast<int>(ms);
    }
    return 10'000;
}

bool CFxHostClient::start()
{
    const int memory = memfd_create("vorlain-fx", MFD_CLOEXEC);
    if (memory < 0 || ftruncate(memory, sizeof(SharedBlock)) != 0) {
        if (memory >= 0)
            close(memory);
        SetLastError(kPluginHelperMissing);
        return false;
    }
    void* mapped =
        mmap(nullptr, sizeof(SharedBlock), PROT_READ | PROT_WRITE, MAP_SHARED, memory, 0);
    int pair[2] = {-1, -1};
    if (mapped == MAP_FAILED || socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        if (mapped != MAP_FAILED)
            munmap(mapped, sizeof(SharedBlock));
        close(memory);
        SetLastError(kPluginHelperMissing);
        return false;
    }
    m_block = static_cast<SharedBlock*>(mapped);

    // dup2 in the child clears close-on-exec on the two numbers it gives.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, memory, kSharedFd);
    posix_spawn_file_actions_adddup2(&actions, pair[1], kSocketFd);
    const std::string path = HelperPath();
    char* argv[] = {const_cast<char*>("vorlain-fx-host"), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(memory);
    close(pair[1]);
    {
        std::lock_guard g(m_socketLock);
        m_socket = pair[0];
    }
    if (spawned != 0) {
        VorlainOutputDebugString("plugin helper %s could not start: %s", path.c_str(),
                                 std::strerror(spawned));
        stop(false);
        SetLastError(kPluginHelperMissing);
        return false;
    }
    m_pid = pid;
    return true;
}

void CFxHostClient::Interrupt()
{
    // Under the lock that close takes too: the number shut down is the
    // helper's socket, never one the system has given out again since.
    std::lock_guard g(m_socketLock);
    if (m_socket >= 0)
        shutdown(m_socket, SHUT_RDWR);
}

void CFxHostClient::stop(bool kill)
{
    {
        std::lock_guard g(m_socketLock);
        if (m_socket >= 0) {
            close(m_socket); // the helper's next read ends it
            m_socket = -1;
        }
    }
    if (m_pid > 0) {
        if (kill)
            ::kill(m_pid, SIGKILL);
        // A helper that does not end within a second of losing its client
        // is stuck in a plugin: it is killed. It usually ends within a block.
        int status = 0;
        for (int waited = 0; waitpid(m_pid, &status, WNOHANG) == 0; ++waited) {
            if (waited == 1000)
                ::kill(m_pid, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        m_pid = -1;
    }
    if (m_block) {
        munmap(m_block, sizeof(SharedBlock));
        m_block = nullptr;
    }
}

bool CFxHostClient::send(const RequestPacket& packet)
{
    if (m_socket < 0) {
        SetLastError(kPluginCrashed);
        return false;
    }
    if (::send(m_socket, &packet, sizeof packet, MSG_NOSIGNAL) !=
        static_cast<ssize_t>(sizeof packet)) {
        stop(true);
        SetLastError(kPluginCrashed);
        return false;
    }
    return true;
}

bool CFxHostClient::receive(ReplyPacket& reply, int timeoutMs)
{
    if (m_socket < 0) {
        SetLastError(kPluginCrashed);
        return false;
    }
    pollfd pfd{m_socket, POLLIN, 0};
    int ready;
    do
        ready = poll(&pfd, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        VorlainOutputDebugString("plugin helper gave no answer in %d ms", timeoutMs);
        stop(true);
        SetLastError(kPluginHung);
        return false;
    }
    const ssize_t got = ready > 0 ? recv(m_socket, &reply, sizeof reply, 0) : -1;
    if (got != static_cast<ssize_t>(sizeof reply)) {
        VorlainOutputDebugString("plugin helper ended during a request");
        stop(true);
        SetLastError(kPluginCrashed);
        return false;
    }
    return true;
}

bool CFxHostClient::Open(const std::string& uri, uint32_t sampleRate, uint32_t channels,
                         uint32_t blockFrames)
{
    stop(true);
    if (uri.size() >= kUriChars || channels < 1 || channels > kMaxChannels) {
        SetLastError(kPluginUnknown);
        return false;
    }
    if (!start())
        return false;
    RequestPacket packet{};
    packet.type = Request::Open;
    packet.sampleRate = sampleRate;
    packet.channels = channels;
    packet.blockFrames = blockFrames;
    std::memcpy(packet.uri, uri.c_str(), uri.size() + 1);
    ReplyPacket reply{};
    // Loading the plugin's code may take longer than a block.
    if (!send(packet) || !receive(reply, 2 * TimeoutMs()))
        return false;
    if (reply.status != Status::Ok) {
        stop(false);
        SetLastError(reply.status == Status::NoInstance ? kPluginNoInstance : kPluginUnknown);
        return false;
    }
    m_channels = channels;
    m_blockFrames = blockFrames;
    m_latency = 0;
    m_pendingCount = 0;
    return true;
}

bool CFxHostClient::Submit(uint32_t slot)
{
    if (slot >= kSlots || m_pendingCount == kSlots) {
        SetLastError(kPluginCrashed);
        return false;
    }
    RequestPacket packet{};
    packet.type = Request::Run;
    packet.slot = slot;
    if (!send(packet))
        return false;
    m_pending[m_pendingCount++] = slot;
    return true;
}

bool CFxHostClient::Collect()
{
    if (m_pendingCount == 0) {
        SetLastError(kPluginCrashed);
        return false;
    }
    std::copy(m_pending + 1, m_pending + m_pendingCount, m_pending);
    --m_pendingCount;
    ReplyPacket reply{};
    if (!receive(reply, TimeoutMs()))
        return false;
    if (reply.status == Status::NotFinite) {
        VorlainOutputDebugString("plugin gave samples that are not finite");
        stop(true);
        SetLastError(kPluginNotFinite);
        return false;
    }
    if (reply.status != Status::Ok) {
        stop(false);
        SetLastError(kPluginCrashed);
        return false;
    }
    m_latency = reply.latency;
    return true;
}

} // namespace kernel
