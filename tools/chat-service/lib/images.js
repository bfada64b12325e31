'use strict';

// The pictures that card templates point at, drawn in code. Each kind of
// picture a client must cope with has its own address: two good ones, a slow
// one, a body that is not a picture, and one that does not exist.

const { encodePng } = require('./png');
const { sendJson } = require('./http-api');

const WIDTH = 320;
const HEIGHT = 160;

function inCircle(x, y, cx, cy, r) {
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r;
}

function inTriangle(x, y) {
    // Apex at the top centre, base along the lower part of the picture.
    const top = 30;
    const bottom = 130;
    if (y < top || y > bottom) return false;
    const halfWidth = ((y - top) / (bottom - top)) * 60;
    return Math.abs(x - WIDTH / 2) <= halfWidth;
}

function inDiamond(x, y) {
    return Math.abs(x - WIDTH / 2) + Math.abs(y - HEIGHT / 2) <= 55;
}

// A coloured background with a lighter band at the bottom and one shape.
function drawing(background, shapeColour, inShape) {
    return (x, y) => {
        if (inShape(x, y)) return shapeColour;
        if (y >= HEIGHT - 16) return background.map((c) => Math.min(255, c + 50));
        return background;
    };
}

const DRAWINGS = {
    'good.png': drawing([47, 111, 214], [255, 255, 255], (x, y) => inCircle(x, y, WIDTH / 2, HEIGHT / 2, 50)),
    'shared.png': drawing([46, 158, 91], [255, 221, 51], inTriangle),
    'slow.png': drawing([232, 132, 26], [255, 255, 255], inDiamond),
};

const NOT_AN_IMAGE = 'This body is served as image/png but it is text, not a picture.\n';

// Names of the pictures under /images/, by what they are for.
const PICTURES = {
    good: 'good.png',
    shared: 'shared.png',
    slow: 'slow.png',
    notImage: 'not-image.png',
    missing: 'missing.png',
};

const encoded = new Map();
function pictureBytes(name) {
    if (!encoded.has(name)) encoded.set(name, encodePng(WIDTH, HEIGHT, DRAWINGS[name]));
    return encoded.get(name);
}

function pictureUrl(origin, name) {
    return `${origin}/images/${name}`;
}

function sendBody(request, response, contentType, body) {
    response.writeHead(200, {
        'Content-Type': contentType,
        'Content-Length': body.length,
        'Cache-Control': 'no-store',
    });
    response.end(request.method === 'HEAD' ? undefined : body);
}

// Answers GET and HEAD under /images/; false for any other path. Every
// request is logged with the API's requests, so a test can count downloads.
async function handleImages(state, request, response, path) {
    if (!path.startsWith('/images/')) return false;
    if (request.method !== 'GET' && request.method !== 'HEAD') {
        sendJson(response, 405, { message: 'Use GET' });
        return true;
    }
    state.recordRequest({ method: request.method, path, body: null, raw: '' });
    const name = path.slice('/images/'.length);
    if (name === PICTURES.notImage) {
        sendBody(request, response, 'image/png', Buffer.from(NOT_AN_IMAGE));
        return true;
    }
    if (!(name in DRAWINGS)) {
        sendJson(response, 404, { message: `no picture "${name}"` });
        return true;
    }
    if (name === PICTURES.slow) {
        await new Promise((resolve) => setTimeout(resolve, state.config.images.slowMs));
        if (response.destroyed) return true;
    }
    sendBody(request, response, 'image/png', pictureBytes(name));
    return true;
}

module.exports = { handleImages, pictureUrl, pictureBytes, PICTURES, WIDTH, HEIGHT };
