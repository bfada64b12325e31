'use strict';

// Everything the service knows: valid tokens, customers, rooms with their
// messages, what it received, and the behaviour tests switched on. One
// instance per process; the test endpoint "reset" empties it.

const { EventEmitter } = require('node:events');

const wire = require('./wire');

const LOG_LIMIT = 10000;
const ENDPOINT_NAMES = ['verify', 'signup', 'update'];
const ENDPOINT_MODES = ['ok', 'drop', 'garbage', 'missing', 'wrong-type'];
const OLD_CHATS_MODES = ['answer', 'drop-before', 'drop-after'];
const NTP_MODES = ['answer', 'silent', 'kiss'];
// About thirty years either way: far enough for any clock a test fakes.
const MAX_CLOCK_OFFSET_MS = 1e12;

class ConfigError extends Error {}

function defaultConfig(botDelayMs) {
    return {
        endpoints: Object.fromEntries(ENDPOINT_NAMES.map((name) => [name, { mode: 'ok', times: null, delayMs: 0 }])),
        history: { count: 0, seen: 0, spacingMs: 60000 },
        oldChats: { mode: 'answer', times: null },
        bot: { enabled: true, delayMs: botDelayMs, markSeen: true },
        images: { slowMs: 2000 },
        ntp: { mode: 'answer', offsetMs: 0 },
    };
}

function expect(condition, message) {
    if (!condition) throw new ConfigError(message);
}

function isCount(value) {
    return Number.isInteger(value) && value >= 0 && value <= 100000;
}

// Copies the known fields of patch onto target, refusing unknown keys so that a
// test's typo fails loudly instead of silently configuring nothing.
function applyFields(target, patch, where, checks) {
    expect(wire.isObject(patch), `${where} must be an object`);
    for (const [key, value] of Object.entries(patch)) {
        expect(key in checks, `unknown setting ${where}.${key}`);
        expect(checks[key](value), `bad value for ${where}.${key}: ${JSON.stringify(value)}`);
        target[key] = value;
    }
}

const timesCheck = (v) => v === null || isCount(v);

// Rooms are found by their namespace and their set of members.
function membersKey(namespace, members) {
    return `${namespace}\u0000${[...members].sort().join('\u0000')}`;
}

// Besides onChange, listeners may follow the events "change" (customers,
// rooms or messages changed) and "message" (room, message: a message was
// stored or one of its fields changed).
class ServiceState extends EventEmitter {
    constructor({ tokens, botDelayMs = 0 }) {
        super();
        this.tokens = new Set(tokens);
        this.defaultToken = tokens[0];
        this.botDelayMs = botDelayMs;
        // Called whenever customers, rooms or messages change (see persistence.js).
        this.onChange = () => {};
        this.reset();
    }

    changed() {
        this.onChange();
        this.emit('change');
    }

    // Called after fields of a stored message were changed in place.
    messageChanged(message) {
        this.changed();
        const room = this.rooms.get(message.roomId);
        if (room) this.emit('message', room, message);
    }

    reset() {
        this.users = new Map();
        this.rooms = new Map();
        this.roomByMembers = new Map();
        this.messages = new Map();
        this.events = [];
        this.requests = [];
        this.sequence = 0;
        this.ntpCounts = { requests: 0, answered: 0 };
        this.config = defaultConfig(this.botDelayMs);
        this.changed();
    }

    // Customers, rooms and messages: what a restarted service still knows.
    persistent() {
        return { users: [...this.users.values()], rooms: [...this.rooms.values()] };
    }

    restore({ users = [], rooms = [] }) {
        this.users = new Map(users.map((user) => [user.userId, user]));
        this.rooms = new Map(rooms.map((room) => [room.roomId, room]));
        this.roomByMembers = new Map(rooms.map((room) => [membersKey(room.namespace, room.members), room.roomId]));
        this.messages = new Map(rooms.flatMap((room) => room.messages.map((message) => [message._id, message])));
    }

    isValidToken(token) {
        return typeof token === 'string' && this.tokens.has(token);
    }

    configure(patch) {
        expect(wire.isObject(patch), 'the configuration must be an object');
        const next = structuredClone(this.config);
        for (const [section, value] of Object.entries(patch)) {
            switch (section) {
            case 'endpoints':
                expect(wire.isObject(value), 'endpoints must be an object');
                for (const [name, endpoint] of Object.entries(value)) {
                    expect(ENDPOINT_NAMES.includes(name), `unknown endpoint "${name}"`);
                    applyFields(next.endpoints[name], endpoint, `endpoints.${name}`, {
                        mode: (v) => ENDPOINT_MODES.includes(v),
                        times: timesCheck,
                        delayMs: isCount,
                    });
                }
                break;
            case 'history':
                applyFields(next.history, value, 'history', { count: isCount, seen: isCount, spacingMs: isCount });
                break;
            case 'oldChats':
                applyFields(next.oldChats, value, 'oldChats', {
                    mode: (v) => OLD_CHATS_MODES.includes(v),
                    times: timesCheck,
                });
                break;
            case 'bot':
                applyFields(next.bot, value, 'bot', {
                    enabled: (v) => typeof v === 'boolean',
                    delayMs: isCount,
                    markSeen: (v) => typeof v === 'boolean',
                });
                break;
            case 'images':
                applyFields(next.images, value, 'images', { slowMs: isCount });
                break;
            case 'ntp':
                applyFields(next.ntp, value, 'ntp', {
                    mode: (v) => NTP_MODES.includes(v),
                    offsetMs: (v) => Number.isInteger(v) && Math.abs(v) <= MAX_CLOCK_OFFSET_MS,
                });
                break;
            case 'tokens':
                expect(Array.isArray(value) && value.every((t) => typeof t === 'string' && t), 'tokens must be strings');
                value.forEach((token) => this.tokens.add(token));
                break;
            default:
                throw new ConfigError(`unknown configuration section "${section}"`);
            }
        }
        this.config = next;
        return this.config;
    }

    // The behaviour of one HTTP endpoint for the request now arriving; a limited
    // failure falls back to "ok" once it has been used up.
    takeEndpointBehaviour(name) {
        const endpoint = this.config.endpoints[name];
        const behaviour = { mode: endpoint.mode, delayMs: endpoint.delayMs };
        if (endpoint.mode !== 'ok' && endpoint.times !== null) {
            endpoint.times -= 1;
            if (endpoint.times <= 0) Object.assign(endpoint, { mode: 'ok', times: null });
        }
        return behaviour;
    }

    takeOldChatsMode() {
        const oldChats = this.config.oldChats;
        const mode = oldChats.mode;
        if (mode !== 'answer' && oldChats.times !== null) {
            oldChats.times -= 1;
            if (oldChats.times <= 0) Object.assign(oldChats, { mode: 'answer', times: null });
        }
        return mode;
    }

    // Customers

    signUp(body) {
        const requested = typeof body.userId === 'string' && body.userId ? body.userId : null;
        const existing = requested ? this.users.get(requested) : undefined;
        const user = existing ?? {
            userId: requested ?? wire.newId(),
            businessId: body.businessId,
            role: 'customer',
            username: `customer-${this.users.size + 1}`,
        };
        user.businessId = body.businessId;
        for (const key of ['email', 'profileImage', 'platformInfo', 'metaUserInfo']) {
            if (body[key] !== undefined) user[key] = body[key];
        }
        this.users.set(user.userId, user);
        this.changed();
        return user;
    }

    // Rooms

    roomFor(namespace, members) {
        const key = membersKey(namespace, members);
        const known = this.roomByMembers.get(key);
        if (known) return this.rooms.get(known);
        const room = { roomId: wire.newId(), namespace, members: [...members], messages: [], lastCreatedOn: 0 };
        this.rooms.set(room.roomId, room);
        this.roomByMembers.set(key, room.roomId);
        this.seedHistory(room);
        this.changed();
        return room;
    }

    // A room id the service does not know (it was restarted, say) is taken over
    // for the customer who names it rather than refused.
    adoptRoom(namespace, roomId, customerId) {
        if (this.rooms.has(roomId)) return this.rooms.get(roomId);
        const members = [customerId, `bot${customerId}`];
        const room = { roomId, namespace, members, messages: [], lastCreatedOn: 0 };
        this.rooms.set(roomId, room);
        this.roomByMembers.set(membersKey(namespace, members), roomId);
        this.changed();
        return room;
    }

    roomOfCustomer(customerId) {
        for (const room of this.rooms.values()) {
            if (room.members.includes(customerId)) return room;
        }
        const user = this.users.get(customerId);
        if (!user) return null;
        return this.roomFor(`/${user.businessId}`, [customerId, `bot${customerId}`]);
    }

    // The customer's app names the room's members as [customer id, "bot" + customer id].
    customerOf(room) {
        return room.members.find((member) => room.members.includes(`bot${member}`)) ?? room.members[0] ?? '';
    }

    botOf(room) {
        const bot = `bot${this.customerOf(room)}`;
        return room.members.includes(bot) ? bot : 'bot';
    }

    seedHistory(room) {
        const { count, seen, spacingMs } = this.config.history;
        const start = Date.now() - count * spacingMs;
        for (let i = 0; i < count; ++i) {
            this.addMessage(room, this.botMessage(room, wire.textContent(`History message ${i + 1} of ${count}`), {
                createdOn: wire.formatCreatedOn(new Date(start + i * spacingMs)),
                messageSentToCustomerStatus: i < seen ? 'seen' : 'sent',
            }));
        }
    }

    // Messages

    botMessage(room, content, overrides = {}) {
        const bot = this.botOf(room);
        return {
            msgFrom: bot,
            msgTo: this.customerOf(room),
            msg: content,
            roomId: room.roomId,
            senderIdentity: bot,
            senderRole: 'bot',
            approvedByAgent: 'approved',
            messageSentToCustomerStatus: 'sent',
            messageSentToAgentStatus: 'seen',
            ...overrides,
        };
    }

    agentMessage(room, agentId, content) {
        return {
            msgFrom: agentId,
            msgTo: this.customerOf(room),
            msg: content,
            roomId: room.roomId,
            senderIdentity: agentId,
            senderRole: 'agent',
            approvedByAgent: 'approved',
            messageSentToCustomerStatus: 'sent',
            messageSentToAgentStatus: 'seen',
        };
    }

    // Stores message in room with a fresh "_id". Messages without a valid
    // "createdOn" get one after every earlier message of the room, so the
    // history stays in order even within one millisecond.
    addMessage(room, message) {
        const stored = { ...message, roomId: room.roomId };
        let createdOn = wire.parseCreatedOn(stored.createdOn);
        if (createdOn === null) {
            createdOn = Math.max(Date.now(), room.lastCreatedOn + 1);
            stored.createdOn = wire.formatCreatedOn(new Date(createdOn));
        }
        room.lastCreatedOn = Math.max(room.lastCreatedOn, createdOn);
        if (typeof stored._id !== 'string' || !stored._id || this.messages.has(stored._id)) stored._id = wire.newId();
        room.messages.push(stored);
        this.messages.set(stored._id, stored);
        this.changed();
        this.emit('message', room, stored);
        return stored;
    }

    findCustomerMessage(room, msgFrom, createdOn) {
        return room.messages.find((m) => m.msgFrom === msgFrom && m.createdOn === createdOn) ?? null;
    }

    // Logs

    recordEvent(entry) {
        this.push(this.events, entry);
    }

    recordRequest(entry) {
        this.push(this.requests, entry);
    }

    push(log, entry) {
        log.push({ seq: ++this.sequence, at: new Date().toISOString(), ...entry });
        if (log.length > LOG_LIMIT) log.splice(0, log.length - LOG_LIMIT);
    }

    snapshot() {
        return {
            tokens: [...this.tokens],
            users: [...this.users.values()],
            rooms: [...this.rooms.values()].map(({ lastCreatedOn, ...room }) => room),
            config: this.config,
            ntp: this.ntpCounts,
        };
    }
}

module.exports = { ServiceState, ConfigError, ENDPOINT_MODES, OLD_CHATS_MODES, NTP_MODES };
