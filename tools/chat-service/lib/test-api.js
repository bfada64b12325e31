'use strict';

// Test-only endpoints under /test/: they let a test steer the service and read
// what it received. See README.md for the request and answer shapes.

const { ConfigError } = require('./state');
const { readBody, sendJson, INVALID } = require('./http-api');
const wire = require('./wire');
const templates = require('./templates');

class RequestError extends Error {
    constructor(status, message) {
        super(message);
        this.status = status;
    }
}

function requireRoom(state, body) {
    if (typeof body.roomId === 'string') {
        const room = state.rooms.get(body.roomId);
        if (!room) throw new RequestError(404, `no room "${body.roomId}"`);
        return room;
    }
    if (typeof body.userId === 'string') {
        const room = state.roomOfCustomer(body.userId);
        if (!room) throw new RequestError(404, `no customer "${body.userId}"`);
        return room;
    }
    throw new RequestError(400, 'name the room by "roomId" or the customer by "userId"');
}

function optionalObject(value, name) {
    if (value === undefined) return {};
    if (!wire.isObject(value)) throw new RequestError(400, `"${name}" must be an object`);
    return value;
}

function checkVocabulary(changes) {
    for (const key of ['messageSentToCustomerStatus', 'messageSentToAgentStatus']) {
        if (key in changes && !wire.MESSAGE_STATUSES.includes(changes[key])) {
            throw new RequestError(400, `"${key}" must be one of ${wire.MESSAGE_STATUSES.join(', ')}`);
        }
    }
    if ('approvedByAgent' in changes && !wire.APPROVALS.includes(changes.approvedByAgent)) {
        throw new RequestError(400, `"approvedByAgent" must be one of ${wire.APPROVALS.join(', ')}`);
    }
}

function countOf(value, name, fallback) {
    if (value === undefined) return fallback;
    if (!Number.isInteger(value) || value < 0 || value > 100000) throw new RequestError(400, `"${name}" must be a count`);
    return value;
}

// Stores a service message in room with content and the overriding wire
// fields, and sends it unless deliver is false.
function storeServiceMessage(state, sessions, room, content, body) {
    const fields = optionalObject(body.fields, 'fields');
    checkVocabulary(fields);
    const message = state.addMessage(room, state.botMessage(room, content, fields));
    if (body.deliver !== false) sessions.sendMessage(room, message);
    return { roomId: room.roomId, message };
}

function createRoutes(state, sessions, connectionGate, site = { origin: '' }) {
    return {
        'POST /test/reset': () => {
            state.reset();
            return { ok: true };
        },
        'GET /test/config': () => ({ config: state.config }),
        'POST /test/config': (body) => ({ config: state.configure(body) }),
        'GET /test/state': () => state.snapshot(),
        'GET /test/received': (body, query) => {
            const since = Number(query.get('since') ?? 0);
            const event = query.get('event');
            const namespace = query.get('namespace');
            return {
                events: state.events.filter((e) => e.seq > since
                    && (!event || e.event === event) && (!namespace || e.namespace === namespace)),
            };
        },
        'GET /test/requests': (body, query) => {
            const path = query.get('path');
            return { requests: state.requests.filter((r) => !path || r.path === path) };
        },
        'POST /test/inject': (body) => {
            const room = requireRoom(state, body);
            let content = wire.textContent(typeof body.text === 'string' ? body.text : 'Hello from the service');
            if (body.msg !== undefined) content = optionalObject(body.msg, 'msg');
            return storeServiceMessage(state, sessions, room, content, body);
        },
        'POST /test/template': (body) => {
            if (!templates.KINDS.includes(body.kind)) {
                throw new RequestError(400, `"kind" must be one of ${templates.KINDS.join(', ')}`);
            }
            if (body.text !== undefined && typeof body.text !== 'string') throw new RequestError(400, '"text" must be a string');
            const room = requireRoom(state, body);
            const content = templates.build(body.kind, { origin: site.origin, text: body.text });
            return storeServiceMessage(state, sessions, room, content, body);
        },
        'POST /test/history': (body) => {
            const room = requireRoom(state, body);
            const count = countOf(body.count, 'count', 1);
            const seen = countOf(body.seen, 'seen', 0);
            const spacingMs = countOf(body.spacingMs, 'spacingMs', 60000);
            const start = Math.max(Date.now() - count * spacingMs, room.lastCreatedOn + 1);
            const messages = [];
            for (let i = 0; i < count; ++i) {
                messages.push(state.addMessage(room, state.botMessage(room, wire.textContent(`Message ${i + 1} of ${count}`), {
                    createdOn: wire.formatCreatedOn(new Date(start + i * spacingMs)),
                    messageSentToCustomerStatus: i < seen ? 'seen' : 'sent',
                })));
            }
            return { roomId: room.roomId, messages };
        },
        'POST /test/status': (body) => {
            const message = state.messages.get(body.messageId);
            if (!message) throw new RequestError(404, `no message "${body.messageId}"`);
            const changes = {};
            for (const key of ['messageSentToCustomerStatus', 'messageSentToAgentStatus', 'approvedByAgent']) {
                if (body[key] !== undefined) changes[key] = body[key];
            }
            checkVocabulary(changes);
            const changed = sessions.changeMessage(message, changes);
            return { changed, message };
        },
        'POST /test/emit': (body) => {
            if (typeof body.event !== 'string' || !body.event) throw new RequestError(400, '"event" must be a name');
            if (body.items !== undefined && !Array.isArray(body.items)) throw new RequestError(400, '"items" must be an array');
            const room = body.roomId !== undefined || body.userId !== undefined ? requireRoom(state, body) : null;
            try {
                return { sockets: sessions.emitRaw(body.event, body.items ?? [], room) };
            } catch (error) {
                throw new RequestError(400, error.message);
            }
        },
        'POST /test/drop': (body) => {
            const mode = body.mode ?? 'transport';
            if (!['transport', 'reset', 'kick', 'silent', 'none'].includes(mode)) {
                throw new RequestError(400, '"mode" must be transport, reset, kick, silent or none');
            }
            connectionGate.refuseFor(countOf(body.refuseMs, 'refuseMs', 0));
            const dropped = Object.keys(sessions.io.engine.clients).length;
            if (mode !== 'none') sessions.dropConnections(mode);
            return { dropped: mode === 'none' ? 0 : dropped };
        },
    };
}

async function handleTest(routes, request, response, path, query) {
    const route = routes[`${request.method} ${path}`];
    if (!route) {
        sendJson(response, 404, { message: `no test endpoint ${request.method} ${path}` });
        return;
    }
    try {
        const { json } = await readBody(request);
        if (json === INVALID || (json !== undefined && !wire.isObject(json))) {
            throw new RequestError(400, 'the body must be a JSON object');
        }
        sendJson(response, 200, route(json ?? {}, query));
    } catch (error) {
        if (error instanceof RequestError) sendJson(response, error.status, { message: error.message });
        else if (error instanceof ConfigError) sendJson(response, 400, { message: error.message });
        else throw error;
    }
}

module.exports = { createRoutes, handleTest };
