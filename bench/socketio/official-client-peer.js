'use strict';

// The peer of socketio_bench: round trips of Node's official socket.io-client
// against the stand-in service, measured the same way as the C++ client.
// usage: node official-client-peer.js <url> <namespace> <round trips> <window> <payload JSON>
// Prints one JSON line: {"roundTrips": n, "seconds": s, "cpuSeconds": c,
// "systemSeconds": k}, where c is the CPU time (user and system, all threads)
// this process used over the timed round trips and k the system part of it.

const { io } = require('socket.io-client');

const [url, nsp, countText, windowText, payloadText] = process.argv.slice(2);
const count = Number(countText);
const window = Number(windowText);
const payload = JSON.parse(payloadText);
const warmUp = 200;

const socket = io(url + nsp, { transports: ['websocket'], reconnection: false, forceNew: true });

function run(total, done) {
    let sent = 0;
    let received = 0;
    const pump = () => {
        while (sent < total && sent - received < window) socket.emit('echo', sent++, payload);
    };
    socket.off('echo');
    socket.on('echo', () => {
        received += 1;
        if (received === total) done();
        else pump();
    });
    pump();
}

socket.on('connect_error', (error) => {
    process.stderr.write(`official-client-peer: ${error.message}\n`);
    process.exit(1);
});
socket.on('connect', () => {
    run(warmUp, () => {
        const start = process.hrtime.bigint();
        const cpuStart = process.cpuUsage();
        run(count, () => {
            const cpu = process.cpuUsage(cpuStart);
            const seconds = Number(process.hrtime.bigint() - start) / 1e9;
            const cpuSeconds = (cpu.user + cpu.system) / 1e6;
            const systemSeconds = cpu.system / 1e6;
            const result = { roundTrips: count, seconds, cpuSeconds, systemSeconds };
            process.stdout.write(`${JSON.stringify(result)}\n`);
            socket.close();
            process.exit(0);
        });
    });
});
