#!/usr/bin/env node
'use strict';

// Local stand-in of the Kesvor chat service: the JSON API, the Socket.IO
// namespaces and a bot, the agent console, the bridge page, pictures, an
// optional SNTP responder, plus test-only endpoints. Listens on loopback only.

const http = require('node:http');
const { Server } = require('socket.io');

const { parseOptions, USAGE } = require('./lib/options');
const { ServiceState } = require('./lib/state');
const { SocketSessions } = require('./lib/socket-session');
const { handleApi, sendJson } = require('./lib/http-api');
const { createRoutes, handleTest } = require('./lib/test-api');
const { StateFile } = require('./lib/persistence');
const { handlePages } = require('./lib/pages');
const { AgentConsole } = require('./lib/agent-console');
const { startNtpResponder } = require('./lib/ntp');

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

function originOf(host, port) {
    return `http://${host.includes(':') ? `[${host}]` : host}:${port}`;
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
    // The origin that pictures and links in messages point at, known once listening.
    const site = { origin: '' };
    let routes = null;

    const server = http.createServer((request, response) => {
        const url = new URL(request.url, 'http://localhost');
        const path = url.pathname;
        const handled = path.startsWith('/test/')
            ? handleTest(routes, request, response, path, url.searchParams).then(() => true)
            : handleApi(state, request, response, path)
                .then((done) => done || handlePages(state, request, response, path, url.searchParams));
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
    const sessions = new SocketSessions(io, state, log, site);
    sessions.attach();
    new AgentConsole(io, state, sessions, site, log).attach();
    routes = createRoutes(state, sessions, gate, site);

    const fail = (error) => {
        process.stderr.write(`chat-service: ${error.message}\n`);
        process.exit(1);
    };
    server.on('error', fail);
    const listen = () => server.listen(options.port, options.host, () => {
        const { port } = server.address();
        site.origin = originOf(options.host, port);
        // Tests read the port from this line.
        process.stdout.write(`chat-service listening on port ${port}\n`);
    });
    const service = { server, io, state, ntp: null };
    if (options.ntpPort === null) {
        listen();
        return service;
    }
    // The time server's line comes first: whoever waits for the service's line
    // has both ports then.
    startNtpResponder({
        host: options.host,
        port: options.ntpPort,
        settings: () => state.config.ntp,
        counts: () => state.ntpCounts,
    }).then((socket) => {
        service.ntp = socket;
        process.stdout.write(`ntp listening on port ${socket.address().port}\n`);
        listen();
    }, fail);
    return service;
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
    const service = startService(options);
    const { io, server } = service;
    const stop = () => {
        service.ntp?.close();
        io.close();
        server.close(() => process.exit(0));
        setTimeout(() => process.exit(0), 500).unref();
    };
    process.on('SIGTERM', stop);
    process.on('SIGINT', stop);
}

if (require.main === module) main();

module.exports = { startService };
