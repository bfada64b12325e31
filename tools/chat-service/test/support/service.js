'use strict';

// Runs the chat service as a child process on free loopback ports for a test,
// with small helpers for its HTTP endpoints, and a customer client that talks
// to it the way the app does.

const { spawn } = require('node:child_process');
const path = require('node:path');
const readline = require('node:readline');

const { io } = require('socket.io-client');
const wire = require('../../lib/wire');

const SERVER = path.join(__dirname, '..', '..', 'server.js');

// Polls condition until it returns a truthy value, which it resolves to.
async function waitFor(condition, { timeoutMs = 10000, what = 'the condition' } = {}) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
        const value = await condition();
        if (value) return value;
        if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
        await new Promise((resolve) => setTimeout(resolve, 10));
    }
}

class Service {
    static async start({ tokens = ['test-token'], args = [] } = {}) {
        const child = spawn(process.execPath, [SERVER, '--port', '0', '--quiet',
            ...tokens.flatMap((token) => ['--token', token]), ...args], { stdio: ['ignore', 'pipe', 'inherit'] });
        const service = new Service(child, tokens);
        const lines = readline.createInterface({ input: child.stdout });
        await new Promise((resolve, reject) => {
            child.once('exit', (code) => reject(new Error(`the service exited with ${code}`)));
            lines.on('line', (line) => {
                const ntp = /^ntp listening on port (\d+)$/.exec(line);
                if (ntp) service.ntpPort = Number(ntp[1]);
                const http = /^chat-service listening on port (\d+)$/.exec(line);
                if (http) {
                    service.port = Number(http[1]);
                    resolve();
                }
            });
        });
        return service;
    }

    constructor(child, tokens) {
        this.child = child;
        this.tokens = tokens;
        this.token = tokens[0];
        this.port = null;
        this.ntpPort = null;
    }

    get origin() {
        return `http://127.0.0.1:${this.port}`;
    }

    async stop() {
        if (this.child.exitCode !== null) return;
        const exited = new Promise((resolve) => this.child.once('exit', resolve));
        this.child.kill('SIGKILL');
        await exited;
    }

    async request(method, pathAndQuery, body) {
        const response = await fetch(this.origin + pathAndQuery, {
            method,
            headers: body === undefined ? {} : { 'Content-Type': 'application/json' },
            body: body === undefined ? undefined : typeof body === 'string' ? body : JSON.stringify(body),
        });
        const raw = Buffer.from(await response.arrayBuffer());
        let json = null;
        try {
            json = JSON.parse(raw.toString('utf8'));
        } catch {
            // not JSON: the caller looks at raw
        }
        return { status: response.status, headers: response.headers, raw, json };
    }

    get(pathAndQuery) {
        return this.request('GET', pathAndQuery);
    }

    post(pathAndQuery, body = {}) {
        return this.request('POST', pathAndQuery, body);
    }

    async signUp(userId) {
        const answer = await this.post('/user/api/v1/signup', {
            role: 'customer', businessId: this.token, ...(userId ? { userId } : {}),
        });
        return answer.json.user;
    }

    async configure(patch) {
        const answer = await this.post('/test/config', patch);
        if (answer.status !== 200) throw new Error(`configuration refused: ${answer.raw}`);
    }

    // A signed-up customer with an open room, connected as the app connects.
    async customer(userId) {
        const user = await this.signUp(userId);
        const customer = new Customer(this, user);
        await customer.connect();
        return customer;
    }
}

class Customer {
    constructor(service, user) {
        this.service = service;
        this.user = user;
        this.userId = user.userId;
        this.events = [];
        this.sentCount = 0;
    }

    async connect() {
        this.socket = io(`${this.service.origin}/${this.service.token}`, {
            transports: ['websocket'], forceNew: true, reconnection: false,
        });
        this.socket.onAny((event, ...items) => this.events.push({ event, items }));
        await new Promise((resolve, reject) => {
            this.socket.once('connect', resolve);
            this.socket.once('connect_error', reject);
        });
        this.socket.emit('set-user-data', this.user, this.user.role);
        const platformInfo = { browserName: 'node', majorVersion: '20', OSName: 'Linux' };
        this.socket.emit('set-room', { members: [this.userId, `bot${this.userId}`], platformInfo }, platformInfo);
        const answer = await this.waitForEvent('set-room');
        this.roomId = answer.items[0].roomId;
    }

    close() {
        this.socket.close();
    }

    named(event) {
        return this.events.filter((e) => e.event === event);
    }

    // The wire messages received as "chat-msg", oldest first.
    messages() {
        return this.named('chat-msg').map((e) => e.items[0]?.result);
    }

    waitForEvent(event, predicate = () => true, options = {}) {
        return waitFor(() => this.named(event).find((e) => predicate(e.items)), { what: `"${event}"`, ...options });
    }

    // The first received message that satisfies predicate.
    waitForMessage(predicate, what = 'a message') {
        return waitFor(() => this.messages().find(predicate), { what });
    }

    // Sends a message as the app does: typed text carries itself as keyword.
    // Without createdOn each message gets a distinct one from the clock.
    send(text, keyword = text, createdOn = wire.formatCreatedOn(new Date(Date.now() + this.sentCount++))) {
        const message = {
            msgFrom: this.userId,
            msgTo: 'bot',
            roomId: this.roomId,
            createdOn,
            msg: { message: { text } },
            msgKeyWord: keyword,
            senderRole: 'customer',
            senderIdentity: this.userId,
            approvedByAgent: 'approved',
        };
        this.socket.emit('chat-msg', message);
        return message;
    }
}

// The wire keys every message from the service carries, with their types.
const WIRE_KEYS = ['msgFrom', 'msgTo', 'roomId', 'createdOn', 'senderIdentity', 'senderRole',
    'approvedByAgent', '_id', 'messageSentToCustomerStatus', 'messageSentToAgentStatus'];

function assertWireMessage(assert, message) {
    for (const key of WIRE_KEYS) assert.equal(typeof message[key], 'string', `"${key}" is a string`);
    assert.ok(wire.isObject(message.msg), '"msg" is an object');
    assert.match(message.createdOn, /^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}\+0000$/);
    assert.ok(wire.MESSAGE_STATUSES.includes(message.messageSentToCustomerStatus));
    assert.ok(wire.MESSAGE_STATUSES.includes(message.messageSentToAgentStatus));
}

module.exports = { Service, Customer, waitFor, assertWireMessage, WIRE_KEYS };
