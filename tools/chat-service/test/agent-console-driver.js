#!/usr/bin/env node
'use strict';

// Drives the agent console in the system's Chromium for another program (a
// test of the app, say): one JSON command per line on standard input, one
// JSON answer per line on standard output, in order. The protocol is in
// README.md ("Agent console driver").
//
//   node test/agent-console-driver.js --url http://127.0.0.1:PORT/agent
//   node test/agent-console-driver.js --service http://127.0.0.1:PORT [--token T] [--agent A]

const readline = require('node:readline');

const { launchChromium } = require('./support/chromium');
const { ConsolePage, matches } = require('./support/console-page');
const { waitFor } = require('./support/service');

const USAGE = `usage: agent-console-driver.js (--url URL | --service ORIGIN [--token T] [--agent A])
       [--chromium PATH] [--width PX] [--height PX] [--timeout MS]`;

function parseArguments(argv) {
    const options = { width: 1280, height: 800, timeoutMs: 15000 };
    for (let i = 0; i < argv.length; ++i) {
        const value = argv[i + 1];
        switch (argv[i]) {
        case '--url': options.url = value; break;
        case '--service': options.service = value; break;
        case '--token': options.token = value; break;
        case '--agent': options.agent = value; break;
        case '--chromium': options.chromium = value; break;
        case '--width': options.width = Number(value); break;
        case '--height': options.height = Number(value); break;
        case '--timeout': options.timeoutMs = Number(value); break;
        default: throw new Error(`unknown argument "${argv[i]}"`);
        }
        i += 1;
    }
    if (!options.url && options.service) {
        const url = new URL('/agent', options.service);
        if (options.token) url.searchParams.set('token', options.token);
        if (options.agent) url.searchParams.set('agent', options.agent);
        options.url = url.toString();
    }
    if (!options.url) throw new Error('--url or --service is needed');
    for (const key of ['width', 'height', 'timeoutMs']) {
        if (!Number.isInteger(options[key]) || options[key] <= 0) throw new Error(`bad ${key}`);
    }
    return options;
}

const MESSAGE_FILTERS = ['messageId', 'senderRole', 'shownAs', 'kind', 'text', 'agentStatus', 'customerStatus'];

function requireString(command, key) {
    if (typeof command[key] !== 'string' || command[key] === '') throw new Error(`"${key}" must be a non-empty string`);
    return command[key];
}

// Each command resolves to the fields of its answer besides "ok", "cmd" and "id".
function commands(page, options) {
    return {
        rooms: async () => ({ rooms: await page.rooms() }),
        select: async (command) => {
            if (typeof command.userId !== 'string' && typeof command.roomId !== 'string') {
                throw new Error('"userId" or "roomId" is needed');
            }
            return { roomId: await page.select(command) };
        },
        answer: async (command) => ({ message: await page.answer(requireString(command, 'text')) }),
        send: async (command) => ({ message: await page.send(requireString(command, 'kind')) }),
        markSeen: async () => ({ status: await page.markSeen() }),
        messages: async () => ({ messages: await page.messages() }),
        waitFor: async (command) => {
            const wanted = Object.fromEntries(MESSAGE_FILTERS.filter((k) => k in command).map((k) => [k, command[k]]));
            const timeoutMs = Number.isInteger(command.timeoutMs) ? command.timeoutMs : options.timeoutMs;
            return { message: await page.waitForMessage(wanted, { timeoutMs }) };
        },
        setBot: async (command) => {
            if (typeof command.enabled !== 'boolean') throw new Error('"enabled" must be true or false');
            await page.setBot(command.enabled);
            return {};
        },
        screenshot: async (command) => ({ path: await page.screenshot(requireString(command, 'path')) }),
        reload: async () => {
            await page.page.reload({ waitUntil: 'load' });
            await page.page.waitForSelector('#connection-status[data-state="connected"]', { timeout: options.timeoutMs });
            return {};
        },
        rows: async (command) => {
            // How many shown messages match, at once (no waiting).
            const wanted = Object.fromEntries(MESSAGE_FILTERS.filter((k) => k in command).map((k) => [k, command[k]]));
            return { count: (await page.messages()).filter((row) => matches(row, wanted)).length };
        },
    };
}

function write(line) {
    process.stdout.write(`${JSON.stringify(line)}\n`);
}

async function main() {
    let options;
    try {
        options = parseArguments(process.argv.slice(2));
    } catch (error) {
        process.stderr.write(`agent-console-driver: ${error.message}\n${USAGE}\n`);
        process.exit(2);
    }
    let chromium = null;
    const shutdown = async (code) => {
        await chromium?.close();
        process.exit(code);
    };
    process.on('SIGTERM', () => shutdown(0));
    process.on('SIGINT', () => shutdown(0));

    let page;
    try {
        chromium = await launchChromium({ executable: options.chromium, width: options.width, height: options.height });
        page = await ConsolePage.open(chromium.browser, options.url, { timeoutMs: options.timeoutMs });
        await waitFor(() => page.page.$eval('#business', (node) => node.textContent !== '…'), { what: 'the rooms list' });
    } catch (error) {
        write({ ready: false, error: error.message });
        await shutdown(1);
    }
    write({ ready: true, url: options.url });

    const handlers = commands(page, options);
    const input = readline.createInterface({ input: process.stdin });
    let queue = Promise.resolve();
    input.on('line', (line) => {
        if (line.trim() === '') return;
        queue = queue.then(async () => {
            let command;
            try {
                command = JSON.parse(line);
            } catch {
                write({ ok: false, error: `not JSON: ${line}` });
                return;
            }
            const echo = { cmd: command?.cmd, ...(command?.id !== undefined ? { id: command.id } : {}) };
            if (command?.cmd === 'quit') {
                write({ ok: true, ...echo });
                await shutdown(0);
            }
            const handler = Object.hasOwn(handlers, command?.cmd) ? handlers[command.cmd] : null;
            if (!handler) {
                write({ ok: false, ...echo, error: `unknown command ${JSON.stringify(command?.cmd)}` });
                return;
            }
            try {
                write({ ok: true, ...echo, ...(await handler(command)) });
            } catch (error) {
                write({ ok: false, ...echo, error: error.message });
            }
        });
    });
    input.on('close', () => {
        queue = queue.then(() => shutdown(0));
    });
}

main();
