'use strict';

// Web pages the service serves besides its API: the agent console's files,
// the bridge page and the pictures of card templates.

const fs = require('node:fs');
const path = require('node:path');

const { handleBridge } = require('./bridge');
const { handleImages } = require('./images');
const { sendJson } = require('./http-api');

const PUBLIC_DIRECTORY = path.join(__dirname, '..', 'public');

// Only these files are served, so no request can name another file.
const CONSOLE_FILES = {
    '/agent': ['agent.html', 'text/html; charset=utf-8'],
    '/agent.css': ['agent.css', 'text/css; charset=utf-8'],
    '/agent.js': ['agent.js', 'text/javascript; charset=utf-8'],
};

async function sendFile(response, file, contentType) {
    const body = await fs.promises.readFile(path.join(PUBLIC_DIRECTORY, file));
    response.writeHead(200, { 'Content-Type': contentType, 'Content-Length': body.length, 'Cache-Control': 'no-cache' });
    response.end(body);
}

// Resolves to true when path is one of the pages.
async function handlePages(state, request, response, path, query) {
    const consoleFile = CONSOLE_FILES[path === '/agent/' ? '/agent' : path];
    const isPage = consoleFile || path === '/bridge' || path === '/bridge/frame';
    if (isPage && request.method !== 'GET' && request.method !== 'HEAD') {
        sendJson(response, 405, { message: 'Use GET' });
        return true;
    }
    if (consoleFile) {
        await sendFile(response, ...consoleFile);
        return true;
    }
    if (handleBridge(request, response, path, query)) return true;
    return handleImages(state, request, response, path);
}

module.exports = { handlePages };
