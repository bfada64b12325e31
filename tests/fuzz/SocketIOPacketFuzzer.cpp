// Socket.IO packets inside Engine.IO messages, as a server sends them.
#include "fuzz/FuzzSupport.h"

#include "data/ValueComparison.h"
#include "foundation/Json.h"
#include "net/SocketIOPacket.h"

using namespace kesvor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto packet = net::SocketIOPacket::decode(fuzz::bytes(data, size));
    if (!packet)
        return 0;
    packet->event();
    packet->errorMessage();
    // A payload that is a bare number is read back as an acknowledgement id:
    // the framing cannot tell them apart, and servers send objects and arrays.
    if (packet->data.isDouble())
        return 0;
    const auto decoded = net::SocketIOPacket::decode(packet->encode());
    fuzz::require(decoded.has_value(), "an encoded packet decodes");
    // The payload as JSON values: 0 and 0.0 are one number.
    fuzz::require(decoded->type == packet->type && decoded->nsp == packet->nsp &&
                      decoded->ackId == packet->ackId &&
                      data::valuesEqual(foundation::Json::fromJsonValue(decoded->data),
                                        foundation::Json::fromJsonValue(packet->data)),
                  "a Socket.IO packet survives encoding");
    return 0;
}
