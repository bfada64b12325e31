'use strict';

// The service's JSON-over-HTTP API: business verification, customer sign-up
// and update. Each endpoint can be switched by a test into a failure mode.

const wire = require('./wire');

const BODY_LIMIT = 1024 * 1024;

const ENDPOINTS = {
    '/business/api/v1/verify': { name: 'verify', key: 'business', answer: verify },
    '/user/api/v1/signup': { name: 'signup', key: 'user', answer: signUp },
    '/user/api/v1/update': { name: 'update', key: 'user', answer: update },
};

function sendJson(response, status, value) {
    const body = JSON.stringify(value);
    response.writeHead(status, { 'Content-Type': 'application/json', 'Content-Length': Buffer.byteLength(body) });
    response.end(body);
}

// Reads the request body; resolves to { raw, json } where json is undefined
// for an empty body and the symbol INVALID when the text is not JSON.
const INVALID = Symbol('invalid JSON');
function readBody(request) {
    return new Promise((resolve, reject) => {
        const chunks = [];
        let size = 0;
        request.on('data', (chunk) => {
            size += chunk.length;
            if (size > BODY_LIMIT) {
                reject(new Error('request body too large'));
                request.destroy();
                return;
            }
            chunks.push(chunk);
        });
        request.on('end', () => {
            const raw = Buffer.concat(chunks).toString('utf8');
            if (raw.trim() === '') return resolve({ raw, json: undefined });
            try {
                resolve({ raw, json: JSON.parse(raw) });
            } catch {
                resolve({ raw, json: INVALID });
            }
        });
        request.on('error', reject);
    });
}

function verify(state, body) {
    if (!state.isValidToken(body.businessId)) return [404, { message: 'Business not found' }];
    return [200, { business: { businessId: body.businessId, name: `Business ${body.businessId}` } }];
}

function signUp(state, body) {
    if (!state.isValidToken(body.businessId)) return [404, { message: 'Business not found' }];
    if (body.role !== 'customer') return [400, { message: 'Only customers sign up here' }];
    return [200, { user: state.signUp(body) }];
}

function update(state, body) {
    const user = typeof body.userId === 'string' ? state.users.get(body.userId) : undefined;
    if (!user) return [404, { message: 'User not found' }];
    if (typeof body.deviceToken === 'string') {
        user.deviceToken = body.deviceToken;
        state.changed();
    }
    return [200, { user }];
}

// The answer of an endpoint switched into a failure mode; null for "ok".
function failureAnswer(mode, key, response) {
    switch (mode) {
    case 'drop':
        // Cut off in the middle of the answer: a client cannot mistake it for a
        // stale keep-alive connection and quietly send the request again.
        response.socket.end('HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 64\r\n\r\n{"');
        response.socket.destroySoon?.();
        return true;
    case 'garbage':
        response.writeHead(200, { 'Content-Type': 'application/json' });
        response.end('<html><body>502 Bad Gateway</body></html>');
        return true;
    case 'missing':
        sendJson(response, 200, { message: 'ok' });
        return true;
    case 'wrong-type':
        sendJson(response, 200, { [key]: 'yes' });
        return true;
    default:
        return false;
    }
}

async function handleApi(state, request, response, path) {
    const endpoint = ENDPOINTS[path];
    if (!endpoint) return false;
    if (request.method !== 'POST') {
        sendJson(response, 405, { message: 'Use POST' });
        return true;
    }
    const { raw, json } = await readBody(request);
    state.recordRequest({ method: request.method, path, body: json === INVALID ? null : json ?? null, raw });
    const behaviour = state.takeEndpointBehaviour(endpoint.name);
    if (behaviour.delayMs > 0) await new Promise((resolve) => setTimeout(resolve, behaviour.delayMs));
    if (failureAnswer(behaviour.mode, endpoint.key, response)) return true;
    if (!wire.isObject(json)) {
        sendJson(response, 400, { message: 'The body must be a JSON object' });
        return true;
    }
    const [status, answer] = endpoint.answer(state, json);
    sendJson(response, status, answer);
    return true;
}

module.exports = { handleApi, readBody, sendJson, INVALID };
