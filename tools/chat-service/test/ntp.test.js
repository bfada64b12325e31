'use strict';

// The SNTP responder, judged by the rules the app's network clock applies to
// a reply: 48 bytes or more, server mode, version 1 to 4, stratum 1 to 15
// (0 is a kiss-of-death), no alarm, the request's transmit time echoed as the
// originate time, receive and transmit times set and in order.

const assert = require('node:assert/strict');
const dgram = require('node:dgram');
const { after, before, describe, it } = require('node:test');

const { Service, waitFor } = require('./support/service');
const { readTimestampMs, writeTimestamp, PACKET_SIZE } = require('../lib/ntp');

let service;
let client;
const replies = [];

before(async () => {
    service = await Service.start({ args: ['--ntp-port', '0'] });
    client = dgram.createSocket('udp4');
    client.on('message', (datagram) => replies.push(datagram));
    await new Promise((resolve) => client.bind(0, '127.0.0.1', resolve));
});
after(async () => {
    client.close();
    await service.stop();
});

function request({ version = 4, mode = 3, size = PACKET_SIZE, transmitMs = Date.now() - 1000 } = {}) {
    const packet = Buffer.alloc(size);
    packet[0] = (version << 3) | mode;
    if (size >= PACKET_SIZE) writeTimestamp(packet, 40, transmitMs);
    return packet;
}

async function exchange(packet) {
    const before = replies.length;
    client.send(packet, service.ntpPort, '127.0.0.1');
    const deadline = Date.now() + 5000;
    while (replies.length === before) {
        if (Date.now() > deadline) throw new Error('no reply');
        await new Promise((resolve) => setTimeout(resolve, 5));
    }
    return replies[before];
}

// Garbage gets no answer: a valid request sent afterwards is the next reply.
async function assertUnanswered(packet) {
    client.send(packet, service.ntpPort, '127.0.0.1');
    const valid = request({ transmitMs: Date.now() - 5000 });
    const reply = await exchange(valid);
    assert.deepEqual(reply.subarray(24, 32), valid.subarray(40, 48), 'the next reply answers the valid request');
}

describe('SNTP responder', () => {
    it('prints its port before the service\'s', () => {
        assert.ok(service.ntpPort > 0);
        assert.notEqual(service.ntpPort, service.port);
    });

    it('answers v3 and v4 client requests with a usable server reply', async () => {
        for (const version of [3, 4]) {
            const sent = request({ version });
            const sentAt = Date.now();
            const reply = await exchange(sent);
            const receivedAt = Date.now();
            assert.equal(reply.length, PACKET_SIZE);
            assert.equal(reply[0] >> 6, 0, 'no leap alarm');
            assert.equal((reply[0] >> 3) & 7, version);
            assert.equal(reply[0] & 7, 4, 'server mode');
            assert.ok(reply[1] >= 1 && reply[1] <= 2, 'stratum');
            assert.deepEqual(reply.subarray(24, 32), sent.subarray(40, 48), 'originate = the request\'s transmit');
            const receive = readTimestampMs(reply, 32);
            const transmit = readTimestampMs(reply, 40);
            assert.ok(receive > 0 && transmit >= receive);
            // The service's clock is this machine's clock.
            assert.ok(receive >= sentAt - 5 && transmit <= receivedAt + 5, `${receive} within ${sentAt}..${receivedAt}`);
        }
    });

    it('ignores what is no client request', async () => {
        await assertUnanswered(request({ size: 47 }));
        await assertUnanswered(request({ mode: 4 }));
        await assertUnanswered(request({ mode: 1 }));
        await assertUnanswered(request({ version: 2 }));
        await assertUnanswered(request({ version: 5 }));
        await assertUnanswered(Buffer.from('hello, time server'));
        const counts = (await service.get('/test/state')).json.ntp;
        assert.equal(counts.requests, counts.answered);
    });

    it('can be told to shift its clock, stay silent or send a kiss-of-death', async () => {
        await service.configure({ ntp: { offsetMs: 3600000 } });
        const ahead = await exchange(request());
        assert.ok(readTimestampMs(ahead, 40) - Date.now() > 3590000);

        await service.configure({ ntp: { mode: 'kiss', offsetMs: 0 } });
        const kiss = await exchange(request());
        assert.equal(kiss[1], 0, 'stratum 0');
        assert.equal(kiss.subarray(12, 16).toString('ascii'), 'RATE');

        await service.configure({ ntp: { mode: 'silent' } });
        const before = (await service.get('/test/state')).json.ntp;
        client.send(request(), service.ntpPort, '127.0.0.1');
        const after = await waitFor(async () => {
            const counts = (await service.get('/test/state')).json.ntp;
            return counts.requests > before.requests && counts;
        }, { what: 'the request to be counted' });
        assert.equal(after.answered, before.answered);
        await service.configure({ ntp: { mode: 'answer' } });
        assert.equal((await service.post('/test/config', { ntp: { mode: 'loud' } })).status, 400);
        assert.equal((await exchange(request()))[1], 1);
    });
});
