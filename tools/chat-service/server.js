#!/usr/bin/env node
'use strict';

// Local stand-in of the Kesvor chat service: the JSON API, the Socket.IO
// namespaces and a bot, plus test-only endpoints. Listens on loopback only.

const http = require('node:http');
const { Server } = require('socket.io');

const { parseOptions, USAGE } = require('./lib/options');
const { ServiceState } = require('./lib/state');
const { SocketSessions } = require('./lib/socket-session');
const { handleApi, sendJson } = require('./lib/http-api');
const { createRoutes, handleTest } = require('./lib/test-api');
const { StateFile } = require('./lib/persistence');

// While a test has asked for it, new socket connections are refused at the
// HTTP upgrade, which a client sees as a failed connection attempt.
class ConnectionGate {
    constructor() {
        this.refuseUntil = 0;
    }

    refuseFor(ms) {
        this.refuseUntil = ms > 0 ? Date.now() + ms : 0;
    }

    allowRequest(request, callback) {
        const refusing = Date.now() < this.refuseUntil;
        callback(refusing ? 'connections are refused for now' : null, !refusing);
    }
}

function startService(options) {
    const log = options.quiet ? () => {} : (line) => process.stderr.write(`chat-service: ${line}\n`);
    const state = new ServiceState({ tokens: options.tokens, botDelayMs: options.botDelayMs });
    if (options.stateFile) {
        const file = new StateFile(options.stateFile, state);
        file.load();
        state.onChange = () => file.saveSoon();
    }
    const gate = new ConnectionGate();
    let routes = null;

    const server = http.createServer((request, response) => {
        const url = new URL(request.url, 'http://localhost');
        const path = url.pathname;
        const handled = path.startsWith('/test/')
            ? handleTest(routes, request, response, path, url.searchParams).then(() => true)
            : handleApi(state, request, response, path);
        handled.then((done) => {
            if (!done) sendJson(response, 404, { message: 'Not found' });
        }).catch((error) => {
            log(`${request.method} ${path} failed: ${error.stack ?? error}`);
            if (!response.headersSent) sendJson(response, 500, { message: 'Internal error' });
            else response.destroy();
        });
    });

    const io = new Server(server, {
        allowEIO3: true,
        pingInterval: options.pingIntervalMs,
        pingTimeout: options.pingTimeoutMs,
        allowRequest: (request, callback) => gate.allowRequest(request, callback),
        cors: { origin: false },
    });
    const sessions = new SocketSessions(io, state, log);
    sessions.attach();
    routes = createRoutes(state, sessions, gate);

    server.on('error', (error) => {
        process.stderr.write(`chat-service: ${error.message}\n`);
        process.exit(1);
    });
    server.listen(options.port, options.host, () => {
        const { port } = server.address();
        // Tests read the port from this line.
        process.stdout.write(`chat-service listening on port ${port}\n`);
    });
    return { server, io, state };
}

function main() {
    let options;
    try {
        options = parseOptions(process.argv.slice(2));
    } catch (error) {
        process.stderr.write(`chat-service: ${error.message}\n${USAGE}\n`);
        process.exit(2);
    }
    if (options.help) {
        process.stdout.write(`${USAGE}\n`);
        return;
    }
    const { io, server } = startService(options);
    const stop = () => {
        io.close();
        server.close(() => process.exit(0));
        setTimeout(() => process.exit(0), 500).unref();
    };
    process.on('SIGTERM', stop);
    process.on('SIGINT', stop);
}

if (require.main === module) main();

module.exports = { startService };
