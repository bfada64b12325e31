'use strict';

// A small PNG writer: 8-bit RGBA, no interlacing, one IDAT chunk compressed
// with node's zlib. Enough to draw the service's own pictures in code.

const zlib = require('node:zlib');

const SIGNATURE = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);

const CRC_TABLE = (() => {
    const table = new Uint32Array(256);
    for (let n = 0; n < 256; ++n) {
        let c = n;
        for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
        table[n] = c >>> 0;
    }
    return table;
})();

function crc32(buffers) {
    let crc = 0xffffffff;
    for (const buffer of buffers) {
        for (const byte of buffer) crc = CRC_TABLE[(crc ^ byte) & 0xff] ^ (crc >>> 8);
    }
    return (crc ^ 0xffffffff) >>> 0;
}

function chunk(type, data) {
    const header = Buffer.alloc(8);
    header.writeUInt32BE(data.length, 0);
    header.write(type, 4, 'ascii');
    const trailer = Buffer.alloc(4);
    trailer.writeUInt32BE(crc32([header.subarray(4), data]), 0);
    return Buffer.concat([header, data, trailer]);
}

// pixel(x, y) returns [r, g, b, a], each 0..255.
function encodePng(width, height, pixel) {
    const ihdr = Buffer.alloc(13);
    ihdr.writeUInt32BE(width, 0);
    ihdr.writeUInt32BE(height, 4);
    ihdr[8] = 8; // bit depth
    ihdr[9] = 6; // colour type: RGBA
    const stride = width * 4 + 1;
    const raw = Buffer.alloc(stride * height);
    for (let y = 0; y < height; ++y) {
        raw[y * stride] = 0; // filter: none
        for (let x = 0; x < width; ++x) {
            const [r, g, b, a = 255] = pixel(x, y);
            const at = y * stride + 1 + x * 4;
            raw[at] = r;
            raw[at + 1] = g;
            raw[at + 2] = b;
            raw[at + 3] = a;
        }
    }
    return Buffer.concat([
        SIGNATURE,
        chunk('IHDR', ihdr),
        chunk('IDAT', zlib.deflateSync(raw)),
        chunk('IEND', Buffer.alloc(0)),
    ]);
}

module.exports = { encodePng, crc32 };
