// vorlain-fx-host: runs LV2 plugins for the editor in a process of their
// own, so that a plugin that crashes or hangs takes only this process down.
// It serves one client: requests on the socket, audio in the shared block.
// It ends when the client closes the socket or dies.
#include "plugins/fx_host/lv2_instance.h"
#include "plugins/fx_protocol.h"
#include "plugins/plugin_info.h"

#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>

#include <csignal>
#include <cstdio>
#include <memory>

using namespace kernel;
using namespace kernel::fx;

int main()
{
    // The client's death ends the helper even while a plugin runs.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    void* mapped =
        mmap(nullptr, sizeof(SharedBlock), PROT_READ | PROT_WRITE, MAP_SHARED, kSharedFd, 0);
    if (mapped == MAP_FAILED) {
        std::perror("vorlain-fx-host: shared block");
        return 2;
    }
    auto* shared = static_cast<SharedBlock*>(mapped);

    std::unique_ptr<CPluginWorld> world;
    CLv2Instance plugin;
    RequestPacket request{};
    for (;;) {
        const ssize_t got = recv(kSocketFd, &request, sizeof request, 0);
        if (got <= 0)
            break;
        ReplyPacket reply{Status::Ok, 0};
        if (static_cast<size_t>(got) != sizeof request) {
            reply.status = Status::NotOpen;
        } else if (request.type == Request::Open) {
            request.uri[kUriChars - 1] = '\0';
            if (!world)
                world = std::make_unique<CPluginWorld>();
            reply.status = plugin.Open(*world, request.uri, request.sampleRate, request.channels,
                                       request.blockFrames);
        } else if (request.type == Request::Run) {
            reply.status = plugin.Run(shared->slots[request.slot % kSlots]);
            reply.latency = plugin.Latency();
        }
        if (send(kSocketFd, &reply, sizeof reply, MSG_NOSIGNAL) != sizeof reply)
            break;
    }
    return 0;
}
