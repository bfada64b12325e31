// SNTP replies, as any host on the network may send them to the clock's port.
#include "fuzz/FuzzSupport.h"

#include "net/SntpPacket.h"

using namespace kesvor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto packet = net::SntpPacket::decode(fuzz::bytes(data, size));
    if (!packet)
        return 0;
    fuzz::require(net::SntpPacket::decode(packet->encode()) == packet,
                  "an SNTP packet survives encoding");
    if (net::classifyReply(*packet) != net::SntpReplyKind::Usable)
        return 0;
    // The reply against a request sent at a fixed moment and answered a
    // moment later: whatever its times, the arithmetic stays defined.
    const net::UnixNanoseconds sent{1'700'000'000'000'000'000};
    const net::UnixNanoseconds received = sent + std::chrono::milliseconds(40);
    if (const auto sample = net::SntpSample::measure(sent, packet->receiveTimestamp,
                                                     packet->transmitTimestamp, received)) {
        fuzz::require(sample->delay.count() >= 0, "a round trip never takes negative time");
        net::bestOffset({*sample, *sample});
    }
    return 0;
}
