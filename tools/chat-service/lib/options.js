'use strict';

// Command-line options of the service. Everything it listens on stays on the
// loopback interface: it is a stand-in for tests and the demo, never a server
// for other machines.

const LOOPBACK_HOSTS = new Set(['127.0.0.1', '::1', 'localhost']);

const USAGE = `usage: node server.js [options]
  --port N            port to listen on; 0 picks a free one (default 0)
  --host H            127.0.0.1 (default), ::1 or localhost
  --token T           a valid business token; repeat or separate with commas
                      (default: kesvor-demo)
  --bot-delay MS      delay before the bot answers a customer (default 0)
  --ping-interval MS  heartbeat interval of the socket server (default 25000)
  --ping-timeout MS   heartbeat timeout of the socket server (default 20000)
  --state-file PATH   keep customers, rooms and messages in PATH across restarts
  --ntp-port N        also answer SNTP requests on UDP port N; 0 picks a free one
                      (default: no SNTP responder)
  --quiet             no log lines on standard error
  --help              this text`;

function parseInteger(name, text, min, max) {
    if (!/^\d+$/.test(text ?? '')) throw new Error(`${name} needs a whole number, got "${text ?? ''}"`);
    const value = Number(text);
    if (value < min || value > max) throw new Error(`${name} must lie between ${min} and ${max}`);
    return value;
}

function parseOptions(argv) {
    const options = {
        port: 0,
        host: '127.0.0.1',
        tokens: [],
        botDelayMs: 0,
        pingIntervalMs: 25000,
        pingTimeoutMs: 20000,
        stateFile: null,
        ntpPort: null,
        quiet: false,
        help: false,
    };
    for (let i = 0; i < argv.length; ++i) {
        const argument = argv[i];
        const [flag, inlineValue] = argument.startsWith('--') && argument.includes('=')
            ? [argument.slice(0, argument.indexOf('=')), argument.slice(argument.indexOf('=') + 1)]
            : [argument, undefined];
        const value = () => (inlineValue !== undefined ? inlineValue : argv[++i]);
        switch (flag) {
        case '--port': options.port = parseInteger(flag, value(), 0, 65535); break;
        case '--host': options.host = value(); break;
        case '--token':
            options.tokens.push(...String(value() ?? '').split(',').map((t) => t.trim()).filter(Boolean));
            break;
        case '--bot-delay': options.botDelayMs = parseInteger(flag, value(), 0, 600000); break;
        case '--ping-interval': options.pingIntervalMs = parseInteger(flag, value(), 10, 3600000); break;
        case '--ping-timeout': options.pingTimeoutMs = parseInteger(flag, value(), 10, 3600000); break;
        case '--state-file':
            options.stateFile = value();
            if (!options.stateFile) throw new Error('--state-file needs a path');
            break;
        case '--ntp-port': options.ntpPort = parseInteger(flag, value(), 0, 65535); break;
        case '--quiet': options.quiet = true; break;
        case '--help': case '-h': options.help = true; break;
        default: throw new Error(`unknown option "${argument}"`);
        }
    }
    if (!LOOPBACK_HOSTS.has(options.host)) {
        throw new Error(`--host must be a loopback address (127.0.0.1, ::1 or localhost), got "${options.host}"`);
    }
    if (options.tokens.length === 0) options.tokens.push('kesvor-demo');
    return options;
}

module.exports = { parseOptions, USAGE };
