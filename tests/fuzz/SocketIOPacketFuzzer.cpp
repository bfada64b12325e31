// Socket.IO packets inside Engine.IO messages, as a server sends them.
#include "fuzz/FuzzSupport.h"

#include "net/SocketIOPacket.h"

using namespace kesvor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto packet = net::SocketIOPacket::decode(fuzz::bytes(data, size));
    if (!packet)
        return 0;
    packet->event();
    packet->errorMessage();
    const auto decoded = net::SocketIOPacket::decode(packet->encode());
    fuzz::require(decoded.has_value(), "an encoded packet decodes");
    fuzz::require(decoded->type == packet->type && decoded->nsp == packet->nsp &&
                      decoded->ackId == packet->ackId && decoded->data == packet->data,
                  "a Socket.IO packet survives encoding");
    return 0;
}
