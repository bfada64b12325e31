'use strict';

// A small SNTP responder on loopback, so that the app's network clock can
// synchronise without the internet. It answers client requests (mode 3,
// versions 3 and 4) with a server reply (mode 4) from the service's clock;
// anything else gets no answer.

const dgram = require('node:dgram');
const net = require('node:net');

const PACKET_SIZE = 48;
const SECONDS_1900_TO_1970 = 2208988800;
const MODE_CLIENT = 3;
const MODE_SERVER = 4;
const STRATUM = 1;
// About a microsecond: the clock is read through performance.now().
const PRECISION = -20;
const REFERENCE_ID = Buffer.from('LOCL', 'ascii');
const KISS_CODE = Buffer.from('RATE', 'ascii');

// Wall time in milliseconds with a fraction: the monotonic clock counts from
// an anchor on the wall clock. Date.now() only has whole milliseconds, so a
// new anchor is taken the moment it ticks over.
function anchorOnTick() {
    const start = Date.now();
    let wall = start;
    while (wall === start) wall = Date.now();
    return { wall, monotonic: performance.now() };
}

let anchor = { wall: performance.timeOrigin, monotonic: 0 };
function nowMs() {
    let now = anchor.wall + (performance.now() - anchor.monotonic);
    // Within a tick, now - Date.now() lies in [0, 1); outside that by more
    // than half a millisecond the system clock was set or slewed.
    const ahead = now - Date.now();
    if (ahead < -0.5 || ahead > 1.5) {
        anchor = anchorOnTick();
        now = anchor.wall + (performance.now() - anchor.monotonic);
    }
    return now;
}

function writeTimestamp(buffer, at, unixMs) {
    const seconds = Math.floor(unixMs / 1000);
    const fraction = Math.floor(((unixMs - seconds * 1000) / 1000) * 2 ** 32);
    buffer.writeUInt32BE((seconds + SECONDS_1900_TO_1970) >>> 0, at);
    buffer.writeUInt32BE(Math.min(fraction, 2 ** 32 - 1), at + 4);
}

function readTimestampMs(buffer, at) {
    const seconds = buffer.readUInt32BE(at) - SECONDS_1900_TO_1970;
    return seconds * 1000 + (buffer.readUInt32BE(at + 4) / 2 ** 32) * 1000;
}

// The request's version, or null when the datagram is no SNTP client request
// this responder answers.
function requestVersion(datagram) {
    if (datagram.length < PACKET_SIZE) return null;
    const mode = datagram[0] & 0x7;
    const version = (datagram[0] >> 3) & 0x7;
    if (mode !== MODE_CLIENT || version < 3 || version > 4) return null;
    return version;
}

// receivedMs and the clock are already shifted by the configured offset.
function buildReply(request, version, receivedMs, clock, kiss) {
    const reply = Buffer.alloc(PACKET_SIZE);
    reply[0] = (0 << 6) | (version << 3) | MODE_SERVER;
    reply[1] = kiss ? 0 : STRATUM;
    reply[2] = Math.min(Math.max(request.readInt8(2), 4), 17); // poll, as asked, within limits
    reply.writeInt8(PRECISION, 3);
    reply.writeUInt32BE(0, 4); // root delay
    reply.writeUInt32BE(0x10, 8); // root dispersion: about 0.25 ms
    (kiss ? KISS_CODE : REFERENCE_ID).copy(reply, 12);
    if (!kiss) writeTimestamp(reply, 16, Math.floor(receivedMs / 1000) * 1000);
    request.copy(reply, 24, 40, 48); // originate: the client's transmit time
    if (!kiss) {
        writeTimestamp(reply, 32, receivedMs);
        writeTimestamp(reply, 40, Math.max(clock(), receivedMs));
    }
    return reply;
}

// Listens on host:port (0 picks a free port). settings() returns the current
// { mode: "answer" | "silent" | "kiss", offsetMs }; counts() the current
// { requests, answered } to count in. Resolves to the bound socket.
function startNtpResponder({ host, port, settings, counts }) {
    const type = net.isIPv6(host) ? 'udp6' : 'udp4';
    const address = host === 'localhost' ? '127.0.0.1' : host;
    const socket = dgram.createSocket(type);
    socket.on('message', (datagram, remote) => {
        const { mode, offsetMs } = settings();
        const clock = () => nowMs() + offsetMs;
        const receivedMs = clock();
        const version = requestVersion(datagram);
        if (version === null) return;
        const tally = counts();
        tally.requests += 1;
        if (mode === 'silent') return;
        const reply = buildReply(datagram, version, receivedMs, clock, mode === 'kiss');
        socket.send(reply, remote.port, remote.address, (error) => {
            if (!error) tally.answered += 1;
        });
    });
    return new Promise((resolve, reject) => {
        socket.once('error', reject);
        socket.bind(port, address, () => {
            socket.off('error', reject);
            socket.on('error', () => {});
            resolve(socket);
        });
    });
}

module.exports = { startNtpResponder, requestVersion, buildReply, readTimestampMs, writeTimestamp, PACKET_SIZE };
