// Engine.IO text frames and the open packet's handshake, as a server sends them.
#include "fuzz/FuzzSupport.h"

#include "net/EngineIOPacket.h"

using namespace kesvor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray frame = fuzz::bytes(data, size);
    if (const auto packet = net::EngineIOPacket::decode(frame)) {
        const QByteArray again = net::EngineIOPacket::encode(packet->type, packet->data);
        const auto decoded = net::EngineIOPacket::decode(again);
        fuzz::require(decoded && decoded->type == packet->type && decoded->data == packet->data,
                      "an Engine.IO packet survives encoding");
        if (packet->type == net::EngineIOPacket::Type::Open)
            net::EngineIOHandshake::decode(packet->data);
    }
    if (const auto handshake = net::EngineIOHandshake::decode(frame))
        fuzz::require(!handshake->sid.isEmpty() && handshake->pingIntervalMs > 0 &&
                          handshake->pingTimeoutMs > 0,
                      "a handshake has a session and positive timings");
    return 0;
}
