'use strict';

// The agent console's namespace: what an agent does reaches the customer's
// app as the service's contract says, and the console follows the room.

const assert = require('node:assert/strict');
const { after, before, beforeEach, describe, it } = require('node:test');
const { io } = require('socket.io-client');

const { Service, waitFor, assertWireMessage } = require('./support/service');
const { contentProblems, kindOfContent } = require('./support/payloads');

let service;
before(async () => {
    service = await Service.start({ tokens: ['shop', 'other-shop'] });
});
after(() => service.stop());
beforeEach(async () => {
    await service.post('/test/reset');
    // The bot would answer and mark messages seen by itself.
    await service.configure({ bot: { enabled: false } });
});

class Agent {
    static async connect(auth = {}) {
        const agent = new Agent();
        agent.socket = io(`${service.origin}/agent-console`, { auth, transports: ['websocket'], forceNew: true, reconnection: false });
        agent.socket.onAny((event, ...items) => agent.events.push({ event, item: items[0] }));
        await new Promise((resolve, reject) => {
            agent.socket.once('connect', resolve);
            agent.socket.once('connect_error', reject);
        });
        return agent;
    }

    constructor() {
        this.events = [];
    }

    ask(event, body = {}) {
        return this.socket.timeout(5000).emitWithAck(event, body);
    }

    pushed(event) {
        return this.events.filter((e) => e.event === event).map((e) => e.item);
    }

    close() {
        this.socket.close();
    }
}

describe('agent console namespace', () => {
    it('lists the business\'s rooms with their customers and opens one in order', async () => {
        const customer = await service.customer('ann');
        const agent = await Agent.connect();
        try {
            // Stored out of order: the app's clock may run behind the service's.
            customer.send('second');
            customer.send('third');
            customer.send('first', 'first', '2020-01-01T00:00:00.000+0000');
            await waitFor(() => customer.messages().length === 3, { what: 'three echoes' });

            const { token, agentId, rooms } = await agent.ask('rooms');
            assert.equal(token, 'shop');
            assert.equal(agentId, 'agent-1');
            assert.equal(rooms.length, 1);
            assert.equal(rooms[0].roomId, customer.roomId);
            assert.equal(rooms[0].customerId, 'ann');
            assert.equal(rooms[0].online, true);
            assert.equal(rooms[0].unseenCount, 3);

            const opened = await agent.ask('open-room', { roomId: customer.roomId });
            assert.deepEqual(opened.messages.map((m) => m.msg.message.text), ['first', 'second', 'third']);
            opened.messages.forEach((m) => assertWireMessage(assert, m));

            // Another business's console sees nothing of it.
            const stranger = await Agent.connect({ token: 'other-shop' });
            assert.deepEqual((await stranger.ask('rooms')).rooms, []);
            assert.match((await stranger.ask('open-room', { roomId: customer.roomId })).error, /no room/);
            stranger.close();
        } finally {
            agent.close();
            customer.close();
        }
    });

    it('answers, sends every rich kind and marks seen as the contract says', async () => {
        const customer = await service.customer('bob');
        const agent = await Agent.connect({ agentId: 'agent-7' });
        try {
            await agent.ask('open-room', { roomId: customer.roomId });
            const asked = customer.send('Where is my parcel?');
            const echo = await customer.waitForMessage((m) => m.createdOn === asked.createdOn);
            assert.equal(echo.messageSentToAgentStatus, 'sent');
            await waitFor(() => agent.pushed('message').some((p) => p.message._id === echo._id), { what: 'the console to hear it' });

            const answered = await agent.ask('send-text', { roomId: customer.roomId, text: 'It arrives tomorrow.' });
            const answer = await customer.waitForMessage((m) => m._id === answered.message._id);
            assertWireMessage(assert, answer);
            assert.deepEqual(
                [answer.msgFrom, answer.msgTo, answer.roomId, answer.senderIdentity, answer.senderRole, answer.approvedByAgent],
                ['agent-7', 'bob', customer.roomId, 'agent-7', 'agent', 'approved']);
            assert.equal(answer.messageSentToCustomerStatus, 'sent');
            assert.deepEqual(answer.msg, { message: { text: 'It arrives tomorrow.' } });

            for (const kind of ['cards', 'buttons', 'choices', 'email', 'quick', 'link']) {
                const sent = await agent.ask('send-template', { roomId: customer.roomId, kind });
                const received = await customer.waitForMessage((m) => m._id === sent.message._id, kind);
                assert.equal(received.senderRole, 'agent');
                assert.equal(kindOfContent(received.msg), kind);
                assert.deepEqual(contentProblems(received.msg), [], kind);
            }

            const before = customer.messages().length;
            const { changed } = await agent.ask('mark-seen', { roomId: customer.roomId });
            assert.deepEqual(changed, [echo._id]);
            const seen = await customer.waitForMessage((m, i) => i >= before && m._id === echo._id);
            assert.equal(seen.messageSentToAgentStatus, 'seen');
            assert.equal(seen.createdOn, asked.createdOn);
            assert.deepEqual((await agent.ask('mark-seen', { roomId: customer.roomId })).changed, [], 'once only');
            await waitFor(() => agent.pushed('rooms').at(-1)?.rooms[0].unseenCount === 0, { what: 'the rooms list to follow' });
        } finally {
            agent.close();
            customer.close();
        }
    });

    it('refuses bad requests and strangers', async () => {
        const customer = await service.customer('cy');
        const agent = await Agent.connect();
        try {
            const roomId = customer.roomId;
            assert.match((await agent.ask('send-text', { roomId, text: '   ' })).error, /non-empty/);
            assert.match((await agent.ask('send-text', { roomId, text: 42 })).error, /non-empty/);
            assert.match((await agent.ask('send-template', { roomId, kind: 'list' })).error, /"kind"/);
            assert.match((await agent.ask('send-text', { roomId: 'nope', text: 'hi' })).error, /no room/);
            assert.match((await agent.ask('set-bot', { enabled: 'yes' })).error, /true or false/);
            assert.match((await agent.ask('mark-seen', 'not an object')).error, /no room/);
            assert.deepEqual((await agent.ask('set-bot', { enabled: true })).bot.enabled, true);

            await assert.rejects(Agent.connect({ token: 'no-such-shop' }), /unknown business token/);
            await assert.rejects(Agent.connect({ agentId: '<script>' }), /agent id/);

            // Raw test events for every customer do not reach consoles.
            assert.equal((await service.post('/test/emit', { event: 'typing', items: [] })).json.sockets, 1);
            assert.equal(customer.named('typing').length, 1);
            assert.equal(agent.pushed('typing').length, 0);
            assert.equal(customer.messages().length, 0, 'nothing was sent');
        } finally {
            agent.close();
            customer.close();
        }
    });
});
