'use strict';

// Starts the system's Chromium (Debian's package) headless through
// puppeteer-core, with a fresh profile that is removed again on close.

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const puppeteer = require('puppeteer-core');

const DEFAULT_EXECUTABLE = '/usr/bin/chromium';

// What Chromium needs to run as root on a machine without a GPU or display,
// without reaching out to the network by itself.
const FLAGS = [
    '--no-sandbox',
    '--disable-gpu',
    '--disable-quic',
    '--no-first-run',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
    '--disable-dev-shm-usage',
];

async function launchChromium({ executable = process.env.KESVOR_CHROMIUM || DEFAULT_EXECUTABLE, width = 1280, height = 800 } = {}) {
    if (!fs.existsSync(executable)) throw new Error(`no Chromium at ${executable}: run scripts/setup`);
    const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'kesvor-chromium-'));
    try {
        const browser = await puppeteer.launch({
            executablePath: executable,
            headless: true,
            // Over a pipe, Chromium quits when this process dies, however it dies.
            pipe: true,
            userDataDir,
            args: [...FLAGS, `--window-size=${width},${height}`],
            defaultViewport: { width, height },
        });
        const close = async () => {
            await browser.close().catch(() => {});
            fs.rmSync(userDataDir, { recursive: true, force: true });
        };
        return { browser, close };
    } catch (error) {
        fs.rmSync(userDataDir, { recursive: true, force: true });
        throw error;
    }
}

module.exports = { launchChromium };
